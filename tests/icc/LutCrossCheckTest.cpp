// The LUT tags of the test profiles evaluated by our interpolators and by
// Little CMS on the same inputs. cmsReadTag gives the tag's raw pipeline
// (matrix for 3 inputs when not identity, input curves, CLUT, output
// curves), so both sides work in the tag's own code space.

#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmft1Interpolator.h"
#include "csICCmft2Interpolator.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace {

struct Statistics
{
    double max = 0;
    double sum = 0;
    std::size_t count = 0;
    std::vector<double> all;

    void add(double difference)
    {
        max = std::max(max, difference);
        sum += difference;
        ++count;
        all.push_back(difference);
    }
    double mean() const { return count ? sum / count : 0; }
    double percentile(double p)
    {
        if (all.empty())
            return 0;
        std::sort(all.begin(), all.end());
        return all[static_cast<std::size_t>(p * (all.size() - 1))];
    }
};

std::unique_ptr<csICCmftInterpolator> interpolatorFor(csICCTag* tag)
{
    if (auto* mft2 = dynamic_cast<csICCmft2Tag*>(tag))
        return std::make_unique<csICCmft2Interpolator>(mft2);
    if (auto* mft1 = dynamic_cast<csICCmft1Tag*>(tag))
        return std::make_unique<csICCmft1Interpolator>(mft1);
    return nullptr;
}

// Random codes and the codes of every grid node (where both sides must
// return the node through the curves).
std::vector<uint16_t> testInputs(unsigned channels, uint32_t gridPoints, std::size_t randomCount)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> inputs;
    for (std::size_t i = 0; i < randomCount * channels; ++i)
        inputs.push_back(static_cast<uint16_t>(code(random)));
    const std::size_t nodes = static_cast<std::size_t>(std::pow(gridPoints, channels));
    for (std::size_t n = 0; n < nodes && n < 100000; ++n) {
        std::size_t rest = n;
        for (unsigned c = 0; c < channels; ++c) {
            const uint32_t index = rest % gridPoints;
            rest /= gridPoints;
            inputs.push_back(static_cast<uint16_t>(std::lround(index * 65535.0 / (gridPoints - 1))));
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
    Statistics codes16, codesFloat;

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
                codes16.add(std::abs(double(result16[p * out + k]) - lcmsOut16[k]));
                codesFloat.add(std::abs(resultFloat[p * out + k] - lcmsOut[k] * 65535.0));
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

struct Limits
{
    double curves16, curvesFloat, clut16, clutFloat, pipeline16, pipelineFloat;
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
const Limits threeInputs = {1, 1, 2, 2, 24, 24};
const Limits fourInputs = {1, 1, 400, 400, 400, 400};

struct Case
{
    const char* file;
    cmsTagSignature lcmsTag;
    csSignature tag;
    Limits limits;
};

class LutCrossCheck : public ::testing::TestWithParam<Case>
{
};

TEST_P(LutCrossCheck, AgreesWithLittleCMS)
{
    const Case& c = GetParam();
    const std::vector<uint8_t> bytes = readBytes(testDataPath(c.file));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    std::unique_ptr<csICCmftInterpolator> ours = interpolatorFor(profile.tagTable().find(c.tag));
    ASSERT_TRUE(ours);

    cmsHPROFILE lcmsProfile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    ASSERT_NE(lcmsProfile, nullptr);
    const cmsPipeline* pipeline = static_cast<const cmsPipeline*>(cmsReadTag(lcmsProfile, c.lcmsTag));
    ASSERT_NE(pipeline, nullptr);
    const unsigned in = ours->numInputs(), out = ours->numOutputs();
    ASSERT_EQ(cmsPipelineInputChannels(pipeline), in);
    ASSERT_EQ(cmsPipelineOutputChannels(pipeline), out);
    const LcmsStages stages(pipeline);

    const std::vector<uint16_t> inputs = testInputs(in, ours->gridPoints()[0], 20000);
    const std::vector<uint16_t> outputSide = testInputs(out, 9, 20000);
    csICCmftInterpolator& lut = *ours;

    Comparison before, table, after, whole;
    before.run(inputs, in, in, stages.before, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        lut.applyMatrix(i16, n);
        lut.inputCurves(i16, o16, n);
        lut.applyMatrix(iF, n);
        lut.inputCurves(iF, oF, n);
    });
    table.run(inputs, in, out, stages.clut, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        lut.clut(i16, o16, n);
        lut.clut(iF, oF, n);
    });
    after.run(outputSide, out, out, stages.after, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        lut.outputCurves(i16, o16, n);
        lut.outputCurves(iF, oF, n);
    });
    whole.run(inputs, in, out, pipeline, [&](uint16_t* i16, uint16_t* o16, rfloat* iF, rfloat* oF, std::size_t n) {
        lut.convert(i16, o16, n);
        lut.convert(iF, oF, n);
    });

    std::printf("%s %s (%s, %u->%u, grid %u), differences to Little CMS:\n", c.file, csSigText(c.tag).text,
                csSigText(ours->tag()->getType()).text, in, out, ours->gridPoints()[0]);
    before.print("input curves");
    table.print("CLUT");
    after.print("output curves");
    whole.print("whole table");

    EXPECT_LE(before.codes16.max, c.limits.curves16);
    EXPECT_LE(before.codesFloat.max, c.limits.curvesFloat);
    EXPECT_LE(table.codes16.max, c.limits.clut16);
    EXPECT_LE(table.codesFloat.max, c.limits.clutFloat);
    EXPECT_LE(after.codes16.max, c.limits.curves16);
    EXPECT_LE(after.codesFloat.max, c.limits.curvesFloat);
    EXPECT_LE(whole.codes16.max, c.limits.pipeline16);
    EXPECT_LE(whole.codesFloat.max, c.limits.pipelineFloat);
    cmsCloseProfile(lcmsProfile);
}

const Case cases[] = {
    {"cmyk_v2.icc", cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"cmyk_v2.icc", cmsSigAToB1Tag, csSig("A2B1"), fourInputs},
    {"rgb_v2_lut8.icc", cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"rgb_v2_lut8.icc", cmsSigAToB1Tag, csSig("A2B1"), threeInputs},
    {"rgb_xyz_pcs.icc", cmsSigBToA1Tag, csSig("B2A1"), threeInputs},
    {"rgb_xyz_pcs.icc", cmsSigAToB1Tag, csSig("A2B1"), threeInputs},
};

INSTANTIATE_TEST_SUITE_P(TestProfiles, LutCrossCheck, ::testing::ValuesIn(cases));

} // namespace
