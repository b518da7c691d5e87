#pragma once
// The patch table as the window shows it: one row per patch of the
// session, fifteen columns (reference, measurement, Delta E, tolerance mark,
// remaining difference after the correction). Values are numbers in the
// session; this model only formats them (two decimals, swatches, grade
// colours) and passes hand edits of the Lab cells back.

#include "ColorDifference.h"

#include <QAbstractTableModel>

class CorrectionSession;

class PatchTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        RowNumber = 0,
        RefName = 1,
        RefL = 2,
        RefA = 3,
        RefB = 4,
        MeasName = 5,
        MeasL = 6,
        MeasA = 7,
        MeasB = 8,
        DeltaE = 9,
        ToleranceMark = 10,
        OptL = 11,
        OptA = 12,
        OptB = 13,
        OptDeltaE = 14,
        ColumnCount = 15
    };

    explicit PatchTableModel(CorrectionSession& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // What a column holds, in plain words, for its header's tooltip.
    static QString columnToolTip(int section);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A Lab cell takes a number with a dot as decimal separator.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // After the session's patch list was replaced.
    void reload();
    // After values of existing patches changed (a correction, a round trip).
    void refreshAll();
    // The Delta E the two Delta E columns show and are graded by.
    void setMetric(DeltaEMetric metric);
    DeltaEMetric metric() const { return metric_; }

signals:
    // A hand edit changed a patch's values.
    void patchEdited(int patch);

private:
    CorrectionSession& session_;
    int rows_ = 0;
    DeltaEMetric metric_ = DeltaEMetric::CIE1976;
};
