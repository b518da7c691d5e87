#include "CommandLine.h"

#include "VestrelVersion.h"

#include <cstring>

const char usageText[] =
    "Vestrel " VESTREL_VERSION " - corrects ICC printer profiles from measurements\n"
    "Orvand Vestrel -i pathtoICCprofile -m pathtomeasurementfile -r pathtoreferencefile\n"
    "Orvand Vestrel -i pathtoICCprofile -m pathtocombinedfile";

StartupPaths parseCommandLine(int argc, const char* const* argv)
{
    StartupPaths paths;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!argument)
            continue;
        if (std::strcmp(argument, "--help") == 0) {
            paths.usage = true;
            continue;
        }
        if (std::strcmp(argument, "--version") == 0) {
            paths.version = true;
            continue;
        }
        if (argument[0] == '?') {
            paths.usage = true;
            continue;
        }
        if (argument[0] != '-') {
            paths.files << QString::fromUtf8(argument);
            continue;
        }
        const char option = argument[1];
        if (option == 'r' || option == 'm' || option == 'i') {
            QString path;
            if (argument[2] != 0)
                path = QString::fromUtf8(argument + 2);
            else if (i + 1 < argc && argv[i + 1])
                path = QString::fromUtf8(argv[++i]);
            else
                continue; // the option ends the line: nothing is set
            (option == 'r' ? paths.reference : option == 'm' ? paths.measurement : paths.profile) = path;
            continue;
        }
        // -h as every other program has it; a terminal shows -? and -h alike.
        if (option == '?' || (option == 'h' && argument[2] == 0)) {
            paths.usage = true;
            continue;
        }
        break;
    }
    return paths;
}
