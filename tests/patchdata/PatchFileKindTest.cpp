#include "PatchFileKind.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string labFile(const std::string& header)
{
    return "CGATS.17\n" + header + "BEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
           "BEGIN_DATA\n1 50 0 0\nEND_DATA\n";
}

TEST(PatchFileKind, FilesSayWhatTheyAre)
{
    struct Case
    {
        const char* what;
        std::string text; // empty: the test data file of that name
        const char* path;
        PatchFileKind kind;
    };
    const std::string combined = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\n"
                                 "END_DATA_FORMAT\nBEGIN_DATA\n1 50 0 0 51 0 0\nEND_DATA\n";
    const Case cases[] = {
        {"the reference of the tests", "", "cmyk_ref.txt", PatchFileKind::Reference},
        {"the measurement of the tests", "", "cmyk_meas.txt", PatchFileKind::Measurement},
        {"a combined file, whatever its words", "", "cmyk_combined.txt", PatchFileKind::Combined},
        {"ArgyllCMS reference chart", "", "ColorChecker.cie", PatchFileKind::Reference},
        {"ArgyllCMS measurement", "", "cmyk_chart.ti3", PatchFileKind::Measurement},
        {"described as a target", labFile("DESCRIPTOR \"IT8.7/4 target values\"\n"), "a.txt", PatchFileKind::Reference},
        {"described as printed", labFile("ORIGINATOR \"printed and read on press 2\"\n"), "a.txt",
         PatchFileKind::Measurement},
        {"the description wins over the name", labFile("DESCRIPTOR \"measured\"\n"), "ref.txt",
         PatchFileKind::Measurement},
        {"a description naming both says nothing", labFile("DESCRIPTOR \"measured against the reference\"\n"),
         "x/meas_2.txt", PatchFileKind::Measurement},
        {"named by its file", labFile(""), "/data/Chart-REF.txt", PatchFileKind::Reference},
        {"words inside other words do not count", labFile(""), "/data/prefix.txt", PatchFileKind::Unknown},
        {"a folder's name does not count", labFile(""), "/ref/chart.txt", PatchFileKind::Unknown},
        {"nothing to go by", labFile(""), "chart.txt", PatchFileKind::Unknown},
        {"combined fields in a file named reference", combined, "reference.txt", PatchFileKind::Combined},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PatchFile file;
        EngineText problem;
        const std::string path = c.text.empty() ? testDataPath(c.path) : c.path;
        ASSERT_TRUE(c.text.empty() ? PatchFileReader::read(path, file, problem)
                                   : PatchFileReader::parse(c.text, file, problem))
            << problem.english();
        EXPECT_EQ(patchFileKind(file, path), c.kind);
    }
}

} // namespace
