// Runs every benchmark, then prints one comparison line per case:
//   case ours lcms ratio_min ratio_median rounds
// for each benchmark named "<case>/ours" and its partners "<case>/lcms...".
// ours and lcms are the median time per item (ns per pixel, or µs per
// profile); the ratio is Little CMS's time over ours, round by round: above
// 1 we are faster.
//
// Unless told otherwise, every benchmark runs in 9 rounds with the order
// shuffled in each round, so our side and Little CMS's take turns and a busy
// moment of a shared machine falls on both; each round's ratio pairs the
// two sides of that round.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

class ComparisonReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            if (rate == run.counters.end() || run.run_type != Run::RT_Iteration || rate->second.value <= 0)
                continue;
            std::vector<double>& times = seconds_[run.run_name.str()];
            const std::size_t round = static_cast<std::size_t>(std::max<int64_t>(run.repetition_index, 0));
            if (times.size() <= round)
                times.resize(round + 1, 0.0);
            times[round] = 1.0 / rate->second.value;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\ncase ours lcms ratio_min ratio_median rounds (time per item: ns below 10 us, else us; "
                    "ratio: Little CMS's time over ours)\n");
        for (const auto& [name, ours] : seconds_) {
            const std::string::size_type slash = name.rfind("/ours");
            if (slash == std::string::npos || slash + 5 != name.size())
                continue;
            const std::string prefix = name.substr(0, slash + 1);
            for (const auto& [other, lcms] : seconds_) {
                if (other.compare(0, prefix.size(), prefix) != 0 || other == name)
                    continue;
                std::vector<double> ratios;
                for (std::size_t r = 0; r < std::min(ours.size(), lcms.size()); ++r)
                    if (ours[r] > 0 && lcms[r] > 0)
                        ratios.push_back(lcms[r] / ours[r]);
                if (ratios.empty())
                    continue;
                std::printf("%s_vs_%s %s %s %.2f %.2f %zu\n", name.substr(0, slash).c_str(),
                            other.substr(prefix.size()).c_str(), timeText(median(ours)).c_str(),
                            timeText(median(lcms)).c_str(), *std::min_element(ratios.begin(), ratios.end()),
                            median(ratios), ratios.size());
            }
        }
    }

private:
    static double median(std::vector<double> values)
    {
        values.erase(std::remove(values.begin(), values.end(), 0.0), values.end());
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    static std::string timeText(double seconds)
    {
        char text[32];
        if (seconds < 1e-5)
            std::snprintf(text, sizeof text, "%.1fns", seconds * 1e9);
        else
            std::snprintf(text, sizeof text, "%.1fus", seconds * 1e6);
        return text;
    }

    // Seconds per item of every round, by benchmark name.
    std::map<std::string, std::vector<double>> seconds_;
};

bool given(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=9";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    if (!given(argc, argv, "--benchmark_repetitions"))
        args.push_back(repetitions);
    if (!given(argc, argv, "--benchmark_enable_random_interleaving"))
        args.push_back(interleaving);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    ComparisonReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
