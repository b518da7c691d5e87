// Files opened without a role (named on the command line without -r or -m,
// dropped, picked from Open Recent): each goes where it says it belongs,
// and the user is asked when the files do not say. The names of the files
// in use stay in sight beside the status line.

#include "mainwindow.h"

#include "PatchFileKind.h"

#include <algorithm>

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

namespace {

bool isProfilePath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("icc") || suffix == QLatin1String("icm");
}

PatchFileKind kindOf(const QString& path)
{
    PatchFile file;
    EngineText problem;
    const std::string name = path.toUtf8().toStdString();
    // A file that cannot be read says nothing; loading it will say why.
    return PatchFileReader::read(name, file, problem) ? patchFileKind(file, name) : PatchFileKind::Unknown;
}

QString fileName(const std::string& path)
{
    return QFileInfo(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()))).fileName();
}

} // namespace

void MainWindow::openFiles(const QStringList& paths)
{
    QStringList profiles, data;
    for (const QString& path : paths)
        (isProfilePath(path) ? profiles : data) << path;

    QString reference;
    QStringList measurements;
    if (data.size() == 1) {
        // One file on its own completes what is missing, the reference first,
        // unless it says what it is.
        const PatchFileKind kind = kindOf(data.first());
        const bool asReference = kind == PatchFileKind::Reference ||
                                 (kind == PatchFileKind::Unknown && !session_.hasReferenceData());
        if (asReference)
            reference = data.first();
        else
            measurements << data.first();
    } else if (data.size() > 1) {
        QStringList references, combined, unknown;
        for (const QString& path : data) {
            const PatchFileKind kind = kindOf(path);
            (kind == PatchFileKind::Reference     ? references
             : kind == PatchFileKind::Combined    ? combined
             : kind == PatchFileKind::Measurement ? measurements
                                                  : unknown) << path;
        }
        if (references.size() == 1) {
            reference = references.first();
        } else if (references.isEmpty() && unknown.size() == 1 && (!measurements.isEmpty() || !combined.isEmpty())) {
            // The one file that does not say is what the others are not.
            reference = unknown.first();
        } else if (!(references.isEmpty() && unknown.isEmpty())) {
            // Two that claim to be the reference, or files that say nothing:
            // a swap here makes every correction go the wrong way.
            const QStringList candidates = references.size() > 1 ? references : data;
            const int chosen = askWhichIsReference(candidates);
            if (chosen < 0)
                return;
            reference = candidates.at(chosen);
        }
        // Everything else is a measurement of the print; several are averaged.
        measurements = combined;
        for (const QString& path : data)
            if (path != reference && !combined.contains(path))
                measurements << path;
    }
    // As on the command line: the measurement first, a combined file fills
    // both sides, and the reference file then wins.
    for (int i = 0; i < measurements.size(); ++i)
        i == 0 ? openMeas(measurements.at(i)) : (void)addMeasurementFile(measurements.at(i));
    if (!reference.isEmpty())
        openRef(reference);
    if (!profiles.isEmpty())
        openProfile(profiles.last());
}

int MainWindow::askWhichIsReference(const QStringList& files)
{
    QMessageBox box(QMessageBox::Question, tr("Open Files"),
                    tr("Which file holds the reference colours of the chart? The others are taken as measurements "
                       "of the print."),
                    QMessageBox::Cancel, this);
    std::vector<QPushButton*> buttons;
    for (const QString& file : files)
        buttons.push_back(box.addButton(QFileInfo(file).fileName(), QMessageBox::AcceptRole));
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

void MainWindow::showDataFiles()
{
    if (!dataFilesLabel_) {
        dataFilesLabel_ = new QLabel(this);
        dataFilesLabel_->setObjectName(QStringLiteral("dataFilesLabel"));
        statusBar()->addPermanentWidget(dataFilesLabel_);
    }
    QStringList parts, paths;
    if (session_.hasReferenceData() && session_.referencePath() != session_.measurementPath()) {
        parts << tr("Reference: %1").arg(fileName(session_.referencePath()));
        paths << QString::fromStdString(session_.referencePath());
    }
    if (session_.hasMeasurementData()) {
        const std::vector<std::string>& measured = session_.measurementPaths();
        const QString first = fileName(measured.empty() ? session_.measurementPath() : measured.front());
        parts << (measured.size() > 1 ? tr("Measurement: %1 and %n more", nullptr, static_cast<int>(measured.size() - 1))
                                            .arg(first)
                                      : tr("Measurement: %1").arg(first));
        for (const std::string& path : measured)
            paths << QString::fromStdString(path);
    }
    // Long names must not widen the window: the full paths are in the tooltip.
    const QString text = parts.join(QStringLiteral("  \u00b7  "));
    dataFilesLabel_->setText(dataFilesLabel_->fontMetrics().elidedText(text, Qt::ElideMiddle, 420));
    dataFilesLabel_->setToolTip(paths.join(QLatin1Char('\n')));
}
