#include "PatchPairing.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A side from a small CGATS text with the given fields and rows.
PatchSide side(const std::string& fields, const std::string& rows, bool referenceColumns = false)
{
    auto file = std::make_shared<PatchFile>();
    std::string problem;
    const std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\n" + fields + "\nEND_DATA_FORMAT\nBEGIN_DATA\n" + rows +
                             "END_DATA\n";
    EXPECT_TRUE(PatchFileReader::parse(text, *file, problem)) << problem;
    return {file, referenceColumns};
}

// "id:refL/measL" per patch.
std::string pairs(const Pairing& pairing)
{
    std::string text;
    for (const Patch& p : pairing.patches) {
        char one[64];
        std::snprintf(one, sizeof one, "%s%s:%g/%g", text.empty() ? "" : ",", p.id.c_str(), p.reference.L,
                      p.measured.L);
        text += one;
    }
    return text;
}

std::string joined(const std::vector<std::string>& ids)
{
    std::string text;
    for (const std::string& id : ids)
        text += (text.empty() ? "" : ",") + id;
    return text;
}

TEST(PatchPairing, ByIdentityNeverByLine)
{
    const std::string idFields = "SAMPLE_ID LAB_L LAB_A LAB_B";
    const std::string reference = "1 10 0 0\n2 20 0 0\n3 30 0 0\n";
    struct Case
    {
        const char* what;
        PatchSide ref, meas;
        const char* pairs;
        const char* unmeasured;
        const char* unreferenced;
        const char* refused;
    };
    const Case cases[] = {
        {"shuffled", side(idFields, reference), side(idFields, "3 33 0 0\n1 11 0 0\n2 22 0 0\n"),
         "1:10/11,2:20/22,3:30/33", "", "", nullptr},
        {"one missing", side(idFields, reference), side(idFields, "1 11 0 0\n3 33 0 0\n"), "1:10/11,3:30/33", "2", "",
         nullptr},
        {"extra measurements", side(idFields, reference),
         side(idFields, "1 11 0 0\n2 22 0 0\n3 33 0 0\n7 77 0 0\n"), "1:10/11,2:20/22,3:30/33", "", "7", nullptr},
        {"whole numbers by value, texts as written", side(idFields, "01 10 0 0\nA01 20 0 0\n"),
         side(idFields, "1 11 0 0\nA1 22 0 0\n"), "01:10/11", "A01", "A1", nullptr},
        {"names where there are no ids", side("SAMPLE_NAME LAB_L LAB_A LAB_B", "red 10 0 0\n\"dark blue\" 20 0 0\n"),
         side("SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B", "9 \"dark blue\" 22 0 0\n8 red 11 0 0\n"),
         "red:10/11,dark blue:20/22", "", "", nullptr},
        {"no identities, same count", side("LAB_L LAB_A LAB_B", "10 0 0\n20 0 0\n"),
         side("LAB_L LAB_A LAB_B", "11 0 0\n22 0 0\n"), "1:10/11,2:20/22", "", "", nullptr},
        {"no identities, different count", side("LAB_L LAB_A LAB_B", "10 0 0\n20 0 0\n"),
         side("LAB_L LAB_A LAB_B", "11 0 0\n"), "", "", "", "as many measured as reference"},
        {"identities on one side only", side(idFields, reference), side("LAB_L LAB_A LAB_B", "11 0 0\n22 0 0\n33 0 0\n"),
         "", "", "", "cannot be paired"},
        {"duplicate id", side(idFields, reference), side(idFields, "1 11 0 0\n2 22 0 0\n02 23 0 0\n"), "", "", "",
         "SAMPLE_ID 02 twice"},
        {"nothing in common", side(idFields, reference), side(idFields, "7 11 0 0\n"), "", "", "", "none of the 1"},
    };
    for (const Case& c : cases) {
        Pairing pairing;
        std::string problem;
        const bool paired = pairPatches(c.ref, c.meas, pairing, problem);
        if (c.refused) {
            EXPECT_FALSE(paired) << c.what;
            EXPECT_NE(problem.find(c.refused), std::string::npos) << c.what << ": " << problem;
            continue;
        }
        ASSERT_TRUE(paired) << c.what << ": " << problem;
        EXPECT_EQ(pairs(pairing), c.pairs) << c.what;
        EXPECT_EQ(joined(pairing.unmeasured), c.unmeasured) << c.what;
        EXPECT_EQ(joined(pairing.unreferenced), c.unreferenced) << c.what;
    }
}

TEST(PatchPairing, CombinedFilePairsWithinRows)
{
    const PatchSide measured = side("SAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B",
                                    "5 11 0 0 10 0 0\n5 22 0 0 20 0 0\n");
    Pairing pairing;
    std::string problem;
    // Two rows with one id: a combined file pairs by row, so this is no duplicate.
    ASSERT_TRUE(pairPatches({measured.file, true}, measured, pairing, problem)) << problem;
    EXPECT_EQ(pairs(pairing), "5:10/11,5:20/22");
    EXPECT_EQ(pairing.pairedBy, "row");
    EXPECT_TRUE(pairing.patches[0].hasToleranceMark) << "a combined file marks its patches as passed";
}

TEST(PatchPairing, IdListsAreShort)
{
    EXPECT_EQ(describeIds({"101", "102", "103", "104"}), "ids 101\u2013104");
    EXPECT_EQ(describeIds({"7", "9", "40"}), "ids 7, 9, 40");
    EXPECT_EQ(describeIds({"7", "8", "A1"}), "ids 7, 8, A1");
    EXPECT_EQ(describeIds({"x"}), "id x");
    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i)
        many.push_back("P" + std::to_string(i));
    EXPECT_NE(describeIds(many, 5).find("and 25 more"), std::string::npos);
}

} // namespace
