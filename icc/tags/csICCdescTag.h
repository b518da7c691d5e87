#pragma once
// textDescriptionType ("desc"), the description of ICC.1 version 2 profiles
// and of the entries of a profile sequence.
//
// Layout (offsets from the start of the tag, a = ASCII count, u = Unicode
// count, numbers big-endian):
//   0 "desc", 4 reserved, 8 a (with the terminating zero), 12 ASCII text,
//   12+a Unicode language code, 16+a u (in characters), 20+a UTF-16 text,
//   20+a+2u ScriptCode code (uInt16), 22+a+2u ScriptCode count,
//   23+a+2u Macintosh description (67 bytes, zero-filled).
// So the tag holds a + 2u + 90 bytes.

#include "csICCTag.h"

#include <cstdint>
#include <string>

class csICCdescTag : public csICCTag
{
public:
    static constexpr uint32_t asciiOffset = 12;
    // Every field but the two texts.
    static constexpr uint32_t fixedSize = 90;
    static constexpr uint32_t macDescriptionSize = 67;

    // Whether bytes hold a "desc" tag whose counts fit in size bytes and whose
    // ScriptCode count is at most 67. A refusal leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);
    // a + 2u + 90 for the "desc" tag at bytes, reading no further than
    // available bytes; 0 when it is no "desc" tag or its counts reach beyond.
    // Logs nothing, so that callers can report in their own terms.
    static uint32_t measure(const uint8_t* bytes, uint32_t available);

    // The factory's form: a plain copy of bytes that passed checkLayout.
    csICCdescTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // A new tag from a text through setDesc; the first form has signature 0.
    explicit csICCdescTag(const char* text);
    csICCdescTag(csSignature signature, const char* text);
    // The checking form: copies the a + 2u + 90 bytes the counts give. They
    // must lie within available bytes and, when limit is not 0, within limit
    // bytes. On failure one error is logged and the tag has no data.
    csICCdescTag(csSignature signature, const uint8_t* bytes, uint32_t available, uint32_t limit);
    csICCdescTag(const csICCdescTag& other) = default;
    csICCdescTag& operator=(const csICCdescTag& other) = default;

    // Rebuilds the tag: the text masked to 7 bits, no Unicode or ScriptCode
    // text. Null: error and -1, the tag unchanged.
    int setDesc(const char* text);
    // Rebuilds the tag from a UTF-8 text: the ASCII part with "?" for every
    // other character, and the whole text as the Unicode part, so readers
    // of either part see the name.
    int setUnicodeDesc(const std::string& utf8);

    // Each accessor gives 0 or null for a tag without data and for bytes whose
    // counts do not fit in the tag.
    const char* asciiText() const;
    // The ASCII text up to its first zero, never beyond the ASCII count:
    // safe whether or not the file terminated it.
    std::string asciiString() const;
    uint32_t asciiCount() const;
    uint32_t unicodeLanguage() const;
    uint32_t unicodeCount() const;
    // UTF-16 big-endian, unicodeCount() characters.
    const uint8_t* unicodeText() const;
    uint16_t scriptCode() const;
    uint8_t scriptCount() const;
    const uint8_t* macDescription() const;

private:
    // Offset of the Unicode language code (12 + a), or 0 when the counts of
    // the bytes do not fit in the tag.
    uint32_t unicodeOffset() const;
};
