#pragma once
// The main window: the patch table with its swatches, Delta E and averages,
// the menus and the two hidden shortcuts. It owns the table model and its
// sorting proxy and forwards the work to the patch data and engine code.

#include "PatchDataReader.h"
#include "PatchTable.h"

#include <QMainWindow>
#include <QModelIndex>

#include <memory>
#include <vector>

class CubeForm;
class MyRCItemModel;
class MySortFilterProxyModel;
class csICCProfile;
class csICCProfileConverter;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    PatchTable& patchTable() { return table_; }
    MySortFilterProxyModel* proxy() const { return proxyModel; }
    bool isAdvancedEnabled() const { return advancedEnabled; }
    bool hasMeasData() const { return hasMeas; }
    bool hasRefData() const { return hasRef; }
    bool hasToleranceMarks() const { return hasTolFailed; }
    Ui::MainWindow* form() const { return ui.get(); }

    // Reads a patch data file into the table; an empty path asks with a dialog.
    void loadDataFile(PatchDataKind kind, const QString& path);

    // The row's separation details window, created on first need.
    CubeForm* cubeForRow(int row);
    // The round trip of one row: its measured values become the profile's
    // prediction of its reference.
    void roundTripRow(int row);
    csICCProfile* openedProfile() const { return profile.get(); }
    bool hasUnsavedEdits() const { return profileChanged; }
    const std::vector<CubeForm*>& detailWindows() const { return cubeForms; }

    enum class UnsavedAnswer { Save, Discard, Cancel };

    // Fits rows and columns to their contents, unless suppressed.
    void resizeTable();
    // Average and maximum labels from one column.
    void updateAverages(int column);

signals:
    void refChanged(int row);
    void measChanged(int row);

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
    void clearCubes();

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
    void modelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void rowChanged(int row);
    void updateDeltaE(int row);
    void setProfileChanged(bool changed);
    void setOptimizedDelta(int row, double DL, double Da, double Db);
    void unlockAdvancedFeatures();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Asks "Save changes to the profile?"; tests answer without a dialog.
    virtual UnsavedAnswer askSaveChanges();

private:
    // True when the unsaved edits may go: saved, discarded, or none.
    bool settleUnsavedEdits();
    // The model rows selected in the view, by the numbers of column 0.
    std::vector<int> selectedModelRows() const;
    void buildHeader();
    void buildHelpMenu();
    // The model row shown at a view row, by the numbers of column 0; -1 if none.
    int modelRowOfViewRow(int viewRow) const;
    void selectFailedRows();
    void enableAutoWhenReady();

    std::unique_ptr<Ui::MainWindow> ui;
    MyRCItemModel* model = nullptr;
    MySortFilterProxyModel* proxyModel = nullptr;
    PatchTable table_;
    // The open profile and its converters (intent 1, absolute white); the
    // per-row windows point into the converters, so they go first.
    std::unique_ptr<csICCProfile> profile;
    std::unique_ptr<csICCProfileConverter> a2b1Converter;
    std::unique_ptr<csICCProfileConverter> b2a1Converter;
    bool profileChanged = false;
    // Separation details windows by model row; owned.
    std::vector<CubeForm*> cubeForms;
    bool hasMeas = false;
    bool hasRef = false;
    bool hasProf = false;
    bool hasTolFailed = false;
    bool roundTripOn = false;
    bool suppressRowUpdates = false;
    bool suppressResize = false;
    bool advancedEnabled = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
