#include "CorrectCommand.h"

#include "CliSupport.h"
#include "CorrectionSession.h"

#include <chrono>
#include <cmath>
#include <vector>

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

    if (options.strict && warned) {
        std::fprintf(err, "vestrel-cli: warnings with --strict; %s was not written\n", options.outputPath.c_str());
        return Failure;
    }
    return reportToUser(session.saveAs(options.outputPath), err, warned) ? Success : Failure;
}
