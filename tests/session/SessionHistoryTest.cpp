// The session's own history: every change is one step that undo takes back
// to the state before and redo brings forward again, each told to the
// listeners; a change that changes nothing is no step.
#include "CorrectionSession.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

// What a user can see of a session: the tables, the patches with their
// values and predictions, the unsaved marker, how files pair.
std::string seen(const CorrectionSession& session)
{
    std::ostringstream out;
    out << session.digests().corrected << ' ' << session.hasUnsavedChanges() << ' ' << session.roundTripOn() << ' '
        << session.measurementPaths().size() << ' '
        << static_cast<int>(session.pairBy()) << '\n';
    for (const Patch& p : session.patches())
        out << p.id << ' ' << p.paired() << ' ' << p.reference.L << ' ' << p.measured.L << ' ' << p.hasResult << ' '
            << p.remaining.L << ' ' << session.corrected(&p - session.patches().data()) << '\n';
    return out.str();
}

struct Case
{
    const char* what;
    Change change;
    std::function<void(CorrectionSession&)> apply;
    std::function<void(CorrectionSession&)> first = {};
};

void correct(CorrectionSession& session, CorrectionMethod method)
{
    CorrectionRequest request;
    request.method = method;
    request.selection = {0, 1, 2, 3};
    ASSERT_TRUE(session.correct(request).ok);
}

TEST(SessionHistory, EveryChangeIsOneStepBackAndForth)
{
    const std::string ref = testDataPath("cmyk_ref.txt"), meas = testDataPath("cmyk_meas.txt");
    const Case cases[] = {
        {"another measurement", Change::LoadMeasurement,
         [&](CorrectionSession& s) { s.loadPatches(ref, PatchFileRole::Measurement); }},
        {"a repeat averaged in", Change::AddMeasurement, [&](CorrectionSession& s) { s.addMeasurement(ref); }},
        {"paired again by position", Change::PairAgain, [](CorrectionSession& s) { s.pairAgain(PairBy::Position); }},
        {"Smooth", Change::Correction, [](CorrectionSession& s) { correct(s, CorrectionMethod::Smooth); }},
        {"Per patch", Change::Correction, [](CorrectionSession& s) { correct(s, CorrectionMethod::PerPatch); }},
        {"round trip", Change::RoundTrip, [](CorrectionSession& s) { s.useRoundTrip(); }},
        {"a measured value typed", Change::PatchValues,
         [](CorrectionSession& s) { s.setMeasured(2, {40, 10, -10}); }},
        {"revert after a correction", Change::Revert, [](CorrectionSession& s) { s.revertToOpened(); },
         [](CorrectionSession& s) { correct(s, CorrectionMethod::Smooth); }},
        {"patches cleared", Change::Clear, [](CorrectionSession& s) { s.clearPatches(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CorrectionSession session;
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        ASSERT_TRUE(session.loadPatches(ref, PatchFileRole::Reference).ok);
        ASSERT_TRUE(session.loadPatches(meas, PatchFileRole::Measurement).ok);
        if (c.first)
            c.first(session);
        std::vector<CorrectionSession::Event> told;
        session.listen([&](const CorrectionSession::Event& e) { told.push_back(e); });
        const std::string before = seen(session);
        c.apply(session);
        const std::string after = seen(session);
        ASSERT_NE(after, before);
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back().kind, CorrectionSession::Event::Recorded);
        EXPECT_EQ(told.back().change, c.change);

        ASSERT_TRUE(session.undo());
        EXPECT_EQ(seen(session), before);
        EXPECT_EQ(told.back().kind, CorrectionSession::Event::Undone);
        ASSERT_TRUE(session.redo());
        EXPECT_EQ(seen(session), after);
        EXPECT_EQ(told.back().kind, CorrectionSession::Event::Redone);
        EXPECT_FALSE(session.canRedo());
    }
}

TEST(SessionHistory, NothingChangedIsNoStepAndANewStepDropsTheUndone)
{
    CorrectionSession session;
    ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
    EXPECT_FALSE(session.canUndo()); // opening starts a new history
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_meas.txt"), PatchFileRole::Measurement).ok);
    int steps = 0;
    session.listen([&](const CorrectionSession::Event& e) { steps += e.kind == CorrectionSession::Event::Recorded; });

    // Refused or empty changes: a file that is not there, a patch past the
    // end, a value it already has, a put-back of a patch never left out.
    session.loadPatches("/nonexistent/meas.txt", PatchFileRole::Measurement);
    EXPECT_EQ(steps, 0);
    EXPECT_FALSE(session.setMeasured(100000, {50, 0, 0}));
    EXPECT_EQ(steps, 0);
    session.setMeasured(0, session.patches()[0].measured);
    EXPECT_EQ(steps, 0);
    EXPECT_FALSE(session.putBack(0));
    EXPECT_EQ(steps, 0);
    session.revertToOpened();
    EXPECT_EQ(steps, 0);

    // More than the history holds: the oldest go.
    for (std::size_t i = 0; i < SessionHistory::limit + 5; ++i)
        ASSERT_TRUE(session.setMeasured(1, {50.0 + i, 0, 0}));
    std::size_t undone = 0;
    while (session.undo())
        ++undone;
    EXPECT_EQ(undone, SessionHistory::limit);

    ASSERT_TRUE(session.redo());
    ASSERT_TRUE(session.setMeasured(2, {30, 0, 0}));
    EXPECT_FALSE(session.canRedo());
}

} // namespace
