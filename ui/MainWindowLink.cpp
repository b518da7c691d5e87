// The main window's parts for device links and pure inks: the printer
// profile a link prints through, the keep-pure check box, and the
// correction exported as an abstract profile.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QStatusBar>

namespace {

const char lastPrinterKey[] = "LAST_PRINTER_PROFILE";
const char lastAbstractKey[] = "LAST_ABSTRACT_PROFILE";

std::string toUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace

void MainWindow::buildLinkControls()
{
    keepPure_ = new QCheckBox(tr("&Keep pure inks"), this);
    keepPure_->setObjectName(QStringLiteral("checkBoxKeepPure"));
    keepPure_->setToolTip(tr("A node that prints one ink alone is corrected along that ink only; the other inks "
                             "stay as they were. On for device links."));
    ui->methodLayout->addWidget(keepPure_, 2, 0, 1, 2);
    setTabOrder(ui->pushButtonAuto, keepPure_);

    auto* exportAbstractAction = new QAction(tr("Export Correction as A&bstract Profile..."), this);
    exportAbstractAction->setObjectName(QStringLiteral("actionExportAbstract"));
    exportAbstractAction->setToolTip(
        tr("The correction as an abstract profile (Lab to Lab) to put in front of the profile as opened"));
    ui->menuFile->insertAction(ui->actionQuit, exportAbstractAction);
    connect(exportAbstractAction, &QAction::triggered, this, [this]() { exportAbstract(QString()); });
}

bool MainWindow::keepPure() const
{
    return keepPure_ && keepPure_->isChecked();
}

void MainWindow::setKeepPure(bool on)
{
    if (keepPure_)
        keepPure_->setChecked(on);
}

QString MainWindow::askPrinterProfile()
{
    QString start = QSettings().value(QLatin1String(lastPrinterKey)).toString();
    if (start.isEmpty())
        start = QDir::currentPath();
    return QFileDialog::getOpenFileName(this, tr("Choose the printer's own profile for the device link"), start,
                                        tr("ICC profiles (*.icc *.icm)") + QStringLiteral(";;") +
                                            tr("All files (*)"));
}

bool MainWindow::setPrinterProfile(QString path)
{
    if (path.isEmpty())
        path = askPrinterProfile();
    if (path.isEmpty())
        return false;
    const SessionReport report = session_.setPrinterProfile(toUtf8(path));
    present(report, tr("Printer Profile"), report.ok ? 5000 : 2000);
    if (report.ok)
        QSettings().setValue(QLatin1String(lastPrinterKey), path);
    return report.ok;
}

bool MainWindow::exportAbstract(QString path)
{
    if (!session_.hasProfile())
        return false;
    QSettings settings;
    if (path.isEmpty()) {
        QString start = settings.value(QLatin1String(lastAbstractKey)).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/correction.icc");
        int chosen = 0;
        path = askSavePath(tr("Export correction as abstract profile"), start, {tr("ICC profiles (*.icc *.icm)")},
                           {QStringLiteral("icc")}, chosen);
        if (path.isEmpty() || !settleSuffix(path, QStringLiteral("icc")))
            return false;
    }
    const SessionReport report = session_.exportAbstract(toUtf8(path));
    present(report, tr("Export Abstract Profile"), report.ok ? 5000 : 2000);
    if (report.ok)
        settings.setValue(QLatin1String(lastAbstractKey), path);
    return report.ok;
}
