#pragma once
// The window's plots of the patches: the histogram, the sorted Delta E and
// the a*b* plane, arranged to suit the space the dock gives them. The
// drawing is the engine's, the same as in the reports; its words are the
// window's, in the user's language.

#include "Plots.h"

#include <QWidget>

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
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlotData data_;
};
