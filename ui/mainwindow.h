#pragma once
// The main window: the patch table with its swatches, Delta E and summary,
// the menus and the two hidden shortcuts. Open, load, correct and save are
// the correction session's; the window asks for paths, shows progress and
// reports, keeps the view in step and records every change for undo.

#include "CorrectionSession.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>

#include <memory>
#include <vector>

class CubeForm;
class MySortFilterProxyModel;
class PatchTableModel;
class QActionGroup;
class QLabel;
class QUndoStack;
class QCheckBox;
class PlotsWidget;
class QDockWidget;
class VerdictPanel;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    CorrectionSession& session() { return session_; }
    PatchTableModel* patchModel() const { return model; }
    MySortFilterProxyModel* proxy() const { return proxyModel; }
    QUndoStack* undoStack() const { return undoStack_; }
    bool isAdvancedEnabled() const { return advancedEnabled; }
    Ui::MainWindow* form() const { return ui.get(); }

    // Reads a patch data file; an empty path asks with a dialog. False when
    // nothing was loaded.
    bool loadDataFile(PatchFileRole role, const QString& path);
    // Adds a further measurement of the same print to the one loaded; the
    // files are averaged (File > Add Measurement). An empty path asks.
    bool addMeasurementFile(const QString& path);
    // How reference and measurement pair from now on; loaded files pair
    // again at once, as one undoable step, or the choice is refused.
    bool setPairing(PairBy by);
    // Opens files by their kind: profiles (.icc, .icm) are opened, patch
    // files loaded, a combined file as the measurement, otherwise the first
    // as reference when none is loaded yet. As for the command line and drops.
    void openFiles(const QStringList& paths);
    // The separation details window of one patch, opened.
    CubeForm* openDetails(int patch);
    // A patch the last correction left out (its error disagrees with its
    // neighbours') is used by the next one: one undoable step. False for a
    // patch that was not left out.
    bool usePatchAgain(int patch);
    const std::vector<QPointer<CubeForm>>& detailWindows() const { return cubeForms; }
    // The printer's own profile for a device link opened next; an empty
    // path asks. False when none was taken.
    bool setPrinterProfile(QString path);
    // Writes the correction as an abstract profile (File > Export Correction
    // as Abstract Profile); an empty path asks.
    bool exportAbstract(QString path);
    // Whether Auto keeps pure inks pure (the check box beside the method).
    bool keepPure() const;
    void setKeepPure(bool on);

    enum class UnsavedAnswer { Save, Discard, Cancel };

    // Fits the columns first to last (all by default) to a sample of their
    // contents, unless suppressed, and shares out the width again.
    void resizeTable(int first = 0, int last = -1);
    // The measured and the predicted Delta E of every paired patch.
    void updateAverages();
    // The correction "Auto" runs, as chosen beside the button.
    CorrectionMethod method() const;
    void setMethod(CorrectionMethod method);
    // The patches selected in the view, as indices of the session's list.
    std::vector<std::size_t> selectedPatches() const;

    // Analysis (MainWindowAnalysis.cpp): the Delta E shown, the tolerances
    // and their verdict, the plots and the report; metric and limits are
    // remembered in the settings.
    DeltaEMetric metric() const { return metric_; }
    void setMetric(DeltaEMetric metric);
    const ToleranceLimits& limits() const { return limits_; }
    void setLimits(const ToleranceLimits& limits);
    // Writes a report of the session; an empty path asks with a dialog.
    bool exportReport(QString path);
    PlotsWidget* plots() const { return plots_; }
    QDockWidget* plotsDock() const { return plotsDock_; }
    VerdictPanel* verdictPanel() const { return verdict_; }

public slots:
    bool openProfile(QString path);
    bool openProfile();
    bool saveAsProfile(QString path);
    bool saveAsProfile();
    void openRef(QString path);
    void openRef();
    void openMeas(QString path);
    void openMeas();
    void clearData();
    void closeDetails();

private slots:
    void on_actionOpen_triggered();
    void on_actionSaveAs_triggered();
    void on_actionRevert_triggered();
    void on_actionQuit_triggered();
    void on_actionClear_triggered();
    void on_actionLoadReferenceData_triggered();
    void on_actionLoadMeasurementData_triggered();
    void on_actionUseRoundTrip_triggered();
    void on_actionAuto_triggered();
    void on_actionDetails_triggered();
    void on_pushButtonAuto_clicked();
    void about();
    void help();
    void updateDialog();
    void supportDialog();
    void horHeaderClicked(int column);
    void verHeaderClicked(int row);
    void tableContextMenu(const QPoint& position);
    void patchEdited(int patch);
    void unlockAdvancedFeatures();

protected:
    // The paint device's metric stays reachable beside the Delta E metric.
    using QMainWindow::metric;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Asks "Save changes to the profile?"; tests answer without a dialog.
    virtual UnsavedAnswer askSaveChanges();
    // Shows the lines behind a report; tests read them instead.
    virtual void showDetails(const QString& title, const QString& summary, const std::vector<std::string>& details);
    // The save dialog: a name with the suffix of the chosen filter (chosen
    // is its index), or empty when cancelled.
    virtual QString askSavePath(const QString& title, const QString& start, const QStringList& filters,
                                const QStringList& suffixes, int& chosen);
    // Asks a question whose yes replaces a file.
    virtual bool askReplace(const QString& question);
    // Asks before a correction that a check refused is made all the same.
    virtual bool askCorrectAnyway(const QString& reason);
    // Which of files holds the reference colours, when the files do not
    // say; -1 when the user would rather not say.
    virtual int askWhichIsReference(const QStringList& files);
    // The open dialog for the printer profile a device link prints through.
    virtual QString askPrinterProfile();

private:
    // The keep-pure check box and the abstract profile's menu entry.
    void buildLinkControls();
    QCheckBox* keepPure_ = nullptr;
    // Adds the suffix to a name without one; false when that names a file
    // the user would not replace.
    bool settleSuffix(QString& path, const QString& suffix);
    bool loadData(PatchFileRole role, const QString& path, bool add);
    // True when the unsaved edits may go: saved, discarded, or none.
    bool settleUnsavedEdits();
    void buildHeader();
    void buildMenus();
    void selectFailedRows();
    void enableAutoWhenReady();
    // Status line, and the dialog when the report has lines behind it.
    void present(const SessionReport& report, const QString& title, int timeout);
    // A step the session recorded, undid or redid: the undo stack and the
    // views follow.
    void sessionStep(const CorrectionSession::Event& event);
    QString stepName(Change change) const;
    // After the session changed under the view (undo, redo, revert).
    void sessionChanged();
    void detailsChanged();
    void addRecentFile(const QString& path);
    void rebuildRecentMenu();
    void restoreLayout();
    void spreadColumns();
    void buildAnalysis();
    void buildPairingMenu();
    // The names of the reference and measurement files in use, beside the
    // status line.
    void showDataFiles();
    QLabel* dataFilesLabel_ = nullptr;
    // Checks the pairing the session uses.
    void showPairing();
    // After the patch values, the metric or the limits changed.
    void refreshAnalysis();
    void refreshPlots();
    void editTolerances();

    std::unique_ptr<Ui::MainWindow> ui;
    CorrectionSession session_;
    PatchTableModel* model = nullptr;
    MySortFilterProxyModel* proxyModel = nullptr;
    QUndoStack* undoStack_ = nullptr;
    // Undone or redone from a details window: the details windows stay.
    bool keepDetailsOnStep_ = false;
    QLabel* detailsModeIndicator_ = nullptr;
    QActionGroup* pairingActions_ = nullptr;
    // Open separation details windows; each deletes itself when closed.
    std::vector<QPointer<CubeForm>> cubeForms;
    // The widths the columns' contents need, before spreading.
    std::vector<int> contentWidths_;
    bool suppressResize = false;
    bool advancedEnabled = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;

    DeltaEMetric metric_ = DeltaEMetric::CIE1976;
    ToleranceLimits limits_;
    PlotsWidget* plots_ = nullptr;
    QDockWidget* plotsDock_ = nullptr;
    VerdictPanel* verdict_ = nullptr;
    QAction* metricActions_[2] = {};
};
