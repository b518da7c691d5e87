#include "PlotsWidget.h"

#include "QPainterCanvas.h"

#include <QPainter>

namespace {

// The plots are laid out in units this many pixels large, so that their
// type reads as well on screen as on paper.
constexpr double zoom = 1.25;
constexpr double gap = 6;

} // namespace

PlotsWidget::PlotsWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotsWidget::setPlotData(PlotData data)
{
    data_ = std::move(data);
    update();
}

QSize PlotsWidget::sizeHint() const
{
    return {520, 640};
}

QSize PlotsWidget::minimumSizeHint() const
{
    return {320, 320};
}

void PlotsWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.scale(zoom, zoom);
    QPainterCanvas canvas(painter);
    const double w = width() / zoom, h = height() / zoom;
    if (w >= 2.2 * h) {
        // Wide: three in a row, the plane square at the end.
        const double chart = (w - h - 2 * gap) / 2;
        drawHistogram(canvas, {0, 0, chart, h}, data_);
        drawSortedDeltaE(canvas, {chart + gap, 0, chart, h}, data_);
        drawAbPlane(canvas, {2 * (chart + gap), 0, w - 2 * (chart + gap), h}, data_);
    } else if (h >= 1.3 * w) {
        // Tall: one below the other, the plane as wide as the dock.
        const double chart = std::max(120.0, (h - w - 2 * gap) / 2);
        drawHistogram(canvas, {0, 0, w, chart}, data_);
        drawSortedDeltaE(canvas, {0, chart + gap, w, chart}, data_);
        drawAbPlane(canvas, {0, 2 * (chart + gap), w, h - 2 * (chart + gap)}, data_);
    } else {
        // Square-ish: the two charts on the left, the plane on the right.
        const double left = w * 0.5;
        drawHistogram(canvas, {0, 0, left, (h - gap) / 2}, data_);
        drawSortedDeltaE(canvas, {0, (h + gap) / 2, left, (h - gap) / 2}, data_);
        drawAbPlane(canvas, {left + gap, 0, w - left - gap, h}, data_);
    }
}
