#include "csICCmlucTag.h"

#include "csErrorLog.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

namespace {

constexpr uint32_t countOffset = 8;
constexpr uint32_t recordSizeOffset = 12;
// Fields of a record.
constexpr uint32_t countryAt = 2;
constexpr uint32_t lengthAt = 4;
constexpr uint32_t offsetAt = 8;

const uint8_t emptyTag[csICCmlucTag::headerSize] = {'m', 'l', 'u', 'c', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12};

// The size of the "mluc" tag at bytes, or 0. The record table is compared
// with limit (0: none) and available, the strings with available, before
// anything behind them is read. The record count is compared by division, so
// counts near 2^32 cannot wrap.
uint32_t checkMluc(const uint8_t* bytes, uint32_t available, uint32_t limit, csSignature signature, bool log)
{
    if (!bytes)
        available = 0;
    const csSigText name(signature);
    if (available < 4) {
        if (log)
            csErrorLog::error("corrupt tag data", "tag '%4s' of %u bytes is too short for an mluc tag", name.text,
                              available);
        return 0;
    }
    if (csGetSignature(bytes) != csSig("mluc")) {
        if (log)
            csErrorLog::error("wrong tag type", "tag type is not 'mluc' but'%c%c%c%c'", bytes[0], bytes[1],
                              bytes[2], bytes[3]);
        return 0;
    }
    if (available < csICCmlucTag::headerSize) {
        if (log)
            csErrorLog::error("corrupt tag data", "mluc tag '%4s' of %u bytes ends inside its header", name.text,
                              available);
        return 0;
    }
    const uint32_t n = csGetUInt32(bytes + countOffset);
    const uint32_t r = csGetUInt32(bytes + recordSizeOffset);
    // The ICC fixes records at 12 bytes; a huge record size would make
    // every added record a huge allocation.
    if (r < csICCmlucTag::standardRecordSize || r > csICCmlucTag::maxRecordSize) {
        if (log)
            csErrorLog::error("corrupt tag data", "mluc tag '%4s' has records of %u bytes; 12 to %u are supported",
                              name.text, r, csICCmlucTag::maxRecordSize);
        return 0;
    }
    const uint32_t bound = (limit != 0 && limit < available) ? limit : available;
    if (bound < csICCmlucTag::headerSize || n > (bound - csICCmlucTag::headerSize) / r) {
        if (log)
            csErrorLog::error("corrupt tag data", "mluc tag with %u records (size %u) is larger than tag buffer", n,
                              r);
        return 0;
    }
    const uint32_t tableEnd = csICCmlucTag::headerSize + n * r;
    uint64_t end = tableEnd;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* record = bytes + csICCmlucTag::headerSize + uint64_t(i) * r;
        const uint32_t length = csGetUInt32(record + lengthAt);
        const uint32_t offset = csGetUInt32(record + offsetAt);
        // Records are edited by moving everything behind the table, which
        // only works for strings that stand there.
        if (length != 0 && offset < tableEnd) {
            if (log)
                csErrorLog::error("corrupt tag data",
                                  "mluc tag '%4s': string of record %u at offset %u lies in the record table",
                                  name.text, i, offset);
            return 0;
        }
        const uint64_t stringEnd = uint64_t(offset) + length;
        if (stringEnd > available) {
            if (log)
                csErrorLog::error("corrupt tag data",
                                  "mluc tag '%4s': string of record %u (offset %u, length %u) is larger than tag buffer",
                                  name.text, i, offset, length);
            return 0;
        }
        end = std::max(end, stringEnd);
    }
    return static_cast<uint32_t>(end);
}

uint32_t recordOffset(uint32_t index, uint32_t recordSize)
{
    return csICCmlucTag::headerSize + index * recordSize;
}

} // namespace

bool csICCmlucTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    return checkMluc(bytes, size, 0, signature, true) != 0;
}

uint32_t csICCmlucTag::measure(const uint8_t* bytes, uint32_t available)
{
    return checkMluc(bytes, available, 0, 0, false);
}

csICCmlucTag::csICCmlucTag(csSignature signature)
    : csICCTag(signature, headerSize, emptyTag), capacity_(headerSize), capacityBlock_(data_.get())
{
}

csICCmlucTag::csICCmlucTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes), capacity_(size), capacityBlock_(data_.get())
{
}

csICCmlucTag::csICCmlucTag(csSignature signature, const uint8_t* bytes, uint32_t available, uint32_t limit)
    : csICCTag(signature, 0, nullptr)
{
    const uint32_t size = checkMluc(bytes, available, limit, signature, true);
    if (size != 0)
        setData(size, bytes);
}

csICCmlucTag::csICCmlucTag(const csICCmlucTag& other)
    : csICCTag(other), capacity_(size_), capacityBlock_(data_.get())
{
}

csICCmlucTag& csICCmlucTag::operator=(const csICCmlucTag& other)
{
    if (this != &other) {
        csICCTag::operator=(other);
        capacity_ = size_;
        capacityBlock_ = data_.get();
    }
    return *this;
}

void csICCmlucTag::setData(uint32_t size, const uint8_t* bytes)
{
    csICCTag::setData(size, bytes);
    capacity_ = size_;
    capacityBlock_ = data_.get();
}

uint32_t csICCmlucTag::capacity() const
{
    return (data_.get() == capacityBlock_ && capacity_ >= size_) ? capacity_ : size_;
}

void csICCmlucTag::takeBlock(std::unique_ptr<uint8_t[]> block, uint32_t capacity)
{
    data_ = std::move(block);
    capacity_ = capacity;
    capacityBlock_ = data_.get();
}

bool csICCmlucTag::reserveFor(uint32_t newSize)
{
    const uint32_t current = capacity();
    if (newSize <= current && current - newSize <= maxSpareBytes)
        return true;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[newSize]);
    if (!block)
        return false;
    if (size_ > 0)
        std::memcpy(block.get(), data_.get(), std::min(size_, newSize));
    takeBlock(std::move(block), newSize);
    return true;
}

bool csICCmlucTag::hasRecordTable() const
{
    if (size_ < headerSize)
        return false;
    const uint32_t n = csGetUInt32(data_.get() + countOffset);
    const uint32_t r = csGetUInt32(data_.get() + recordSizeOffset);
    return r >= standardRecordSize && n <= (size_ - headerSize) / r;
}

uint32_t csICCmlucTag::numberOfRecords() const
{
    return hasRecordTable() ? csGetUInt32(data_.get() + countOffset) : 0;
}

uint32_t csICCmlucTag::recordSize() const
{
    return size_ >= headerSize ? csGetUInt32(data_.get() + recordSizeOffset) : 0;
}

const uint8_t* csICCmlucTag::record(uint32_t index, const char* what) const
{
    const uint32_t n = numberOfRecords();
    if (index >= n) {
        csErrorLog::error("index out of bounds", "mluc tag '%4s': %s of record %u of %u", csSigText(signature_).text,
                          what, index, n);
        return nullptr;
    }
    return data_.get() + recordOffset(index, recordSize());
}

uint16_t csICCmlucTag::languageCode(uint32_t index) const
{
    const uint8_t* p = record(index, "language code");
    return p ? csGetUInt16(p) : 0;
}

uint16_t csICCmlucTag::countryCode(uint32_t index) const
{
    const uint8_t* p = record(index, "country code");
    return p ? csGetUInt16(p + countryAt) : 0;
}

uint32_t csICCmlucTag::nameLength(uint32_t index) const
{
    const uint8_t* p = record(index, "name length");
    return p ? csGetUInt32(p + lengthAt) : 0;
}

uint32_t csICCmlucTag::nameOffset(uint32_t index) const
{
    const uint8_t* p = record(index, "name offset");
    return p ? csGetUInt32(p + offsetAt) : 0;
}

uint32_t csICCmlucTag::indexOf(uint16_t languageCode, uint16_t countryCode) const
{
    const uint32_t n = numberOfRecords();
    const uint32_t r = recordSize();
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* p = data_.get() + recordOffset(i, r);
        if (csGetUInt16(p) == languageCode && csGetUInt16(p + countryAt) == countryCode)
            return i;
    }
    return INDEX_NOTFOUND;
}

int csICCmlucTag::addRecord(uint16_t languageCode, uint16_t countryCode, uint32_t length, const uint8_t* utf16BE)
{
    const csSigText name(signature_);
    if (!hasRecordTable()) {
        csErrorLog::error("corrupt tag data", "addRecord: tag '%4s' has no mluc record table", name.text);
        return -1;
    }
    if (length != 0 && !utf16BE) {
        csErrorLog::error("null pointer", "addRecord called with null pointer");
        return -1;
    }
    if (indexOf(languageCode, countryCode) != INDEX_NOTFOUND) {
        csErrorLog::error("duplicate record", "mluc tag '%4s' already has a record for language 0x%04X, country 0x%04X",
                          name.text, languageCode, countryCode);
        return -1;
    }
    const uint32_t n = numberOfRecords();
    const uint32_t r = recordSize();
    const uint32_t size = size_;
    const uint32_t tableEnd = recordOffset(n, r);

    bool shared = false;
    uint32_t sharedOffset = 0;
    for (uint32_t i = 0; i < n && !shared; ++i) {
        const uint8_t* p = data_.get() + recordOffset(i, r);
        const uint32_t offset = csGetUInt32(p + offsetAt);
        if (csGetUInt32(p + lengthAt) == length && uint64_t(offset) + length <= size &&
            (length == 0 || std::memcmp(data_.get() + offset, utf16BE, length) == 0)) {
            shared = true;
            sharedOffset = offset;
        }
    }

    const uint64_t newSize = uint64_t(size) + r + (shared ? 0 : length);
    if (newSize > UINT32_MAX) {
        csErrorLog::error("tag too large", "addRecord: mluc tag '%4s' would grow beyond 4 GB", name.text);
        return -1;
    }
    // A string taken from this very block would be moved or freed below.
    std::vector<uint8_t> ownCopy;
    const std::less<const uint8_t*> before;
    if (!shared && length != 0 && !before(utf16BE, data_.get()) && before(utf16BE, data_.get() + capacity())) {
        ownCopy.assign(utf16BE, utf16BE + length);
        utf16BE = ownCopy.data();
    }
    if (!reserveFor(static_cast<uint32_t>(newSize))) {
        csErrorLog::error("out of memory", "addRecord: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(newSize));
        return -1;
    }

    uint8_t* d = data_.get();
    std::memmove(d + tableEnd + r, d + tableEnd, size - tableEnd);
    // Only strings stand behind the table; an empty string may point anywhere.
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* p = d + recordOffset(i, r) + offsetAt;
        const uint32_t offset = csGetUInt32(p);
        if (offset >= tableEnd)
            csSetUInt32(p, offset + r);
    }
    uint8_t* p = d + tableEnd;
    std::memset(p, 0, r);
    csSetUInt16(p, languageCode);
    csSetUInt16(p + countryAt, countryCode);
    csSetUInt32(p + lengthAt, length);
    if (shared) {
        csSetUInt32(p + offsetAt, sharedOffset >= tableEnd ? sharedOffset + r : sharedOffset);
    } else {
        csSetUInt32(p + offsetAt, size + r);
        if (length != 0)
            std::memcpy(d + size + r, utf16BE, length);
    }
    csSetUInt32(d + countOffset, n + 1);
    size_ = static_cast<uint32_t>(newSize);
    return 0;
}

int csICCmlucTag::removeRecord(uint32_t index)
{
    if (!record(index, "removal"))
        return -1;
    uint8_t* d = data_.get();
    uint32_t n = numberOfRecords();
    const uint32_t r = recordSize();
    const uint32_t tableEnd = recordOffset(n, r);
    const uint8_t* removed = d + recordOffset(index, r);
    const uint32_t delOffset = csGetUInt32(removed + offsetAt);
    const uint32_t delLength = csGetUInt32(removed + lengthAt);
    const uint64_t delEnd = uint64_t(delOffset) + delLength;

    bool removeString = delLength != 0 && delOffset >= tableEnd && delEnd <= size_;
    for (uint32_t j = 0; j < n && removeString; ++j) {
        const uint8_t* p = d + recordOffset(j, r);
        if (j != index && csGetUInt32(p + lengthAt) != 0 && csGetUInt32(p + offsetAt) == delOffset)
            removeString = false;
    }
    for (uint32_t j = 0; j < n && removeString; ++j) {
        const uint8_t* p = d + recordOffset(j, r);
        const uint32_t offset = csGetUInt32(p + offsetAt);
        const uint32_t length = csGetUInt32(p + lengthAt);
        if (j != index && length != 0 && offset < delEnd && delOffset < uint64_t(offset) + length) {
            csErrorLog::warning("mluc strings overlap", "mluc tag contains overlapping string %i", static_cast<int>(j));
            removeString = false;
        }
    }

    uint32_t size = size_;
    if (removeString) {
        std::memmove(d + delOffset, d + delEnd, size - delEnd);
        size -= delLength;
        for (uint32_t j = 0; j < n; ++j) {
            uint8_t* p = d + recordOffset(j, r) + offsetAt;
            const uint32_t offset = csGetUInt32(p);
            if (offset >= delEnd)
                csSetUInt32(p, offset - delLength);
            else if (offset > delOffset)
                csSetUInt32(p, delOffset);
        }
    }
    const uint32_t entryStart = recordOffset(index, r);
    const uint32_t entryEnd = entryStart + r;
    std::memmove(d + entryStart, d + entryEnd, size - entryEnd);
    size -= r;
    --n;
    csSetUInt32(d + countOffset, n);
    for (uint32_t j = 0; j < n; ++j) {
        uint8_t* p = d + recordOffset(j, r) + offsetAt;
        const uint32_t offset = csGetUInt32(p);
        if (offset >= entryEnd)
            csSetUInt32(p, offset - r);
        else if (offset > entryStart)
            csSetUInt32(p, entryStart);
    }
    size_ = size;
    // Shrinking cannot lose bytes; if it fails the larger block stays.
    reserveFor(size_);
    return 0;
}

std::u16string csICCmlucTag::recordUnits(uint32_t index) const
{
    const uint8_t* p = record(index, "string");
    if (!p)
        return std::u16string();
    const uint32_t offset = csGetUInt32(p + offsetAt);
    if (offset >= size_)
        return std::u16string();
    const uint64_t end = std::min<uint64_t>(uint64_t(offset) + csGetUInt32(p + lengthAt), size_);
    const uint8_t* text = data_.get() + offset;
    std::u16string units(static_cast<std::size_t>((end - offset) / 2), u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(csGetUInt16(text + 2 * k));
    return units;
}

std::string csICCmlucTag::recordUtf8(uint32_t index) const
{
    return csUtf8FromUtf16(recordUnits(index));
}
