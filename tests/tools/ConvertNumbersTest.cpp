// vestrel-cli convert reads and writes numbers by hand: the same doubles
// as std::from_chars and the same text as std::to_chars with four
// decimals (values that round to zero as 0.0000), over every value the
// 16-bit paths print and many more, rounding ties, signs and sizes.

#include "ColorDifference.h"
#include "ConvertCommand.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string expectedText(double v)
{
    char text[400];
    const char* end = std::to_chars(text, text + sizeof text, std::abs(v) < 0.00005 ? 0.0 : v,
                                    std::chars_format::fixed, 4).ptr;
    return std::string(static_cast<const char*>(text), end);
}

std::string ourText(double v)
{
    char text[400];
    const char* end = writeFixed4(text, text + sizeof text, v);
    return std::string(static_cast<const char*>(text), end);
}

// The first few differences, so that a wrong rule shows without flooding.
struct Differences
{
    int count = 0;
    void check(double v)
    {
        const std::string expected = expectedText(v), ours = ourText(v);
        if (expected != ours && ++count <= 5)
            ADD_FAILURE() << std::hexfloat << v << std::defaultfloat << ": " << ours << " instead of " << expected;
    }
};

TEST(ConvertNumbers, FourDecimalsAsTheStandardLibraryWritesThem)
{
    Differences d;
    // What the 16-bit paths print: device codes in percent and Lab codes.
    for (int code = 0; code <= 65535; ++code) {
        d.check(code / 65535.0 * 100.0);
        const Lab lab = decodeLab16({static_cast<uint16_t>(code), static_cast<uint16_t>(code),
                                     static_cast<uint16_t>(65535 - code)});
        d.check(lab.L);
        d.check(lab.a);
        d.check(lab.b);
    }
    // Exact ties at the fifth decimal go to the even fourth (1.03125 is
    // 1.0312), near-ties either way, the smallest values that still round
    // up, zero of both signs, and the ends of the direct formatting.
    const double edges[] = {
        0.03125, 1.03125, -1.03125, 0.09375, 2.5e-5, 0.00005, -0.00005, std::nextafter(0.00005, 0.0),
        std::nextafter(0.00005, 1.0), 0.99995, 9.99995, 0.12345, 123.45675, -0.0, 0.0, 1e-300, 5e-324,
        -5e-324, 1.0, 100.0, 128.0, -128.0, 999999999999.99995, 1e12, -1e12, std::nextafter(1e12, 0.0),
        4503599627370496.5, 1e15 + 0.5, 1e300, -1e300, std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()};
    for (double v : edges)
        d.check(v);
    // Ties k/2^j at the fifth decimal of all sizes.
    for (int j = 1; j <= 20; ++j)
        for (int k = -2000; k <= 2000; k += 7)
            d.check(std::ldexp(k, -j) + std::ldexp(1.0, -j - 1));
    // Random doubles of every magnitude, and of the float path's range.
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> plain(-200.0, 200.0);
    std::uniform_int_distribution<int> exponent(-40, 60);
    for (int i = 0; i < 400000; ++i) {
        d.check(plain(random));
        d.check(std::ldexp(plain(random), exponent(random)));
    }
    EXPECT_EQ(d.count, 0);
}

std::string bitsOf(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return std::to_string(bits);
}

// The same double and the same end as std::from_chars, and its errors.
TEST(ConvertNumbers, NumbersReadAsTheStandardLibraryReadsThem)
{
    std::vector<std::string> texts = {
        "0", "-0", "0.0", "-0.0", "5", "5.", ".5", "-.5", "-", ".", "+5", "1e5", "1.5e-3", "-2E+2", "inf", "-inf",
        "nan", "0x10", "12.5x", "00012.50000", "9007199254740993", "900719925474099.3", "123456789012345",
        "1234567890123456", "0.1234567890123456789", "99.99995", "-128", "127", "1,5", "--5", "5 ", "5\t",
        "5\r", "3.14159", "1e400", "1e-400", "0000000000000000000001"};
    std::mt19937_64 random(37);
    std::uniform_int_distribution<int> digits(1, 18), digit(0, 9), flip(0, 3);
    for (int i = 0; i < 200000; ++i) {
        std::string text = flip(random) == 0 ? "-" : "";
        const int whole = digits(random), decimals = digits(random) % 10;
        for (int k = 0; k < whole; ++k)
            text += static_cast<char>('0' + digit(random));
        if (decimals) {
            text += '.';
            for (int k = 0; k < decimals; ++k)
                text += static_cast<char>('0' + digit(random));
        }
        if (flip(random) == 0)
            text += ' ';
        texts.push_back(text);
    }
    int differences = 0;
    for (const std::string& text : texts) {
        const char* first = text.data();
        const char* last = first + text.size();
        double expected = -7, ours = -7;
        const std::from_chars_result a = std::from_chars(first, last, expected);
        const std::from_chars_result b = readNumber(first, last, ours);
        const bool same = a.ec == b.ec && (a.ec != std::errc() || (a.ptr == b.ptr && bitsOf(expected) == bitsOf(ours)));
        if (!same && ++differences <= 5)
            ADD_FAILURE() << "'" << text << "': " << ours << " instead of " << expected;
    }
    EXPECT_EQ(differences, 0);
}

// The 16-bit path's device codes are written from the codes, not their
// doubles; every code gives the same text.
TEST(ConvertNumbers, DeviceCodesInPercentAsFromTheirDoubles)
{
    int wrong = 0;
    for (int code = 0; code <= 65535; ++code) {
        char text[16];
        const char* end = writeCodePercent(text, static_cast<uint16_t>(code));
        const std::string ours(static_cast<const char*>(text), end), expected = expectedText(code / 65535.0 * 100.0);
        if (ours != expected && ++wrong <= 5)
            ADD_FAILURE() << "code " << code << ": " << ours << " instead of " << expected;
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
