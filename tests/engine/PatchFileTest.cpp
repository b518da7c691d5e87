#include "PatchFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

std::string ids(const PatchFile& file)
{
    std::string text;
    for (const PatchRecord& r : file.records)
        text += (text.empty() ? "" : ",") + std::string(file.hasId ? file.id(r) : file.displayName(r));
    return text;
}

std::string skippedLines(const PatchFile& file)
{
    std::string text;
    for (const LineProblem& p : file.skipped)
        text += (text.empty() ? "" : ",") + std::to_string(p.line);
    return text;
}

const char* const framed = "CGATS.17\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\n"
                           "END_DATA_FORMAT\nNUMBER_OF_SETS 3\nBEGIN_DATA\n";

// Each shape instruments and colour programs write: what must come out of it.
TEST(PatchFile, ShapesOfRealFiles)
{
    struct Case
    {
        const char* what;
        std::string text;
        const char* ids;     // the records read, in file order
        double firstL;       // L* of the first record
        const char* skipped; // line numbers skipped
        const char* refused; // part of the refusal, or null
    };
    const std::string data = "1 50 1 2\n2 60 3 4\n3 70 5 6\nEND_DATA\n";
    const Case cases[] = {
        {"plain framed file", framed + data, "1,2,3", 50, "", nullptr},
        {"data lines indented by tabs and spaces", framed + std::string("\t1 50 1 2\n   2 60 3 4\n \t3 70 5 6\nEND_DATA\n"),
         "1,2,3", 50, "", nullptr},
        {"comment line with numbers inside the data",
         framed + std::string("1 50 1 2\n# 9 99 9 9\n2 60 3 4  # trailing note\n3 70 5 6\nEND_DATA\n"), "1,2,3", 50, "",
         nullptr},
        {"field list over two lines",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L\nLAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n" + data, "1,2,3", 50, "",
         nullptr},
        {"field list on the marker lines",
         "CGATS.17\nBEGIN_DATA_FORMAT SAMPLE_ID LAB_L LAB_A LAB_B END_DATA_FORMAT\nBEGIN_DATA\n" + data, "1,2,3", 50, "",
         nullptr},
        {"lower-case field names",
         "CGATS.17\nBEGIN_DATA_FORMAT\nsample_id Lab_L lab_a LAB_b\nEND_DATA_FORMAT\nBEGIN_DATA\n" + data, "1,2,3", 50,
         "", nullptr},
        {"CR line ends", "CGATS.17\rBEGIN_DATA_FORMAT\rSAMPLE_ID LAB_L LAB_A LAB_B\rEND_DATA_FORMAT\rBEGIN_DATA\r"
                         "1 50 1 2\r2 60 3 4\rEND_DATA\r",
         "1,2", 50, "", nullptr},
        {"CRLF line ends and a byte order mark",
         "\xEF\xBB\xBF" "CGATS.17\r\nBEGIN_DATA_FORMAT\r\nSAMPLE_ID LAB_L LAB_A LAB_B\r\nEND_DATA_FORMAT\r\n"
         "BEGIN_DATA\r\n1 50 1 2\r\n2 60 3 4\r\nEND_DATA\r\n",
         "1,2", 50, "", nullptr},
        {"quoted names with spaces",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n"
         "1 \"Paper white\" 95 0 0\n2 \"Dark grey 2\" 20 0 0\nEND_DATA\n",
         "1,2", 95, "", nullptr},
        {"keywords after the data",
         framed + data + "KEYWORD \"MEASUREMENT_DATE\"\nMEASUREMENT_DATE \"2026-12-06\"\n", "1,2,3", 50, "", nullptr},
        {"out-of-range and non-finite values skipped by line",
         framed + std::string("1 1e308 0 0\n2 -500 0 0\n3 50 200 0\n4 nan 0 0\n5 108 0 0\n6 50 -1 -149\nEND_DATA\n"),
         "5,6", 108, "8,9,10,11", nullptr},
        {"malformed lines never shift the others",
         framed + std::string("1 50 1 2\n2 50,5 1 2\n3 60 3\n4 abc 1 2\n5 70 5 6 7\n6 80 0 0\nEND_DATA\n"), "1,6", 50,
         "9,10,11,12", nullptr},
        {"a lying NUMBER_OF_SETS is only a hint",
         "CGATS.17\nNUMBER_OF_SETS 2000000000\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
         "BEGIN_DATA\n" + data,
         "1,2,3", 50, "", nullptr},
        {"older shape without framing", "SAMPLE_ID LAB_L LAB_A LAB_B\nBEGIN_DATA\n1 50 1 2\n2 60 3 4\nEND_DATA\n", "1,2",
         50, "", nullptr},
        {"XYZ only: the D50 white is L* 100",
         "IT8.7/2\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X XYZ_Y XYZ_Z\nEND_DATA_FORMAT\nBEGIN_DATA\n"
         "A1 96.42 100 82.49\nA2 0 0 0\nEND_DATA\n",
         "A1,A2", 100, "", nullptr},
        {"Lab wins over XYZ",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X XYZ_Y XYZ_Z LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n"
         "1 1 1 1 42 0 0\nEND_DATA\n",
         "1", 42, "", nullptr},
        {"spectral only, 10 nm, reflectance 0..1",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SPECTRAL_NM380 SPECTRAL_NM390 SPECTRAL_NM400 SPECTRAL_NM410 SPECTRAL_NM420 SPECTRAL_NM430 SPECTRAL_NM440 SPECTRAL_NM450 SPECTRAL_NM460 SPECTRAL_NM470 SPECTRAL_NM480 SPECTRAL_NM490 SPECTRAL_NM500 SPECTRAL_NM510 SPECTRAL_NM520 SPECTRAL_NM530 SPECTRAL_NM540 SPECTRAL_NM550 SPECTRAL_NM560 SPECTRAL_NM570 SPECTRAL_NM580 SPECTRAL_NM590 SPECTRAL_NM600 SPECTRAL_NM610 SPECTRAL_NM620 SPECTRAL_NM630 SPECTRAL_NM640 SPECTRAL_NM650 SPECTRAL_NM660 SPECTRAL_NM670 SPECTRAL_NM680 SPECTRAL_NM690 SPECTRAL_NM700 SPECTRAL_NM710 SPECTRAL_NM720 SPECTRAL_NM730\nEND_DATA_FORMAT\nBEGIN_DATA\nw 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0\nEND_DATA\n", "w", 100, "",
         nullptr},
        {"spectral only, 20 nm, reflectance in percent",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SPECTRAL_380 SPECTRAL_400 SPECTRAL_420 SPECTRAL_440 SPECTRAL_460 SPECTRAL_480 SPECTRAL_500 SPECTRAL_520 SPECTRAL_540 SPECTRAL_560 SPECTRAL_580 SPECTRAL_600 SPECTRAL_620 SPECTRAL_640 SPECTRAL_660 SPECTRAL_680 SPECTRAL_700 SPECTRAL_720 SPECTRAL_740\nEND_DATA_FORMAT\nBEGIN_DATA\nw 100 100 100 100 100 100 100 100 100 100 100 100 100 100 100 100 100 100 100\nEND_DATA\n", "w", 100, "",
         nullptr},
        {"spectral fields with a gap",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SPECTRAL_NM400 SPECTRAL_NM410 SPECTRAL_NM430\nEND_DATA_FORMAT\n"
         "BEGIN_DATA\n1 1 1 1\nEND_DATA\n", "", 0, "", "not evenly spaced"},
        {"no colour fields",
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID RGB_R RGB_G RGB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n1 1 2 3\nEND_DATA\n", "",
         0, "", "no colour fields"},
        {"no field list", "just some text\n1 2 3\n", "", 0, "", "no field list"},
        {"unfinished field list", "BEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L\n", "", 0, "", "END_DATA_FORMAT"},
        {"nothing usable", framed + std::string("1 x 0 0\nEND_DATA\n"), "", 0, "8", "no usable patch"},
    };
    for (const Case& c : cases) {
        PatchFile file;
        std::string problem;
        const bool read = PatchFileReader::parse(c.text, file, problem);
        if (c.refused) {
            EXPECT_FALSE(read) << c.what;
            EXPECT_NE(problem.find(c.refused), std::string::npos) << c.what << ": " << problem;
            continue;
        }
        ASSERT_TRUE(read) << c.what << ": " << problem;
        EXPECT_EQ(ids(file), c.ids) << c.what;
        EXPECT_NEAR(file.records.front().lab.L, c.firstL, 1e-6) << c.what;
        EXPECT_EQ(skippedLines(file), c.skipped) << c.what;
    }
}

TEST(PatchFile, CombinedFileAndDeviceValues)
{
    const std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID CMYK_C CMYK_M CMYK_Y CMYK_K LAB_L LAB_A LAB_B "
                             "REFLAB_L REFLAB_A REFLAB_B TOL_FAILED\nEND_DATA_FORMAT\nBEGIN_DATA\n"
                             "1 0 0 0 0 95 1 -2 95.5 0.5 -2.5 0\n2 100 0 0 0 55 -37 -50 56 -38 -48 1\nEND_DATA\n";
    PatchFile file;
    std::string problem;
    ASSERT_TRUE(PatchFileReader::parse(text, file, problem)) << problem;
    EXPECT_TRUE(file.combined);
    EXPECT_EQ(file.deviceSpace, "CMYK");
    ASSERT_EQ(file.records.size(), 2u);
    const PatchRecord& cyan = file.records[1];
    EXPECT_EQ(file.device(cyan), (std::vector<double>{100, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(cyan.referenceLab.b, -48);
    EXPECT_DOUBLE_EQ(cyan.lab.b, -50);
    EXPECT_TRUE(cyan.hasToleranceMark);
    EXPECT_EQ(cyan.toleranceMark, 1);
}

TEST(PatchFile, SharedFilesAndFileProblems)
{
    PatchFile file;
    std::string problem;
    // The shared parser test file: 8 data lines, three of them malformed.
    ASSERT_TRUE(PatchFileReader::read(testDataPath("bad_lines.txt"), file, problem)) << problem;
    EXPECT_EQ(ids(file), "1,3,5,7,8");
    EXPECT_EQ(skippedLines(file), "13,15,17");

    ASSERT_TRUE(PatchFileReader::read(testDataPath("cmyk_chart.ti3"), file, problem)) << problem;
    EXPECT_EQ(file.records.size(), 1200u);
    EXPECT_EQ(file.deviceSpace, "CMYK");
    EXPECT_TRUE(file.skipped.empty());

    // Reference files as colour programs ship them: Lab, and XYZ only.
    ASSERT_TRUE(PatchFileReader::read(testDataPath("ColorChecker.cie"), file, problem)) << problem;
    EXPECT_EQ(file.records.size(), 24u);
    EXPECT_EQ(file.id(file.records[0]), "A01");
    ASSERT_TRUE(PatchFileReader::read(testDataPath("QPcard_201.cie"), file, problem)) << problem;
    EXPECT_EQ(file.colourFields, ColourFields::XYZ);
    EXPECT_EQ(file.records.size(), 30u);
    EXPECT_NEAR(file.records[0].lab.L, 76.375, 0.001); // Y 50.5

    TempDir dir;
    EXPECT_FALSE(PatchFileReader::read(dir.dir(), file, problem));
    EXPECT_NE(problem.find("is a folder"), std::string::npos) << problem;
    EXPECT_FALSE(PatchFileReader::read(dir.path("missing.txt"), file, problem));
    EXPECT_NE(problem.find("No such file"), std::string::npos) << problem;
}

} // namespace
