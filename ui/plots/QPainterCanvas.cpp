#include "QPainterCanvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace {

QColor toQColor(const Rgb8& c)
{
    return QColor(c.r, c.g, c.b);
}

unsigned packed(const Rgb8& c)
{
    return static_cast<unsigned>(c.r) << 16 | static_cast<unsigned>(c.g) << 8 | static_cast<unsigned>(c.b);
}

// Flat ends: round ones cost a curve at each end of every short arrow and
// are not to be seen at these widths.
QPen pen(const Rgb8& colour, double width)
{
    return QPen(toQColor(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
}

} // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter, double scale)
    : painter_(painter), scale_(scale)
{
    painter_.setRenderHint(QPainter::Antialiasing);
}

void QPainterCanvas::line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    painter_.setPen(pen(colour, width * scale_));
    painter_.drawLine(device(from), device(to));
    lastMark_ = nullptr;
}

void QPainterCanvas::polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width)
{
    // A curve of thousands of patches has many points to each pixel; half
    // a pixel is as fine as a line of this width shows.
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& p : points) {
        const QPointF at = device(p);
        if (!polygon.isEmpty() && std::abs(at.x() - polygon.last().x()) < 0.5 &&
            std::abs(at.y() - polygon.last().y()) < 0.5 && &p != &points.back())
            continue;
        polygon << at;
    }
    QPen stroke = pen(colour, width * scale_);
    stroke.setCapStyle(Qt::RoundCap);
    painter_.setPen(stroke);
    painter_.drawPolyline(polygon);
    lastMark_ = nullptr;
}

void QPainterCanvas::fillRect(const PlotRect& rect, const Rgb8& colour)
{
    painter_.fillRect(QRectF(rect.x * scale_, rect.y * scale_, rect.width * scale_, rect.height * scale_),
                      toQColor(colour));
    lastMark_ = nullptr;
}

void QPainterCanvas::fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& p : points)
        polygon << device(p);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(toQColor(colour));
    painter_.drawPolygon(polygon);
    lastMark_ = nullptr;
}

void QPainterCanvas::arrow(PlotPoint from, PlotPoint base, PlotPoint to, PlotPoint left, PlotPoint right,
                           const Rgb8& colour, double width)
{
    const double dx = base.x - from.x, dy = base.y - from.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0)) {
        PlotCanvas::arrow(from, base, to, left, right, colour, width);
        return;
    }
    // Half the shaft's width across it, on the side of left.
    const double nx = -dy / length * width / 2, ny = dx / length * width / 2;
    const QPointF shape[7] = {device({from.x + nx, from.y + ny}), device({base.x + nx, base.y + ny}), device(left),
                              device(to),                        device(right),
                              device({base.x - nx, base.y - ny}), device({from.x - nx, from.y - ny})};
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(toQColor(colour));
    painter_.drawPolygon(shape, 7);
    lastMark_ = nullptr;
}

const QImage& QPainterCanvas::mark(double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth)
{
    const auto key = std::make_tuple(radius, packed(fill), outlineWidth > 0 ? packed(outline) : 0u, outlineWidth);
    auto found = marks_.find(key);
    if (found != marks_.end())
        return found->second;
    // Its centre is that of the image's middle pixel.
    const double r = radius * scale_, w = std::max(0.0, outlineWidth) * scale_;
    const int half = static_cast<int>(std::ceil(r + w / 2 + 1));
    QImage image(2 * half + 1, 2 * half + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(outlineWidth > 0 ? QPen(toQColor(outline), w) : QPen(Qt::NoPen));
    painter.setBrush(toQColor(fill));
    painter.drawEllipse(QPointF(half + 0.5, half + 0.5), r, r);
    painter.end();
    return marks_.emplace(key, std::move(image)).first->second;
}

void QPainterCanvas::circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline,
                            double outlineWidth)
{
    const QImage& image = mark(radius, fill, outline, outlineWidth);
    const QPointF at = device(centre);
    const int half = image.width() / 2;
    const QPoint corner(static_cast<int>(std::floor(at.x())) - half, static_cast<int>(std::floor(at.y())) - half);
    if (lastMark_ == &image && corner == lastAt_)
        return;
    painter_.drawImage(corner, image);
    lastMark_ = &image;
    lastAt_ = corner;
}

void QPainterCanvas::text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
                          bool bold)
{
    QFont font = painter_.font();
    font.setPixelSize(std::max(1, qRound(size * scale_)));
    font.setBold(bold);
    painter_.setFont(font);
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QPointF position = device(at);
    if (anchor != TextAnchor::Start)
        position.rx() -= QFontMetricsF(font).horizontalAdvance(s) * (anchor == TextAnchor::Middle ? 0.5 : 1.0);
    painter_.setPen(toQColor(colour));
    painter_.drawText(position, s);
    lastMark_ = nullptr;
}
