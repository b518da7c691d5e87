#pragma once
// textType ("text"), the copyright of ICC.1 version 2 profiles: "text", four
// reserved bytes, then the 7-bit text with its terminating zero.

#include "csICCTag.h"

#include <cstdint>

class csICCtextTag : public csICCTag
{
public:
    static constexpr uint32_t textOffset = 8;

    // Whether bytes hold a "text" tag with a terminating zero within size
    // bytes. A refusal leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The factory's form: a plain copy of bytes that passed checkLayout.
    csICCtextTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // A new tag from a text through setText; the first form has signature 0.
    explicit csICCtextTag(const char* text);
    csICCtextTag(csSignature signature, const char* text);
    csICCtextTag(const csICCtextTag& other) = default;
    // Takes over the other tag's text through setText and keeps its own
    // signature.
    csICCtextTag& operator=(const csICCtextTag& other);

    // Rebuilds the tag with the text bytes as they are. Null: error and -1,
    // the tag unchanged.
    int setText(const char* text);

    // The zero-terminated text, or null for a tag without data or without a
    // terminating zero within its bytes.
    const char* text() const;
};
