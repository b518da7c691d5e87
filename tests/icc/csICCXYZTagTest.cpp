#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCXYZTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

class XYZTagTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

const csSignature wtpt = csSig("wtpt");

// The profile's white and black points against Little CMS's reading;
// s15Fixed16 decodes exactly, float keeps 24 bits.
TEST_F(XYZTagTest, ReadsTheProfilePointsAsLittleCmsDoes)
{
    const std::vector<uint8_t> block = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(block.data(), block.size()), 0) << logText();
    cmsHPROFILE reference = cmsOpenProfileFromMem(block.data(), static_cast<cmsUInt32Number>(block.size()));
    ASSERT_NE(reference, nullptr);
    for (const auto& point : {std::make_pair(csSig("wtpt"), cmsSigMediaWhitePointTag),
                              std::make_pair(csSig("bkpt"), cmsSigMediaBlackPointTag)}) {
        const csICCTag* raw = profile.tagTable().find(point.first);
        ASSERT_NE(raw, nullptr);
        ASSERT_TRUE(csICCXYZTag::checkLayout(raw->signature(), raw->size(), raw->data()));
        const csICCXYZTag tag(raw->signature(), raw->size(), raw->data());
        const auto* expected = static_cast<const cmsCIEXYZ*>(cmsReadTag(reference, point.second));
        ASSERT_NE(expected, nullptr);
        float X, Y, Z;
        ASSERT_EQ(tag.numEntries(), 1u);
        ASSERT_EQ(tag.getXYZ(0, X, Y, Z), 0);
        EXPECT_NEAR(X, expected->X, 1e-6);
        EXPECT_NEAR(Y, expected->Y, 1e-6);
        EXPECT_NEAR(Z, expected->Z, 1e-6);
    }
    cmsCloseProfile(reference);
}

TEST_F(XYZTagTest, EntryCountFollowsTheSizeAndShortTagsAreRefused)
{
    const uint32_t sizes[] = {0, 8, 19, 20, 31, 32, 44};
    for (uint32_t size : sizes) {
        SCOPED_TRACE(size);
        csErrorLog::clear();
        // Exactly size bytes, so that a read beyond them is caught by ASan.
        std::vector<uint8_t> bytes(size, 0);
        const bool accepted = csICCXYZTag::checkLayout(wtpt, size, size ? bytes.data() : nullptr);
        EXPECT_EQ(accepted, size >= 20);
        if (accepted)
            EXPECT_EQ(csICCXYZTag(wtpt, size, bytes.data()).numEntries(), (size - 8) / 12);
        else
            EXPECT_TRUE(csErrorLog::count() == 1 && logHas('E', "corrupt tag data", "'wtpt'")) << logText();
    }
}

TEST_F(XYZTagTest, IndexBeyondTheEntriesFailsWithItsOwnText)
{
    const int32_t raw[3] = {1, 2, 3};
    const struct
    {
        const char* details;
        int result;
        std::function<int(csICCXYZTag&)> op;
    } cases[] = {
        {"tried to get XYZ number 1 of 1", -1, [](csICCXYZTag& t) { float v[3]; return t.getXYZ(1, v); }},
        {"tried to get XYZ number 1 of 1", -1, [](csICCXYZTag& t) { int32_t v[3]; return t.getXYZRaw(1, v); }},
        {"tried to set XYZ number 1 of 1", -1, [](csICCXYZTag& t) { return t.setXYZ(1, 0.5f, 0.5f, 0.5f); }},
        {"tried to set XYZ number 1 of 1", -1, [&](csICCXYZTag& t) { return t.setXYZRaw(1, raw); }},
        {"tried to get X of XYZ number 1 of 1", 0, [](csICCXYZTag& t) { return int(t.getX(1)); }},
        {"tried to get Y of XYZ number 1 of 1", 0, [](csICCXYZTag& t) { return t.getYRaw(1); }},
        {"tried to get Z of XYZ number 7 of 1", 0, [](csICCXYZTag& t) { return int(t.getZ(7)); }},
        {"tried to set X of XYZ number 1 of 1", -1, [](csICCXYZTag& t) { return t.setX(1, 2.0f); }},
        {"tried to set Y of XYZ number 1 of 1", -1, [](csICCXYZTag& t) { return t.setYRaw(1, 5); }},
        {"tried to set Z of XYZ number 4294967295 of 1", -1, [](csICCXYZTag& t) { return t.setZ(UINT32_MAX, 1.0f); }},
    };
    std::vector<uint8_t> bytes(20);
    for (uint8_t i = 0; i < 20; ++i)
        bytes[i] = i;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.details);
        csErrorLog::clear();
        csICCXYZTag tag(wtpt, 20, bytes.data());
        EXPECT_EQ(c.op(tag), c.result);
        EXPECT_TRUE(csErrorLog::count() == 1 && logHas('E', "index out of bounds", c.details)) << logText();
        EXPECT_EQ(std::memcmp(tag.data(), bytes.data(), 20), 0);
    }
}

TEST_F(XYZTagTest, FloatsAreEncodedAsS15Fixed16AndRawValuesAsTheyAre)
{
    csICCXYZTag tag(wtpt, 1, 0.0f, 0.0f, 0.0f);
    ASSERT_EQ(tag.setX(0, 0.9642f), 0);
    EXPECT_EQ(tag.getXRaw(0), 0xF6D6);
    const std::pair<float, uint32_t> encodings[] = {
        {1.0f, 0x00010000u}, {-0.5f, 0xFFFF8000u}, {40000.0f, 0x7FFFFFFFu}, {-40000.0f, 0x80000000u}};
    for (const auto& e : encodings) {
        ASSERT_EQ(tag.setY(0, e.first), 0);
        EXPECT_EQ(csGetUInt32(tag.data() + 12), e.second) << e.first;
    }
    // The raw reading rule gives 0x80000000 a negation.
    EXPECT_EQ(tag.getYRaw(0), static_cast<int32_t>(0x80000001u));
    ASSERT_EQ(tag.setZRaw(0, -1), 0);
    EXPECT_EQ(csGetUInt32(tag.data() + 16), 0xFFFFFFFFu);
}

TEST_F(XYZTagTest, NewTagsRepeatOneValueAndCopiesOwnTheirBytes)
{
    const float triple[3] = {0.9642f, 1.0f, 0.8249f};
    const int32_t raw[3] = {0xF6D6, 0x10000, 0xD32D};
    const csICCXYZTag tags[] = {csICCXYZTag(wtpt, 3, 0.9642f, 1.0f, 0.8249f), csICCXYZTag(wtpt, 3, triple),
                                csICCXYZTag(wtpt, 3, raw)};
    for (const csICCXYZTag& tag : tags) {
        ASSERT_EQ(tag.size(), 8u + 3 * 12);
        EXPECT_EQ(tag.getType(), csSig("XYZ "));
        EXPECT_EQ(csGetUInt32(tag.data() + 4), 0u);
        for (uint32_t i = 0; i < 3; ++i) {
            int32_t v[3];
            ASSERT_EQ(tag.getXYZRaw(i, v), 0);
            EXPECT_TRUE(v[0] == raw[0] && v[1] == raw[1] && v[2] == raw[2]) << i;
        }
    }
    csICCXYZTag copy(tags[0]);
    copy.setX(2, 0.5f);
    EXPECT_EQ(tags[0].getXRaw(2), 0xF6D6);
    EXPECT_EQ(csErrorLog::count(), 0u) << logText();
}

} // namespace
