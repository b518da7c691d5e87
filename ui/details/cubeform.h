#pragma once
// The separation details window of one patch: how its reference travels
// into the B2A1 table, the eight CLUT nodes around it, and the offset, aim,
// result and remaining difference of its correction. The patch corrector
// holds the state; the widgets are built when the window is first shown,
// so "Auto" over thousands of patches creates no tables it never shows.

#include "Patch.h"
#include "PatchEdit.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class MyRCItemModel;
class QModelIndex;

namespace Ui {
class CubeForm;
}

class CubeForm : public QWidget
{
    Q_OBJECT

public:
    enum DisplayMode { Hexadecimal = 0, Percent = 1, EightBit = 2 };

    explicit CubeForm(QWidget* parent = nullptr);
    ~CubeForm() override;

    int row() const { return row_; }
    void setRow(int row) { row_ = row; }
    // The patch's details from the session; every node edit goes through it.
    void setEdit(std::unique_ptr<PatchEdit> edit);
    // Shows a patch of the session where it stands now. The corrector starts
    // from where the print lands, the prediction after a correction or else
    // the measurement, so that Iterate carries on from there; the Delta row
    // and the caption give the Delta E the main table gives, until the nodes
    // change here. Called again after an undo, with the patch restored.
    void showPatch(const Patch& patch);
    // The id of the patch shown (empty before showPatch).
    const std::string& patchId() const { return patchId_; }
    const PatchCorrector& corrector() const;
    // The Delta E the node errors and the remaining difference are shown in.
    void setMetric(DeltaEMetric metric);

    // Builds the widgets and their tables if not yet done.
    void ensureBuilt();
    Ui::CubeForm* form() const { return ui.get(); }
    MyRCItemModel* inputModel() const { return modelI; }
    MyRCItemModel* cubeModel() const { return modelC; }
    MyRCItemModel* offsetModel() const { return modelO; }
    DisplayMode displayMode() const { return mode_; }

    // What the Delta row shows: the measurement of a patch not corrected,
    // the prediction after a correction (made by Auto or here), or the
    // remaining difference at a reference typed into the AbsCol row.
    enum class Standing { Measured, Corrected, TypedReference };
    Standing standing() const { return standing_; }

signals:
    void changed(bool changed);
    // The main window keeps the history of every change; the Undo button
    // and the undo and redo keys ask it.
    void undoRequested();
    void redoRequested();
    void optimizedDelta(int row, double DL, double Da, double Db);

public slots:
    void on_pushButtonIterate_clicked(bool roundTrip = false);
    void calculateA2BGradient(const uint16_t* dev, double** dlab_d, double gradstep);

private slots:
    void verHeaderClicked(int row);
    void modelIDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void modelCDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void on_checkBoxShowHex_toggled(bool checked);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildModels();
    void nameDeviceColumns();
    void refreshInput();
    void refreshCube();
    void resizeTables();
    // After the nodes changed here: the patch stands at the new prediction.
    void nodesChanged();
    void report();
    void refreshDelta();
    QString deltaEName() const;
    QString caption() const;
    QString deviceText(uint16_t value) const;
    bool parseDevice(const QVariant& cell, uint16_t& value) const;
    void listen(bool on);

    std::unique_ptr<Ui::CubeForm> ui;
    int row_ = -1;
    std::unique_ptr<PatchEdit> edit_;
    MyRCItemModel* modelI = nullptr;
    MyRCItemModel* modelC = nullptr;
    MyRCItemModel* modelO = nullptr;
    DisplayMode mode_ = Hexadecimal;
    DeltaEMetric metric_ = DeltaEMetric::CIE1976;
    // The patch as the main table shows it (its names are not kept: they
    // point into files an undo may drop).
    Patch patch_;
    std::string patchId_;
    QString patchName_;
    Standing standing_ = Standing::Measured;
};
