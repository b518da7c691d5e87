#pragma once
// "vestrel-cli correct": the Smooth correction of every B2A table, or what
// "Auto" does with every patch selected, then "Save Profile As", without
// the window.

#include "SmoothCorrection.h"

#include <cstdio>
#include <string>
#include <vector>

struct CorrectOptions
{
    std::string profilePath;
    std::string measurementPath;
    std::string referencePath; // empty for a combined measurement file
    std::string outputPath;
    bool roundTrip = false;
    bool smooth = true;
    double noise = SmoothParameters().fieldNoise;
    std::vector<int> intents; // empty: every B2A table
};

// argv from the first option on.
bool parseCorrectOptions(int argc, const char* const* argv, CorrectOptions& options, std::string& problem);

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err);
