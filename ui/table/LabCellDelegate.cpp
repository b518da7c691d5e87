#include "LabCellDelegate.h"

#include "PatchFile.h"
#include "PatchTableModel.h"

#include <QDoubleValidator>
#include <QLineEdit>

QWidget* LabCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        const int column = index.column();
        const bool lightness = column == PatchTableModel::RefL || column == PatchTableModel::MeasL;
        auto* validator = lightness ? new QDoubleValidator(0.0, PatchFileReader::maxL, 4, line)
                                    : new QDoubleValidator(-PatchFileReader::maxAbsAB, PatchFileReader::maxAbsAB, 4, line);
        validator->setNotation(QDoubleValidator::StandardNotation);
        validator->setLocale(QLocale::c());
        line->setValidator(validator);
    }
    return editor;
}

void LabCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // An entry the validator would not accept whole (an empty cell, "12.")
    // is dropped: the cell keeps its value.
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && !line->hasAcceptableInput()) {
        const bool lightness = index.column() == PatchTableModel::RefL || index.column() == PatchTableModel::MeasL;
        emit refused(lightness ? tr("'%1' was not taken: L* is a number from 0 to %2").arg(line->text()).arg(PatchFileReader::maxL)
                               : tr("'%1' was not taken: a* and b* are numbers from -%2 to %2")
                                     .arg(line->text())
                                     .arg(PatchFileReader::maxAbsAB));
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
