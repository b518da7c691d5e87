#pragma once
// profileSequenceDescType ("pseq"): the profiles a device link or an
// abstract profile was made from.
//
// Layout (offsets from the start of the tag, numbers big-endian):
//   0 "pseq", 4 reserved, 8 description count, 12 the descriptions back to
//   back, each: device manufacturer (4), device model (4), attributes
//   (uInt64), technology (4), then an embedded "desc" or "mluc" tag for the
//   manufacturer and one for the model, without alignment. So a description
//   can only be found by measuring every embedded tag before it.
// Some writers start every description and embedded tag on a multiple of 4
// behind zero fill; a tag that only fits that way is read that way, and
// descriptions added to it are padded alike.

#include "csICCTag.h"

#include <cstdint>

class csICCProfileHeader;

class csICCpseqTag : public csICCTag
{
public:
    static constexpr uint32_t descriptionsOffset = 12;
    // Manufacturer, model, attributes and technology.
    static constexpr uint32_t fieldsSize = 20;

    // Whether bytes hold a "pseq" tag whose count descriptions, with
    // embedded tags of type "desc" or "mluc", all lie within size bytes. A
    // refusal leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The empty sequence: signature "pseq", count 0, 12 bytes.
    csICCpseqTag();
    // The factory's form: a plain copy of bytes that passed checkLayout.
    csICCpseqTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    csICCpseqTag(const csICCpseqTag& other) = default;
    csICCpseqTag& operator=(const csICCpseqTag& other) = default;

    // 0 for a tag without data.
    uint32_t count() const;
    // Byte offset of description index, or 0 when there is none or an
    // embedded tag before it is neither "desc" nor "mluc" (warning).
    uint32_t findDescriptionOffset(uint32_t index) const;
    // The outputs are written only when the result is 0.
    int getDescription(uint32_t index, csSignature& manufacturer, csSignature& model, uint64_t& attributes,
                       csSignature& technology) const;
    // Appends a description with the header's manufacturer, model and
    // attributes and technology 0 (a technology tag is not supported and only
    // warned about). The description tags must be valid "desc" or "mluc" tags;
    // null stands for an empty one of the profile version's type. 0, or -1
    // with an error and the tag unchanged.
    int addDescription(const csICCProfileHeader& header, const csICCTag* technology, const csICCTag* manufacturer,
                       const csICCTag* model);
};
