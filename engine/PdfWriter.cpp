#include "PdfWriter.h"

#include "FixedNumber.h"
#include "TextEncoding.h"

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
    const short* widths = bold ? helveticaBoldWidths : helveticaWidths;
    double units = 0;
    for (char32_t c : utf8CodePoints(text)) {
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
    content_ += "BT " + std::string(bold ? "/F2 " : "/F1 ") + n(size) + " Tf " + rgb(colour) + " rg " + n(x) + " " +
                n(height - at.y) + " Td " + literal(text) + " Tj ET\n";
}

PdfPage& PdfDocument::addPage()
{
    pages_.push_back(std::make_unique<PdfPage>());
    return *pages_.back();
}

std::string PdfDocument::finish(const std::string& title) const
{
    // Objects: 1 catalogue, 2 page tree, 3 and 4 the fonts, 5 document
    // information, then each page and its content stream.
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        kids += (i ? " " : "") + std::to_string(6 + 2 * i) + " 0 R";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages_.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
    objects.push_back("<< /Title " + literal(title) + " /Producer (Vestrel) >>");
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + n(PdfPage::width) + " " +
                          n(PdfPage::height) + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
                          std::to_string(7 + 2 * i) + " 0 R >>");
        const std::string& content = pages_[i]->content();
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    }

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
