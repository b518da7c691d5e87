#include "csICCdescTag.h"

#include "csErrorLog.h"

#include <cstring>
#include <new>

namespace {

// Offsets of the fields behind the ASCII text, relative to 12 + a.
constexpr uint32_t unicodeCountAfter = 4;
constexpr uint32_t unicodeTextAfter = 8;
constexpr uint32_t maxScriptCount = 67;

// The size a + 2u + 90 of the "desc" tag at bytes, or 0. Every count is
// compared with the bytes that may be read before anything behind it is read;
// limit 0 means no limit beyond available. The sums stay in 64 bits, so
// counts near 2^32 cannot wrap.
uint32_t checkDesc(const uint8_t* bytes, uint32_t available, uint32_t limit, csSignature signature, bool log)
{
    if (!bytes)
        available = 0;
    const csSigText name(signature);
    if (available < 4) {
        if (log)
            csErrorLog::error("corrupt tag data", "tag '%4s' of %u bytes is too short for a desc tag", name.text,
                              available);
        return 0;
    }
    if (csGetSignature(bytes) != csSig("desc")) {
        if (log)
            csErrorLog::error("wrong tag type", "tag type is not 'desc' but'%c%c%c%c'", bytes[0], bytes[1],
                              bytes[2], bytes[3]);
        return 0;
    }
    if (available < csICCdescTag::asciiOffset) {
        if (log)
            csErrorLog::error("corrupt tag data", "desc tag '%4s' of %u bytes ends before its ASCII count",
                              name.text, available);
        return 0;
    }
    const uint64_t bound = (limit != 0 && limit < available) ? limit : available;
    const uint32_t a = csGetUInt32(bytes + 8);
    if (uint64_t(a) + csICCdescTag::fixedSize > bound) {
        if (log)
            csErrorLog::error("corrupt tag data", "ASCII count in desc tag %u is larger than tag buffer", a);
        return 0;
    }
    const uint8_t* const unicode = bytes + csICCdescTag::asciiOffset + a;
    const uint32_t u = csGetUInt32(unicode + unicodeCountAfter);
    const uint64_t size = uint64_t(a) + 2 * uint64_t(u) + csICCdescTag::fixedSize;
    if (size > bound) {
        if (log)
            csErrorLog::error("corrupt tag data", "Unicode count in desc tag %u is larger than tag buffer", u);
        return 0;
    }
    const uint32_t scriptCount = unicode[unicodeTextAfter + 2 * uint64_t(u) + 2];
    if (scriptCount > maxScriptCount) {
        if (log)
            csErrorLog::error("corrupt tag data", "Scriptcode count in desc tag %u is larger than 67", scriptCount);
        return 0;
    }
    return static_cast<uint32_t>(size);
}

} // namespace

bool csICCdescTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    return checkDesc(bytes, size, 0, signature, true) != 0;
}

uint32_t csICCdescTag::measure(const uint8_t* bytes, uint32_t available)
{
    return checkDesc(bytes, available, 0, 0, false);
}

csICCdescTag::csICCdescTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

csICCdescTag::csICCdescTag(const char* text)
    : csICCTag(0, 0, nullptr)
{
    setDesc(text);
}

csICCdescTag::csICCdescTag(csSignature signature, const char* text)
    : csICCTag(signature, 0, nullptr)
{
    setDesc(text);
}

csICCdescTag::csICCdescTag(csSignature signature, const uint8_t* bytes, uint32_t available, uint32_t limit)
    : csICCTag(signature, 0, nullptr)
{
    const uint32_t size = checkDesc(bytes, available, limit, signature, true);
    if (size != 0)
        setData(size, bytes);
}

int csICCdescTag::setDesc(const char* text)
{
    if (!text) {
        csErrorLog::error("null pointer", "setDesc(const char*) called with null pointer");
        return -1;
    }
    const std::size_t length = std::strlen(text);
    const uint64_t size = uint64_t(length) + 1 + fixedSize;
    if (size > UINT32_MAX) {
        csErrorLog::error("text too long", "setDesc: a text of %zu bytes does not fit in a tag", length);
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]());
    if (!block) {
        csErrorLog::error("out of memory", "setDesc: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(size));
        return -1;
    }
    uint8_t* d = block.get();
    csSetSignature(d, csSig("desc"));
    csSetUInt32(d + 8, static_cast<uint32_t>(length + 1));
    // Version 2 descriptions are 7-bit ASCII.
    for (std::size_t i = 0; i < length; ++i)
        d[asciiOffset + i] = static_cast<uint8_t>(text[i]) & 0x7F;
    data_ = std::move(block);
    size_ = static_cast<uint32_t>(size);
    return 0;
}

int csICCdescTag::setUnicodeDesc(const std::string& utf8)
{
    const std::u16string unicode = csUtf16FromUtf8(utf8);
    std::string ascii;
    for (char16_t c : unicode)
        if (c < 0xDC00 || c > 0xDFFF) // the second half of a pair adds no "?"
            ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    // Both counts include the terminating zero.
    const uint64_t a = ascii.size() + 1, u = unicode.size() + 1;
    const uint64_t size = a + 2 * u + fixedSize;
    if (size > UINT32_MAX) {
        csErrorLog::error("text too long", "setUnicodeDesc: a text of %zu bytes does not fit in a tag", utf8.size());
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]());
    if (!block) {
        csErrorLog::error("out of memory", "setUnicodeDesc: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(size));
        return -1;
    }
    uint8_t* d = block.get();
    csSetSignature(d, csSig("desc"));
    csSetUInt32(d + 8, static_cast<uint32_t>(a));
    std::copy(ascii.begin(), ascii.end(), d + asciiOffset);
    uint8_t* unicodePart = d + asciiOffset + a;
    csSetUInt32(unicodePart + 4, static_cast<uint32_t>(u));
    for (std::size_t i = 0; i < unicode.size(); ++i) {
        unicodePart[8 + 2 * i] = static_cast<uint8_t>(unicode[i] >> 8);
        unicodePart[9 + 2 * i] = static_cast<uint8_t>(unicode[i] & 0xFF);
    }
    data_ = std::move(block);
    size_ = static_cast<uint32_t>(size);
    return 0;
}

uint32_t csICCdescTag::unicodeOffset() const
{
    return measure(data_.get(), size_) != 0 ? asciiOffset + csGetUInt32(data_.get() + 8) : 0;
}

const char* csICCdescTag::asciiText() const
{
    return unicodeOffset() != 0 ? reinterpret_cast<const char*>(data_.get() + asciiOffset) : nullptr;
}

std::string csICCdescTag::asciiString() const
{
    const char* text = asciiText();
    if (!text)
        return std::string();
    const uint32_t count = asciiCount();
    const void* zero = std::memchr(text, 0, count);
    return std::string(text, zero ? static_cast<const char*>(zero) - text : count);
}

uint32_t csICCdescTag::asciiCount() const
{
    return unicodeOffset() != 0 ? csGetUInt32(data_.get() + 8) : 0;
}

uint32_t csICCdescTag::unicodeLanguage() const
{
    const uint32_t at = unicodeOffset();
    return at != 0 ? csGetUInt32(data_.get() + at) : 0;
}

uint32_t csICCdescTag::unicodeCount() const
{
    const uint32_t at = unicodeOffset();
    return at != 0 ? csGetUInt32(data_.get() + at + unicodeCountAfter) : 0;
}

const uint8_t* csICCdescTag::unicodeText() const
{
    const uint32_t at = unicodeOffset();
    return at != 0 ? data_.get() + at + unicodeTextAfter : nullptr;
}

uint16_t csICCdescTag::scriptCode() const
{
    const uint8_t* text = unicodeText();
    return text ? csGetUInt16(text + 2 * std::size_t(unicodeCount())) : 0;
}

uint8_t csICCdescTag::scriptCount() const
{
    const uint8_t* text = unicodeText();
    return text ? text[2 * std::size_t(unicodeCount()) + 2] : 0;
}

const uint8_t* csICCdescTag::macDescription() const
{
    const uint8_t* text = unicodeText();
    return text ? text + 2 * std::size_t(unicodeCount()) + 3 : nullptr;
}
