#include "CommandLine.h"

const char usageText[] =
    "Vestrel 1.0.1 - corrects ICC printer profiles from measurements \t\n"
    "Orvand Vestrel -i pathtoICCprofile -m pathtomeasurementfile -r pathtoreferencefile \t\n"
    "Orvand Vestrel -i pathtoICCprofile -m pathtocombinedfile";

namespace {

void writeUsage(std::FILE* usage)
{
    std::fputs(usageText, usage);
    std::fflush(usage);
}

} // namespace

StartupPaths parseCommandLine(int argc, const char* const* argv, std::FILE* usage)
{
    StartupPaths paths;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!argument)
            continue;
        if (argument[0] == '?')
            writeUsage(usage);
        if (argument[0] != '-')
            continue;
        const char option = argument[1];
        if (option == 'r' || option == 'm' || option == 'i') {
            QString path;
            if (argument[2] != 0)
                path = QString::fromLatin1(argument + 2);
            else if (i + 1 < argc && argv[i + 1])
                path = QString::fromLatin1(argv[++i]);
            else
                continue; // the option ends the line: nothing is set
            (option == 'r' ? paths.reference : option == 'm' ? paths.measurement : paths.profile) = path;
            continue;
        }
        if (option == '?') {
            writeUsage(usage);
            continue;
        }
        break;
    }
    return paths;
}
