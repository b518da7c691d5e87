#include "PatchesCommand.h"

#include "CliSupport.h"
#include "CorrectionSession.h"
#include "TextEncoding.h"

#include <string>
#include <vector>

int runPatches(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    std::vector<std::string> files;
    std::string reference;
    PairBy pairBy = PairBy::Auto;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ref" && i + 1 < argc)
            reference = argv[++i];
        else if (arg == "--pair-by") {
            if (i + 1 >= argc || !parsePairBy(argv[++i], pairBy)) {
                std::fprintf(err, "vestrel-cli: --pair-by needs id, name, loc or position\n");
                return Usage;
            }
        } else if (arg.rfind("--", 0) != 0)
            files.push_back(arg);
        else
            return Usage;
    }
    if (files.empty())
        return Usage;

    CorrectionSession session;
    session.setPairBy(pairBy);
    bool warned = false;
    // Several files are measurements of one print, averaged as correct does.
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!reportToUser(i == 0 ? session.loadPatches(files[i], PatchFileRole::Measurement)
                                 : session.addMeasurement(files[i]),
                          err, warned))
            return Failure;
    if (!reference.empty() &&
        !reportToUser(session.loadPatches(reference, PatchFileRole::Reference), err, warned))
        return Failure;

    if (reference.empty()) {
        std::fputs("id\tname\tL\ta\tb\n", out);
        // Names and ids are file text: a tab or an escape sequence in them
        // must neither split a column nor reach the terminal.
        for (const Patch& p : session.patches())
            std::fprintf(out, "%s\t%s\t%.4f\t%.4f\t%.4f\n", printable(p.id).c_str(), printable(p.measuredName).c_str(),
                         p.measured.L, p.measured.a, p.measured.b);
        return Success;
    }
    std::fputs("id\tref_L\tref_a\tref_b\tmeas_L\tmeas_a\tmeas_b\tdE76\n", out);
    for (const Patch& p : session.patches())
        std::fprintf(out, "%s\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\n", printable(p.id).c_str(), p.reference.L,
                     p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b,
                     deltaE(p.reference, p.measured));
    return Success;
}
