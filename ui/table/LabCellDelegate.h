#pragma once
// Edits one Lab cell of the patch table: a number in the range a chart can
// hold (L* 0 to 110, a* and b* -150 to 150), with a dot as decimal
// separator whatever the locale. The editor takes nothing else, so an
// invalid entry never leaves the cell; it is refused with a reason.

#include <QStyledItemDelegate>

class LabCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    // An entry left the editor unused; reason says what a cell takes.
    void refused(const QString& reason) const;
};
