#include "PatchCorrector.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

// Only a round-trip iteration stops at the threshold; the plain one
// ignores it, so any value serves.
constexpr double unusedThreshold = 442;

namespace {

class CorrectorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        csErrorLog::clear();
        load(V4Tables::None);
        testing::internal::CaptureStderr(); // the cube's diagnostic lines
    }
    void TearDown() override { testing::internal::GetCapturedStderr(); }

    void load(V4Tables tables)
    {
        const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", tables);
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(a2b1.init(), 0);
        ASSERT_EQ(b2a1.init(), 0);
    }

    // Node values of the whole B2A1 table.
    std::vector<uint16_t> nodes()
    {
        const ClutNodes b2a1Nodes(profile.tagTable().find(csSig("B2A1")));
        const uint32_t* grid = b2a1Nodes.gridPoints();
        std::vector<uint16_t> all;
        for (uint16_t x = 0; x < grid[0]; ++x)
            for (uint16_t y = 0; y < grid[1]; ++y)
                for (uint16_t z = 0; z < grid[2]; ++z) {
                    const uint16_t node[3] = {x, y, z};
                    uint16_t v[4];
                    b2a1Nodes.get(node, v);
                    all.insert(all.end(), v, v + 4);
                }
        return all;
    }

    csICCProfile profile;
    csICCProfileConverter a2b1{&profile, 0, 1, 1};
    csICCProfileConverter b2a1{&profile, 1, 1, 1};
};

TEST(TwoDecimals, ReadsBackAsTheTextWouldGive)
{
    struct Case { double in, out; };
    for (const Case& c : {Case{1.005, 1.0}, Case{2.675, 2.67}, Case{-0.004, -0.0}, Case{12.3456, 12.35}, Case{0.125, 0.12}})
        EXPECT_EQ(twoDecimals(c.in), c.out) << c.in;
}

TEST(CorrectionArithmetic, NodeFactors)
{
    struct Case { double error, weight, factor; };
    const Case cases[] = {
        {2.0, 0.5, 1.30103 * 0.849485}, // the worse node near the middle of the cell
        {0.0, 0.0, 0.5},                 // a perfect node at an empty corner moves half the step
        {1.0, 1.0, 1.0},
        {10.0, 1.0, 2.0},
        {100.0, 0.1, 1.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(csCLUTCube::nodeFactor(c.error, c.weight), c.factor, 1e-5) << c.error << " " << c.weight;
}

TEST(CorrectionArithmetic, StepsAndEligibility)
{
    // 3.9 levels needed: 3 whole levels of 257, decreasing for a positive dot.
    EXPECT_EQ(PatchCorrector::rawStep(3.9, 1.0), -771.0);
    EXPECT_EQ(PatchCorrector::rawStep(-3.9, 1.0), 771.0);
    EXPECT_EQ(PatchCorrector::rawStep(0.99, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(PatchCorrector::scaledStep(10, -771, 616.8, true), -481.875);
    EXPECT_DOUBLE_EQ(PatchCorrector::scaledStep(1, -771, 616.8, true), -48.1875);
    EXPECT_EQ(PatchCorrector::scaledStep(10, 257 * 40, 100, false), 3277.0) << "at most about 5 % of the range";

    struct Case { double dot; uint16_t device; double projection; };
    const Case cases[] = {
        {2.0, 1000, 1.0},    {-2.0, 1000, 1.0},  // either way from the middle
        {2.0, 0, -1.0},      {-2.0, 0, -1.0},    // never from 0
        {2.0, 65535, 1.0},   {-2.0, 65535, -1.0} // only down from the top
    };
    for (const Case& c : cases)
        EXPECT_EQ(PatchCorrector::channelProjection(c.dot, 2.0, c.device), c.projection) << c.dot << " " << c.device;
}

TEST_F(CorrectorTest, IterationLimits)
{
    // An aim far outside the gamut cannot be reached: the run stops at its limit.
    PatchCorrector far(&b2a1, &a2b1);
    ASSERT_TRUE(far.setPatch({50, 0, 0}, {90, 60, 60}, unusedThreshold));
    EXPECT_LE(far.iterate(false), 10);
    PatchCorrector roundTrip(&b2a1, &a2b1);
    ASSERT_TRUE(roundTrip.setPatch({50, 0, 0}, {90, 60, 60}, 0.01));
    EXPECT_LE(roundTrip.iterate(true), 20);
}

TEST_F(CorrectorTest, CubeWeightsAndNodes)
{
    csCLUTCube cube(&b2a1, &a2b1);
    ASSERT_TRUE(cube.usable());
    // On a grid point all the weight sits on one corner.
    const uint16_t onGrid[3] = {8 * 4096, 4 * 4096, 12 * 4096}; // 65535/16 = 4095.94 per cell, so this is just past the node
    cube.locate(onGrid);
    double sum = 0;
    for (int c = 0; c < 8; ++c)
        sum += cube.weight()[c];
    EXPECT_NEAR(sum, 1.0, 1e-12);

    const uint16_t exact[3] = {0, 65535, 32767};
    cube.locate(exact);
    EXPECT_EQ(cube.baseIndex()[0], 0);
    EXPECT_EQ(cube.baseIndex()[1], 15) << "65535 takes the last cell";
    EXPECT_NEAR(cube.weight()[2], 1.0 - 32767 * 16 / 65535.0 + 7, 1e-9);

    // A dry run changes nothing and predicts what the real step does; the
    // negated step restores the nodes.
    const std::vector<uint16_t> before = nodes();
    cube.setReference(50, 10, -10);
    const double dry = cube.applyStep(1, 2000, true);
    EXPECT_EQ(nodes(), before);
    const double real = cube.applyStep(1, 2000, false);
    EXPECT_DOUBLE_EQ(dry, real);
    EXPECT_NE(nodes(), before);
    cube.applyStep(1, -2000, false);
    const std::vector<uint16_t> restored = nodes();
    std::size_t differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        differing += std::abs(int(restored[i]) - int(before[i])) > 1;
    EXPECT_EQ(differing, 0u) << "back within truncation";

    // Steps stop at the ends of the range, and the result counts only what moved.
    const double up = cube.applyStep(0, 200000, false);
    EXPECT_GT(up, 0);
    EXPECT_LE(up, 65535);
    EXPECT_EQ(cube.applyStep(0, 200000, true), 0.0) << "already at the top";
}

TEST_F(CorrectorTest, Version4CopyNodesStandForTheOriginalsColours)
{
    csCLUTCube original(&b2a1, &a2b1);
    csICCProfile copy;
    const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", V4Tables::Same);
    ASSERT_EQ(copy.setProfile(bytes.data(), bytes.size()), 0);
    csICCProfileConverter copyA2B1(&copy, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    csICCProfileConverter copyB2A1(&copy, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    ASSERT_EQ(copyA2B1.init(), 0);
    ASSERT_EQ(copyB2A1.init(), 0);
    csCLUTCube v4(&copyB2A1, &copyA2B1);
    ASSERT_TRUE(v4.usable()) << v4.problem().english();
    // The copy's nodes stand for the colours of the original's, to the
    // rounding of the Lab encodings on the way (the worst is 8 codes).
    for (uint16_t x = 0; x < 17; ++x)
        for (uint16_t y = 0; y < 17; ++y)
            for (uint16_t z = 0; z < 17; ++z)
                EXPECT_LE(deltaE(decodeLab16(original.nodeLab(x, y, z)), decodeLab16(v4.nodeLab(x, y, z))), 0.04)
                    << x << " " << y << " " << z;
}

TEST_F(CorrectorTest, IterationBringsThePredictionToTheAim)
{
    // lut16; 'mBA ' with the same CLUT; 'mBA ' with parametric curves and a
    // matrix before a grid of its own per input.
    for (V4Tables tables : {V4Tables::None, V4Tables::Same, V4Tables::Reshaped}) {
        SCOPED_TRACE(int(tables));
        load(tables);
        PatchCorrector corrector(&b2a1, &a2b1);
        // A patch that printed 3 units too light and too yellow.
        ASSERT_TRUE(corrector.setPatch({50, 20, 10}, {53, 20, 13}, unusedThreshold));
        EXPECT_TRUE(corrector.hasAim());
        EXPECT_NEAR(corrector.deltaE(), std::sqrt(18.0), 0.3) << "before: the offset itself";
        EXPECT_EQ(corrector.aim().L, twoDecimals(corrector.aim().L));
        const std::vector<uint16_t> before = nodes();
        const int iterations = corrector.iterate(false);
        EXPECT_GE(iterations, 1);
        EXPECT_LE(iterations, 10);
        EXPECT_LT(corrector.deltaE(), 1.0);
        const std::vector<uint16_t> after = nodes();
        std::size_t changed = 0;
        for (std::size_t i = 0; i < before.size(); i += 4)
            changed += std::memcmp(&before[i], &after[i], 8) != 0;
        EXPECT_GT(changed, 0u);
        EXPECT_LE(changed, 8u) << "only the eight nodes around the reference move";

        // With round trip and a threshold above the remaining difference, nothing moves.
        PatchCorrector again(&b2a1, &a2b1);
        ASSERT_TRUE(again.setPatch({50, 20, 10}, {50, 20, 10}, 5.0));
        EXPECT_EQ(again.iterate(true), 0);
        EXPECT_EQ(nodes(), after);
    }
}

TEST_F(CorrectorTest, RefusesWithoutUsableConverters)
{
    PatchCorrector nothing(nullptr, nullptr);
    EXPECT_FALSE(nothing.setPatch({50, 0, 0}, {51, 0, 0}, 0));
    EXPECT_EQ(nothing.iterate(false), -1);
    csICCProfileConverter gamut(&profile, 2, 1, 1);
    ASSERT_EQ(gamut.init(), 0);
    PatchCorrector oneOutput(&gamut, &a2b1); // a table of one output cannot print a CMYK device
    EXPECT_FALSE(oneOutput.setPatch({50, 0, 0}, {51, 0, 0}, 0));

    // Curves and a matrix alone: no nodes to move.
    const std::vector<uint8_t> bytes = testProfile("rgb_v2_lut8.icc", V4Tables::Same, "B2A1");
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    ASSERT_EQ(a2b1.init(), 0);
    ASSERT_EQ(b2a1.init(), 0);
    const csCLUTCube cube(&b2a1, &a2b1);
    EXPECT_EQ(cube.problem().english(), "it has no CLUT (only curves and a matrix)");
    EXPECT_FALSE(PatchCorrector(&b2a1, &a2b1).setPatch({50, 0, 0}, {51, 0, 0}, 0));
}

} // namespace
