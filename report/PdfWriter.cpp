#include "PdfWriter.h"

#include "FixedNumber.h"
#include "TextEncoding.h"
#include "TrueTypeFont.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Advance widths in 1/1000 em of the standard fonts' printable ASCII
// characters (32..126), from their published font metrics.
const short helveticaWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
const short helveticaBoldWidths[95] = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667,
    611, 778, 722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 333, 278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556,
    278, 889, 611, 611, 611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};
// Letters beyond ASCII are taken as wide as a digit.
constexpr int otherWidth = 556;
// Four Bezier curves draw a circle with this handle length per radius.
constexpr double circleHandle = 0.5522847498;

// A code point in the fonts' WinAnsi encoding, '?' where it has none.
unsigned char winAnsi(char32_t c)
{
    if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    struct Extra
    {
        char32_t point;
        unsigned char code;
    };
    static const Extra extras[] = {{0x20AC, 0x80}, {0x2026, 0x85}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93},
                                   {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97}};
    for (const Extra& e : extras)
        if (e.point == c)
            return e.code;
    return '?';
}

bool inWinAnsi(char32_t c)
{
    return c == '?' || winAnsi(c) != '?';
}

struct EmbeddedFont
{
    std::unique_ptr<TrueTypeFont> font;
    std::string name; // PostScript-style, for BaseFont
};

// The system font for letters beyond WinAnsi, looked up once; no font
// when none of the candidates can be read.
const EmbeddedFont& embeddedFont(bool bold)
{
    static const std::array<EmbeddedFont, 2> fonts = [] {
        static const char* const candidates[2][3] = {
            {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
             "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
             "/usr/share/fonts/truetype/freefont/FreeSans.ttf"},
            {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
             "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
             "/usr/share/fonts/truetype/freefont/FreeSansBold.ttf"}};
        EmbeddedFont found[2];
        for (int weight = 0; weight < 2; ++weight)
            for (const char* path : candidates[weight]) {
                std::string problem;
                found[weight].font = TrueTypeFont::fromFile(path, problem);
                if (!found[weight].font)
                    continue;
                const std::string file = path;
                const std::size_t slash = file.rfind('/'), dot = file.rfind('.');
                found[weight].name = file.substr(slash + 1, dot - slash - 1);
                break;
            }
        return std::array<EmbeddedFont, 2>{std::move(found[0]), std::move(found[1])};
    }();
    return fonts[bold ? 1 : 0];
}

// Which embedded font sets text, 0 regular or 1 bold, or -1 for Helvetica:
// only where WinAnsi lacks a letter and a font is there to show it. Bold
// text falls back to the regular font when there is no bold one.
int embeddedFor(const std::vector<char32_t>& points, bool bold)
{
    if (std::all_of(points.begin(), points.end(), inWinAnsi))
        return -1;
    if (bold && embeddedFont(true).font)
        return 1;
    return embeddedFont(false).font ? 0 : -1;
}

uint16_t glyphOf(const TrueTypeFont& font, char32_t c)
{
    const uint16_t g = font.glyph(c);
    return g != 0 ? g : font.glyph('?');
}

// A PDF string literal; bytes outside ASCII as octal escapes.
std::string literal(const std::string& utf8)
{
    std::string text = "(";
    for (char32_t c : utf8CodePoints(utf8)) {
        const unsigned char code = winAnsi(c);
        if (code == '(' || code == ')' || code == '\\') {
            text += '\\';
            text += static_cast<char>(code);
        } else if (code >= 0x80) {
            const char octal[] = {'\\', static_cast<char>('0' + (code >> 6)), static_cast<char>('0' + ((code >> 3) & 7)),
                                  static_cast<char>('0' + (code & 7)), 0};
            text += octal;
        } else {
            text += static_cast<char>(code);
        }
    }
    return text + ")";
}

// The UTF-16 code units of c in hex: one, or a surrogate pair.
std::string utf16Hex(char32_t c)
{
    char units[9];
    if (c > 0xFFFF) {
        c -= 0x10000;
        std::snprintf(units, sizeof units, "%04X%04X", unsigned(0xD800 + ((c >> 10) & 0x3FF)),
                      unsigned(0xDC00 + (c & 0x3FF)));
    } else {
        std::snprintf(units, sizeof units, "%04X", unsigned(c));
    }
    return units;
}

// A text string for the document information: WinAnsi where it suffices,
// else UTF-16 with its byte order mark, in hex.
std::string informationText(const std::string& utf8)
{
    const std::vector<char32_t> points = utf8CodePoints(utf8);
    if (std::all_of(points.begin(), points.end(), inWinAnsi))
        return literal(utf8);
    std::string text = "<FEFF";
    for (char32_t c : points)
        text += utf16Hex(c);
    return text + ">";
}

std::string n(double v)
{
    return fixedNumber(v, 2);
}

std::string rgb(const Rgb8& c)
{
    return fixedNumber(c.r / 255.0, 3) + " " + fixedNumber(c.g / 255.0, 3) + " " + fixedNumber(c.b / 255.0, 3);
}

} // namespace

PdfPage::PdfPage()
    : content_("1 J 1 j\n")
{
}

double PdfPage::textWidth(const std::string& text, double size, bool bold)
{
    const std::vector<char32_t> points = utf8CodePoints(text);
    double units = 0;
    const int embedded = embeddedFor(points, bold);
    if (embedded >= 0) {
        const TrueTypeFont& font = *embeddedFont(embedded == 1).font;
        for (char32_t c : points)
            units += font.advance(glyphOf(font, c));
        return units * size / 1000.0;
    }
    const short* widths = bold ? helveticaBoldWidths : helveticaWidths;
    for (char32_t c : points) {
        const unsigned char code = winAnsi(c);
        units += code >= 0x20 && code < 0x7F ? widths[code - 0x20] : otherWidth;
    }
    return units * size / 1000.0;
}

void PdfPage::moveTo(PlotPoint p)
{
    content_ += n(p.x) + " " + n(height - p.y) + " m\n";
}

void PdfPage::lineTo(PlotPoint p)
{
    content_ += n(p.x) + " " + n(height - p.y) + " l\n";
}

void PdfPage::line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    content_ += rgb(colour) + " RG " + n(width) + " w\n";
    moveTo(from);
    lineTo(to);
    content_ += "S\n";
}

void PdfPage::polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width)
{
    if (points.empty())
        return;
    content_ += rgb(colour) + " RG " + n(width) + " w\n";
    moveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i)
        lineTo(points[i]);
    content_ += "S\n";
}

void PdfPage::fillRect(const PlotRect& rect, const Rgb8& colour)
{
    content_ += rgb(colour) + " rg " + n(rect.x) + " " + n(height - rect.bottom()) + " " + n(rect.width) + " " +
                n(rect.height) + " re f\n";
}

void PdfPage::fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour)
{
    if (points.empty())
        return;
    content_ += rgb(colour) + " rg\n";
    moveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i)
        lineTo(points[i]);
    content_ += "h f\n";
}

void PdfPage::circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth)
{
    const double x = centre.x, y = height - centre.y, r = radius, k = radius * circleHandle;
    content_ += rgb(fill) + " rg\n";
    if (outlineWidth > 0)
        content_ += rgb(outline) + " RG " + n(outlineWidth) + " w\n";
    content_ += n(x + r) + " " + n(y) + " m\n";
    content_ += n(x + r) + " " + n(y + k) + " " + n(x + k) + " " + n(y + r) + " " + n(x) + " " + n(y + r) + " c\n";
    content_ += n(x - k) + " " + n(y + r) + " " + n(x - r) + " " + n(y + k) + " " + n(x - r) + " " + n(y) + " c\n";
    content_ += n(x - r) + " " + n(y - k) + " " + n(x - k) + " " + n(y - r) + " " + n(x) + " " + n(y - r) + " c\n";
    content_ += n(x + k) + " " + n(y - r) + " " + n(x + r) + " " + n(y - k) + " " + n(x + r) + " " + n(y) + " c\n";
    content_ += outlineWidth > 0 ? "b\n" : "f\n";
}

void PdfPage::text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
                   bool bold)
{
    double x = at.x;
    if (anchor != TextAnchor::Start)
        x -= textWidth(text, size, bold) * (anchor == TextAnchor::Middle ? 0.5 : 1.0);
    const std::vector<char32_t> points = utf8CodePoints(text);
    std::string font = bold ? "/F2 " : "/F1 ", shown;
    const int embedded = embeddedFor(points, bold);
    if (embedded >= 0) {
        // Two bytes per glyph (Identity-H), in hex.
        const TrueTypeFont& face = *embeddedFont(embedded == 1).font;
        font = embedded == 1 ? "/F4 " : "/F3 ";
        shown = "<";
        for (char32_t c : points) {
            const uint16_t g = glyphOf(face, c);
            glyphs_[embedded].emplace(g, face.glyph(c) != 0 ? c : U'?');
            char hex[5];
            std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(g));
            shown += hex;
        }
        shown += ">";
    } else {
        shown = literal(text);
    }
    content_ += "BT " + font + n(size) + " Tf " + rgb(colour) + " rg " + n(x) + " " + n(height - at.y) + " Td " +
                shown + " Tj ET\n";
}

PdfPage& PdfDocument::addPage()
{
    pages_.push_back(std::make_unique<PdfPage>());
    return *pages_.back();
}

namespace {

// The five objects of an embedded font, numbered from first: the Type 0
// font, its CID font, the descriptor, the font file and the map back to
// Unicode for copying and searching.
std::vector<std::string> fontObjects(const EmbeddedFont& embedded, const std::map<uint16_t, char32_t>& glyphs,
                                     std::size_t first)
{
    const TrueTypeFont& font = *embedded.font;
    auto ref = [first](std::size_t k) { return std::to_string(first + k) + " 0 R"; };
    std::string widths;
    for (const auto& [glyph, point] : glyphs)
        widths += std::to_string(glyph) + " [" + std::to_string(font.advance(glyph)) + "] ";
    const int* box = font.boundingBox();
    std::string unicode = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                          "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                          "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                          "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<uint16_t, char32_t>> pairs(glyphs.begin(), glyphs.end());
    // At most 100 entries per block.
    for (std::size_t k = 0; k < pairs.size(); k += 100) {
        const std::size_t count = std::min<std::size_t>(100, pairs.size() - k);
        unicode += std::to_string(count) + " beginbfchar\n";
        for (std::size_t j = k; j < k + count; ++j)
            unicode += "<" + utf16Hex(pairs[j].first) + "> <" + utf16Hex(pairs[j].second) + ">\n";
        unicode += "endbfchar\n";
    }
    unicode += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    const std::string& file = font.bytes();
    return {
        "<< /Type /Font /Subtype /Type0 /BaseFont /" + embedded.name + " /Encoding /Identity-H /DescendantFonts [" +
            ref(1) + "] /ToUnicode " + ref(4) + " >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + embedded.name +
            " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " + ref(2) +
            " /CIDToGIDMap /Identity /W [" + widths + "] >>",
        "<< /Type /FontDescriptor /FontName /" + embedded.name + " /Flags 32 /FontBBox [" + std::to_string(box[0]) +
            " " + std::to_string(box[1]) + " " + std::to_string(box[2]) + " " + std::to_string(box[3]) +
            "] /ItalicAngle 0 /Ascent " + std::to_string(font.ascent()) + " /Descent " +
            std::to_string(font.descent()) + " /CapHeight " + std::to_string(font.ascent()) +
            " /StemV 80 /FontFile2 " + ref(3) + " >>",
        "<< /Length " + std::to_string(file.size()) + " /Length1 " + std::to_string(file.size()) + " >>\nstream\n" +
            file + "\nendstream",
        "<< /Length " + std::to_string(unicode.size()) + " >>\nstream\n" + unicode + "endstream",
    };
}

} // namespace

std::string PdfDocument::finish(const std::string& title) const
{
    // Objects: 1 catalogue, 2 page tree, 3 and 4 the standard fonts, 5
    // document information, then each page and its content stream, then
    // the embedded fonts that any page used.
    std::map<uint16_t, char32_t> glyphs[2];
    for (const auto& page : pages_)
        for (int weight = 0; weight < 2; ++weight)
            glyphs[weight].insert(page->embeddedGlyphs(weight == 1).begin(), page->embeddedGlyphs(weight == 1).end());
    std::string embeddedFonts;
    std::size_t next = 6 + 2 * pages_.size();
    std::vector<std::string> fontParts;
    for (int weight = 0; weight < 2; ++weight) {
        if (glyphs[weight].empty())
            continue;
        embeddedFonts += (weight ? " /F4 " : " /F3 ") + std::to_string(next) + " 0 R";
        for (std::string& object : fontObjects(embeddedFont(weight == 1), glyphs[weight], next))
            fontParts.push_back(std::move(object));
        next += 5;
    }

    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        kids += (i ? " " : "") + std::to_string(6 + 2 * i) + " 0 R";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages_.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
    objects.push_back("<< /Title " + informationText(title) + " /Producer (Vestrel) >>");
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + n(PdfPage::width) + " " +
                          n(PdfPage::height) + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R" + embeddedFonts +
                          " >> >> /Contents " + std::to_string(7 + 2 * i) + " 0 R >>");
        const std::string& content = pages_[i]->content();
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    }
    objects.insert(objects.end(), fontParts.begin(), fontParts.end());
    // The comment's high bytes tell transfer programs the file is binary.
    std::string file = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(file.size());
        file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = file.size();
    file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        file += entry;
    }
    file += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" +
            std::to_string(xref) + "\n%%EOF\n";
    return file;
}
