#pragma once
// "vestrel-cli convert": colours from a text stream through a profile.

#include <cstdio>
#include <string>

struct ConvertOptions
{
    std::string profilePath;
    int direction = 0; // 0 device to Lab, 1 Lab to device
    int intent = 1;
    int whiteMode = 1;
    bool useFloat = false;
};

// argv[0] is the profile, argv[1] "a2b" or "b2a", then the options.
bool parseConvertOptions(int argc, const char* const* argv, ConvertOptions& options, std::string& problem);

// One colour per line of in, one result per line of out. Blank lines and
// lines starting with '#' are passed over; a bad line gives one line on err
// with its number and is skipped. 0 when every line converted.
int runConvert(const ConvertOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);
