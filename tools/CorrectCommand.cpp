#include "CorrectCommand.h"

#include "CliSupport.h"
#include "CorrectionSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

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
        if (option == "-i")
            ok = value(options.profilePath);
        else if (option == "-m")
            ok = value(options.measurementPath);
        else if (option == "-r")
            ok = value(options.referencePath);
        else if (option == "-o")
            ok = value(options.outputPath);
        else if (option == "--round-trip")
            options.roundTrip = true;
        else if (option == "--strict")
            options.strict = true;
        else {
            problem = "unknown option '" + option + "'";
            return false;
        }
        if (!ok) {
            problem = option + " needs a path";
            return false;
        }
    }
    if (options.profilePath.empty() || options.measurementPath.empty() || options.outputPath.empty()) {
        problem = "correct needs -i PROFILE, -m MEAS and -o OUT";
        return false;
    }
    return true;
}

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err)
{
    CorrectionSession session;
    bool warned = false;
    if (!reportToUser(session.openProfile(options.profilePath), err, warned))
        return Failure;
    // The files in the window's order: measurement, then reference.
    if (!reportToUser(session.loadPatches(options.measurementPath, PatchFileRole::Measurement), err, warned))
        return Failure;
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
    for (std::size_t i = 0; i < session.patches().size(); ++i)
        request.selection.push_back(i);
    auto lastReport = std::chrono::steady_clock::now();
    auto progress = [&](std::size_t done, std::size_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - lastReport > std::chrono::seconds(1)) {
            std::fprintf(err, "vestrel-cli: %zu of %zu patches\n", done, total);
            lastReport = now;
        }
        return true;
    };
    const CorrectionReport report = session.correct(request, progress);
    if (!reportToUser(report, err, warned))
        return Failure;

    const std::vector<Patch>& patches = session.patches();
    double sumBefore = 0, sumAfter = 0, maxAfter = 0;
    for (const PatchOutcome& outcome : report.outcomes) {
        const Lab& d = outcome.remaining;
        const double after = std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
        const std::string_view name = patches[outcome.patch].referenceName;
        std::fprintf(out, "%zu %.*s %.2f %.2f %.2f %.2f %.2f\n", outcome.patch, static_cast<int>(name.size()),
                     name.data(), outcome.before, d.L, d.a, d.b, after);
        sumBefore += outcome.before;
        sumAfter += after;
        maxAfter = std::max(maxAfter, after);
    }
    const std::size_t n = report.outcomes.size();
    std::fprintf(out, "patches %zu mean_before %.2f mean_after %.2f max_after %.2f\n", n, sumBefore / n,
                 sumAfter / n, maxAfter);
    for (const SmoothTableReport& t : report.tables)
        if (!t.leftAlone.empty())
            std::fprintf(out, "intent %d B2A%d not corrected\n", t.intent, t.intent);
        else
            std::fprintf(out, "intent %d B2A%d nodes %d moved %d out_of_reach %d black_freed %d largest_move %.1f%%%s%s\n",
                     t.intent, t.intent, t.nodes, t.nodesMoved, t.nodesOutOfReach, t.blackFreed, 100.0 * t.largestMove,
                     t.sharedWith.empty() ? "" : " shared_with ", t.sharedWith.c_str());

    if (options.strict && warned) {
        std::fprintf(err, "vestrel-cli: warnings with --strict; %s was not written\n", options.outputPath.c_str());
        return Failure;
    }
    return reportToUser(session.saveAs(options.outputPath), err, warned) ? Success : Failure;
}
