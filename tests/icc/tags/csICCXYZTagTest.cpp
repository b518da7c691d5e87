#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCXYZTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <functional>
#include <vector>

namespace {

using XYZTagTest = LogTest;

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
        const auto* tag = dynamic_cast<const csICCXYZTag*>(profile.tagTable().find(point.first));
        ASSERT_NE(tag, nullptr);
        const auto* expected = static_cast<const cmsCIEXYZ*>(cmsReadTag(reference, point.second));
        ASSERT_NE(expected, nullptr);
        float X, Y, Z;
        ASSERT_EQ(tag->numEntries(), 1u);
        ASSERT_EQ(tag->getXYZ(0, X, Y, Z), 0);
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

TEST_F(XYZTagTest, ReadsBeyondTheEntriesAreRefused)
{
    const struct
    {
        int result;
        std::function<int(csICCXYZTag&)> op;
    } cases[] = {
        {-1, [](csICCXYZTag& t) { float v[3]; return t.getXYZ(1, v); }},
        {-1, [](csICCXYZTag& t) { int32_t v[3]; return t.getXYZRaw(1, v); }},
        {0, [](csICCXYZTag& t) { return int(t.getX(1)); }},
        {0, [](csICCXYZTag& t) { return t.getYRaw(1); }},
        {0, [](csICCXYZTag& t) { return int(t.getZ(UINT32_MAX)); }},
    };
    std::vector<uint8_t> bytes(20);
    for (uint8_t i = 0; i < 20; ++i)
        bytes[i] = i;
    for (std::size_t k = 0; k < sizeof cases / sizeof cases[0]; ++k) {
        csErrorLog::clear();
        csICCXYZTag tag(wtpt, 20, bytes.data());
        EXPECT_EQ(cases[k].op(tag), cases[k].result) << k;
        EXPECT_TRUE(csErrorLog::count() == 1 && logHas('E', "index out of bounds")) << k << logText();
    }
}

} // namespace
