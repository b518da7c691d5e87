#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "MyRCItemModel.h"
#include "MySortFilterProxyModel.h"
#include "OrvFramework.h"

#include <QDebug>
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
    if (!hasProf) {
        statusBar()->showMessage(tr("Open a profile first"), 2000);
        return;
    }
}

void MainWindow::on_pushButtonAuto_clicked()
{
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
    if (path.isNull()) {
        QSettings settings;
        path = QFileDialog::getOpenFileName(this, tr("Open Profile"),
                                            settings.value(QStringLiteral("LAST_OPEN_FILE_ICC")).toString(),
                                            tr("ICC profiles (*.icc *.icm)"));
        if (path.isEmpty())
            return false;
    }
    statusBar()->showMessage(tr("Failed to open %1").arg(path), 2000);
    return false;
}

bool MainWindow::openProfile()
{
    return openProfile(QString());
}

bool MainWindow::saveAsProfile(QString)
{
    statusBar()->showMessage(tr("Open a profile first"), 2000);
    return false;
}

bool MainWindow::saveAsProfile()
{
    return saveAsProfile(QString());
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
        // The separation details window opens here once profiles can be corrected.
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
    for (QWidget* form : cubeForms)
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
