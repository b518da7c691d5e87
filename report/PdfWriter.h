#pragma once
// A small PDF writer for reports: A4 pages of vector paths and text in
// the standard Helvetica fonts (which every reader has, so nothing is
// embedded), written uncompressed. Text with letters those fonts lack
// (Polish, Greek, Cyrillic names...) is set in a TrueType font of the
// system, DejaVu Sans or Liberation Sans, embedded only when used; without
// one such letters show as '?'. Plain C++, so that vestrel-cli writes the
// same PDF as the window.

#include "PlotCanvas.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One page; drawn on like any canvas, in points from its upper left corner.
class PdfPage : public PlotCanvas
{
public:
    // A4 in points.
    static constexpr double width = 595.28;
    static constexpr double height = 841.89;

    PdfPage();

    // Width of UTF-8 text at size, as text() sets it.
    static double textWidth(const std::string& text, double size, bool bold = false);
    const std::string& content() const { return content_; }
    // The glyphs set in the embedded fonts (regular, bold), with the
    // character each stands for.
    const std::map<uint16_t, char32_t>& embeddedGlyphs(bool bold) const { return glyphs_[bold ? 1 : 0]; }

    void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) override;
    void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) override;
    void fillRect(const PlotRect& rect, const Rgb8& colour) override;
    void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) override;
    void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth) override;
    void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour,
              TextAnchor anchor = TextAnchor::Start, bool bold = false) override;

private:
    void moveTo(PlotPoint p);
    void lineTo(PlotPoint p);

    std::string content_;
    std::map<uint16_t, char32_t> glyphs_[2];
};

class PdfDocument
{
public:
    PdfPage& addPage();
    std::size_t pageCount() const { return pages_.size(); }
    PdfPage& page(std::size_t index) { return *pages_[index]; }

    // The whole file; title goes into the document information.
    std::string finish(const std::string& title) const;

private:
    std::vector<std::unique_ptr<PdfPage>> pages_;
};
