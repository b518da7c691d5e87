#pragma once
// What a PDF needs of a TrueType font to set text the standard fonts cannot
// (names in Polish, Greek, Cyrillic...), read through FreeType (opened at
// run time, so that nothing else pays for loading it): the glyph of
// a character from the font's Unicode map, glyph advances, a few metrics
// for the font descriptor, and the file itself to embed. A file that
// FreeType cannot open, or whose outlines are not TrueType (which is all a
// PDF embeds as FontFile2), is refused with the reason.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TrueTypeFont
{
public:
    // The font of the file, or nullptr with the reason in problem.
    static std::unique_ptr<TrueTypeFont> fromFile(const std::string& path, std::string& problem);
    static std::unique_ptr<TrueTypeFont> fromBytes(std::string bytes, std::string& problem);
    ~TrueTypeFont();
    TrueTypeFont(const TrueTypeFont&) = delete;
    TrueTypeFont& operator=(const TrueTypeFont&) = delete;

    // 0 (the font's "missing" glyph) where the font has no glyph for c.
    uint16_t glyph(char32_t c) const;
    // Advance width in thousandths of the em.
    int advance(uint16_t glyph) const;

    // In thousandths of the em.
    int ascent() const { return ascent_; }
    int descent() const { return descent_; }
    const int* boundingBox() const { return box_; }

    const std::string& bytes() const { return bytes_; }

private:
    struct FreeType;
    TrueTypeFont();

    std::string bytes_; // FreeType reads the face from these while it lives
    std::unique_ptr<FreeType> freeType_;
    int ascent_ = 0, descent_ = 0;
    int box_[4] = {};
    // A face is not safe to use from two threads at once.
    mutable std::mutex mutex_;
};
