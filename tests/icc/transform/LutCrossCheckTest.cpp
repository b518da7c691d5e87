// The LUT tags of the test profiles and of their version 4 copies
// evaluated by our interpolators and by Little CMS on the same inputs.
// cmsReadTag gives the tag's raw pipeline (lut8/lut16: matrix for 3 inputs
// when not identity, input curves, CLUT, output curves; 'mAB '/'mBA ': the
// elements present in their order), so both sides work in the tag's own
// code space.

#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmABInterpolator.h"
#include "csICCmft1Interpolator.h"
#include "csICCmft2Interpolator.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace {

// Our interpolator cut where Little CMS's pipeline is cut: the stages
// before the CLUT (in place), the CLUT, the stages after it (in place).
struct OurStages
{
    std::unique_ptr<csICCLutInterpolator> lut;
    csICCmftInterpolator* mft = nullptr;
    csICCmABInterpolator* ab = nullptr;

    explicit OurStages(csICCTag* tag)
    {
        if (auto* mft2 = dynamic_cast<csICCmft2Tag*>(tag))
            lut = std::make_unique<csICCmft2Interpolator>(mft2);
        else if (auto* mft1 = dynamic_cast<csICCmft1Tag*>(tag))
            lut = std::make_unique<csICCmft1Interpolator>(mft1);
        else if (auto* lutAB = dynamic_cast<csICCmABTag*>(tag))
            lut = std::make_unique<csICCmABInterpolator>(lutAB);
        mft = dynamic_cast<csICCmftInterpolator*>(lut.get());
        ab = dynamic_cast<csICCmABInterpolator*>(lut.get());
    }
    template <typename Value>
    void before(Value* v, std::size_t n)
    {
        if (ab) {
            ab->beforeClut(v, n);
            return;
        }
        mft->applyMatrix(v, n);
        mft->inputCurves(v, v, n);
    }
    template <typename Value>
    void clut(const Value* in, Value* out, std::size_t n)
    {
        if (ab)
            ab->clut(in, out, n);
        else
            mft->clut(in, out, n);
    }
    template <typename Value>
    void after(Value* v, std::size_t n)
    {
        if (ab)
            ab->afterClut(v, n);
        else
            mft->outputCurves(v, v, n);
    }
};

std::vector<uint16_t> randomInputs(unsigned channels, std::size_t count)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> inputs;
    for (std::size_t i = 0; i < count * channels; ++i)
        inputs.push_back(static_cast<uint16_t>(code(random)));
    return inputs;
}

// The codes of every grid node, each input with its own grid.
std::vector<uint16_t> nodeInputs(unsigned channels, const uint32_t* gridPoints)
{
    std::vector<uint16_t> inputs;
    std::size_t nodes = 1;
    for (unsigned c = 0; c < channels; ++c)
        nodes *= gridPoints[c];
    for (std::size_t n = 0; n < nodes && n < 100000; ++n) {
        std::size_t rest = n;
        for (unsigned c = 0; c < channels; ++c) {
            const uint32_t index = rest % gridPoints[c];
            rest /= gridPoints[c];
            inputs.push_back(static_cast<uint16_t>(std::lround(index * 65535.0 / (gridPoints[c] - 1))));
        }
    }
    return inputs;
}

// Little CMS's pipeline cut at its CLUT stage: the stages before it
// (matrix, input curves), the CLUT, and the stages after it.
struct LcmsStages
{
    cmsPipeline* before;
    cmsPipeline* clut;
    cmsPipeline* after;

    explicit LcmsStages(const cmsPipeline* pipeline)
    {
        const cmsUInt32Number in = cmsPipelineInputChannels(pipeline);
        const cmsUInt32Number out = cmsPipelineOutputChannels(pipeline);
        before = cmsPipelineAlloc(nullptr, in, in);
        clut = cmsPipelineAlloc(nullptr, in, out);
        after = cmsPipelineAlloc(nullptr, out, out);
        cmsPipeline* target = before;
        for (cmsStage* s = cmsPipelineGetPtrToFirstStage(pipeline); s; s = cmsStageNext(s)) {
            if (cmsStageType(s) == cmsSigCLutElemType) {
                cmsPipelineInsertStage(clut, cmsAT_END, cmsStageDup(s));
                target = after;
            } else {
                cmsPipelineInsertStage(target, cmsAT_END, cmsStageDup(s));
            }
        }
    }
    ~LcmsStages()
    {
        cmsPipelineFree(before);
        cmsPipelineFree(clut);
        cmsPipelineFree(after);
    }
};

// Differences in codes of one conversion, 16-bit and rfloat.
struct Comparison
{
    Stats codes16, codesFloat;

    template <typename Ours>
    void run(const std::vector<uint16_t>& inputs, unsigned in, unsigned out, const cmsPipeline* lcms, Ours ours)
    {
        const std::size_t pixels = inputs.size() / in;
        std::vector<uint16_t> work(inputs), result16(pixels * out);
        std::vector<rfloat> workFloat(inputs.begin(), inputs.end()), resultFloat(pixels * out);
        ours(work.data(), result16.data(), workFloat.data(), resultFloat.data(), pixels);
        for (std::size_t p = 0; p < pixels; ++p) {
            cmsUInt16Number lcmsOut16[16];
            cmsPipelineEval16(&inputs[p * in], lcmsOut16, lcms);
            cmsFloat32Number lcmsIn[16], lcmsOut[16];
            for (unsigned k = 0; k < in; ++k)
                lcmsIn[k] = static_cast<cmsFloat32Number>(inputs[p * in + k] / 65535.0);
            cmsPipelineEvalFloat(lcmsIn, lcmsOut, lcms);
            for (unsigned k = 0; k < out; ++k) {
                // Little CMS carries floats beyond 0..1 on where we limit them
                // to the range: legacy L* near 100 scaled into v4 is one.
                const double lcmsFloat = std::min(1.0f, std::max(0.0f, lcmsOut[k])) * 65535.0;
                codes16.add(std::abs(double(result16[p * out + k]) - lcmsOut16[k]));
                codesFloat.add(std::abs(resultFloat[p * out + k] - lcmsFloat));
            }
        }
    }

    void print(const char* what)
    {
        std::printf("  %-14s 16-bit max %4.0f mean %6.3f p99 %4.0f | rfloat max %7.2f mean %6.3f p99 %6.2f codes\n",
                    what, codes16.max, codes16.mean(), codes16.percentile(0.99), codesFloat.max, codesFloat.mean(),
                    codesFloat.percentile(0.99));
    }
};

// The most codes apart, 16-bit and rfloat alike, of the stages before the
// CLUT, the CLUT, the stages after it and the whole table.
struct Limits
{
    double before, clut, after, whole;
};

// Curves: both sides interpolate linearly in the same 16-bit tables; ours
// rounds a double once, Little CMS interpolates in fixed point, so 1 code
// apart at most.
// Three-input CLUTs: the same tetrahedral scheme; the fixed-point roundings
// differ, so within 2 codes.
// Floating point: Little CMS evaluates 16-bit curves and CLUTs in float by
// quantising the input to 16 bits and running its fixed-point code, so its
// float results carry the same rounding as its 16-bit ones; ours does not
// round at all. Hence the same limits as for 16 bits.
// Whole pipelines: a code of difference after the input curves moves the
// CLUT position, and the CLUT's slope near steep edges magnifies it.
// At the grid nodes the CLUTs return their nodes on both sides, within a
// code of rounding, however the grid differs per input.
const Limits threeInputs = {1, 2, 1, 24};
const Limits fourInputs = {1, 400, 1, 400};
// Version 4 copies: where a matrix puts a curve's input between two codes,
// Little CMS rounds it to a code before its curve, we do not: half a code
// times the slope of the curve (about 2).
const Limits sameThreeInputs = {2, 2, 1, 24};
const Limits sameFourInputs = {2, 400, 1, 400};
// Parametric curves and a matrix with offsets: Little CMS carries floats
// from stage to stage, our 16-bit path rounds to a code after each, so 2
// codes apart before the CLUT (rfloat: a hundredth). The resampled CLUT
// holds the reverse of the sRGB-like curve, steep near black, which makes
// that up to 80 codes of device value (16 at the 99th percentile). The
// 8-bit four-input CLUT with 7 to 13 points per input has steeper cells
// than the original, and there Little CMS's way of interpolating four
// inputs (tetrahedra in three, a line in the fourth) and our 4-simplex part
// further between the nodes.
const Limits reshapedThreeInputs = {2, 2, 2, 100};
// After an A2B CLUT the matrix is the inverse mixing, which sends corners of
// the CLUT's range outside 0..1: we limit to the range before the B curves,
// Little CMS carries the value through the curve's formula and limits at
// the end (up to about 730 codes apart there). The CLUT's own values stay
// where the matrix maps into range, so the whole tables agree as before.
const Limits reshapedThreeInputsAToB = {2, 2, 800, 100};
const Limits reshapedFourInputs = {2, 600, 800, 900};

struct Case
{
    const char* file;
    V4Tables tables;
    cmsTagSignature lcmsTag;
    csSignature tag;
    Limits limits;
};

std::string nameOf(const Case& c)
{
    return std::string(c.file) + (c.tables == V4Tables::None ? "" : c.tables == V4Tables::Same ? " as v4" : " reshaped v4") +
           " " + csSigText(c.tag).text;
}

// What ctest lists after the test's name.
void PrintTo(const Case& c, std::ostream* out)
{
    *out << nameOf(c);
}

using LutCrossCheck = ::testing::TestWithParam<Case>;

TEST_P(LutCrossCheck, AgreesWithLittleCMS)
{
    const Case& c = GetParam();
    const std::vector<uint8_t> bytes = testProfile(c.file, c.tables);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    OurStages ours(profile.tagTable().find(c.tag));
    ASSERT_TRUE(ours.lut) << logText();
    csICCLutInterpolator& lut = *ours.lut;

    cmsHPROFILE lcmsProfile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    ASSERT_NE(lcmsProfile, nullptr);
    const cmsPipeline* pipeline = static_cast<const cmsPipeline*>(cmsReadTag(lcmsProfile, c.lcmsTag));
    ASSERT_NE(pipeline, nullptr);
    const unsigned in = lut.numInputs(), out = lut.numOutputs();
    ASSERT_EQ(cmsPipelineInputChannels(pipeline), in);
    ASSERT_EQ(cmsPipelineOutputChannels(pipeline), out);
    const LcmsStages stages(pipeline);

    // Random codes, and the codes of the grid nodes, where both sides must
    // return the node itself.
    std::vector<uint16_t> inputs = randomInputs(in, 20000);
    const std::vector<uint16_t> nodes = nodeInputs(in, lut.gridPoints());
    inputs.insert(inputs.end(), nodes.begin(), nodes.end());
    const std::vector<uint16_t> outputSide = randomInputs(out, 20000);

    Comparison before, table, atNodes, after, whole;
    before.run(inputs, in, in, stages.before, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        ours.before(i16, n);
        ours.before(iF, n);
        std::copy(i16, i16 + n * in, o16);
        std::copy(iF, iF + n * in, oF);
    });
    auto clut = [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        ours.clut(i16, o16, n);
        ours.clut(iF, oF, n);
    };
    table.run(inputs, in, out, stages.clut, clut);
    atNodes.run(nodes, in, out, stages.clut, clut);
    after.run(outputSide, out, out, stages.after, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        ours.after(i16, n);
        ours.after(iF, n);
        std::copy(i16, i16 + n * out, o16);
        std::copy(iF, iF + n * out, oF);
    });
    whole.run(inputs, in, out, pipeline, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        lut.convert(i16, o16, n);
        lut.convert(iF, oF, n);
    });

    std::string grid;
    for (unsigned k = 0; k < in; ++k)
        grid += (k ? "x" : "") + std::to_string(lut.gridPoints()[k]);
    std::printf("%s (%s, %u->%u, grid %s), differences to Little CMS:\n", nameOf(c).c_str(),
                csSigText(lut.tag()->getType()).text, in, out, grid.c_str());
    before.print("before CLUT");
    table.print("CLUT");
    atNodes.print("CLUT at nodes");
    after.print("after CLUT");
    whole.print("whole table");

    EXPECT_LE(before.codes16.max, c.limits.before);
    EXPECT_LE(before.codesFloat.max, c.limits.before);
    EXPECT_LE(table.codes16.max, c.limits.clut);
    EXPECT_LE(table.codesFloat.max, c.limits.clut);
    EXPECT_LE(atNodes.codes16.max, 1);
    EXPECT_LE(atNodes.codesFloat.max, 1);
    EXPECT_LE(after.codes16.max, c.limits.after);
    EXPECT_LE(after.codesFloat.max, c.limits.after);
    EXPECT_LE(whole.codes16.max, c.limits.whole);
    EXPECT_LE(whole.codesFloat.max, c.limits.whole);
    cmsCloseProfile(lcmsProfile);
}

const Case cases[] = {
    {"cmyk_v2.icc", V4Tables::None, cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"cmyk_v2.icc", V4Tables::None, cmsSigAToB1Tag, csSig("A2B1"), fourInputs},
    {"rgb_v2_lut8.icc", V4Tables::None, cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"rgb_v2_lut8.icc", V4Tables::None, cmsSigAToB1Tag, csSig("A2B1"), threeInputs},
    {"rgb_xyz_pcs.icc", V4Tables::None, cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"rgb_xyz_pcs.icc", V4Tables::None, cmsSigAToB1Tag, csSig("A2B1"), threeInputs},
    {"cmyk_v2.icc", V4Tables::Same, cmsSigBToA1Tag, csSig("B2A1"), sameThreeInputs},
    {"cmyk_v2.icc", V4Tables::Same, cmsSigAToB1Tag, csSig("A2B1"), sameFourInputs},
    {"cmyk_v2.icc", V4Tables::Reshaped, cmsSigBToA1Tag, csSig("B2A1"), reshapedThreeInputs},
    {"cmyk_v2.icc", V4Tables::Reshaped, cmsSigAToB1Tag, csSig("A2B1"), reshapedFourInputs},
    {"rgb_v2_lut8.icc", V4Tables::Reshaped, cmsSigBToA1Tag, csSig("B2A1"), reshapedThreeInputs},
    {"rgb_v2_lut8.icc", V4Tables::Reshaped, cmsSigAToB1Tag, csSig("A2B1"), reshapedThreeInputsAToB},
    {"rgb_xyz_pcs.icc", V4Tables::Reshaped, cmsSigBToA1Tag, csSig("B2A1"), reshapedThreeInputs},
    {"rgb_xyz_pcs.icc", V4Tables::Reshaped, cmsSigAToB1Tag, csSig("A2B1"), reshapedThreeInputsAToB},
};

INSTANTIATE_TEST_SUITE_P(TestProfiles, LutCrossCheck, ::testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) { return identifier(nameOf(info.param)); });

} // namespace
