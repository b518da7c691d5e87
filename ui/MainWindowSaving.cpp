// The main window's writing of files: Save As and Export Report. Every name
// is settled before anything is written: the suffix is part of it before
// the overwrite question, and the profile as opened is replaced only when
// the user says so in words that name what is lost.

#include "mainwindow.h"

#include "EngineTexts.h"
#include "FileIdentity.h"
#include "Report.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

namespace {

const char* const lastSaveKey = "LAST_SAVE_FILE_ICC";
const char* const lastReportKey = "LAST_REPORT_FILE";

std::string toUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace

QString MainWindow::askSavePath(const QString& title, const QString& start, const QStringList& filters,
                                const QStringList& suffixes, int& chosen)
{
    QFileDialog dialog(this, title, QFileInfo(start).absolutePath(), filters.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(QFileInfo(start).fileName());
    // The dialog adds the suffix before it asks about replacing a file, so
    // the question is about the file that will be written.
    dialog.setDefaultSuffix(suffixes.value(0));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(suffixes.value(static_cast<int>(filters.indexOf(filter))));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    chosen = std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    return dialog.selectedFiles().constFirst();
}

bool MainWindow::askReplace(const QString& question)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), question, QMessageBox::Cancel, this);
    box.addButton(tr("&Replace"), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() != QMessageBox::Cancel;
}

bool MainWindow::settleSuffix(QString& path, const QString& suffix)
{
    if (!QFileInfo(path).suffix().isEmpty())
        return true;
    // A dialog that ignored the default suffix asked about the name without
    // it; the file really written may exist.
    path += QLatin1Char('.') + suffix;
    return !QFileInfo::exists(path) ||
           askReplace(tr("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)));
}

bool MainWindow::saveAsProfile(QString path)
{
    if (!session_.hasProfile())
        return false;
    QSettings settings;
    const bool askedForName = path.isNull();
    if (askedForName) {
        QString start = settings.value(QLatin1String(lastSaveKey)).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ICCProfile.icc");
        int chosen = 0;
        path = askSavePath(tr("Save profile as"), start, {tr("ICC profiles (*.icc *.icm)")}, {QStringLiteral("icc")},
                           chosen);
        // The open dialog shows profiles by their suffix: a name without
        // one would be hidden there.
        if (path.isEmpty() || !settleSuffix(path, QStringLiteral("icc")))
            return false;
    }
    if (path.isEmpty())
        return false;
    if (sameFile(toUtf8(path), session_.profilePath()) &&
        !askReplace(tr("%1 is the profile as opened. It holds the tables the measurement was printed with; "
                       "every correction of this measurement starts from them, and saving over it loses them.\n"
                       "Replace it anyway?")
                        .arg(QDir::toNativeSeparators(path))))
        return false;
    settings.setValue(QLatin1String(lastSaveKey), path);

    const SessionReport report = session_.saveAs(toUtf8(path));
    if (!report.ok && askedForName) {
        // A refused target (read-only, a device, an input) must not cost the edits.
        statusBar()->showMessage(summaryOf(report), 2000);
        QString reason = summaryOf(report);
        if (const Finding* cause = report.cause())
            reason += QStringLiteral(": ") + textOf(*cause);
        if (QMessageBox::warning(this, windowTitle(), reason + tr("\nSave under another name?"),
                                 QMessageBox::Save | QMessageBox::Cancel) == QMessageBox::Save)
            return saveAsProfile(QString());
        return false;
    }
    present(report, tr("Save Profile As"), report.ok ? 5000 : 2000);
    if (!report.ok)
        return false;
    addRecentFile(path);
    setWindowTitle(path + QStringLiteral("[*]"));
    setWindowModified(false);
    return true;
}

bool MainWindow::exportReport(QString path)
{
    if (!session_.hasProfile() && session_.patches().empty()) {
        statusBar()->showMessage(tr("Nothing to report yet: open a profile and load patches"), 3000);
        return false;
    }
    QSettings settings;
    if (path.isNull()) {
        QString start = settings.value(QLatin1String(lastReportKey)).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/report.html");
        const QStringList filters = {tr("HTML report (*.html)"), tr("PDF report (*.pdf)"),
                                     tr("CSV patch rows (*.csv)")};
        const QStringList suffixes = {QStringLiteral("html"), QStringLiteral("pdf"), QStringLiteral("csv")};
        int chosen = 0;
        path = askSavePath(tr("Export report"), start, filters, suffixes, chosen);
        // A name typed without a suffix takes the chosen type's.
        if (path.isEmpty() || !settleSuffix(path, suffixes.value(chosen)))
            return false;
    }
    const SessionReport report = writeReport(session_, {metric_, limits_}, toUtf8(path));
    present(report, tr("Export Report"), report.ok ? 5000 : 2000);
    if (report.ok)
        settings.setValue(QLatin1String(lastReportKey), path);
    return report.ok;
}
