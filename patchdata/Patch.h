#pragma once
// One patch of the chart as the session holds it: its identity, the
// reference and measured Lab (absolute, D50), the tolerance mark of a
// combined file, device values where a file gives them, and what the last
// correction predicts for it. Plain numbers; windows format them for display.

#include "ColorDifference.h"

#include <cmath>
#include <string>
#include <string_view>

struct Patch
{
    std::string id; // what it was paired by, as written in the reference
    // The names the files give it; they point into the files, which the
    // session holds as long as the patch list.
    std::string_view referenceName;
    std::string_view measuredName;
    bool hasReference = false;
    Lab reference = {0, 0, 0};
    bool hasMeasured = false;
    Lab measured = {0, 0, 0};
    bool hasToleranceMark = false;
    int toleranceMark = 0;
    // The records it came from, so that a hand edit survives a new pairing.
    int referenceRecord = -1;
    int measuredRecord = -1;
    // Remaining difference (predicted print - aim) after the last correction.
    bool hasResult = false;
    Lab remaining = {0, 0, 0};

    bool paired() const { return hasReference && hasMeasured; }
    bool toleranceFailed() const { return hasToleranceMark && toleranceMark != 0; }

    // Where the print is predicted to land after the correction.
    Lab predicted() const { return {reference.L + remaining.L, reference.a + remaining.a, reference.b + remaining.b}; }
    // The measurement against the reference; valid when paired.
    double measuredDeltaE(DeltaEMetric metric) const { return deltaE(metric, reference, measured); }
    // The predicted print against the reference; valid with a result. The
    // 1976 figure is the length of the remaining difference itself.
    double remainingDeltaE(DeltaEMetric metric) const
    {
        if (metric == DeltaEMetric::CIE2000)
            return deltaE2000(reference, predicted());
        return std::sqrt(remaining.L * remaining.L + remaining.a * remaining.a + remaining.b * remaining.b);
    }
};
