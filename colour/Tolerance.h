#pragma once
// The figures a correction is judged by and the verdict on them: the mean
// and largest Delta E of the chart, and the mean of its near-neutral
// patches, where a print shop's eye is sharpest, each against a limit.

#include "ColorDifference.h"

// A reference with C*ab below this counts as near-neutral.
constexpr double neutralChromaLimit = 5.0;

struct DeltaESummary
{
    int count = 0;
    double mean = 0;
    double maximum = 0;
    int neutralCount = 0;
    double neutralMean = 0;
};

// Vestrel's own defaults, chosen for a well-kept press on coated stock;
// they follow no standard and are meant to be set to what the customer
// agreed. They apply to whichever metric is chosen.
struct ToleranceLimits
{
    double mean = 2.0;
    double maximum = 5.0;
    double neutralMean = 1.5;
};

// Every limit positive and finite.
bool validLimits(const ToleranceLimits& limits);

// None: nothing to judge (no patch, or no near-neutral patch).
enum class Verdict { None, Pass, Fail };

struct ToleranceVerdict
{
    Verdict mean = Verdict::None;
    Verdict maximum = Verdict::None;
    Verdict neutralMean = Verdict::None;

    // Every limit that could be judged passed, and at least one was.
    bool passed() const;
};

// A figure passes when it is within its limit as shown, to two decimals,
// so that "2.00" never fails a limit of 2.00.
ToleranceVerdict judge(const DeltaESummary& summary, const ToleranceLimits& limits);

// "pass", "fail" or "-".
const char* verdictText(Verdict verdict);
