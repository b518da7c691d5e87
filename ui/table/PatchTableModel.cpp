#include "PatchTableModel.h"

#include "ColorDifference.h"
#include "CorrectionSession.h"
#include "PatchFile.h"

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QIcon>
#include <QStyle>

#include <cmath>

namespace {

QColor toQColor(const Rgb8& c)
{
    return QColor(c.r, c.g, c.b, c.alpha);
}

QString number(double v)
{
    return QString::number(v, 'f', 2);
}

double component(const Lab& lab, int k)
{
    return k == 0 ? lab.L : k == 1 ? lab.a : lab.b;
}

bool isNumberColumn(int column)
{
    return column != PatchTableModel::RowNumber && column != PatchTableModel::RefName &&
           column != PatchTableModel::MeasName;
}

} // namespace

PatchTableModel::PatchTableModel(CorrectionSession& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session), rows_(static_cast<int>(session.patches().size()))
{
}

int PatchTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int PatchTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PatchTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < ColumnCount)
        return columnToolTip(section);
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const headers[ColumnCount] = {
        QT_TRANSLATE_NOOP("MainWindow", "#"),       QT_TRANSLATE_NOOP("MainWindow", "Ref"),
        QT_TRANSLATE_NOOP("MainWindow", "L*"),      QT_TRANSLATE_NOOP("MainWindow", "a*"),
        QT_TRANSLATE_NOOP("MainWindow", "b*"),      QT_TRANSLATE_NOOP("MainWindow", "Meas"),
        "L*",                                       "a*",
        "b*",                                       QT_TRANSLATE_NOOP("MainWindow", "Delta E"),
        QT_TRANSLATE_NOOP("MainWindow", "Opt"),     "L*",
        "a*",                                       "b*",
        "Delta E"};
    if ((section == DeltaE || section == OptDeltaE) && metric_ == DeltaEMetric::CIE2000)
        return QCoreApplication::translate("MainWindow", "Delta E 2000");
    return QCoreApplication::translate("MainWindow", headers[section]);
}

QString PatchTableModel::columnToolTip(int section)
{
    // The short headers are the program's own; these say what they hold.
    static const char* const tips[ColumnCount] = {
        QT_TRANSLATE_NOOP("MainWindow", "Row of the patch in the files"),
        QT_TRANSLATE_NOOP("MainWindow", "The reference patch: its colour and name"),
        QT_TRANSLATE_NOOP("MainWindow", "Reference L* (D50)"),
        QT_TRANSLATE_NOOP("MainWindow", "Reference a*"),
        QT_TRANSLATE_NOOP("MainWindow", "Reference b*"),
        QT_TRANSLATE_NOOP("MainWindow", "The measured patch: its colour and name"),
        QT_TRANSLATE_NOOP("MainWindow", "Measured L* (D50)"),
        QT_TRANSLATE_NOOP("MainWindow", "Measured a*"),
        QT_TRANSLATE_NOOP("MainWindow", "Measured b*"),
        QT_TRANSLATE_NOOP("MainWindow", "Delta E between reference and measurement"),
        QT_TRANSLATE_NOOP("MainWindow", "The tolerance mark of a combined file (TOL_FAILED): 0 passed"),
        QT_TRANSLATE_NOOP("MainWindow", "After the correction: predicted L* difference, print minus reference"),
        QT_TRANSLATE_NOOP("MainWindow", "After the correction: predicted a* difference, print minus reference"),
        QT_TRANSLATE_NOOP("MainWindow", "After the correction: predicted b* difference, print minus reference"),
        QT_TRANSLATE_NOOP("MainWindow", "After the correction: the Delta E the correction predicts"),
    };
    return QCoreApplication::translate("MainWindow", tips[section]);
}

QVariant PatchTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(session_.patches().size()))
        return {};
    const Patch& patch = session_.patches()[static_cast<std::size_t>(index.row())];
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case RowNumber: return QString::number(index.row());
        case RefName: return QString::fromUtf8(patch.referenceName.data(), static_cast<qsizetype>(patch.referenceName.size()));
        case MeasName: return QString::fromUtf8(patch.measuredName.data(), static_cast<qsizetype>(patch.measuredName.size()));
        case RefL:
        case RefA:
        case RefB:
            return patch.hasReference ? QVariant(number(component(patch.reference, column - RefL))) : QVariant();
        case MeasL:
        case MeasA:
        case MeasB:
            return patch.hasMeasured ? QVariant(number(component(patch.measured, column - MeasL))) : QVariant();
        case DeltaE:
            return patch.paired() ? QVariant(number(patch.measuredDeltaE(metric_))) : QVariant();
        case ToleranceMark: return patch.hasToleranceMark ? QVariant(QString::number(patch.toleranceMark)) : QVariant();
        case OptL:
        case OptA:
        case OptB:
            return patch.hasResult ? QVariant(number(component(patch.remaining, column - OptL))) : QVariant();
        case OptDeltaE: return patch.hasResult ? QVariant(number(patch.remainingDeltaE(metric_))) : QVariant();
        default: return {};
        }
    case Qt::TextAlignmentRole:
        if (isNumberColumn(column))
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    case Qt::DecorationRole:
        if (column == DeltaE && session_.leftOut(static_cast<std::size_t>(index.row())))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (column == RefName && patch.hasReference)
            return toQColor(labToRgb(patch.reference));
        if (column == MeasName && patch.hasMeasured)
            return toQColor(labToRgb(patch.measured));
        return {};
    case Qt::ToolTipRole:
        if (column == DeltaE && session_.leftOut(static_cast<std::size_t>(index.row())))
            return QCoreApplication::translate("MainWindow",
                                               "Left out of the correction: %1 from what its neighbours predict. "
                                               "Use This Patch Again (context menu) to use it.")
                .arg(session_.outlierSize(static_cast<std::size_t>(index.row())), 0, 'f', 1);
        return {};
    case Qt::BackgroundRole:
        if (column == DeltaE && patch.paired())
            return toQColor(gradeColor(patch.measuredDeltaE(metric_), patch.toleranceFailed()));
        if (column == OptDeltaE && patch.hasResult)
            return toQColor(gradeColor(patch.remainingDeltaE(metric_), false));
        return {};
    case Qt::ForegroundRole:
        // Cells without flags are drawn as disabled, in a grey that is hard
        // to read on the grade colours; their text stays black.
        if (column >= DeltaE)
            return QColor(Qt::black);
        return {};
    default: return {};
    }
}

Qt::ItemFlags PatchTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(session_.patches().size()))
        return Qt::NoItemFlags;
    const Patch& patch = session_.patches()[static_cast<std::size_t>(index.row())];
    // Only values that exist can be edited: a patch is never half a colour.
    const Qt::ItemFlags editable = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    switch (index.column()) {
    case RefL:
    case RefA:
    case RefB: return patch.hasReference ? editable : Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    case MeasL:
    case MeasA:
    case MeasB: return patch.hasMeasured ? editable : Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    case RefName:
    case MeasName: return Qt::ItemIsEnabled;
    default: return Qt::NoItemFlags;
    }
}

bool PatchTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    bool ok = false;
    const double v = value.toString().trimmed().toDouble(&ok);
    const bool lightness = index.column() == RefL || index.column() == MeasL;
    // The range a patch file may hold; anything else would bend the table.
    if (!ok || !std::isfinite(v) || (lightness ? v < 0.0 || v > PatchFileReader::maxL
                                               : std::abs(v) > PatchFileReader::maxAbsAB))
        return false;
    const auto row = static_cast<std::size_t>(index.row());
    const Patch& patch = session_.patches()[row];
    const bool reference = index.column() <= RefB;
    Lab lab = reference ? patch.reference : patch.measured;
    const int k = index.column() - (reference ? RefL : MeasL);
    (k == 0 ? lab.L : k == 1 ? lab.a : lab.b) = v;
    if (!(reference ? session_.setReference(row, lab) : session_.setMeasured(row, lab)))
        return false;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit patchEdited(index.row());
    return true;
}

void PatchTableModel::reload()
{
    beginResetModel();
    rows_ = static_cast<int>(session_.patches().size());
    endResetModel();
}

void PatchTableModel::refreshAll()
{
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1));
}

void PatchTableModel::setMetric(DeltaEMetric metric)
{
    if (metric == metric_)
        return;
    metric_ = metric;
    emit headerDataChanged(Qt::Horizontal, DeltaE, OptDeltaE);
    if (rows_ > 0) {
        emit dataChanged(index(0, DeltaE), index(rows_ - 1, DeltaE));
        emit dataChanged(index(0, OptDeltaE), index(rows_ - 1, OptDeltaE));
    }
}
