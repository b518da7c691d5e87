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
    // Files already loaded pair again at once: the measurement is read anew
    // against the reference, which keeps the choice undoable.
    const bool repair = by != session_.pairBy() && session_.hasReferenceData() && session_.hasMeasurementData() &&
                        session_.referencePath() != session_.measurementPath();
    if (!repair) {
        session_.setPairBy(by);
        showPairing();
        return true;
    }
    closeDetails();
    const SessionReport report = session_.pairAgain(by);
    present(report, tr("Pair Patches By"), report.ok ? 5000 : 2000);
    if (report.ok)
        sessionChanged();
    showPairing();
    return report.ok;
}

