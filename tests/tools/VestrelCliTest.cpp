#include "TestSupport.h"
#include "VestrelCli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>

namespace {

struct CliResult
{
    int status;
    std::string out;
    std::string err;
};

CliResult runCli(std::vector<std::string> args)
{
    args.insert(args.begin(), "vestrel-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CliResult result;
    result.status = vestrelCliMain(static_cast<int>(argv.size()), argv.data(), out, err);
    result.out = streamText(out);
    result.err = streamText(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

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

TEST(VestrelCli, InfoChecksTheVersion4ProfileID)
{
    const CliResult r = runCli({"info", testDataPath("cmyk_v4.icc")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(matches the contents)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Flags             0x00000001"), std::string::npos);
}

TEST(VestrelCli, InfoDescribesEveryLut)
{
    struct Case { const char* file; const char* line; };
    const Case cases[] = {
        {"cmyk_v2.icc", "  'B2A1'     mft2   3 in   4 out  grid  17  input tables  1024 entries  output tables  1024 entries  matrix identity\n"},
        {"cmyk_v2.icc", "  'A2B1'     mft2   4 in   3 out  grid   9"},
        {"rgb_v2_lut8.icc", "  'B2A1'     mft1   3 in   3 out  grid  17  input tables   256 entries  output tables   256 entries"},
        {"rgb_xyz_pcs.icc", "  'gamt'     mft2   3 in   1 out  grid   9  input tables   256 entries"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli({"info", testDataPath(c.file)});
        EXPECT_EQ(r.status, 0) << c.file << r.err;
        EXPECT_NE(r.out.find(c.line), std::string::npos) << c.file << "\n" << r.out;
    }
}

TEST(VestrelCli, ALutThatDoesNotFitItsTagIsReportedAsAFailure)
{
    const CliResult info = runCli({"info", testDataPath("broken_mft2_tables.icc")});
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("E 'bad LUT tag' tag 'B2A1' (mft2) with 3 inputs, 4 outputs and 33 grid points does not fit"),
              std::string::npos) << info.err;
    EXPECT_NE(info.out.find("  'B2A1'     mft2  not usable: its tables do not fit its 53692 bytes\n"), std::string::npos)
        << info.out;

    TempDir dir;
    const CliResult copy = runCli({"copy", testDataPath("broken_mft2_tables.icc"), dir.path("out.icc")});
    EXPECT_EQ(copy.status, 1);
    EXPECT_EQ(copy.err, info.err);
    EXPECT_NE(std::system(("test -e " + dir.path("out.icc")).c_str()), 0) << "nothing is written";
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

TEST(VestrelCli, BrokenProfilesFailWithTheLogEntry)
{
    struct Case { const char* file; const char* entry; };
    const Case cases[] = {
        {"broken_truncated.icc", "E 'bad tagtable' tag "},
        {"broken_no_acsp.icc", "E 'bad profile' no 'acsp' signature in profile header\n"},
        {"broken_tag_offset.icc", "E 'bad tagtable' tag 'B2A1' offset"},
        {"broken_tag_count.icc", "E 'bad tagtable' tag count 100000"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const CliResult info = runCli({"info", testDataPath(c.file)});
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.out, "");
        EXPECT_NE(info.err.find(c.entry), std::string::npos) << info.err;
        EXPECT_EQ(info.err.find("'added tag'"), std::string::npos) << "traces stay out of the report";

        const std::string target = dir.path("out.icc");
        writeBytes(target, {1, 2, 3});
        const CliResult copy = runCli({"copy", testDataPath(c.file), target});
        EXPECT_EQ(copy.status, 1);
        EXPECT_EQ(copy.err, info.err);
        EXPECT_EQ(readBytes(target), (std::vector<uint8_t>{1, 2, 3})) << "a failed copy leaves the target alone";
    }
}

TEST(VestrelCli, FileProblemsAreOneLineEach)
{
    TempDir dir;
    const CliResult missing = runCli({"info", dir.path("nothing.icc")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(lineCount(missing.err), 1u);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);

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

} // namespace
