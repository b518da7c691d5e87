#pragma once
// How much of the chart and of the profile's range of lightness the
// measured patches cover. A correction from a few patches changes the
// colours near them only, and its figures are figures of those patches: a
// front end says so rather than let "mean 0.4" stand for the whole profile.

#include "EngineText.h"
#include "Patch.h"

#include <cstddef>
#include <string>
#include <vector>

// Below this share of the reference's patches, or of the L* range that
// chart and profile reach, the measured patches cover only a part. Half
// leaves room for a chart measured in two sittings or a few rows missing,
// and catches a handful of patches taken for a touch-up.
constexpr double coveredShare = 0.5;

struct PatchCoverage
{
    std::size_t paired = 0;           // patches with reference and measured values
    std::size_t referencePatches = 0; // the reference's patches, paired or not
    double pairedLow = 0, pairedHigh = 0; // L* of the paired references
    double reachLow = 0, reachHigh = 0;   // L* the chart's references and the profile reach

    bool fewPatches() const;
    bool narrowLightness() const;
    bool partial() const { return fewPatches() || narrowLightness(); }
};

// reachLow and reachHigh: the lightness the profile prints, paper to its
// darkest; the reference's own patches widen it.
PatchCoverage coverageOf(const std::vector<Patch>& patches, const std::vector<double>& referenceLightness,
                         double reachLow, double reachHigh);

// "corrected from 5 of 1,617 reference patches; colours far from them are
// left as they were"; empty when the patches cover enough.
EngineText describeCoverage(const PatchCoverage& coverage);

// "over the 5 measured patches", for a verdict; empty when they cover enough.
std::string verdictScope(const PatchCoverage& coverage);
