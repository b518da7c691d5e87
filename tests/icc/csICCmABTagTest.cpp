#include "LutBuilder.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmABTag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

class LutABTagTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

std::unique_ptr<csICCTag> tagFrom(const std::vector<uint8_t>& bytes)
{
    return csICCTagTable::tagFactory(csSig("B2A1"), static_cast<uint32_t>(bytes.size()), bytes.data());
}

// Lab to CMYK with every element.
LutABShape fullShape()
{
    LutABShape shape;
    shape.outputs = 4;
    shape.grid = {3, 4, 5};
    shape.mCurves = true;
    shape.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    return shape;
}

TEST_F(LutABTagTest, LayoutsThatDoNotFitStayPlainTags)
{
    // More refusals, of whole profiles, are in the shared table of malformed profiles.
    struct Case { const char* what; std::function<void(std::vector<uint8_t>&)> breakIt; const char* details; };
    auto at = [](std::vector<uint8_t>& b, unsigned field) { return csGetUInt32(&b[field]); };
    const Case cases[] = {
        {"header cut", [](std::vector<uint8_t>& b) { b.resize(31); }, "of 31 bytes is shorter than its 32-byte header"},
        {"no outputs", [](std::vector<uint8_t>& b) { b[9] = 0; }, "has 3 inputs and 0 outputs"},
        {"A curves in the header", [](std::vector<uint8_t>& b) { csSetUInt32(&b[28], 16); }, "A curves at offset 16, outside"},
        {"matrix between boundaries", [&](std::vector<uint8_t>& b) { csSetUInt32(&b[16], at(b, 16) + 2); },
         "not on a 4-byte boundary"},
        {"precision 3", [&](std::vector<uint8_t>& b) { b[at(b, 24) + 16] = 3; }, "has CLUT precision 3"},
        {"a curve of another type", [&](std::vector<uint8_t>& b) { std::memcpy(&b[at(b, 28)], "XYZ ", 4); },
         "A curves curve 0 has type 'XYZ '"},
        {"para function type 7", [&](std::vector<uint8_t>& b) { csSetUInt16(&b[at(b, 28) + 12 + 8], 7); },
         "A curves curve 1 has parametric function type 7"},
        {"para of gamma 0", [&](std::vector<uint8_t>& b) { csSetUInt32(&b[at(b, 28) + 12 + 12], 0); },
         "A curves curve 1 has parameters that give no usable curve"},
        {"last curve cut", [](std::vector<uint8_t>& b) { b.pop_back(); }, "A curves curve 3 (para) needs 16 bytes"},
        {"no CLUT for 3 to 4", [](std::vector<uint8_t>& b) { csSetUInt32(&b[24], 0); },
         "has no CLUT to take 3 inputs to 4 outputs"},
        {"matrix on the CMYK side", [](std::vector<uint8_t>& b) {
             LutABShape shape = fullShape();
             shape.bToA = false;
             b = buildLutAB(shape, countingNode);
         }, "has a matrix on a side of 4 channels"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        std::vector<uint8_t> bytes = buildLutAB(fullShape(), countingNode);
        c.breakIt(bytes);
        // An exact-size copy, so a read past the tag is a sanitizer finding.
        std::unique_ptr<csICCTag> tag = tagFrom(std::vector<uint8_t>(bytes));
        ASSERT_NE(tag, nullptr) << c.what;
        EXPECT_EQ(dynamic_cast<csICCmABTag*>(tag.get()), nullptr) << c.what;
        EXPECT_EQ(tag->size(), bytes.size());
        EXPECT_TRUE(logHas('E', "bad LUT tag", c.details)) << c.what << "\n" << logText();
    }
}

TEST_F(LutABTagTest, ElementsAndCLUTLayout)
{
    struct Case { LutABShape shape; bool clut; uint32_t strides[4]; };
    LutABShape curvesOnly;
    curvesOnly.grid = {};
    curvesOnly.aCurves = false;
    LutABShape eightBit = fullShape();
    eightBit.bToA = false;
    eightBit.inputs = 4;
    eightBit.outputs = 3;
    eightBit.grid = {2, 3, 4, 5};
    eightBit.precision = 1;
    const Case cases[] = {
        {fullShape(), true, {80, 20, 4, 0}},
        {curvesOnly, false, {0, 0, 0, 0}},
        {eightBit, true, {180, 60, 15, 3}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<csICCTag> tag = tagFrom(buildLutAB(c.shape, countingNode));
        auto* lut = dynamic_cast<csICCmABTag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        EXPECT_EQ(lut->bToA(), c.shape.bToA);
        EXPECT_EQ(lut->hasClut(), c.clut);
        EXPECT_EQ(lut->precision(), c.clut ? c.shape.precision : 0u);
        EXPECT_EQ(lut->hasMatrix(), !c.shape.matrix.empty());
        EXPECT_EQ(lut->hasCurves(csICCmABTag::ACurves), c.shape.aCurves);
        EXPECT_EQ(lut->hasCurves(csICCmABTag::MCurves), c.shape.mCurves);
        for (unsigned i = 0; i < 4; ++i) {
            EXPECT_EQ(lut->clutStride()[i], c.strides[i]) << i;
            EXPECT_EQ(lut->gridPoints()[i], i < c.shape.grid.size() ? c.shape.grid[i] : 0u) << i;
        }
        // The builder alternates the two curve types.
        EXPECT_EQ(lut->curve(csICCmABTag::BCurves, 0)->getType(), csSig("curv"));
        EXPECT_EQ(lut->curve(csICCmABTag::BCurves, 1)->getType(), csSig("para"));
    }
}

TEST_F(LutABTagTest, NodeEditsReachTheBytesInBothPrecisions)
{
    for (unsigned precision : {2u, 1u}) {
        SCOPED_TRACE(precision);
        LutABShape shape = fullShape();
        shape.precision = precision;
        std::unique_ptr<csICCTag> tag = tagFrom(buildLutAB(shape, countingNode));
        auto* lut = dynamic_cast<csICCmABTag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        auto stored = [precision](uint16_t v) { return precision == 2 ? v : static_cast<uint16_t>((v >> 8) * 257); };

        const uint16_t grid[3] = {2, 1, 3}, neighbour[3] = {2, 1, 4};
        uint16_t values[4];
        double doubles[4];
        lut->getClutNode(grid, values);
        lut->getClutNodeDouble(grid, doubles);
        for (unsigned k = 0; k < 4; ++k) {
            EXPECT_EQ(values[k], stored(countingNode({2, 1, 3}, k))) << k;
            EXPECT_EQ(doubles[k], values[k]) << k;
        }

        const uint16_t edited[4] = {0x12FF, 0xFFFF, 0, 0x8080};
        lut->setClutNode(grid, edited);
        lut->getClutNode(grid, values);
        for (unsigned k = 0; k < 4; ++k)
            EXPECT_EQ(values[k], stored(edited[k])) << k;
        lut->getClutNode(neighbour, values);
        EXPECT_EQ(values[0], stored(countingNode({2, 1, 4}, 0))) << "a write touches one node only";

        // The bytes hold the edit big-endian, so copies made from them have it.
        const uint8_t* node = lut->data() + csGetUInt32(lut->data() + 24) + 20 + precision * (2 * 80 + 20 + 3 * 4);
        EXPECT_EQ(node[0], 0x12);
        EXPECT_EQ(node[1], 0xFF) << "the low byte of 0x12FF, or the high byte of 0xFFFF";
        csICCTagTable table;
        ASSERT_EQ(table.add(*lut), 0);
        dynamic_cast<csICCmABTag*>(table.find(csSig("B2A1")))->getClutNode(grid, values);
        EXPECT_EQ(values[1], 0xFFFF);
    }
}

TEST_F(LutABTagTest, CopyKeepsTheBytesAndAnEditChangesOnlyItsNode)
{
    const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", V4Tables::Reshaped);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    std::vector<uint8_t> copied;
    ASSERT_EQ(profile.writeToMemory(copied), 0);

    auto* b2a1 = dynamic_cast<csICCmABTag*>(profile.tagTable().find(csSig("B2A1")));
    ASSERT_NE(b2a1, nullptr);
    const std::vector<uint8_t> before(b2a1->data(), b2a1->data() + b2a1->size());
    const uint16_t grid[3] = {20, 8, 11}, edited[4] = {0x0102, 0x0304, 0x0506, 0x0708};
    b2a1->setClutNode(grid, edited);
    std::vector<uint8_t> written;
    ASSERT_EQ(profile.writeToMemory(written), 0);

    csICCProfile copy, again;
    ASSERT_EQ(copy.setProfile(copied.data(), copied.size()), 0);
    ASSERT_EQ(again.setProfile(written.data(), written.size()), 0);
    csICCProfile original;
    ASSERT_EQ(original.setProfile(bytes.data(), bytes.size()), 0);
    for (uint32_t i = 0; i < original.tagTable().count(); ++i) {
        const csICCTag* tag = original.tagTable().tagAt(i);
        const csICCTag* unedited = copy.tagTable().find(tag->signature());
        ASSERT_NE(unedited, nullptr);
        EXPECT_EQ(0, std::memcmp(tag->data(), unedited->data(), tag->size())) << csSigText(tag->signature()).text;
    }
    // The same layout, with the node's values big-endian in place.
    std::vector<uint8_t> expected = before;
    const std::size_t node = csGetUInt32(&before[24]) + 20 +
                             2 * (grid[0] * b2a1->clutStride()[0] + grid[1] * b2a1->clutStride()[1] + grid[2] * 4);
    for (unsigned k = 0; k < 4; ++k)
        csSetUInt16(&expected[node + 2 * k], edited[k]);
    const csICCTag* reread = again.tagTable().find(csSig("B2A1"));
    EXPECT_EQ(std::vector<uint8_t>(reread->data(), reread->data() + reread->size()), expected);
    EXPECT_FALSE(again.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));

    uint8_t id[csICCProfileHeader::profileIDSize];
    csICCProfile::computeProfileID(written.data(), written.size(), id);
    EXPECT_EQ(0, std::memcmp(id, written.data() + csICCProfileHeader::ProfileIDOffset, sizeof id));
}

} // namespace
