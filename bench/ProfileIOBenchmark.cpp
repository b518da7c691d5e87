// Reading and writing a real printer profile. Little CMS opens lazily, so
// the fair pair is open + save, which makes it read every tag.

#include "BenchmarkData.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

namespace {

void ProfileReadWrite_ours(benchmark::State& state)
{
    const std::vector<uint8_t>& input = sampleProfileBytes();
    std::vector<uint8_t> output;
    {
        csICCProfile profile;
        profile.setProfile(input.data(), input.size());
        profile.writeToMemory(output);
    }
    for (auto _ : state) {
        Counted counted;
        csICCProfile profile;
        profile.setProfile(input.data(), input.size());
        profile.writeToMemory(output);
        benchmark::DoNotOptimize(output.data());
        csErrorLog::clear();
    }
    state.SetItemsProcessed(state.iterations());
}

void ProfileReadWrite_lcms(benchmark::State& state)
{
    const std::vector<uint8_t>& input = sampleProfileBytes();
    std::vector<uint8_t> output(input.size() * 2);
    for (auto _ : state) {
        Counted counted;
        cmsHPROFILE profile = cmsOpenProfileFromMem(input.data(), static_cast<cmsUInt32Number>(input.size()));
        cmsUInt32Number written = static_cast<cmsUInt32Number>(output.size());
        cmsSaveProfileToMem(profile, output.data(), &written);
        benchmark::DoNotOptimize(output.data());
        cmsCloseProfile(profile);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(ProfileReadWrite_ours)->Name("ProfileReadWrite/ours");
BENCHMARK(ProfileReadWrite_lcms)->Name("ProfileReadWrite/lcms");
