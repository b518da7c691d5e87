#pragma once
// The few drawing calls the plots need, so that one drawing code serves
// the window (QPainter), the HTML report (SVG) and the PDF report. Units
// are the canvas's own (pixels, points); y grows downwards. Colours are
// opaque: the plots mix their own lighter shades against the white ground.

#include "ColorDifference.h"

#include <string>
#include <vector>

struct PlotPoint
{
    double x, y;
};

struct PlotRect
{
    double x, y, width, height;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
};

// Where a text stands relative to its point; the point is on the baseline.
enum class TextAnchor { Start, Middle, End };

class PlotCanvas
{
public:
    virtual ~PlotCanvas() = default;

    virtual void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) = 0;
    virtual void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) = 0;
    virtual void fillRect(const PlotRect& rect, const Rgb8& colour) = 0;
    virtual void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) = 0;
    // A filled circle; an outline of width outlineWidth when that is above 0.
    virtual void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline,
                        double outlineWidth) = 0;
    // An arrow's shaft of width from from to base and its head, the
    // triangle to, left, right. As a line and a triangle unless a canvas
    // has a faster way.
    virtual void arrow(PlotPoint from, PlotPoint base, PlotPoint to, PlotPoint left, PlotPoint right,
                       const Rgb8& colour, double width)
    {
        line(from, base, colour, width);
        fillPolygon({to, left, right}, colour);
    }
    // UTF-8 text of the given size (the em height), in a plain sans-serif.
    virtual void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour,
                      TextAnchor anchor = TextAnchor::Start, bool bold = false) = 0;
};
