#include "PlotsWidget.h"

#include "QPainterCanvas.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

std::string translated(const char* english)
{
    return QCoreApplication::translate("PlotsWidget", english).toStdString();
}

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

PlotWords windowPlotWords()
{
    PlotWords words;
    words.histogram = translated(QT_TRANSLATE_NOOP("PlotsWidget", "%1 histogram"));
    words.sorted = translated(QT_TRANSLATE_NOOP("PlotsWidget", "%1 per patch, sorted"));
    words.plane = translated(QT_TRANSLATE_NOOP("PlotsWidget", "a*b*, reference to measured"));
    words.planeMagnified = translated(QT_TRANSLATE_NOOP("PlotsWidget", "a*b*, reference to measured (x%1)"));
    words.nothingToShow = translated(QT_TRANSLATE_NOOP("PlotsWidget", "No patch with reference and measured values"));
    words.patchCount = translated(QT_TRANSLATE_NOOP("PlotsWidget", "patches"));
    words.patchShare = translated(QT_TRANSLATE_NOOP("PlotsWidget", "share of the patches, %"));
    words.before = translated(QT_TRANSLATE_NOOP("PlotsWidget", "before"));
    words.after = translated(QT_TRANSLATE_NOOP("PlotsWidget", "after"));
    words.selected = translated(QT_TRANSLATE_NOOP("PlotsWidget", "selected"));
    words.predicted = translated(QT_TRANSLATE_NOOP("PlotsWidget", "black: predicted after correction"));
    words.maximumLimit = translated(QT_TRANSLATE_NOOP("PlotsWidget", "maximum limit %1"));
    return words;
}

void PlotsWidget::setPlotData(PlotData data)
{
    data_ = std::move(data);
    data_.words = windowPlotWords();
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
