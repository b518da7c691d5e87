#include "csICCProfile.h"
#include "csICCProfileHeader.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <ctime>

namespace {

cmsUInt32Number signatureNumber(const char (&text)[5])
{
    uint8_t bytes[4];
    csSetSignature(bytes, csSig(text));
    return csGetUInt32(bytes);
}

// Every field we set, written through a profile, is where another program
// reads it.
TEST(ICCProfileHeader, LittleCMSReadsTheFieldsWeSet)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(csICCProfileHeader().creationDate().year, local.tm_year + 1900) << "a new header is dated now";

    csICCProfile profile;
    csICCProfileHeader& h = profile.header();
    h.setVersion(4, 3, 0);
    h.setDeviceClass(csSig("prtr"));
    h.setColorSpace(csSig("CMYK"));
    h.setPCS(csSig("Lab "));
    h.setCreationDate({2024, 5, 1, 12, 30, 15});
    h.setFlags(0xA0B0C0D0u);
    h.setManufacturer(csSig("ORVD"));
    h.setModel(csSig("X100"));
    h.setAttributes(0x1122334455667788ull);
    h.setRenderingIntent(3);
    h.setCreator(csSig("argl"));
    const uint8_t text[12] = {'t', 'e', 'x', 't'};
    ASSERT_EQ(profile.tagTable().add(csICCTag(csSig("cprt"), sizeof text, text)), 0);
    std::vector<uint8_t> block;
    ASSERT_EQ(profile.writeToMemory(block), 0);

    cmsHPROFILE lcms = cmsOpenProfileFromMem(block.data(), static_cast<cmsUInt32Number>(block.size()));
    ASSERT_NE(lcms, nullptr);
    EXPECT_EQ(cmsGetEncodedICCversion(lcms), 0x04300000u);
    EXPECT_EQ(cmsGetDeviceClass(lcms), signatureNumber("prtr"));
    EXPECT_EQ(cmsGetColorSpace(lcms), signatureNumber("CMYK"));
    EXPECT_EQ(cmsGetPCS(lcms), signatureNumber("Lab "));
    EXPECT_EQ(cmsGetHeaderFlags(lcms), 0xA0B0C0D0u);
    EXPECT_EQ(cmsGetHeaderManufacturer(lcms), signatureNumber("ORVD"));
    EXPECT_EQ(cmsGetHeaderModel(lcms), signatureNumber("X100"));
    EXPECT_EQ(cmsGetHeaderCreator(lcms), signatureNumber("argl"));
    EXPECT_EQ(cmsGetHeaderRenderingIntent(lcms), 3u);
    cmsUInt64Number attributes = 0;
    cmsGetHeaderAttributes(lcms, &attributes);
    EXPECT_EQ(attributes, 0x1122334455667788ull);
    std::tm date{};
    ASSERT_TRUE(cmsGetHeaderCreationDateTime(lcms, &date));
    EXPECT_TRUE(date.tm_year == 124 && date.tm_mon == 4 && date.tm_mday == 1 && date.tm_hour == 12 &&
                date.tm_min == 30 && date.tm_sec == 15);
    cmsCloseProfile(lcms);
}

} // namespace
