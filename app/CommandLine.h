#pragma once
// The command line of the program: -i profile, -m measurement (or combined)
// file, -r reference file, -? for the usage text.

#include <QString>

#include <cstdio>

struct StartupPaths
{
    // Null when not given (an empty path given as such is not null).
    QString reference;
    QString measurement;
    QString profile;

    bool any() const { return !reference.isNull() || !measurement.isNull() || !profile.isNull(); }
};

// The usage text, three lines without a line end after the last.
extern const char usageText[];

// Parses the arguments from argv[1] on; usage text requests are written to
// usage. Never fails: unknown plain arguments are skipped, an unknown
// option ends the parsing with what was set so far.
StartupPaths parseCommandLine(int argc, const char* const* argv, std::FILE* usage);
