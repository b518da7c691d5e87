#pragma once
// "vestrel-cli convert": colours from a text stream through a profile.

#include <charconv>
#include <cstdint>
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

// One number as std::from_chars reads it in its general form: the same
// double and the same end, with an error where it finds none. Plain
// decimals of up to 15 digits are read here, the rest by std::from_chars.
std::from_chars_result readNumber(const char* first, const char* last, double& value);

// The text std::to_chars gives with std::chars_format::fixed and four
// decimals, except that values that round to zero are 0.0000 (never
// -0.0000); needs room for 32 characters below 1e12 in magnitude.
char* writeFixed4(char* first, char* last, double value);

// A 16-bit device code in percent, the text writeFixed4 gives for
// code / 65535.0 * 100.0, worked out in integers; at most 8 characters.
char* writeCodePercent(char* first, uint16_t code);

// One colour per line of in, one result per line of out. Blank lines and
// lines starting with '#' are passed over; a bad line gives one line on err
// with its number and is skipped. 0 when every line converted.
int runConvert(const ConvertOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);
