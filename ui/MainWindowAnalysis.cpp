// The main window's analysis: the Delta E metric, the tolerances with their
// verdict in the summary area and the Plots dock. Kept
// apart from the window's own file; the window calls refreshAnalysis()
// wherever its summary changes.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "PatchTableModel.h"
#include "PlotsWidget.h"
#include "Report.h"
#include "ToleranceDialog.h"
#include "VerdictPanel.h"
#include "cubeform.h"

#include <QActionGroup>
#include <QDir>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>

namespace {

const char* const plotsVisibleKey = "PLOTS_VISIBLE";

} // namespace

void MainWindow::buildAnalysis()
{
    metric_ = storedMetric();
    limits_ = storedLimits();
    model->setMetric(metric_);

    verdict_ = new VerdictPanel(this);
    ui->figuresLayout->addWidget(verdict_);

    plots_ = new PlotsWidget;
    plotsDock_ = new QDockWidget(tr("Plots"), this);
    plotsDock_->setObjectName(QStringLiteral("plotsDock"));
    plotsDock_->setWidget(plots_);
    addDockWidget(Qt::RightDockWidgetArea, plotsDock_);
    QAction* plotsAction = plotsDock_->toggleViewAction();
    plotsAction->setShortcut(QKeySequence(tr("Ctrl+Shift+P")));
    connect(plotsDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        // Only while the window shows: closing it hides the dock too.
        if (isVisible())
            QSettings().setValue(plotsVisibleKey, !plotsDock_->isHidden());
        if (visible)
            refreshPlots();
    });
    // The table takes the height the larger window adds, not the spacer
    // above the Auto button.
    ui->verticalLayout->setStretchFactor(ui->tableView, 1);
    // The window's size comes from restoreLayout, which leaves room for the dock.
    if (!QSettings().value(plotsVisibleKey, true).toBool())
        plotsDock_->hide();

    QMenu* view = menuBar()->addMenu(tr("&View"));
    auto* metrics = new QActionGroup(this);
    const DeltaEMetric choices[2] = {DeltaEMetric::CIE1976, DeltaEMetric::CIE2000};
    for (int k = 0; k < 2; ++k) {
        metricActions_[k] = view->addAction(metricLabel(choices[k]));
        metricActions_[k]->setCheckable(true);
        metricActions_[k]->setChecked(metric_ == choices[k]);
        metrics->addAction(metricActions_[k]);
        connect(metricActions_[k], &QAction::triggered, this, [this, choice = choices[k]]() { setMetric(choice); });
    }
    view->addSeparator();
    view->addAction(tr("&Tolerances..."), this, &MainWindow::editTolerances);
    view->addAction(plotsAction);

    auto* exportAction = new QAction(tr("E&xport Report..."), this);
    ui->menuFile->insertAction(ui->actionQuit, exportAction);
    ui->menuFile->insertSeparator(ui->actionQuit);
    connect(exportAction, &QAction::triggered, this, [this]() { exportReport(QString()); });

    connect(ui->tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::refreshPlots);
    refreshAnalysis();
}

void MainWindow::refreshAnalysis()
{
    verdict_->showVerdict(session_.before(metric_), session_.after(metric_), limits_, metric_);
    verdict_->setScope(session_.coverage());
    refreshPlots();
}

void MainWindow::refreshPlots()
{
    // A hidden dock is brought up to date when it is shown.
    if (plotsDock_->isHidden())
        return;
    plots_->setPlotData(plotDataOf(session_.patches(), metric_, limits_, selectedPatches()));
}

void MainWindow::setMetric(DeltaEMetric metric)
{
    metric_ = metric;
    storeMetric(metric);
    metricActions_[metric == DeltaEMetric::CIE2000 ? 1 : 0]->setChecked(true);
    model->setMetric(metric);
    // The headers change width with the metric's name; the columns share
    // out the window again, room for the sort arrow included.
    resizeTable();
    for (const QPointer<CubeForm>& form : cubeForms)
        if (form)
            form->setMetric(metric);
    updateAverages();
}

void MainWindow::setLimits(const ToleranceLimits& limits)
{
    if (!validLimits(limits))
        return;
    limits_ = limits;
    storeLimits(limits);
    refreshAnalysis();
}

void MainWindow::editTolerances()
{
    ToleranceDialog dialog(limits_, this);
    if (dialog.exec() == QDialog::Accepted)
        setLimits(dialog.limits());
}
