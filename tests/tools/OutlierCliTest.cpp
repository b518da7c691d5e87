// vestrel-cli correct with misread patches: named on stderr, --strict
// fails without writing, --keep-outliers keeps them, too many refuse.

#include "CliRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(OutlierCli, MisreadPatchesAreNamedAndStrictOrKeepDecide)
{
    TempDir dir;
    const std::string named = "  3 patches disagree with their neighbours and were left out: 20 (20.5 from what its "
                              "neighbours predict), 50 (18.1), 80 (35.3)\n";
    struct Case
    {
        const char* what;
        std::vector<std::string> options;
        int status;
        std::string err; // what stderr holds; empty: nothing
        const char* summary; // in the line on standard output
    };
    const Case cases[] = {
        {"default", {}, 0, named, "patches 97 "},
        {"strict", {"--strict"}, 1, named, ""},
        {"kept", {"--keep-outliers"}, 0, "", "patches 100 "},
        {"kept and strict", {"--keep-outliers", "--strict"}, 0, "", "patches 100 "},
        {"per patch", {"--method", "patch"}, 0, named.substr(0, named.find("(")), "patches 97 "},
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
        if (c.err.empty())
            EXPECT_EQ(result.err, "");
        else
            EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(fileExists(out), c.status == 0);
        EXPECT_TRUE(c.status == 0 || result.err.find("vestrel-cli: warnings with --strict; " + out + " was not written") !=
                                         std::string::npos) << result.err;
        EXPECT_NE(result.out.find(c.summary), std::string::npos) << result.out;
    }
}

TEST(OutlierCli, TooManyRefuseWithOneLine)
{
    TempDir dir;
    // Every fourth patch read 20 off in L*.
    const std::string meas = dir.path("meas.txt"), out = dir.path("out.icc");
    writeText(meas, editedRows(readText(testDataPath("cmyk_meas.txt")), [](int row, double(&lab)[3]) {
                  lab[0] += row % 4 == 3 ? 20 : 0;
                  return labText(lab);
              }));
    const CliResult result = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-r", testDataPath("cmyk_ref.txt"),
                                     "-m", meas, "-o", out});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vestrel-cli: Not corrected: 25 of 100 patches disagree with their neighbours, more than a "
                          "fifth: wrong chart, or strips read out of order?; " +
                              out + " was not written (--force writes it anyway)\n");
    EXPECT_FALSE(fileExists(out));
    const CliResult kept = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-r", testDataPath("cmyk_ref.txt"),
                                   "-m", meas, "-o", out, "--keep-outliers", "--force"});
    EXPECT_EQ(kept.status, 0) << kept.err;
}

} // namespace
