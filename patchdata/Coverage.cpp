#include "Coverage.h"

#include "FixedNumber.h"

#include <algorithm>

bool PatchCoverage::fewPatches() const
{
    return paired > 0 && static_cast<double>(paired) < coveredShare * static_cast<double>(referencePatches);
}

bool PatchCoverage::narrowLightness() const
{
    return paired > 0 && pairedHigh - pairedLow < coveredShare * (reachHigh - reachLow);
}

PatchCoverage coverageOf(const std::vector<Patch>& patches, const std::vector<double>& referenceLightness,
                         double reachLow, double reachHigh)
{
    PatchCoverage coverage;
    coverage.referencePatches = referenceLightness.size();
    coverage.reachLow = reachLow;
    coverage.reachHigh = reachHigh;
    for (double L : referenceLightness) {
        coverage.reachLow = std::min(coverage.reachLow, L);
        coverage.reachHigh = std::max(coverage.reachHigh, L);
    }
    for (const Patch& patch : patches) {
        if (!patch.paired())
            continue;
        const double L = patch.reference.L;
        coverage.pairedLow = coverage.paired ? std::min(coverage.pairedLow, L) : L;
        coverage.pairedHigh = coverage.paired ? std::max(coverage.pairedHigh, L) : L;
        ++coverage.paired;
    }
    // Without a reference file of its own (a combined file), the chart is
    // its paired patches.
    coverage.referencePatches = std::max(coverage.referencePatches, coverage.paired);
    return coverage;
}

EngineText describeCoverage(const PatchCoverage& coverage)
{
    if (coverage.fewPatches())
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "corrected from %1 of %2 reference patches; colours far from "
                                                          "them are left as they were"),
                              withThousands(coverage.paired), withThousands(coverage.referencePatches));
    if (coverage.narrowLightness())
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "corrected from patches between L* %1 and %2 only (the profile "
                                                          "reaches L* %3 to %4); colours far from them are left as "
                                                          "they were"),
                              fixedNumber(coverage.pairedLow, 0), fixedNumber(coverage.pairedHigh, 0),
                              fixedNumber(coverage.reachLow, 0), fixedNumber(coverage.reachHigh, 0));
    return {};
}

std::string verdictScope(const PatchCoverage& coverage)
{
    if (!coverage.partial())
        return {};
    return "over the " + withThousands(coverage.paired) + (coverage.paired == 1 ? " measured patch" : " measured patches");
}
