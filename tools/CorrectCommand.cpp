#include "CorrectCommand.h"

#include "CliSupport.h"
#include "CorrectionSession.h"
#include "FileIdentity.h"
#include "TextEncoding.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// " refined_from 17" for a table the session opened on a finer grid.
std::string refinedFrom(const CorrectionSession& session, int intent)
{
    for (const ClutRefined& r : session.refinedTables())
        if (r.intent == intent)
            return " refined_from " + std::to_string(r.fromPoints);
    return {};
}

// "0,1,2" into intents; false for anything but a list of 0, 1 and 2.
bool parseIntents(const std::string& text, std::vector<int>& intents)
{
    intents.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        if (item.size() != 1 || item[0] < '0' || item[0] > '2')
            return false;
        intents.push_back(item[0] - '0');
        start = comma + 1;
    }
    return !intents.empty();
}

bool parseNoise(const std::string& text, double& noise)
{
    char* end = nullptr;
    noise = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(noise) && noise > 0;
}

// "MEAN,MAX,NEUTRAL", three positive numbers.
bool parseLimits(const std::string& text, ToleranceLimits& limits)
{
    double* targets[] = {&limits.mean, &limits.maximum, &limits.neutralMean};
    std::size_t start = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t comma = k < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos || !parseNoise(text.substr(start, comma - start), *targets[k]))
            return false;
        start = comma + 1;
    }
    return validLimits(limits);
}

// Mean before, mean after and largest after over the corrected patches;
// format has the lead word and the keys.
void printSummary(std::FILE* out, const char* format, const std::vector<Patch>& patches,
                  const CorrectionReport& report, DeltaEMetric metric)
{
    double sumBefore = 0, sumAfter = 0, maxAfter = 0;
    for (const PatchOutcome& outcome : report.outcomes) {
        const Patch& patch = patches[outcome.patch];
        // The 1976 figure before is the correction's own, as on the patch lines.
        sumBefore += metric == DeltaEMetric::CIE1976 ? outcome.before : patch.measuredDeltaE(metric);
        const double after = patch.remainingDeltaE(metric);
        sumAfter += after;
        maxAfter = std::max(maxAfter, after);
    }
    const std::size_t n = report.outcomes.size();
    std::fprintf(out, format, n, sumBefore / n, sumAfter / n, maxAfter);
}

// An output that would replace an input or the other output, in words;
// empty when every output is a file of its own.
std::string outputCollision(const CorrectOptions& options)
{
    struct Named
    {
        const char* what;
        const std::string* path;
    };
    std::vector<Named> inputs = {{"the profile", &options.profilePath}};
    for (const std::string& path : options.measurementPaths)
        inputs.push_back({"the measurement file", &path});
    inputs.push_back({"the reference file", &options.referencePath});
    if (!options.printerPath.empty())
        inputs.push_back({"the printer profile", &options.printerPath});
    inputs.push_back({"the output profile", &options.outputPath});
    const Named outputs[] = {{"the output profile", &options.outputPath},
                             {"the report", &options.reportPath},
                             {"the abstract profile", &options.abstractPath}};
    for (const Named& output : outputs)
        for (const Named& input : inputs) {
            if (input.path == output.path || output.path->empty() || !sameFile(*output.path, *input.path))
                continue;
            return output.what + std::string(" ") + *output.path + " is " + input.what +
                   (*input.path == *output.path ? std::string() : " " + *input.path);
        }
    if (!options.abstractPath.empty() && !options.reportPath.empty() &&
        sameFile(options.abstractPath, options.reportPath))
        return "the abstract profile " + options.abstractPath + " is the report";
    return {};
}

// The device class in a file's header ("link", "prtr"), empty when it has none.
std::string profileClass(const std::string& path)
{
    // Only a regular file is looked into: a pipe would wait, and the
    // session refuses anything else with its own words.
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    std::ifstream in(path, std::ios::binary);
    char header[40] = {};
    if (!in.read(header, sizeof header) || std::string(header + 36, 4) != "acsp")
        return {};
    return std::string(header + 12, 4);
}

} // namespace

bool parseCorrectOptions(int argc, const char* const* argv, CorrectOptions& options, std::string& problem)
{
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc)
                return false;
            target = argv[++i];
            return true;
        };
        bool ok = true;
        std::string text;
        if (option == "--method") {
            if (!value(text) || (text != "smooth" && text != "patch")) {
                problem = "--method needs smooth or patch";
                return false;
            }
            options.method = text == "smooth" ? CorrectionMethod::Smooth : CorrectionMethod::PerPatch;
            continue;
        }
        if (option == "--pair-by") {
            if (!value(text) || !parsePairBy(text, options.pairBy)) {
                problem = "--pair-by needs id, name, loc or position";
                return false;
            }
            continue;
        }
        if (option == "--noise") {
            if (!value(text) || !parseNoise(text, options.noise)) {
                problem = "--noise needs a positive number";
                return false;
            }
            continue;
        }
        if (option == "--intents") {
            if (!value(text) || !parseIntents(text, options.intents)) {
                problem = "--intents needs a list such as 0,1,2";
                return false;
            }
            continue;
        }
        if (option == "--report") {
            ReportFormat format;
            if (!value(options.reportPath) || !reportFormatFor(options.reportPath, format)) {
                problem = "--report needs a file ending in .html, .pdf or .csv";
                return false;
            }
            continue;
        }
        if (option == "--metric") {
            if (!value(text) || (text != "1976" && text != "2000")) {
                problem = "--metric needs 1976 or 2000";
                return false;
            }
            options.report.metric = text == "2000" ? DeltaEMetric::CIE2000 : DeltaEMetric::CIE1976;
            continue;
        }
        if (option == "--limits") {
            if (!value(text) || !parseLimits(text, options.report.limits)) {
                problem = "--limits needs three positive numbers such as 2,5,1.5";
                return false;
            }
            continue;
        }
        if (option == "-i")
            ok = value(options.profilePath);
        else if (option == "-m") {
            ok = value(text);
            options.measurementPaths.push_back(text);
        }
        else if (option == "-r")
            ok = value(options.referencePath);
        else if (option == "-o")
            ok = value(options.outputPath);
        else if (option == "--round-trip")
            options.roundTrip = true;
        else if (option == "--strict")
            options.strict = true;
        else if (option == "--force")
            options.force = true;
        else if (option == "--keep-outliers")
            options.keepOutliers = true;
        else if (option == "--keep-grid")
            options.keepGrid = true;
        else if (option == "--keep-pure")
            options.keepPure = 1;
        else if (option == "--no-keep-pure")
            options.keepPure = 0;
        else if (option == "-p")
            ok = value(options.printerPath);
        else if (option == "--abstract")
            ok = value(options.abstractPath);
        else {
            problem = "unknown option '" + option + "'";
            return false;
        }
        if (!ok) {
            problem = option + " needs a path";
            return false;
        }
    }
    if (options.keepPure >= 0 && std::count(argv, argv + argc, std::string("--keep-pure")) +
                                         std::count(argv, argv + argc, std::string("--no-keep-pure")) > 1) {
        problem = "give either --keep-pure or --no-keep-pure";
        return false;
    }
    if (options.profilePath.empty() || options.outputPath.empty() ||
        (options.measurementPaths.empty() && !(options.roundTrip && !options.referencePath.empty()))) {
        problem = "correct needs -i PROFILE, -m MEAS and -o OUT (or -r REF with --round-trip)";
        return false;
    }
    return true;
}

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err)
{
    // Checked before anything is read: a slip of the shell must not cost a file.
    const std::string collision = outputCollision(options);
    if (!collision.empty()) {
        std::fprintf(err, "vestrel-cli: %s; nothing was written\n", collision.c_str());
        return Usage;
    }
    // A device link and the printer profile go together, and only they.
    const bool link = profileClass(options.profilePath) == "link";
    if (link != !options.printerPath.empty()) {
        std::fprintf(err, link ? "vestrel-cli: %s is a device link; give the printer's own profile with -p\n"
                               : "vestrel-cli: -p is for a device link, and %s is none\n",
                     options.profilePath.c_str());
        return Usage;
    }
    if (link && !options.abstractPath.empty()) {
        std::fprintf(err, "vestrel-cli: --abstract is for a printer profile's correction, and %s is a device link\n",
                     options.profilePath.c_str());
        return Usage;
    }
    CorrectionSession session;
    session.setPairBy(options.pairBy);
    // Per patch is a touch-up of the patches' own cells: the profile's grid.
    if (options.keepGrid || options.method == CorrectionMethod::PerPatch)
        session.setRefineGrid(0);
    bool warned = false;
    if (link && !reportToUser(session.setPrinterProfile(options.printerPath), err, warned))
        return Failure;
    if (!reportToUser(session.openProfile(options.profilePath), err, warned))
        return Failure;
    if (options.roundTrip && !options.measurementPaths.empty())
        std::fprintf(err,
                     "vestrel-cli: --round-trip corrects the profile's own inversion error at the reference "
                     "colours; the measured values of %s are not used\n",
                     options.measurementPaths.front().c_str());
    // The files in the window's order: measurement, then reference.
    for (std::size_t i = 0; i < options.measurementPaths.size(); ++i) {
        const std::string& path = options.measurementPaths[i];
        if (!reportToUser(i == 0 ? session.loadPatches(path, PatchFileRole::Measurement) : session.addMeasurement(path),
                          err, warned))
            return Failure;
    }
    if (!options.referencePath.empty() &&
        !reportToUser(session.loadPatches(options.referencePath, PatchFileRole::Reference), err, warned))
        return Failure;
    if (!session.hasReferenceData()) {
        std::fprintf(err, "vestrel-cli: no reference values were read; give a reference file with -r\n");
        return Failure;
    }
    if (options.roundTrip)
        session.useRoundTrip();

    CorrectionRequest request;
    request.method = options.method;
    request.smooth.fieldNoise = options.noise;
    request.intents = options.intents;
    request.force = options.force;
    request.keepOutliers = options.keepOutliers;
    request.smooth.keepPure = options.keepPure == 1 || (link && options.keepPure != 0);
    for (std::size_t i = 0; i < session.patches().size(); ++i)
        request.selection.push_back(i);
    // Progress is for a person watching a terminal; a script or a log
    // gets the results only.
    const bool terminal = isatty(fileno(err)) != 0;
    auto lastReport = std::chrono::steady_clock::now();
    auto progress = [&](std::size_t done, std::size_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (terminal && done < total && now - lastReport > std::chrono::seconds(1)) {
            std::fprintf(err, "vestrel-cli: %.0f %% done\n", 100.0 * static_cast<double>(done) / total);
            lastReport = now;
        }
        return true;
    };
    const CorrectionReport report = session.correct(request, progress);
    if (report.failedCheck != CorrectionCheck::Passed) {
        std::fprintf(err, "vestrel-cli: %s; %s was not written (--force writes it anyway)\n", report.summary.c_str(),
                     options.outputPath.c_str());
        return Failure;
    }
    if (!reportToUser(report, err, warned))
        return Failure;

    const std::vector<Patch>& patches = session.patches();
    for (const PatchOutcome& outcome : report.outcomes) {
        const Patch& patch = patches[outcome.patch];
        const Lab& d = outcome.remaining;
        std::fprintf(out, "%zu %s %.2f %.2f %.2f %.2f %.2f\n", outcome.patch, printable(patch.referenceName).c_str(),
                     outcome.before, d.L, d.a, d.b,
                     patch.remainingDeltaE(DeltaEMetric::CIE1976));
    }
    // Scripts read the first line; the second gives the same in Delta E 2000
    // under keys of its own, so that a search for the first's keys finds them once.
    printSummary(out, "patches %zu mean_before %.2f mean_after %.2f max_after %.2f\n", patches, report,
                 DeltaEMetric::CIE1976);
    printSummary(out, "de2000 %zu mean2000_before %.2f mean2000_after %.2f max2000_after %.2f\n", patches, report,
                 DeltaEMetric::CIE2000);
    for (const SmoothTableReport& t : report.tables)
        if (session.isLink())
            std::fprintf(out, "link A2B0 nodes %d moved %d out_of_reach %d black_freed %d largest_move %.1f%% pure %d\n",
                         t.nodes, t.nodesMoved, t.nodesOutOfReach, t.blackFreed, 100.0 * t.largestMove, t.pureNodes);
        else if (!t.leftAlone.empty())
            std::fprintf(out, "intent %d B2A%d not corrected\n", t.intent, t.intent);
        else
            std::fprintf(out, "intent %d B2A%d nodes %d moved %d out_of_reach %d black_freed %d largest_move %.1f%%%s%s%s\n",
                     t.intent, t.intent, t.nodes, t.nodesMoved, t.nodesOutOfReach, t.blackFreed, 100.0 * t.largestMove,
                     t.sharedWith.empty() ? "" : " shared_with ", t.sharedWith.c_str(),
                     refinedFrom(session, t.intent).c_str());

    if (report.mixedMean >= 0)
        std::fprintf(out, "keep_pure mean_after %.2f mean_free %.2f\n", report.keptPureMean, report.mixedMean);

    if (options.strict && warned) {
        std::fprintf(err, "vestrel-cli: warnings with --strict; %s was not written\n", options.outputPath.c_str());
        return Failure;
    }
    if (!reportToUser(session.saveAs(options.outputPath), err, warned))
        return Failure;
    if (!options.abstractPath.empty() && !reportToUser(session.exportAbstract(options.abstractPath), err, warned))
        return Failure;
    if (options.reportPath.empty())
        return Success;
    return reportToUser(writeReport(session, options.report, options.reportPath), err, warned) ? Success : Failure;
}
