#pragma once
// Plots as an SVG element, for inline use in an XHTML report: plain text,
// nothing outside itself referenced.

#include "PlotCanvas.h"

#include <string>

class SvgCanvas : public PlotCanvas
{
public:
    SvgCanvas(double width, double height);

    // The complete <svg> element.
    std::string finish() const;

    void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) override;
    void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) override;
    void fillRect(const PlotRect& rect, const Rgb8& colour) override;
    void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) override;
    void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth) override;
    void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
              bool bold) override;

private:
    double width_, height_;
    std::string body_;
};
