#include "RepeatedMeasurements.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::shared_ptr<PatchFile> parsed(const std::string& fields, const std::string& rows)
{
    auto file = std::make_shared<PatchFile>();
    EngineText problem;
    const std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\n" + fields + "\nEND_DATA_FORMAT\nBEGIN_DATA\n" + rows +
                             "END_DATA\n";
    EXPECT_TRUE(PatchFileReader::parse(text, *file, problem)) << problem.english();
    return file;
}

std::shared_ptr<PatchFile> labRows(const std::string& rows)
{
    return parsed("SAMPLE_ID LAB_L LAB_A LAB_B", rows);
}

void expectLab(const Lab& got, const Lab& want)
{
    EXPECT_NEAR(got.L, want.L, 1e-9);
    EXPECT_NEAR(got.a, want.a, 1e-9);
    EXPECT_NEAR(got.b, want.b, 1e-9);
}

// The averaged colour of the record with this SAMPLE_ID.
const PatchRecord* recordOf(const PatchFile& file, const std::string& id)
{
    for (const PatchRecord& record : file.records)
        if (file.id(record) == id)
            return &record;
    return nullptr;
}

TEST(RepeatedMeasurements, MeanOfTwoMedianOfThreeOrMorePerComponent)
{
    struct Case
    {
        const char* what;
        std::vector<Lab> readings;
        Lab expected;
    };
    const Case cases[] = {
        {"one reading is itself", {{50, 1, 2}}, {50, 1, 2}},
        {"mean of two", {{50, 1, 2}, {51, 2, -2}}, {50.5, 1.5, 0}},
        // Each component on its own: the median colour is no reading.
        {"median of three", {{50, 0, 9}, {52, 3, 1}, {51, -4, 4}}, {51, 0, 4}},
        {"one slip of three does not move it", {{50, 1, 1}, {50.2, 1.2, 0.8}, {70, -20, 30}}, {50.2, 1, 1}},
        {"median of four is the mean of the middle two", {{50, 0, 0}, {51, 4, 1}, {52, 1, 2}, {60, 2, 3}},
         {51.5, 1.5, 1.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectLab(averageReadings(c.readings), c.expected);
    }
}

TEST(RepeatedMeasurements, SpreadIsTheLargestDistanceBetweenTwoReadings)
{
    EXPECT_DOUBLE_EQ(readingsSpread({{50, 0, 0}}), 0.0);
    EXPECT_DOUBLE_EQ(readingsSpread({{50, 0, 0}, {53, 4, 0}}), 5.0);
    EXPECT_DOUBLE_EQ(readingsSpread({{50, 0, 0}, {51, 0, 0}, {50, 0, 6}}), std::sqrt(37.0));
}

TEST(RepeatedMeasurements, FilesPairByIdentityAndAverage)
{
    struct Case
    {
        const char* what;
        std::vector<std::shared_ptr<PatchFile>> files;
        PairBy by;
        std::vector<std::pair<std::string, Lab>> expected; // by shown id
        std::vector<std::string> incomplete;
    };
    const std::vector<Case> cases = {
        {"ids in another order, written with leading zeros",
         {labRows("1 50 0 0\n2 60 10 10\n3 70 0 -5\n"), labRows("03 71 0 -5\n01 51 0 0\n02 61 10 12\n")},
         PairBy::Auto,
         {{"1", {50.5, 0, 0}}, {"2", {60.5, 10, 11}}, {"3", {70.5, 0, -5}}},
         {}},
        {"by name when the files carry names only",
         {parsed("SAMPLE_NAME LAB_L LAB_A LAB_B", "A1 50 0 0\nA2 60 0 0\n"),
          parsed("SAMPLE_NAME LAB_L LAB_A LAB_B", "A2 62 0 0\nA1 52 0 0\n")},
         PairBy::Auto,
         {},
         {}},
        {"by position without any identity",
         {parsed("LAB_L LAB_A LAB_B", "50 0 0\n60 0 0\n"), parsed("LAB_L LAB_A LAB_B", "52 0 0\n62 0 0\n")},
         PairBy::Auto,
         {},
         {}},
        {"a patch missing from one file is the other's; one only in the second joins",
         {labRows("1 50 0 0\n2 60 0 0\n"), labRows("1 52 0 0\n5 80 0 0\n")},
         PairBy::Auto,
         {{"1", {51, 0, 0}}, {"2", {60, 0, 0}}, {"5", {80, 0, 0}}},
         {"2", "5"}},
        {"three files: the median; a patch in two of them, their mean",
         {labRows("1 50 0 0\n2 60 0 0\n"), labRows("1 51 1 0\n2 61 0 0\n"), labRows("1 52 -1 2\n")},
         PairBy::Auto,
         {{"1", {51, 0, 0}}, {"2", {60.5, 0, 0}}},
         {"2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AveragedMeasurement averaged;
        EngineText problem;
        ASSERT_TRUE(averageRepeats(c.files, c.by, averaged, problem)) << problem.english();
        EXPECT_TRUE(averaged.leftOut.empty());
        EXPECT_EQ(averaged.incomplete, c.incomplete);
        for (const auto& [id, lab] : c.expected) {
            SCOPED_TRACE(id);
            const PatchRecord* record = recordOf(*averaged.file, id);
            ASSERT_NE(record, nullptr);
            expectLab(record->lab, lab);
        }
        // Names and positions: the second reading 2 L* above the first.
        if (c.expected.empty()) {
            ASSERT_EQ(averaged.file->records.size(), 2u);
            for (const PatchRecord& record : averaged.file->records)
                EXPECT_NEAR(record.lab.L - std::floor(record.lab.L / 10) * 10, 1.0, 1e-9);
        }
    }
}

TEST(RepeatedMeasurements, FilesThatCannotPairAreRefusedInTheirOwnWords)
{
    struct Case
    {
        const char* what;
        std::shared_ptr<PatchFile> first, repeat;
        PairBy by;
        const char* problem;
    };
    const Case cases[] = {
        {"an id twice in the repeat", labRows("1 50 0 0\n2 60 0 0\n"), labRows("1 50 0 0\n1 60 0 0\n"), PairBy::Auto,
         "the repeated measurement file has SAMPLE_ID 1 twice (lines 6 and 7)"},
        {"nothing in common", labRows("1 50 0 0\n"), labRows("9 50 0 0\n"), PairBy::Auto,
         "none of the 1 repeated patches has a patch of the first measurement with the same SAMPLE_ID"},
        {"position with other counts", parsed("LAB_L LAB_A LAB_B", "50 0 0\n"),
         parsed("LAB_L LAB_A LAB_B", "50 0 0\n60 0 0\n"), PairBy::Auto,
         "without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as many repeated as first "
         "measurement's patches (2 and 1)"},
        {"a key the repeat lacks", parsed("SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B", "1 A 50 0 0\n"),
         labRows("1 50 0 0\n"), PairBy::Name,
         "cannot pair by SAMPLE_NAME: the repeated measurement file has no SAMPLE_NAME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AveragedMeasurement averaged;
        EngineText problem;
        EXPECT_FALSE(averageRepeats({c.first, c.repeat}, c.by, averaged, problem));
        EXPECT_EQ(problem.english(), c.problem);
    }
}

TEST(RepeatedMeasurements, PatchesWhoseRepeatsDisagreeAreLeftOutByName)
{
    // 17 is 4.2 apart, 33 is 6.0 apart; 5 is just within the limit.
    const auto first = labRows("5 50 0 0\n17 40 0 0\n33 60 0 0\n40 70 0 0\n");
    const auto second = labRows("5 53 0 0\n17 44.2 0 0\n33 60 6 0\n40 70 1 0\n");
    AveragedMeasurement averaged;
    EngineText problem;
    ASSERT_TRUE(averageRepeats({first, second}, PairBy::Auto, averaged, problem)) << problem.english();
    ASSERT_EQ(averaged.leftOut.size(), 2u);
    EXPECT_EQ(describeLeftOut(averaged.leftOut).english(),
              "2 patches were measured differently in the repeats and were left out: 17 (4.2 apart), 33 (6.0)");
    EXPECT_EQ(averaged.file->records.size(), 2u);
    EXPECT_EQ(recordOf(*averaged.file, "17"), nullptr);
    ASSERT_NE(recordOf(*averaged.file, "5"), nullptr);
    EXPECT_DOUBLE_EQ(recordOf(*averaged.file, "5")->lab.L, 51.5);

    EXPECT_EQ(describeLeftOut({{"9", 3.01}}).english(),
              "1 patch was measured differently in the repeats and was left out: 9 (3.0 apart)");
    EXPECT_EQ(describeIncomplete({"2", "5"}).english(),
              "2 patches were not in every measurement file (ids 2, 5); each is the average of the files that have it");
    EXPECT_TRUE(describeLeftOut({}).empty());

    // Every patch in doubt leaves nothing to correct from.
    EXPECT_FALSE(averageRepeats({labRows("1 50 0 0\n"), labRows("1 60 0 0\n")}, PairBy::Auto, averaged, problem));
    EXPECT_EQ(problem.english(), "every patch was measured differently in the repeats");
}

} // namespace
