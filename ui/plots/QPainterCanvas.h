#pragma once
// The plots' canvas on a QPainter, for the window. It draws in the
// painter's device pixels, the plot's units times scale, so that the
// thousands of round marks of a large chart are stamped as small images
// drawn once, not each filled as a curve.

#include "PlotCanvas.h"

#include <QImage>

#include <map>
#include <tuple>

class QPainter;

class QPainterCanvas : public PlotCanvas
{
public:
    // painter: untransformed; scale: device pixels per plot unit.
    QPainterCanvas(QPainter& painter, double scale);

    void line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width) override;
    void polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width) override;
    void fillRect(const PlotRect& rect, const Rgb8& colour) override;
    void fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour) override;
    // One polygon, shaft and head: a stroke costs more than the fill.
    void arrow(PlotPoint from, PlotPoint base, PlotPoint to, PlotPoint left, PlotPoint right, const Rgb8& colour,
               double width) override;
    void circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth) override;
    void text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
              bool bold) override;

private:
    QPointF device(PlotPoint p) const { return {p.x * scale_, p.y * scale_}; }
    const QImage& mark(double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth);

    QPainter& painter_;
    double scale_;
    // Round marks by radius, colours and outline, drawn once each.
    std::map<std::tuple<double, unsigned, unsigned, double>, QImage> marks_;
    // Where the last mark was stamped: a mark on the very same pixel (a
    // sorted curve of thousands of patches) adds nothing.
    const QImage* lastMark_ = nullptr;
    QPoint lastAt_;
};
