// Misread patches in a session: both methods leave them out and say so,
// the user can keep them or put one back, too many refuse the correction,
// and the reports list them.

#include "CorrectionSession.h"
#include "Report.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string misread = "3 patches disagree with their neighbours and were left out: 20 (20.5 from what its "
                            "neighbours predict), 50 (18.1), 80 (35.3)";

// cmyk_meas.txt with L* raised by 20 on every patch whose id is a multiple of every.
std::string lightnessMisreadEvery(int every)
{
    std::istringstream in(readText(testDataPath("cmyk_meas.txt")));
    std::string out, line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        int id;
        double L, a, b;
        if (words >> id >> L >> a >> b && id % every == 0)
            line = std::to_string(id) + " " + std::to_string(L + 20) + " " + std::to_string(a) + " " +
                   std::to_string(b);
        out += line + "\n";
    }
    return out;
}

class OutlierSession : public ::testing::Test
{
protected:
    void SetUp() override { load("cmyk_meas_outliers.txt"); }

    void load(const std::string& measurement)
    {
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath(measurement), PatchFileRole::Measurement).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    }

    std::size_t indexOf(const std::string& id) const
    {
        for (std::size_t i = 0; i < session.patches().size(); ++i)
            if (session.patches()[i].id == id)
                return i;
        ADD_FAILURE() << "no patch " << id;
        return 0;
    }

    std::set<std::string> correctedIds(const CorrectionReport& report) const
    {
        std::set<std::string> ids;
        for (const PatchOutcome& o : report.outcomes)
            ids.insert(session.patches()[o.patch].id);
        return ids;
    }

    CorrectionReport correct(CorrectionMethod method, bool keep = false)
    {
        CorrectionRequest request;
        request.method = method;
        request.keepOutliers = keep;
        for (std::size_t i = 0; i < session.patches().size(); ++i)
            request.selection.push_back(i);
        return session.correct(request);
    }

    CorrectionSession session;
};

TEST_F(OutlierSession, BothMethodsLeaveThemOutAndNameThem)
{
    for (CorrectionMethod method : {CorrectionMethod::Smooth, CorrectionMethod::PerPatch}) {
        SCOPED_TRACE(method == CorrectionMethod::Smooth ? "Smooth" : "Per patch");
        const CorrectionReport report = correct(method);
        ASSERT_TRUE(report.ok) << report.summary;
        ASSERT_EQ(report.outliers.size(), 3u);
        EXPECT_EQ(report.outcomes.size(), 97u);
        ASSERT_FALSE(report.details().empty());
        EXPECT_EQ(report.details().front(), misread);
        for (const char* id : {"20", "50", "80"}) {
            EXPECT_EQ(correctedIds(report).count(id), 0u) << id;
            EXPECT_TRUE(session.leftOut(indexOf(id))) << id;
            EXPECT_FALSE(session.patches()[indexOf(id)].hasResult) << id;
            EXPECT_FALSE(session.corrected(indexOf(id))) << id;
        }
        EXPECT_NEAR(session.outlierSize(indexOf("80")), 35.3, 0.05);
        EXPECT_FALSE(session.leftOut(indexOf("51")));
    }
}

TEST_F(OutlierSession, KeptOnRequestOrPutBackOneByOne)
{
    const CorrectionReport kept = correct(CorrectionMethod::Smooth, true);
    ASSERT_TRUE(kept.ok) << kept.summary;
    EXPECT_TRUE(kept.outliers.empty());
    EXPECT_EQ(kept.outcomes.size(), 100u);
    EXPECT_FALSE(kept.hasWarnings());
    EXPECT_FALSE(session.leftOut(indexOf("20")));

    ASSERT_TRUE(correct(CorrectionMethod::Smooth).ok);
    EXPECT_FALSE(session.putBack(indexOf("51"))) << "only a patch left out goes back";
    ASSERT_TRUE(session.putBack(indexOf("20")));
    EXPECT_FALSE(session.leftOut(indexOf("20")));
    EXPECT_TRUE(session.isPutBack(indexOf("20")));
    const CorrectionReport next = correct(CorrectionMethod::Smooth);
    ASSERT_TRUE(next.ok) << next.summary;
    EXPECT_EQ(correctedIds(next).count("20"), 1u);
    EXPECT_EQ(next.outliers.size(), 2u);
    EXPECT_EQ(next.details().front().rfind("2 patches disagree with their neighbours and were left out: 50 (", 0), 0u)
        << next.details().front();

    // Undo the correction and the put-back: the mark is back.
    ASSERT_TRUE(session.undo());
    ASSERT_TRUE(session.undo());
    EXPECT_TRUE(session.leftOut(indexOf("20")));
    EXPECT_FALSE(session.isPutBack(indexOf("20")));
    // A new measurement forgets both.
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_meas_outliers.txt"), PatchFileRole::Measurement).ok);
    EXPECT_FALSE(session.leftOut(indexOf("20")));
}

TEST_F(OutlierSession, TooManyRefuseTheCorrectionUnlessForced)
{
    ASSERT_TRUE(session.loadPatchText(lightnessMisreadEvery(4), "quarter.txt", PatchFileRole::Measurement).ok);
    const CorrectionReport refused = correct(CorrectionMethod::Smooth);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.failedCheck, CorrectionCheck::TooManyOutliers);
    EXPECT_EQ(refused.summary, "Not corrected: 25 of 100 patches disagree with their neighbours, more than a fifth: "
                               "wrong chart, or strips read out of order?");
    EXPECT_FALSE(session.hasUnsavedChanges());
    EXPECT_FALSE(session.applied().done);

    CorrectionRequest forced;
    forced.force = true;
    const CorrectionReport report = session.correct(forced);
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_EQ(report.outcomes.size(), 100u);
    EXPECT_TRUE(report.outliers.empty());
}

TEST_F(OutlierSession, NothingLeftOutOfACleanMeasurementOrTheRoundTrip)
{
    load("cmyk_meas.txt");
    for (bool roundTrip : {false, true}) {
        SCOPED_TRACE(roundTrip ? "round trip" : "measurement");
        if (roundTrip) {
            ASSERT_TRUE(session.useRoundTrip());
        }
        const CorrectionReport report = correct(CorrectionMethod::Smooth);
        ASSERT_TRUE(report.ok) << report.summary;
        EXPECT_TRUE(report.outliers.empty());
        EXPECT_FALSE(report.hasWarnings());
    }
}

TEST_F(OutlierSession, ReportsListThem)
{
    ASSERT_TRUE(correct(CorrectionMethod::Smooth).ok);
    const ReportOptions options;
    const std::string html = reportText(session, options, ReportFormat::Html);
    EXPECT_NE(html.find("Left out"), std::string::npos);
    EXPECT_NE(html.find("20 (20.5 from what its neighbours predict), 50 (18.1), 80 (35.3)"), std::string::npos);
    const std::string csv = reportText(session, options, ReportFormat::Csv);
    EXPECT_NE(csv.find(",after_1976,after_2000,left_out\r\n"), std::string::npos);
    std::istringstream rows(csv);
    std::string row;
    int leftOut = 0;
    while (std::getline(rows, row)) {
        if (row.rfind("80,", 0) == 0) {
            EXPECT_NE(row.find(",35.3"), std::string::npos) << row;
        }
        leftOut += row.back() == '\r' && row.size() > 1 && row[row.size() - 2] != ',' &&
                   row.find("left_out") == std::string::npos;
    }
    EXPECT_EQ(leftOut, 3);
}

} // namespace
