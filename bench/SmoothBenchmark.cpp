// One Smooth correction pass, from the patches to the written tables:
//   cmyk33/1617  the test CMYK profile with its B2A table resampled to a
//                33-point lut16 grid for all three intents (shared, as the
//                profile has them, and three distinct tables), 1,617 patches
//   cmyk17/150   the test CMYK profile as it is (17 points), 150 patches
//   cmyk17/2400, /2600   either side of where the exact field once gave way
//                to the one through inducing points: the times should be
//                alike
//   cmyk17/100000  a chart of 100,000 patches; peak_MB is the process's
//                peak resident memory, so run the case alone
//                (--benchmark_filter=100000) for the figure
// Patches are colours the profile prints (A2B1 of random separations within
// its ink limit) with a smooth synthetic drift and 0.2 of noise added.
// Little CMS has no counterpart, so these print their times only.
//
// outliers/...  the search for patches that disagree with their neighbours
//               that the session runs before a correction, against the
//               Smooth run it precedes on the test CMYK profile as it is:
//               prints detect_ms, smooth_ms and their ratio, for the
//               1,617 drifted patches, the same with three gross errors,
//               and tests/data/cmyk_chart.ti3 (1,200 patches) drifted.

#include "BenchmarkData.h"
#include "OutlierDetection.h"
#include "PatchFile.h"
#include "SmoothCorrection.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmft2Interpolator.h"
#include "csICCmft2Tag.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>

namespace {

constexpr unsigned resampledGrid = 33;

// A lut16 tag of grid points per axis with two-entry identity curves, whose
// CLUT holds the original tag's whole pipeline at the grid points.
std::vector<uint8_t> resampled(csICCmft2Tag& original, unsigned grid, uint16_t offset)
{
    const unsigned outputs = original.numOutputs();
    std::vector<uint8_t> bytes(52);
    csSetSignature(bytes.data(), csSig("mft2"));
    bytes[8] = 3;
    bytes[9] = static_cast<uint8_t>(outputs);
    bytes[10] = static_cast<uint8_t>(grid);
    for (int i = 0; i < 3; ++i)
        csSetUInt32(bytes.data() + 12 + 16 * i, 0x10000); // identity matrix
    csSetUInt16(bytes.data() + 48, 2);
    csSetUInt16(bytes.data() + 50, 2);
    auto put = [&bytes](uint16_t v) {
        bytes.push_back(uint8_t(v >> 8));
        bytes.push_back(uint8_t(v & 0xFF));
    };
    for (int i = 0; i < 3; ++i) {
        put(0);
        put(65535);
    }
    csICCmft2Interpolator lut(&original);
    for (unsigned x = 0; x < grid; ++x)
        for (unsigned y = 0; y < grid; ++y)
            for (unsigned z = 0; z < grid; ++z) {
                uint16_t in[3] = {uint16_t(x * 65535 / (grid - 1)), uint16_t(y * 65535 / (grid - 1)),
                                  uint16_t(z * 65535 / (grid - 1))};
                uint16_t out[csICCmftTag::maxChannels];
                lut.convert(in, out, 1);
                for (unsigned c = 0; c < outputs; ++c)
                    put(uint16_t(std::min(65535, out[c] + (c == 0 ? offset : 0))));
            }
    for (unsigned c = 0; c < outputs; ++c) {
        put(0);
        put(65535);
    }
    return bytes;
}

struct BenchCase
{
    bool resample;
    bool distinctIntents;
    std::size_t patches;
};

// The profile bytes of a case.
std::vector<uint8_t> caseProfile(const BenchCase& c)
{
    std::vector<uint8_t> bytes = profileBytes("cmyk_v2.icc");
    if (!c.resample)
        return bytes;
    csICCProfile profile;
    profile.setProfile(bytes.data(), bytes.size());
    csICCmft2Tag original(*dynamic_cast<csICCmft2Tag*>(profile.tagTable().find(csSig("B2A1"))));
    const csSignature names[3] = {csSig("B2A0"), csSig("B2A1"), csSig("B2A2")};
    for (int intent = 0; intent < 3; ++intent) {
        // Distinct tables differ by a code in one channel, so they are solved one by one.
        const std::vector<uint8_t> lut =
            resampled(original, resampledGrid, c.distinctIntents ? uint16_t(intent == 1 ? 0 : intent + 1) : 0);
        profile.tagTable().replace(names[intent], *csICCTagTable::tagFactory(names[intent], uint32_t(lut.size()),
                                                                             lut.data()));
    }
    profile.writeToMemory(bytes);
    return bytes;
}

// Dot gain in the mid-tones, a hue turn in the greens and blues, a density loss in the darks.
Lab drift(const Lab& ref, std::mt19937& random)
{
    std::normal_distribution<double> noise(0.0, 0.2);
    const Lab error = {-3.0 * std::sin(ref.L / 100.0 * M_PI) + 0.02 * (100.0 - ref.L),
                       1.5 + 0.03 * ref.b + noise(random), -1.0 + 0.02 * ref.a - 0.01 * ref.L + noise(random)};
    return {ref.L + error.L + noise(random), ref.a + error.a, ref.b + error.b};
}

std::vector<SmoothPatch> drifted(csICCProfile& profile, std::size_t count)
{
    csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    a2b.init();
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<SmoothPatch> patches;
    while (patches.size() < count) {
        rfloat device[4], lab[3];
        double total = 0;
        for (rfloat& d : device) {
            d = unit(random);
            total += d;
        }
        for (rfloat& d : device)
            d = (total > 2.6 ? d * 2.6 / total : d) * 65535.0;
        a2b.convert(device, lab, 1);
        const Lab ref = decodeLabV4(lab);
        patches.push_back({ref, drift(ref, random)});
    }
    return patches;
}

// The process's peak resident memory so far (Linux), or 0.
double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

void smooth(benchmark::State& state, BenchCase c)
{
    const std::vector<uint8_t> bytes = caseProfile(c);
    csICCProfile source;
    source.setProfile(bytes.data(), bytes.size());
    const std::vector<SmoothPatch> patches = drifted(source, c.patches);
    const SmoothParameters parameters;
    SmoothOutcome outcome;
    for (auto _ : state) {
        state.PauseTiming();
        csICCProfile profile;
        profile.setProfile(bytes.data(), bytes.size());
        state.ResumeTiming();
        outcome = runSmoothCorrection(profile, patches, parameters, {});
        benchmark::DoNotOptimize(outcome);
    }
    if (!outcome.ok) {
        state.SkipWithError(outcome.message.english().c_str());
        return;
    }
    int nodes = 0;
    double before = 0, after = 0;
    for (const SmoothTableReport& t : outcome.tables)
        nodes += t.sharedWith.empty() ? t.nodes : 0;
    for (std::size_t i = 0; i < patches.size(); ++i) {
        before += deltaE(patches[i].measured, patches[i].reference);
        after += std::hypot(outcome.remaining[i].L, outcome.remaining[i].a, outcome.remaining[i].b);
    }
    state.counters["patches"] = double(patches.size());
    state.counters["nodes_solved"] = nodes;
    state.counters["dE_before"] = before / patches.size();
    state.counters["dE_after"] = after / patches.size();
    state.counters["peak_MB"] = peakMegabytes();
    csErrorLog::clear();
}

enum class OutlierCase { Clean, ThreeErrors, Ti3Chart };

std::vector<SmoothPatch> outlierCasePatches(csICCProfile& profile, OutlierCase c)
{
    if (c != OutlierCase::Ti3Chart) {
        std::vector<SmoothPatch> patches = drifted(profile, 1617);
        if (c == OutlierCase::ThreeErrors) {
            // Lightness read 20 off, another patch's values, a hue turned.
            patches[100].measured.L += 20;
            patches[700].measured = patches[701].measured;
            patches[1300].measured.a += 25;
            patches[1300].measured.b -= 25;
        }
        return patches;
    }
    PatchFile file;
    EngineText problem;
    PatchFileReader::read(std::string(VESTREL_TEST_DATA) + "/cmyk_chart.ti3", file, problem);
    std::mt19937 random(5);
    std::vector<SmoothPatch> patches;
    for (const PatchRecord& record : file.records)
        patches.push_back({record.lab, drift(record.lab, random)});
    return patches;
}

// One search as the session runs it, then the Smooth run, timed apart.
void outliersBeforeSmooth(benchmark::State& state, OutlierCase c)
{
    const std::vector<uint8_t> bytes = profileBytes("cmyk_v2.icc");
    csICCProfile source;
    source.setProfile(bytes.data(), bytes.size());
    const std::vector<SmoothPatch> patches = outlierCasePatches(source, c);
    std::vector<Lab> references, errors;
    for (const SmoothPatch& p : patches) {
        references.push_back(p.reference);
        errors.push_back({p.measured.L - p.reference.L, p.measured.a - p.reference.a, p.measured.b - p.reference.b});
    }
    const SmoothParameters parameters;
    OutlierSettings settings;
    settings.field = {parameters.fieldLength, parameters.fieldLWeight, parameters.fieldNoise,
                      parameters.fieldMinSpread, parameters.whiteNoise};
    const Lab white = {95.2, 0.63, -2.36};
    using Clock = std::chrono::steady_clock;
    double detect = 0, smooth = 0;
    std::size_t found = 0;
    bool ok = true;
    for (auto _ : state) {
        csICCProfile profile;
        profile.setProfile(bytes.data(), bytes.size());
        const Clock::time_point start = Clock::now();
        const OutlierSearch search = findOutliers(references, errors, white, {}, settings);
        const Clock::time_point searched = Clock::now();
        std::vector<SmoothPatch> kept;
        for (std::size_t i = 0, k = 0; i < patches.size(); ++i) {
            if (k < search.outliers.size() && search.outliers[k].patch == i)
                ++k;
            else
                kept.push_back(patches[i]);
        }
        const SmoothOutcome outcome = runSmoothCorrection(profile, kept, parameters, {});
        const Clock::time_point corrected = Clock::now();
        ok = ok && outcome.ok;
        found = search.outliers.size();
        const double d = std::chrono::duration<double>(searched - start).count();
        const double s = std::chrono::duration<double>(corrected - searched).count();
        state.SetIterationTime(d + s);
        detect += d;
        smooth += s;
    }
    if (!ok) {
        state.SkipWithError("the Smooth run refused");
        return;
    }
    const double runs = double(state.iterations());
    state.counters["patches"] = double(patches.size());
    state.counters["outliers"] = double(found);
    state.counters["detect_ms"] = 1e3 * detect / runs;
    state.counters["smooth_ms"] = 1e3 * smooth / runs;
    state.counters["ratio"] = detect / smooth;
    csErrorLog::clear();
}

} // namespace

// On a shared machine the fastest of a few runs says most about the code.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

#define SMOOTH_CASE(name, ...)                                                                                      \
    BENCHMARK_CAPTURE(smooth, name, BenchCase{__VA_ARGS__})                                                         \
        ->Unit(benchmark::kMillisecond)                                                                             \
        ->Repetitions(3)                                                                                            \
        ->ComputeStatistics("min", fastest)

SMOOTH_CASE(cmyk33_1617patches_shared, true, false, 1617);
SMOOTH_CASE(cmyk33_1617patches_distinct, true, true, 1617);
SMOOTH_CASE(cmyk17_150patches, false, false, 150);
SMOOTH_CASE(cmyk17_2400patches, false, false, 2400);
SMOOTH_CASE(cmyk17_2600patches, false, false, 2600);
SMOOTH_CASE(cmyk17_100000patches, false, false, 100000);

#define OUTLIER_CASE(name, which)                                                                                   \
    BENCHMARK_CAPTURE(outliersBeforeSmooth, name, which)                                                            \
        ->Unit(benchmark::kMillisecond)                                                                             \
        ->UseManualTime()                                                                                           \
        ->Iterations(3)

OUTLIER_CASE(cmyk17_1617patches, OutlierCase::Clean);
OUTLIER_CASE(cmyk17_1617patches_3errors, OutlierCase::ThreeErrors);
OUTLIER_CASE(cmyk17_ti3chart_1200patches, OutlierCase::Ti3Chart);
