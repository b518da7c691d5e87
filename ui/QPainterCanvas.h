#pragma once
// The plots' canvas on a QPainter, for the window.

#include "PlotCanvas.h"

class QPainter;

class QPainterCanvas : public PlotCanvas
{
public:
    explicit QPainterCanvas(QPainter& painter);

    void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) override;
    void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) override;
    void fillRect(const PlotRect& rect, const Rgb8& colour) override;
    void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) override;
    void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth) override;
    void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
              bool bold) override;

private:
    QPainter& painter_;
};
