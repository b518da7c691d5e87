// Further measurements of the same print added to a session: averaged,
// undoable, their disagreements warned of.
#include "CorrectionSession.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The measurement file's text with every L* moved by delta.
std::string shifted(const std::string& text, double delta)
{
    return editedRows(text, [&](int, double (&lab)[3]) {
        lab[0] += delta;
        return labText(lab);
    });
}

class RepeatsSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        measurement = readText(testDataPath("cmyk_meas.txt"));
    }
    CorrectionSession session;
    std::string measurement;
};

TEST_F(RepeatsSessionTest, AddedMeasurementsAreAveragedAndUndoable)
{
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    ASSERT_TRUE(session.loadPatchText(shifted(measurement, 0.5), "a.txt", PatchFileRole::Measurement).ok);
    const Lab single = session.patches()[3].measured;

    const SessionReport report = session.addMeasurementText(shifted(measurement, -0.5), "b.txt");
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_EQ(report.summary, "Averaged 2 measurement files into 100 measured patches");
    EXPECT_FALSE(report.hasWarnings());
    ASSERT_FALSE(report.notes().empty());
    EXPECT_EQ(report.notes().back(), "the measured values are the mean of 2 files (a.txt, b.txt)");
    EXPECT_NEAR(session.patches()[3].measured.L, single.L - 0.5, 1e-9);
    EXPECT_EQ(session.measurementPaths(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(session.measurementPath(), "a.txt");

    // A third: the median, and the files in the order given.
    const SessionReport third = session.addMeasurementText(shifted(measurement, 0.2), "c.txt");
    ASSERT_TRUE(third.ok) << third.summary;
    EXPECT_EQ(third.notes().back(), "the measured values are the median of 3 files (a.txt, b.txt, c.txt)");
    EXPECT_NEAR(session.patches()[3].measured.L, single.L - 0.3, 1e-9);

    // Each added file is one step of the history.
    ASSERT_TRUE(session.undo());
    ASSERT_TRUE(session.undo());
    EXPECT_EQ(session.measurementPaths(), (std::vector<std::string>{"a.txt"}));
    EXPECT_NEAR(session.patches()[3].measured.L, single.L, 1e-9);

    // A plain load starts afresh.
    ASSERT_TRUE(session.addMeasurementText(measurement, "b.txt").ok);
    ASSERT_TRUE(session.loadPatchText(measurement, "d.txt", PatchFileRole::Measurement).ok);
    EXPECT_EQ(session.measurementPaths(), (std::vector<std::string>{"d.txt"}));
}

TEST_F(RepeatsSessionTest, DisagreeingAndMissingRepeatsAreWarnings)
{
    // Patch 7 read 5 L* apart; patch 100 missing from the repeat.
    std::string repeat = shifted(measurement, 0.0);
    const std::size_t seven = repeat.find("\n7 ");
    repeat.replace(seven + 3, 5, std::to_string(std::stod(repeat.substr(seven + 3, 5)) + 5.0).substr(0, 5));
    repeat.erase(repeat.find("\n100 "), repeat.find('\n', repeat.find("\n100 ") + 1) - repeat.find("\n100 "));
    ASSERT_TRUE(session.loadPatchText(measurement, "a.txt", PatchFileRole::Measurement).ok);
    const SessionReport report = session.addMeasurementText(repeat, "b.txt");
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_EQ(report.details(),
              (std::vector<std::string>{
                  "1 patch was measured differently in the repeats and was left out: 7 (5.0 apart)",
                  "1 patch was not in every measurement file (id 100); it is the average of the files that have it"}));
    EXPECT_EQ(session.patches().size(), 99u);

    // A file that does not pair changes nothing.
    const SessionState before = session.state();
    const SessionReport refused = session.addMeasurementText(
        "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\nX 1 0 0\nEND_DATA\n",
        "c.txt");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.summary, "Could not add c.txt: none of the 1 repeated patches has a patch of the first "
                               "measurement with the same SAMPLE_ID");
    EXPECT_EQ(session.measurementPaths().size(), 2u);
    EXPECT_EQ(session.patches().size(), before.patches.size());
}

TEST_F(RepeatsSessionTest, AddingToNothingIsALoad)
{
    const SessionReport report = session.addMeasurementText(measurement, "a.txt");
    ASSERT_TRUE(report.ok);
    EXPECT_EQ(report.summary, "Loaded 100 measured patches");
    EXPECT_EQ(session.measurementPaths(), (std::vector<std::string>{"a.txt"}));
}

} // namespace
