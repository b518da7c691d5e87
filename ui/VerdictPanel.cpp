#include "VerdictPanel.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>

namespace {

const char* const passStyle = "color: #16692c; font-weight: bold;";
const char* const failStyle = "color: #b00020; font-weight: bold;";

} // namespace

QString metricLabel(DeltaEMetric metric)
{
    // Reports keep the engine's English name; the window says it in the
    // user's language.
    return metric == DeltaEMetric::CIE2000 ? QCoreApplication::translate("MainWindow", "Delta E 2000")
                                           : QCoreApplication::translate("MainWindow", "Delta E 1976");
}

VerdictPanel::VerdictPanel(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 0, 12, 0);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(1);
    corner_ = new QLabel(this);
    grid->addWidget(corner_, 0, 0);
    const char* stages[] = {QT_TR_NOOP("before"), QT_TR_NOOP("after")};
    for (int s = 0; s < 2; ++s)
        grid->addWidget(new QLabel(tr(stages[s]), this), s + 1, 0);
    for (int k = 0; k < 3; ++k) {
        limitLabels_[k] = new QLabel(this);
        grid->addWidget(limitLabels_[k], 0, k + 1);
        for (int s = 0; s < 2; ++s) {
            cells_[s][k] = new QLabel(QStringLiteral("-"), this);
            grid->addWidget(cells_[s][k], s + 1, k + 1);
        }
    }
    scope_ = new QLabel(this);
    scope_->hide();
    grid->addWidget(scope_, 3, 0, 1, 4);
    setToolTip(tr("Pass or fail per limit (View > Tolerances...). After: as predicted through the corrected "
                  "profile. Near-neutral: patches whose reference has C*ab below %1.")
                   .arg(neutralChromaLimit));
}

void VerdictPanel::showVerdict(const DeltaESummary& before, const DeltaESummary& after, const ToleranceLimits& limits,
                               DeltaEMetric metric)
{
    corner_->setText(metricLabel(metric));
    const double limit[3] = {limits.mean, limits.maximum, limits.neutralMean};
    const char* names[3] = {QT_TR_NOOP("mean"), QT_TR_NOOP("maximum"), QT_TR_NOOP("neutral mean")};
    for (int k = 0; k < 3; ++k)
        limitLabels_[k]->setText(tr("%1 \u2264 %2").arg(tr(names[k])).arg(limit[k], 0, 'f', 2));
    const DeltaESummary* summaries[2] = {&before, &after};
    for (int s = 0; s < 2; ++s) {
        const DeltaESummary& summary = *summaries[s];
        const ToleranceVerdict verdict = judge(summary, limits);
        const double figures[3] = {summary.mean, summary.maximum, summary.neutralMean};
        const Verdict verdicts[3] = {verdict.mean, verdict.maximum, verdict.neutralMean};
        for (int k = 0; k < 3; ++k) {
            QLabel* cell = cells_[s][k];
            if (verdicts[k] == Verdict::None) {
                cell->setText(QStringLiteral("-"));
                cell->setStyleSheet(QString());
                continue;
            }
            cell->setText(QStringLiteral("%1 %2").arg(figures[k], 0, 'f', 2).arg(verdicts[k] == Verdict::Pass ? tr("pass") : tr("fail")));
            cell->setStyleSheet(QLatin1String(verdicts[k] == Verdict::Pass ? passStyle : failStyle));
        }
    }
}

void VerdictPanel::setScope(const PatchCoverage& coverage)
{
    const bool partial = coverage.partial();
    if (partial) {
        const QString count = QLocale().toString(static_cast<qulonglong>(coverage.paired));
        scope_->setText(coverage.paired == 1 ? tr("Figures over the 1 measured patch only")
                                             : tr("Figures over the %1 measured patches only").arg(count));
    } else {
        scope_->clear();
    }
    scope_->setVisible(partial);
}

QString VerdictPanel::scope() const
{
    return scope_->text();
}

QString VerdictPanel::cellText(int limit, Stage stage) const
{
    return cells_[stage == Stage::After ? 1 : 0][limit]->text();
}
