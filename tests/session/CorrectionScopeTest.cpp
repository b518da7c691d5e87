// What a correction's figures are over: the whole chart after a partial
// run, only the selection for Per patch after Smooth, no stale prediction
// after a hand edit, and a plain word when few patches were measured.

#include "CorrectionSession.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The measurement with only the data lines whose id is listed.
std::string onlyPatches(const std::string& text, const std::vector<int>& ids)
{
    std::istringstream in(text);
    std::ostringstream out;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line == "END_DATA")
            data = false;
        const bool keep = !data || std::find(ids.begin(), ids.end(), std::atoi(line.c_str())) != ids.end();
        if (keep)
            out << line << '\n';
        if (line == "BEGIN_DATA")
            data = true;
    }
    return out.str();
}

class CorrectionScopeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    }
    void loadMeasurement(const std::string& text = readText(testDataPath("cmyk_meas.txt")))
    {
        ASSERT_TRUE(session.loadPatchText(text, "meas.txt", PatchFileRole::Measurement).ok);
    }
    CorrectionReport run(CorrectionMethod method, std::vector<std::size_t> selection = {})
    {
        CorrectionRequest request;
        request.method = method;
        request.selection = std::move(selection);
        return session.correct(request);
    }
    std::size_t withResult() const
    {
        std::size_t n = 0;
        for (const Patch& p : session.patches())
            n += p.hasResult;
        return n;
    }
    CorrectionSession session;
};

TEST_F(CorrectionScopeTest, AfterAPartialRunTheFiguresAreOverEveryPatch)
{
    loadMeasurement();
    const DeltaESummary before = session.before();
    ASSERT_TRUE(run(CorrectionMethod::PerPatch, {3, 40, 77}).ok);
    ASSERT_EQ(withResult(), 3u);
    const DeltaESummary after = session.after();
    EXPECT_EQ(after.count, before.count) << "the uncorrected patches count as measured";
    EXPECT_EQ(after.neutralCount, before.neutralCount);
    double expected = 0;
    for (const Patch& p : session.patches())
        expected += p.hasResult ? p.remainingDeltaE(DeltaEMetric::CIE1976) : p.measuredDeltaE(DeltaEMetric::CIE1976);
    EXPECT_NEAR(after.mean, expected / before.count, 1e-12);
    EXPECT_LT(after.mean, before.mean);
    EXPECT_GT(after.mean, before.mean - 1.0) << "three patches move the chart's mean a little";
}

TEST_F(CorrectionScopeTest, PerPatchAfterSmoothCorrectsOnlyTheSelection)
{
    loadMeasurement();
    ASSERT_TRUE(run(CorrectionMethod::Smooth).ok);
    ASSERT_EQ(withResult(), 100u);
    const CorrectionReport report = run(CorrectionMethod::PerPatch, {5, 6});
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_EQ(report.outcomes.size(), 2u);
    EXPECT_EQ(withResult(), 2u);
    EXPECT_TRUE(session.corrected(5));
    EXPECT_FALSE(session.corrected(7));

    // Per patch after Per patch still adds to what was corrected.
    ASSERT_TRUE(run(CorrectionMethod::PerPatch, {9}).ok);
    EXPECT_EQ(withResult(), 3u);
}

TEST_F(CorrectionScopeTest, AHandEditClearsThePatchsPrediction)
{
    loadMeasurement();
    ASSERT_TRUE(run(CorrectionMethod::Smooth).ok);
    struct Case
    {
        const char* what;
        std::size_t patch;
        bool reference;
    };
    const Case cases[] = {{"reference", 3, true}, {"measurement", 4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(session.patches()[c.patch].hasResult);
        const Lab lab{50, 10, 10};
        ASSERT_TRUE(c.reference ? session.setReference(c.patch, lab) : session.setMeasured(c.patch, lab));
        EXPECT_FALSE(session.patches()[c.patch].hasResult);
        EXPECT_TRUE(session.patches()[c.patch + 2].hasResult) << "the others keep theirs";
    }
}

TEST_F(CorrectionScopeTest, AFewPatchesSaySoInTheCorrection)
{
    loadMeasurement(onlyPatches(readText(testDataPath("cmyk_meas.txt")), {2, 11, 30, 55, 91}));
    CorrectionRequest request;
    request.method = CorrectionMethod::PerPatch;
    request.selection = {0, 1, 2, 3, 4};
    request.force = true;
    const CorrectionReport report = session.correct(request);
    ASSERT_TRUE(report.ok) << report.summary;
    ASSERT_FALSE(report.notes().empty());
    EXPECT_EQ(report.notes().back(), "corrected from 5 of 100 reference patches; colours far from them are left as "
                                   "they were");
    EXPECT_EQ(verdictScope(session.coverage()), "over the 5 measured patches");

    // The whole chart says nothing.
    loadMeasurement();
    const CorrectionReport whole = run(CorrectionMethod::PerPatch, {0, 1, 2});
    ASSERT_TRUE(whole.ok);
    for (const std::string& note : whole.notes())
        EXPECT_EQ(note.find("corrected from"), std::string::npos) << note;
    EXPECT_FALSE(session.coverage().partial());
}

TEST(Coverage, FewPatchesOrANarrowBandOfLightness)
{
    auto patchAt = [](double L) {
        Patch p;
        p.hasReference = p.hasMeasured = true;
        p.reference = p.measured = {L, 0, 0};
        return p;
    };
    struct Case
    {
        const char* what;
        std::vector<double> paired;    // L* of the paired patches
        std::size_t referencePatches;  // all at L* 20..90
        const char* text;
        const char* scope;
    };
    const Case cases[] = {
        {"every patch", {20, 50, 90}, 3, "", ""},
        {"half of them is enough", {20, 90}, 4, "", ""},
        {"fewer than half", {20, 90}, 1617, "corrected from 2 of 1,617 reference patches; colours far from them are "
                                            "left as they were",
         "over the 2 measured patches"},
        {"one patch", {50}, 40, "corrected from 1 of 40 reference patches; colours far from them are left as they were",
         "over the 1 measured patch"},
        {"most patches, but mid-tones only", {40, 45, 50, 60}, 4,
         "corrected from patches between L* 40 and 60 only (the profile reaches L* 10 to 95); colours far from them "
         "are left as they were",
         "over the 4 measured patches"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Patch> patches;
        for (double L : c.paired)
            patches.push_back(patchAt(L));
        std::vector<double> reference(c.referencePatches, 50.0);
        reference.front() = 20;
        reference.back() = c.referencePatches > 1 ? 90 : 20;
        const PatchCoverage coverage = coverageOf(patches, reference, 10, 95);
        EXPECT_EQ(describeCoverage(coverage).english(), c.text);
        EXPECT_EQ(verdictScope(coverage), c.scope);
    }
}

} // namespace
