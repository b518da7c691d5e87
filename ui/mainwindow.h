#pragma once
// The main window: the patch table with its swatches, Delta E and averages,
// the menus and the two hidden shortcuts. Open, load, correct and save are
// the correction session's; the window asks for paths, shows progress and
// reports, and keeps the view in step.

#include "CorrectionSession.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>

#include <memory>
#include <vector>

class CubeForm;
class MySortFilterProxyModel;
class PatchTableModel;
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
    bool isAdvancedEnabled() const { return advancedEnabled; }
    Ui::MainWindow* form() const { return ui.get(); }

    // Reads a patch data file; an empty path asks with a dialog.
    void loadDataFile(PatchFileRole role, const QString& path);
    // The separation details window of one patch, opened.
    CubeForm* openDetails(int patch);
    const std::vector<QPointer<CubeForm>>& detailWindows() const { return cubeForms; }

    enum class UnsavedAnswer { Save, Discard, Cancel };

    // Fits the columns to a sample of their contents, unless suppressed.
    void resizeTable();
    // Average and maximum labels from one column: the measured Delta E or
    // the predicted one after the correction.
    void updateAverages(int column);
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
    void on_actionQuit_triggered();
    void on_actionClear_triggered();
    void on_actionLoadReferenceData_triggered();
    void on_actionLoadMeasurementData_triggered();
    void on_actionUseRoundTrip_triggered();
    void on_pushButtonAuto_clicked();
    void about();
    void help();
    void updateDialog();
    void supportDialog();
    void horHeaderClicked(int column);
    void verHeaderClicked(int row);
    void patchEdited(int patch);
    void unlockAdvancedFeatures();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Asks "Save changes to the profile?"; tests answer without a dialog.
    virtual UnsavedAnswer askSaveChanges();
    // Shows the lines behind a report; tests read them instead.
    virtual void showDetails(const QString& title, const QString& summary, const std::vector<std::string>& details);

private:
    // True when the unsaved edits may go: saved, discarded, or none.
    bool settleUnsavedEdits();
    void buildHeader();
    void buildHelpMenu();
    void selectFailedRows();
    void enableAutoWhenReady();
    // Status line, and the dialog when the report has lines behind it.
    void present(const SessionReport& report, const QString& title, int timeout);
    void detailsChanged(CubeForm* form);
    void buildAnalysis();
    // After the patch values, the metric or the limits changed.
    void refreshAnalysis();
    void refreshPlots();
    void editTolerances();

    std::unique_ptr<Ui::MainWindow> ui;
    CorrectionSession session_;
    PatchTableModel* model = nullptr;
    MySortFilterProxyModel* proxyModel = nullptr;
    // Open separation details windows; each deletes itself when closed.
    std::vector<QPointer<CubeForm>> cubeForms;
    bool suppressResize = false;
    bool advancedEnabled = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    int averagesColumn_ = 0; // the column updateAverages last showed

    DeltaEMetric metric_ = DeltaEMetric::CIE1976;
    ToleranceLimits limits_;
    PlotsWidget* plots_ = nullptr;
    QDockWidget* plotsDock_ = nullptr;
    VerdictPanel* verdict_ = nullptr;
    QAction* metricActions_[2] = {};
};
