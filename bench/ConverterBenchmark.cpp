// The whole converter, 16-bit, one million pixels, absolute colorimetric
// (white mode 1, with the white scaling and legacy passes), against Little
// CMS's absolute colorimetric transform between the profile and Lab D50 at
// 16 bits, for the CMYK and the RGB test profiles in both directions, and
// for the CMYK profile as a version 4 copy with 'mAB '/'mBA ' tables
// reshaped (parametric curves, a matrix, grids per input); its B2A1 also
// with the scalar kernel form, compact curves on and off.

#include "BenchmarkData.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmABInterpolator.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstring>
#include <string>

namespace {

constexpr std::size_t pixels = 1000000;

struct ConverterCase
{
    const char* file;
    int direction; // 0 device to Lab, 1 Lab to device
    V4Tables tables;
    // The scalar kernel form, as on a processor without SSE4.1, with an
    // 'mBA ' table's compact curves or its full tables.
    bool scalar = false;
    bool compact = true;
};

std::vector<uint16_t> inputFor(unsigned channels, int direction)
{
    std::vector<uint16_t> codes = randomCodes(pixels, channels);
    // Lab inputs stay within the colours a printer can be asked for.
    if (direction == 1)
        for (std::size_t i = 0; i < pixels; ++i) {
            codes[3 * i + 1] = static_cast<uint16_t>(32896 - 24000 + codes[3 * i + 1] % 48000);
            codes[3 * i + 2] = static_cast<uint16_t>(32896 - 24000 + codes[3 * i + 2] % 48000);
        }
    return codes;
}

void ours(benchmark::State& state, ConverterCase c)
{
    const std::vector<uint8_t> bytes = testProfile(c.file, c.tables);
    csICCProfile profile;
    profile.setProfile(bytes.data(), bytes.size());
    csICCProfileConverter converter(&profile, c.direction, 1, 1);
    if (converter.init() != 0) {
        state.SkipWithError("converter init failed");
        return;
    }
    if (c.scalar)
        converter.setKernel(cs1DInterpolate::ClutKernel::Scalar);
    if (auto* lutAB = dynamic_cast<csICCmABInterpolator*>(converter.interpolator()))
        lutAB->setCompactCurves(c.compact);
    const unsigned in = converter.numInputChannels(), out = converter.numOutputChannels();
    const std::vector<uint16_t> input = inputFor(in, c.direction);
    std::vector<uint16_t> work(input.size()), output(pixels * out);
    // Tables and caches are built on first use, outside the measurement.
    work = input;
    converter.convert(work.data(), output.data(), 4096);
    for (auto _ : state) {
        // The converter works in place on its input, so each round starts afresh.
        state.PauseTiming();
        std::memcpy(work.data(), input.data(), input.size() * sizeof(uint16_t));
        state.ResumeTiming();
        Counted counted;
        converter.convert(work.data(), output.data(), pixels);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    csErrorLog::clear();
}

void lcms(benchmark::State& state, ConverterCase c)
{
    const std::vector<uint8_t> bytes = testProfile(c.file, c.tables);
    cmsHPROFILE profile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    const bool cmyk = cmsGetColorSpace(profile) == cmsSigCmykData;
    const cmsUInt32Number device = cmyk ? TYPE_CMYK_16 : TYPE_RGB_16;
    cmsHTRANSFORM transform =
        c.direction == 0 ? cmsCreateTransform(profile, device, lab, TYPE_Lab_16, INTENT_ABSOLUTE_COLORIMETRIC, 0)
                         : cmsCreateTransform(lab, TYPE_Lab_16, profile, device, INTENT_ABSOLUTE_COLORIMETRIC, 0);
    const unsigned in = c.direction == 0 ? (cmyk ? 4 : 3) : 3;
    const unsigned out = c.direction == 0 ? 3 : (cmyk ? 4 : 3);
    const std::vector<uint16_t> input = inputFor(in, c.direction);
    std::vector<uint16_t> output(pixels * out);
    cmsDoTransform(transform, input.data(), output.data(), 4096);
    for (auto _ : state) {
        Counted counted;
        cmsDoTransform(transform, input.data(), output.data(), static_cast<cmsUInt32Number>(pixels));
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    cmsDeleteTransform(transform);
    cmsCloseProfile(lab);
    cmsCloseProfile(profile);
}

const ConverterCase cmykToLab = {"cmyk_v2.icc", 0, V4Tables::None};
const ConverterCase labToCmyk = {"cmyk_v2.icc", 1, V4Tables::None};
const ConverterCase rgbToLab = {"rgb_v2_lut8.icc", 0, V4Tables::None};
const ConverterCase labToRgb = {"rgb_v2_lut8.icc", 1, V4Tables::None};
const ConverterCase cmykToLabV4 = {"cmyk_v2.icc", 0, V4Tables::Reshaped};
const ConverterCase labToCmykV4 = {"cmyk_v2.icc", 1, V4Tables::Reshaped};
const ConverterCase labToCmykV4Scalar = {"cmyk_v2.icc", 1, V4Tables::Reshaped, true, true};
const ConverterCase labToCmykV4ScalarFull = {"cmyk_v2.icc", 1, V4Tables::Reshaped, true, false};

} // namespace

BENCHMARK_CAPTURE(ours, cmykToLab, cmykToLab)->Name("Converter_CMYK_A2B1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, cmykToLab, cmykToLab)->Name("Converter_CMYK_A2B1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, labToCmyk, labToCmyk)->Name("Converter_CMYK_B2A1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, labToCmyk, labToCmyk)->Name("Converter_CMYK_B2A1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, rgbToLab, rgbToLab)->Name("Converter_RGB_A2B1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, rgbToLab, rgbToLab)->Name("Converter_RGB_A2B1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, labToRgb, labToRgb)->Name("Converter_RGB_B2A1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, labToRgb, labToRgb)->Name("Converter_RGB_B2A1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, cmykToLabV4, cmykToLabV4)->Name("Converter_CMYK_v4_A2B1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, cmykToLabV4, cmykToLabV4)->Name("Converter_CMYK_v4_A2B1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, labToCmykV4, labToCmykV4)->Name("Converter_CMYK_v4_B2A1_abs/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, labToCmykV4, labToCmykV4)->Name("Converter_CMYK_v4_B2A1_abs/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, labToCmykV4Scalar, labToCmykV4Scalar)->Name("Converter_CMYK_v4_B2A1_abs_scalar/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, labToCmykV4, labToCmykV4)->Name("Converter_CMYK_v4_B2A1_abs_scalar/lcms_transform")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, labToCmykV4ScalarFull, labToCmykV4ScalarFull)->Name("Converter_CMYK_v4_B2A1_abs_scalar_full/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lcms, labToCmykV4, labToCmykV4)->Name("Converter_CMYK_v4_B2A1_abs_scalar_full/lcms_transform")->Unit(benchmark::kMillisecond);
