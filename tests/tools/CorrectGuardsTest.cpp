// vestrel-cli correct under the slips users make: outputs over inputs,
// files that do not belong together, broken tables, and what --force and
// --round-trip do about them.

#include "CliRun.h"
#include "LutBuilder.h"
#include "MalformedProfiles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

std::set<std::string> filesIn(const std::string& dir)
{
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

TEST(CorrectGuards, OutputsNeverReplaceInputsOrEachOther)
{
    struct Case
    {
        const char* what;
        // Arguments after "correct", with {p} {m} {r} {o} {d} for the
        // profile, measurement, reference, a fresh output and the folder.
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {"-o is the profile", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{p}"}, "is the profile"},
        {"-o is the measurement", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{m}"}, "is the measurement file"},
        {"-o is the reference", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{r}"}, "is the reference file"},
        {"-o spelt another way", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{d}/./meas.txt"},
         "is the measurement file"},
        {"-o a symbolic link to the profile", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{d}/link.icc"},
         "is the profile"},
        {"-o a hard link to the reference", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{d}/hard.txt"},
         "is the reference file"},
        {"the report is the output", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{d}/out.html", "--report", "{d}/out.html"},
         "the report"},
        {"the report is the output, new and spelt apart",
         {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{d}/x.csv", "--report", "{d}/../{base}/x.csv"}, "the report"},
        {"the report a link to the measurement", {"-i", "{p}", "-m", "{m}", "-r", "{r}", "-o", "{o}", "--report", "{d}/meas.csv"},
         "is the measurement file"},
        {"-o is a combined measurement", {"-i", "{p}", "-m", "{c}", "-o", "{c}"}, "is the measurement file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string profile = dir.path("p.icc"), meas = dir.path("meas.txt"), ref = dir.path("ref.txt"),
                          combined = dir.path("combined.txt");
        writeBytes(profile, readBytes(testDataPath("cmyk_v2.icc")));
        writeBytes(meas, readBytes(testDataPath("cmyk_meas.txt")));
        writeBytes(ref, readBytes(testDataPath("cmyk_ref.txt")));
        writeBytes(combined, readBytes(testDataPath("cmyk_combined.txt")));
        ASSERT_EQ(::symlink(profile.c_str(), dir.path("link.icc").c_str()), 0);
        ASSERT_EQ(::link(ref.c_str(), dir.path("hard.txt").c_str()), 0);
        ASSERT_EQ(::symlink(meas.c_str(), dir.path("meas.csv").c_str()), 0);
        const std::set<std::string> before = filesIn(dir.dir());
        const std::string base = dir.dir().substr(dir.dir().rfind('/') + 1);

        std::vector<std::string> args = {"correct"};
        for (std::string a : c.args) {
            const std::pair<const char*, std::string> names[] = {{"{p}", profile}, {"{m}", meas},   {"{r}", ref},
                                                                 {"{c}", combined}, {"{o}", dir.path("out.icc")},
                                                                 {"{d}", dir.dir()}, {"{base}", base}};
            for (const auto& [key, value] : names)
                for (std::size_t at; (at = a.find(key)) != std::string::npos;)
                    a.replace(at, std::strlen(key), value);
            args.push_back(a);
        }
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(lineCount(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(filesIn(dir.dir()), before) << "no file added";
        EXPECT_EQ(readBytes(profile), readBytes(testDataPath("cmyk_v2.icc")));
        EXPECT_EQ(readBytes(meas), readBytes(testDataPath("cmyk_meas.txt")));
        EXPECT_EQ(readBytes(ref), readBytes(testDataPath("cmyk_ref.txt")));
        EXPECT_EQ(readBytes(combined), readBytes(testDataPath("cmyk_combined.txt")));
    }
}

// Tables a profile maker never writes, in the sound profile.
std::vector<uint8_t> brokenProfile(const std::string& what)
{
    LutShape twoPoints;
    if (what == "B2A1 on a 2-point grid") {
        twoPoints.outputs = 4;
        return withTag("B2A1", buildLut(twoPoints, countingNode));
    }
    if (what == "A2B1 on a 2-point grid") {
        twoPoints.inputs = 4;
        return withTag("A2B1", buildLut(twoPoints, countingNode));
    }
    LutABShape shape;
    shape.bToA = what.find("mBA") != std::string::npos;
    (shape.bToA ? shape.outputs : shape.inputs) = 4;
    shape.grid = shape.bToA ? std::vector<unsigned>{5, 5, 5} : std::vector<unsigned>{5, 5, 5, 5};
    shape.matrix = what.find("zero") != std::string::npos ? std::vector<double>(12, 0.0)
                                                          : std::vector<double>{9, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0};
    return withTag(shape.bToA ? "B2A1" : "A2B1", buildLutAB(shape, countingNode));
}

TEST(CorrectGuards, ACorrectionThatCannotBeTrustedIsNotWritten)
{
    struct Case
    {
        std::string what;
        std::string profile; // empty: the sound one
        std::string measurement; // empty: the drifted measurement
        const char* message;
        bool forceWrites; // whether --force gets past it
    };
    // The chart's colours read in another order, or L* read from Y on a 0-1
    // scale as if it were 0-100.
    const std::string ref = readText(testDataPath("cmyk_ref.txt"));
    std::vector<std::string> colours;
    editedRows(ref, [&](int, double(&lab)[3]) { return colours.emplace_back(labText(lab)); });
    const std::string otherOrder = editedRows(ref, [&](int row, double(&)[3]) { return colours[(row + 37) % colours.size()]; });
    const std::string otherScale = editedRows(ref, [](int, double(&lab)[3]) {
        for (double& v : lab)
            v *= 0.2;
        return labText(lab);
    });
    const Case cases[] = {
        {"a measurement in another order", "", otherOrder, "the files do not belong together", true},
        {"a measurement on another scale", "", otherScale, "the files do not belong together", true},
        {"B2A1 on a 2-point grid", "B2A1 on a 2-point grid", "", "does not invert the A2B table", true},
        {"A2B1 on a 2-point grid", "A2B1 on a 2-point grid", "", "does not invert the A2B table", true},
        {"a zero 'mBA ' matrix", "zero mBA", "", "the matrix is singular", false},
        {"a zero 'mAB ' matrix", "zero mAB", "", "the matrix is singular", false},
        {"a huge 'mBA ' matrix", "huge mBA", "", "matrix entry 1 is 9", false},
        {"a huge 'mAB ' matrix", "huge mAB", "", "matrix entry 1 is 9", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string profile = testDataPath("cmyk_v2.icc"), meas = testDataPath("cmyk_meas.txt");
        if (!c.profile.empty()) {
            profile = dir.path("broken.icc");
            writeBytes(profile, brokenProfile(c.profile));
        }
        if (!c.measurement.empty()) {
            meas = dir.path("meas.txt");
            writeText(meas, c.measurement);
        }
        const std::string out = dir.path("out.icc");
        const std::vector<std::string> args = {"correct", "-i", profile, "-m", meas, "-r", testDataPath("cmyk_ref.txt"),
                                               "-o", out};
        for (const char* method : {"smooth", "patch"}) {
            SCOPED_TRACE(method);
            std::vector<std::string> withMethod = args;
            withMethod.insert(withMethod.end(), {"--method", method});
            const CliResult refused = runCli(withMethod);
            EXPECT_EQ(refused.status, 1) << refused.out;
            EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
            EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
            EXPECT_FALSE(fileExists(out));

            withMethod.push_back("--force");
            const CliResult forced = runCli(withMethod);
            EXPECT_EQ(forced.status == 0, c.forceWrites) << forced.err;
            EXPECT_EQ(fileExists(out), c.forceWrites);
            ::unlink(out.c_str());
        }
    }
}

TEST(CorrectGuards, FilesThatSayTheyAreSwappedAreNotCorrectedFrom)
{
    TempDir dir;
    const std::string out = dir.path("out.icc");
    const std::vector<std::string> swapped = {"correct", "-i", testDataPath("cmyk_v2.icc"), "-m",
                                              testDataPath("cmyk_ref.txt"), "-r", testDataPath("cmyk_meas.txt"),
                                              "-o", out};
    const CliResult refused = runCli(swapped);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
    EXPECT_NE(refused.err.find("are the two files swapped?"), std::string::npos) << refused.err;
    EXPECT_FALSE(fileExists(out));

    // One file that says nothing is no evidence: its name and words decide nothing.
    const std::string silent = dir.path("chart.txt");
    std::string kept;
    std::istringstream lines(readText(testDataPath("cmyk_meas.txt")));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("DESCRIPTOR", 0) != 0 && line.rfind("ORIGINATOR", 0) != 0)
            kept += line + '\n';
    writeText(silent, kept);
    const CliResult loose = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", testDataPath("cmyk_ref.txt"),
                                    "-r", silent, "-o", out});
    EXPECT_EQ(loose.err.find("swapped"), std::string::npos) << loose.err;

    std::vector<std::string> forced = swapped;
    forced.push_back("--force");
    EXPECT_EQ(runCli(forced).status, 0);
    EXPECT_TRUE(fileExists(out));
}

TEST(CorrectGuards, RoundTripCorrectsTheProfilesOwnInversion)
{
    TempDir dir;
    const std::string out = dir.path("out.icc");
    const CliResult alone = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-r", testDataPath("cmyk_ref.txt"),
                                    "--round-trip", "-o", out});
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(alone.err, "");
    EXPECT_TRUE(fileExists(out));

    // The same with a measurement: told that it is not used, and the same profile.
    const std::string second = dir.path("second.icc");
    const CliResult withMeasurement = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m",
                                              testDataPath("cmyk_meas.txt"), "-r", testDataPath("cmyk_ref.txt"),
                                              "--round-trip", "-o", second});
    ASSERT_EQ(withMeasurement.status, 0) << withMeasurement.err;
    EXPECT_EQ(lineCount(withMeasurement.err), 1u) << withMeasurement.err;
    EXPECT_NE(withMeasurement.err.find("are not used"), std::string::npos) << withMeasurement.err;
    EXPECT_EQ(withMeasurement.out, alone.out);

    const CliResult noReference = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "--round-trip", "-o", out});
    EXPECT_EQ(noReference.status, 2);
}

} // namespace
