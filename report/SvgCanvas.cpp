#include "SvgCanvas.h"

#include "FixedNumber.h"
#include "TextEncoding.h"

namespace {

// A tenth of a unit is finer than any screen or print shows.
std::string n(double v)
{
    return fixedNumber(v, 1);
}

std::string hex(const Rgb8& c)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "#";
    for (int v : {c.r, c.g, c.b}) {
        text += digits[(v >> 4) & 0xF];
        text += digits[v & 0xF];
    }
    return text;
}

std::string pointList(const std::vector<PlotPoint>& points)
{
    std::string text;
    for (const PlotPoint& p : points)
        text += (text.empty() ? "" : " ") + n(p.x) + "," + n(p.y);
    return text;
}

} // namespace

SvgCanvas::SvgCanvas(double width, double height)
    : width_(width), height_(height)
{
}

std::string SvgCanvas::finish() const
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n(width_) + "\" height=\"" + n(height_) +
           "\" viewBox=\"0 0 " + n(width_) + " " + n(height_) +
           "\" font-family=\"Helvetica, Arial, sans-serif\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n" +
           body_ + "</svg>\n";
}

void SvgCanvas::line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    body_ += "<line x1=\"" + n(from.x) + "\" y1=\"" + n(from.y) + "\" x2=\"" + n(to.x) + "\" y2=\"" + n(to.y) +
             "\" stroke=\"" + hex(colour) + "\" stroke-width=\"" + fixedNumber(width, 2) + "\"/>\n";
}

void SvgCanvas::polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width)
{
    body_ += "<polyline points=\"" + pointList(points) + "\" fill=\"none\" stroke=\"" + hex(colour) +
             "\" stroke-width=\"" + fixedNumber(width, 2) + "\"/>\n";
}

void SvgCanvas::fillRect(const PlotRect& rect, const Rgb8& colour)
{
    body_ += "<rect x=\"" + n(rect.x) + "\" y=\"" + n(rect.y) + "\" width=\"" + n(rect.width) + "\" height=\"" +
             n(rect.height) + "\" fill=\"" + hex(colour) + "\"/>\n";
}

void SvgCanvas::fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour)
{
    body_ += "<polygon points=\"" + pointList(points) + "\" fill=\"" + hex(colour) + "\"/>\n";
}

void SvgCanvas::circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth)
{
    body_ += "<circle cx=\"" + n(centre.x) + "\" cy=\"" + n(centre.y) + "\" r=\"" + fixedNumber(radius, 2) +
             "\" fill=\"" + hex(fill) + "\"";
    if (outlineWidth > 0)
        body_ += " stroke=\"" + hex(outline) + "\" stroke-width=\"" + fixedNumber(outlineWidth, 2) + "\"";
    body_ += "/>\n";
}

void SvgCanvas::text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
                     bool bold)
{
    body_ += "<text x=\"" + n(at.x) + "\" y=\"" + n(at.y) + "\" font-size=\"" + n(size) + "\" fill=\"" + hex(colour) +
             "\"";
    if (anchor != TextAnchor::Start)
        body_ += anchor == TextAnchor::Middle ? " text-anchor=\"middle\"" : " text-anchor=\"end\"";
    if (bold)
        body_ += " font-weight=\"bold\"";
    body_ += ">" + xmlEscaped(text) + "</text>\n";
}
