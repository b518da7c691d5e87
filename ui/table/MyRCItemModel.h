#pragma once
// An item model whose cells are editable by row and by column: a cell is
// editable only where both its row and its column are. The patch table and
// the tables of the separation details window use it.

#include <QStandardItemModel>

#include <vector>

class MyRCItemModel : public QStandardItemModel
{
    Q_OBJECT

public:
    MyRCItemModel(int rows, int columns, QObject* parent = nullptr);

    // Grow and shrink the model only through these, so the edit flags
    // stay one per row and column.
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    // Editable cells are also selectable; the name columns 1 and 5 of the
    // patch table show enabled even when they are not editable.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    std::vector<bool> columnEditable;
    std::vector<bool> rowEditable;
};
