#pragma once
// "vestrel-cli correct": what "Auto" does with every patch selected, then
// "Save Profile As", without the window.

#include <cstdio>
#include <string>

struct CorrectOptions
{
    std::string profilePath;
    std::string measurementPath;
    std::string referencePath; // empty for a combined measurement file
    std::string outputPath;
    bool roundTrip = false;
};

// argv from the first option on.
bool parseCorrectOptions(int argc, const char* const* argv, CorrectOptions& options, std::string& problem);

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err);
