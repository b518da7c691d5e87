#include "LutBuilder.h"
#include "LogTest.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCmABTag.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using LutABTagTest = LogTest;

std::unique_ptr<csICCTag> tagFrom(const std::vector<uint8_t>& bytes)
{
    return csICCTagTable::tagFactory(csSig("B2A1"), static_cast<uint32_t>(bytes.size()), bytes.data());
}

TEST_F(LutABTagTest, NodeEditsReachTheBytesInBothPrecisions)
{
    for (unsigned precision : {2u, 1u}) {
        SCOPED_TRACE(precision);
        LutABShape shape;
        shape.outputs = 4;
        shape.grid = {3, 4, 5};
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
    }
}

TEST_F(LutABTagTest, AnEditedTableIsWrittenInItsLayoutWithANewProfileID)
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
