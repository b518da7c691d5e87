#include "Tolerance.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

Verdict within(double figure, double limit)
{
    return std::round(figure * 100.0) <= std::round(limit * 100.0) ? Verdict::Pass : Verdict::Fail;
}

} // namespace

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
