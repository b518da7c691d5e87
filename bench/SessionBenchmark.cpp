// The correction session at scale, without widgets: reading and pairing
// 100,000 patches (time and memory), correcting 10,000 patches as
// vestrel-cli correct does, and vestrel-cli copy and convert as processes
// against Little CMS programs doing the same. Prints the figures; asserts
// nothing.

#include "BenchmarkChart.h"
#include "CorrectionSession.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of this process in MB.
double residentMB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Wall time of one process run, in ms, its standard input read from
// input when given; -1 when it could not run. The program is looked up on
// the PATH unless the name holds a slash.
double runProcess(const std::vector<std::string>& args, const std::string& input = "")
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    // The programs' own output is not the benchmark's.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (!input.empty())
        posix_spawn_file_actions_addopen(&quiet, 0, input.c_str(), O_RDONLY, 0);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? millisecondsSince(start) : -1;
}

double bestOf(int runs, const std::vector<std::string>& args, const std::string& input = "")
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, runProcess(args, input));
    return best;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Our program and Little CMS's in turns, the first of each round
// alternating, so that a busy moment of a shared machine falls on both.
// Prints the median times and the minimum and median of the rounds'
// ratios (Little CMS's time over ours: above 1 we are faster).
void compareProcesses(const char* what, int rounds, const std::vector<std::string>& ours,
                      const std::vector<std::string>& lcms, const std::string& input = "")
{
    std::vector<double> oursTimes, lcmsTimes, ratios;
    for (int round = 0; round < rounds; ++round) {
        double o, l;
        if (round % 2) {
            l = runProcess(lcms, input);
            o = runProcess(ours, input);
        } else {
            o = runProcess(ours, input);
            l = runProcess(lcms, input);
        }
        if (o <= 0 || l <= 0) {
            std::printf("%s: a program failed\n", what);
            return;
        }
        oursTimes.push_back(o);
        lcmsTimes.push_back(l);
        ratios.push_back(l / o);
    }
    std::printf("%s as a process: vestrel-cli %.2f ms, Little CMS %.2f ms (medians); ratio min %.2f median %.2f "
                "(%d rounds)\n",
                what, median(oursTimes), median(lcmsTimes), *std::min_element(ratios.begin(), ratios.end()),
                median(ratios), rounds);
}

// count L*a*b* values, one a line, spread over the printable range.
void writeLabLines(const std::string& path, std::size_t count)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> L(0.0, 100.0), ab(-100.0, 100.0);
    std::FILE* file = std::fopen(path.c_str(), "w");
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(file, "%.2f %.2f %.2f\n", L(random), ab(random), ab(random));
    std::fclose(file);
}

} // namespace

// With the argument "processes" only the copy and convert comparisons run;
// "labs FILE COUNT" writes COUNT Lab lines as the convert comparison reads
// them (for bench/instructions.sh).
int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "labs") {
        writeLabLines(argv[2], std::strtoul(argv[3], nullptr, 10));
        return 0;
    }
    const bool processesOnly = argc > 1 && std::string(argv[1]) == "processes";
    const std::string folder = "/tmp/vestrel-session-bench-" + std::to_string(getpid());
    const std::string profile = VESTREL_SAMPLES "/cmyk_v2.icc";
    std::system(("mkdir -p " + folder).c_str());

    if (!processesOnly) {
        const std::string ref100k = folder + "/ref100k.txt", meas100k = folder + "/meas100k.txt";
        writeChart(profile, 100000, ref100k, meas100k);
        {
            const double before = residentMB();
            const auto start = Clock::now();
            CorrectionSession session;
            session.loadPatches(ref100k, PatchFileRole::Reference);
            session.loadPatches(meas100k, PatchFileRole::Measurement);
            const double ms = millisecondsSince(start);
            std::printf("load and pair 100,000 patches: %.0f ms, %.1f MB above the empty session (%zu paired)\n", ms,
                        residentMB() - before, static_cast<std::size_t>(session.before().count));
        }

        const std::string ref10k = folder + "/ref10k.txt", meas10k = folder + "/meas10k.txt";
        writeChart(profile, 10000, ref10k, meas10k);
        for (const char* method : {"patch", "smooth"}) {
            const double correct = bestOf(3, {VESTREL_CLI, "correct", "--method", method, "-i", profile, "-m", meas10k,
                                              "-r", ref10k, "-o", folder + "/corrected.icc"});
            std::printf("vestrel-cli correct --method %s, 10,000 patches, as a process: %.0f ms (best of 3)\n", method,
                        correct);
        }
    }

    compareProcesses("copy of the sample profile", 21, {VESTREL_CLI, "copy", profile, folder + "/copy.icc"},
                     {VESTREL_LCMS_COPY, profile, folder + "/lcms.icc"});

    // One million Lab values to CMYK, absolute colorimetric, against a
    // Little CMS program with the standard library's number reading and
    // writing, and against ArgyllCMS's look-up tool where it is installed.
    const std::string labs = folder + "/labs.txt";
    writeLabLines(labs, 1000000);
    compareProcesses("convert of 1,000,000 Lab values", 9, {VESTREL_CLI, "convert", profile, "b2a"},
                     {VESTREL_LCMS_CONVERT, profile, "b2a"}, labs);
    const double xicclu = bestOf(3, {"xicclu", "-v0", "-fb", "-ia", "-pl", "-s", "100", profile}, labs);
    if (xicclu > 0) {
        const double convert = bestOf(3, {VESTREL_CLI, "convert", profile, "b2a"}, labs);
        std::printf("convert of 1,000,000 Lab values as a process: vestrel-cli %.0f ms, xicclu %.0f ms, speed ratio %.2f "
                    "(xicclu's time over ours, best of 3)\n",
                    convert, xicclu, xicclu / convert);
    }
    std::system(("rm -rf " + folder).c_str());
    return 0;
}
