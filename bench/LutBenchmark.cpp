// 16-bit interleaved evaluation of one million pixels through the B2A1
// (3 inputs, Lab to CMYK) and A2B1 (4 inputs) tables of the sample profile.
// Little CMS evaluates exactly the same table two ways: an optimised
// transform over a device link holding the table, and cmsPipelineEval16
// pixel by pixel.

#include "BenchmarkData.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmft2Interpolator.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstring>
#include <memory>

namespace {

constexpr std::size_t pixels = 1000000;

struct LutCase
{
    csSignature tag;
    cmsTagSignature lcmsTag;
};

const LutCase b2a1 = {csSig("B2A1"), cmsSigBToA1Tag};
const LutCase a2b1 = {csSig("A2B1"), cmsSigAToB1Tag};

void ours(benchmark::State& state, const LutCase& lut)
{
    csICCProfile profile;
    const std::vector<uint8_t>& bytes = sampleProfileBytes();
    profile.setProfile(bytes.data(), bytes.size());
    csICCmft2Tag* tag = dynamic_cast<csICCmft2Tag*>(profile.tagTable().find(lut.tag));
    csICCmft2Interpolator interpolator(tag);
    const unsigned in = interpolator.numInputs(), out = interpolator.numOutputs();
    const std::vector<uint16_t> input = randomCodes(pixels, in);
    std::vector<uint16_t> work(input.size()), output(pixels * out);
    for (auto _ : state) {
        // convert runs the input curves in place, so each round starts afresh.
        state.PauseTiming();
        std::memcpy(work.data(), input.data(), input.size() * sizeof(uint16_t));
        state.ResumeTiming();
        interpolator.convert(work.data(), output.data(), pixels);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    csErrorLog::clear();
}

// A version 2 device link whose only table is the tag's pipeline (stored as
// lut16, the tag's own type). The colour spaces are RGB and CMYK, which
// carry no encoding stages, and are the ones for which Little CMS optimises
// (generic 3CLR/4CLR links were not optimised and ran 6 times slower).
cmsHTRANSFORM linkTransform(const cmsPipeline* pipeline)
{
    const bool threeIn = cmsPipelineInputChannels(pipeline) == 3;
    const bool threeOut = cmsPipelineOutputChannels(pipeline) == 3;
    cmsHPROFILE link = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(link, 2.1);
    cmsSetDeviceClass(link, cmsSigLinkClass);
    cmsSetColorSpace(link, threeIn ? cmsSigRgbData : cmsSigCmykData);
    cmsSetPCS(link, threeOut ? cmsSigRgbData : cmsSigCmykData);
    cmsWriteTag(link, cmsSigAToB0Tag, pipeline);
    cmsHTRANSFORM transform = cmsCreateTransform(link, threeIn ? TYPE_RGB_16 : TYPE_CMYK_16, nullptr,
                                                 threeOut ? TYPE_RGB_16 : TYPE_CMYK_16, INTENT_PERCEPTUAL,
                                                 cmsFLAGS_NOCACHE);
    cmsCloseProfile(link);
    return transform;
}

void lcmsTransform(benchmark::State& state, const LutCase& lut)
{
    const std::vector<uint8_t>& bytes = sampleProfileBytes();
    cmsHPROFILE profile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    const cmsPipeline* pipeline = static_cast<const cmsPipeline*>(cmsReadTag(profile, lut.lcmsTag));
    cmsHTRANSFORM transform = linkTransform(pipeline);
    const std::vector<uint16_t> input = randomCodes(pixels, cmsPipelineInputChannels(pipeline));
    std::vector<uint16_t> output(pixels * cmsPipelineOutputChannels(pipeline));
    for (auto _ : state) {
        cmsDoTransform(transform, input.data(), output.data(), static_cast<cmsUInt32Number>(pixels));
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    cmsDeleteTransform(transform);
    cmsCloseProfile(profile);
}

void lcmsPipeline(benchmark::State& state, const LutCase& lut)
{
    const std::vector<uint8_t>& bytes = sampleProfileBytes();
    cmsHPROFILE profile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    const cmsPipeline* pipeline = static_cast<const cmsPipeline*>(cmsReadTag(profile, lut.lcmsTag));
    const unsigned in = cmsPipelineInputChannels(pipeline), out = cmsPipelineOutputChannels(pipeline);
    const std::vector<uint16_t> input = randomCodes(pixels, in);
    std::vector<uint16_t> output(pixels * out);
    for (auto _ : state) {
        for (std::size_t i = 0; i < pixels; ++i)
            cmsPipelineEval16(&input[i * in], &output[i * out], pipeline);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    cmsCloseProfile(profile);
}

} // namespace

BENCHMARK_CAPTURE(ours, b2a1, b2a1)->Name("B2A1_3in_16bit/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcmsTransform, b2a1, b2a1)->Name("B2A1_3in_16bit/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcmsPipeline, b2a1, b2a1)->Name("B2A1_3in_16bit/lcms_pipeline_eval16")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, a2b1, a2b1)->Name("A2B1_4in_16bit/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcmsTransform, a2b1, a2b1)->Name("A2B1_4in_16bit/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcmsPipeline, a2b1, a2b1)->Name("A2B1_4in_16bit/lcms_pipeline_eval16")->Unit(benchmark::kMillisecond);
