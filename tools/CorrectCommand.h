#pragma once
// "vestrel-cli correct": open, load, pair, correct and save through the
// same session as the window, with progress and messages on stderr.

#include "CorrectionSession.h"
#include "Report.h"

#include <cstdio>
#include <string>
#include <vector>

struct CorrectOptions
{
    std::string profilePath;
    // Measurements of one print, averaged; may be empty with roundTrip.
    std::vector<std::string> measurementPaths;
    std::string referencePath;   // empty for a combined measurement file
    std::string outputPath;
    // Corrects the profile's own inversion error: the round trip of each
    // reference through B2A1 and A2B1 stands in for the measurement.
    bool roundTrip = false;
    // Correct and write although a check says the result is not to be trusted.
    bool force = false;
    // Any warning (a skipped line, an unpaired patch, a patch left out) fails the run.
    bool strict = false;
    // Use the patches that disagree with their neighbours too.
    bool keepOutliers = false;
    // Keep the B2A tables' grids as the profile has them; Smooth otherwise
    // works on a finer grid (ClutRefinement.h).
    bool keepGrid = false;
    // Nodes that print one ink keep the others at none: 1 on, 0 off, -1 as
    // the profile's class has it (on for a device link, off otherwise).
    int keepPure = -1;
    // The printer's own profile, for a device link: the model of the printer.
    std::string printerPath;
    // The correction also as an abstract profile (Lab to Lab) to put in
    // front of the unchanged profile.
    std::string abstractPath;
    CorrectionMethod method = CorrectionMethod::Smooth;
    PairBy pairBy = PairBy::Auto;
    double noise = SmoothParameters().fieldNoise;
    std::vector<int> intents; // empty: every B2A table
    // A report of the run, written after the profile was saved; the format
    // from the suffix.
    std::string reportPath;
    ReportOptions report;
};

// argv from the first option on.
bool parseCorrectOptions(int argc, const char* const* argv, CorrectOptions& options, std::string& problem);

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err);
