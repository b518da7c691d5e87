// What the session refuses before it changes or writes anything: a
// correction its checks do not trust, a save or report over the files it
// read.

#include "CorrectionSession.h"
#include "Report.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(CorrectionChecks, APredictionWorseThanBeforeIsCaught)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<double, double>> beforeAfter; // per patch, after as a length in L*
        CorrectionCheck expected;
    };
    const double margin = CorrectionLimits::worseBy;
    const Case cases[] = {
        {"better", {{3, 1}, {4, 0.5}}, CorrectionCheck::Passed},
        {"nothing to correct, nothing gained", {{0, 0}, {0, 0}}, CorrectionCheck::Passed},
        {"worse within the margin", {{1, 1 + margin * 0.9}}, CorrectionCheck::Passed},
        {"worse beyond the margin", {{1, 1 + margin * 1.1}}, CorrectionCheck::PredictionWorse},
        {"one patch much worse outweighs the others", {{3, 1}, {3, 1}, {3, 10}}, CorrectionCheck::PredictionWorse},
        {"no patch", {}, CorrectionCheck::Passed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<PatchOutcome> outcomes;
        for (const auto& [before, after] : c.beforeAfter)
            outcomes.push_back({outcomes.size(), before, {after, 0, 0}});
        double before = -1, after = -1;
        EXPECT_EQ(checkPrediction(outcomes, before, after), c.expected);
    }
    // The means the refusal quotes.
    double before, after;
    checkPrediction({{0, 3, {1, 0, 0}}, {1, 4, {0, 0.5, 0}}}, before, after);
    EXPECT_DOUBLE_EQ(before, 3.5);
    EXPECT_DOUBLE_EQ(after, 0.75);
}

class CorrectionChecksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        ASSERT_TRUE(session.loadPatches(meas, PatchFileRole::Measurement).ok);
        ASSERT_TRUE(session.loadPatches(ref, PatchFileRole::Reference).ok);
    }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    CorrectionSession session;
    TempDir dir;
    const std::string meas = copyOf("cmyk_meas.txt"), ref = copyOf("cmyk_ref.txt");

private:
    std::string copyOf(const char* name)
    {
        writeBytes(dir.path(name), readBytes(testDataPath(name)));
        return dir.path(name);
    }
};

TEST_F(CorrectionChecksTest, ARefusedCorrectionLeavesTheSessionAsItWas)
{
    for (CorrectionMethod method : {CorrectionMethod::Smooth, CorrectionMethod::PerPatch}) {
        SCOPED_TRACE(method == CorrectionMethod::Smooth ? "smooth" : "per patch");
        CorrectionRequest request;
        request.method = method;
        for (std::size_t i = 0; i < session.patches().size(); ++i)
            request.selection.push_back(i);
        ASSERT_TRUE(session.correct(request).ok);
        const std::string corrected = session.digests().corrected;
        const std::vector<Patch> patches = session.patches();

        // Every measured value far off, as a file of another chart would be.
        for (std::size_t i = 0; i < patches.size(); ++i)
            session.setMeasured(i, {patches[i].measured.L * 0.3, 40, -40});
        const CorrectionReport refused = session.correct(request);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.failedCheck, CorrectionCheck::MeasurementFarOff);
        EXPECT_NE(refused.summary.find("do not belong together"), std::string::npos) << refused.summary;
        EXPECT_TRUE(refused.outcomes.empty());
        EXPECT_EQ(session.digests().corrected, corrected) << "the tables of the last correction stay";
        for (std::size_t i = 0; i < patches.size(); ++i) {
            EXPECT_EQ(session.corrected(i), patches[i].hasResult);
            EXPECT_EQ(session.patches()[i].remaining.L, patches[i].remaining.L);
        }

        request.force = true;
        const CorrectionReport forced = session.correct(request);
        EXPECT_TRUE(forced.ok) << forced.summary;
        EXPECT_EQ(forced.failedCheck, CorrectionCheck::Passed);
        EXPECT_NE(session.digests().corrected, corrected);
        for (std::size_t i = 0; i < patches.size(); ++i)
            session.setMeasured(i, patches[i].measured);
    }
}

TEST_F(CorrectionChecksTest, SavesAndReportsNeverReplaceWhatWasRead)
{
    ASSERT_TRUE(session.correct({}).ok);
    const std::vector<uint8_t> measBytes = readBytes(meas), refBytes = readBytes(ref);
    struct Case
    {
        std::string path;
        const char* role;
    };
    ASSERT_EQ(::symlink(meas.c_str(), dir.path("link.txt").c_str()), 0);
    const Case cases[] = {
        {meas, "the measurement file"},
        {ref, "the reference file"},
        {dir.path("link.txt"), "the measurement file"},
        {dir.dir() + "/./cmyk_ref.txt", "the reference file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(session.fileRoleOf(c.path).english(), c.role);
        const SessionReport saved = session.saveAs(c.path);
        EXPECT_FALSE(saved.ok);
        ASSERT_EQ(saved.details().size(), 1u);
        EXPECT_NE(saved.details()[0].find(c.role), std::string::npos) << saved.details()[0];
        EXPECT_TRUE(session.hasUnsavedChanges()) << "the edits are still to be saved";
    }
    EXPECT_EQ(readBytes(meas), measBytes);
    EXPECT_EQ(readBytes(ref), refBytes);

    // Reports go nowhere near the profile either, opened or saved.
    const std::string saved = dir.path("corrected.icc");
    ASSERT_TRUE(session.saveAs(saved).ok);
    const std::vector<uint8_t> savedBytes = readBytes(saved);
    for (const std::string& path : {meas, saved, testDataPath("cmyk_v2.icc")}) {
        SCOPED_TRACE(path);
        // A report file by its suffix, which these inputs do not have: the
        // same file under a name that has it.
        const std::string alias = dir.path("alias.csv");
        ::unlink(alias.c_str());
        ASSERT_EQ(::symlink(path.c_str(), alias.c_str()), 0);
        const SessionReport report = writeReport(session, {}, alias);
        EXPECT_FALSE(report.ok);
        EXPECT_NE(report.summary.find("it is the"), std::string::npos) << report.summary;
    }
    EXPECT_EQ(readBytes(meas), measBytes);
    EXPECT_EQ(readBytes(saved), savedBytes);
    EXPECT_TRUE(session.fileRoleOf(dir.path("report.csv")).empty());
    EXPECT_TRUE(writeReport(session, {}, dir.path("report.csv")).ok);
}

} // namespace

namespace {

TEST(CorrectionChecks, AFileOfAnotherKindIsOneSentence)
{
    struct Case
    {
        const char* file;
        const char* sentence;
    };
    const Case cases[] = {
        {"cmyk_ref.txt", "it is a patch data file, not an ICC profile"},
        {"cmyk_chart.ti3", "it is a patch data file, not an ICC profile"},
        {"ColorChecker.cie", "it is a patch data file, not an ICC profile"},
        {"broken_no_acsp.icc", "it is not an ICC profile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CorrectionSession session;
        const SessionReport report = session.openProfile(testDataPath(c.file));
        EXPECT_FALSE(report.ok);
        EXPECT_EQ(report.details(), std::vector<std::string>{c.sentence});
        EXPECT_FALSE(session.hasProfile());
    }
}

} // namespace
