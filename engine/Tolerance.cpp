#include "Tolerance.h"

#include "Patch.h"

#include <algorithm>
#include <cmath>

namespace {

Verdict within(double figure, double limit)
{
    return std::round(figure * 100.0) <= std::round(limit * 100.0) ? Verdict::Pass : Verdict::Fail;
}

} // namespace

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

bool validLimits(const ToleranceLimits& limits)
{
    for (double limit : {limits.mean, limits.maximum, limits.neutralMean})
        if (!std::isfinite(limit) || limit <= 0.0)
            return false;
    return true;
}

bool ToleranceVerdict::passed() const
{
    const Verdict all[] = {mean, maximum, neutralMean};
    return std::none_of(std::begin(all), std::end(all), [](Verdict v) { return v == Verdict::Fail; }) &&
           std::any_of(std::begin(all), std::end(all), [](Verdict v) { return v == Verdict::Pass; });
}

ToleranceVerdict judge(const DeltaESummary& summary, const ToleranceLimits& limits)
{
    ToleranceVerdict verdict;
    if (summary.count == 0)
        return verdict;
    verdict.mean = within(summary.mean, limits.mean);
    verdict.maximum = within(summary.maximum, limits.maximum);
    if (summary.neutralCount)
        verdict.neutralMean = within(summary.neutralMean, limits.neutralMean);
    return verdict;
}

const char* verdictText(Verdict verdict)
{
    return verdict == Verdict::Pass ? "pass" : verdict == Verdict::Fail ? "fail" : "-";
}
