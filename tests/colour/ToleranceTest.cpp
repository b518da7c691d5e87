#include "Patch.h"
#include "ChartSummary.h"
#include "Tolerance.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(Tolerance, VerdictPerLimitAsShown)
{
    struct Case { DeltaESummary summary; Verdict mean, maximum, neutral; bool passed; };
    // Limits 2, 5 and 1.5; a figure passes when it is within its limit to
    // the two decimals shown.
    const ToleranceLimits limits;
    const Case cases[] = {
        {{0, 0, 0, 0, 0}, Verdict::None, Verdict::None, Verdict::None, false},
        {{10, 1.0, 4.0, 0, 0}, Verdict::Pass, Verdict::Pass, Verdict::None, true},
        {{10, 2.0, 5.0, 3, 1.5}, Verdict::Pass, Verdict::Pass, Verdict::Pass, true},
        {{10, 2.004, 5.0049, 3, 1.5049}, Verdict::Pass, Verdict::Pass, Verdict::Pass, true},
        {{10, 2.006, 4.0, 3, 1.0}, Verdict::Fail, Verdict::Pass, Verdict::Pass, false},
        {{10, 1.0, 5.01, 3, 1.0}, Verdict::Pass, Verdict::Fail, Verdict::Pass, false},
        {{10, 1.0, 4.0, 3, 1.51}, Verdict::Pass, Verdict::Pass, Verdict::Fail, false},
    };
    for (const Case& c : cases) {
        const ToleranceVerdict v = judge(c.summary, limits);
        EXPECT_EQ(v.mean, c.mean) << c.summary.mean;
        EXPECT_EQ(v.maximum, c.maximum) << c.summary.maximum;
        EXPECT_EQ(v.neutralMean, c.neutral) << c.summary.neutralMean;
        EXPECT_EQ(v.passed(), c.passed) << c.summary.mean << " " << c.summary.maximum;
    }
}

TEST(Tolerance, LimitsMustBePositiveAndFinite)
{
    struct Case { ToleranceLimits limits; bool valid; };
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const Case cases[] = {{{}, true}, {{0.01, 0.01, 0.01}, true}, {{0, 5, 1.5}, false}, {{2, -1, 1.5}, false},
                          {{2, 5, nan}, false}, {{inf, 5, 1.5}, false}};
    for (const Case& c : cases)
        EXPECT_EQ(validLimits(c.limits), c.valid) << c.limits.mean << " " << c.limits.maximum << " "
                                                  << c.limits.neutralMean;
}

TEST(Tolerance, SummaryCountsNearNeutralReferencesOnly)
{
    auto patch = [](Lab reference, Lab measured, bool paired, bool result) {
        Patch p;
        p.hasReference = true;
        p.reference = reference;
        p.hasMeasured = paired;
        p.measured = measured;
        p.hasResult = result;
        p.remaining = {0.5, 0, 0};
        return p;
    };
    // Chroma 4.99 counts as near-neutral, 5.0 does not; an unpaired patch
    // counts nowhere, and After counts a patch the correction left alone
    // as measured.
    const std::vector<Patch> patches = {
        patch({50, 3, 3.99}, {51, 3, 3.99}, true, true),  // C* 4.99, dE 1
        patch({50, 3, 4}, {53, 3, 4}, true, true),        // C* 5.00, dE 3
        patch({50, 40, 0}, {50, 40, 6}, true, false),     // dE 6
        patch({50, 0, 0}, {90, 0, 0}, false, false),
    };
    const DeltaESummary before = summarizeDeltaE(patches, Stage::Before, DeltaEMetric::CIE1976);
    EXPECT_EQ(before.count, 3);
    EXPECT_NEAR(before.mean, 10.0 / 3, 1e-12);
    EXPECT_NEAR(before.maximum, 6.0, 1e-12);
    EXPECT_EQ(before.neutralCount, 1);
    EXPECT_NEAR(before.neutralMean, 1.0, 1e-12);
    const DeltaESummary after = summarizeDeltaE(patches, Stage::After, DeltaEMetric::CIE2000);
    EXPECT_EQ(after.count, 3);
    EXPECT_EQ(after.neutralCount, 1);
    EXPECT_NEAR(after.neutralMean, deltaE2000({50, 3, 3.99}, {50.5, 3, 3.99}), 1e-12);
    const double left = deltaE2000({50, 40, 0}, {50, 40, 6});
    EXPECT_NEAR(after.maximum, left, 1e-12) << "the uncorrected patch as measured";
    EXPECT_NEAR(after.mean,
                (deltaE2000({50, 3, 3.99}, {50.5, 3, 3.99}) + deltaE2000({50, 3, 4}, {50.5, 3, 4}) + left) / 3, 1e-12);

    // Without a correction there is no "after" at all.
    std::vector<Patch> uncorrected = patches;
    for (Patch& p : uncorrected)
        p.hasResult = false;
    EXPECT_EQ(summarizeDeltaE(uncorrected, Stage::After, DeltaEMetric::CIE1976).count, 0);
}

} // namespace
