// Runs every benchmark, then prints one comparison line per case:
//   case ours_Mpix_s lcms_Mpix_s ratio
// for each benchmark named "<case>/ours" and its partners "<case>/lcms...".
// The ratio is our throughput over Little CMS's: above 1 we are faster.

#include <benchmark/benchmark.h>

#include <cstdio>
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
        // With repetitions the median stands for the case.
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (rate != run.counters.end() && (run.run_type == Run::RT_Iteration || median))
                rates_[run.run_name.str()] = rate->second.value / 1e6;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\ncase ours_Mpix_s lcms_Mpix_s ratio\n");
        for (const auto& [name, ours] : rates_) {
            const std::string::size_type slash = name.rfind("/ours");
            if (slash == std::string::npos || slash + 5 != name.size())
                continue;
            const std::string prefix = name.substr(0, slash + 1);
            for (const auto& [other, lcms] : rates_) {
                if (other.compare(0, prefix.size(), prefix) == 0 && other != name && lcms > 0)
                    std::printf("%s_vs_%s %.2f %.2f %.2f\n", name.substr(0, slash).c_str(),
                                other.substr(prefix.size()).c_str(), ours, lcms, ours / lcms);
            }
        }
    }

private:
    std::map<std::string, double> rates_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    ComparisonReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
