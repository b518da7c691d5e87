#pragma once
// Sorts the patch table: cells that hold numbers by value, texts in natural
// order (digit runs by their value, so P2 comes before P10).

#include <QSortFilterProxyModel>

class MySortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // Whether s1 comes before s2 in natural order.
    static bool naturalLess(const QString& s1, const QString& s2);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
