// The font a PDF report embeds: what it tells of DejaVu Sans (the system's,
// from fonts-dejavu-core), and refusals of files that are no usable font.

#include "TrueTypeFont.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char* const dejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string systemFont()
{
    const std::vector<uint8_t> bytes = readBytes(dejaVuSans);
    return {bytes.begin(), bytes.end()};
}

TEST(TrueTypeFont, GlyphsAndWidthsOfDejaVuSans)
{
    std::string problem;
    const auto font = TrueTypeFont::fromFile(dejaVuSans, problem);
    if (!font)
        GTEST_SKIP() << problem;
    // Advances of the font's metrics in 2048ths of the em: 'A' 1401,
    // 'i' 569, the Polish 'L' with stroke 1151.
    struct Case { char32_t c; int advance; };
    const Case cases[] = {{U'A', 684}, {U'i', 278}, {0x141, 562}};
    for (const Case& c : cases) {
        const uint16_t g = font->glyph(c.c);
        EXPECT_NE(g, 0) << std::hex << unsigned(c.c);
        EXPECT_EQ(font->advance(g), c.advance) << std::hex << unsigned(c.c);
    }
    EXPECT_NE(font->glyph(0x416), 0);        // Cyrillic Zhe
    EXPECT_EQ(font->glyph(0x6F22), 0);       // a CJK ideograph DejaVu Sans lacks
    EXPECT_EQ(font->glyph(0x10FFFF), 0);
    EXPECT_EQ(font->advance(0xFFFF), 0);     // beyond the glyphs
    EXPECT_GT(font->ascent(), 700);
    EXPECT_LT(font->descent(), -150);
    EXPECT_LT(font->boundingBox()[0], font->boundingBox()[2]);
}

TEST(TrueTypeFont, WhatIsNoUsableFontIsRefused)
{
    const std::string real = systemFont();
    struct Case
    {
        const char* what;
        std::function<std::string()> bytes;
    };
    const Case cases[] = {
        {"nothing", [] { return std::string(); }},
        {"a patch file", [] { return std::string("CGATS.17\nBEGIN_DATA\nEND_DATA\n"); }},
        {"a directory cut short", [&] { return real.substr(0, 40); }},
        {"CFF outlines", [&] { return real.empty() ? std::string("OTTO") : "OTTO" + real.substr(4); }},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(TrueTypeFont::fromBytes(c.bytes(), problem), nullptr) << c.what;
        EXPECT_FALSE(problem.empty()) << c.what;
    }
    std::string problem;
    EXPECT_EQ(TrueTypeFont::fromFile("/", problem), nullptr);
    EXPECT_NE(problem.find("folder"), std::string::npos) << problem;

    // Damage further in may leave a font that opens; asking it for glyphs
    // and widths then stays inside its bytes (the sanitizer build watches).
    if (real.empty())
        return;
    std::string tables = real, half = real.substr(0, real.size() / 2);
    tables[4] = '\x0F'; // a directory of 4,000 tables
    tables[5] = '\xA0';
    for (const std::string& damaged : {tables, half}) {
        const auto font = TrueTypeFont::fromBytes(damaged, problem);
        if (!font)
            continue;
        for (char32_t c : {U'A', char32_t(0x141), char32_t(0x416), char32_t(0x10FFFF)})
            EXPECT_GE(font->advance(font->glyph(c)), 0);
    }
}

} // namespace
