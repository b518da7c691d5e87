#include "csICCNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

TEST(ICCNumber, S15Fixed16Encoding)
{
    struct Case { double value; uint32_t raw; };
    const Case cases[] = {
        {1.0, 0x00010000u},
        {-1.0, 0xFFFF0000u},
        {0.0, 0x00000000u},
        {0.5, 0x00008000u},
        {-0.5, 0xFFFF8000u},
        {0.9642, 0x0000F6D6u},        // 63189.81 rounds to 63190
        {1.0 / 131072.0, 0x00000001u}, // exactly half a unit rounds up
        {-1.0 / 131072.0, 0x00000000u},
        {-1e-12, 0x00000000u},
        {32767.99998474121, 0x7FFFFFFFu},
        {32768.0, 0x7FFFFFFFu},
        {40000.0, 0x7FFFFFFFu},
        {-32768.0, 0x80000000u},
        {-40000.0, 0x80000000u},
        {std::numeric_limits<double>::infinity(), 0x7FFFFFFFu},
        {-std::numeric_limits<double>::infinity(), 0x80000000u},
        {std::numeric_limits<double>::quiet_NaN(), 0x00000000u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(csEncodeS15Fixed16(c.value), c.raw) << c.value;
}

TEST(ICCNumber, S15Fixed16Reading)
{
    struct Case { uint32_t raw; double value; int32_t rawRead; };
    const Case cases[] = {
        {0x00010000u, 1.0, 0x10000},
        {0xFFFF0000u, -1.0, -0x10000},
        {0x7FFFFFFFu, 32767.99998474121, 0x7FFFFFFF},
        // The one pattern without a negation reads as its neighbour.
        {0x80000000u, -32768.0, static_cast<int32_t>(0x80000001u)},
        {0x0000F6D6u, 0.964202880859375, 0xF6D6},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        csSetUInt32(bytes, c.raw);
        EXPECT_DOUBLE_EQ(csGetS15Fixed16(bytes), c.value) << std::hex << c.raw;
        EXPECT_EQ(csGetS15Fixed16Raw(bytes), c.rawRead) << std::hex << c.raw;
    }
}

TEST(ICCNumber, UnsignedFixedEncodingsClampAndRound)
{
    struct Case { double value; uint32_t u16f16; uint16_t u8f8; };
    const Case cases[] = {
        {-1.0, 0x00000000u, 0x0000},
        {0.0, 0x00000000u, 0x0000},
        {1.0, 0x00010000u, 0x0100},
        {2.2, 0x00023333u, 0x0233},
        {255.998, 0x00FFFF7Du, 0xFFFF},
        {256.0, 0x01000000u, 0xFFFF},
        {300.0, 0x012C0000u, 0xFFFF},
        {65535.99999999, 0xFFFFFFFFu, 0xFFFF},
        {65536.0, 0xFFFFFFFFu, 0xFFFF},
        {std::numeric_limits<double>::quiet_NaN(), 0u, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(csEncodeU16Fixed16(c.value), c.u16f16) << c.value;
        EXPECT_EQ(csEncodeU8Fixed8(c.value), c.u8f8) << c.value;
    }
    uint8_t bytes[4];
    csSetU16Fixed16(bytes, 2.5);
    EXPECT_DOUBLE_EQ(csGetU16Fixed16(bytes), 2.5);
    csSetU8Fixed8(bytes, 2.2);
    EXPECT_DOUBLE_EQ(csGetU8Fixed8(bytes), 563.0 / 256.0);
}

TEST(ICCNumber, IntegersAreBigEndian)
{
    uint8_t bytes[8];
    csSetUInt16(bytes, 0x1234);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(csGetUInt16(bytes), 0x1234);

    csSetUInt32(bytes, 0x89ABCDEFu);
    const uint8_t expected32[] = {0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(0, std::memcmp(bytes, expected32, 4));
    EXPECT_EQ(csGetUInt32(bytes), 0x89ABCDEFu);

    csSetUInt64(bytes, 0x0102030405060708ull);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bytes[i], i + 1);
    EXPECT_EQ(csGetUInt64(bytes), 0x0102030405060708ull);
}

TEST(ICCNumber, CompositeNumbers)
{
    uint8_t bytes[12];
    const csDateTime date = {2026, 12, 6, 23, 59, 58};
    csSetDateTime(bytes, date);
    EXPECT_EQ(csGetUInt16(bytes), 2026);
    EXPECT_EQ(csGetUInt16(bytes + 10), 58);
    const csDateTime back = csGetDateTime(bytes);
    EXPECT_EQ(back.year, 2026);
    EXPECT_EQ(back.month, 12);
    EXPECT_EQ(back.day, 6);
    EXPECT_EQ(back.hours, 23);
    EXPECT_EQ(back.minutes, 59);
    EXPECT_EQ(back.seconds, 58);

    csSetXYZNumber(bytes, {0.9642, 1.0, -0.5});
    EXPECT_EQ(csGetUInt32(bytes + 4), 0x00010000u);
    EXPECT_EQ(csGetUInt32(bytes + 8), 0xFFFF8000u);
    EXPECT_NEAR(csGetXYZNumber(bytes).X, 0.9642, 1.0 / 65536);

    std::memset(bytes, 0xFF, sizeof bytes);
    csSetResponse16Number(bytes, {0xABCD, 1.5});
    EXPECT_EQ(csGetUInt16(bytes), 0xABCD);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(csGetResponse16Number(bytes).measurement, 1.5);
}

TEST(ICCNumber, SignaturesCompareInFileOrder)
{
    const uint8_t bytes[] = {'a', 'c', 's', 'p'};
    EXPECT_EQ(csGetSignature(bytes), csSig("acsp"));
    EXPECT_NE(csGetSignature(bytes), csSig("ascp"));
    uint8_t out[4];
    csSetSignature(out, csSig("Lab "));
    EXPECT_EQ(0, std::memcmp(out, "Lab ", 4));
    EXPECT_STREQ(csSigText(csSig("mft2")).text, "mft2");
    char printed[16];
    std::snprintf(printed, sizeof printed, "'%4s'", csSigText(csSig("XYZ ")).text);
    EXPECT_STREQ(printed, "'XYZ '");
}

TEST(ICCNumber, SwapRunServesBothDirections)
{
    uint8_t text[] = {0x00, 'A', 0x00, 'b', 0x26, 0x3A};
    csSwapUInt16Run(text, 3);
    const uint8_t swapped[] = {'A', 0x00, 'b', 0x00, 0x3A, 0x26};
    EXPECT_EQ(0, std::memcmp(text, swapped, sizeof text));
    csSwapUInt16Run(text, 3);
    EXPECT_EQ(text[1], 'A');
    EXPECT_EQ(text[4], 0x26);
}

} // namespace
