#pragma once
// The patch table's operations on its model: one row per patch, every value
// stored as text ("12.34"), read back as numbers. The main window owns the
// model and this table; the view-side operations (sorting, fitting the
// columns) stay with the window.

#include "ColorDifference.h"

class MyRCItemModel;
class QObject;
class QString;

class PatchTable
{
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

    // A model of 1 row and the fifteen columns, with headers and edit flags.
    static MyRCItemModel* createModel(QObject* parent);

    explicit PatchTable(MyRCItemModel* model);
    MyRCItemModel* model() const { return model_; }

    // True when all three cells hold numbers; the outputs stay untouched otherwise.
    bool getRefLab(int row, double& L, double& a, double& b) const;
    bool getMeasLab(int row, double& L, double& a, double& b) const;
    bool getDeltaE(int row, double& dE) const;
    // Whether the tolerance mark holds an integer other than 0.
    bool toleranceFailed(int row) const;

    // The row's Delta E cell and its grade colour; nothing without both Lab triples.
    void updateDeltaE(int row);
    // The optimised difference cells and their grade colour; false for a row
    // outside the table.
    bool setOptimizedDelta(int row, double dL, double da, double db);
    // The swatch of a name column.
    void setSwatch(int row, int nameColumn, const Lab& lab);

    // A number cell as the program writes it: two decimals, right-aligned.
    void setNumber(int row, int column, double value);
    void setText(int row, int column, const QString& text, bool alignRight = false);

    struct Summary
    {
        int count = 0;
        double average = 0;
        double maximum = 0;
    };
    // Average and maximum of the numbers in one column.
    Summary summarize(int column) const;

private:
    bool readNumber(int row, int column, double& value) const;
    bool readLab(int row, int firstColumn, double& L, double& a, double& b) const;

    MyRCItemModel* model_;
};
