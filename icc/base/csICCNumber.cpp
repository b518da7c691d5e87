#include "csICCNumber.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

csSignature csGetSignature(const uint8_t* p)
{
    csSignature signature;
    std::memcpy(&signature, p, 4);
    return signature;
}

void csSetSignature(uint8_t* p, csSignature signature)
{
    std::memcpy(p, &signature, 4);
}

csSigText::csSigText(csSignature signature)
{
    std::memcpy(text, &signature, 4);
    text[4] = 0;
}

uint16_t csGetUInt16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void csSetUInt16(uint8_t* p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

uint32_t csGetUInt32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void csSetUInt32(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

uint64_t csGetUInt64(const uint8_t* p)
{
    return uint64_t(csGetUInt32(p)) << 32 | csGetUInt32(p + 4);
}

void csSetUInt64(uint8_t* p, uint64_t value)
{
    csSetUInt32(p, static_cast<uint32_t>(value >> 32));
    csSetUInt32(p + 4, static_cast<uint32_t>(value));
}

double csGetS15Fixed16(const uint8_t* p)
{
    return static_cast<int32_t>(csGetUInt32(p)) / 65536.0;
}

int32_t csGetS15Fixed16Raw(const uint8_t* p)
{
    const uint32_t raw = csGetUInt32(p);
    return raw == 0x80000000u ? static_cast<int32_t>(0x80000001u) : static_cast<int32_t>(raw);
}

uint32_t csEncodeS15Fixed16(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 32768.0)
        return 0x7FFFFFFFu;
    if (value < -32768.0)
        return 0x80000000u;
    if (value < 0.0) {
        // Shift into the positive range so that truncation rounds halves upward;
        // the modulo brings the result back to two's complement.
        const double shifted = (value + 65536.0) * 65536.0 + 0.5;
        return static_cast<uint32_t>(static_cast<uint64_t>(shifted) & 0xFFFFFFFFu);
    }
    const double scaled = std::floor(value * 65536.0 + 0.5);
    return scaled >= 2147483648.0 ? 0x7FFFFFFFu : static_cast<uint32_t>(scaled);
}

void csSetS15Fixed16(uint8_t* p, double value)
{
    csSetUInt32(p, csEncodeS15Fixed16(value));
}

double csGetU16Fixed16(const uint8_t* p)
{
    return csGetUInt16(p) + csGetUInt16(p + 2) / 65536.0;
}

uint32_t csEncodeU16Fixed16(double value)
{
    if (std::isnan(value) || value < 0.0)
        return 0;
    if (value >= 65536.0)
        return 0xFFFFFFFFu;
    const double scaled = value * 65536.0 + 0.5;
    return scaled >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(scaled);
}

void csSetU16Fixed16(uint8_t* p, double value)
{
    csSetUInt32(p, csEncodeU16Fixed16(value));
}

double csGetU8Fixed8(const uint8_t* p)
{
    return csGetUInt16(p) / 256.0;
}

uint16_t csEncodeU8Fixed8(double value)
{
    if (std::isnan(value) || value < 0.0)
        return 0;
    if (value >= 256.0)
        return 0xFFFF;
    const double scaled = value * 256.0 + 0.5;
    return scaled >= 65535.0 ? 0xFFFF : static_cast<uint16_t>(scaled);
}

void csSetU8Fixed8(uint8_t* p, double value)
{
    csSetUInt16(p, csEncodeU8Fixed8(value));
}

csDateTime csGetDateTime(const uint8_t* p)
{
    return {csGetUInt16(p), csGetUInt16(p + 2), csGetUInt16(p + 4),
            csGetUInt16(p + 6), csGetUInt16(p + 8), csGetUInt16(p + 10)};
}

void csSetDateTime(uint8_t* p, const csDateTime& value)
{
    csSetUInt16(p, value.year);
    csSetUInt16(p + 2, value.month);
    csSetUInt16(p + 4, value.day);
    csSetUInt16(p + 6, value.hours);
    csSetUInt16(p + 8, value.minutes);
    csSetUInt16(p + 10, value.seconds);
}

csXYZNumber csGetXYZNumber(const uint8_t* p)
{
    return {csGetS15Fixed16(p), csGetS15Fixed16(p + 4), csGetS15Fixed16(p + 8)};
}

void csSetXYZNumber(uint8_t* p, const csXYZNumber& value)
{
    csSetS15Fixed16(p, value.X);
    csSetS15Fixed16(p + 4, value.Y);
    csSetS15Fixed16(p + 8, value.Z);
}

csResponse16Number csGetResponse16Number(const uint8_t* p)
{
    return {csGetUInt16(p), csGetS15Fixed16(p + 4)};
}

void csSetResponse16Number(uint8_t* p, const csResponse16Number& value)
{
    csSetUInt16(p, value.deviceValue);
    p[2] = 0;
    p[3] = 0;
    csSetS15Fixed16(p + 4, value.measurement);
}

void csSwapUInt16Run(uint8_t* p, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, p += 2) {
        const uint8_t first = p[0];
        p[0] = p[1];
        p[1] = first;
    }
}

std::u16string csUtf16FromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not characters.
        static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= smallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

csDateTime csCurrentDateTime()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
    char* end = nullptr;
    const long long epoch = fixed ? std::strtoll(fixed, &end, 10) : 0;
    if (fixed && *fixed && end && *end == '\0' && epoch >= 0) {
        now = static_cast<std::time_t>(epoch);
        gmtime_r(&now, &local);
    } else {
        localtime_r(&now, &local);
    }
    return {static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
            static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
            static_cast<uint16_t>(local.tm_min), static_cast<uint16_t>(local.tm_sec)};
}

std::string csUtf8FromUtf16(std::u16string_view units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        char32_t code = units[k];
        if (code >= 0xD800 && code < 0xE000) {
            const bool pair = code < 0xDC00 && k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] < 0xE000;
            code = pair ? 0x10000 + ((code - 0xD800) << 10) + (units[++k] - 0xDC00) : 0xFFFD;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}
