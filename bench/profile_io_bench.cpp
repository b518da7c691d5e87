// Reading and writing a real printer profile, Vestrel against Little CMS in
// the same run. Little CMS opens lazily, so the fair pair is open + save,
// which makes it read every tag.

#include "csErrorLog.h"
#include "csICCProfile.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> sampleProfile()
{
    std::ifstream in(std::string(VESTREL_SAMPLES) + "/cmyk_v2.icc", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_ReadWrite_Vestrel(benchmark::State& state)
{
    const std::vector<uint8_t> input = sampleProfile();
    std::vector<uint8_t> output;
    for (auto _ : state) {
        csICCProfile profile;
        profile.setProfile(input.data(), input.size());
        profile.writeToMemory(output);
        benchmark::DoNotOptimize(output.data());
        csErrorLog::clear();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.size()));
}

void BM_ReadWrite_LittleCMS(benchmark::State& state)
{
    const std::vector<uint8_t> input = sampleProfile();
    std::vector<uint8_t> output(input.size() * 2);
    for (auto _ : state) {
        cmsHPROFILE profile = cmsOpenProfileFromMem(input.data(), static_cast<cmsUInt32Number>(input.size()));
        cmsUInt32Number written = static_cast<cmsUInt32Number>(output.size());
        cmsSaveProfileToMem(profile, output.data(), &written);
        benchmark::DoNotOptimize(output.data());
        cmsCloseProfile(profile);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.size()));
}

BENCHMARK(BM_ReadWrite_Vestrel);
BENCHMARK(BM_ReadWrite_LittleCMS);

// Prints the console table, then one ratio line per pair named *_Vestrel / *_LittleCMS.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, time] : times_) {
            const std::string::size_type at = name.rfind("_Vestrel");
            if (at == std::string::npos)
                continue;
            const auto reference = times_.find(name.substr(0, at) + "_LittleCMS" + name.substr(at + 8));
            if (reference != times_.end() && time > 0)
                std::printf("%s: Little CMS time / Vestrel time = %.2f\n", name.substr(0, at).c_str(),
                            reference->second / time);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
