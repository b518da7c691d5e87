#pragma once
// One patch of the chart as the session holds it: its identity, the
// reference and measured Lab (absolute, D50), the tolerance mark of a
// combined file, device values where a file gives them, and what the last
// correction predicts for it. Plain numbers; windows format them for display.

#include "ColorDifference.h"

#include <string>
#include <vector>

struct Patch
{
    std::string id; // what it was paired by, as written in the reference
    std::string referenceName;
    std::string measuredName;
    bool hasReference = false;
    Lab reference = {0, 0, 0};
    bool hasMeasured = false;
    Lab measured = {0, 0, 0};
    bool hasToleranceMark = false;
    int toleranceMark = 0;
    std::vector<double> device;
    // The records it came from, so that a hand edit survives a new pairing.
    int referenceRecord = -1;
    int measuredRecord = -1;
    // Remaining difference (predicted print - aim) after the last correction.
    bool hasResult = false;
    Lab remaining = {0, 0, 0};

    bool paired() const { return hasReference && hasMeasured; }
    bool toleranceFailed() const { return hasToleranceMark && toleranceMark != 0; }
};
