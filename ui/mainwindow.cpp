#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "MyRCItemModel.h"
#include "PatchOptimizer.h"
#include "ProfileStamp.h"
#include "SafeFileWriter.h"
#include "cubeform.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "MySortFilterProxyModel.h"
#include "OrvFramework.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

const char* const versionText = "1.0.1";

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), table_(nullptr)
{
    ui->setupUi(this);

    model = PatchTable::createModel(this);
    table_ = PatchTable(model);
    connect(model, &QAbstractItemModel::dataChanged, this, &MainWindow::modelDataChanged);

    proxyModel = new MySortFilterProxyModel();
    proxyModel->setDynamicSortFilter(true);
    proxyModel->setSourceModel(model);
    ui->tableView->setModel(proxyModel);
    ui->tableView->hideColumn(PatchTable::RowNumber);
    connect(ui->tableView->horizontalHeader(), &QHeaderView::sectionClicked, this, &MainWindow::horHeaderClicked);
    connect(ui->tableView->verticalHeader(), &QHeaderView::sectionClicked, this, &MainWindow::verHeaderClicked);
    connect(this, &MainWindow::refChanged, this, &MainWindow::rowChanged);
    connect(this, &MainWindow::measChanged, this, &MainWindow::rowChanged);

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

    buildHelpMenu();
    ui->pushButtonAuto->setEnabled(false);
}

MainWindow::~MainWindow()
{
    clearCubes();
    ui->tableView->setModel(nullptr);
    delete proxyModel;
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

void MainWindow::on_actionUseRoundTrip_triggered()
{
    // The round trip predicts through the profile's tables.
    if (!profile) {
        statusBar()->showMessage(tr("Open a profile first"), 2000);
        return;
    }
    suppressResize = true;
    for (int row = 0; row < model->rowCount(); ++row)
        roundTripRow(row);
    for (int row = 0; row < model->rowCount(); ++row)
        emit measChanged(row);
    updateAverages(PatchTable::DeltaE);
    suppressResize = false;
    resizeTable();
}

void MainWindow::roundTripRow(int row)
{
    if (!profile || !a2b1Converter || !b2a1Converter || row < 0 || row >= model->rowCount())
        return;
    suppressRowUpdates = true;
    const bool done = PatchOptimizer::roundTripRow(table_, row, *b2a1Converter, *a2b1Converter);
    suppressRowUpdates = false;
    if (!done)
        return;
    resizeTable();
    roundTripOn = true;
}

std::vector<int> MainWindow::selectedModelRows() const
{
    std::set<QString> numbers;
    for (const QModelIndex& index : ui->tableView->selectionModel()->selectedIndexes())
        numbers.insert(QString::number(index.row()));
    std::vector<int> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        if (numbers.count(model->data(model->index(row, PatchTable::RowNumber)).toString()))
            rows.push_back(row);
    return rows;
}

void MainWindow::on_pushButtonAuto_clicked()
{
    if (!profile)
        return;
    const std::vector<int> rows = selectedModelRows();
    if (rows.empty()) {
        QMessageBox::information(this, tr("Select Patches"), tr("Please select some patches to be optimized"),
                                 QMessageBox::Ok);
        return;
    }
    // Modal from the start: while it waits in the event loop, no command may
    // replace the profile or delete the forms that the run holds.
    QProgressDialog progress(tr("Processing patches..."), tr("Abort"), 0, static_cast<int>(rows.size()), this);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    const double threshold = PatchOptimizer::autoThreshold(table_, rows, roundTripOn);

    // Every aim first, from the table as it was printed: the measured
    // offsets belong to that table, and aims taken after earlier patches
    // moved shared nodes would correct the wrong way.
    std::vector<CubeForm*> forms;
    for (int row : rows) {
        double refL, refA, refB, measL, measA, measB;
        if (!table_.getRefLab(row, refL, refA, refB) || !table_.getMeasLab(row, measL, measA, measB))
            continue;
        CubeForm* form = cubeForRow(row);
        form->setPatch(refL, refA, refB, measL, measA, measB, threshold);
        forms.push_back(form);
    }
    // The columns are fitted once at the end, not after every patch.
    suppressResize = true;
    int done = 0;
    for (CubeForm* form : forms) {
        progress.setValue(done);
        QCoreApplication::processEvents();
        if (progress.wasCanceled()) {
            progress.close();
            suppressResize = false;
            resizeTable();
            return;
        }
        form->on_pushButtonIterate_clicked(roundTripOn);
        ++done;
    }
    progress.setValue(static_cast<int>(rows.size()));
    updateAverages(PatchTable::OptDeltaE);
    progress.close();
    suppressResize = false;
    resizeTable();
}

CubeForm* MainWindow::cubeForRow(int row)
{
    if (row < 0)
        return nullptr;
    if (static_cast<std::size_t>(row) >= cubeForms.size())
        cubeForms.resize(static_cast<std::size_t>(row) + 1, nullptr);
    CubeForm*& form = cubeForms[static_cast<std::size_t>(row)];
    if (!form) {
        form = new CubeForm();
        form->setRow(row);
        form->setConverters(a2b1Converter.get(), b2a1Converter.get());
        connect(form, &CubeForm::changed, this, &MainWindow::setProfileChanged);
        connect(form, &CubeForm::optimizedDelta, this, &MainWindow::setOptimizedDelta);
    }
    return form;
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

    std::FILE* file = std::fopen(path.toUtf8().constData(), "rb");
    if (!file) {
        statusBar()->showMessage(tr("Failed to open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))),
                                 5000);
        return false;
    }
    auto newProfile = std::make_unique<csICCProfile>();
    const int read = newProfile->setProfile(file);
    std::fclose(file);
    // Every refusal is also shown: a profile that silently fails to open
    // leaves the user guessing.
    const QString refused = tr("Failed to open %1").arg(path);
    if (read != 0) {
        qDebug("setProfile returned %d", read);
        statusBar()->showMessage(refused, 5000);
        return false;
    }
    auto a2b1 = std::make_unique<csICCProfileConverter>(newProfile.get(), 0, 1, 1);
    if (a2b1->init() != 0) {
        qDebug("Failed to prepare A2B1 profile converter");
        statusBar()->showMessage(refused, 5000);
        return false;
    }
    auto b2a1 = std::make_unique<csICCProfileConverter>(newProfile.get(), 1, 1, 1);
    if (b2a1->init() != 0) {
        qDebug("Failed to prepare B2A1 profile converter");
        statusBar()->showMessage(refused, 5000);
        return false;
    }
    if (*b2a1->inputSpace() != csSig("Lab ")) {
        qDebug("Wrong B2A input space '%s', must be Lab\n", csSigText(*b2a1->inputSpace()).text);
        statusBar()->showMessage(refused, 5000);
        return false;
    }

    // The forms point into the old converters, and the converters into the
    // old profile: they go in that order.
    clearCubes();
    b2a1Converter = std::move(b2a1);
    a2b1Converter = std::move(a2b1);
    profile = std::move(newProfile);
    profileChanged = false;

    setWindowTitle(path);
    statusBar()->showMessage(tr("Loaded %1").arg(path), 5000);
    hasProf = true;
    qDebug("hasMeas: %d, hasRef %d, hasProf: %d", hasMeas, hasRef, 1);
    enableAutoWhenReady();
    return true;
}

bool MainWindow::openProfile()
{
    return openProfile(QString());
}

bool MainWindow::saveAsProfile(QString path)
{
    if (!profile)
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

    stampProfile(*profile, QFileInfo(path).fileName().toLatin1().toStdString(),
                 tr(profileCopyright).toLatin1().toStdString());
    std::vector<uint8_t> block;
    const int assembled = profile->writeToMemory(block);
    if (assembled != 0) {
        qDebug("writeToFile returned %d", assembled);
        return false;
    }
    // Written beside the target and renamed over it only when complete, so
    // a failed save never destroys the file that was there.
    std::string reason;
    if (!writeFileSafely(path.toUtf8().toStdString(), block, reason)) {
        const QString refused = tr("Cannot save %1: %2").arg(path, QString::fromStdString(reason));
        statusBar()->showMessage(refused, 5000);
        // A refused target (read-only, a device) must not cost the edits.
        if (askedForName && QMessageBox::warning(this, windowTitle(), refused + tr("\nSave under another name?"),
                                                 QMessageBox::Save | QMessageBox::Cancel) == QMessageBox::Save)
            return saveAsProfile(QString());
        return false;
    }
    setWindowTitle(path);
    statusBar()->showMessage(tr("Saved as %1").arg(path), 5000);
    profileChanged = false;
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
    if (!profileChanged || !profile)
        return true;
    switch (askSaveChanges()) {
    case UnsavedAnswer::Save: return saveAsProfile();
    case UnsavedAnswer::Discard: return true;
    default: return false;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (settleUnsavedEdits())
        event->accept();
    else
        event->ignore();
}

void MainWindow::openRef(QString path)
{
    loadDataFile(PatchDataKind::Reference, path);
}

void MainWindow::openRef()
{
    openRef(QString());
}

void MainWindow::openMeas(QString path)
{
    loadDataFile(PatchDataKind::Measurement, path);
}

void MainWindow::openMeas()
{
    openMeas(QString());
}

void MainWindow::loadDataFile(PatchDataKind kind, const QString& givenPath)
{
    hasTolFailed = false;
    const QString key = QStringLiteral("LAST_OPEN_FILE_") + PatchDataReader::kindWord(kind);
    QString path = givenPath;
    if (path.isEmpty()) {
        QSettings settings;
        QString start = settings.value(key).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ax45Yzbla1937.txt");
        path = QFileDialog::getOpenFileName(this, tr("Choose a data file"), start, QStringLiteral("*.ref *.cie *.txt"));
    }
    if (path.isEmpty())
        return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Failed to open file" << path;
        statusBar()->showMessage(tr("Failed to open %1").arg(path), 2000);
        return;
    }
    QSettings().setValue(key, path);

    // No row refresh runs until the rows are complete.
    suppressRowUpdates = true;
    PatchDataFlags flags{hasMeas, hasRef, hasTolFailed};
    QTextStream stream(&file);
    const int rows = PatchDataReader::read(stream, kind, table_, flags);
    hasMeas = flags.hasMeas;
    hasRef = flags.hasRef;
    hasTolFailed = flags.hasTolFailed;
    file.close();
    suppressRowUpdates = false;
    if (model->rowCount() > rows)
        model->removeRows(rows, model->rowCount() - rows);

    statusBar()->showMessage(tr("Loaded %1").arg(path), 5000);
    const bool measurement = kind == PatchDataKind::Measurement;
    if (measurement)
        roundTripOn = false;
    suppressResize = true;
    for (int row = 0; row < rows; ++row) {
        if (measurement)
            emit measChanged(row);
        else
            emit refChanged(row);
    }
    // After either kind: with the measurement read first (as the command
    // line does) the Delta E column only fills when the reference arrives.
    updateAverages(PatchTable::DeltaE);
    if (hasTolFailed)
        selectFailedRows();
    suppressResize = false;
    resizeTable();
    enableAutoWhenReady();
}

void MainWindow::selectFailedRows()
{
    QItemSelectionModel* selection = ui->tableView->selectionModel();
    QItemSelection failed;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!table_.toleranceFailed(row))
            continue;
        const QModelIndex cell = proxyModel->mapFromSource(model->index(row, PatchTable::RefName));
        failed.select(cell, cell);
    }
    selection->select(failed, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void MainWindow::enableAutoWhenReady()
{
    if (hasMeas && hasRef && hasProf)
        ui->pushButtonAuto->setEnabled(true);
}

void MainWindow::resizeTable()
{
    if (suppressResize)
        return;
    QTableView* view = ui->tableView;
    view->resizeRowsToContents();
    view->resizeColumnsToContents();
    for (int column : {PatchTable::RefL, PatchTable::RefA, PatchTable::RefB, PatchTable::MeasL, PatchTable::MeasA,
                       PatchTable::MeasB})
        view->setColumnWidth(column, view->columnWidth(column) + 10);
}

void MainWindow::updateAverages(int column)
{
    const PatchTable::Summary summary = table_.summarize(column);
    if (summary.count == 0) {
        ui->labelAvgDEValue->setText(QStringLiteral("-"));
        ui->labelMaxDEValue->setText(QStringLiteral("-"));
        return;
    }
    ui->labelAvgDEValue->setText(QString::number(summary.average, 'f', 2));
    ui->labelMaxDEValue->setText(QString::number(summary.maximum, 'f', 2));
}

void MainWindow::horHeaderClicked(int column)
{
    // The first click on a column sorts ascending, each further click reverses.
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    proxyModel->sort(column, sortOrder_);
    for (int row = 0; row < model->rowCount(); ++row)
        proxyModel->setData(proxyModel->index(row, PatchTable::RowNumber), QString::number(row), Qt::EditRole);
}

int MainWindow::modelRowOfViewRow(int viewRow) const
{
    const QString number = QString::number(viewRow);
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->data(model->index(row, PatchTable::RowNumber)).toString() == number)
            return row;
    return -1;
}

void MainWindow::verHeaderClicked(int row)
{
    if (!advancedEnabled)
        return;
    const int modelRow = modelRowOfViewRow(row);
    double refL, refA, refB, measL, measA, measB;
    if (modelRow >= 0 && hasProf && table_.getRefLab(modelRow, refL, refA, refB) &&
        table_.getMeasLab(modelRow, measL, measA, measB)) {
        CubeForm* form = cubeForRow(modelRow);
        form->setPatch(refL, refA, refB, measL, measA, measB, 0.0);
        form->show();
    }
    // Through the selection model: the view's own selectRow starts from the
    // first visible column, whose name cells are not selectable.
    ui->tableView->selectionModel()->select(proxyModel->index(row, PatchTable::RefL),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MainWindow::modelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    // Only writes that reach a Lab column refresh rows: a range starting in
    // a name column counts from the first Lab column after it.
    const int first = topLeft.column();
    if (first > PatchTable::MeasB)
        return;
    const int threshold = first <= PatchTable::RefL ? PatchTable::RefL
                          : first == PatchTable::MeasName ? PatchTable::MeasL
                                                          : first;
    if (bottomRight.column() < threshold)
        return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        rowChanged(row);
}

void MainWindow::rowChanged(int row)
{
    if (suppressRowUpdates)
        return;
    double L, a, b;
    if (!table_.getRefLab(row, L, a, b))
        return;
    table_.setSwatch(row, PatchTable::RefName, Lab{L, a, b});
    if (roundTripOn)
        roundTripRow(row);
    if (!table_.getMeasLab(row, L, a, b))
        return;
    table_.setSwatch(row, PatchTable::MeasName, Lab{L, a, b});
    updateDeltaE(row);
}

void MainWindow::updateDeltaE(int row)
{
    table_.updateDeltaE(row);
}

void MainWindow::setProfileChanged(bool changed)
{
    profileChanged = changed;
}

void MainWindow::setOptimizedDelta(int row, double DL, double Da, double Db)
{
    if (row < 0 || row >= model->rowCount())
        return;
    suppressRowUpdates = true;
    table_.setOptimizedDelta(row, DL, Da, Db);
    suppressRowUpdates = false;
    resizeTable();
}

void MainWindow::unlockAdvancedFeatures()
{
    advancedEnabled = true;
}

void MainWindow::clearCubes()
{
    for (CubeForm* form : cubeForms)
        delete form;
    cubeForms.clear();
}

void MainWindow::clearData()
{
    model->removeRows(0, model->rowCount());
    clearCubes();
    hasTolFailed = false;
    hasMeas = false;
    hasRef = false;
    ui->pushButtonAuto->setEnabled(false);
}
