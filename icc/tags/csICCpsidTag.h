#pragma once
// profileSequenceIdentifierType ("psid"): the profiles of a sequence by
// profile ID and description.
//
// Layout (offsets from the start of the tag, numbers big-endian):
//   0 "psid", 4 reserved, 8 count n, 12 n positions (offset and size of an
//   entry, from the tag start, uInt32 each), then the entries: profile ID
//   (16 bytes) and an embedded "mluc" description.

#include "csICCTag.h"
#include "csICCmlucTag.h"

#include <cstdint>

class csICCpsidTag : public csICCTag
{
public:
    static constexpr uint32_t positionsOffset = 12;
    static constexpr uint32_t positionSize = 8;
    static constexpr uint32_t profileIDSize = 16;

    // Whether bytes hold a "psid" tag whose position table and entries lie
    // within size bytes, each entry long enough for its profile ID. A refusal
    // leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // Signature "psid", count 2 and no entries yet: 12 bytes, to be completed
    // by setDescriptions.
    csICCpsidTag();
    // The factory's form: a plain copy of bytes that passed checkLayout.
    csICCpsidTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    csICCpsidTag(const csICCpsidTag& other) = default;
    csICCpsidTag& operator=(const csICCpsidTag& other) = default;

    // Rebuilds the tag with two entries, each a zero profile ID and an "mluc"
    // with one "enUS" record holding the text, every byte widened to one
    // UTF-16 character. 0, or -1 with an error and the tag unchanged.
    int setDescriptions(const char* text1, const char* text2);

    // 0 for a tag without data.
    uint32_t count() const;
    // An index without an entry: error and 0, null or a tag without data.
    uint32_t entryOffset(uint32_t index) const;
    uint32_t entrySize(uint32_t index) const;
    const uint8_t* profileID(uint32_t index) const;
    // The entry's description, read by the checking form within the entry.
    csICCmlucTag description(uint32_t index) const;

private:
    // The position of entry index, or null with an error; with whole, also
    // the entry must lie within the tag.
    const uint8_t* position(uint32_t index, const char* what, bool whole) const;
};
