#include "PatchTable.h"

#include "MyRCItemModel.h"

#include <QColor>
#include <QCoreApplication>

#include <cmath>

namespace {

QColor toQColor(const Rgb8& c)
{
    return QColor(c.r, c.g, c.b, c.alpha);
}

constexpr Qt::Alignment numberAlignment = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

MyRCItemModel* PatchTable::createModel(QObject* parent)
{
    auto* model = new MyRCItemModel(1, ColumnCount, parent);
    const char* headers[ColumnCount] = {"#",  "Ref",     "L*",  "a*", "b*", "Meas", "L*",     "a*",
                                        "b*", "Delta E", "Opt", "L*", "a*", "b*",   "Delta E"};
    for (int column = 0; column < ColumnCount; ++column)
        model->setHeaderData(column, Qt::Horizontal, QCoreApplication::translate("MainWindow", headers[column]),
                             Qt::EditRole);
    for (int column : {RowNumber, RefName, MeasName, DeltaE, ToleranceMark, OptL, OptA, OptB, OptDeltaE})
        if (model->columnCount() > column)
            model->columnEditable[static_cast<std::size_t>(column)] = false;
    return model;
}

PatchTable::PatchTable(MyRCItemModel* model)
    : model_(model)
{
}

bool PatchTable::readNumber(int row, int column, double& value) const
{
    const QVariant cell = model_->data(model_->index(row, column), Qt::DisplayRole);
    if (!cell.isValid())
        return false;
    bool ok = false;
    const double v = cell.toString().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool PatchTable::readLab(int row, int firstColumn, double& L, double& a, double& b) const
{
    double l, aa, bb;
    if (!readNumber(row, firstColumn, l) || !readNumber(row, firstColumn + 1, aa) ||
        !readNumber(row, firstColumn + 2, bb))
        return false;
    L = l;
    a = aa;
    b = bb;
    return true;
}

bool PatchTable::getRefLab(int row, double& L, double& a, double& b) const
{
    return readLab(row, RefL, L, a, b);
}

bool PatchTable::getMeasLab(int row, double& L, double& a, double& b) const
{
    return readLab(row, MeasL, L, a, b);
}

bool PatchTable::getDeltaE(int row, double& dE) const
{
    return readNumber(row, DeltaE, dE);
}

bool PatchTable::toleranceFailed(int row) const
{
    bool ok = false;
    const int mark = model_->data(model_->index(row, ToleranceMark), Qt::DisplayRole).toString().toInt(&ok);
    return ok && mark != 0;
}

void PatchTable::setNumber(int row, int column, double value)
{
    setText(row, column, QString::number(value, 'f', 2), true);
}

void PatchTable::setText(int row, int column, const QString& text, bool alignRight)
{
    const QModelIndex index = model_->index(row, column);
    model_->setData(index, text, Qt::EditRole);
    if (alignRight)
        model_->setData(index, QVariant::fromValue(numberAlignment), Qt::TextAlignmentRole);
    // Cells without flags are drawn as disabled, in a grey that is hard to
    // read on the grade colours; their text stays black.
    if (column >= DeltaE && model_->data(index, Qt::ForegroundRole).isNull())
        model_->setData(index, QColor(Qt::black), Qt::ForegroundRole);
}

void PatchTable::updateDeltaE(int row)
{
    double refL, refA, refB, measL, measA, measB;
    if (!getRefLab(row, refL, refA, refB) || !getMeasLab(row, measL, measA, measB))
        return;
    const double dE = deltaE(Lab{refL, refA, refB}, Lab{measL, measA, measB});
    setNumber(row, DeltaE, dE);
    model_->setData(model_->index(row, DeltaE), toQColor(gradeColor(dE, toleranceFailed(row))), Qt::BackgroundRole);
}

bool PatchTable::setOptimizedDelta(int row, double dL, double da, double db)
{
    if (row < 0 || row >= model_->rowCount())
        return false;
    const double dE = std::sqrt(dL * dL + da * da + db * db);
    setNumber(row, OptL, dL);
    setNumber(row, OptA, da);
    setNumber(row, OptB, db);
    setNumber(row, OptDeltaE, dE);
    model_->setData(model_->index(row, OptDeltaE), toQColor(gradeColor(dE, false)), Qt::BackgroundRole);
    return true;
}

void PatchTable::setSwatch(int row, int nameColumn, const Lab& lab)
{
    model_->setData(model_->index(row, nameColumn), toQColor(labToRgb(lab)), Qt::DecorationRole);
}

PatchTable::Summary PatchTable::summarize(int column) const
{
    Summary summary;
    double sum = 0;
    for (int row = 0; row < model_->rowCount(); ++row) {
        double v;
        if (!readNumber(row, column, v))
            continue;
        sum += v;
        ++summary.count;
        if (v > summary.maximum)
            summary.maximum = v;
    }
    if (summary.count > 0)
        summary.average = sum / summary.count;
    return summary;
}
