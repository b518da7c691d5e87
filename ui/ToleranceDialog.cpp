#include "ToleranceDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const char* const meanKey = "TOLERANCE_MEAN";
const char* const maximumKey = "TOLERANCE_MAXIMUM";
const char* const neutralMeanKey = "TOLERANCE_NEUTRAL_MEAN";
const char* const metricKey = "DELTA_E_METRIC";

QDoubleSpinBox* limitBox(QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(2);
    box->setRange(0.01, 100.0);
    box->setSingleStep(0.1);
    return box;
}

} // namespace

ToleranceDialog::ToleranceDialog(const ToleranceLimits& limits, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Tolerances"));
    auto* layout = new QVBoxLayout(this);
    const ToleranceLimits defaults;
    auto* note = new QLabel(tr("The limits the verdict uses, in the Delta E chosen in the View menu. Vestrel's own "
                               "defaults (%1, %2, %3) follow no standard: set what you agreed with your customer.")
                                .arg(defaults.mean, 0, 'f', 2)
                                .arg(defaults.maximum, 0, 'f', 2)
                                .arg(defaults.neutralMean, 0, 'f', 2),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    mean_ = limitBox(this);
    maximum_ = limitBox(this);
    neutralMean_ = limitBox(this);
    form->addRow(tr("Mean of all patches"), mean_);
    form->addRow(tr("Largest of all patches"), maximum_);
    form->addRow(tr("Mean of near-neutral patches (C*ab < %1)").arg(neutralChromaLimit), neutralMean_);
    layout->addLayout(form);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this]() { setLimits(ToleranceLimits()); });
    layout->addWidget(buttons);
    setLimits(limits);
}

ToleranceLimits ToleranceDialog::limits() const
{
    return {mean_->value(), maximum_->value(), neutralMean_->value()};
}

void ToleranceDialog::setLimits(const ToleranceLimits& limits)
{
    mean_->setValue(limits.mean);
    maximum_->setValue(limits.maximum);
    neutralMean_->setValue(limits.neutralMean);
}

ToleranceLimits storedLimits()
{
    QSettings settings;
    const ToleranceLimits defaults;
    const ToleranceLimits limits{settings.value(QLatin1String(meanKey), defaults.mean).toDouble(),
                                 settings.value(QLatin1String(maximumKey), defaults.maximum).toDouble(),
                                 settings.value(QLatin1String(neutralMeanKey), defaults.neutralMean).toDouble()};
    return validLimits(limits) ? limits : defaults;
}

void storeLimits(const ToleranceLimits& limits)
{
    QSettings settings;
    settings.setValue(QLatin1String(meanKey), limits.mean);
    settings.setValue(QLatin1String(maximumKey), limits.maximum);
    settings.setValue(QLatin1String(neutralMeanKey), limits.neutralMean);
}

DeltaEMetric storedMetric()
{
    return QSettings().value(QLatin1String(metricKey)).toString() == QLatin1String("2000") ? DeltaEMetric::CIE2000
                                                                                           : DeltaEMetric::CIE1976;
}

void storeMetric(DeltaEMetric metric)
{
    QSettings().setValue(QLatin1String(metricKey),
                         metric == DeltaEMetric::CIE2000 ? QStringLiteral("2000") : QStringLiteral("1976"));
}
