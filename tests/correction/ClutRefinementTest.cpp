#include "ClutNodes.h"
#include "LutBuilder.h"
#include "TestCharts.h"
#include "ClutRefinement.h"
#include "CorrectionSession.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmABInterpolator.h"
#include "csICCmABTag.h"
#include "csICCmftTag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

namespace {

// Device codes of B2A1 at the same absolute Lab colours, as 16-bit codes.
std::vector<uint16_t> b2a1Codes(csICCProfile& profile, const std::vector<uint16_t>& lab)
{
    csICCProfileConverter b2a(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    EXPECT_EQ(b2a.init(), 0);
    const std::size_t count = lab.size() / 3;
    std::vector<uint16_t> in = lab, out(count * b2a.numOutputChannels());
    b2a.convert(in.data(), out.data(), count);
    return out;
}

std::vector<uint16_t> randomLabCodes(std::size_t count)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> lab(count * 3);
    for (uint16_t& v : lab)
        v = uint16_t(code(random));
    return lab;
}

// A refined table prints what the table did: the same device values at
// any colour, within the rounding of the new nodes, for every kind of
// table and for grids of their own per input.
TEST(ClutRefinement, RefinedTablesGiveTheSameDeviceValues)
{
    struct Case
    {
        const char* file;
        V4Tables tables;
        unsigned tolerance; // 16-bit device codes: half a code of the CLUT's precision
    };
    const Case cases[] = {
        {"cmyk_v2.icc", V4Tables::None, 2},       // lut16, 17 points
        {"rgb_v2_lut8.icc", V4Tables::None, 260}, // lut8
        {"cmyk_v2.icc", V4Tables::Same, 2},       // 'mBA ' with curves and a matrix
        {"rgb_v2_lut8.icc", V4Tables::Same, 260}, // 'mBA ' of 8-bit nodes
    };
    const std::vector<uint16_t> lab = randomLabCodes(4000);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.tables == V4Tables::None ? "" : " v4"));
        const std::vector<uint8_t> bytes = testProfile(c.file, c.tables);
        csICCProfile original, refined;
        ASSERT_EQ(original.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(refined.setProfile(bytes.data(), bytes.size()), 0);
        const ClutNodes before(original.tagTable().find(csSig("B2A1")));
        const std::vector<ClutRefined> done = refineB2ATables(refined, 33);
        ASSERT_FALSE(done.empty());

        // Written and read back: a valid profile whose grids grew.
        std::vector<uint8_t> written;
        ASSERT_EQ(refined.writeToMemory(written), 0);
        csICCProfile reread;
        ASSERT_EQ(reread.setProfile(written.data(), written.size()), 0);
        const ClutNodes after(reread.tagTable().find(csSig("B2A1")));
        ASSERT_TRUE(after);
        for (unsigned d = 0; d < after.numInputs(); ++d) {
            const unsigned factor = (after.gridPoints()[d] - 1) / (before.gridPoints()[d] - 1);
            EXPECT_GE(factor, 2u);
            EXPECT_EQ(factor * (before.gridPoints()[d] - 1) + 1, after.gridPoints()[d]) << "input " << d;
            EXPECT_LE(after.gridPoints()[d], 33u);
        }

        const std::vector<uint16_t> was = b2a1Codes(original, lab), is = b2a1Codes(reread, lab);
        unsigned worst = 0;
        for (std::size_t i = 0; i < was.size(); ++i)
            worst = std::max(worst, unsigned(std::abs(int(was[i]) - int(is[i]))));
        EXPECT_LE(worst, c.tolerance);
    }
}

// A grid of its own per input, 8-bit nodes, M curves and a matrix before the
// CLUT and A curves after it, which move as the CLUT grows.
TEST(ClutRefinement, TableWithAGridPerInputKeepsItsElements)
{
    const NodeFunction node = [](const std::vector<unsigned>& at, unsigned output) {
        // Curved, so a wrong split of the cells shows.
        const unsigned v = (at[0] * at[0] * 7 + at[1] * 31 + at[2] * at[2] * 3 + output * 40) % 256;
        return uint16_t(v * 257);
    };
    const std::vector<uint8_t> bytes = buildLutAB({true, 3, 3, {5, 3, 4}, 1, true, {1.0, 0.1, 0, 0, 0.9, 0, 0, 0, 1, 0, 0, 0}, {}}, node);
    csICCmABTag tag(csSig("B2A1"), uint32_t(bytes.size()), bytes.data());
    ASSERT_EQ(clutRefinementFactor(tag, 33), 8u);
    const std::vector<uint8_t> refinedBytes = refinedClutBytes(tag, 8);
    ASSERT_FALSE(refinedBytes.empty());
    ASSERT_TRUE(csICCmABTag::checkLayout(csSig("B2A1"), uint32_t(refinedBytes.size()), refinedBytes.data()));
    csICCmABTag refined(csSig("B2A1"), uint32_t(refinedBytes.size()), refinedBytes.data());
    EXPECT_EQ(std::vector<uint32_t>(refined.gridPoints(), refined.gridPoints() + 3), (std::vector<uint32_t>{33, 17, 25}));

    std::vector<uint16_t> in = randomLabCodes(3000), in2 = in, was(in.size()), is(in.size());
    csICCmABInterpolator(&tag).convert(in.data(), was.data(), in.size() / 3);
    csICCmABInterpolator(&refined).convert(in2.data(), is.data(), in2.size() / 3);
    int worst = 0;
    for (std::size_t i = 0; i < was.size(); ++i)
        worst = std::max(worst, std::abs(int(was[i]) - int(is[i])));
    EXPECT_LE(worst, 260);
    // Every new node that is an old one keeps its value.
    const ClutNodes a(&tag), b(&refined);
    for (uint16_t x = 0; x < 5; ++x)
        for (uint16_t z = 0; z < 4; ++z) {
            const uint16_t old[3] = {x, 2, z}, fine[3] = {uint16_t(8 * x), 16, uint16_t(8 * z)};
            uint16_t va[3], vb[3];
            a.get(old, va);
            b.get(fine, vb);
            EXPECT_EQ(std::vector<uint16_t>(va, va + 3), std::vector<uint16_t>(vb, vb + 3));
        }
}

TEST(ClutRefinement, FactorKeepsEveryGridWithinTheLimit)
{
    struct Case
    {
        unsigned points, limit, factor;
    };
    // lut16 tags of 3 inputs and one output with the given grid.
    const Case cases[] = {
        {17, 33, 2}, {9, 33, 4}, {11, 33, 3}, {2, 33, 32}, {33, 33, 1}, {34, 33, 1}, {17, 17, 1}, {17, 0, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(52, 0);
        bytes[0] = 'm', bytes[1] = 'f', bytes[2] = 't', bytes[3] = '2';
        bytes[8] = 3, bytes[9] = 1, bytes[10] = uint8_t(c.points);
        bytes[49] = 2, bytes[51] = 2; // two entries per curve
        bytes.resize(52 + 2 * (3 * 2 + c.points * c.points * c.points + 2), 0);
        const auto tag = csICCTagTable::tagFactory(csSig("B2A1"), uint32_t(bytes.size()), bytes.data());
        ASSERT_TRUE(tag);
        EXPECT_EQ(clutRefinementFactor(*tag, c.limit), c.factor) << c.points << " points, limit " << c.limit;
    }
    // Not a table: nothing to refine.
    const csICCTag text(csSig("desc"), 4, reinterpret_cast<const uint8_t*>("text"));
    EXPECT_EQ(clutRefinementFactor(text, 33), 1u);
    EXPECT_TRUE(refinedClutBytes(text, 2).empty());
}

// B2A0 and B2A2 stored as B2A1's data stay one block; a B2A2 of its own is
// refined on its own.
TEST(ClutRefinement, TablesSharingDataStayShared)
{
    for (bool ownB2A2 : {false, true}) {
        SCOPED_TRACE(ownB2A2 ? "B2A2 of its own" : "all three shared");
        const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        if (ownB2A2)
            makeB2A2ItsOwn(profile);
        EXPECT_EQ(refineB2ATables(profile, 33).size(), 3u);
        std::vector<uint8_t> written;
        ASSERT_EQ(profile.writeToMemory(written), 0);
        csICCProfile reread;
        ASSERT_EQ(reread.setProfile(written.data(), written.size()), 0);
        EXPECT_TRUE(reread.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
        EXPECT_EQ(reread.tagTable().sameData(csSig("B2A2"), csSig("B2A1")), !ownB2A2);
        EXPECT_EQ(ClutNodes(reread.tagTable().find(csSig("B2A2"))).gridPoints()[0], 33u);
        // The A2B tables are left as they were.
        csICCProfile original;
        ASSERT_EQ(original.setProfile(bytes.data(), bytes.size()), 0);
        EXPECT_TRUE(original.tagTable().find(csSig("A2B1"))->size() == reread.tagTable().find(csSig("A2B1"))->size());
    }
}

// The session refines as it opens, unless told not to. A table no
// correction changed is saved as it came; a corrected one on its grid.
TEST(ClutRefinement, SessionCorrectsOnTheFinerGridAndSavesUnchangedTablesAsTheyCame)
{
    TempDir dir;
    const std::vector<uint8_t> originalBytes = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile original;
    ASSERT_EQ(original.setProfile(originalBytes.data(), originalBytes.size()), 0);
    const csICCTag& originalB2A1 = *original.tagTable().find(csSig("B2A1"));
    const auto saved = [&](CorrectionSession& session, const std::string& name) {
        EXPECT_TRUE(session.saveAs(dir.path(name)).ok);
        auto profile = std::make_unique<csICCProfile>();
        const std::vector<uint8_t> b = readBytes(dir.path(name));
        EXPECT_EQ(profile->setProfile(b.data(), b.size()), 0);
        return profile;
    };
    for (unsigned limit : {33u, 0u}) {
        SCOPED_TRACE(limit);
        CorrectionSession session;
        session.setRefineGrid(limit);
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        EXPECT_EQ(session.refinedTables().size(), limit ? 3u : 0u);
        for (const ClutRefined& r : session.refinedTables())
            EXPECT_EQ(r.fromPoints * 100 + r.toPoints, 1733u);
        EXPECT_FALSE(session.hasUnsavedChanges());

        const auto unchanged = saved(session, "unchanged.icc");
        const csICCTag& b2a1 = *unchanged->tagTable().find(csSig("B2A1"));
        ASSERT_EQ(b2a1.size(), originalB2A1.size());
        EXPECT_EQ(std::memcmp(b2a1.data(), originalB2A1.data(), b2a1.size()), 0);
        EXPECT_TRUE(unchanged->tagTable().sameData(csSig("B2A0"), csSig("B2A1")));

        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_combined.txt"), PatchFileRole::Measurement).ok);
        CorrectionRequest request;
        request.intents = {1};
        for (std::size_t i = 0; i < session.patches().size(); ++i)
            request.selection.push_back(i);
        ASSERT_TRUE(session.correct(request).ok);
        const auto corrected = saved(session, "corrected.icc");
        EXPECT_EQ(ClutNodes(corrected->tagTable().find(csSig("B2A1"))).gridPoints()[0], limit ? 33u : 17u);
        // B2A0 was left alone: as it came, whatever B2A1 became.
        const csICCTag& b2a0 = *corrected->tagTable().find(csSig("B2A0"));
        ASSERT_EQ(b2a0.size(), originalB2A1.size());
        EXPECT_EQ(std::memcmp(b2a0.data(), originalB2A1.data(), b2a0.size()), 0);
    }
}

} // namespace
