#include "csICCpsidTag.h"

#include "csErrorLog.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t countOffset = 8;
// The embedded "mluc" of an entry: header and one record, text at 28.
constexpr uint32_t mlucFixedSize = csICCmlucTag::headerSize + csICCmlucTag::standardRecordSize;
constexpr uint32_t entryFixedSize = csICCpsidTag::profileIDSize + mlucFixedSize;

const uint8_t defaultTag[csICCpsidTag::positionsOffset] = {'p', 's', 'i', 'd', 0, 0, 0, 0, 0, 0, 0, 2};

// 2 x length rounded up to a multiple of 4.
uint64_t paddedTextSize(std::size_t length)
{
    return (2 * uint64_t(length) + 3) & ~uint64_t(3);
}

void writeEntry(uint8_t* entry, const char* text, std::size_t length)
{
    uint8_t* mluc = entry + csICCpsidTag::profileIDSize;
    csSetSignature(mluc, csSig("mluc"));
    csSetUInt32(mluc + 8, 1);
    csSetUInt32(mluc + 12, csICCmlucTag::standardRecordSize);
    csSetUInt16(mluc + 16, csICCmlucTag::code("en"));
    csSetUInt16(mluc + 18, csICCmlucTag::code("US"));
    csSetUInt32(mluc + 20, static_cast<uint32_t>(2 * length));
    csSetUInt32(mluc + 24, mlucFixedSize);
    for (std::size_t i = 0; i < length; ++i)
        csSetUInt16(mluc + mlucFixedSize + 2 * i, static_cast<unsigned char>(text[i]));
}

} // namespace

bool csICCpsidTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    const csSigText name(signature);
    if (!bytes || size < positionsOffset || csGetSignature(bytes) != csSig("psid")) {
        csErrorLog::error("corrupt tag data", "tag '%4s' of %u bytes is no psid tag", name.text, bytes ? size : 0);
        return false;
    }
    const uint32_t n = csGetUInt32(bytes + countOffset);
    if (positionsOffset + uint64_t(n) * positionSize > size) {
        csErrorLog::error("corrupt tag data", "psid tag '%4s': %u positions do not fit in its %u bytes", name.text, n,
                          size);
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* p = bytes + positionsOffset + i * positionSize;
        const uint32_t offset = csGetUInt32(p);
        const uint32_t length = csGetUInt32(p + 4);
        if (length < profileIDSize || uint64_t(offset) + length > size) {
            csErrorLog::error("corrupt tag data",
                              "psid tag '%4s': entry %u (offset %u, size %u) does not fit in its %u bytes", name.text,
                              i, offset, length, size);
            return false;
        }
    }
    return true;
}

csICCpsidTag::csICCpsidTag()
    : csICCTag(csSig("psid"), positionsOffset, defaultTag)
{
}

csICCpsidTag::csICCpsidTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

int csICCpsidTag::setDescriptions(const char* text1, const char* text2)
{
    if (!text1 || !text2) {
        csErrorLog::error("null pointer", "setDescriptions called with null pointer");
        return -1;
    }
    if (size_ < positionsOffset) {
        csErrorLog::error("corrupt tag data", "setDescriptions: tag '%4s' has no psid data",
                          csSigText(signature_).text);
        return -1;
    }
    const std::size_t length1 = std::strlen(text1);
    const std::size_t length2 = std::strlen(text2);
    const uint64_t padded1 = paddedTextSize(length1);
    const uint64_t padded2 = paddedTextSize(length2);
    const uint64_t first = positionsOffset + 2 * positionSize;
    const uint64_t second = first + entryFixedSize + padded1;
    const uint64_t size = second + entryFixedSize + padded2;
    if (size > UINT32_MAX) {
        csErrorLog::error("text too long", "setDescriptions: texts of %zu and %zu bytes do not fit in a tag", length1,
                          length2);
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]());
    if (!block) {
        csErrorLog::error("out of memory", "setDescriptions: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(size));
        return -1;
    }
    // Built whole rather than into the default tag's bytes, so that a second
    // call, or a call on a tag read from a file, gives the same layout.
    uint8_t* d = block.get();
    std::memcpy(d, defaultTag, positionsOffset);
    csSetUInt32(d + positionsOffset, static_cast<uint32_t>(first));
    csSetUInt32(d + positionsOffset + 4, static_cast<uint32_t>(entryFixedSize + padded1));
    csSetUInt32(d + positionsOffset + 8, static_cast<uint32_t>(second));
    csSetUInt32(d + positionsOffset + 12, static_cast<uint32_t>(entryFixedSize + padded2));
    writeEntry(d + first, text1, length1);
    writeEntry(d + second, text2, length2);
    data_ = std::move(block);
    size_ = static_cast<uint32_t>(size);
    return 0;
}

uint32_t csICCpsidTag::count() const
{
    return size_ >= positionsOffset ? csGetUInt32(data_.get() + countOffset) : 0;
}

const uint8_t* csICCpsidTag::position(uint32_t index, const char* what, bool whole) const
{
    const uint32_t n = count();
    if (index >= n || positionsOffset + (uint64_t(index) + 1) * positionSize > size_) {
        csErrorLog::error("index out of bounds", "psid tag '%4s': %s of entry %u of %u", csSigText(signature_).text,
                          what, index, n);
        return nullptr;
    }
    const uint8_t* p = data_.get() + positionsOffset + index * positionSize;
    const uint32_t length = csGetUInt32(p + 4);
    if (whole && (length < profileIDSize || uint64_t(csGetUInt32(p)) + length > size_)) {
        csErrorLog::error("corrupt tag data", "psid tag '%4s': entry %u does not fit in its %u bytes",
                          csSigText(signature_).text, index, size_);
        return nullptr;
    }
    return p;
}

uint32_t csICCpsidTag::entryOffset(uint32_t index) const
{
    const uint8_t* p = position(index, "offset", false);
    return p ? csGetUInt32(p) : 0;
}

uint32_t csICCpsidTag::entrySize(uint32_t index) const
{
    const uint8_t* p = position(index, "size", false);
    return p ? csGetUInt32(p + 4) : 0;
}

const uint8_t* csICCpsidTag::profileID(uint32_t index) const
{
    const uint8_t* p = position(index, "profile ID", true);
    return p ? data_.get() + csGetUInt32(p) : nullptr;
}

csICCmlucTag csICCpsidTag::description(uint32_t index) const
{
    const uint8_t* p = position(index, "description", true);
    if (!p)
        return csICCmlucTag(signature_, 0, nullptr);
    return csICCmlucTag(signature_, data_.get() + csGetUInt32(p) + profileIDSize, csGetUInt32(p + 4) - profileIDSize,
                        0);
}
