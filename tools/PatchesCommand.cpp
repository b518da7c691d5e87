#include "PatchesCommand.h"

#include "CliSupport.h"
#include "CorrectionSession.h"

#include <string>

int runPatches(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    std::string file, reference;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ref" && i + 1 < argc)
            reference = argv[++i];
        else if (file.empty() && arg.rfind("--", 0) != 0)
            file = arg;
        else
            return Usage;
    }
    if (file.empty())
        return Usage;

    CorrectionSession session;
    bool warned = false;
    if (!reportToUser(session.loadPatches(file, PatchFileRole::Measurement), err, warned))
        return Failure;
    if (!reference.empty() &&
        !reportToUser(session.loadPatches(reference, PatchFileRole::Reference), err, warned))
        return Failure;

    if (reference.empty()) {
        std::fputs("id\tname\tL\ta\tb\n", out);
        for (const Patch& p : session.patches())
            std::fprintf(out, "%s\t%.*s\t%.4f\t%.4f\t%.4f\n", p.id.c_str(), static_cast<int>(p.measuredName.size()),
                         p.measuredName.data(), p.measured.L, p.measured.a, p.measured.b);
        return Success;
    }
    std::fputs("id\tref_L\tref_a\tref_b\tmeas_L\tmeas_a\tmeas_b\tdE76\n", out);
    for (const Patch& p : session.patches())
        std::fprintf(out, "%s\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\n", p.id.c_str(), p.reference.L,
                     p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b,
                     deltaE(p.reference, p.measured));
    return Success;
}
