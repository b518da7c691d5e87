#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "MySortFilterProxyModel.h"
#include "OrvFramework.h"
#include "PatchTableModel.h"
#include "cubeform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressDialog>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>

#include <chrono>
#include <set>

namespace {

const char* const versionText = "1.0.1";

// A dialog lists this many lines, then says how many more there are.
constexpr std::size_t dialogLines = 50;

// Column widths follow this many rows: the table looks the same and a
// hundred thousand patches do not have to be measured one by one.
constexpr int sampledRows = 200;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);

    model = new PatchTableModel(session_, this);
    connect(model, &PatchTableModel::patchEdited, this, &MainWindow::patchEdited);
    proxyModel = new MySortFilterProxyModel(this);
    proxyModel->setDynamicSortFilter(true);
    proxyModel->setSourceModel(model);
    ui->tableView->setModel(proxyModel);
    ui->tableView->hideColumn(PatchTableModel::RowNumber);
    // One fixed row height: fitting every row to its contents costs more
    // than everything else a load does.
    QHeaderView* rows = ui->tableView->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 8);
    ui->tableView->horizontalHeader()->setResizeContentsPrecision(sampledRows);
    connect(ui->tableView->horizontalHeader(), &QHeaderView::sectionClicked, this, &MainWindow::horHeaderClicked);
    connect(rows, &QHeaderView::sectionClicked, this, &MainWindow::verHeaderClicked);

    const QByteArray vendor = framework::findStyleElement("vendor");
    const QByteArray product = framework::findStyleElement("product");
    setWindowTitle(QString::fromLatin1(vendor) + QLatin1Char(' ') + QString::fromLatin1(product));
    statusBar();

    buildHeader();
    resize(800, 480);
    ui->menuEdit->removeAction(ui->actionUseRoundTrip);

    // Hidden on purpose: no menu entry, no visible sign.
    new QShortcut(QKeySequence(tr("Ctrl+Shift+5", "RoundTrip")), this, this,
                  &MainWindow::on_actionUseRoundTrip_triggered);
    new QShortcut(QKeySequence(tr("Ctrl+Shift+1", "Advanced")), this, this, &MainWindow::unlockAdvancedFeatures);

    buildAnalysis();
    buildHelpMenu();
    ui->pushButtonAuto->setEnabled(false);
    const QString method = QSettings().value(QStringLiteral("CORRECTION_METHOD")).toString();
    ui->comboBoxMethod->setCurrentIndex(method == QLatin1String("patch") ? 1 : 0);
    connect(ui->comboBoxMethod, &QComboBox::currentIndexChanged, this, [](int index) {
        QSettings().setValue(QStringLiteral("CORRECTION_METHOD"),
                             index == 1 ? QStringLiteral("patch") : QStringLiteral("smooth"));
    });
}

CorrectionMethod MainWindow::method() const
{
    return ui->comboBoxMethod->currentIndex() == 1 ? CorrectionMethod::PerPatch : CorrectionMethod::Smooth;
}

void MainWindow::setMethod(CorrectionMethod method)
{
    ui->comboBoxMethod->setCurrentIndex(method == CorrectionMethod::PerPatch ? 1 : 0);
}

MainWindow::~MainWindow()
{
    // The details windows point into the session's converters.
    closeDetails();
    ui->tableView->setModel(nullptr);
}

void MainWindow::buildHeader()
{
    const QString resources = framework::resourceFolder();
    // The banner's edge columns run on to the window's edges at any width.
    const QPixmap banner(resources + QStringLiteral("banner.png"));
    if (!banner.isNull()) {
        ui->labelHead->setPixmap(banner);
        ui->labelHead_left->setPixmap(banner.copy(0, 0, 1, banner.height()));
        ui->labelHead_right->setPixmap(banner.copy(banner.width() - 1, 0, 1, banner.height()));
    }
    const QPixmap icon(resources + QStringLiteral("about.png"));
    if (!icon.isNull())
        setWindowIcon(icon);
}

void MainWindow::buildHelpMenu()
{
    QMenu* menu = menuBar()->addMenu(tr("Help"));
    QAction* aboutAction = menu->addAction(tr("&About..."), this, &MainWindow::about);
    aboutAction->setMenuRole(QAction::AboutRole);
    menu->addAction(tr("Help"), this, &MainWindow::help);
    menu->addSeparator();
    if (framework::findStyleElement("updater") != QByteArray("false"))
        menu->addAction(tr("&Update..."), this, &MainWindow::updateDialog);
    menu->addAction(tr("&Support..."), this, &MainWindow::supportDialog);
}

void MainWindow::on_actionOpen_triggered()
{
    openProfile(QString());
}

void MainWindow::on_actionSaveAs_triggered()
{
    saveAsProfile(QString());
}

void MainWindow::on_actionQuit_triggered()
{
    close();
}

void MainWindow::on_actionClear_triggered()
{
    clearData();
}

void MainWindow::on_actionLoadReferenceData_triggered()
{
    openRef(QString());
}

void MainWindow::on_actionLoadMeasurementData_triggered()
{
    openMeas(QString());
}

void MainWindow::present(const SessionReport& report, const QString& title, int timeout)
{
    const QString summary = fromUtf8(report.summary);
    // Notes about the profile ride along in the status line; only failures
    // and warnings about the user's data interrupt with a dialog.
    QString status = summary;
    for (const std::string& note : report.notes)
        status += QStringLiteral("; ") + fromUtf8(note);
    statusBar()->showMessage(status, timeout);
    if (!report.ok || report.hasWarnings())
        showDetails(title, summary, report.details);
}

void MainWindow::showDetails(const QString& title, const QString& summary, const std::vector<std::string>& details)
{
    QMessageBox box(details.empty() && !summary.isEmpty() ? QMessageBox::Warning : QMessageBox::Information, title,
                    summary, QMessageBox::Ok, this);
    QStringList lines;
    for (std::size_t i = 0; i < details.size() && i < dialogLines; ++i)
        lines << fromUtf8(details[i]);
    if (details.size() > dialogLines)
        lines << tr("... and %1 more").arg(details.size() - dialogLines);
    if (!lines.isEmpty())
        box.setInformativeText(lines.join(QLatin1Char('\n')));
    box.exec();
}

void MainWindow::on_actionUseRoundTrip_triggered()
{
    // The round trip predicts through the profile's tables.
    if (!session_.useRoundTrip()) {
        statusBar()->showMessage(tr("Open a profile first"), 2000);
        return;
    }
    model->refreshAll();
    updateAverages(PatchTableModel::DeltaE);
}

std::vector<std::size_t> MainWindow::selectedPatches() const
{
    std::set<std::size_t> patches;
    for (const QModelIndex& index : ui->tableView->selectionModel()->selectedIndexes()) {
        const QModelIndex source = proxyModel->mapToSource(index);
        if (source.isValid())
            patches.insert(static_cast<std::size_t>(source.row()));
    }
    return {patches.begin(), patches.end()};
}

void MainWindow::on_pushButtonAuto_clicked()
{
    if (!session_.hasProfile())
        return;
    CorrectionRequest request;
    request.method = method();
    request.selection = selectedPatches();
    // Smooth takes every paired patch; only Per patch needs a selection.
    if (request.method == CorrectionMethod::PerPatch && request.selection.empty()) {
        QMessageBox::information(this, tr("Select Patches"), tr("Please select some patches to be optimized"),
                                 QMessageBox::Ok);
        return;
    }
    // Details windows show nodes the correction is about to rewrite.
    closeDetails();

    // Modal from the start: while the run waits in the event loop, no
    // command may replace the profile it works on.
    QProgressDialog progress(tr("Processing patches..."), tr("Abort"), 0, 100, this);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    auto onProgress = [&progress](std::size_t done, std::size_t total) {
        progress.setMaximum(static_cast<int>(total));
        progress.setValue(static_cast<int>(done));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    const CorrectionReport report = session_.correct(request, onProgress);
    progress.close();
    present(report, tr("Auto"), 5000);
    if (!report.ok)
        return;
    model->refreshAll();
    setWindowModified(session_.hasUnsavedChanges());
    updateAverages(PatchTableModel::OptDeltaE);
}

CubeForm* MainWindow::openDetails(int patch)
{
    const std::vector<Patch>& patches = session_.patches();
    if (patch < 0 || patch >= static_cast<int>(patches.size()) || !session_.hasProfile() ||
        !patches[static_cast<std::size_t>(patch)].paired())
        return nullptr;
    const Patch& p = patches[static_cast<std::size_t>(patch)];
    // A child window closes with the main window and frees itself when closed.
    auto* form = new CubeForm(this);
    form->setWindowFlag(Qt::Window);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setRow(patch);
    form->setConverters(session_.a2b1(), session_.b2a1());
    form->setMetric(metric_);
    form->setPatch(p.reference.L, p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b, 0.0);
    connect(form, &CubeForm::changed, this, [this, form]() { detailsChanged(form); });
    cubeForms.emplace_back(form);
    form->show();
    return form;
}

void MainWindow::detailsChanged(CubeForm* form)
{
    session_.keepHandEdits(form->cubeNodes());
    const PatchCorrector& corrector = form->corrector();
    if (corrector.hasDelta())
        session_.setResult(static_cast<std::size_t>(form->row()), corrector.delta());
    model->refreshAll();
    setWindowModified(true);
    updateAverages(PatchTableModel::OptDeltaE);
}

void MainWindow::closeDetails()
{
    for (const QPointer<CubeForm>& form : cubeForms)
        if (form)
            delete form.data();
    cubeForms.clear();
}

void MainWindow::about()
{
    framework::showAboutPanel(versionText);
}

void MainWindow::help()
{
    framework::showHelp();
}

void MainWindow::updateDialog()
{
    framework::searchUpdate();
}

void MainWindow::supportDialog()
{
    framework::showSupportPanel(versionText);
}

bool MainWindow::openProfile(QString path)
{
    if (!settleUnsavedEdits())
        return false;
    QSettings settings;
    if (path.isNull()) {
        QString start = settings.value(QStringLiteral("LAST_OPEN_FILE_ICC")).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ax45Yzbla1937.icc");
        path = QFileDialog::getOpenFileName(this, tr("Choose a profile"), start, QStringLiteral("*.icc *.icm"));
    }
    if (path.isEmpty())
        return false;
    settings.setValue(QStringLiteral("LAST_OPEN_FILE_ICC"), path);

    // The details windows point into the converters about to be replaced.
    closeDetails();
    const SessionReport report = session_.openProfile(toUtf8(path));
    present(report, tr("Open Profile"), report.ok ? 5000 : 2000);
    if (!report.ok)
        return false;
    model->refreshAll();
    refreshAnalysis();
    // Qt shows "*" in place of the marker while there are unsaved changes.
    setWindowTitle(path + QStringLiteral("[*]"));
    setWindowModified(false);
    enableAutoWhenReady();
    return true;
}

bool MainWindow::openProfile()
{
    return openProfile(QString());
}

bool MainWindow::saveAsProfile(QString path)
{
    if (!session_.hasProfile())
        return false;
    QSettings settings;
    const bool askedForName = path.isNull();
    if (askedForName) {
        QString start = settings.value(QStringLiteral("LAST_SAVE_FILE_ICC")).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ICCProfile.icc");
        path = QFileDialog::getSaveFileName(this, tr("Save profile as"), start, QStringLiteral("*.icc *.icm"));
    }
    if (path.isEmpty())
        return false;
    settings.setValue(QStringLiteral("LAST_SAVE_FILE_ICC"), path);

    const SessionReport report = session_.saveAs(toUtf8(path));
    if (!report.ok && askedForName) {
        // A refused target (read-only, a device) must not cost the edits.
        statusBar()->showMessage(QString::fromStdString(report.summary), 2000);
        QString reason = QString::fromStdString(report.summary);
        if (!report.details.empty())
            reason += QStringLiteral(": ") + QString::fromStdString(report.details.back());
        if (QMessageBox::warning(this, windowTitle(), reason + tr("\nSave under another name?"),
                                 QMessageBox::Save | QMessageBox::Cancel) == QMessageBox::Save)
            return saveAsProfile(QString());
        return false;
    }
    present(report, tr("Save Profile As"), report.ok ? 5000 : 2000);
    if (!report.ok)
        return false;
    // Qt shows "*" in place of the marker while there are unsaved changes.
    setWindowTitle(path + QStringLiteral("[*]"));
    setWindowModified(false);
    return true;
}

bool MainWindow::saveAsProfile()
{
    return saveAsProfile(QString());
}

MainWindow::UnsavedAnswer MainWindow::askSaveChanges()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, windowTitle(), tr("Save changes to the profile?"),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    return answer == QMessageBox::Save      ? UnsavedAnswer::Save
           : answer == QMessageBox::Discard ? UnsavedAnswer::Discard
                                            : UnsavedAnswer::Cancel;
}

bool MainWindow::settleUnsavedEdits()
{
    if (!session_.hasUnsavedChanges())
        return true;
    switch (askSaveChanges()) {
    case UnsavedAnswer::Save: return saveAsProfile();
    case UnsavedAnswer::Discard: return true;
    default: return false;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (settleUnsavedEdits()) {
        closeDetails();
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::openRef(QString path)
{
    loadDataFile(PatchFileRole::Reference, path);
}

void MainWindow::openRef()
{
    openRef(QString());
}

void MainWindow::openMeas(QString path)
{
    loadDataFile(PatchFileRole::Measurement, path);
}

void MainWindow::openMeas()
{
    openMeas(QString());
}

void MainWindow::loadDataFile(PatchFileRole role, const QString& givenPath)
{
    const QString key = QStringLiteral("LAST_OPEN_FILE_") +
                        (role == PatchFileRole::Measurement ? QStringLiteral("MEAS") : QStringLiteral("REF"));
    QString path = givenPath;
    if (path.isEmpty()) {
        QString start = QSettings().value(key).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ax45Yzbla1937.txt");
        path = QFileDialog::getOpenFileName(this, tr("Choose a data file"), start, QStringLiteral("*.ref *.cie *.txt"));
    }
    if (path.isEmpty())
        return;

    // The details windows show patches of the list about to be replaced.
    closeDetails();
    const SessionReport report = session_.loadPatches(toUtf8(path), role);
    present(report, role == PatchFileRole::Reference ? tr("Load Reference Data") : tr("Load Measurement Data"),
         report.ok ? 5000 : 2000);
    if (!report.ok)
        return;
    QSettings().setValue(key, path);

    model->reload();
    updateAverages(PatchTableModel::DeltaE);
    if (session_.hasToleranceMarks())
        selectFailedRows();
    resizeTable();
    enableAutoWhenReady();
}

void MainWindow::selectFailedRows()
{
    QItemSelection failed;
    const std::vector<Patch>& patches = session_.patches();
    for (std::size_t i = 0; i < patches.size(); ++i) {
        if (!patches[i].toleranceFailed())
            continue;
        const QModelIndex cell = proxyModel->mapFromSource(model->index(static_cast<int>(i), PatchTableModel::RefL));
        failed.select(cell, cell);
    }
    ui->tableView->selectionModel()->select(failed, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void MainWindow::enableAutoWhenReady()
{
    ui->pushButtonAuto->setEnabled(session_.hasProfile() && session_.hasMeasurementData() &&
                                   session_.hasReferenceData());
}

void MainWindow::resizeTable()
{
    if (suppressResize)
        return;
    QTableView* view = ui->tableView;
    view->resizeColumnsToContents();
    for (int column : {PatchTableModel::RefL, PatchTableModel::RefA, PatchTableModel::RefB, PatchTableModel::MeasL,
                       PatchTableModel::MeasA, PatchTableModel::MeasB})
        view->setColumnWidth(column, view->columnWidth(column) + 10);
}

void MainWindow::updateAverages(int column)
{
    averagesColumn_ = column;
    const DeltaESummary summary =
        column == PatchTableModel::OptDeltaE ? session_.after(metric_) : session_.before(metric_);
    refreshAnalysis();
    if (summary.count == 0) {
        ui->labelAvgDEValue->setText(QStringLiteral("-"));
        ui->labelMaxDEValue->setText(QStringLiteral("-"));
        return;
    }
    ui->labelAvgDEValue->setText(QString::number(summary.mean, 'f', 2));
    ui->labelMaxDEValue->setText(QString::number(summary.maximum, 'f', 2));
}

void MainWindow::horHeaderClicked(int column)
{
    // The first click on a column sorts ascending, each further click reverses.
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    proxyModel->sort(column, sortOrder_);
}

void MainWindow::verHeaderClicked(int row)
{
    if (!advancedEnabled)
        return;
    const QModelIndex source = proxyModel->mapToSource(proxyModel->index(row, PatchTableModel::RefL));
    if (source.isValid())
        openDetails(source.row());
    // Through the selection model: the view's own selectRow starts from the
    // first visible column, whose name cells are not selectable.
    ui->tableView->selectionModel()->select(proxyModel->index(row, PatchTableModel::RefL),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MainWindow::patchEdited(int)
{
    updateAverages(PatchTableModel::DeltaE);
}

void MainWindow::unlockAdvancedFeatures()
{
    advancedEnabled = true;
}

void MainWindow::clearData()
{
    closeDetails();
    session_.clearPatches();
    model->reload();
    updateAverages(PatchTableModel::DeltaE);
    ui->pushButtonAuto->setEnabled(false);
}
