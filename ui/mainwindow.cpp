#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "EngineTexts.h"
#include "LabCellDelegate.h"
#include "MySortFilterProxyModel.h"
#include "OrvFramework.h"
#include "PatchFile.h"
#include "PatchTableModel.h"
#include "PlotsWidget.h"
#include "SessionCommand.h"
#include "VestrelVersion.h"
#include "cubeform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QUndoStack>

#include <set>

// Off unless enabled with QT_LOGGING_RULES="vestrel.debug=true".
Q_LOGGING_CATEGORY(vestrelDebug, "vestrel.debug", QtWarningMsg)

namespace {

const char* const versionText = VESTREL_VERSION;

// A dialog lists this many lines, then says how many more there are.
constexpr std::size_t dialogLines = 50;

// Column widths follow this many rows: the table looks the same and a
// hundred thousand patches do not have to be measured one by one.
constexpr int sampledRows = 200;

constexpr int recentFiles = 8;

// What a window frame and the space between the docks take, in pixels.
constexpr int frameAllowance = 40;

// Steps kept for undo; each holds the tables and the patch data.
constexpr int undoLimit = 30;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether the file's header says it is a device link.
bool isDeviceLink(const QString& path)
{
    // Only a regular file is looked into: a pipe would wait.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(40);
    return header.size() == 40 && header.mid(36, 4) == "acsp" && header.mid(12, 4) == "link";
}

std::string toUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// Shows in each details window its patch as the session has it now; a
// window whose patch is gone (another patch list, no longer paired) closes.
void reloadDetails(const std::vector<QPointer<CubeForm>>& forms, const CorrectionSession& session)
{
    const std::vector<Patch>& patches = session.patches();
    for (const QPointer<CubeForm>& form : forms) {
        if (!form)
            continue;
        const auto row = static_cast<std::size_t>(form->row());
        if (row < patches.size() && patches[row].paired() && patches[row].id == form->patchId())
            form->showPatch(patches[row]);
        else
            form->close();
    }
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

    QTableView* view = ui->tableView;
    view->setModel(proxyModel);
    view->hideColumn(PatchTableModel::RowNumber);
    // One fixed row height: fitting every row to its contents costs more
    // than everything else a load does, and corrected rows stay as tall.
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView* columns = view->horizontalHeader();
    columns->setResizeContentsPrecision(sampledRows);
    // A column header asks its selection model, at every paint, whether
    // its neighbours' columns are wholly selected: a question about every
    // row (most of the time select-all took on ten thousand rows). The
    // headers highlight nothing, so they ask an empty selection of their
    // own; clicks on them sort, and the table selects through its own.
    columns->setHighlightSections(false);
    columns->setSelectionModel(new QItemSelectionModel(proxyModel, columns));
    columns->setSortIndicatorShown(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    // Typing into the table must not overwrite a value by accident.
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    auto* labDelegate = new LabCellDelegate(this);
    connect(labDelegate, &LabCellDelegate::refused, this,
            [this](const QString& reason) { statusBar()->showMessage(reason, 5000); });
    for (int column : {PatchTableModel::RefL, PatchTableModel::RefA, PatchTableModel::RefB, PatchTableModel::MeasL,
                       PatchTableModel::MeasA, PatchTableModel::MeasB})
        view->setItemDelegateForColumn(column, labDelegate);
    view->viewport()->installEventFilter(this);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &MainWindow::tableContextMenu);
    connect(columns, &QHeaderView::sectionClicked, this, &MainWindow::horHeaderClicked);
    connect(rows, &QHeaderView::sectionClicked, this, &MainWindow::verHeaderClicked);
    setTabOrder(view, ui->comboBoxMethod);
    setTabOrder(ui->comboBoxMethod, ui->pushButtonAuto);

    const QByteArray vendor = framework::findStyleElement("vendor");
    const QByteArray product = framework::findStyleElement("product");
    setWindowTitle(QString::fromLatin1(vendor) + QLatin1Char(' ') + QString::fromLatin1(product));
    setAcceptDrops(true);

    detailsModeIndicator_ = new QLabel(tr("Row headers open details"), this);
    detailsModeIndicator_->setToolTip(tr("Ctrl+Shift+1 turns this off"));
    statusBar()->addPermanentWidget(detailsModeIndicator_);
    detailsModeIndicator_->hide();

    undoStack_ = new QUndoStack(this);
    undoStack_->setUndoLimit(undoLimit);

    buildHeader();
    buildAnalysis();
    buildMenus();
    buildLinkControls();
    buildPairingMenu();
    ui->menuEdit->removeAction(ui->actionUseRoundTrip);

    // Hidden on purpose: no menu entry.
    new QShortcut(QKeySequence(tr("Ctrl+Shift+5", "RoundTrip")), this, this,
                  &MainWindow::on_actionUseRoundTrip_triggered);
    new QShortcut(QKeySequence(tr("Ctrl+Shift+1", "Advanced")), this, this, &MainWindow::unlockAdvancedFeatures);
    // F10 opens the menu bar, as in most desktop programs.
    new QShortcut(QKeySequence(Qt::Key_F10), this, this,
                  [this] { menuBar()->setActiveAction(ui->menuFile->menuAction()); });

    ui->pushButtonAuto->setEnabled(false);
    ui->actionAuto->setEnabled(false);
    const QString method = QSettings().value(QStringLiteral("CORRECTION_METHOD")).toString();
    ui->comboBoxMethod->setCurrentIndex(method == QLatin1String("patch") ? 1 : 0);
    connect(ui->comboBoxMethod, &QComboBox::currentIndexChanged, this, [](int index) {
        QSettings().setValue(QStringLiteral("CORRECTION_METHOD"),
                             index == 1 ? QStringLiteral("patch") : QStringLiteral("smooth"));
    });
    session_.listen([this](const CorrectionSession::Event& event) { sessionStep(event); });
    restoreLayout();
}

MainWindow::~MainWindow()
{
    // The details windows point into the session's converters.
    closeDetails();
    ui->tableView->setModel(nullptr);
}

CorrectionMethod MainWindow::method() const
{
    return ui->comboBoxMethod->currentIndex() == 1 ? CorrectionMethod::PerPatch : CorrectionMethod::Smooth;
}

void MainWindow::setMethod(CorrectionMethod method)
{
    ui->comboBoxMethod->setCurrentIndex(method == CorrectionMethod::PerPatch ? 1 : 0);
}

void MainWindow::buildHeader()
{
    const QString resources = framework::resourceFolder();
    // The banner's edge columns run on to the window's edges at any width,
    // at the banner's own height.
    const QPixmap banner(resources + QStringLiteral("banner.png"));
    if (!banner.isNull()) {
        ui->labelHead->setPixmap(banner);
        ui->labelHead_left->setPixmap(banner.copy(0, 0, 1, banner.height()));
        ui->labelHead_right->setPixmap(banner.copy(banner.width() - 1, 0, 1, banner.height()));
        const int height = banner.height() / std::max(1, qRound(banner.devicePixelRatio()));
        for (QLabel* label : {ui->labelHead_left, ui->labelHead, ui->labelHead_right})
            label->setFixedHeight(height);
        // A window narrower than the banner (a small screen, a large scale)
        // shows its left part instead of growing past the screen.
        ui->labelHead->setMinimumWidth(1);
        ui->labelHead->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        ui->labelHead->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    const QPixmap icon(resources + QStringLiteral("about.png"));
    if (!icon.isNull())
        setWindowIcon(icon);
}

void MainWindow::buildMenus()
{
    QAction* undo = undoStack_->createUndoAction(this, tr("&Undo"));
    undo->setShortcuts(QKeySequence::Undo);
    QAction* redo = undoStack_->createRedoAction(this, tr("R&edo"));
    // The platform's redo keys, and Ctrl+Y, which users of every system try.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(tr("Ctrl+Y"))))
        redoKeys << QKeySequence(tr("Ctrl+Y"));
    redo->setShortcuts(redoKeys);
    // A further reading of the print, averaged with the measurement loaded.
    auto* addMeasurement = new QAction(tr("Add &Measurement..."), this);
    addMeasurement->setObjectName(QStringLiteral("actionAddMeasurement"));
    addMeasurement->setToolTip(tr("Average another measurement of the same print with the one loaded"));
    ui->menuFile->insertAction(ui->actionSaveAs, addMeasurement);
    connect(addMeasurement, &QAction::triggered, this, [this] { addMeasurementFile(QString()); });
    QAction* first = ui->menuEdit->actions().value(0);
    ui->menuEdit->insertAction(first, undo);
    ui->menuEdit->insertAction(first, redo);
    ui->menuEdit->insertSeparator(first);
    connect(undoStack_, &QUndoStack::indexChanged, this, [this] { setWindowModified(session_.hasUnsavedChanges()); });

    rebuildRecentMenu();

    QMenu* menu = menuBar()->addMenu(tr("&Help"));
    QAction* aboutAction = menu->addAction(tr("&About..."), this, &MainWindow::about);
    aboutAction->setMenuRole(QAction::AboutRole);
    QAction* helpAction = menu->addAction(tr("Help"), this, &MainWindow::help);
    helpAction->setShortcut(QKeySequence::HelpContents);
    menu->addSeparator();
    if (framework::findStyleElement("updater") != QByteArray("false"))
        menu->addAction(tr("&Update..."), this, &MainWindow::updateDialog);
    menu->addAction(tr("&Support..."), this, &MainWindow::supportDialog);
}

void MainWindow::restoreLayout()
{
    QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("WINDOW_GEOMETRY")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        // A first start: most of the screen, whatever its scale.
        const QRect available = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
        resize(std::min(available.width() * 4 / 5, 1400), std::min(available.height() * 4 / 5, 900));
    }
    const QByteArray header = settings.value(QStringLiteral("TABLE_HEADER")).toByteArray();
    if (!header.isEmpty())
        ui->tableView->horizontalHeader()->restoreState(header);
    ui->tableView->hideColumn(PatchTableModel::RowNumber);
    // On a screen too narrow for the table and the plots side by side (a
    // small laptop, or a large scale), the plots start hidden so that every
    // control can be reached; View > Plots shows them.
    if (plotsDock_ && screen() && !plotsDock_->isHidden() &&
        centralWidget()->minimumSizeHint().width() + plotsDock_->minimumSizeHint().width() + frameAllowance >
            screen()->availableGeometry().width())
        plotsDock_->hide();
}

void MainWindow::on_actionOpen_triggered()
{
    openProfile(QString());
}

void MainWindow::on_actionSaveAs_triggered()
{
    saveAsProfile(QString());
}

void MainWindow::on_actionRevert_triggered()
{
    if (!session_.hasProfile())
        return;
    session_.revertToOpened();
    sessionChanged();
    statusBar()->showMessage(tr("The profile's tables are as they were when it was opened"), 5000);
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

void MainWindow::on_actionAuto_triggered()
{
    on_pushButtonAuto_clicked();
}

void MainWindow::on_actionDetails_triggered()
{
    const QModelIndex current = proxyModel->mapToSource(ui->tableView->currentIndex());
    if (!current.isValid() || !openDetails(current.row()))
        statusBar()->showMessage(tr("Select a patch with reference and measured values first"), 5000);
}

void MainWindow::present(const SessionReport& report, const QString& title, int timeout)
{
    // In the user's language, as far as the engine's texts are translated.
    const QString summary = summaryOf(report);
    // Notes about the profile ride along in the status line; only failures
    // and warnings about the user's data interrupt with a dialog.
    QString status = summary;
    for (const QString& note : notesOf(report))
        status += QStringLiteral("; ") + note;
    statusBar()->showMessage(status, timeout);
    std::vector<std::string> details;
    for (const QString& line : detailsOf(report)) {
        qCDebug(vestrelDebug) << line;
        details.push_back(line.toStdString());
    }
    if (!report.ok || report.hasWarnings())
        showDetails(title, summary, details);
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

QString MainWindow::stepName(Change change) const
{
    switch (change) {
    case Change::LoadReference:
        return tr("Load Reference Data");
    case Change::LoadMeasurement:
        return tr("Load Measurement Data");
    case Change::AddMeasurement:
        return tr("Add Measurement");
    case Change::PairAgain:
        return tr("Pair Patches By");
    case Change::Correction:
        return tr("Auto");
    case Change::RoundTrip:
        return tr("Use Round Trip");
    case Change::PatchValues:
        return tr("Edit Patch Values");
    case Change::PutBack:
        return tr("Use Patch Again");
    case Change::Details:
        return tr("Separation Details");
    case Change::Revert:
        return tr("Revert to Opened Profile");
    case Change::Clear:
        return tr("Clear");
    }
    return {};
}

void MainWindow::sessionStep(const CorrectionSession::Event& event)
{
    switch (event.kind) {
    case CorrectionSession::Event::ProfileOpened:
        undoStack_->clear();
        return;
    case CorrectionSession::Event::Recorded:
        undoStack_->push(new SessionCommand(stepName(event.change), session_));
        setWindowModified(session_.hasUnsavedChanges());
        return;
    case CorrectionSession::Event::Undone:
    case CorrectionSession::Event::Redone:
        break;
    }
    // A step of the details windows, or one taken from them, leaves the
    // patch list as it was: they stay and show the nodes restored.
    if (keepDetailsOnStep_ || event.change == Change::Details) {
        std::vector<QPointer<CubeForm>> open;
        open.swap(cubeForms);
        sessionChanged();
        cubeForms.insert(cubeForms.begin(), open.begin(), open.end());
        reloadDetails(cubeForms, session_);
    } else {
        sessionChanged();
    }
}

void MainWindow::sessionChanged()
{
    // Details windows show nodes and patches that may have changed.
    closeDetails();
    model->reload();
    updateAverages();
    setWindowModified(session_.hasUnsavedChanges());
    enableAutoWhenReady();
    showPairing();
}

void MainWindow::on_actionUseRoundTrip_triggered()
{
    // The round trip predicts through the profile's tables.
    if (!session_.useRoundTrip()) {
        statusBar()->showMessage(tr("Open a profile first"), 2000);
        return;
    }
    model->refreshAll();
    updateAverages();
}

std::vector<std::size_t> MainWindow::selectedPatches() const
{
    // By the selection's ranges, a row at a time: select-all over ten
    // thousand rows is one range, not every cell of it.
    std::vector<bool> chosen(session_.patches().size(), false);
    for (const QItemSelectionRange& range : ui->tableView->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const QModelIndex source = proxyModel->mapToSource(proxyModel->index(row, range.left()));
            if (source.isValid() && static_cast<std::size_t>(source.row()) < chosen.size())
                chosen[static_cast<std::size_t>(source.row())] = true;
        }
    }
    std::vector<std::size_t> patches;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i])
            patches.push_back(i);
    return patches;
}

void MainWindow::on_pushButtonAuto_clicked()
{
    if (!session_.hasProfile())
        return;
    CorrectionRequest request;
    request.method = method();
    request.selection = selectedPatches();
    request.smooth.keepPure = keepPure();
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
    // A few times a second is enough to show progress and take an Abort;
    // each step's events would cost the run as much as its work.
    QElapsedTimer sinceEvents;
    auto onProgress = [&progress, &sinceEvents](std::size_t done, std::size_t total) {
        if (sinceEvents.isValid() && sinceEvents.elapsed() < 40 && done < total)
            return true;
        sinceEvents.start();
        progress.setMaximum(static_cast<int>(total));
        progress.setValue(static_cast<int>(done));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    // The plots wait for the result: the events the progress lets through
    // would otherwise draw them again on the way.
    auto correct = [&] {
        plots_->setFrozen(true);
        const auto thaw = qScopeGuard([this] { plots_->setFrozen(false); });
        return session_.correct(request, onProgress);
    };
    CorrectionReport report = correct();
    progress.close();
    // A refusal of the checks changed nothing; the user may know better.
    if (report.failedCheck != CorrectionCheck::Passed) {
        if (!askCorrectAnyway(summaryOf(report))) {
            statusBar()->showMessage(summaryOf(report), 5000);
            return;
        }
        request.force = true;
        progress.reset();
        report = correct();
        progress.close();
    }
    // The table and the plots show the result behind the report's dialog.
    if (report.ok) {
        model->refreshAll();
        updateAverages();
        // A correction changes the predicted columns only.
        resizeTable(PatchTableModel::OptL, PatchTableModel::OptDeltaE);
    }
    present(report, tr("Auto"), 5000);
}

CubeForm* MainWindow::openDetails(int patch)
{
    const std::vector<Patch>& patches = session_.patches();
    if (patch < 0 || patch >= static_cast<int>(patches.size()) || !session_.hasProfile() ||
        !patches[static_cast<std::size_t>(patch)].paired())
        return nullptr;
    if (session_.isLink()) {
        statusBar()->showMessage(tr("The separation details show printer profiles' B2A tables; a device link has none"),
                                 5000);
        return nullptr;
    }
    const Patch& p = patches[static_cast<std::size_t>(patch)];
    // A child window closes with the main window and frees itself when closed.
    std::unique_ptr<PatchEdit> edit = session_.editPatch(static_cast<std::size_t>(patch));
    if (!edit)
        return nullptr;
    auto* form = new CubeForm(this);
    form->setWindowFlag(Qt::Window);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setRow(patch);
    form->setEdit(std::move(edit));
    form->setMetric(metric_);
    form->showPatch(p);
    connect(form, &CubeForm::changed, this, [this] { detailsChanged(); });
    // A step undone or redone from a details window keeps the windows open,
    // showing the restored values, whatever step it was.
    // (A flag, not a pointer to QUndoStack's member: addresses of the
    // toolkit's functions taken here need not match the library's own.)
    auto stepKeepingDetails = [this](bool undo) {
        keepDetailsOnStep_ = true;
        if (undo)
            undoStack_->undo();
        else
            undoStack_->redo();
        keepDetailsOnStep_ = false;
    };
    connect(form, &CubeForm::undoRequested, this, [stepKeepingDetails] { stepKeepingDetails(true); });
    connect(form, &CubeForm::redoRequested, this, [stepKeepingDetails] { stepKeepingDetails(false); });
    cubeForms.emplace_back(form);
    form->show();
    return form;
}

void MainWindow::detailsChanged()
{
    // The session recorded the step; the details window stays open.
    model->refreshAll();
    setWindowModified(session_.hasUnsavedChanges());
    updateAverages();
}

void MainWindow::closeDetails()
{
    for (const QPointer<CubeForm>& form : cubeForms)
        if (form)
            delete form.data();
    cubeForms.clear();
}

void MainWindow::tableContextMenu(const QPoint& position)
{
    const QModelIndex index = proxyModel->mapToSource(ui->tableView->indexAt(position));
    if (!index.isValid())
        return;
    QMenu menu(this);
    QAction* details = menu.addAction(tr("Separation &Details..."));
    details->setEnabled(session_.hasProfile() && session_.patches()[static_cast<std::size_t>(index.row())].paired());
    QAction* useAgain = menu.addAction(tr("&Use This Patch Again"));
    useAgain->setEnabled(session_.leftOut(static_cast<std::size_t>(index.row())));
    QAction* chosen = menu.exec(ui->tableView->viewport()->mapToGlobal(position));
    if (chosen == details)
        openDetails(index.row());
    else if (chosen == useAgain)
        usePatchAgain(index.row());
}

bool MainWindow::usePatchAgain(int patch)
{
    if (patch < 0 || !session_.putBack(static_cast<std::size_t>(patch)))
        return false;
    model->refreshAll();
    statusBar()->showMessage(tr("Patch %1 is used by the next correction").arg(fromUtf8(
                                 session_.patches()[static_cast<std::size_t>(patch)].id)),
                             5000);
    return true;
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
        path = QFileDialog::getOpenFileName(this, tr("Choose a profile"), start,
                                            tr("ICC profiles (*.icc *.icm)") + QStringLiteral(";;") +
                                                tr("All files (*)"));
    }
    if (path.isEmpty())
        return false;

    // A device link prints through the printer's own profile: asked for once.
    if (isDeviceLink(path) && session_.printerPath().empty() && !setPrinterProfile(QString()))
        return false;
    // The details windows point into the converters about to be replaced.
    closeDetails();
    const SessionReport report = session_.openProfile(toUtf8(path));
    present(report, tr("Open Profile"), report.ok ? 5000 : 2000);
    if (!report.ok)
        return false;
    // Only a profile that opened is where the next dialog starts.
    settings.setValue(QStringLiteral("LAST_OPEN_FILE_ICC"), path);
    addRecentFile(path);
    model->refreshAll();
    updateAverages();
    // Qt shows "*" in place of the marker while there are unsaved changes.
    setWindowTitle(path + QStringLiteral("[*]"));
    setWindowModified(false);
    setKeepPure(session_.isLink());
    enableAutoWhenReady();
    return true;
}

bool MainWindow::openProfile()
{
    return openProfile(QString());
}

bool MainWindow::saveAsProfile()
{
    return saveAsProfile(QString());
}

bool MainWindow::askCorrectAnyway(const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, tr("Auto"), reason, QMessageBox::Cancel, this);
    QPushButton* anyway = box.addButton(tr("Correct &anyway"), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == anyway;
}

MainWindow::UnsavedAnswer MainWindow::askSaveChanges()
{
    QMessageBox box(QMessageBox::Question, windowTitle(), tr("Save changes to the profile?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    // Mnemonics of our own: the platform's standard buttons may have none.
    box.button(QMessageBox::Save)->setText(tr("&Save"));
    box.button(QMessageBox::Discard)->setText(tr("&Discard"));
    box.button(QMessageBox::Cancel)->setText(tr("&Cancel"));
    const int answer = box.exec();
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
    if (!settleUnsavedEdits()) {
        event->ignore();
        return;
    }
    closeDetails();
    QSettings settings;
    settings.setValue(QStringLiteral("WINDOW_GEOMETRY"), saveGeometry());
    settings.setValue(QStringLiteral("TABLE_HEADER"), ui->tableView->horizontalHeader()->saveState());
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    openFiles(paths);
}

void MainWindow::addRecentFile(const QString& path)
{
    QSettings settings;
    QStringList files = settings.value(QStringLiteral("RECENT_FILES")).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > recentFiles)
        files.removeLast();
    settings.setValue(QStringLiteral("RECENT_FILES"), files);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    QMenu* menu = ui->menuRecent;
    menu->clear();
    const QStringList files = QSettings().value(QStringLiteral("RECENT_FILES")).toStringList();
    int number = 0;
    for (const QString& path : files) {
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(++number).arg(QFileInfo(path).fileName()));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { openFiles({path}); });
    }
    menu->setEnabled(!files.isEmpty());
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

bool MainWindow::loadDataFile(PatchFileRole role, const QString& path)
{
    return loadData(role, path, false);
}

bool MainWindow::addMeasurementFile(const QString& path)
{
    return loadData(PatchFileRole::Measurement, path, true);
}

bool MainWindow::loadData(PatchFileRole role, const QString& givenPath, bool add)
{
    const QString key = QStringLiteral("LAST_OPEN_FILE_") +
                        (role == PatchFileRole::Measurement ? QStringLiteral("MEAS") : QStringLiteral("REF"));
    QString path = givenPath;
    if (path.isEmpty()) {
        QString start = QSettings().value(key).toString();
        if (start.isEmpty())
            start = QDir::currentPath() + QStringLiteral("/ax45Yzbla1937.txt");
        // Each file's own title: the two are easily swapped otherwise.
        const QString title = add ? tr("Choose a further measurement of the same print")
                              : role == PatchFileRole::Reference ? tr("Choose the reference data file")
                                                                 : tr("Choose the measurement data file");
        const QStringList filters = {tr("Patch data files (*.txt *.ti3 *.cie *.ref *.it8 *.cgats)"),
                                     tr("All files (*)")};
        path = QFileDialog::getOpenFileName(this, title, start, filters.join(QStringLiteral(";;")));
    }
    if (path.isEmpty())
        return false;

    // The details windows show patches of the list about to be replaced.
    closeDetails();
    const QString title = add ? tr("Add Measurement")
                          : role == PatchFileRole::Reference ? tr("Load Reference Data") : tr("Load Measurement Data");
    const SessionReport report = add ? session_.addMeasurement(toUtf8(path)) : session_.loadPatches(toUtf8(path), role);
    present(report, title, report.ok ? 5000 : 2000);
    if (!report.ok)
        return false;
    QSettings().setValue(key, path);
    addRecentFile(path);

    model->reload();
    updateAverages();
    if (session_.hasToleranceMarks())
        selectFailedRows();
    resizeTable();
    enableAutoWhenReady();
    return true;
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
    const bool ready = session_.hasProfile() && session_.hasMeasurementData() && session_.hasReferenceData();
    ui->pushButtonAuto->setEnabled(ready);
    ui->actionAuto->setEnabled(ready);
}

void MainWindow::resizeTable(int first, int last)
{
    if (suppressResize)
        return;
    QTableView* view = ui->tableView;
    if (last < 0)
        last = PatchTableModel::ColumnCount - 1;
    if (contentWidths_.size() != PatchTableModel::ColumnCount) {
        contentWidths_.assign(PatchTableModel::ColumnCount, 0);
        first = 0;
        last = PatchTableModel::ColumnCount - 1;
    }
    for (int column = first; column <= last; ++column) {
        view->resizeColumnToContents(column);
        contentWidths_[static_cast<std::size_t>(column)] = view->columnWidth(column);
    }
    for (int column : {PatchTableModel::RefL, PatchTableModel::RefA, PatchTableModel::RefB, PatchTableModel::MeasL,
                       PatchTableModel::MeasA, PatchTableModel::MeasB})
        if (column >= first && column <= last)
            contentWidths_[static_cast<std::size_t>(column)] += 10;
    spreadColumns();
}

void MainWindow::spreadColumns()
{
    // The columns share out a wider window in proportion to their contents.
    QTableView* view = ui->tableView;
    int total = 0;
    for (int column = 0; column < PatchTableModel::ColumnCount; ++column)
        if (!view->isColumnHidden(column))
            total += contentWidths_.empty() ? 0 : contentWidths_[static_cast<std::size_t>(column)];
    if (total <= 0)
        return;
    const double scale = std::max(1.0, (view->viewport()->width() - 2.0) / total);
    for (int column = 0; column < PatchTableModel::ColumnCount; ++column)
        if (!view->isColumnHidden(column))
            view->setColumnWidth(column, static_cast<int>(contentWidths_[static_cast<std::size_t>(column)] * scale));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The table's own area, once the layout has given it its size.
    if (watched == ui->tableView->viewport() && event->type() == QEvent::Resize)
        spreadColumns();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::updateAverages()
{
    auto show = [](QLabel* average, QLabel* maximum, const DeltaESummary& summary) {
        average->setText(summary.count ? QString::number(summary.mean, 'f', 2) : QStringLiteral("-"));
        maximum->setText(summary.count ? QString::number(summary.maximum, 'f', 2) : QStringLiteral("-"));
    };
    show(ui->labelAvgDEValue, ui->labelMaxDEValue, session_.before(metric_));
    show(ui->labelAvgAfterValue, ui->labelMaxAfterValue, session_.after(metric_));
    showDataFiles();
    refreshAnalysis();
}

void MainWindow::horHeaderClicked(int column)
{
    // The first click on a column sorts ascending, each further click reverses.
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    proxyModel->sort(column, sortOrder_);
    ui->tableView->horizontalHeader()->setSortIndicator(column, sortOrder_);
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
    updateAverages();
}

void MainWindow::unlockAdvancedFeatures()
{
    advancedEnabled = !advancedEnabled;
    detailsModeIndicator_->setVisible(advancedEnabled);
}

void MainWindow::clearData()
{
    closeDetails();
    session_.clearPatches();
    model->reload();
    updateAverages();
    enableAutoWhenReady();
}
