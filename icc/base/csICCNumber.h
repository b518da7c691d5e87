#pragma once
// ICC number encodings and signatures.
//
// Every multi-byte number in a profile is big-endian. These helpers read and
// write them in place in a byte block; callers check that the bytes exist.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Floating values of the conversion pipeline, on the same 0..65535 scale as
// the 16-bit codes.
using rfloat = double;

// A signature holds its four characters in file byte order, so that a value
// copied straight out of a profile compares equal to a csSig("....") constant.
using csSignature = uint32_t;

constexpr csSignature csSig(const char (&text)[5])
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
#else
    return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 |
           uint32_t(uint8_t(text[2])) << 16 | uint32_t(uint8_t(text[3])) << 24;
#endif
}

csSignature csGetSignature(const uint8_t* p);
void csSetSignature(uint8_t* p, csSignature signature);

// The four characters with a terminating zero, for printing with "%4s".
struct csSigText
{
    explicit csSigText(csSignature signature);
    char text[5];
};

uint16_t csGetUInt16(const uint8_t* p);
void csSetUInt16(uint8_t* p, uint16_t value);
uint32_t csGetUInt32(const uint8_t* p);
void csSetUInt32(uint8_t* p, uint32_t value);
uint64_t csGetUInt64(const uint8_t* p);
void csSetUInt64(uint8_t* p, uint64_t value);

// s15Fixed16Number. The raw form reads 0x80000000 as 0x80000001 so that
// every raw value has a negation.
double csGetS15Fixed16(const uint8_t* p);
int32_t csGetS15Fixed16Raw(const uint8_t* p);
uint32_t csEncodeS15Fixed16(double value);
void csSetS15Fixed16(uint8_t* p, double value);

// u16Fixed16Number and u8Fixed8Number; encoding clamps to the range.
double csGetU16Fixed16(const uint8_t* p);
uint32_t csEncodeU16Fixed16(double value);
void csSetU16Fixed16(uint8_t* p, double value);
double csGetU8Fixed8(const uint8_t* p);
uint16_t csEncodeU8Fixed8(double value);
void csSetU8Fixed8(uint8_t* p, double value);

struct csDateTime
{
    uint16_t year, month, day, hours, minutes, seconds;
};
csDateTime csGetDateTime(const uint8_t* p);
void csSetDateTime(uint8_t* p, const csDateTime& value);
// The machine's local time, or SOURCE_DATE_EPOCH (seconds since 1970, UTC)
// when set, so that the same work done twice gives the same bytes.
csDateTime csCurrentDateTime();

struct csXYZNumber
{
    double X, Y, Z;
};
csXYZNumber csGetXYZNumber(const uint8_t* p);
void csSetXYZNumber(uint8_t* p, const csXYZNumber& value);

struct csResponse16Number
{
    uint16_t deviceValue;
    double measurement;
};
csResponse16Number csGetResponse16Number(const uint8_t* p);
void csSetResponse16Number(uint8_t* p, const csResponse16Number& value);

// Byte-swaps count 16-bit units in place; serves both directions between
// big-endian file text and host order.
void csSwapUInt16Run(uint8_t* p, std::size_t count);

// Sizes in the file format.
// The nearest 16-bit code of a value on the 0..65535 scale: limited to
// the range, and NaN is 0. The one rounding every stage uses.
inline uint16_t csRoundToCode16(double v)
{
    return !(v > 0.0) ? 0 : v >= 65535.0 ? 65535 : static_cast<uint16_t>(v + 0.5);
}

// UTF-16 code units of a UTF-8 text; a byte that does not belong to a
// well-formed sequence becomes U+FFFD.
std::u16string csUtf16FromUtf8(std::string_view text);
// UTF-8 of UTF-16 code units; a lone surrogate becomes U+FFFD.
std::string csUtf8FromUtf16(std::u16string_view units);

constexpr std::size_t csDateTimeSize = 12;
constexpr std::size_t csXYZNumberSize = 12;
constexpr std::size_t csResponse16NumberSize = 8;
