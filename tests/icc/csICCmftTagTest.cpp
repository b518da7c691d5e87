#include "LutBuilder.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmft1Tag.h"
#include "csICCmft2Tag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace {

class MftTagTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

std::unique_ptr<csICCTag> tagFrom(const std::vector<uint8_t>& bytes, const char* signature = "B2A1")
{
    return csICCTagTable::tagFactory(csGetSignature(reinterpret_cast<const uint8_t*>(signature)),
                                     static_cast<uint32_t>(bytes.size()), bytes.data());
}

TEST_F(MftTagTest, LayoutOfALargeLut16)
{
    LutShape shape;
    shape.inputs = 3;
    shape.outputs = 3;
    shape.gridPoints = 33;
    shape.inputEntries = 4096;
    shape.outputEntries = 4096;
    std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
    auto* lut = dynamic_cast<csICCmft2Tag*>(tag.get());
    ASSERT_NE(lut, nullptr) << logText();
    const uint8_t* d = lut->data();
    EXPECT_EQ(lut->precision(), 2u);
    EXPECT_EQ(lut->inputTable(0) - d, 52);
    EXPECT_EQ(lut->inputTable(1) - d, 52 + 8192);
    EXPECT_EQ(lut->clut() - d, 52 + 24576);
    EXPECT_EQ(lut->clutStride()[0], 6534u);
    EXPECT_EQ(lut->clutStride()[1], 198u);
    EXPECT_EQ(lut->clutStride()[2], 6u);
    EXPECT_EQ(lut->clutStride()[3], 0u);
    EXPECT_EQ(lut->outputTable(0) - lut->clut(), 2 * 3 * 35937);
    EXPECT_EQ(lut->outputTable(2) - lut->outputTable(1), 8192);
    EXPECT_EQ(lut->outputTable(3), nullptr);
    EXPECT_EQ(lut->inputTable(3), nullptr);
    EXPECT_EQ(lut->gridPoints()[2], 33u);
    EXPECT_EQ(lut->gridPoints()[3], 0u);
    EXPECT_EQ(lut->clutPlaneBytes(), 2u * 35937);
    EXPECT_TRUE(lut->matrixIsIdentity());
}

TEST_F(MftTagTest, NodesAndEntriesReadBackInBothPrecisions)
{
    for (bool lut16 : {true, false}) {
        SCOPED_TRACE(lut16 ? "mft2" : "mft1");
        LutShape shape;
        shape.lut16 = lut16;
        shape.inputs = 4;
        shape.outputs = 3;
        shape.gridPoints = 5;
        shape.inputEntries = 7;
        shape.outputEntries = 9;
        // 8-bit tables keep the high byte only, so compare high bytes times 257.
        auto expected = [lut16](uint16_t v) { return lut16 ? v : static_cast<uint16_t>((v >> 8) * 257); };
        std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
        auto* lut = dynamic_cast<csICCmftTag*>(tag.get());
        ASSERT_NE(lut, nullptr);
        EXPECT_EQ(lut->inputEntries(), lut16 ? 7u : 256u);
        EXPECT_EQ(lut->outputEntries(), lut16 ? 9u : 256u);

        const uint16_t grid[4] = {1, 4, 0, 3};
        uint16_t values[16];
        double doubles[16];
        lut->getClutNode(grid, values);
        lut->getClutNodeDouble(grid, doubles);
        for (unsigned k = 0; k < 3; ++k) {
            const uint16_t want = expected(countingNode({1, 4, 0, 3}, k));
            EXPECT_EQ(values[k], want) << k;
            EXPECT_EQ(doubles[k], want) << k;
        }

        const uint16_t inputIndex[4] = {0, 1, 2, 3};
        lut->getInputEntry(inputIndex, values);
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_EQ(values[c], expected(identityCurve(c, inputIndex[c], lut->inputEntries())));

        const uint16_t newNode[3] = {0x1234, 0xFFFF, 0};
        lut->setClutNode(grid, newNode);
        lut->getClutNode(grid, values);
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_EQ(values[k], expected(newNode[k]));
        const uint16_t neighbour[4] = {1, 4, 0, 2};
        lut->getClutNode(neighbour, values);
        EXPECT_EQ(values[0], expected(countingNode({1, 4, 0, 2}, 0))) << "a write touches one node only";

        const uint16_t outputIndex[3] = {8, 0, 5};
        const uint16_t newOutput[3] = {0x4242, 0x0101, 0xABCD};
        lut->setOutputEntry(outputIndex, newOutput);
        lut->getOutputEntry(outputIndex, values);
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_EQ(values[k], expected(newOutput[k]));
        const uint16_t newInput[4] = {0x1111, 0x2222, 0x3333, 0x4444};
        lut->setInputEntry(inputIndex, newInput);
        lut->getInputEntry(inputIndex, values);
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_EQ(values[c], expected(newInput[c]));
    }
}

TEST_F(MftTagTest, EightBitValuesScaleBy257AndKeepTheHighByte)
{
    LutShape shape;
    shape.lut16 = false;
    shape.inputs = 1;
    shape.outputs = 3;
    const uint16_t stored[3] = {0x0000, 0x8000, 0xFF00};
    std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, [&](const std::vector<unsigned>&, unsigned k) { return stored[k]; }));
    auto* lut = dynamic_cast<csICCmft1Tag*>(tag.get());
    ASSERT_NE(lut, nullptr);
    const uint16_t grid[1] = {0};
    uint16_t values[3];
    lut->getClutNode(grid, values);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 32896);
    EXPECT_EQ(values[2], 65535);

    const uint16_t written[3] = {65535, 32896, 255};
    lut->setClutNode(grid, written);
    const uint8_t* node = lut->clut();
    EXPECT_EQ(node[0], 0xFF);
    EXPECT_EQ(node[1], 0x80);
    EXPECT_EQ(node[2], 0x00);
    const uint16_t truncated[3] = {0x80FF, 0, 0};
    lut->setClutNode(grid, truncated);
    EXPECT_EQ(node[0], 0x80);
}

TEST_F(MftTagTest, ExtendedGridIsWarnedOncePerTag)
{
    struct Case { unsigned gridPoints; unsigned inputs; };
    const Case cases[] = {{256, 2}, {257, 1}};
    for (const Case& c : cases) {
        csErrorLog::clear();
        LutShape shape;
        shape.inputs = c.inputs;
        shape.outputs = 1;
        shape.gridPoints = c.gridPoints;
        std::unique_ptr<csICCTag> tag = tagFrom(buildLut(shape, countingNode));
        auto* lut = dynamic_cast<csICCmft2Tag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        EXPECT_EQ(lut->gridPoints()[0], c.gridPoints);
        EXPECT_EQ(csErrorLog::count(), 1u) << logText();
        EXPECT_TRUE(logHas('W', "extended CLUT", "number of CLUT points set to " + std::to_string(c.gridPoints)));
        const uint16_t last[2] = {static_cast<uint16_t>(c.gridPoints - 1), static_cast<uint16_t>(c.gridPoints - 1)};
        uint16_t value;
        lut->getClutNode(last, &value);
        std::vector<unsigned> grid(c.inputs, c.gridPoints - 1);
        EXPECT_EQ(value, countingNode(grid, 0));
    }
}

TEST_F(MftTagTest, ByteOrderTurnsOnlyWhenNeeded)
{
    LutShape shape;
    shape.gridPoints = 3;
    shape.inputEntries = 5;
    const std::vector<uint8_t> fileBytes = buildLut(shape, countingNode);
    std::unique_ptr<csICCTag> tag = tagFrom(fileBytes);
    auto* lut = dynamic_cast<csICCmft2Tag*>(tag.get());
    ASSERT_NE(lut, nullptr);

    lut->prepareForWrite();
    EXPECT_EQ(0, std::memcmp(lut->data(), fileBytes.data(), fileBytes.size())) << "file order stays as it is";
    lut->toHostOrder();
    const std::vector<uint8_t> host(lut->data(), lut->data() + lut->size());
    lut->toHostOrder();
    EXPECT_EQ(0, std::memcmp(lut->data(), host.data(), host.size())) << "a second turn does nothing";
    EXPECT_EQ(0, std::memcmp(lut->data(), fileBytes.data(), 52)) << "the header stays big-endian";

    // Accessors give the same values in either order.
    const uint16_t grid[3] = {2, 1, 0};
    uint16_t inHost[3], inFile[3];
    lut->getClutNode(grid, inHost);
    std::vector<uint8_t> copied(lut->size());
    lut->copyFileBytes(copied.data());
    EXPECT_EQ(copied, fileBytes) << "the file bytes of a tag in host order";
    lut->prepareForWrite();
    lut->getClutNode(grid, inFile);
    EXPECT_EQ(0, std::memcmp(inHost, inFile, sizeof inHost));
    EXPECT_EQ(0, std::memcmp(lut->data(), fileBytes.data(), fileBytes.size()));
}

TEST_F(MftTagTest, EditsInHostOrderReachTheFileBigEndian)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    auto* b2a1 = dynamic_cast<csICCmft2Tag*>(profile.tagTable().find(csSig("B2A1")));
    ASSERT_NE(b2a1, nullptr);
    b2a1->toHostOrder();
    const uint16_t grid[3] = {16, 8, 3};
    const uint16_t edited[4] = {0x0102, 0x0304, 0x0506, 0x0708};
    b2a1->setClutNode(grid, edited);
    const std::size_t nodeOffset = static_cast<std::size_t>(b2a1->clut() - b2a1->data()) +
                                   16 * b2a1->clutStride()[0] + 8 * b2a1->clutStride()[1] + 3 * b2a1->clutStride()[2];

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
    std::vector<csICCTagDirEntry> directory;
    ASSERT_EQ(csICCTagTable::readDirectory(written.data(), static_cast<uint32_t>(written.size()), directory), 0);
    const auto entry = std::find_if(directory.begin(), directory.end(),
                                    [](const csICCTagDirEntry& e) { return e.signature == csSig("B2A1"); });
    ASSERT_NE(entry, directory.end());
    const uint8_t* node = written.data() + entry->offset + nodeOffset;
    EXPECT_EQ(node[0], 0x01);
    EXPECT_EQ(node[1], 0x02);
    EXPECT_EQ(node[6], 0x07);
    EXPECT_EQ(node[7], 0x08);

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
        {"17 outputs", [](std::vector<uint8_t>& b) { b[9] = 17; }, "has 3 inputs and 17 outputs"},
        {"no inputs", [](std::vector<uint8_t>& b) { b[8] = 0; }, "has 0 inputs"},
        {"no outputs", [](std::vector<uint8_t>& b) { b[9] = 0; }, "and 0 outputs"},
        {"one byte short", [](std::vector<uint8_t>& b) { b.pop_back(); }, "does not fit in its"},
        {"grid 33", [](std::vector<uint8_t>& b) { b[10] = 33; }, "33 grid points does not fit"},
        {"grid byte 0", [](std::vector<uint8_t>& b) { b[10] = 0; }, "256 grid points does not fit"},
        {"16 inputs of 255 points", [](std::vector<uint8_t>& b) { b[8] = 16; b[10] = 255; }, "does not fit"},
        {"0 input entries", [](std::vector<uint8_t>& b) { csSetUInt16(&b[48], 0); }, "0 input and 2 output table entries"},
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
