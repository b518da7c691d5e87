#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCcurvTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using CurvTagTest = LogTest;

const csSignature rTRC = csSig("rTRC");

// Exactly the bytes the entries need, so that ASan catches reads beyond.
std::vector<uint8_t> curvBytes(uint32_t count, const std::vector<uint16_t>& entries, std::size_t size = 0)
{
    std::vector<uint8_t> bytes(std::max<std::size_t>(12 + 2 * entries.size(), size), 0);
    std::memcpy(bytes.data(), "curv", 4);
    csSetUInt32(bytes.data() + 8, count);
    for (std::size_t i = 0; i < entries.size(); ++i)
        csSetUInt16(bytes.data() + 12 + 2 * i, entries[i]);
    bytes.resize(size ? size : bytes.size());
    return bytes;
}

csICCcurvTag curvFrom(const std::vector<uint8_t>& bytes)
{
    EXPECT_TRUE(csICCcurvTag::checkLayout(rTRC, static_cast<uint32_t>(bytes.size()), bytes.data())) << logText();
    return csICCcurvTag(rTRC, static_cast<uint32_t>(bytes.size()), bytes.data());
}

uint16_t gammaCode(double code, double gamma)
{
    return static_cast<uint16_t>(std::floor(std::pow(code / 65535.0, gamma) * 65535.0 + 0.5));
}

// Strides count elements, 0 counting as 1. Forward rounds to a code, and
// undefined or infinite input gives 0; the inverse is neither rounded nor
// taken beyond 0..65535.
TEST_F(CurvTagTest, StridesAndInputsBeyondTheCodes)
{
    const csICCcurvTag tag = curvFrom(curvBytes(1, {0x01CD})); // gamma 1.80078125
    EXPECT_TRUE(tag.isAnalytic() && !tag.isIdentity() && tag.gamma() == 1.80078125);
    const uint16_t in16[] = {32768, 1, 65535, 2};
    uint16_t out16[4] = {7, 7, 7, 7};
    tag.forward16(in16, out16, 2, 2, 2);
    EXPECT_TRUE(out16[0] == tag.forwardTable()[32768] && out16[1] == 7 && out16[2] == 65535) << out16[0];
    tag.inverse16(in16, out16, 2, 0, 0);
    EXPECT_TRUE(out16[0] == tag.inverseTable()[32768] && out16[1] == tag.inverseTable()[1]);

    const double in[] = {1000.25, 70000.0, -65535.0, std::nan(""), 1e300};
    double forward[5], inverse[5];
    tag.forwardDouble(in, forward, 5);
    tag.inverseDouble(in, inverse, 5);
    EXPECT_EQ(forward[0], gammaCode(1000.25, 1.80078125));
    EXPECT_TRUE(forward[2] == 0.0 && forward[3] == 0.0 && forward[4] == 0.0);
    EXPECT_DOUBLE_EQ(inverse[0], std::pow(1000.25 / 65535.0, 1 / 1.80078125) * 65535.0);
    EXPECT_TRUE(inverse[1] == 65535.0 && inverse[2] == 0.0 && inverse[3] == 0.0 && inverse[4] == 65535.0);
    EXPECT_EQ(csErrorLog::count(), 0u) << logText();
}

TEST_F(CurvTagTest, IdentityCurves)
{
    const struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
        bool warns;
    } cases[] = {
        {"count 0", curvBytes(0, {}), false},
        {"gamma 1.0", curvBytes(1, {0x0100}), false},
        {"gamma 0", curvBytes(1, {0x0000}), true},
    };
    std::vector<uint16_t> all(65536), out(65536);
    for (uint32_t k = 0; k < 65536; ++k)
        all[k] = static_cast<uint16_t>(k);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        csErrorLog::clear();
        const csICCcurvTag tag = curvFrom(c.bytes);
        EXPECT_TRUE(tag.isIdentity() && tag.isAnalytic() && tag.gamma() == 1.0);
        tag.forward16(all.data(), out.data(), all.size());
        EXPECT_EQ(out, all);
        tag.inverse16(all.data(), out.data(), all.size());
        EXPECT_EQ(out, all);
        const double in = 1234.5;
        double forward = 0, inverse = 0;
        tag.forwardDouble(&in, &forward, 1);
        tag.inverseDouble(&in, &inverse, 1);
        EXPECT_TRUE(forward == 1234.5 && inverse == 1234.5);
        EXPECT_EQ(csErrorLog::count(), c.warns ? 1u : 0u);
        EXPECT_EQ(logHas('W', "bad gamma", "gamma value in TRC is 0. continuing with 1."), c.warns) << logText();
    }
}

TEST_F(CurvTagTest, LayoutsThatDoNotFitAreRefused)
{
    const struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"no count", curvBytes(0, {}, 11)},
        {"65,536 entries", curvBytes(65536, std::vector<uint16_t>(65536))},
        {"huge count", curvBytes(0x80000001u, {1})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        csErrorLog::clear();
        const uint32_t size = static_cast<uint32_t>(c.bytes.size());
        EXPECT_FALSE(csICCcurvTag::checkLayout(rTRC, size, c.bytes.data()));
        EXPECT_TRUE(csErrorLog::count() == 1 && logHas('E', "corrupt tag data", "'rTRC'")) << logText();

        // Constructed anyway, the tag reports again and stays the identity.
        csErrorLog::clear();
        const csICCcurvTag tag(rTRC, size, c.bytes.data());
        EXPECT_EQ(csErrorLog::count(), 1u);
        EXPECT_TRUE(tag.isIdentity());
    }
    EXPECT_TRUE(csICCcurvTag::checkLayout(rTRC, 12 + 2 * 65535, curvBytes(65535, std::vector<uint16_t>(65535)).data()));
}

// Little CMS as an independent evaluator of a gamma and a sampled curve.
// Both interpolate linearly, Little CMS in 16.16 fixed point, so one code
// apart at most, in the table and in the double path. Its inverse of a
// sampled curve is resampled on 4096 points and interpolated, ours is the
// first code reaching each value; with slopes between 0.5 and 2 they stay
// within two codes (one measured). Near black one code of the gamma curve spans up to
// 138 of its inverse, so that inverse is compared from code 4096 on.
TEST_F(CurvTagTest, AgreesWithLittleCms)
{
    std::vector<uint16_t> samples(33);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double x = i / 32.0;
        samples[i] = static_cast<uint16_t>(std::floor((0.6 * x + 0.4 * x * x) * 65535.0 + 0.5));
    }
    const struct { std::vector<uint8_t> bytes; cmsToneCurve* reference; uint32_t inverseFrom; } curves[] = {
        {curvBytes(1, {0x01CD}), cmsBuildGamma(nullptr, 1.80078125), 4096},
        {curvBytes(33, samples), cmsBuildTabulatedToneCurve16(nullptr, 33, samples.data()), 0},
    };
    for (const auto& [bytes, reference, inverseFrom] : curves) {
        cmsToneCurve* reversed = cmsReverseToneCurve(reference);
        const csICCcurvTag tag = curvFrom(bytes);
        int forwardDiff = 0, inverseDiff = 0;
        double doubleDiff = 0;
        for (uint32_t k = 0; k < 65536; ++k) {
            const uint16_t code = static_cast<uint16_t>(k);
            const double in = k;
            double out = 0;
            tag.forwardDouble(&in, &out, 1);
            doubleDiff = std::max(doubleDiff, std::fabs(out - cmsEvalToneCurve16(reference, code)));
            forwardDiff = std::max(forwardDiff, std::abs(tag.forwardTable()[k] - cmsEvalToneCurve16(reference, code)));
            if (k >= inverseFrom)
                inverseDiff = std::max(inverseDiff, std::abs(tag.inverseTable()[k] - cmsEvalToneCurve16(reversed, code)));
        }
        EXPECT_LE(forwardDiff, 1) << bytes.size();
        EXPECT_LE(doubleDiff, 1.0) << bytes.size();
        EXPECT_LE(inverseDiff, 2) << bytes.size();
        cmsFreeToneCurve(reversed);
        cmsFreeToneCurve(reference);
    }
}

} // namespace
