// The curve tags "curv" and "para": layouts refused before anything is read,
// the forward and inverse tables and double paths at and beyond their ends,
// and Little CMS evaluating the same curves.

#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCcurvTag.h"
#include "csICCparaTag.h"

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

using ParaTagTest = LogTest;

// A "para" tag of the given type; size 0 means the size the type needs.
std::vector<uint8_t> paraBytes(uint16_t type, const std::vector<double>& parameters, std::size_t size = 0,
                               const char* typeSignature = "para")
{
    std::vector<uint8_t> bytes(std::max(size, 12 + 4 * parameters.size()), 0);
    std::memcpy(bytes.data(), typeSignature, 4);
    csSetUInt16(bytes.data() + 8, type);
    for (std::size_t i = 0; i < parameters.size(); ++i)
        csSetS15Fixed16(bytes.data() + 12 + 4 * i, parameters[i]);
    bytes.resize(size ? size : bytes.size());
    return bytes;
}

csICCparaTag paraFrom(const std::vector<uint8_t>& bytes, bool buildInverse = false)
{
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    EXPECT_TRUE(csICCparaTag::checkLayout(rTRC, size, bytes.data())) << logText();
    return csICCparaTag(rTRC, size, bytes.data(), true, buildInverse);
}

struct Curve
{
    const char* name;
    uint16_t type;
    std::vector<double> parameters;
};

const Curve soundCurves[] = {
    {"type 0, g 2.2", 0, {2.2}},
    {"type 1, zero stretch", 1, {1.8, 1.25, -0.25}},
    {"type 2, floor c", 2, {2.0, 0.9, -0.1, 0.05}},
    {"type 3, sRGB", 3, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}},
    {"type 4, offsets", 4, {2.2, 0.85, 0.1, 0.25, 0.2, 0.013895, 0.02}},
    // A negative offset e under the power, a line starting at f.
    {"type 4, negative e", 4, {2.0, 0.9, 0.1, 0.2, 0.1, -0.0061, 0.01}},
    {"type 3, power only (d = 0)", 3, {1.8, 1.0, 0.0, 5.0, 0.0}},
};

TEST_F(ParaTagTest, BadTagsAreRefusedWithOneEntry)
{
    const struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* title;
        const char* details;
    } cases[] = {
        {"no function type", paraBytes(0, {}, 11), "corrupt tag data", "'rTRC'"},
        {"type 3 cut short", paraBytes(3, {2.4, 1, 0, 1}), "corrupt tag data", "function type 3 needs 32 bytes, the tag has 28"},
        {"type 1, a = 0", paraBytes(1, {1, 0, 0.5}), "bad parameters", "results might be complex"},
        {"type 2, a < 0", paraBytes(2, {1, -1, 1, 0}), "bad parameters", "results might be complex"},
        {"type 3, negative base above d", paraBytes(3, {2.2, 1, -0.5, 1, 0.1}), "bad parameters", "results might be complex"},
        {"type 4, a < 0, negative base at 1", paraBytes(4, {2.2, -1, 0.5, 1, 0.2, 0, 0}), "bad parameters",
         "results might be complex"},
        {"type 4, jump at d", paraBytes(4, {1, 1, 0, 1, 0.5, 0.1, 0}), "bad parameters", "not continuous at d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        csErrorLog::clear();
        // Exact-size buffers, so that reading past them is caught by ASan.
        const uint32_t size = static_cast<uint32_t>(c.bytes.size());
        EXPECT_FALSE(csICCparaTag::checkLayout(rTRC, size, c.bytes.data()));
        EXPECT_TRUE(csErrorLog::count() == 1 && logHas('E', c.title, c.details)) << logText();

        // Constructed anyway: the same report, and an identity curve.
        csErrorLog::clear();
        const csICCparaTag tag(rTRC, size, c.bytes.data(), true, true);
        const uint16_t in = 1234;
        uint16_t out = 0;
        tag.inverse16(&in, &out, 1);
        EXPECT_TRUE(csErrorLog::count() == 1 && tag.functionType() == 0 && out == 1234) << logText();
        EXPECT_FLOAT_EQ(tag.eval_clamped(0.3f), 0.3f);
    }
}

TEST_F(ParaTagTest, SizeOtherThanTheTypeNeedsIsOnlyAWarning)
{
    const std::vector<uint8_t> bytes = paraBytes(2, {2.0, 1.0, 0.0, 0.1}, 32);
    EXPECT_TRUE(csICCparaTag::checkLayout(rTRC, 32, bytes.data()) && csErrorLog::count() == 0);
    const csICCparaTag tag(rTRC, 32, bytes.data());
    EXPECT_TRUE(csErrorLog::count() == 1 && logHas('W', "tag size mismatch", "parametricCurveType: specified tag size (32) != actual tag size (28)"))
        << logText();
    EXPECT_EQ(tag.size(), 32u);
    EXPECT_NEAR(tag.c(), 0.1, 1e-4);
}

TEST_F(ParaTagTest, FlatStretchesInvertToTheirMidpoint)
{
    // Type 1, g 1, a 2, b -1: zero up to 0.5, then 2x - 1, reaching 1 at 1.0.
    const csICCparaTag tag = paraFrom(paraBytes(1, {1.0, 2.0, -1.0}), true);
    EXPECT_FLOAT_EQ(tag.invert(0.0f), 0.25f);
    EXPECT_FLOAT_EQ(tag.invert(0.5f), 0.75f);
    const uint16_t in = 0;
    uint16_t out = 0;
    tag.inverse16(&in, &out, 1);
    EXPECT_EQ(out, 16384) << "the inverse table agrees";

    const struct
    {
        const char* name;
        Curve curve;
        float y, x;
    } stretches[] = {
        // c = 0.25 up to -b/a = 0.5; values below c are never reached.
        {"type 2 floor", {"", 2, {1.0, 1.0, -0.5, 0.25}}, 0.25f, 0.25f},
        {"type 2 negative c", {"", 2, {1.0, 1.0, 0.0, -0.5}}, 0.0f, 0.25f},
        {"type 2 reaching 1 at 0.6", {"", 2, {1.0, 2.0, -0.2, 0.0}}, 1.0f, 0.8f},
        // Type 3 linear only (d > 1): slope 2 reaches 1 at 0.5.
        {"type 3 steep line", {"", 3, {1.0, 1.0, 0.0, 2.0, 1.5}}, 1.0f, 0.75f},
        {"type 3 flat line", {"", 3, {1.0, 1.0, 0.0, 0.0, 1.5}}, 0.5f, 0.0f},
        // Type 3: line 2x clamped at 1 from 0.5, power 1 from d = 0.8 on.
        {"type 3 stretch across d", {"", 3, {1.0, 0.0, 1.0, 2.0, 0.8}}, 1.0f, 0.75f},
        // Type 4: line stays at f = 0 below d, power from there.
        {"type 4 zero line", {"", 4, {1.0, 1.0, -0.25, 0.0, 0.25, 0.0, 0.0}}, 0.0f, 0.125f},
    };
    for (const auto& s : stretches) {
        SCOPED_TRACE(s.name);
        const csICCparaTag t = paraFrom(paraBytes(s.curve.type, s.curve.parameters));
        EXPECT_NEAR(t.invert(s.y), s.x, 1e-6);
    }
    EXPECT_EQ(csErrorLog::count(), 0u) << logText();
}

TEST_F(ParaTagTest, DecreasingPowerPieceWarnsOnce)
{
    // Power only (d = 0), 1 - x/2: falls from 1 to 0.5.
    const csICCparaTag tag = paraFrom(paraBytes(3, {1.0, -0.5, 1.0, 0.0, 0.0}));
    EXPECT_FLOAT_EQ(tag.invert(0.75f), 0.5f);
    EXPECT_TRUE(logHas('W', "function is not injective")) << logText();
    // Not again for a whole inverse table, nor for a copy.
    const csICCparaTag copy(tag);
    const double in[] = {0.0, 65535.0};
    double out[2];
    copy.inverseDouble(in, out, 2);
    copy.inverse16(nullptr, nullptr, 0);
    EXPECT_EQ(csErrorLog::count(), 1u) << logText();
    EXPECT_TRUE(out[0] == 65535.0 && out[1] == 0.0); // y = 0 lies at x = 2
}

TEST_F(ParaTagTest, DoublePathsLimitTheirInputsAndOutputs)
{
    // Line 0.5 x only: it never reaches 1, so the inverse runs beyond x = 1.
    const csICCparaTag tag = paraFrom(paraBytes(3, {1.0, 1.0, 0.0, 0.5, 2.0}));
    EXPECT_FLOAT_EQ(tag.invert(0.8f), 1.6f);
    const double in[] = {-5.0, std::nan(""), 1e300, 32767.5, 65535.0};
    double forward[5], inverse[10];
    tag.forwardDouble(in, forward, 5);
    tag.inverseDouble(in, inverse, 5, 1, 2);
    const double expectedForward[] = {0.0, 0.0, 32768.0, 16384.0, 32768.0};
    const double expectedInverse[] = {0.0, 0.0, 65535.0, 65535.0, 65535.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(forward[i], expectedForward[i]) << i;
        EXPECT_EQ(inverse[2 * i], expectedInverse[i]) << i;
    }
}

// Little CMS evaluates the same parameters in double precision; its types
// are ours plus one, and its reverse of a parametric curve is analytic too.
// Ours runs in single precision, so the two differ by a few units in the
// last place of a float (6e-8 near 1); 5e-7 leaves room for the power's
// amplification and still catches a wrong branch or a lost parameter.
// The inverse is compared where the curve rises, off its flat stretches.
// The 16-bit tables and the double path round the same curves to codes.
TEST_F(ParaTagTest, AgreesWithLittleCms)
{
    for (const Curve& curve : soundCurves) {
        SCOPED_TRACE(curve.name);
        const csICCparaTag tag = paraFrom(paraBytes(curve.type, curve.parameters), true);
        const double params[7] = {tag.gamma(), tag.a(), tag.b(), tag.c(), tag.d(), tag.e(), tag.f()};
        cmsToneCurve* reference = cmsBuildParametricToneCurve(nullptr, curve.type + 1, params);
        cmsToneCurve* reversed = cmsReverseToneCurve(reference);
        ASSERT_NE(reference, nullptr);
        ASSERT_NE(reversed, nullptr);
        double forwardDiff = 0, inverseDiff = 0;
        for (int i = 0; i <= 1000; ++i) {
            const float x = i / 1000.0f;
            const double expected = std::min(1.0f, std::max(0.0f, cmsEvalToneCurveFloat(reference, x)));
            forwardDiff = std::max(forwardDiff, std::fabs(tag.eval_clamped(x) - expected));
            if (x > tag.eval_clamped(0.0f) && x < tag.eval_clamped(1.0f))
                inverseDiff = std::max(inverseDiff, double(std::fabs(tag.invert(x) - cmsEvalToneCurveFloat(reversed, x))));
        }
        EXPECT_LT(forwardDiff, 5e-7);
        EXPECT_LT(inverseDiff, 5e-7);

        int codeDiff = 0, inverseCodeDiff = 0;
        for (uint32_t k = 0; k < 65536; k += 7) {
            const uint16_t code = static_cast<uint16_t>(k);
            const double in = k;
            const float y = std::min(1.0f, std::max(0.0f, cmsEvalToneCurveFloat(reference, k / 65535.0f)));
            const double expected = std::floor(y * 65535.0 + 0.5);
            uint16_t viaTable = 0, inverse = 0;
            double viaDouble = 0;
            tag.forward16(&code, &viaTable, 1);
            tag.forwardDouble(&in, &viaDouble, 1);
            codeDiff = std::max({codeDiff, int(std::fabs(viaTable - expected)), int(std::fabs(viaDouble - expected))});
            tag.inverse16(&code, &inverse, 1);
            const float x = k / 65535.0f;
            if (x > tag.eval_clamped(0.0f) && x < tag.eval_clamped(1.0f))
                inverseCodeDiff = std::max(inverseCodeDiff,
                                           int(std::fabs(inverse - std::floor(cmsEvalToneCurveFloat(reversed, x) * 65535.0 + 0.5))));
        }
        EXPECT_LE(codeDiff, 1);
        EXPECT_LE(inverseCodeDiff, 1);
        cmsFreeToneCurve(reversed);
        cmsFreeToneCurve(reference);
    }
}

} // namespace
