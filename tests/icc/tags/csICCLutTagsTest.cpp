// The LUT tags lut8/lut16 ("mft1", "mft2") and "mAB "/"mBA ": their nodes,
// edits reaching the bytes a profile writes, and tables that do not fit.

#include "LutBuilder.h"
#include "LogTest.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmABTag.h"
#include "csICCmft1Tag.h"
#include "csICCmft2Tag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using LutTagTest = LogTest;

std::unique_ptr<csICCTag> tagFrom(const std::vector<uint8_t>& bytes, const char* signature = "B2A1")
{
    return csICCTagTable::tagFactory(csGetSignature(reinterpret_cast<const uint8_t*>(signature)),
                                     static_cast<uint32_t>(bytes.size()), bytes.data());
}

// CLUT nodes of lut16, lut8 and 'mBA ' tables of both precisions, with
// grids and entry counts apart: read back as written (8-bit nodes keep the
// high byte and read it times 257); a write reaches its node alone, and
// the bytes big-endian, so that copies made from them have it.
TEST_F(LutTagTest, NodesReadBackAndAWriteTouchesOneNode)
{
    const uint16_t edited[4] = {0x12FF, 0xFFFF, 0, 0x8080};
    const auto check = [&](auto& lut, bool sixteen, const std::vector<unsigned>& at, unsigned outputs) {
        auto stored = [sixteen](uint16_t v) { return sixteen ? v : static_cast<uint16_t>((v >> 8) * 257); };
        std::vector<unsigned> next = at;
        --next.back();
        const std::vector<uint16_t> grid(at.begin(), at.end()), nextGrid(next.begin(), next.end());
        uint16_t values[4];
        double doubles[4];
        lut.getClutNode(grid.data(), values);
        lut.getClutNodeDouble(grid.data(), doubles);
        for (unsigned k = 0; k < outputs; ++k)
            EXPECT_TRUE(values[k] == stored(countingNode(at, k)) && doubles[k] == values[k]) << k;
        lut.setClutNode(grid.data(), edited);
        lut.getClutNode(grid.data(), values);
        for (unsigned k = 0; k < outputs; ++k)
            EXPECT_EQ(values[k], stored(edited[k])) << k;
        lut.getClutNode(nextGrid.data(), values);
        EXPECT_EQ(values[outputs - 1], stored(countingNode(next, outputs - 1))) << "a write touches one node only";
    };
    for (bool lut16 : {true, false}) {
        SCOPED_TRACE(lut16 ? "mft2" : "mft1");
        LutShape shape;
        shape.lut16 = lut16;
        shape.inputs = 4;
        shape.gridPoints = 5;
        shape.inputEntries = 7;
        shape.outputEntries = 9;
        std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
        auto* lut = dynamic_cast<csICCmftTag*>(tag.get());
        ASSERT_NE(lut, nullptr);
        check(*lut, lut16, {1, 4, 0, 3}, 3);
    }
    for (unsigned precision : {2u, 1u}) {
        SCOPED_TRACE(precision == 2 ? "mBA 16-bit" : "mBA 8-bit");
        LutABShape shape;
        shape.outputs = 4;
        shape.grid = {3, 4, 5};
        shape.precision = precision;
        std::unique_ptr<csICCTag> tag = tagFrom(buildLutAB(shape, countingNode));
        auto* lut = dynamic_cast<csICCmABTag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        check(*lut, precision == 2, {2, 1, 3}, 4);
        const uint8_t* node = lut->data() + csGetUInt32(lut->data() + 24) + 20 + precision * (2 * 80 + 20 + 3 * 4);
        EXPECT_EQ(node[0], 0x12);
        EXPECT_EQ(node[1], 0xFF) << "the low byte of 0x12FF, or the high byte of 0xFFFF";
    }
}

// Grid bytes 0 and 1 stand for 256 and 257 points when the tag holds them.
TEST_F(LutTagTest, ExtendedGridsAreReadWithAWarning)
{
    for (unsigned inputs : {1u, 2u}) {
        csErrorLog::clear();
        LutShape shape;
        shape.inputs = inputs;
        shape.outputs = 1;
        shape.gridPoints = inputs == 1 ? 257 : 256;
        std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
        auto* lut = dynamic_cast<csICCmft2Tag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        EXPECT_TRUE(csErrorLog::count() == 1 && logHas('W', "extended CLUT")) << logText();
        const uint16_t last[2] = {uint16_t(shape.gridPoints - 1), uint16_t(shape.gridPoints - 1)};
        uint16_t value;
        lut->getClutNode(last, &value);
        EXPECT_EQ(value, countingNode(std::vector<unsigned>(inputs, shape.gridPoints - 1), 0));
    }
}

TEST_F(LutTagTest, EditsInHostOrderReachTheFileBigEndian)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    auto* b2a1 = dynamic_cast<csICCmft2Tag*>(profile.tagTable().find(csSig("B2A1")));
    ASSERT_NE(b2a1, nullptr);
    b2a1->toHostOrder();
    b2a1->toHostOrder(); // a second turn must not turn the bytes back
    const uint16_t grid[3] = {16, 8, 3};
    const uint16_t edited[4] = {0x0102, 0x0304, 0x0506, 0x0708};
    b2a1->setClutNode(grid, edited);

    // The table copies tags on add and replace; a copy of a tag in host order
    // must not be taken for file order.
    csICCTagTable copies;
    ASSERT_EQ(copies.add(*b2a1), 0);
    uint16_t values[4];
    dynamic_cast<csICCmft2Tag*>(copies.find(csSig("B2A1")))->getClutNode(grid, values);
    EXPECT_EQ(0, std::memcmp(values, edited, sizeof values));
    csICCmft2Tag direct(*b2a1);
    direct.getClutNode(grid, values);
    EXPECT_EQ(0, std::memcmp(values, edited, sizeof values));
    values[0] = 0xAAAA;
    direct.setClutNode(grid, values);
    b2a1->getClutNode(grid, values);
    EXPECT_EQ(values[0], 0x0102) << "a copy has its own bytes";

    std::vector<uint8_t> written;
    ASSERT_EQ(profile.writeToMemory(written), 0);
    csICCProfile reread;
    ASSERT_EQ(reread.setProfile(written.data(), written.size()), 0);
    dynamic_cast<csICCmftTag*>(reread.tagTable().find(csSig("B2A1")))->getClutNode(grid, values);
    EXPECT_EQ(0, std::memcmp(values, edited, sizeof values));
    // B2A0 shared B2A1's data; after the edit they are two blocks.
    EXPECT_FALSE(reread.tagTable().sameData(csSig("B2A0"), csSig("B2A1")));
}

TEST_F(LutTagTest, LutsThatDoNotFitTheirBytesStayPlainTags)
{
    LutShape sound;
    sound.gridPoints = 3;
    struct Case { const char* what; std::function<void(std::vector<uint8_t>&)> breakIt; const char* details; };
    const Case cases[] = {
        {"17 inputs", [](std::vector<uint8_t>& b) { b[8] = 17; }, "has 17 inputs and 3 outputs"},
        {"no inputs", [](std::vector<uint8_t>& b) { b[8] = 0; }, "has 0 inputs"},
        {"one byte short", [](std::vector<uint8_t>& b) { b.pop_back(); }, "does not fit in its"},
        {"16 inputs of 255 points", [](std::vector<uint8_t>& b) { b[8] = 16; b[10] = 255; }, "does not fit"},
        {"1 output entry", [](std::vector<uint8_t>& b) { csSetUInt16(&b[50], 1); }, "2 input and 1 output table entries"},
        {"65535 input entries", [](std::vector<uint8_t>& b) { csSetUInt16(&b[48], 65535); }, "does not fit"},
        {"header cut", [](std::vector<uint8_t>& b) { b.resize(51); }, "shorter than its 52-byte header"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        std::vector<uint8_t> bytes = buildLut(sound, countingNode);
        c.breakIt(bytes);
        // An exact-size copy, so a read past the tag is a sanitizer finding.
        std::unique_ptr<csICCTag> tag = tagFrom(std::vector<uint8_t>(bytes));
        ASSERT_NE(tag, nullptr) << c.what;
        EXPECT_EQ(dynamic_cast<csICCmftTag*>(tag.get()), nullptr) << c.what;
        EXPECT_EQ(tag->size(), bytes.size());
        EXPECT_TRUE(logHas('E', "bad LUT tag", c.details)) << c.what << "\n" << logText();
    }

    // The same for lut8, whose tables start at byte 48.
    LutShape lut8 = sound;
    lut8.lut16 = false;
    std::vector<uint8_t> bytes = buildLut(lut8, countingNode);
    EXPECT_NE(dynamic_cast<csICCmft1Tag*>(tagFrom(bytes).get()), nullptr);
    bytes.pop_back();
    EXPECT_EQ(dynamic_cast<csICCmftTag*>(tagFrom(bytes).get()), nullptr);
}

TEST_F(LutTagTest, BrokenLutInAProfileIsKeptAsBytes)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("broken_mft2_tables.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    EXPECT_TRUE(logHas('E', "bad LUT tag", "tag 'B2A1' (mft2) with 3 inputs, 4 outputs and 33 grid points")) << logText();
    EXPECT_EQ(dynamic_cast<csICCmftTag*>(profile.tagTable().find(csSig("B2A1"))), nullptr);
    EXPECT_NE(dynamic_cast<csICCmftTag*>(profile.tagTable().find(csSig("A2B1"))), nullptr);
    std::vector<uint8_t> written;
    ASSERT_EQ(profile.writeToMemory(written), 0);
    EXPECT_EQ(written, bytes) << "written back byte for byte";
}

TEST_F(LutTagTest, AnEditedLutABIsWrittenInItsLayoutWithANewProfileID)
{
    const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", V4Tables::Reshaped);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    auto* b2a1 = dynamic_cast<csICCmABTag*>(profile.tagTable().find(csSig("B2A1")));
    ASSERT_NE(b2a1, nullptr);
    const std::vector<uint8_t> before(b2a1->data(), b2a1->data() + b2a1->size());
    const uint16_t grid[3] = {20, 8, 11}, edited[4] = {0x0102, 0x0304, 0x0506, 0x0708};
    b2a1->setClutNode(grid, edited);
    std::vector<uint8_t> written;
    ASSERT_EQ(profile.writeToMemory(written), 0);
    csICCProfile again;
    ASSERT_EQ(again.setProfile(written.data(), written.size()), 0);

    // The same bytes, with the node's values big-endian in place.
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
