#include "VestrelCli.h"

#include "CliSupport.h"
#include "ConvertCommand.h"
#include "CorrectCommand.h"
#include "PatchesCommand.h"
#include "ProfileReport.h"
#include "RepeatedOptions.h"
#include "SafeFileWriter.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char usageText[] =
    "usage: vestrel-cli info PROFILE\n"
    "       vestrel-cli copy IN OUT\n"
    "       vestrel-cli convert PROFILE a2b|b2a [--intent N] [--white 0|1|2] [--float]\n"
    "       vestrel-cli correct -i PROFILE -m MEAS [-m MEAS...] [-r REF] -o OUT [--method smooth|patch]\n"
    "                           [--noise N] [--intents 0,1,2] [--round-trip] [--strict] [--force]\n"
    "                           [--report FILE.html|.pdf|.csv] [--metric 1976|2000]\n"
    "                           [--limits MEAN,MAX,NEUTRAL] [--pair-by id|name|loc|position]\n"
    "                           [--keep-outliers] [--keep-pure|--no-keep-pure] [--keep-grid]\n"
    "                           [--abstract FILE.icc]\n"
    "       vestrel-cli correct -i LINK -p PRINTER -r REF -m MEAS -o OUT [the options above]\n"
    "       vestrel-cli patches FILE [FILE...] [--ref REF] [--pair-by id|name|loc|position]\n"
    "       vestrel-cli --help\n";

const char helpText[] =
    "vestrel-cli: ICC printer profiles from the command line.\n"
    "\n"
    "  info PROFILE   header fields and tag directory of PROFILE\n"
    "  copy IN OUT    read IN and write it afresh to OUT (tags on 4-byte\n"
    "                 boundaries, identical tag data stored once, version 4\n"
    "                 profile ID recomputed); OUT is replaced only when the\n"
    "                 whole profile was written\n"
    "  convert PROFILE a2b|b2a\n"
    "                 one colour per line from standard input to standard\n"
    "                 output: device values in percent (0-100 per channel)\n"
    "                 to L* a* b* (a2b) or back (b2a); by default the 16-bit\n"
    "                 path with intent 1 and white mode 1 (absolute, media\n"
    "                 white as stored)\n"
    "      --intent N       rendering intent 0-3 (the table used)\n"
    "      --white 0|1|2    relative, absolute, absolute normalised to Y 100\n"
    "      --float          the floating-point path\n"
    "  correct -i PROFILE -m MEAS [-r REF] -o OUT\n"
    "                 corrects the profile's B2A tables from the patches and\n"
    "                 saves it to OUT; a combined measurement file needs no\n"
    "                 -r. OUT and the report must not be an input or each\n"
    "                 other (exit status 2, nothing written). Prints one line per patch (row, name, Delta E\n"
    "                 before, predicted remaining dL da db and Delta E\n"
    "                 after), a summary line (patches N mean_before X\n"
    "                 mean_after Y max_after Z), the same in Delta E 2000\n"
    "                 (de2000 N mean2000_before ...) and, for smooth, one\n"
    "                 line per corrected table. Patches pair by SAMPLE_ID (else\n"
    "                 SAMPLE_NAME); skipped lines and unpaired patches are\n"
    "                 listed on standard error. With -m COMBINED -r REF, REF's\n"
    "                 reference values are used. -m given more than once:\n"
    "                 measurements of one print, paired by patch and\n"
    "                 averaged (the mean of two, the median of three or\n"
    "                 more); patches whose readings lie more than 3 Delta E\n"
    "                 apart are left out. Any other option given twice is\n"
    "                 a usage error\n"
    "      --pair-by id|name|loc|position\n"
    "                       pair by SAMPLE_ID, SAMPLE_NAME, SAMPLE_LOC or row\n"
    "                       position only, overriding the automatic choice\n"
    "      --method smooth  one error field from all patches, every node of\n"
    "                       every B2A table solved again (the default)\n"
    "      --method patch   the nodes of the patches' B2A1 cells, solved\n"
    "                       together, as \"Auto\" does with every patch\n"
    "                       selected\n"
    "      --noise N        smooth: the instrument's repeatability per L*,\n"
    "                       a*, b* (default 0.3)\n"
    "      --intents 0,1,2  smooth: the B2A tables to correct (default all)\n"
    "      --round-trip     correct the profile's own inversion error: the\n"
    "                       round trip of each reference through B2A1 and\n"
    "                       A2B1 stands in for the measurement (-m is then\n"
    "                       not needed and, given, not used)\n"
    "      --strict         any warning fails the run without writing OUT\n"
    "      --keep-outliers  use the patches whose error disagrees with their\n"
    "                       neighbours' too; by default they are left out\n"
    "                       and named on standard error\n"
    "      --keep-pure      a node that prints one ink alone (every other at\n"
    "                       most 0.5 %) is corrected along that ink only, the\n"
    "                       others kept; prints the predicted mean with and\n"
    "                       without (keep_pure mean_after X mean_free Y). On\n"
    "                       for a device link, off for a printer profile;\n"
    "                       --no-keep-pure turns it off\n"
    "      --keep-grid      smooth: keep the B2A tables' grids; by default a\n"
    "                       grid coarser than 33 points is refined first\n"
    "                       (the same table, finer cells: a 17-point table\n"
    "                       grows from about 40 to 300 KB) and the line of\n"
    "                       each such table ends in refined_from N. Per\n"
    "                       patch always keeps the grid\n"
    "      --abstract FILE  also write the correction as an abstract profile\n"
    "                       (Lab to Lab, 33-point grid, the profile's version)\n"
    "                       to apply in front of the unchanged profile\n"
    "      -p PRINTER       with a device link (CMYK to CMYK) as -i: the\n"
    "                       printer's own output profile, whose A2B tables\n"
    "                       model the printer; REF then holds the chart's\n"
    "                       source values (CMYK_C ... CMYK_K) with the Lab\n"
    "                       they should print as. Given with anything but a\n"
    "                       device link it is a usage error\n"
    "      --force          write OUT although a check refuses the correction:\n"
    "                       measurement and reference far apart, a profile\n"
    "                       whose round trip misses, or a prediction worse\n"
    "                       than before\n"
    "      --report FILE    after saving, a report of the correction: profile,\n"
    "                       digests, data, method, summary with verdict, plots\n"
    "                       and one row per patch; .html (one self-contained\n"
    "                       file), .pdf (A4) or .csv (the patch rows)\n"
    "      --metric 1976|2000  the Delta E of the verdict and plots (1976)\n"
    "      --limits MEAN,MAX,NEUTRAL\n"
    "                       the verdict's limits: mean, largest, and mean of the\n"
    "                       near-neutral patches (C*ab below 5); default 2,5,1.5\n"
    "  patches FILE [FILE...] [--ref REF] [--pair-by id|name|loc|position]\n"
    "                 the patches of FILE as Vestrel reads them (id, name,\n"
    "                 L* a* b*, tab-separated; control characters as \\xHH);\n"
    "                 with --ref, the pairing with REF (reference and\n"
    "                 measured Lab, Delta E 1976); several FILEs are\n"
    "                 measurements of one print, averaged as correct does\n"
    "\n"
    "Exit status: 0 success, 1 failure (reasons on standard error), 2 usage.\n";

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
    const uint32_t logged = csErrorLog::mark();
    std::vector<uint8_t> written;
    if (profile.writeToMemory(written) != 0) {
        printLogEntries(err, logged);
        return Failure;
    }
    EngineText reason;
    if (!writeFileSafely(outPath, written, reason)) {
        std::fprintf(err, "vestrel-cli: cannot write %s: %s\n", outPath, reason.english().c_str());
        return Failure;
    }
    return Success;
}

} // namespace

static int runCommand(int argc, const char* const* argv, std::FILE* in, std::FILE* out, std::FILE* err)
{
    csErrorLog::clear();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h") {
        std::fputs(helpText, out);
        std::fputs(usageText, out);
        return Success;
    }
    // A repeated option is a slip, not a question of usage: one line says which.
    const std::string twice = optionGivenTwice(command, argc - 2, argv + 2);
    if (!twice.empty()) {
        std::fprintf(err, "vestrel-cli: %s given twice\n", twice.c_str());
        return Usage;
    }
    if (command == "info" && argc == 3)
        return runInfo(argv[2], out, err);
    if (command == "copy" && argc == 4)
        return runCopy(argv[2], argv[3], err);
    if (command == "correct") {
        CorrectOptions options;
        std::string problem;
        if (parseCorrectOptions(argc - 2, argv + 2, options, problem))
            return runCorrect(options, out, err);
        std::fprintf(err, "vestrel-cli: %s\n", problem.c_str());
    }
    if (command == "patches") {
        const int status = runPatches(argc - 2, argv + 2, out, err);
        if (status != Usage)
            return status;
    }
    if (command == "convert" && argc >= 4) {
        ConvertOptions options;
        std::string problem;
        if (parseConvertOptions(argc - 2, argv + 2, options, problem))
            return runConvert(options, in, out, err);
        std::fprintf(err, "vestrel-cli: %s\n", problem.c_str());
    }
    std::fputs(usageText, err);
    return Usage;
}

int vestrelCliMain(int argc, const char* const* argv, std::FILE* in, std::FILE* out, std::FILE* err)
{
    // Memory running out anywhere ends the command with one line, not an
    // abort; a file being saved is replaced only by a complete one.
    try {
        return runCommand(argc, argv, in, out, err);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fflush(out);
    std::fprintf(err, "vestrel-cli: out of memory while running '%s'\n", argc > 1 ? argv[1] : "");
    return Failure;
}
