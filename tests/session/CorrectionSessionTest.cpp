#include "CorrectionSession.h"
#include "PatchEdit.h"
#include "csICCProfile.h"
#include "csICCmftTag.h"
#include "TestSupport.h"
#include "V4Profiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace {

// The measurement file with its data lines in another order, as a strip
// reader that reads columns first would write it.
std::string shuffledCopy(const std::string& path, const TempDir& dir, unsigned seed)
{
    std::istringstream in(readText(path));
    std::vector<std::string> head, data, tail;
    std::string line;
    int part = 0;
    while (std::getline(in, line)) {
        if (part == 1 && line.rfind("END_DATA", 0) == 0)
            part = 2;
        (part == 0 ? head : part == 1 ? data : tail).push_back(line);
        if (part == 0 && line == "BEGIN_DATA")
            part = 1;
    }
    std::shuffle(data.begin(), data.end(), std::mt19937(seed));
    const std::string out = dir.path("shuffled" + std::to_string(seed) + ".txt");
    std::ofstream file(out);
    for (const auto* lines : {&head, &data, &tail})
        for (const std::string& l : *lines)
            file << l << '\n';
    return out;
}

class CorrectionSessionTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    void open(CorrectionSession& session, const std::string& profile, const std::string& ref,
              const std::string& meas)
    {
        ASSERT_TRUE(session.openProfile(testDataPath(profile)).ok);
        ASSERT_TRUE(session.loadPatches(ref, PatchFileRole::Reference).ok);
        ASSERT_TRUE(session.loadPatches(meas, PatchFileRole::Measurement).ok);
    }
    static std::vector<std::size_t> range(std::size_t first, std::size_t last)
    {
        std::vector<std::size_t> rows(last - first);
        std::iota(rows.begin(), rows.end(), first);
        return rows;
    }
    std::vector<uint8_t> corrected(CorrectionSession& session, std::vector<std::vector<std::size_t>> runs,
                                   const char* name, CorrectionMethod method = CorrectionMethod::Smooth)
    {
        for (const auto& selection : runs) {
            CorrectionRequest request;
            request.method = method;
            request.selection = selection;
            EXPECT_TRUE(session.correct(request).ok);
        }
        // One file name for all: the name is stamped into the profile.
        const std::string folder = dir.path(name);
        ::mkdir(folder.c_str(), 0755);
        const std::string path = folder + "/corrected.icc";
        EXPECT_TRUE(session.saveAs(path).ok);
        return readBytes(path);
    }

    TempDir dir;
};

TEST_F(CorrectionSessionTest, ResultsDependOnWhatWasMeasuredNotOnHowOrHowOften)
{
    const std::string ref = testDataPath("cmyk_ref.txt"), meas = testDataPath("cmyk_meas.txt");
    CorrectionSession ordered;
    open(ordered, "cmyk_v2.icc", ref, meas);
    const auto once = corrected(ordered, {range(0, 100)}, "once.icc");
    const auto again = corrected(ordered, {range(0, 100), range(0, 100)}, "again.icc");
    EXPECT_EQ(once, again) << "a second Auto must not compound";

    CorrectionSession shuffled;
    open(shuffled, "cmyk_v2.icc", ref, shuffledCopy(meas, dir, 3));
    EXPECT_EQ(corrected(shuffled, {range(0, 100)}, "shuffled.icc"), once) << "the order of the measurement";

    // Per patch corrects the patches chosen so far, in parts as at once;
    // Smooth takes every patch whatever the selection.
    for (CorrectionMethod method : {CorrectionMethod::PerPatch, CorrectionMethod::Smooth}) {
        const bool perPatch = method == CorrectionMethod::PerPatch;
        SCOPED_TRACE(perPatch ? "per patch" : "smooth");
        CorrectionSession inParts, atOnce, lastPart;
        open(inParts, "cmyk_v2.icc", ref, meas);
        open(atOnce, "cmyk_v2.icc", ref, meas);
        open(lastPart, "cmyk_v2.icc", ref, meas);
        const auto parts = corrected(inParts, {range(0, 5), range(5, 10)}, "parts.icc", method);
        EXPECT_EQ(parts, corrected(atOnce, {range(0, 10)}, "whole.icc", method));
        EXPECT_EQ(parts == corrected(lastPart, {range(5, 10)}, "last.icc", method), !perPatch)
            << "the first part is part of the result";
    }
}

TEST_F(CorrectionSessionTest, AbortAndRefusalsChangeNothing)
{
    // An abort puts back lut16 and 'mBA ' tables alike, after either method.
    writeBytes(dir.path("v4.icc"), testProfile("cmyk_v2.icc", V4Tables::Reshaped));
    for (const std::string& profile : {testDataPath("cmyk_v2.icc"), dir.path("v4.icc")})
        for (CorrectionMethod method : {CorrectionMethod::Smooth, CorrectionMethod::PerPatch}) {
            CorrectionSession session;
            ASSERT_TRUE(session.openProfile(profile).ok);
            ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_combined.txt"), PatchFileRole::Measurement).ok);
            const auto original = corrected(session, {}, "original.icc");
            CorrectionRequest request;
            request.method = method;
            request.selection = range(0, 100);
            const CorrectionReport aborted =
                session.correct(request, [](std::size_t done, std::size_t) { return done < 10; });
            EXPECT_TRUE(aborted.aborted) << profile;
            EXPECT_FALSE(session.hasUnsavedChanges());
            EXPECT_EQ(corrected(session, {}, "after-abort.icc"), original) << profile;
        }

    CorrectionSession session;
    open(session, "cmyk_v2.icc", testDataPath("cmyk_ref.txt"), testDataPath("cmyk_meas.txt"));

    // A wrong file chosen as reference keeps the patches already paired.
    const std::vector<Patch> before = session.patches();
    for (const char* wrong : {"cmyk_v2.icc", "ColorChecker.cie"}) {
        const SessionReport report = session.loadPatches(testDataPath(wrong), PatchFileRole::Reference);
        EXPECT_FALSE(report.ok) << wrong;
        EXPECT_EQ(session.patches().size(), before.size()) << wrong;
    }
    EXPECT_FALSE(session.openProfile(testDataPath("rgb_xyz_pcs.icc")).ok);
    EXPECT_FALSE(session.openProfile(testDataPath("broken_mft2_tables.icc")).ok);
    EXPECT_EQ(session.profilePath(), testDataPath("cmyk_v2.icc"));
}

TEST_F(CorrectionSessionTest, UnpairedPatchesAreReportedNotDropped)
{
    const std::string meas = dir.path("partial.txt");
    std::string text = readText(testDataPath("cmyk_meas.txt"));
    // Drop patch 7's line and add one the reference does not know.
    const auto at = text.find("\n7 ");
    text.erase(at + 1, text.find('\n', at + 1) - at);
    text.insert(text.rfind("END_DATA"), "101 50 0 0\n");
    std::ofstream(meas) << text;

    CorrectionSession session;
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    const SessionReport report = session.loadPatches(meas, PatchFileRole::Measurement);
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_EQ(session.before().count, 99);
    ASSERT_EQ(report.details().size(), 2u);
    EXPECT_EQ(report.details()[0], "1 measured patch has no reference (id 101)");
    EXPECT_EQ(report.details()[1], "1 reference patch was not measured (id 7)");
}

TEST_F(CorrectionSessionTest, Lut8TableAndHandEdits)
{
    CorrectionSession session;
    open(session, "rgb_v2_lut8.icc", testDataPath("rgb_ref.txt"), testDataPath("rgb_meas.txt"));
    CorrectionRequest request;
    request.selection = range(0, session.patches().size());
    const CorrectionReport report = session.correct(request);
    ASSERT_TRUE(report.ok) << report.summary;
    EXPECT_LT(session.after().mean, 0.5 * session.before().mean);

    // A node set by hand in a patch's details stays set through the next
    // correction, and undoing the edit brings the corrected node back.
    const auto* b2a1 = dynamic_cast<const csICCmftTag*>(session.profile()->tagTable().find(csSig("B2A1")));
    ASSERT_NE(b2a1, nullptr);
    std::unique_ptr<PatchEdit> edit = session.editPatch(0);
    ASSERT_TRUE(edit && edit->usable());
    PatchEdit::Corner corner;
    ASSERT_TRUE(edit->corner(0, corner));
    const std::array<uint16_t, PatchEdit::maxChannels> set = {0x1212, 0x3434, 0x5656}; // 8-bit: multiples of 257
    ASSERT_TRUE(edit->setNodes({{0, set}}));
    EXPECT_EQ(session.handEditedNodes(), 8u);
    ASSERT_TRUE(session.correct(request).ok);
    uint16_t now[3];
    b2a1->getClutNode(corner.indices.data(), now);
    EXPECT_EQ(now[0], 0x1212);
    EXPECT_EQ(now[2], 0x5656);
    ASSERT_TRUE(session.undo()); // the correction
    ASSERT_TRUE(session.undo()); // the hand edit
    b2a1->getClutNode(corner.indices.data(), now);
    EXPECT_EQ(now[0], corner.device[0]);
    EXPECT_EQ(session.handEditedNodes(), 0u);
}

TEST_F(CorrectionSessionTest, RoundTripAndNonAsciiNames)
{
    CorrectionSession session;
    open(session, "cmyk_v2.icc", testDataPath("cmyk_ref.txt"), testDataPath("cmyk_meas.txt"));
    ASSERT_TRUE(session.useRoundTrip());
    // The profile's own round trip: small, but not nothing.
    EXPECT_LT(session.before().mean, 1.5);
    EXPECT_GT(session.before().mean, 0.0);
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_meas.txt"), PatchFileRole::Measurement).ok);
    EXPECT_FALSE(session.roundTripOn()) << "a measurement load ends the round trip";

    const SessionReport saved = session.saveAs(dir.path("Pr\xC3\xBC" "f.icc"));
    EXPECT_TRUE(saved.ok) << saved.summary;
    EXPECT_FALSE(readBytes(dir.path("Pr\xC3\xBC" "f.icc")).empty());
}

// Which reference a session pairs with, whatever order the files come in,
// and the pairing chosen before loading.
TEST_F(CorrectionSessionTest, AReferenceFileWinsOverACombinedFilesOwn)
{
    // A reference 10 % darker than the combined file's own, so the winner shows.
    std::string shifted;
    {
        std::istringstream in(readText(testDataPath("cmyk_ref.txt")));
        bool data = false;
        for (std::string line; std::getline(in, line);) {
            if (data && line.rfind("END_DATA", 0) != 0) {
                std::istringstream row(line);
                std::string id;
                double L, a, b;
                row >> id >> L >> a >> b;
                line = id + " " + std::to_string(L * 0.9) + " " + std::to_string(a) + " " + std::to_string(b);
            }
            data = data || line == "BEGIN_DATA";
            shifted += line + "\n";
        }
    }
    const std::string combined = readText(testDataPath("cmyk_combined.txt"));
    struct Case { const char* what; std::vector<std::pair<std::string, PatchFileRole>> loads; double firstReferenceL; const char* note; };
    const Case cases[] = {
        {"combined, then a reference", {{combined, PatchFileRole::Measurement}, {shifted, PatchFileRole::Reference}}, 85.68,
         "the reference values of ref.txt replace those of combined.txt"},
        {"a reference, then combined", {{shifted, PatchFileRole::Reference}, {combined, PatchFileRole::Measurement}}, 85.68,
         "the reference values of ref.txt are used, not those of combined.txt"},
        {"combined alone", {{combined, PatchFileRole::Measurement}}, 95.2, ""},
        {"combined as the reference", {{readText(testDataPath("cmyk_meas.txt")), PatchFileRole::Measurement},
                                       {combined, PatchFileRole::Reference}}, 95.2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CorrectionSession session;
        std::string notes;
        for (const auto& [text, role] : c.loads) {
            const SessionReport report =
                session.loadPatchText(text, role == PatchFileRole::Reference && text != combined ? "ref.txt"
                                                : text == combined ? "combined.txt" : "meas.txt", role);
            ASSERT_TRUE(report.ok) << report.summary;
            for (const std::string& n : report.notes())
                notes += n;
        }
        ASSERT_EQ(session.patches().size(), 100u);
        EXPECT_NEAR(session.patches()[0].reference.L, c.firstReferenceL, 1e-5);
        EXPECT_NEAR(session.patches()[0].measured.L, 94.95, 1e-9) << "the measured columns stay the measurement";
        EXPECT_EQ(notes, c.note);
    }

    // The pairing is chosen before loading: by position, the files' own ids aside.
    CorrectionSession session;
    session.setPairBy(PairBy::Position);
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
    ASSERT_TRUE(session.loadPatches(shuffledCopy(testDataPath("cmyk_meas.txt"), dir, 3), PatchFileRole::Measurement).ok);
    EXPECT_GT(session.before().mean, 10) << "shuffled rows paired by position pair the wrong patches";
}

} // namespace
