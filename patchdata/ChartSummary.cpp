#include "ChartSummary.h"

#include <algorithm>
#include <cmath>

DeltaESummary summarizeDeltaE(const std::vector<Patch>& patches, Stage stage, DeltaEMetric metric)
{
    DeltaESummary summary;
    // Before a correction there is no "after"; after one, a patch it left
    // alone prints as measured.
    if (stage == Stage::After && std::none_of(patches.begin(), patches.end(), [](const Patch& p) { return p.hasResult; }))
        return summary;
    double sum = 0, neutralSum = 0;
    for (const Patch& patch : patches) {
        if (!patch.paired())
            continue;
        const double dE = stage == Stage::After && patch.hasResult ? patch.remainingDeltaE(metric)
                                                                    : patch.measuredDeltaE(metric);
        sum += dE;
        summary.maximum = std::max(summary.maximum, dE);
        ++summary.count;
        if (std::hypot(patch.reference.a, patch.reference.b) < neutralChromaLimit) {
            neutralSum += dE;
            ++summary.neutralCount;
        }
    }
    if (summary.count)
        summary.mean = sum / summary.count;
    if (summary.neutralCount)
        summary.neutralMean = neutralSum / summary.neutralCount;
    return summary;
}
