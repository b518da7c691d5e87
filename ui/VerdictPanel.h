#pragma once
// The verdict in the window's summary area: for each limit (mean, maximum,
// near-neutral mean) the figure before and after the correction with
// "pass" or "fail", in the metric chosen.

#include "Coverage.h"
#include "ChartSummary.h"

#include <QWidget>

class QLabel;

// The metric's name as the window shows it ("Delta E 1976"), translated.
QString metricLabel(DeltaEMetric metric);

class VerdictPanel : public QWidget
{
    Q_OBJECT

public:
    explicit VerdictPanel(QWidget* parent = nullptr);

    void showVerdict(const DeltaESummary& before, const DeltaESummary& after, const ToleranceLimits& limits,
                     DeltaEMetric metric);
    // Which patches the figures are over when they do not cover the chart
    // ("Figures over the 5 measured patches only"); hidden when they do.
    void setScope(const PatchCoverage& coverage);
    QString scope() const;
    // The cell of a limit (0 mean, 1 maximum, 2 near-neutral mean), as shown.
    QString cellText(int limit, Stage stage) const;

private:
    QLabel* corner_ = nullptr;
    QLabel* limitLabels_[3] = {};
    QLabel* cells_[2][3] = {};
    QLabel* scope_ = nullptr;
};
