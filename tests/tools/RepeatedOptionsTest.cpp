// vestrel-cli with options given more than once: -m averages measurements
// of one print, every other option twice is a slip refused in one line;
// and what a correction from a few patches says about itself.

#include "CliRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace {

class RepeatedOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
    TempDir dir;
};

TEST_F(RepeatedOptionsTest, AnOptionGivenTwiceIsAUsageErrorOfOneLine)
{
    const std::string profile = testDataPath("cmyk_v2.icc");
    const std::string meas = testDataPath("cmyk_meas.txt");
    const std::string ref = testDataPath("cmyk_ref.txt");
    const std::string out = dir.path("out.icc");
    const std::vector<std::string> correct = {"correct", "-i", profile, "-m", meas, "-r", ref, "-o", out};
    struct Case
    {
        std::vector<std::string> base;
        std::vector<std::string> twice; // the option and its value, given again
    };
    const std::vector<Case> cases = {
        {correct, {"-i", profile}},
        {correct, {"-r", ref}},
        {correct, {"-o", dir.path("other.icc")}},
        {correct, {"--method", "patch"}},
        {correct, {"--pair-by", "id"}},
        {correct, {"--noise", "0.5"}},
        {correct, {"--intents", "1"}},
        {correct, {"--report", dir.path("r.html")}},
        {correct, {"--metric", "2000"}},
        {correct, {"--limits", "2,5,1.5"}},
        {correct, {"--round-trip"}},
        {correct, {"--strict"}},
        {correct, {"--force"}},
        {{"patches", meas}, {"--ref", ref}},
        {{"patches", meas}, {"--pair-by", "name"}},
        {{"convert", profile, "a2b"}, {"--intent", "1"}},
        {{"convert", profile, "a2b"}, {"--white", "0"}},
        {{"convert", profile, "a2b"}, {"--float"}},
    };
    for (const Case& c : cases) {
        const std::string option = c.twice.front();
        SCOPED_TRACE(c.base.front() + " " + option);
        std::vector<std::string> args = c.base;
        for (int k = 0; k < 2; ++k)
            args.insert(args.end(), c.twice.begin(), c.twice.end());
        const CliResult r = runCli(args, "0 0 0 0\n");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "vestrel-cli: " + option + " given twice\n");
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fileExists(out)) << "nothing written";
    }
    // A value that looks like an option is a value, not the option again.
    const CliResult value = runCli({"patches", meas, "--ref", "--pair-by", "--pair-by", "id"});
    EXPECT_NE(value.err.find("--pair-by"), std::string::npos);
    EXPECT_EQ(value.err.find("given twice"), std::string::npos) << value.err;
}

TEST_F(RepeatedOptionsTest, TwoMeasurementsCorrectAsTheirMeanDoes)
{
    // Readings around the measurement, two decimals as an instrument
    // writes them; the mean file holds exactly what averaging gives.
    const std::string original = readText(testDataPath("cmyk_meas.txt"));
    std::vector<std::string> aRows, bRows;
    auto reading = [](double sign, std::vector<std::string>& rows) {
        return [sign, &rows](int row, double(&lab)[3]) {
            for (int k = 0; k < 3; ++k)
                lab[k] += sign * 0.01 * ((row * 7 + k * 13) % 61 - 30); // within 0.30
            rows.push_back(labText(lab));
            return rows.back();
        };
    };
    const std::string a = editedRows(original, reading(1, aRows));
    const std::string b = editedRows(original, reading(-1, bRows));
    // The two readings as the reader takes them, and the mean the session takes.
    const std::string mean = editedRows(original, [&](int row, double(&)[3]) {
        std::istringstream first(aRows[static_cast<std::size_t>(row)]), second(bRows[static_cast<std::size_t>(row)]);
        double m[3];
        for (double& v : m) {
            std::string x, y;
            first >> x;
            second >> y;
            v = (std::strtod(x.c_str(), nullptr) + std::strtod(y.c_str(), nullptr)) / 2.0;
        }
        char text[128];
        std::snprintf(text, sizeof text, "%.17g %.17g %.17g", m[0], m[1], m[2]);
        return std::string(text);
    });
    writeText(dir.path("a.txt"), a);
    writeText(dir.path("b.txt"), b);
    writeText(dir.path("mean.txt"), mean);

    const std::string profile = testDataPath("cmyk_v2.icc");
    const std::string ref = testDataPath("cmyk_ref.txt");
    // One output name in two folders: the name is stamped into the profile.
    ::mkdir(dir.path("twice").c_str(), 0755);
    ::mkdir(dir.path("once").c_str(), 0755);
    for (const char* method : {"smooth", "patch"}) {
        SCOPED_TRACE(method);
        const CliResult twice = runCli({"correct", "-i", profile, "-m", dir.path("a.txt"), "-m", dir.path("b.txt"),
                                        "-r", ref, "-o", dir.path("twice/out.icc"), "--method", method});
        ASSERT_EQ(twice.status, 0) << twice.err;
        EXPECT_EQ(twice.err.rfind("vestrel-cli: the measured values are the mean of 2 files (a.txt, b.txt)\n", 0), 0u)
            << twice.err;
        const CliResult once = runCli({"correct", "-i", profile, "-m", dir.path("mean.txt"), "-r", ref, "-o",
                                       dir.path("once/out.icc"), "--method", method});
        ASSERT_EQ(once.status, 0) << once.err;
        EXPECT_EQ(twice.out, once.out);
        EXPECT_EQ(readBytes(dir.path("twice/out.icc")), readBytes(dir.path("once/out.icc")));
    }

    // patches shows the average and says how many files made it.
    const CliResult patches = runCli({"patches", dir.path("a.txt"), dir.path("b.txt")});
    ASSERT_EQ(patches.status, 0) << patches.err;
    EXPECT_EQ(patches.err, "vestrel-cli: the measured values are the mean of 2 files (a.txt, b.txt)\n");
    EXPECT_EQ(patches.out, runCli({"patches", dir.path("mean.txt")}).out);
}

TEST_F(RepeatedOptionsTest, AReportListsEveryMeasurementAndWhatWasLeftOut)
{
    const std::string original = readText(testDataPath("cmyk_meas.txt"));
    writeText(dir.path("a.txt"), original);
    // Patch 17 read 4.5 L* higher the second time.
    writeText(dir.path("b.txt"), editedRows(original, [](int row, double(&lab)[3]) {
                  if (row == 16)
                      lab[0] += 4.5;
                  return labText(lab);
              }));
    const std::string report = dir.path("r.html");
    const CliResult r = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", dir.path("a.txt"), "-m",
                                dir.path("b.txt"), "-r", testDataPath("cmyk_ref.txt"), "-o", dir.path("out.icc"),
                                "--report", report});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("vestrel-cli: Averaged 2 measurement files into 99 measured patches; 1 patch was measured "
                         "differently in the repeats and was left out: 17 (4.5 apart)\n"),
              std::string::npos)
        << r.err;
    const std::string html = readText(report);
    for (const std::string& text :
         {"Measurement 1</th><td>" + dir.path("a.txt"), "Measurement 2</th><td>" + dir.path("b.txt"),
          std::string("2 files averaged per patch (the mean)")}) {
        SCOPED_TRACE(text);
        EXPECT_NE(html.find(text), std::string::npos);
    }

    // --strict: a patch left out is a warning.
    const CliResult strict = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", dir.path("a.txt"), "-m",
                                     dir.path("b.txt"), "-r", testDataPath("cmyk_ref.txt"), "-o",
                                     dir.path("strict.icc"), "--strict"});
    EXPECT_EQ(strict.status, 1);
}

TEST_F(RepeatedOptionsTest, AFewPatchesSaySoOnStderrAndInTheReport)
{
    // Five patches of the hundred.
    writeText(dir.path("five.txt"), editedRows(readText(testDataPath("cmyk_meas.txt")), [](int row, double(&lab)[3]) {
                  return row == 1 || row == 10 || row == 29 || row == 54 || row == 90 ? labText(lab) : "";
              }));
    const std::string report = dir.path("r.html");
    const CliResult r = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", dir.path("five.txt"), "-r",
                                testDataPath("cmyk_ref.txt"), "-o", dir.path("out.icc"), "--method", "patch",
                                "--report", report, "--force"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string said = "corrected from 5 of 100 reference patches; colours far from them are left as they were";
    EXPECT_NE(r.err.find("vestrel-cli: " + said + "\n"), std::string::npos) << r.err;
    const std::string html = readText(report);
    EXPECT_NE(html.find(said), std::string::npos);
    EXPECT_NE(html.find("Verdict in Delta E 1976 over the 5 measured patches: before"), std::string::npos);
}

} // namespace
