#include "csICCNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Encoding rounds half units up and saturates; what is read is the encoded
// value. The raw reader takes 0x80000000 as its neighbour so that every raw
// value has a negation.
TEST(ICCNumber, S15Fixed16RoundsSaturatesAndReadsBack)
{
    struct Case { double value; uint32_t raw; double read; };
    const Case cases[] = {
        {1.0, 0x00010000u, 1.0},
        {-0.5, 0xFFFF8000u, -0.5},
        {0.9642, 0x0000F6D6u, 0.964202880859375}, // 63189.81 rounds to 63190
        {1.0 / 131072.0, 0x00000001u, 1.0 / 65536.0},
        {-1.0 / 131072.0, 0x00000000u, 0.0},
        {-1e-12, 0x00000000u, 0.0},
        {32768.0, 0x7FFFFFFFu, 32767.99998474121},
        {inf, 0x7FFFFFFFu, 32767.99998474121},
        {-40000.0, 0x80000000u, -32768.0},
        {-inf, 0x80000000u, -32768.0},
        {nan, 0x00000000u, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(csEncodeS15Fixed16(c.value), c.raw) << c.value;
        uint8_t bytes[4];
        csSetUInt32(bytes, c.raw);
        EXPECT_DOUBLE_EQ(csGetS15Fixed16(bytes), c.read) << c.value;
    }
    uint8_t lowest[4];
    csSetUInt32(lowest, 0x80000000u);
    EXPECT_EQ(csGetS15Fixed16Raw(lowest), -0x7FFFFFFF);
}

} // namespace
