// vestrel-cli correct with misread patches: named on stderr, --strict
// fails without writing, --keep-outliers keeps them, too many refuse.

#include "CliRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

bool exists(const std::string& path)
{
    return std::ifstream(path).good();
}

TEST(OutlierCli, MisreadPatchesAreNamedAndStrictOrKeepDecide)
{
    TempDir dir;
    struct Case
    {
        const char* what;
        std::vector<std::string> options;
        int status;
        bool named;
        const char* summary; // the line on standard output
    };
    const Case cases[] = {
        {"default", {}, 0, true, "patches 97 "},
        {"strict", {"--strict"}, 1, true, nullptr},
        {"kept", {"--keep-outliers"}, 0, false, "patches 100 "},
        {"kept and strict", {"--keep-outliers", "--strict"}, 0, false, "patches 100 "},
        {"per patch", {"--method", "patch"}, 0, true, "patches 97 "},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = dir.path("out" + std::to_string(k++) + ".icc");
        std::vector<std::string> args = {"correct", "-i", testDataPath("cmyk_v2.icc"), "-r",
                                         testDataPath("cmyk_ref.txt"), "-m", testDataPath("cmyk_meas_outliers.txt"),
                                         "-o", out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, c.status) << result.err;
        const std::string line = "  3 patches disagree with their neighbours and were left out: 20 (20.5 from what "
                                 "its neighbours predict), 50 (18.1), 80 (35.3)\n";
        if (c.named && std::string(c.what) != "per patch")
            EXPECT_NE(result.err.find(line), std::string::npos) << result.err;
        else if (c.named)
            EXPECT_NE(result.err.find("  3 patches disagree with their neighbours and were left out: 20 ("),
                      std::string::npos)
                << result.err;
        else
            EXPECT_TRUE(result.err.empty()) << result.err;
        EXPECT_EQ(exists(out), c.status == 0);
        if (c.status != 0) {
            EXPECT_NE(result.err.find("vestrel-cli: warnings with --strict; " + out + " was not written"),
                      std::string::npos)
                << result.err;
        }
        if (c.summary) {
            EXPECT_NE(result.out.find(c.summary), std::string::npos) << result.out;
        }
    }
}

TEST(OutlierCli, TooManyRefuseWithOneLine)
{
    TempDir dir;
    // Every fourth patch read 20 off in L*.
    std::ifstream in(testDataPath("cmyk_meas.txt"));
    std::ostringstream text;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        int id;
        double L, a, b;
        if (words >> id >> L >> a >> b && id % 4 == 0)
            line = std::to_string(id) + " " + std::to_string(L + 20) + " " + std::to_string(a) + " " +
                   std::to_string(b);
        text << line << "\n";
    }
    const std::string meas = dir.path("meas.txt"), out = dir.path("out.icc");
    std::ofstream(meas) << text.str();
    const CliResult result = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-r", testDataPath("cmyk_ref.txt"),
                                     "-m", meas, "-o", out});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vestrel-cli: Not corrected: 25 of 100 patches disagree with their neighbours, more than a "
                          "fifth: wrong chart, or strips read out of order?; " +
                              out + " was not written (--force writes it anyway)\n");
    EXPECT_FALSE(exists(out));
    const CliResult kept = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-r", testDataPath("cmyk_ref.txt"),
                                   "-m", meas, "-o", out, "--keep-outliers", "--force"});
    EXPECT_EQ(kept.status, 0) << kept.err;
}

} // namespace
