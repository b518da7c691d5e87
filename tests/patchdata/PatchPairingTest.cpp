#include "PatchPairing.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A side from a small CGATS text with the given fields and rows.
PatchSide side(const std::string& fields, const std::string& rows, bool referenceColumns = false)
{
    auto file = std::make_shared<PatchFile>();
    EngineText problem;
    const std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\n" + fields + "\nEND_DATA_FORMAT\nBEGIN_DATA\n" + rows +
                             "END_DATA\n";
    EXPECT_TRUE(PatchFileReader::parse(text, *file, problem)) << problem.english();
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
        EngineText problem;
        const bool paired = pairPatches(c.ref, c.meas, pairing, problem);
        if (c.refused) {
            EXPECT_FALSE(paired) << c.what;
            EXPECT_NE(problem.english().find(c.refused), std::string::npos) << c.what << ": " << problem.english();
            continue;
        }
        ASSERT_TRUE(paired) << c.what << ": " << problem.english();
        EXPECT_EQ(pairs(pairing), c.pairs) << c.what;
        EXPECT_EQ(joined(pairing.unmeasured), c.unmeasured) << c.what;
        EXPECT_EQ(joined(pairing.unreferenced), c.unreferenced) << c.what;
    }
}

// Rows "id name L 0 0" for ids 1..count; name(i) names the patch of id i.
std::string namedRows(int count, const std::function<std::string(int)>& name, int lightnessOffset)
{
    std::string rows;
    for (int i = 1; i <= count; ++i)
        rows += std::to_string(i) + " " + name(i) + " " + std::to_string(10 * std::stoi(name(i).substr(1)) + lightnessOffset) +
                " 0 0\n";
    return rows;
}

TEST(PatchPairing, PairsThatDisagreeAreNotTrusted)
{
    const std::string fields = "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B";
    const auto same = [](int i) { return "A" + std::to_string(i); };
    // A running counter as the id: patch A(7-i) was measured third-last, ...
    const auto reversed = [](int i) { return "A" + std::to_string(7 - i); };
    const PatchSide reference = side(fields, namedRows(6, same, 0));
    const PatchSide counter = side(fields, namedRows(6, reversed, 1));
    // The same, but one patch named otherwise: the names do not pair everything.
    const PatchSide counterRenamed = side(fields, namedRows(5, reversed, 1) + "6 Z1 11 0 0\n");
    const PatchSide oneSlip = side(fields, namedRows(6, same, 1).replace(0, 4, "1 A9"));
    const PatchSide withoutNames = side("SAMPLE_ID LAB_L LAB_A LAB_B", "6 61 0 0\n5 51 0 0\n");
    const PatchSide combined = side(fields + " REFLAB_L REFLAB_A REFLAB_B", "1 A1 99 0 0 12 0 0\n2 A2 99 0 0 22 0 0\n");
    struct Case
    {
        const char* what;
        PatchSide ref, meas;
        PairBy by;
        const char* pairs;
        const char* note;
        const char* refused;
    };
    const Case cases[] = {
        {"counter ids, names pair everything", reference, counter, PairBy::Auto,
         "A1:10/11,A2:20/21,A3:30/31,A4:40/41,A5:50/51,A6:60/61",
         "SAMPLE_ID and SAMPLE_NAME disagree in 6 of 6 pairs (id 1: 'A1' in the reference, 'A6' in the measurement; "
         "id 2: 'A2' in the reference, 'A5' in the measurement; id 3: 'A3' in the reference, 'A4' in the measurement); "
         "paired by SAMPLE_NAME, which pairs every patch",
         nullptr},
        {"counter ids, names do not pair everything", reference, counterRenamed, PairBy::Auto, "", "",
         "SAMPLE_ID and SAMPLE_NAME disagree in 6 of 6 pairs (id 1: 'A1' in the reference, 'A6' in the measurement; "
         "id 2: 'A2' in the reference, 'A5' in the measurement; id 3: 'A3' in the reference, 'A4' in the measurement); "
         "choose to pair them by id or by name"},
        {"one slip is no reason to doubt the ids", reference, oneSlip, PairBy::Auto,
         "1:10/11,2:20/21,3:30/31,4:40/41,5:50/51,6:60/61", "", nullptr},
        {"--pair-by id overrides", reference, counterRenamed, PairBy::Id,
         "1:10/61,2:20/51,3:30/41,4:40/31,5:50/21,6:60/11", "", nullptr},
        {"--pair-by name overrides", reference, counterRenamed, PairBy::Name, "A2:20/21,A3:30/31,A4:40/41,A5:50/51,A6:60/61",
         "", nullptr},
        {"--pair-by position", reference, counter, PairBy::Position, "1:10/61,2:20/51,3:30/41,4:40/31,5:50/21,6:60/11", "",
         nullptr},
        {"--pair-by position needs equal counts", reference, withoutNames, PairBy::Position, "", "",
         "pairing by position needs as many measured as reference patches (2 and 6)"},
        {"--pair-by a field one file lacks", reference, withoutNames, PairBy::Name, "", "",
         "cannot pair by SAMPLE_NAME: the measurement file has no SAMPLE_NAME"},
        {"--pair-by loc", reference, counter, PairBy::Location, "", "",
         "cannot pair by SAMPLE_LOC: the reference file has no SAMPLE_LOC"},
        {"a combined file as the reference gives its reference columns", {combined.file, true}, withoutNames,
         PairBy::Auto, "", "", "none of the 2 measured patches"},
        {"a combined file as the reference, paired", {combined.file, true}, counter, PairBy::Auto, "", "",
         "SAMPLE_ID and SAMPLE_NAME disagree in 2 of 2 pairs"},
        {"a combined file as the reference, paired by name", {combined.file, true}, counter, PairBy::Name,
         "A1:12/11,A2:22/21", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pairing pairing;
        EngineText problem;
        const bool paired = pairPatches(c.ref, c.meas, pairing, problem, c.by);
        if (c.refused) {
            EXPECT_FALSE(paired);
            EXPECT_NE(problem.english().find(c.refused), std::string::npos) << problem.english();
            continue;
        }
        ASSERT_TRUE(paired) << problem.english();
        EXPECT_EQ(pairs(pairing), c.pairs);
        std::vector<std::string> notes;
        for (const EngineText& note : pairing.notes)
            notes.push_back(note.english());
        EXPECT_EQ(joined(notes), c.note);
    }
}

TEST(PatchPairing, CombinedFilePairsWithinRows)
{
    const PatchSide measured = side("SAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B",
                                    "5 11 0 0 10 0 0\n6 22 0 0 20 0 0\n");
    Pairing pairing;
    EngineText problem;
    ASSERT_TRUE(pairPatches({measured.file, true}, measured, pairing, problem)) << problem.english();
    EXPECT_EQ(pairs(pairing), "5:10/11,6:20/22");
    EXPECT_EQ(pairing.pairedBy, "row");
    EXPECT_TRUE(pairing.patches[0].hasToleranceMark) << "a combined file marks its patches as passed";

    // One id twice: the rows pair by row, but which one is patch 5 is in doubt.
    const PatchSide twice = side("SAMPLE_ID LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B",
                                 "5 11 0 0 10 0 0\n5 22 0 0 20 0 0\n");
    EXPECT_FALSE(pairPatches({twice.file, true}, twice, pairing, problem));
    EXPECT_EQ(problem.english(), "the combined file has SAMPLE_ID 5 twice (lines 6 and 7)");
    EXPECT_FALSE(pairPatches({}, twice, pairing, problem)) << "alone too";
    EXPECT_FALSE(pairPatches(side("SAMPLE_ID LAB_L LAB_A LAB_B", "5 10 0 0\n"), twice, pairing, problem, PairBy::Position));
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
