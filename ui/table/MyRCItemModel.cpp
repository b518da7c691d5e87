#include "MyRCItemModel.h"

MyRCItemModel::MyRCItemModel(int rows, int columns, QObject* parent)
    : QStandardItemModel(rows, columns, parent),
      columnEditable(static_cast<std::size_t>(columns), true),
      rowEditable(static_cast<std::size_t>(rows), true)
{
}

bool MyRCItemModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || row > rowCount() || count < 0)
        return false;
    rowEditable.insert(rowEditable.begin() + row, static_cast<std::size_t>(count), true);
    QStandardItemModel::insertRows(row, count, parent);
    return true;
}

bool MyRCItemModel::insertColumns(int column, int count, const QModelIndex& parent)
{
    if (column < 0 || column > columnCount() || count < 0)
        return false;
    columnEditable.insert(columnEditable.begin() + column, static_cast<std::size_t>(count), true);
    QStandardItemModel::insertColumns(column, count, parent);
    return true;
}

bool MyRCItemModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 0 || row + count > rowCount())
        return false;
    rowEditable.erase(rowEditable.begin() + row, rowEditable.begin() + row + count);
    QStandardItemModel::removeRows(row, count, parent);
    return true;
}

bool MyRCItemModel::removeColumns(int column, int count, const QModelIndex& parent)
{
    if (column < 0 || count < 0 || column + count > columnCount())
        return false;
    columnEditable.erase(columnEditable.begin() + column, columnEditable.begin() + column + count);
    QStandardItemModel::removeColumns(column, count, parent);
    return true;
}

Qt::ItemFlags MyRCItemModel::flags(const QModelIndex& index) const
{
    const int row = index.row();
    const int column = index.column();
    const bool rowOk = row >= 0 && row < rowCount() && static_cast<std::size_t>(row) < rowEditable.size() &&
                       rowEditable[static_cast<std::size_t>(row)];
    const bool columnOk = column >= 0 && column < columnCount() &&
                          static_cast<std::size_t>(column) < columnEditable.size() &&
                          columnEditable[static_cast<std::size_t>(column)];
    if (rowOk && columnOk)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    if (column == 1 || column == 5)
        return Qt::ItemIsEnabled;
    return Qt::NoItemFlags;
}
