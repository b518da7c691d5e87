#include "PatchFile.h"
#include "PatchPairing.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

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
    // A black beside the white: a chart read in 0..1 has its darks.
    std::string black10nm = "k";
    for (int band = 0; band < 36; ++band)
        black10nm += " 0.03";
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
         "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SPECTRAL_NM380 SPECTRAL_NM390 SPECTRAL_NM400 SPECTRAL_NM410 SPECTRAL_NM420 SPECTRAL_NM430 SPECTRAL_NM440 SPECTRAL_NM450 SPECTRAL_NM460 SPECTRAL_NM470 SPECTRAL_NM480 SPECTRAL_NM490 SPECTRAL_NM500 SPECTRAL_NM510 SPECTRAL_NM520 SPECTRAL_NM530 SPECTRAL_NM540 SPECTRAL_NM550 SPECTRAL_NM560 SPECTRAL_NM570 SPECTRAL_NM580 SPECTRAL_NM590 SPECTRAL_NM600 SPECTRAL_NM610 SPECTRAL_NM620 SPECTRAL_NM630 SPECTRAL_NM640 SPECTRAL_NM650 SPECTRAL_NM660 SPECTRAL_NM670 SPECTRAL_NM680 SPECTRAL_NM690 SPECTRAL_NM700 SPECTRAL_NM710 SPECTRAL_NM720 SPECTRAL_NM730\nEND_DATA_FORMAT\nBEGIN_DATA\nw 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0 1.0\n" + black10nm +
         "\nEND_DATA\n", "w,k", 100, "",
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
        EngineText problem;
        const bool read = PatchFileReader::parse(c.text, file, problem);
        if (c.refused) {
            EXPECT_FALSE(read) << c.what;
            EXPECT_NE(problem.english().find(c.refused), std::string::npos) << c.what << ": " << problem.english();
            continue;
        }
        ASSERT_TRUE(read) << c.what << ": " << problem.english();
        EXPECT_EQ(ids(file), c.ids) << c.what;
        EXPECT_NEAR(file.records.front().lab.L, c.firstL, 1e-6) << c.what;
        EXPECT_EQ(skippedLines(file), c.skipped) << c.what;
    }
}

// A chart of 40 patches as 36 bands from 380 to 730 nm, fields named by
// prefix; patch k (1..40) reflects between 1.2 % and 90 %, times scale.
// change may alter a patch's values first.
std::string spectralChart(const std::string& header, const char* prefix, double scale,
                          const std::function<void(int, std::vector<double>&)>& change = {}, int patches = 40)
{
    std::string text = header + "BEGIN_DATA_FORMAT\nSAMPLE_ID";
    for (int nm = 380; nm <= 730; nm += 10)
        text += std::string(" ") + prefix + std::to_string(nm);
    text += "\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    for (int k = 1; k <= patches; ++k) {
        std::vector<double> r;
        const double level = 0.012 + (0.9 - 0.012) * (k - 1) / 39.0;
        for (int nm = 380; nm <= 730; nm += 10)
            r.push_back(scale * level * (0.9 + 0.1 * std::sin(nm / 40.0)));
        if (change)
            change(k, r);
        text += std::to_string(k);
        for (double v : r) {
            char value[32];
            std::snprintf(value, sizeof value, " %.5g", v);
            text += value;
        }
        text += '\n';
    }
    return text + "END_DATA\n";
}

// The line of the data row that starts with id.
int lineOfRow(const std::string& text, int id)
{
    const std::size_t at = text.find("\n" + std::to_string(id) + " ", text.find("BEGIN_DATA\n"));
    return at == std::string::npos ? -1 : static_cast<int>(std::count(text.begin(), text.begin() + at + 1, '\n')) + 1;
}

// A file loaded on its own, as "vestrel-cli patches FILE" does: read, then
// listed (which refuses one id twice).
bool loadAlone(const std::string& text, PatchFile& file, std::string& problem)
{
    auto shared = std::make_shared<PatchFile>();
    EngineText refused;
    if (!PatchFileReader::parse(text, *shared, refused)) {
        problem = refused.english();
        file = *shared;
        return false;
    }
    file = *shared;
    Pairing pairing;
    const PatchSide measured{shared, false};
    const bool paired = pairPatches(shared->combined ? PatchSide{shared, true} : PatchSide{}, measured, pairing, refused);
    problem = refused.english();
    return paired;
}

// The slips print shops make, and what each must give: one odd value never
// decides how the whole file is read.
TEST(PatchFile, SlipsAreRefusedByLineOrByFile)
{
    const auto fractions = [](double glitch) {
        return spectralChart("CGATS.17\n", "SPECTRAL_NM", 1.0, [glitch](int k, std::vector<double>& r) {
            if (k == 17)
                r[20] = glitch;
        });
    };
    const auto darkPercent = [](const std::string& header, double from = 1.1, double to = 1.4) {
        // Peaks between 1.1 % and 1.4 %: as fractions they would be brighter
        // than paper; between 0.6 % and 1 % as bright as paper.
        return spectralChart(header, "SPECTRAL_", 1.0, [from, to](int k, std::vector<double>& r) {
            for (double& v : r)
                v = (from + (to - from) * (k - 1) / 39.0) * (0.95 + 0.05 * v / (v + 1));
        });
    };
    // Shadows in percent with a few light patches: the bulk is below 1.6.
    const std::string shadowsPercent = spectralChart("CGATS.17\n", "SPECTRAL_", 100.0, [](int k, std::vector<double>& r) {
        if (k <= 30)
            for (double& v : r)
                v *= 0.02;
    });
    std::string xyzUnit = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X XYZ_Y XYZ_Z\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    for (int k = 1; k <= 30; ++k) {
        const double y = 0.03 + 0.9 * (k - 1) / 29.0;
        xyzUnit += std::to_string(k) + " " + std::to_string(0.9642 * y) + " " + std::to_string(y) + " " +
                   std::to_string(0.8249 * y) + "\n";
    }
    xyzUnit += "31 91.2 95.0 78.1\nEND_DATA\n";
    const std::string argyllHeader = "CTI3\n\nDESCRIPTOR \"Argyll Calibration Target chart information 3\"\n"
                                     "KEYWORD \"DEVICE_CLASS\"\nDEVICE_CLASS \"OUTPUT\"\n"
                                     "KEYWORD \"SPECTRAL_BANDS\"\nSPECTRAL_BANDS \"36\"\n"
                                     "KEYWORD \"SPECTRAL_START_NM\"\nSPECTRAL_START_NM \"380.000000\"\n"
                                     "KEYWORD \"SPECTRAL_END_NM\"\nSPECTRAL_END_NM \"730.000000\"\n"
                                     "KEYWORD \"SPECTRAL_NORM\"\nSPECTRAL_NORM \"100.000000\"\n\n";
    const std::string combinedTwice = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A "
                                      "REFLAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n1 50 0 0 51 0 0\n2 60 0 0 61 0 0\n"
                                      "02 70 0 0 71 0 0\nEND_DATA\n";

    struct Case
    {
        const char* what;
        std::string text;
        std::size_t read;       // rows read
        std::vector<int> lines; // rows refused, by line
        double minL, maxL;      // L* of the rows read
        const char* note;       // part of the file's note, or null
        const char* refused;    // part of the file's refusal, or null
    };
    const std::string fraction160 = fractions(1.6), fraction45 = fractions(45.3), fraction25 = fractions(2.5);
    const std::string percent250 = spectralChart("CGATS.17\n", "SPECTRAL_", 100.0, [](int k, std::vector<double>& r) {
        if (k == 5)
            r[12] = 250;
    });
    const std::string negative = spectralChart("CGATS.17\n", "SPECTRAL_NM", 1.0, [](int k, std::vector<double>& r) {
        if (k == 8)
            r[3] = -0.2;
        if (k == 9)
            r[3] = -0.03; // instrument noise on a dark band
    });
    const std::string cutShort = framed + std::string("1 50 1 2\n2 60 3 4\n3 70 5 26");
    const Case cases[] = {
        {"fractions, one value 1.6 (fluorescent at most)", fraction160, 40, {}, 9, 96, nullptr, nullptr},
        {"fractions, one typo 45.3", fraction45, 39, {lineOfRow(fraction45, 17)}, 9, 96, nullptr, nullptr},
        {"fractions, one value 2.5", fraction25, 39, {lineOfRow(fraction25, 17)}, 9, 96, nullptr, nullptr},
        {"percent, one band 250", percent250, 39, {lineOfRow(percent250, 5)}, 9, 96, nullptr, nullptr},
        {"fractions, a negative band", negative, 39, {lineOfRow(negative, 8)}, 9, 96, nullptr, nullptr},
        {"percent of a dark chart cannot be told from fractions", darkPercent("CGATS.17\n"), 0, {}, 0, 0, nullptr,
         "fit reflectance in 0..1 and in percent alike"},
        {"percent of a darker chart, as bright as paper in 0..1", darkPercent("CGATS.17\n", 0.6, 1.0), 0, {}, 0, 0,
         nullptr, "fit reflectance in 0..1 and in percent alike"},
        {"fractions of a chart without light patches", darkPercent("CGATS.17\n", 0.01, 0.3), 0, {}, 0, 0, nullptr,
         "state the scale with a keyword line SPECTRAL_NORM"},
        {"percent of shadows with a few light patches", shadowsPercent, 40, {}, 0, 96, nullptr, nullptr},
        {"the same stated by SPECTRAL_NORM", darkPercent("CGATS.17\nSPECTRAL_NORM \"100\"\n"), 40, {}, 9, 13, nullptr,
         nullptr},
        {"fractions stated by SPECTRAL_NORM 1", spectralChart("CGATS.17\nSPECTRAL_NORM \"1\"\n", "SPEC_", 1.0), 40, {},
         9, 96, nullptr, nullptr},
        {"an unreadable SPECTRAL_NORM", spectralChart("CGATS.17\nSPECTRAL_NORM \"full\"\n", "SPEC_", 1.0), 0, {}, 0, 0,
         nullptr, "SPECTRAL_NORM \"full\" is not a positive number"},
        {"ArgyllCMS spectral .ti3 with KEYWORD lines", spectralChart(argyllHeader, "SPEC_", 100.0), 40, {}, 9, 96,
         nullptr, nullptr},
        {"SPECTRAL_ keywords without KEYWORD lines",
         spectralChart("CTI3\nSPECTRAL_BANDS \"36\"\nSPECTRAL_NORM \"100\"\n", "SPECTRAL_NM_", 100.0), 40, {}, 9, 96,
         nullptr, nullptr},
        {"KEYWORD \"SPECTRAL_NORM\" in a Lab file",
         "CGATS.17\nKEYWORD \"SPECTRAL_NORM\"\nSPECTRAL_NORM \"1\"\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\n"
         "END_DATA_FORMAT\nBEGIN_DATA\n1 50 0 0\nEND_DATA\n",
         1, {}, 50, 50, nullptr, nullptr},
        {"keyword lines naming Lab fields are no field list",
         "KEYWORD \"LAB_L\"\nLAB_L \"LAB_L LAB_A LAB_B\"\nMEASURED \"LAB_L\" \"LAB_A\" \"LAB_B\"\n"
         "SAMPLE_ID LAB_L LAB_A LAB_B\n1 50 0 0\n",
         1, {}, 50, 50, nullptr, nullptr},
        {"XYZ with white Y = 1", xyzUnit, 30, {lineOfRow(xyzUnit, 31)}, 20, 98, "XYZ values read on a 0..1 scale", nullptr},
        {"XYZ all near black", "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X XYZ_Y XYZ_Z\nEND_DATA_FORMAT\nBEGIN_DATA\n"
                               "1 0.1 0.1 0.1\n2 0.2 0.2 0.2\nEND_DATA\n",
         0, {}, 0, 0, nullptr, "the XYZ values are all near 0 (the brightest patch has Y 0.2)"},
        {"last row cut inside a number", cutShort, 2, {10}, 50, 60, nullptr, nullptr},
        {"last line without a line end, but whole", framed + std::string("1 50 1 2\n2 60 3 4\nEND_DATA"), 2, {}, 50, 60,
         nullptr, nullptr},
        {"combined file with one id twice", combinedTwice, 0, {}, 0, 0, nullptr,
         "the combined file has SAMPLE_ID 02 twice (lines 7 and 8)"},
        {"measurement with one id twice", framed + std::string("1 50 1 2\n2 60 3 4\n1 70 5 6\nEND_DATA\n"), 0, {}, 0, 0,
         nullptr, "the measurement file has SAMPLE_ID 1 twice (lines 8 and 10)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PatchFile file;
        std::string problem;
        const bool read = loadAlone(c.text, file, problem);
        if (c.refused) {
            EXPECT_FALSE(read);
            EXPECT_NE(problem.find(c.refused), std::string::npos) << problem;
            EXPECT_EQ(problem.find('\n'), std::string::npos) << "one line";
            continue;
        }
        ASSERT_TRUE(read) << problem;
        EXPECT_EQ(file.records.size(), c.read);
        std::vector<int> lines;
        for (const LineProblem& p : file.skipped)
            lines.push_back(p.line);
        EXPECT_EQ(lines, c.lines) << (file.skipped.empty() ? "" : file.skipped.front().reason.english());
        for (const PatchRecord& r : file.records) {
            EXPECT_GE(r.lab.L, c.minL) << "line " << r.line;
            EXPECT_LE(r.lab.L, c.maxL) << "line " << r.line;
        }
        std::string notes;
        for (const EngineText& n : file.notes)
            notes += n.english();
        if (c.note)
            EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
        else
            EXPECT_EQ(notes, "");
    }
}

TEST(PatchFile, RefusedRowsSayWhy)
{
    const std::string typo = spectralChart("CGATS.17\n", "SPECTRAL_NM", 1.0, [](int k, std::vector<double>& r) {
        if (k == 3)
            r[17] = 45.3;
    });
    const std::string percent = spectralChart("CGATS.17\n", "SPEC_", 100.0, [](int k, std::vector<double>& r) {
        if (k == 3)
            r[0] = -7;
    });
    struct Case { const char* what; std::string text; const char* reason; };
    const Case cases[] = {
        {"fraction", typo, "spectral value 45.3 at 550 nm is outside -0.05 to 1.6 (reflectance in 0..1)"},
        {"percent", percent, "spectral value -7 at 380 nm is outside -5 to 160 (reflectance in percent)"},
        {"cut", framed + std::string("1 50 1 2\n2 60 3 4.2"),
         "the file ends inside this line, without END_DATA: it may have been cut short"},
        {"text with a control character", framed + std::string("1 5\x1b[2J0 1 2\n2 60 3 4\n"),
         "'5\\x1b[2J0' is not a number"},
        {"text with a NUL", framed + std::string("1 5\0" "0 1 2\n2 60 3 4\n", 19), "'5\\x000' is not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PatchFile file;
        EngineText problem;
        ASSERT_TRUE(PatchFileReader::parse(c.text, file, problem)) << problem.english();
        ASSERT_EQ(file.skipped.size(), 1u);
        EXPECT_EQ(file.skipped[0].reason.english(), c.reason);
    }
}

TEST(PatchFile, CombinedFileAndDeviceValues)
{
    const std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID CMYK_C CMYK_M CMYK_Y CMYK_K LAB_L LAB_A LAB_B "
                             "REFLAB_L REFLAB_A REFLAB_B TOL_FAILED\nEND_DATA_FORMAT\nBEGIN_DATA\n"
                             "1 0 0 0 0 95 1 -2 95.5 0.5 -2.5 0\n2 100 0 0 0 55 -37 -50 56 -38 -48 1\nEND_DATA\n";
    PatchFile file;
    EngineText problem;
    ASSERT_TRUE(PatchFileReader::parse(text, file, problem)) << problem.english();
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
    EngineText problem;
    // The shared parser test file: 8 data lines, three of them malformed.
    ASSERT_TRUE(PatchFileReader::read(testDataPath("bad_lines.txt"), file, problem)) << problem.english();
    EXPECT_EQ(ids(file), "1,3,5,7,8");
    EXPECT_EQ(skippedLines(file), "13,15,17");

    ASSERT_TRUE(PatchFileReader::read(testDataPath("cmyk_chart.ti3"), file, problem)) << problem.english();
    EXPECT_EQ(file.records.size(), 1200u);
    EXPECT_EQ(file.deviceSpace, "CMYK");
    EXPECT_TRUE(file.skipped.empty());

    // Reference files as colour programs ship them: Lab, and XYZ only.
    ASSERT_TRUE(PatchFileReader::read(testDataPath("ColorChecker.cie"), file, problem)) << problem.english();
    EXPECT_EQ(file.records.size(), 24u);
    EXPECT_EQ(file.id(file.records[0]), "A01");
    ASSERT_TRUE(PatchFileReader::read(testDataPath("QPcard_201.cie"), file, problem)) << problem.english();
    EXPECT_EQ(file.colourFields, ColourFields::XYZ);
    EXPECT_EQ(file.records.size(), 30u);
    EXPECT_NEAR(file.records[0].lab.L, 76.375, 0.001); // Y 50.5

    // ArgyllCMS spec2cie output: SPECTRAL_ keywords, SPEC_ fields, and Lab.
    ASSERT_TRUE(PatchFileReader::read(testDataPath("spec2cie_5nm.ti3"), file, problem)) << problem.english();
    EXPECT_EQ(file.records.size(), 96u);
    EXPECT_EQ(file.colourFields, ColourFields::Lab);
    EXPECT_TRUE(file.skipped.empty());

    TempDir dir;
    EXPECT_FALSE(PatchFileReader::read(dir.dir(), file, problem));
    EXPECT_NE(problem.english().find("is a folder"), std::string::npos) << problem.english();
    EXPECT_FALSE(PatchFileReader::read(dir.path("missing.txt"), file, problem));
    EXPECT_NE(problem.english().find("No such file"), std::string::npos) << problem.english();
}

} // namespace
