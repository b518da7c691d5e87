#pragma once
// The limits the verdict uses, set by the user, and where the window keeps
// them and the chosen metric between runs.

#include "Tolerance.h"

#include <QDialog>

class QDoubleSpinBox;

class ToleranceDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ToleranceDialog(const ToleranceLimits& limits, QWidget* parent = nullptr);

    ToleranceLimits limits() const;
    void setLimits(const ToleranceLimits& limits);

private:
    QDoubleSpinBox* mean_ = nullptr;
    QDoubleSpinBox* maximum_ = nullptr;
    QDoubleSpinBox* neutralMean_ = nullptr;
};

// In the settings; the defaults when none are stored or they are not usable.
ToleranceLimits storedLimits();
void storeLimits(const ToleranceLimits& limits);
DeltaEMetric storedMetric();
void storeMetric(DeltaEMetric metric);
