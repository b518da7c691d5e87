#include "LutBuilder.h"
#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmft1Tag.h"
#include "csICCmft2Tag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using MftTagTest = LogTest;

std::unique_ptr<csICCTag> tagFrom(const std::vector<uint8_t>& bytes, const char* signature = "B2A1")
{
    return csICCTagTable::tagFactory(csGetSignature(reinterpret_cast<const uint8_t*>(signature)),
                                     static_cast<uint32_t>(bytes.size()), bytes.data());
}

// Nodes of a 4-input table with entry counts apart from the grid, in both
// precisions; 8-bit tables keep the high byte and read it times 257.
TEST_F(MftTagTest, NodesReadBackAndAWriteTouchesOneNode)
{
    for (bool lut16 : {true, false}) {
        SCOPED_TRACE(lut16 ? "mft2" : "mft1");
        LutShape shape;
        shape.lut16 = lut16;
        shape.inputs = 4;
        shape.gridPoints = 5;
        shape.inputEntries = 7;
        shape.outputEntries = 9;
        auto stored = [lut16](uint16_t v) { return lut16 ? v : static_cast<uint16_t>((v >> 8) * 257); };
        std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
        auto* lut = dynamic_cast<csICCmftTag*>(tag.get());
        ASSERT_NE(lut, nullptr);

        const uint16_t grid[4] = {1, 4, 0, 3}, neighbour[4] = {1, 4, 0, 2};
        uint16_t values[4];
        double doubles[4];
        lut->getClutNode(grid, values);
        lut->getClutNodeDouble(grid, doubles);
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_TRUE(values[k] == stored(countingNode({1, 4, 0, 3}, k)) && doubles[k] == values[k]) << k;
        const uint16_t written[3] = {0x80FF, 0xFFFF, 0};
        lut->setClutNode(grid, written);
        lut->getClutNode(grid, values);
        EXPECT_TRUE(values[0] == (lut16 ? 0x80FF : 32896) && values[1] == 65535 && values[2] == 0);
        lut->getClutNode(neighbour, values);
        EXPECT_EQ(values[2], stored(countingNode({1, 4, 0, 2}, 2)));
    }
}

// Grid bytes 0 and 1 stand for 256 and 257 points when the tag holds them.
TEST_F(MftTagTest, ExtendedGridsAreReadWithAWarning)
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

TEST_F(MftTagTest, EditsInHostOrderReachTheFileBigEndian)
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

TEST_F(MftTagTest, LutsThatDoNotFitTheirBytesStayPlainTags)
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

TEST_F(MftTagTest, BrokenLutInAProfileIsKeptAsBytes)
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

} // namespace
