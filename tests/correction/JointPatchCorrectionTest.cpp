#include "B2ATableAccess.h"
#include "ClutNodes.h"
#include "ClutSnapshot.h"
#include "CorrectionSession.h"
#include "JointPatchCorrection.h"
#include "PatchCorrector.h"
#include "TestCharts.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCTagTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double size(const Lab& d)
{
    return std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
}

Lab plus(const Lab& x, const Lab& d)
{
    return {x.L + d.L, x.a + d.a, x.b + d.b};
}

class JointPatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        csErrorLog::clear();
        const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(a2b1.init(), 0);
        ASSERT_EQ(b2a1.init(), 0);
        testing::internal::CaptureStderr(); // the cube's diagnostic lines
    }
    void TearDown() override { testing::internal::GetCapturedStderr(); }

    // A2B1 of what B2A1 gives the reference now.
    Lab roundTrip(const Lab& reference)
    {
        const Lab16 pcs = encodeLab16(reference);
        uint16_t in[3] = {pcs.L, pcs.a, pcs.b}, device[4];
        b2a1.convert(in, device, 1);
        rfloat exact[4] = {double(device[0]), double(device[1]), double(device[2]), double(device[3])}, out[3];
        a2b1.convert(exact, out, 1);
        return {out[0] / 655.35, (out[1] - 32768.0) / 257.0, (out[2] - 32768.0) / 257.0};
    }

    // The prediction from the tables as they stand: measured error plus
    // what the move changed in the profile's own round trip.
    std::vector<Lab> predictions(const std::vector<JointPatch>& patches, const std::vector<Lab>& printed)
    {
        std::vector<Lab> out;
        for (std::size_t i = 0; i < patches.size(); ++i) {
            const Lab now = roundTrip(patches[i].reference);
            out.push_back({patches[i].measured.L - patches[i].reference.L + now.L - printed[i].L,
                           patches[i].measured.a - patches[i].reference.a + now.a - printed[i].a,
                           patches[i].measured.b - patches[i].reference.b + now.b - printed[i].b});
        }
        return out;
    }

    std::vector<Lab> printedNow(const std::vector<JointPatch>& patches)
    {
        std::vector<Lab> out;
        for (const JointPatch& p : patches)
            out.push_back(roundTrip(p.reference));
        return out;
    }

    csCLUTCube cubeAt(const Lab& reference)
    {
        csCLUTCube cube(&b2a1, &a2b1);
        cube.setReference(reference.L, reference.a, reference.b);
        return cube;
    }

    csICCTag& b2a1Tag() { return *profile.tagTable().find(csSig("B2A1")); }

    csICCProfile profile;
    csICCProfileConverter a2b1{&profile, 0, 1, 1};
    csICCProfileConverter b2a1{&profile, 1, 1, 1};
    // The printer as the profile alone says, for checks of the solve itself.
    JointPatchSettings profileOnly = [] {
        JointPatchSettings s;
        s.driftLength = 0;
        return s;
    }();
};

// Two patches in one cell whose errors pull its nodes apart: solved
// together, both improve and the prediction is what the tables now give;
// patch after patch, the second undoes the first.
TEST_F(JointPatchTest, PatchesSharingACellAreSolvedTogether)
{
    const Lab first = {50.5, 4, 4}, second = {51.5, 7, 8};
    {
        const csCLUTCube a = cubeAt(first), b = cubeAt(second);
        ASSERT_TRUE(std::equal(a.baseIndex(), a.baseIndex() + 3, b.baseIndex()))
            << a.baseIndex()[0] << " " << a.baseIndex()[1] << " " << a.baseIndex()[2] << " / " << b.baseIndex()[0]
            << " " << b.baseIndex()[1] << " " << b.baseIndex()[2] << " " << a.preCLUT()[0] << " " << a.preCLUT()[1]
            << " " << a.preCLUT()[2];
    }
    const std::vector<JointPatch> patches = {{first, plus(first, {3, 1, 0}), true},
                                             {second, plus(second, {-3, -1, 0}), true}};
    const std::vector<Lab> printed = printedNow(patches);

    // Patch after patch, as the details window corrects one.
    std::vector<std::unique_ptr<PatchCorrector>> correctors;
    for (const JointPatch& p : patches) {
        correctors.push_back(std::make_unique<PatchCorrector>(&b2a1, &a2b1));
        ASSERT_TRUE(correctors.back()->setPatch(p.reference, p.measured, 442.0));
    }
    for (auto& c : correctors)
        c->iterate(false);
    double worstOneByOne = 0;
    for (const Lab& d : predictions(patches, printed))
        worstOneByOne = std::max(worstOneByOne, size(d));

    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    ASSERT_EQ(a2b1.init(), 0);
    ASSERT_EQ(b2a1.init(), 0);
    const JointPatchResult result = correctPatchesJointly(b2a1, a2b1, b2a1Tag(), patches, profileOnly);
    const std::vector<Lab> now = predictions(patches, printed);
    double worstJoint = 0;
    for (std::size_t i = 0; i < patches.size(); ++i) {
        SCOPED_TRACE(i);
        const double before = deltaE(patches[i].reference, patches[i].measured);
        EXPECT_LT(size(now[i]), 0.8 * before);
        EXPECT_NEAR(result.remaining[i].L, now[i].L, 1e-9);
        EXPECT_NEAR(result.remaining[i].a, now[i].a, 1e-9);
        EXPECT_NEAR(result.remaining[i].b, now[i].b, 1e-9);
        worstJoint = std::max(worstJoint, size(now[i]));
    }
    EXPECT_LT(worstJoint, worstOneByOne);
    EXPECT_GT(result.nodesMoved, 0u);
    EXPECT_LE(result.nodesMoved, 8u);
}

// The check on every patch given: a move that would make a patch beside the
// selected ones worse than measured is scaled back until it does not.
TEST_F(JointPatchTest, MovesThatWorsenAPatchAreScaledBack)
{
    const Lab aimed = {50.5, 4, 4}, beside = {51.5, 7, 8}, far = {30, -20, 30};
    struct Case
    {
        const char* what;
        std::vector<JointPatch> patches;
        bool scaled;
        bool besideUnchanged;
        bool aimedImproves;
    };
    const Case cases[] = {
        // It shares all nodes of the aimed patch's simplex: nothing can move.
        {"an unselected patch in the cell, measured spot on",
         {{aimed, plus(aimed, {4, 2, -1}), true}, {beside, beside, false}},
         true, true, false},
        {"an unselected patch in the cell, its error against the move",
         {{aimed, plus(aimed, {4, 2, -1}), true}, {beside, plus(beside, {0.3, 0.1, 0}), false}},
         true, false, true},
        {"an unselected patch elsewhere",
         {{aimed, plus(aimed, {4, 2, -1}), true}, {far, far, false}},
         false, true, true},
    };
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(a2b1.init(), 0);
        ASSERT_EQ(b2a1.init(), 0);
        const std::vector<Lab> printed = printedNow(c.patches);
        const JointPatchResult result = correctPatchesJointly(b2a1, a2b1, b2a1Tag(), c.patches, profileOnly);
        const std::vector<Lab> now = predictions(c.patches, printed);
        for (std::size_t i = 0; i < c.patches.size(); ++i)
            EXPECT_LE(size(now[i]), deltaE(c.patches[i].reference, c.patches[i].measured) + 1e-9) << i;
        EXPECT_EQ(result.nodesScaled > 0, c.scaled);
        EXPECT_EQ(size(now[0]) < deltaE(c.patches[0].reference, c.patches[0].measured), c.aimedImproves);
        if (c.besideUnchanged) {
            EXPECT_EQ(size(now[1]), deltaE(c.patches[1].reference, c.patches[1].measured));
        }
    }
}

// Every ink prints as 85 % of itself: the print of a move is smaller than
// A2B1 says, most where there is much ink. With the drift over the device
// values in its model, one pass lands nearer the references.
TEST_F(JointPatchTest, InksThatFadeAreFollowedThroughTheDrift)
{
    auto faded = [&](const Lab& reference) {
        const Lab16 pcs = encodeLab16(reference);
        uint16_t in[3] = {pcs.L, pcs.a, pcs.b}, device[4];
        b2a1.convert(in, device, 1);
        rfloat weaker[4], out[3];
        for (int c = 0; c < 4; ++c)
            weaker[c] = 0.85 * device[c];
        a2b1.convert(weaker, out, 1);
        return Lab{out[0] / 655.35, (out[1] - 32768.0) / 257.0, (out[2] - 32768.0) / 257.0};
    };
    std::vector<JointPatch> patches;
    for (const SmoothPatch& p : patchesOf("cmyk_ref.txt", "cmyk_ref.txt"))
        patches.push_back({p.reference, faded(p.reference), true});
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    double mean[2] = {};
    for (int withDrift : {0, 1}) {
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(a2b1.init(), 0);
        ASSERT_EQ(b2a1.init(), 0);
        correctPatchesJointly(b2a1, a2b1, b2a1Tag(), patches, withDrift ? JointPatchSettings{} : profileOnly);
        for (const JointPatch& p : patches)
            mean[withDrift] += deltaE(faded(p.reference), p.reference) / double(patches.size());
    }
    double before = 0;
    for (const JointPatch& p : patches)
        before += deltaE(p.measured, p.reference) / double(patches.size());
    EXPECT_LT(mean[0], before);
    EXPECT_LT(mean[1], 0.8 * mean[0]) << "profile only " << mean[0] << ", with the drift " << mean[1];
}

TEST_F(JointPatchTest, NoPatchesMoveNothing)
{
    const std::vector<double> before = B2ATableAccess(b2a1Tag()).clut();
    const JointPatchResult result = correctPatchesJointly(b2a1, a2b1, b2a1Tag(), {});
    EXPECT_EQ(result.nodesMoved, 0u);
    EXPECT_TRUE(result.remaining.empty());
    EXPECT_EQ(B2ATableAccess(b2a1Tag()).clut(), before);
}

TEST_F(JointPatchTest, StoppingLeavesTheRestUndone)
{
    const Lab aimed = {52, 4, 4};
    const std::vector<JointPatch> patches = {{aimed, plus(aimed, {4, 2, -1}), true}};
    std::size_t calls = 0;
    const JointPatchResult result = correctPatchesJointly(b2a1, a2b1, b2a1Tag(), patches, {},
                                                          [&](std::size_t, std::size_t) { return ++calls < 2; });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(calls, 2u);
}

// The profile stores B2A0, B2A1 and B2A2 as one block: Per patch corrects
// them as one and they stay one. A B2A2 of its own is left alone.
TEST(PerPatchSharing, TablesSharingB2A1StayShared)
{
    struct Case
    {
        const char* what;
        bool ownB2A2;
    };
    for (const Case& c : {Case{"all three shared", false}, Case{"B2A2 of its own", true}}) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        TempDir dir;
        csICCProfile original;
        const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
        ASSERT_EQ(original.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_TRUE(original.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
        ASSERT_TRUE(original.tagTable().sameData(csSig("B2A2"), csSig("B2A1")));
        if (c.ownB2A2)
            makeB2A2ItsOwn(original);
        std::vector<uint8_t> written;
        ASSERT_EQ(original.writeToMemory(written), 0);
        writeBytes(dir.path("in.icc"), written);

        CorrectionSession session;
        // The profile's own grid, as vestrel-cli runs Per patch: the tables
        // compare node by node.
        session.setRefineGrid(0);
        ASSERT_TRUE(session.openProfile(dir.path("in.icc")).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_combined.txt"), PatchFileRole::Measurement).ok);
        CorrectionRequest request;
        request.method = CorrectionMethod::PerPatch;
        for (std::size_t i = 0; i < session.patches().size(); ++i)
            request.selection.push_back(i);
        testing::internal::CaptureStderr();
        const CorrectionReport report = session.correct(request);
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(report.ok) << report.summary;
        ASSERT_TRUE(session.saveAs(dir.path("out.icc")).ok);

        csICCProfile out;
        const std::vector<uint8_t> corrected = readBytes(dir.path("out.icc"));
        ASSERT_EQ(out.setProfile(corrected.data(), corrected.size()), 0);
        EXPECT_TRUE(out.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
        EXPECT_EQ(out.tagTable().sameData(csSig("B2A2"), csSig("B2A1")), !c.ownB2A2);
        ClutSnapshot b2a1Before, b2a2Before;
        b2a1Before.capture(ClutNodes(original.tagTable().find(csSig("B2A1"))));
        b2a2Before.capture(ClutNodes(original.tagTable().find(csSig("B2A2"))));
        EXPECT_FALSE(b2a1Before.matches(ClutNodes(out.tagTable().find(csSig("B2A1"))))) << "B2A1 corrected";
        EXPECT_EQ(b2a2Before.matches(ClutNodes(out.tagTable().find(csSig("B2A2")))), c.ownB2A2);
    }
}

} // namespace
