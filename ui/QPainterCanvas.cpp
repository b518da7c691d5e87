#include "QPainterCanvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

namespace {

QColor toQColor(const Rgb8& c)
{
    return QColor(c.r, c.g, c.b);
}

QPointF toPoint(PlotPoint p)
{
    return {p.x, p.y};
}

QPolygonF toPolygon(const std::vector<PlotPoint>& points)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& p : points)
        polygon << toPoint(p);
    return polygon;
}

QPen pen(const Rgb8& colour, double width)
{
    return QPen(toQColor(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter)
    : painter_(painter)
{
    painter_.setRenderHint(QPainter::Antialiasing);
}

void QPainterCanvas::line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    painter_.setPen(pen(colour, width));
    painter_.drawLine(toPoint(from), toPoint(to));
}

void QPainterCanvas::polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width)
{
    painter_.setPen(pen(colour, width));
    painter_.drawPolyline(toPolygon(points));
}

void QPainterCanvas::fillRect(const PlotRect& rect, const Rgb8& colour)
{
    painter_.fillRect(QRectF(rect.x, rect.y, rect.width, rect.height), toQColor(colour));
}

void QPainterCanvas::fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour)
{
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(toQColor(colour));
    painter_.drawPolygon(toPolygon(points));
}

void QPainterCanvas::circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline,
                            double outlineWidth)
{
    painter_.setPen(outlineWidth > 0 ? pen(outline, outlineWidth) : QPen(Qt::NoPen));
    painter_.setBrush(toQColor(fill));
    painter_.drawEllipse(toPoint(centre), radius, radius);
}

void QPainterCanvas::text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
                          bool bold)
{
    QFont font = painter_.font();
    font.setPixelSize(std::max(1, qRound(size)));
    font.setBold(bold);
    painter_.setFont(font);
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    double x = at.x;
    if (anchor != TextAnchor::Start)
        x -= QFontMetricsF(font).horizontalAdvance(s) * (anchor == TextAnchor::Middle ? 0.5 : 1.0);
    painter_.setPen(toQColor(colour));
    painter_.drawText(QPointF(x, at.y), s);
}
