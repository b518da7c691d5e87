#include "CliSupport.h"

#include "CorrectionSession.h"
#include "WholeFile.h"
#include "csErrorLog.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool parsePairBy(const std::string& text, PairBy& by)
{
    static const std::pair<const char*, PairBy> names[] = {
        {"id", PairBy::Id}, {"name", PairBy::Name}, {"loc", PairBy::Location}, {"position", PairBy::Position}};
    for (const auto& [name, value] : names)
        if (text == name) {
            by = value;
            return true;
        }
    return false;
}

void printLogEntries(std::FILE* err, uint32_t since)
{
    for (uint32_t i = csErrorLog::firstSince(since); i < csErrorLog::count(); ++i) {
        if (csErrorLog::levelOf(i) < csErrorLog::Warning)
            continue;
        std::fprintf(err, "%c '%s' %s\n", csErrorLog::levelLetter(csErrorLog::levelOf(i)), csErrorLog::titleOf(i),
                     csErrorLog::detailsOf(i));
        char repeats[64];
        if (csErrorLog::describeRepeats(i, repeats, sizeof repeats))
            std::fprintf(err, "%s\n", repeats);
    }
}

ReadResult readProfile(const char* path, std::vector<uint8_t>& block, csICCProfile& profile, std::FILE* err)
{
    struct stat info;
    std::string problem;
    const int fd = openRegularFile(path, "profile", info, problem);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0) {
            problem = std::string(path) + ": " + std::strerror(errno);
            ::close(fd);
        }
        // A system error names the path first; a refusal is a sentence.
        const bool systemError = problem.rfind(std::string(path) + ": ", 0) == 0;
        std::fprintf(err, "vestrel-cli: %s%s\n", systemError ? "cannot open " : "", problem.c_str());
        return ReadResult::Refused;
    }
    const uint32_t since = csErrorLog::mark();
    const uint32_t errorsBefore = csErrorLog::errorCount();
    const bool read = csICCProfile::readFile(file, block) == 0 && profile.setProfile(block.data(), block.size()) == 0;
    std::fclose(file);
    printLogEntries(err, since);
    if (!read)
        return ReadResult::Refused;
    return csErrorLog::errorCount() > errorsBefore ? ReadResult::Flawed : ReadResult::Sound;
}


bool reportToUser(const SessionReport& report, std::FILE* err, bool& warned)
{
    // A refusal is one line, with its decisive reason; warnings list what
    // they are about.
    if (!report.ok) {
        const Finding* cause = report.cause();
        const std::string reason = cause ? cause->text : "";
        std::fprintf(err, "vestrel-cli: %s%s%s\n", report.summary.c_str(), reason.empty() ? "" : ": ", reason.c_str());
        return false;
    }
    if (report.hasWarnings()) {
        warned = true;
        std::fprintf(err, "vestrel-cli: %s\n", report.summary.c_str());
        for (const Finding& finding : report.findings)
            if (finding.severity != Severity::Note)
                std::fprintf(err, "  %s\n", finding.text.c_str());
    }
    for (const Finding& finding : report.findings)
        if (finding.severity == Severity::Note)
            std::fprintf(err, "vestrel-cli: %s\n", finding.text.c_str());
    return true;
}
