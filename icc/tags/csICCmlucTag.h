#pragma once
// multiLocalizedUnicodeType ("mluc"), the description and copyright of ICC.1
// version 4 profiles and of profile sequence entries.
//
// Layout (offsets from the start of the tag, numbers big-endian):
//   0 "mluc", 4 reserved, 8 record count n, 12 record size r (12),
//   16 n records of r bytes: language code (uInt16, two ASCII letters such
//   as "de"), country code (uInt16, "DE"), string length in bytes (uInt32),
//   string offset from the tag start (uInt32); then the UTF-16 big-endian
//   strings. Records may share one string.
//
// Records are added and removed in place; the block may be larger than the
// tag (capacity) so that a run of edits does not reallocate every time.

#include "csICCTag.h"

#include <cstdint>
#include <string>

class csICCmlucTag : public csICCTag
{
public:
    static constexpr uint32_t INDEX_NOTFOUND = 0xFFFFFFFFu;
    static constexpr uint32_t headerSize = 16;
    // The record size ICC.1 gives; a file's larger record size is kept.
    static constexpr uint32_t standardRecordSize = 12;
    static constexpr uint32_t maxRecordSize = 256;
    // A block larger than the tag by more than this is shrunk to fit.
    static constexpr uint32_t maxSpareBytes = 4095;

    // A language or country code from its two letters: code("de") == 0x6465.
    static constexpr uint16_t code(const char (&letters)[3])
    {
        return static_cast<uint16_t>(uint8_t(letters[0]) << 8 | uint8_t(letters[1]));
    }

    // Whether bytes hold an "mluc" tag whose record table and every non-empty
    // string lie within size bytes, the strings behind the table. A refusal
    // leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);
    // The size of the "mluc" tag at bytes (the end of the record table or of
    // the last string, whichever is further), reading no further than
    // available bytes; 0 when it does not fit. Logs nothing.
    static uint32_t measure(const uint8_t* bytes, uint32_t available);

    // The empty tag: no records, record size 12, 16 bytes.
    explicit csICCmlucTag(csSignature signature = 0);
    // The factory's form: a plain copy of bytes that passed checkLayout.
    csICCmlucTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // The checking form: copies the bytes measure() gives. They must lie
    // within available bytes and, when limit is not 0, the record table
    // within limit bytes. On failure one error is logged and the tag has no
    // data.
    csICCmlucTag(csSignature signature, const uint8_t* bytes, uint32_t available, uint32_t limit);
    csICCmlucTag(const csICCmlucTag& other);
    csICCmlucTag& operator=(const csICCmlucTag& other);

    // Hides csICCTag::setData so that the capacity follows the new block.
    void setData(uint32_t size, const uint8_t* bytes);
    // Bytes allocated for data(); at least size().
    uint32_t capacity() const;

    uint32_t numberOfRecords() const;
    uint32_t recordSize() const;
    // An index without a record: error "index out of bounds" and 0.
    uint16_t languageCode(uint32_t index) const;
    uint16_t countryCode(uint32_t index) const;
    uint32_t nameLength(uint32_t index) const;
    uint32_t nameOffset(uint32_t index) const;
    uint32_t indexOf(uint16_t languageCode, uint16_t countryCode) const;

    // Appends a record for a language and country not present yet, sharing
    // the string of the first record with the same bytes. 0, or -1 with an
    // error and the tag unchanged.
    int addRecord(uint16_t languageCode, uint16_t countryCode, uint32_t length, const uint8_t* utf16BE);
    // Removes the record and, unless another record uses it, its string.
    int removeRecord(uint32_t index);

    // A record's string as UTF-16 code units in host order, and as UTF-8.
    // Only the bytes within the tag are read; a bad index gives an error
    // and an empty string.
    std::u16string recordUnits(uint32_t index) const;
    std::string recordUtf8(uint32_t index) const;

private:
    // The record table fits in the tag and the record size is usable.
    bool hasRecordTable() const;
    // The address of record index, or null with an error.
    const uint8_t* record(uint32_t index, const char* what) const;
    // Makes the block hold newSize bytes by the capacity rule, keeping the
    // first min(size, newSize) bytes. False when allocation fails.
    bool reserveFor(uint32_t newSize);
    void takeBlock(std::unique_ptr<uint8_t[]> block, uint32_t capacity);

    uint32_t capacity_ = 0;
    // The block capacity_ belongs to: a block swapped in through the base
    // class is never taken to be larger than its size.
    const uint8_t* capacityBlock_ = nullptr;
};
