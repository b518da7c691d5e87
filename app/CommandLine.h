#pragma once
// The command line of the program: -i profile, -m measurement (or combined)
// file, -r reference file, plain paths opened by their kind, -?, -h and
// --help for the usage text, --version. Paths are taken as UTF-8, as the system
// passes them.

#include <QString>
#include <QStringList>

struct StartupPaths
{
    // Null when not given (an empty path given as such is not null).
    QString reference;
    QString measurement;
    QString profile;
    // Paths given without an option, in their order.
    QStringList files;
    bool usage = false;
    bool version = false;

    bool any() const
    {
        return !reference.isNull() || !measurement.isNull() || !profile.isNull() || !files.isEmpty();
    }
};

// The usage text, three lines without a line end after the last.
extern const char usageText[];

// Parses the arguments from argv[1] on. Never fails: an unknown option ends
// the parsing with what was set so far.
StartupPaths parseCommandLine(int argc, const char* const* argv);
