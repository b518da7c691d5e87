#include "TrueTypeFont.h"

#include "WholeFile.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_FONT_FORMATS_H

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <type_traits>

namespace {

// Larger than any font a report would use; keeps a wrong file from being read whole.
constexpr std::uintmax_t maxFontBytes = 32u << 20;

// FreeType is opened when the first font is read, not linked: only a PDF
// report with letters beyond the standard fonts needs it, and every other
// run of vestrel-cli starts faster without it and its own libraries.
struct FreeTypeCalls
{
    decltype(&::FT_Init_FreeType) init = nullptr;
    decltype(&::FT_Done_FreeType) done = nullptr;
    decltype(&::FT_New_Memory_Face) newFace = nullptr;
    decltype(&::FT_Done_Face) doneFace = nullptr;
    decltype(&::FT_Get_Font_Format) format = nullptr;
    decltype(&::FT_Select_Charmap) selectCharmap = nullptr;
    decltype(&::FT_Get_Char_Index) charIndex = nullptr;
    decltype(&::FT_Get_Advance) advance = nullptr;
};

// The calls, or nullptr when the library is not installed.
const FreeTypeCalls* freeType()
{
    static const FreeTypeCalls* calls = []() -> const FreeTypeCalls* {
        void* library = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static FreeTypeCalls found;
        bool complete = true;
        auto bind = [&](auto& call, const char* name) {
            call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(dlsym(library, name));
            complete = complete && call;
        };
        bind(found.init, "FT_Init_FreeType");
        bind(found.done, "FT_Done_FreeType");
        bind(found.newFace, "FT_New_Memory_Face");
        bind(found.doneFace, "FT_Done_Face");
        bind(found.format, "FT_Get_Font_Format");
        bind(found.selectCharmap, "FT_Select_Charmap");
        bind(found.charIndex, "FT_Get_Char_Index");
        bind(found.advance, "FT_Get_Advance");
        return complete ? &found : nullptr;
    }();
    return calls;
}

} // namespace

struct TrueTypeFont::FreeType
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeType()
    {
        if (face)
            freeType()->doneFace(face);
        if (library)
            freeType()->done(library);
    }
};

TrueTypeFont::TrueTypeFont()
    : freeType_(std::make_unique<FreeType>())
{
}

TrueTypeFont::~TrueTypeFont() = default;

std::unique_ptr<TrueTypeFont> TrueTypeFont::fromFile(const std::string& path, std::string& problem)
{
    std::string bytes;
    if (!readWholeFile(path, maxFontBytes, "font", bytes, problem))
        return nullptr;
    std::unique_ptr<TrueTypeFont> font = fromBytes(std::move(bytes), problem);
    if (!font)
        problem = path + ": " + problem;
    return font;
}

std::unique_ptr<TrueTypeFont> TrueTypeFont::fromBytes(std::string bytes, std::string& problem)
{
    const FreeTypeCalls* calls = freeType();
    if (!calls) {
        problem = "FreeType (libfreetype.so.6) is not installed";
        return nullptr;
    }
    std::unique_ptr<TrueTypeFont> font(new TrueTypeFont);
    font->bytes_ = std::move(bytes);
    FreeType& ft = *font->freeType_;
    if (calls->init(&ft.library) != 0) {
        problem = "the font library cannot start";
        return nullptr;
    }
    if (font->bytes_.empty() ||
        calls->newFace(ft.library, reinterpret_cast<const FT_Byte*>(font->bytes_.data()),
                           static_cast<FT_Long>(font->bytes_.size()), 0, &ft.face) != 0) {
        problem = "not a font FreeType can read";
        return nullptr;
    }
    const char* format = calls->format(ft.face);
    if (!format || std::strcmp(format, "TrueType") != 0) {
        problem = "not a TrueType font (PDF embeds TrueType outlines only)";
        return nullptr;
    }
    if (calls->selectCharmap(ft.face, FT_ENCODING_UNICODE) != 0) {
        problem = "it has no Unicode character map";
        return nullptr;
    }
    const FT_Face face = ft.face;
    if (face->units_per_EM < 16 || face->num_glyphs < 1) {
        problem = "its units per em or glyph count are implausible";
        return nullptr;
    }
    auto perMille = [face](long units) { return int(std::lround(units * 1000.0 / face->units_per_EM)); };
    font->ascent_ = perMille(face->ascender);
    font->descent_ = perMille(face->descender);
    const long box[4] = {face->bbox.xMin, face->bbox.yMin, face->bbox.xMax, face->bbox.yMax};
    for (int k = 0; k < 4; ++k)
        font->box_[k] = perMille(box[k]);
    return font;
}

uint16_t TrueTypeFont::glyph(char32_t c) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const FT_UInt g = freeType()->charIndex(freeType_->face, c);
    // Identity-H codes are two bytes: a glyph beyond them cannot be shown.
    return g < 0x10000 && FT_Long(g) < freeType_->face->num_glyphs ? static_cast<uint16_t>(g) : 0;
}

int TrueTypeFont::advance(uint16_t glyph) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const FT_Face face = freeType_->face;
    FT_Fixed units = 0;
    if (FT_Long(glyph) >= face->num_glyphs || freeType()->advance(face, glyph, FT_LOAD_NO_SCALE, &units) != 0)
        return 0;
    return int(std::lround(units * 1000.0 / face->units_per_EM));
}
