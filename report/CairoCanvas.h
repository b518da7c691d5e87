#pragma once
// The plots' canvas on a cairo context, whatever its surface (a PDF page,
// an image, an SVG file), with text set by Pango: fonts found through
// fontconfig, letters of any script from a fallback font when the first
// lacks them, shaping for the scripts that need it. Units are the
// surface's own; text is laid out as on paper (unhinted, unrounded), so
// measured widths hold on every surface.

#include "PlotCanvas.h"

#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

class CairoCanvas : public PlotCanvas
{
public:
    // Draws on cairo, which must outlive the canvas.
    explicit CairoCanvas(cairo_t* cairo);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    // text as it is set: valid UTF-8 (U+FFFD for each byte that is not),
    // on one line, without control characters.
    static std::string settable(const std::string& text);
    // Width of text as text() sets it.
    double textWidth(const std::string& text, double size, bool bold = false);
    // text broken into lines no wider than width: between words, and within
    // a word wider than a line. At least one line, empty for empty text.
    std::vector<std::string> lines(const std::string& text, double size, double width, bool bold = false);

    void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) override;
    void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) override;
    void fillRect(const PlotRect& rect, const Rgb8& colour) override;
    void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) override;
    void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth) override;
    void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour,
              TextAnchor anchor = TextAnchor::Start, bool bold = false) override;

private:
    void setColour(const Rgb8& colour);
    void stroke(const Rgb8& colour, double width);
    // Lays text out in the layout; width < 0: one line.
    void layOut(const std::string& text, double size, bool bold, double width = -1);

    cairo_t* cairo_;
    PangoLayout* layout_;
};
