// The main window's choice of how reference and measurement pair: by the
// files' own identities as Vestrel judges them, or by one the user names,
// as vestrel-cli's --pair-by does.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QMenu>

void MainWindow::buildPairingMenu()
{
    auto* menu = new QMenu(tr("&Pair Patches By"), this);
    menu->setObjectName(QStringLiteral("menuPairing"));
    ui->menuEdit->insertMenu(ui->actionUseRoundTrip, menu);
    pairingActions_ = new QActionGroup(menu);
    const std::pair<QString, PairBy> choices[] = {
        {tr("&Automatic"), PairBy::Auto},
        {tr("Sample &ID"), PairBy::Id},
        {tr("Sample &Name"), PairBy::Name},
        {tr("Sample &Location"), PairBy::Location},
        {tr("&Position in the File"), PairBy::Position},
    };
    for (const auto& [text, by] : choices) {
        QAction* action = menu->addAction(text);
        action->setCheckable(true);
        action->setData(static_cast<int>(by));
        pairingActions_->addAction(action);
        connect(action, &QAction::triggered, this, [this, by = by]() { setPairing(by); });
    }
    menu->actions().constFirst()->setToolTip(
        tr("By SAMPLE_ID, else SAMPLE_NAME, else SAMPLE_LOC; by name when the ids are a mere count"));
    showPairing();
}

void MainWindow::showPairing()
{
    if (!pairingActions_)
        return;
    for (QAction* action : pairingActions_->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(session_.pairBy()));
}

bool MainWindow::setPairing(PairBy by)
{
    const PairBy before = session_.pairBy();
    session_.setPairBy(by);
    // Files already loaded pair again at once: the measurement is read anew
    // against the reference, which keeps the choice undoable.
    const bool repair = by != before && session_.hasReferenceData() && session_.hasMeasurementData() &&
                        session_.referencePath() != session_.measurementPath();
    if (repair && !readMeasurementsAgain()) {
        session_.setPairBy(before);
        showPairing();
        return false;
    }
    showPairing();
    return true;
}

bool MainWindow::readMeasurementsAgain()
{
    const std::vector<std::string> paths = session_.measurementPaths();
    if (paths.size() <= 1)
        return loadDataFile(PatchFileRole::Measurement, QString::fromStdString(session_.measurementPath()));
    // Repeated measurements pair among themselves too: all are read anew
    // and averaged again, as one step.
    closeDetails();
    const SessionState before = session_.state();
    SessionReport report;
    for (std::size_t i = 0; i < paths.size() && (i == 0 || report.ok); ++i)
        report = i == 0 ? session_.loadPatches(paths[i], PatchFileRole::Measurement) : session_.addMeasurement(paths[i]);
    present(report, tr("Pair Patches By"), report.ok ? 5000 : 2000);
    if (!report.ok) {
        session_.restore(before);
        return false;
    }
    recordChange(tr("Pair Patches By"));
    sessionChanged();
    return true;
}
