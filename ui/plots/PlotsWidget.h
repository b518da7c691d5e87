#pragma once
// The window's plots of the patches: the histogram, the sorted Delta E and
// the a*b* plane, arranged to suit the space the dock gives them. The
// drawing is the engine's, the same as in the reports; its words are the
// window's, in the user's language.
//
// They are drawn into an image when their data, selection or size change,
// and painted from it otherwise. The plane's marks, thousands of arrows on
// a large chart, are kept as layers (every patch plain, faint, selected)
// that a new selection does not change: select-all shows the selected
// layer, a partial selection the faint one with the selected patches drawn
// over it. Layers not yet needed are drawn while the window is idle. While
// frozen (a correction running) the plots keep what they showed.

#include "Plots.h"

#include <QImage>
#include <QWidget>

#include <map>

// The plots' words as the window shows them, translated.
PlotWords windowPlotWords();

class PlotsWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PlotsWidget(QWidget* parent = nullptr);

    // Shows data, labelled with windowPlotWords().
    void setPlotData(PlotData data);
    const PlotData& plotData() const { return data_; }
    // While frozen, new data wait and the plots show what they showed.
    void setFrozen(bool frozen);
    // The plots as shown, drawn now if they are out of date.
    const QImage& image();
    // The same drawn in one pass, every mark in order, as a report draws
    // them: what the layers have to add up to.
    QImage drawnAtOnce() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Areas
    {
        PlotRect histogram, sorted, plane;
    };
    Areas areas() const;
    void render();
    // The plane's marks of one kind, drawn if not kept yet.
    const QImage& layer(PlaneMarks marks);
    void drawLayersWhenIdle();
    // Where the plane's layers start in the image, in its pixels.
    QPoint layerOrigin() const;

    PlotData data_;
    QImage image_;
    bool stale_ = true;
    bool frozen_ = false;
    bool idleQueued_ = false;
    // The plane's layers for data_'s patches at the image's size.
    std::map<PlaneMarks, QImage> layers_;
};
