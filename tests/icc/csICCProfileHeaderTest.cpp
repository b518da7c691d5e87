#include "csICCProfileHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <functional>

namespace {

TEST(ICCProfileHeader, NewHeaderHasTheDefaultBytes)
{
    const csICCProfileHeader header;
    const uint8_t* b = header.bytes();
    EXPECT_EQ(0, std::memcmp(b + 4, "APPL", 4));
    const uint8_t version[] = {0x02, 0x10, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(b + 8, version, 4));
    EXPECT_EQ(0, std::memcmp(b + 36, "acsp", 4));
    EXPECT_EQ(0, std::memcmp(b + 40, "MSFT", 4));
    EXPECT_EQ(csGetUInt32(b + 68), 0xF6D6u);
    EXPECT_EQ(csGetUInt32(b + 72), 0x10000u);
    EXPECT_EQ(csGetUInt32(b + 76), 0xD32Du);
    EXPECT_EQ(0, std::memcmp(b + 80, "Orv ", 4));

    // Everything else is zero but the creation date.
    struct Range { std::size_t from, to; };
    const Range zero[] = {{0, 4}, {12, 24}, {44, 68}, {84, 128}};
    for (const Range& r : zero)
        for (std::size_t i = r.from; i < r.to; ++i)
            EXPECT_EQ(b[i], 0) << "byte " << i;

    const csDateTime date = header.creationDate();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(date.year, local.tm_year + 1900);
    EXPECT_GE(date.month, 1);
    EXPECT_LE(date.month, 12);
}

TEST(ICCProfileHeader, VersionIsWrittenAsBCDWithClamping)
{
    struct Case { unsigned major, minor, fix; uint8_t byte8, byte9; unsigned readMajor, readMinor, readFix; };
    const Case cases[] = {
        {2, 1, 0, 0x02, 0x10, 2, 1, 0},
        {4, 3, 0, 0x04, 0x30, 4, 3, 0},
        {4, 2, 9, 0x04, 0x29, 4, 2, 9},
        {42, 0, 0, 0x42, 0x00, 42, 0, 0},
        {123, 12, 10, 0x99, 0x99, 99, 9, 9},
    };
    for (const Case& c : cases) {
        csICCProfileHeader header;
        uint8_t bytes[128];
        header.toMemory(bytes);
        bytes[10] = bytes[11] = 0x55;
        header.fromMemory(bytes);
        header.setVersion(c.major, c.minor, c.fix);
        const uint8_t* b = header.bytes();
        EXPECT_EQ(b[8], c.byte8) << c.major;
        EXPECT_EQ(b[9], c.byte9) << c.major;
        EXPECT_EQ(b[10], 0);
        EXPECT_EQ(b[11], 0);
        const csICCVersion v = header.version();
        EXPECT_EQ(v.major, c.readMajor);
        EXPECT_EQ(v.minor, c.readMinor);
        EXPECT_EQ(v.fix, c.readFix);
        EXPECT_EQ(header.majorVersion(), c.readMajor);
    }
}

TEST(ICCProfileHeader, FieldsLandAtTheirOffsets)
{
    csICCProfileHeader h;
    h.setProfileSize(0x01020304u);
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
    uint8_t id[16];
    for (int i = 0; i < 16; ++i)
        id[i] = static_cast<uint8_t>(0xF0 + i);
    h.setProfileID(id);

    const uint8_t* b = h.bytes();
    EXPECT_EQ(csGetUInt32(b), 0x01020304u);
    EXPECT_EQ(0, std::memcmp(b + 12, "prtrCMYKLab ", 12));
    EXPECT_EQ(csGetUInt16(b + 24), 2024);
    EXPECT_EQ(csGetUInt16(b + 34), 15);
    EXPECT_EQ(csGetUInt32(b + 44), 0xA0B0C0D0u);
    EXPECT_EQ(0, std::memcmp(b + 48, "ORVDX100", 8));
    EXPECT_EQ(csGetUInt32(b + 56), 0x11223344u) << "the high half comes first";
    EXPECT_EQ(csGetUInt32(b + 60), 0x55667788u);
    EXPECT_EQ(csGetUInt32(b + 64), 3u);
    EXPECT_EQ(0, std::memcmp(b + 80, "argl", 4));
    EXPECT_EQ(0, std::memcmp(b + 84, id, 16));

    EXPECT_STREQ(h.colorSpaceText(), "CMYK");
    EXPECT_STREQ(h.pcsText(), "Lab ");
    EXPECT_EQ(h.attributes(), 0x1122334455667788ull);

    h.setIlluminant({0.9505, 1.0, 1.089});
    const csXYZNumber white = h.illuminant();
    EXPECT_NEAR(white.X, 0.9505, 1.0 / 65536);
    EXPECT_NEAR(white.Z, 1.089, 1.0 / 65536);
    int32_t raw[3];
    h.illuminantRaw(raw);
    EXPECT_EQ(raw[1], 0x10000);
}

TEST(ICCProfileHeader, ValidityLevels)
{
    // Each case breaks one thing in a sound v2 printer header and says the
    // lowest level that notices it (4: no level does).
    struct Case { const char* what; std::function<void(uint8_t*)> breakIt; int firstFailingLevel; };
    const Case cases[] = {
        {"sound", [](uint8_t*) {}, 4},
        {"signature", [](uint8_t* b) { std::memcpy(b + 36, "ascp", 4); }, 0},
        {"size 127", [](uint8_t* b) { csSetUInt32(b, 127); }, 0},
        {"size 128", [](uint8_t* b) { csSetUInt32(b, 128); }, 4},
        {"version 1", [](uint8_t* b) { b[8] = 0x01; }, 1},
        {"XYZ PCS", [](uint8_t* b) { std::memcpy(b + 20, "XYZ ", 4); }, 4},
        {"RGB PCS", [](uint8_t* b) { std::memcpy(b + 20, "RGB ", 4); }, 1},
        {"intent 3", [](uint8_t* b) { csSetUInt32(b + 64, 3); }, 4},
        {"intent 4", [](uint8_t* b) { csSetUInt32(b + 64, 4); }, 1},
        {"abstract Lab to Lab", [](uint8_t* b) { std::memcpy(b + 12, "abstLab Lab ", 12); }, 4},
        {"abstract CMYK", [](uint8_t* b) { std::memcpy(b + 12, "abstCMYKLab ", 12); }, 1},
        {"link with RGB PCS", [](uint8_t* b) { std::memcpy(b + 12, "linkCMYKRGB ", 12); }, 4},
        {"byte 10", [](uint8_t* b) { b[10] = 1; }, 2},
        {"byte 11", [](uint8_t* b) { b[11] = 1; }, 2},
        {"flag byte 44", [](uint8_t* b) { b[44] = 1; }, 3},
        {"flag byte 47", [](uint8_t* b) { b[47] = 1; }, 4},
        {"attribute byte 59", [](uint8_t* b) { b[59] = 1; }, 3},
        {"attribute byte 60", [](uint8_t* b) { b[60] = 1; }, 4},
        {"v2 with an ID", [](uint8_t* b) { b[90] = 1; }, 3},
        {"v2 reserved", [](uint8_t* b) { b[127] = 1; }, 3},
        {"v4 with an ID", [](uint8_t* b) { b[8] = 0x04; b[90] = 1; }, 4},
        {"v4 reserved", [](uint8_t* b) { b[8] = 0x04; b[100] = 1; }, 3},
        {"v3", [](uint8_t* b) { b[8] = 0x03; }, 3},
    };
    for (const Case& c : cases) {
        csICCProfileHeader sound;
        sound.setProfileSize(1000);
        sound.setDeviceClass(csSig("prtr"));
        sound.setColorSpace(csSig("CMYK"));
        sound.setPCS(csSig("Lab "));
        uint8_t bytes[128];
        sound.toMemory(bytes);
        c.breakIt(bytes);
        csICCProfileHeader header;
        header.fromMemory(bytes);
        for (int level = 0; level <= 3; ++level)
            EXPECT_EQ(header.isValid(level), level < c.firstFailingLevel) << c.what << ", level " << level;
    }
}

} // namespace
