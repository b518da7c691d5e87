#include "CliRun.h"
#include "MalformedProfiles.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "VestrelCli.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(VestrelCli, InfoDescribesHeaderAndDirectory)
{
    const CliResult r = runCli({"info", testDataPath("cmyk_v2.icc")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const char* expected[] = {
        "Size              120052 bytes\n",
        "Version           2.2.0\n",
        "Device class      'prtr' (output)\n",
        "Colour space      'CMYK' (4 channels)\n",
        "PCS               'Lab ' (3 channels)\n",
        "Rendering intent  1 (relative colorimetric)\n",
        "Illuminant        X 0.9642  Y 1.0000  Z 0.8249\n",
        "Profile ID        00000000000000000000000000000000 (none)\n",
        "Tags              13\n",
    };
    for (const char* line : expected)
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    // A2B0 shares A2B1's data in the file.
    EXPECT_NE(r.out.find("    6  'A2B0'     'mft2'            632       53754  'A2B1'\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   12  'arts'     'sf32'         120008          44\n"), std::string::npos) << r.out;
}

TEST(VestrelCli, InfoDescribesTagContentsAndChecksTheProfileID)
{
    struct Case { const char* file; const char* line; };
    const Case cases[] = {
        {"cmyk_v2.icc", "  'B2A1'     3 in, 4 out, grid 17, input tables 1024 entries, output tables 1024 entries, matrix identity\n"},
        {"cmyk_v2.icc", "  'A2B1'     4 in, 3 out, grid 9,"},
        {"cmyk_v2.icc", "  'desc'     text \"Test CMYK printer\"\n"},
        {"cmyk_v2.icc", "  'cprt'     text \"Public domain test data\"\n"},
        {"cmyk_v2.icc", "  'wtpt'     X 0."},
        {"cmyk_v4.icc", "  'desc'     1 record(s): en-US \"Test CMYK printer (ICC v4)\"\n"},
        {"cmyk_v4.icc", "(matches the contents)"},
        {"cmyk_v4.icc", "Flags             0x00000001"},
        {"rgb_v2_lut8.icc", "  'B2A1'     3 in, 3 out, grid 17, input tables 256 entries, output tables 256 entries"},
        {"rgb_xyz_pcs.icc", "  'gamt'     3 in, 1 out, grid 9, input tables 256 entries"},
        // Described, and the command fails (MalformedProfiles checks its entry).
        {"broken_mft2_tables.icc", "  'B2A1'     not usable: its contents do not fit its 53692 bytes\n"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli({"info", testDataPath(c.file)});
        EXPECT_EQ(r.status, std::string(c.file).rfind("broken", 0) == 0 ? 1 : 0) << c.file << r.err;
        EXPECT_NE(r.out.find(c.line), std::string::npos) << c.file << "\n" << r.out;
    }
}

TEST(VestrelCli, Version4LutTablesAreDescribedCopiedAndCorrected)
{
    TempDir dir;
    const std::string v4 = dir.path("v4.icc");
    writeBytes(v4, testProfile("cmyk_v2.icc", V4Tables::Reshaped));
    const CliResult info = runCli({"info", v4});
    EXPECT_EQ(info.status, 0) << info.err;
    for (const char* line : {
             "  'B2A1'     3 in, 4 out; B curves: para type 3, para type 0, para type 1; matrix; M curves: para type 0, "
             "para type 4, para type 3; CLUT grid 33x29x31, 16-bit; A curves: 4 x curv 1024 points\n",
             "  'A2B1'     4 in, 3 out; A curves: 4 x curv 1024 points; CLUT grid 9x11x7x13, 8-bit; M curves: para type "
             "0, para type 4, para type 3; matrix; B curves: para type 3, para type 0, para type 1\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << info.out;

    // Every tag comes through with its bytes.
    const std::string copy = dir.path("copy.icc");
    ASSERT_EQ(runCli({"copy", v4, copy}).status, 0);
    const std::vector<uint8_t> before = readBytes(v4), after = readBytes(copy);
    csICCProfile original, copied;
    ASSERT_EQ(original.setProfile(before.data(), before.size()), 0);
    ASSERT_EQ(copied.setProfile(after.data(), after.size()), 0);
    ASSERT_EQ(copied.tagTable().count(), original.tagTable().count());
    for (uint32_t i = 0; i < original.tagTable().count(); ++i) {
        const csICCTag* tag = original.tagTable().tagAt(i);
        const csICCTag* same = copied.tagTable().tagAt(i);
        EXPECT_EQ(std::vector<uint8_t>(same->data(), same->data() + same->size()),
                  std::vector<uint8_t>(tag->data(), tag->data() + tag->size()))
            << csSigText(tag->signature()).text;
    }

    // Both methods edit the CLUT nodes, behind the matrix and parametric
    // curves and on a grid of its own per input.
    for (const char* method : {"smooth", "patch"}) {
        const std::string out = dir.path(std::string(method) + ".icc");
        const CliResult r = runCli({"correct", "-i", v4, "-m", testDataPath("cmyk_combined.txt"), "-o", out, "--method", method});
        ASSERT_EQ(r.status, 0) << method << r.err;
        EXPECT_EQ(r.err.find("warning"), std::string::npos) << method << r.err;
        double before = 0, after = 0;
        std::sscanf(r.out.substr(r.out.rfind("mean_before")).c_str(), "mean_before %lf mean_after %lf", &before, &after);
        EXPECT_LT(after, 0.2 * before) << method;
        csICCProfile corrected;
        const std::vector<uint8_t> bytes = readBytes(out);
        ASSERT_EQ(corrected.setProfile(bytes.data(), bytes.size()), 0);
        const csICCTag* b2a1 = corrected.tagTable().find(csSig("B2A1"));
        EXPECT_EQ(b2a1->getType(), csSig("mBA "));
        EXPECT_EQ(b2a1->size(), original.tagTable().find(csSig("B2A1"))->size());
    }

    // Curves and a matrix alone: Smooth leaves such a table alone and says
    // so, and refuses when it is B2A1, as Per patch does.
    struct Case { const char* withoutClut; const char* method; int status; const char* message; };
    const Case cases[] = {
        {"B2A0", "smooth", 0, "B2A0 has no CLUT (only curves and a matrix)"},
        {"B2A1", "smooth", 1, "B2A1 has no CLUT (only curves and a matrix)"},
        {"B2A1", "patch", 1, "cannot be corrected patch by patch: it has no CLUT"},
    };
    for (const Case& c : cases) {
        const std::string in = dir.path(std::string("rgb-") + c.withoutClut + ".icc"), out = dir.path("rgb.icc");
        writeBytes(in, testProfile("rgb_v2_lut8.icc", V4Tables::Same, c.withoutClut));
        std::remove(out.c_str());
        const CliResult r = runCli({"correct", "-i", in, "-m", testDataPath("rgb_combined.txt"), "-o", out, "--method", c.method});
        EXPECT_EQ(r.status, c.status) << c.withoutClut << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.status == 0, fileExists(out)) << "written only when corrected";
        if (r.status == 0) {
            EXPECT_NE(r.out.find("intent 0 B2A0 not corrected\n"), std::string::npos) << r.out;
            EXPECT_NE(r.out.find("intent 1 B2A1 nodes 35937 moved "), std::string::npos) << r.out;
        }
    }
}

TEST(VestrelCli, CopyWritesTheProfileAfresh)
{
    TempDir dir;
    for (const char* name : {"cmyk_v2.icc", "cmyk_v4.icc", "rgb_v2_lut8.icc"}) {
        const std::string out = dir.path(name);
        const CliResult r = runCli({"copy", testDataPath(name), out});
        ASSERT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(readBytes(out), readBytes(testDataPath(name))) << name;
    }
    // Copying over the input itself is safe.
    const std::string self = dir.path("cmyk_v4.icc");
    EXPECT_EQ(runCli({"copy", self, self}).status, 0);
    EXPECT_EQ(readBytes(self), readBytes(testDataPath("cmyk_v4.icc")));
}

// cmyk_v2.icc with one 32-bit word changed at an offset into a tag.
std::string alteredProfile(const TempDir& dir, const char* tag, uint32_t at, uint32_t value)
{
    std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    std::vector<csICCTagDirEntry> entries;
    csICCTagTable::readDirectory(bytes.data(), static_cast<uint32_t>(bytes.size()), entries);
    for (const csICCTagDirEntry& e : entries)
        if (e.signature == csGetSignature(reinterpret_cast<const uint8_t*>(tag)))
            at += e.offset;
    csSetUInt32(&bytes[at], value);
    const std::string path = dir.path(std::string(tag) + ".icc");
    writeBytes(path, bytes);
    return path;
}

TEST(VestrelCli, FileProblemsAreOneLineEach)
{
    TempDir dir;
    const std::string folder = dir.path("folder.icc");
    ::mkdir(folder.c_str(), 0755);
    struct Case { std::string path, message; };
    const Case cases[] = {
        {dir.path("nothing.icc"), "cannot open " + dir.path("nothing.icc") + ": No such file or directory"},
        {folder, folder + " is a folder, not a profile"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli({"info", c.path});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "vestrel-cli: " + c.message + "\n");
    }

    const CliResult noFolder = runCli({"copy", testDataPath("cmyk_v2.icc"), dir.path("no/such/folder/out.icc")});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(lineCount(noFolder.err), 1u);
    EXPECT_NE(noFolder.err.find("cannot write"), std::string::npos);

    // A folder as target: nothing is replaced and no temporary file stays behind.
    ::mkdir(dir.path("target").c_str(), 0755);
    writeBytes(dir.path("target/keep"), {9});
    const CliResult overFolder = runCli({"copy", testDataPath("cmyk_v2.icc"), dir.path("target")});
    EXPECT_EQ(overFolder.status, 1);
    EXPECT_EQ(readBytes(dir.path("target/keep")), std::vector<uint8_t>{9});
    EXPECT_EQ(std::system(("test -z \"$(ls -A " + dir.dir() + " | grep vestrel)\"").c_str()), 0);
}

std::vector<std::vector<double>> numbersOf(const std::string& text)
{
    std::vector<std::vector<double>> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        std::istringstream values(line);
        std::vector<double> numbers;
        double v;
        while (values >> v)
            numbers.push_back(v);
        lines.push_back(numbers);
    }
    return lines;
}

double distance(const std::vector<double>& a, const std::vector<double>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum);
}

TEST(VestrelCli, ConvertBothWays)
{
    const std::string profile = testDataPath("cmyk_v2.icc");
    // Unprinted paper is the paper white of the printer, absolute.
    const CliResult paper = runCli({"convert", profile, "a2b"}, "0 0 0 0\n");
    ASSERT_EQ(paper.status, 0) << paper.err;
    const auto white = numbersOf(paper.out);
    ASSERT_EQ(white.size(), 1u);
    EXPECT_LT(distance(white[0], {95.2, 0.6, -2.4}), 1.0) << paper.out;

    // Lab to device and back lands near where it started, on both paths.
    const std::string labs = "50 10 10\n# a comment\n\n70 -20 30\n30 0 0\n";
    for (const char* path : {"", "--float"}) {
        std::vector<std::string> toDevice = {"convert", profile, "b2a"};
        std::vector<std::string> toLab = {"convert", profile, "a2b"};
        if (*path) {
            toDevice.push_back(path);
            toLab.push_back(path);
        }
        const CliResult device = runCli(toDevice, labs);
        ASSERT_EQ(device.status, 0) << device.err;
        const auto devices = numbersOf(device.out);
        ASSERT_EQ(devices.size(), 3u) << device.out;
        EXPECT_EQ(devices[0].size(), 4u);
        const CliResult back = runCli(toLab, device.out);
        ASSERT_EQ(back.status, 0) << back.err;
        const auto labsBack = numbersOf(back.out);
        const std::vector<std::vector<double>> expected = {{50, 10, 10}, {70, -20, 30}, {30, 0, 0}};
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_LT(distance(labsBack[i], expected[i]), 2.5) << path << " line " << i << ": " << back.out;
    }

    // An XYZ profile takes and gives Lab all the same.
    const CliResult xyz = runCli({"convert", testDataPath("rgb_xyz_pcs.icc"), "a2b", "--white", "0"}, "100 100 100\n");
    ASSERT_EQ(xyz.status, 0) << xyz.err;
    EXPECT_NEAR(numbersOf(xyz.out)[0][0], 100.0, 1.0) << "relative paper white" << xyz.out;
}

TEST(VestrelCli, ConvertReportsBadLinesAndGoesOn)
{
    const CliResult r = runCli({"convert", testDataPath("cmyk_v2.icc"), "a2b"},
                               "0 0 0 0\n1 2 3\n120 0 0 0\nabc 1 2 3\n10 20 30 40\n1e999 0 0 0\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(numbersOf(r.out).size(), 2u) << r.out;
    const char* expected[] = {"vestrel-cli: line 2: expected 4 numbers\n", "vestrel-cli: line 3: device values must lie in 0..100\n",
                              "vestrel-cli: line 4: expected 4 numbers\n", "vestrel-cli: line 6: expected 4 numbers\n"};
    for (const char* line : expected)
        EXPECT_NE(r.err.find(line), std::string::npos) << line << r.err;
    EXPECT_EQ(lineCount(r.err), 4u) << r.err;

    const CliResult lab = runCli({"convert", testDataPath("cmyk_v2.icc"), "b2a"}, "101 0 0\n50 0 130\n");
    EXPECT_EQ(lab.status, 1);
    EXPECT_NE(lab.err.find("line 1: L* must lie in 0..100"), std::string::npos) << lab.err;
    EXPECT_NE(lab.err.find("line 2: a* and b* must lie in -128..127"), std::string::npos) << lab.err;
    // Across the converter's batches of lines, with a line too long among
    // them and the last line without its newline.
    std::string many;
    for (int i = 0; i < 9000; ++i)
        many += i == 5000 ? std::string(5000, ' ') + "1 2 3\n" : "+50 " + std::to_string(i % 100 - 50) + " 0\n";
    many += "60 0 0";
    const CliResult batches = runCli({"convert", testDataPath("cmyk_v2.icc"), "b2a"}, many);
    EXPECT_EQ(batches.status, 1);
    EXPECT_EQ(lineCount(batches.out), 9000u);
    EXPECT_EQ(batches.err, "vestrel-cli: line 5001: longer than 4094 characters\n");
    const auto devices = numbersOf(batches.out);
    // Output 8099 is input line 8100, past the line left out: the colour of line 0.
    EXPECT_EQ(devices[0], devices[8099]) << "the same colour gives the same device values in every batch";
}

TEST(VestrelCli, ConvertRefusals)
{
    struct Case { std::vector<std::string> args; int status; const char* message; };
    const std::string profile = testDataPath("cmyk_v2.icc");
    const Case cases[] = {
        {{"convert", profile, "sideways"}, 2, "direction must be a2b or b2a"},
        {{"convert", profile, "a2b", "--intent", "4"}, 2, "--intent takes 0 to 3"},
        {{"convert", profile, "a2b", "--intent", "-1"}, 2, "--intent takes 0 to 3"},
        {{"convert", profile, "a2b", "--white", "3"}, 2, "--white takes 0, 1 or 2"},
        {{"convert", profile, "a2b", "--fast"}, 2, "unknown option '--fast'"},
        {{"convert", testDataPath("broken_no_acsp.icc"), "a2b"}, 1, "no 'acsp' signature"},
        {{"convert", testDataPath("broken_mft2_tables.icc"), "b2a"}, 1, "cannot create an interpolator"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args, "50 0 0\n");
        EXPECT_EQ(r.status, c.status) << c.message << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(VestrelCli, CorrectRunsAutoOnEveryPatchAndSaves)
{
    TempDir dir;
    const std::string out = dir.path("corrected.icc");
    testing::internal::CaptureStderr(); // the engine's diagnostic lines
    const CliResult r = runCli({"correct", "-i", testDataPath("cmyk_v4.icc"), "-m", testDataPath("cmyk_combined.txt"),
                                "-o", out, "--method", "patch", "--report", dir.path("report.csv")});
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = numbersOf(r.out);
    ASSERT_EQ(lines.size(), 102u);
    EXPECT_NE(r.out.find("patches 100 mean_before 3.41 mean_after "), std::string::npos) << r.out;
    double meanAfter = 0, before2000 = 0, after2000 = 0, max2000 = 0;
    std::sscanf(r.out.substr(r.out.rfind("mean_after")).c_str(), "mean_after %lf", &meanAfter);
    EXPECT_LT(meanAfter, 1.0);
    // The Delta E 2000 line follows the first, with keys of its own.
    const std::size_t second = r.out.find('\n', r.out.find("patches 100 mean_before")) + 1;
    ASSERT_EQ(std::sscanf(r.out.c_str() + second, "de2000 100 mean2000_before %lf mean2000_after %lf max2000_after %lf",
                          &before2000, &after2000, &max2000), 3) << r.out;
    EXPECT_LT(after2000, before2000);
    EXPECT_LE(after2000, max2000);
    const std::vector<uint8_t> csv = readBytes(dir.path("report.csv"));
    EXPECT_EQ(lineCount(std::string(csv.begin(), csv.end())), 101u) << "a header and one row per patch";

    // The saved profile: stamped, a valid version 4 ID, the printer model untouched.
    const CliResult info = runCli({"info", out});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Creator           'Orv '"), std::string::npos);
    EXPECT_NE(info.out.find("(matches the contents)"), std::string::npos);
    EXPECT_NE(info.out.find("'desc'     1 record(s): de-DE \"corrected.icc\""), std::string::npos) << info.out;
    csICCProfile original, corrected;
    const std::vector<uint8_t> a = readBytes(testDataPath("cmyk_v4.icc")), b = readBytes(out);
    ASSERT_EQ(original.setProfile(a.data(), a.size()), 0);
    ASSERT_EQ(corrected.setProfile(b.data(), b.size()), 0);
    const csICCTag* a2b1Before = original.tagTable().find(csSig("A2B1"));
    const csICCTag* a2b1After = corrected.tagTable().find(csSig("A2B1"));
    ASSERT_EQ(a2b1Before->size(), a2b1After->size());
    EXPECT_EQ(0, std::memcmp(a2b1Before->data(), a2b1After->data(), a2b1Before->size()));
    // B2A0 was stored as B2A1's data and gets the same correction.
    ASSERT_TRUE(original.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
    EXPECT_TRUE(corrected.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
}

TEST(VestrelCli, CorrectSmoothReportsEveryChosenTable)
{
    TempDir dir;
    struct Case { std::vector<std::string> options; std::vector<std::string> tables; bool b2a0SharesB2A1; };
    const Case cases[] = {
        {{}, {"intent 0 B2A0 nodes 35937 moved ", "intent 1 B2A1 nodes 35937 moved ", "intent 2 B2A2 nodes 35937 moved "}, true},
        {{"--intents", "1", "--noise", "0.5"}, {"intent 1 B2A1 nodes 35937 moved "}, false},
        {{"--keep-grid"}, {"intent 0 B2A0 nodes 4913 moved ", "intent 1 B2A1 nodes 4913 moved ", "intent 2 B2A2 nodes 4913 moved "}, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", testDataPath("cmyk_combined.txt"),
                                         "-o", dir.path("smooth.icc")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult r = runCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(lineCount(r.out), 102 + c.tables.size());
        const std::string tables = r.out.substr(r.out.find("\nintent ") + 1);
        EXPECT_EQ(lineCount(tables), c.tables.size()) << tables;
        for (const std::string& t : c.tables)
            EXPECT_NE(tables.find(t), std::string::npos) << tables;
        // Each line says whether its table was refined from 17 points.
        const bool refined = c.tables.front().find("35937") != std::string::npos;
        EXPECT_EQ(tables.find(" refined_from 17\n") != std::string::npos, refined) << tables;
        csICCProfile corrected;
        const std::vector<uint8_t> b = readBytes(dir.path("smooth.icc"));
        ASSERT_EQ(corrected.setProfile(b.data(), b.size()), 0);
        EXPECT_EQ(corrected.tagTable().sameData(csSig("B2A0"), csSig("B2A1")), c.b2a0SharesB2A1);
    }
}

TEST(VestrelCli, CorrectRefusals)
{
    TempDir dir;
    // correct on a profile and the chart, with more arguments.
    const auto correct = [&](const std::string& profile, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"correct", "-i", profile, "-m", testDataPath("cmyk_combined.txt"), "-o", dir.path("x.icc")};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::string sound = testDataPath("cmyk_v2.icc");
    struct Case { std::vector<std::string> args; int status; const char* message; };
    const Case cases[] = {
        {{"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", testDataPath("cmyk_meas.txt")}, 2, "needs -i PROFILE, -m MEAS and -o OUT"},
        {{"correct", "-i", testDataPath("rgb_xyz_pcs.icc"), "-m", testDataPath("rgb_combined.txt"), "-o", dir.path("x.icc")},
         1, "does not take Lab"},
        {{"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", testDataPath("cmyk_meas.txt"), "-o", dir.path("x.icc")},
         1, "no reference values were read"},
        {{"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", dir.path("none.txt"), "-o", dir.path("x.icc")}, 1, "none.txt: No such file"},
        {correct(testDataPath("broken_tag_count.icc")), 1, "bad tagtable"},
        {correct(alteredProfile(dir, "wtpt", 8, 0x7FFF0000)), 1, "E 'implausible media white point' wtpt 32767 "},
        {correct(alteredProfile(dir, "B2A1", 12, 1000 << 16)), 1, "E 'implausible matrix' tag 'B2A1': matrix entry 1 is 1000"},
        {correct(sound, {"--method", "fast"}), 2, "--method needs smooth or patch"},
        {correct(sound, {"--noise", "0"}), 2, "--noise needs a positive number"},
        {correct(sound, {"--intents", "1,3"}), 2, "--intents needs a list"},
        {correct(sound, {"--report", dir.path("report.txt")}), 2, "--report needs a file ending in .html, .pdf or .csv"},
        {correct(sound, {"--metric", "94"}), 2, "--metric needs 1976 or 2000"},
        {correct(sound, {"--limits", "2,5"}), 2, "--limits needs three positive numbers"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.message << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fileExists(dir.path("x.icc"))) << "nothing written";
}

TEST(VestrelCli, CorrectRefusesPatchFilesWithoutUsableValues)
{
    TempDir dir;
    struct Case { const char* what; std::string text; };
    const Case cases[] = {
        {"empty", ""},
        {"binary junk", std::string("\x00\xff\x10LAB_L\x00LAB_A\nLAB_B\r\x7f", 22)},
        {"no Lab fields", "SAMPLE_ID XYZ_X XYZ_Y XYZ_Z\n1 2 3 4\n"},
        {"only non-finite values", "SAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\n1 nan inf -inf nan 0 0\n"},
    };
    for (const Case& c : cases) {
        const std::string data = dir.path("patches.txt");
        writeText(data, c.text);
        testing::internal::CaptureStderr();
        const CliResult r = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", data, "-o", dir.path("out.icc")});
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(lineCount(r.err), 1u) << c.what << r.err;
    }
}

TEST(VestrelCli, PatchesShowsWhatWasReadAndPaired)
{
    const CliResult read = runCli({"patches", testDataPath("bad_lines.txt")});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out.substr(0, read.out.find('\n')), "id\tname\tL\ta\tb");
    EXPECT_EQ(lineCount(read.out), 6u);
    EXPECT_NE(read.out.find("\n3\t3\t61.2000\t-20.4000\t-31.1000\n"), std::string::npos) << read.out;
    EXPECT_NE(read.err.find("3 lines skipped (13, 15, 17)"), std::string::npos) << read.err;

    const CliResult paired = runCli({"patches", testDataPath("cmyk_meas.txt"), "--ref", testDataPath("cmyk_ref.txt")});
    ASSERT_EQ(paired.status, 0) << paired.err;
    EXPECT_TRUE(paired.err.empty()) << paired.err;
    EXPECT_EQ(lineCount(paired.out), 101u);
    EXPECT_NE(paired.out.find("\n1\t95.2000\t0.6000\t-2.4000\t94.9500\t0.3600\t-2.2800\t0.3667\n"),
              std::string::npos);

    EXPECT_EQ(runCli({"patches"}).status, 2);
    EXPECT_EQ(runCli({"patches", testDataPath("cmyk_v2.icc")}).status, 1);
}

// Rows "id name L 0 0" for ids 1..n: a reference with names P1..Pn, and a
// measurement whose SAMPLE_ID is a running counter over the patches in
// reverse.
std::string countedFile(int n, bool reversed)
{
    std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    for (int i = 1; i <= n; ++i) {
        const int patch = reversed ? n + 1 - i : i;
        text += std::to_string(i) + " P" + std::to_string(patch) + " " + std::to_string(20 + patch) + " 0 0\n";
    }
    return text + "END_DATA\n";
}

TEST(VestrelCli, PairByChoosesHowPatchesPair)
{
    TempDir dir;
    const std::string ref = dir.path("ref.txt"), meas = dir.path("meas.txt");
    writeText(ref, countedFile(20, false));
    writeText(meas, countedFile(20, true));
    struct Case { std::vector<std::string> extra; int status; const char* out; const char* err; };
    const Case cases[] = {
        // The names pair every patch: paired by name, with a note.
        {{}, 0, "\nP1\t21.0000\t0.0000\t0.0000\t21.0000\t0.0000\t0.0000\t0.0000\n",
         "vestrel-cli: SAMPLE_ID and SAMPLE_NAME disagree in 20 of 20 pairs (id 1: 'P1' in the reference, 'P20' in the "
         "measurement; id 2: 'P2' in the reference, 'P19' in the measurement; id 3: 'P3' in the reference, 'P18' in the "
         "measurement); paired by SAMPLE_NAME, which pairs every patch\n"},
        {{"--pair-by", "id"}, 0, "\n1\t21.0000\t0.0000\t0.0000\t40.0000\t0.0000\t0.0000\t19.0000\n", ""},
        {{"--pair-by", "name"}, 0, "\nP1\t21.0000\t0.0000\t0.0000\t21.0000\t0.0000\t0.0000\t0.0000\n", ""},
        {{"--pair-by", "position"}, 0, "\n1\t21.0000\t0.0000\t0.0000\t40.0000\t0.0000\t0.0000\t19.0000\n", ""},
        {{"--pair-by", "loc"}, 1, "", "cannot pair by SAMPLE_LOC: the reference file has no SAMPLE_LOC"},
        {{"--pair-by", "row"}, 2, "", "--pair-by needs id, name, loc or position"},
        {{"--pair-by"}, 2, "", "--pair-by needs id, name, loc or position"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"patches", meas, "--ref", ref};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        SCOPED_TRACE(args.size() > 4 ? args.back() : "auto");
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        if (*c.err == '\0')
            EXPECT_EQ(r.err, "");
        else
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }

    // A patch renamed: the names no longer pair everything, so nothing is trusted.
    std::string renamed = countedFile(20, true);
    renamed.replace(renamed.find(" P7 "), 4, " Q7 ");
    writeText(meas, renamed);
    const CliResult refused = runCli({"patches", meas, "--ref", ref});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
    EXPECT_NE(refused.err.find("choose to pair them by id or by name"), std::string::npos) << refused.err;

    // correct takes the choice too.
    const CliResult correct = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", meas, "-r", ref, "-o",
                                      dir.path("out.icc"), "--pair-by", "sideways"});
    EXPECT_EQ(correct.status, 2);
    EXPECT_NE(correct.err.find("--pair-by needs id, name, loc or position"), std::string::npos) << correct.err;
}

TEST(VestrelCli, CombinedFilesAndDuplicateIds)
{
    // A combined file as -r gives its reference columns (dE not 0).
    const CliResult asReference = runCli({"patches", testDataPath("cmyk_meas.txt"), "--ref", testDataPath("cmyk_combined.txt")});
    ASSERT_EQ(asReference.status, 0) << asReference.err;
    EXPECT_NE(asReference.out.find("\n1\t95.2000\t0.6000\t-2.4000\t94.9500\t0.3600\t-2.2800\t0.3667\n"),
              std::string::npos) << asReference.out;
    // With a combined measurement, the -r file wins and says so.
    const CliResult both = runCli({"patches", testDataPath("cmyk_combined.txt"), "--ref", testDataPath("cmyk_ref.txt")});
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.err, "vestrel-cli: the reference values of cmyk_ref.txt replace those of cmyk_combined.txt\n");

    TempDir dir;
    const std::string twice = dir.path("twice.txt");
    writeText(twice, "SAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\n1 50 0 0 51 0 0\n2 60 0 0 61 0 0\n"
                     "1 70 0 0 71 0 0\n");
    const CliResult alone = runCli({"patches", twice});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err, "vestrel-cli: Could not load twice.txt: the combined file has SAMPLE_ID 1 twice (lines 2 and 4)\n");
}

// Text from files reaches the terminal escaped, whole, and never as a
// control sequence or an extra column.
TEST(VestrelCli, ControlCharactersFromFilesAreEscaped)
{
    TempDir dir;
    const std::string path = dir.path("esc.txt");
    const std::string text = std::string("SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B\n"
                                         "\"\x1b[31mA1\" \"red\x1b]0;owned\x07\" 50 0 0\n"
                                         "A2 \"tab\there\" 60 0 0\n"
                                         "A3 x 5\x1b[2J0 0 0\n"
                                         "A4 \"nul") + std::string("\0", 1) + "cut\" 70 0 0\n";
    writeText(path, text);
    const CliResult r = runCli({"patches", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\\x1b[31mA1\tred\\x1b]0;owned\\x07\t50.0000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("A2\ttab\\x09here\t60.0000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("A4\tnul\\x00cut\t70.0000"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("line 4: '5\\x1b[2J0' is not a number"), std::string::npos) << r.err;
    for (const std::string* stream : {&r.out, &r.err})
        EXPECT_TRUE(std::none_of(stream->begin(), stream->end(), [](char c) {
            return c == '\x1b' || c == '\x07' || c == '\0';
        })) << "a raw control character got through";

    // correct's patch lines too.
    const std::string ref = dir.path("ref.txt");
    writeText(ref, "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B\n1 \"P\x1b[1m1\" 50 10 10\n2 P2 60 -10 10\n"
                   "3 P3 70 10 -10\n");
    const std::string meas = dir.path("meas.txt");
    writeText(meas, "SAMPLE_ID LAB_L LAB_A LAB_B\n1 51 10 10\n2 61 -10 10\n3 71 10 -10\n");
    const CliResult corrected = runCli({"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", meas, "-r", ref, "-o",
                                        dir.path("out.icc"), "--method", "patch"});
    ASSERT_EQ(corrected.status, 0) << corrected.err;
    EXPECT_NE(corrected.out.find("0 P\\x1b[1m1 "), std::string::npos) << corrected.out;
    EXPECT_EQ(corrected.out.find('\x1b'), std::string::npos);
}

TEST(VestrelCli, WarningsAreReportedAndStrictFailsOnThem)
{
    TempDir dir;
    const std::string out = dir.path("out.icc");
    // bad_lines.txt pairs five of the reference's patches by id; the rest are
    // listed. Its colours are not this chart's, which --force lets pass.
    const std::vector<std::string> args = {"correct", "-i", testDataPath("cmyk_v2.icc"), "-m",
                                           testDataPath("bad_lines.txt"), "-r", testDataPath("cmyk_ref.txt"), "-o", out,
                                           "--force"};
    const CliResult lenient = runCli(args);
    ASSERT_EQ(lenient.status, 0) << lenient.err;
    EXPECT_NE(lenient.err.find("line 13: '50,25' is not a number"), std::string::npos) << lenient.err;
    EXPECT_NE(lenient.err.find("95 reference patches were not measured"), std::string::npos) << lenient.err;
    EXPECT_NE(lenient.out.find("patches 5 "), std::string::npos) << lenient.out;

    std::vector<std::string> strictArgs = args;
    strictArgs[strictArgs.size() - 2] = dir.path("strict.icc");
    strictArgs.push_back("--strict");
    const CliResult strict = runCli(strictArgs);
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("was not written"), std::string::npos) << strict.err;
    EXPECT_FALSE(fileExists(dir.path("strict.icc")));
}

TEST(VestrelCli, UsageAndHelp)
{
    struct Case { std::vector<std::string> args; int status; };
    const Case cases[] = {
        {{}, 2}, {{"info"}, 2}, {{"copy", "a"}, 2}, {{"info", "a", "b"}, 2}, {{"frobnicate"}, 2},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind("usage: vestrel-cli", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("info PROFILE"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

// A pipe, a socket or a device given as a file is refused at once by name,
// by every command: nothing waits for a writer that never comes.
TEST(VestrelCli, SpecialFilesAreRefusedAtOnce)
{
    TempDir dir;
    const std::string pipe = dir.path("pipe.icc"), socket = dir.path("socket.icc");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string profile = testDataPath("cmyk_v2.icc"), meas = testDataPath("cmyk_meas.txt");
    const std::string out = dir.path("out.icc");

    struct Special { std::string path, what; };
    const Special specials[] = {{pipe, "a pipe"}, {socket, "a socket"}, {"/dev/null", "a device"}};
    struct Command
    {
        std::vector<std::string> args; // "F" stands for the special file
        const char* kind;
    };
    const Command commands[] = {
        {{"info", "F"}, "profile"},
        {{"copy", "F", out}, "profile"},
        {{"convert", "F", "a2b"}, "profile"},
        {{"patches", "F"}, "patch file"},
        {{"correct", "-i", "F", "-m", meas, "-o", out}, "profile"},
        {{"correct", "-i", profile, "-m", "F", "-o", out}, "patch file"},
    };
    // A regression would block in open(): fail loudly instead of hanging.
    ::alarm(60);
    for (const Special& special : specials) {
        for (const Command& command : commands) {
            std::vector<std::string> args = command.args;
            std::replace(args.begin(), args.end(), std::string("F"), special.path);
            SCOPED_TRACE(args[0] + " on " + special.what + " as " + command.kind);
            const CliResult r = runCli(args, "0 0 0 0\n");
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(lineCount(r.err), 1u) << r.err;
            EXPECT_NE(r.err.find(special.path + " is " + special.what + ", not a " + command.kind), std::string::npos)
                << r.err;
            EXPECT_FALSE(fileExists(out)) << "nothing is written";
        }
    }
    ::alarm(0);
    ::close(listener);
    EXPECT_EQ(runCli({"info", pipe}).err, "vestrel-cli: " + pipe + " is a pipe, not a profile\n");
}

// Thousands of tags leave a few lines at most: trace entries stay off
// stderr whatever their number, thousands of alike warnings are one entry
// and a count, and an error still refuses when the traces before it filled
// the log's text store or its entry table.
TEST(VestrelCli, ThousandsOfTagsPrintAFewLines)
{
    std::vector<uint8_t> flawed; // a LUT that does not fit its tag
    for (const MalformedProfile& m : malformedProfiles())
        if (m.what == "grid byte 0")
            flawed = m.bytes;
    const std::vector<uint8_t> sound = readBytes(testDataPath("cmyk_v2.icc"));
    // A gamma curve whose directory size is four bytes more than it holds.
    const std::vector<uint8_t> paddedCurve = {'p', 'a', 'r', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> text = {'t', 'e', 'x', 't', 0, 0, 0, 0, 0, 0, 0, 0};
    const std::string warning = "W 'tag size mismatch' parametricCurveType: specified tag size (20) != "
                                "actual tag size (16)\n";
    struct Case
    {
        const char* what;
        const std::vector<uint8_t>& profile;
        const std::vector<uint8_t>& tag;
        uint32_t tags;
        int status;
        std::string err; // in full when the status is 0, else in its one line
    };
    const Case cases[] = {
        {"3,000 private text tags", sound, text, 3000, 0, ""},
        // Fewer: every curve builds its tables.
        {"300 curves of the wrong size", sound, paddedCurve, 300, 0, warning + warning + warning + "... and 297 more like this\n"},
        {"a LUT that does not fit", flawed, text, 0, 1, "E 'bad LUT tag'"},
        {"a LUT that does not fit and 3,000 tags", flawed, text, 3000, 1, "E 'bad LUT tag'"},
        {"a LUT that does not fit and 6,000 tags", flawed, text, 6000, 1, "E 'bad LUT tag'"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(c.profile.data(), c.profile.size()), 0);
        for (uint32_t i = 0; i < c.tags; ++i)
            profile.tagTable().add(csICCTag(0x78000000 | i, uint32_t(c.tag.size()), c.tag.data()));
        std::vector<uint8_t> bytes;
        ASSERT_EQ(profile.writeToMemory(bytes), 0);
        const std::string in = dir.path("many.icc"), out = dir.path("copy.icc");
        writeBytes(in, bytes);
        std::remove(out.c_str());

        testing::internal::CaptureStderr();
        const CliResult info = runCli({"info", in});
        const CliResult copy = runCli({"copy", in, out});
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the log prints nothing by itself";
        EXPECT_EQ(info.status, c.status) << info.err;
        EXPECT_EQ(copy.status, c.status) << copy.err;
        EXPECT_EQ(fileExists(out), c.status == 0);
        EXPECT_EQ(info.err, copy.err);
        if (c.status == 0)
            EXPECT_EQ(copy.err, c.err);
        else
            EXPECT_TRUE(lineCount(copy.err) == 1 && copy.err.find(c.err) != std::string::npos) << copy.err;
    }
    csErrorLog::clear();
}

#if defined(__SANITIZE_ADDRESS__)
#define VESTREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESTREL_ASAN 1
#endif
#endif

// Memory running out is one line and status 1, never an abort: the command
// runs in a child whose address space ends a little above what it has.
TEST(VestrelCli, OutOfMemoryIsOneLineAndStatusOne)
{
#ifdef VESTREL_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit here";
#else
    TempDir dir;
    const std::string big = dir.path("big.txt"), err = dir.path("err.txt");
    {
        // About 270 bytes a patch once read: a million need far more than the limit.
        std::ofstream file(big);
        file << "BEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n";
        for (int i = 0; i < 1000000; ++i)
            file << i << " 50 1 2\n";
        file << "END_DATA\n";
    }
    struct Case { std::vector<std::string> args; };
    const Case cases[] = {
        {{"patches", big}},
        {{"correct", "-i", testDataPath("cmyk_v2.icc"), "-m", big, "-r", big, "-o", dir.path("out.icc")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::ifstream statm("/proc/self/statm");
            unsigned long pages = 0;
            statm >> pages;
            const rlim_t bytes = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
            const rlimit limit = {bytes + (128u << 20), bytes + (128u << 20)};
            ::setrlimit(RLIMIT_AS, &limit);
            std::vector<const char*> argv = {"vestrel-cli"};
            for (const std::string& a : c.args)
                argv.push_back(a.c_str());
            std::FILE* out = std::fopen("/dev/null", "w");
            std::FILE* errFile = std::fopen(err.c_str(), "w");
            const int status = vestrelCliMain(static_cast<int>(argv.size()), argv.data(), stdin, out, errFile);
            std::fclose(errFile);
            ::_exit(status);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        std::ifstream errText(err);
        const std::string message((std::istreambuf_iterator<char>(errText)), std::istreambuf_iterator<char>());
        EXPECT_EQ(lineCount(message), 1u) << message;
        EXPECT_NE(message.find("memory"), std::string::npos) << message;
        EXPECT_EQ(message.rfind("vestrel-cli: ", 0), 0u) << message;
    }
#endif
}

} // namespace
