#include "PlotsWidget.h"

#include "QPainterCanvas.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

std::string translated(const char* english)
{
    return QCoreApplication::translate("PlotsWidget", english).toStdString();
}

// The plots are laid out in units this many pixels large, so that their
// type reads as well on screen as on paper.
constexpr double zoom = 1.25;
constexpr double gap = 6;
// Milliseconds without a new drawing before layers not shown yet are drawn.
constexpr int idlePause = 150;

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

namespace {

// Whether the plane's marks of a and b are the same, whatever their
// selection.
bool sameMarks(const PlotData& a, const PlotData& b)
{
    if (a.patches.size() != b.patches.size() || a.anyResult != b.anyResult)
        return false;
    auto same = [](const Lab& x, const Lab& y) { return x.L == y.L && x.a == y.a && x.b == y.b; };
    for (std::size_t i = 0; i < a.patches.size(); ++i) {
        const PlotPatch& p = a.patches[i];
        const PlotPatch& q = b.patches[i];
        if (p.hasResult != q.hasResult || !same(p.reference, q.reference) || !same(p.measured, q.measured) ||
            (p.hasResult && !same(p.predicted, q.predicted)))
            return false;
    }
    return true;
}

} // namespace

void PlotsWidget::setPlotData(PlotData data)
{
    if (!sameMarks(data, data_))
        layers_.clear();
    data_ = std::move(data);
    data_.words = windowPlotWords();
    stale_ = true;
    if (!frozen_)
        update();
}

void PlotsWidget::setFrozen(bool frozen)
{
    frozen_ = frozen;
    if (!frozen && stale_)
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
    if (frozen_ && !image_.isNull())
        painter.drawImage(QPointF(0, 0), image_);
    else
        painter.drawImage(QPointF(0, 0), image());
}

const QImage& PlotsWidget::image()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (image_.size() != pixels || image_.devicePixelRatio() != ratio) {
        layers_.clear();
        stale_ = true;
    }
    if (stale_)
        render();
    return image_;
}

PlotsWidget::Areas PlotsWidget::areas() const
{
    const double w = width() / zoom, h = height() / zoom;
    if (w >= 2.2 * h) {
        // Wide: three in a row, the plane square at the end.
        const double chart = (w - h - 2 * gap) / 2;
        return {{0, 0, chart, h}, {chart + gap, 0, chart, h}, {2 * (chart + gap), 0, w - 2 * (chart + gap), h}};
    }
    if (h >= 1.3 * w) {
        // Tall: one below the other, the plane as wide as the dock.
        const double chart = std::max(120.0, (h - w - 2 * gap) / 2);
        return {{0, 0, w, chart}, {0, chart + gap, w, chart}, {0, 2 * (chart + gap), w, h - 2 * (chart + gap)}};
    }
    // Square-ish: the two charts on the left, the plane on the right.
    const double left = w * 0.5;
    return {{0, 0, left, (h - gap) / 2}, {0, (h + gap) / 2, left, (h - gap) / 2}, {left + gap, 0, w - left - gap, h}};
}

QPoint PlotsWidget::layerOrigin() const
{
    const double scale = zoom * devicePixelRatioF();
    const PlotRect area = areas().plane;
    return {static_cast<int>(std::floor(area.x * scale)), static_cast<int>(std::floor(area.y * scale))};
}

void PlotsWidget::render()
{
    const qreal ratio = devicePixelRatioF();
    image_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::white);
    stale_ = false;
    const Areas at = areas();
    const AbPlane plane = abPlaneOf(at.plane, data_);
    {
        // Drawn in the image's own pixels, told its ratio after.
        QPainter painter(&image_);
        QPainterCanvas canvas(painter, zoom * ratio);
        drawHistogram(canvas, at.histogram, data_);
        drawSortedDeltaE(canvas, at.sorted, data_);
        drawAbPlaneFrame(canvas, plane, data_);
        if (!data_.patches.empty()) {
            const bool all = std::all_of(data_.patches.begin(), data_.patches.end(),
                                         [](const PlotPatch& p) { return p.selected; });
            const PlaneMarks marks = !data_.anySelected ? PlaneMarks::AllPlain
                                     : all              ? PlaneMarks::AllSelected
                                                        : PlaneMarks::AllFaint;
            painter.drawImage(layerOrigin(), layer(marks));
            if (marks == PlaneMarks::AllFaint)
                drawAbPlaneMarks(canvas, plane, data_, PlaneMarks::SelectedOnly);
            drawAbPlaneKey(canvas, plane, data_);
        }
    }
    image_.setDevicePixelRatio(ratio);
    drawLayersWhenIdle();
}

QImage PlotsWidget::drawnAtOnce() const
{
    const qreal ratio = devicePixelRatioF();
    QImage image((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, zoom * ratio);
        const Areas at = areas();
        drawHistogram(canvas, at.histogram, data_);
        drawSortedDeltaE(canvas, at.sorted, data_);
        drawAbPlane(canvas, at.plane, data_);
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

const QImage& PlotsWidget::layer(PlaneMarks marks)
{
    auto found = layers_.find(marks);
    if (found != layers_.end())
        return found->second;
    const double scale = zoom * devicePixelRatioF();
    const PlotRect area = areas().plane;
    const QPoint origin = layerOrigin();
    QImage image(static_cast<int>(std::ceil(area.right() * scale)) - origin.x() + 1,
                 static_cast<int>(std::ceil(area.bottom() * scale)) - origin.y() + 1,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.translate(-origin);
        QPainterCanvas canvas(painter, scale);
        drawAbPlaneMarks(canvas, abPlaneOf(area, data_), data_, marks);
    }
    return layers_.emplace(marks, std::move(image)).first->second;
}

void PlotsWidget::drawLayersWhenIdle()
{
    // Small charts draw their marks in no time; large ones are ready for
    // select-all and for the first partial selection.
    if (idleQueued_ || data_.patches.size() < 1000)
        return;
    idleQueued_ = true;
    // After a pause, not at once: the user may still be choosing.
    QTimer::singleShot(idlePause, this, [this] {
        idleQueued_ = false;
        if (frozen_ || stale_ || !isVisible())
            return;
        for (PlaneMarks marks : {PlaneMarks::AllSelected, PlaneMarks::AllFaint, PlaneMarks::AllPlain})
            if (!layers_.count(marks)) {
                layer(marks);
                // One at a time: the user's next event comes first.
                drawLayersWhenIdle();
                return;
            }
    });
}
