#include "VestrelCli.h"

#include "ProfileReport.h"
#include "SafeFileWriter.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char usageText[] =
    "usage: vestrel-cli info PROFILE\n"
    "       vestrel-cli copy IN OUT\n"
    "       vestrel-cli --help\n";

const char helpText[] =
    "vestrel-cli: ICC printer profiles from the command line.\n"
    "\n"
    "  info PROFILE   header fields and tag directory of PROFILE\n"
    "  copy IN OUT    read IN and write it afresh to OUT (tags on 4-byte\n"
    "                 boundaries, identical tag data stored once, version 4\n"
    "                 profile ID recomputed); OUT is replaced only when the\n"
    "                 whole profile was written\n"
    "\n"
    "Exit status: 0 success, 1 failure (reasons on standard error), 2 usage.\n";

enum ExitStatus { Success = 0, Failure = 1, Usage = 2 };

// Warnings and failures of the library from entry first on, one line each.
// Traces stay out.
void printLogEntries(std::FILE* err, uint32_t first = 0)
{
    for (uint32_t i = first; i < csErrorLog::count(); ++i) {
        if (csErrorLog::levelOf(i) >= csErrorLog::Warning)
            std::fprintf(err, "%c '%s' %s\n", csErrorLog::levelLetter(csErrorLog::levelOf(i)),
                         csErrorLog::titleOf(i), csErrorLog::detailsOf(i));
    }
}

bool logHasErrors()
{
    for (uint32_t i = 0; i < csErrorLog::count(); ++i)
        if (csErrorLog::levelOf(i) >= csErrorLog::Error)
            return true;
    return false;
}

enum class ReadResult { Refused, Flawed, Sound };

// Reads path into block and profile; reports problems on err. A profile
// that was read but had parts refused (a LUT that does not fit its tag) is
// flawed: it can be shown but is not to be passed on.
ReadResult readProfile(const char* path, std::vector<uint8_t>& block, csICCProfile& profile, std::FILE* err)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::fprintf(err, "vestrel-cli: cannot open %s: %s\n", path, std::strerror(errno));
        return ReadResult::Refused;
    }
    const bool read = csICCProfile::readFile(file, block) == 0 && profile.setProfile(block.data(), block.size()) == 0;
    std::fclose(file);
    printLogEntries(err);
    if (!read)
        return ReadResult::Refused;
    return logHasErrors() ? ReadResult::Flawed : ReadResult::Sound;
}

int runInfo(const char* path, std::FILE* out, std::FILE* err)
{
    std::vector<uint8_t> block;
    csICCProfile profile;
    const ReadResult result = readProfile(path, block, profile, err);
    if (result == ReadResult::Refused)
        return Failure;
    // The size field may have been corrected; the directory was checked
    // against the corrected size when the profile was read.
    std::vector<csICCTagDirEntry> directory;
    csICCTagTable::readDirectory(block.data(), profile.header().profileSize(), directory);
    std::fprintf(out, "File              %s\n", path);
    writeProfileReport(out, profile, directory, block);
    return result == ReadResult::Sound ? Success : Failure;
}

int runCopy(const char* in, const char* outPath, std::FILE* err)
{
    std::vector<uint8_t> block;
    csICCProfile profile;
    if (readProfile(in, block, profile, err) != ReadResult::Sound)
        return Failure;
    const uint32_t logged = csErrorLog::count();
    std::vector<uint8_t> written;
    if (profile.writeToMemory(written) != 0) {
        printLogEntries(err, logged);
        return Failure;
    }
    std::string reason;
    if (!writeFileSafely(outPath, written, reason)) {
        std::fprintf(err, "vestrel-cli: cannot write %s: %s\n", outPath, reason.c_str());
        return Failure;
    }
    return Success;
}

} // namespace

int vestrelCliMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    csErrorLog::clear();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h") {
        std::fputs(helpText, out);
        std::fputs(usageText, out);
        return Success;
    }
    if (command == "info" && argc == 3)
        return runInfo(argv[2], out, err);
    if (command == "copy" && argc == 4)
        return runCopy(argv[2], argv[3], err);
    std::fputs(usageText, err);
    return Usage;
}
