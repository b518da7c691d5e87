#include "PatchDataReader.h"

#include "MyRCItemModel.h"
#include "PatchTable.h"

#include <QDebug>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

namespace {

// Column of each recognised field in the field line, -1 when absent.
struct FieldColumns
{
    int sampleName = -1;
    int L = -1, a = -1, b = -1;
    int refL = -1, refA = -1, refB = -1;
    int tolFailed = -1;

    bool hasLab() const { return L >= 0 && a >= 0 && b >= 0; }
    bool hasRefLab() const { return refL >= 0 && refA >= 0 && refB >= 0; }
    int lastNeeded() const { return std::max({sampleName, L, a, b}); }
};

void recordFields(const QStringList& fields, FieldColumns& columns)
{
    auto find = [&fields](const char* name, int& column) {
        const int at = fields.indexOf(QLatin1String(name));
        if (at >= 0)
            column = at;
    };
    // Of several name fields, SAMPLE_NAME wins, then SAMPLE_LOC.
    find("SAMPLE_ID", columns.sampleName);
    find("SAMPLE_LOC", columns.sampleName);
    find("SAMPLE_NAME", columns.sampleName);
    find("LAB_L", columns.L);
    find("LAB_A", columns.a);
    find("LAB_B", columns.b);
    find("REFLAB_L", columns.refL);
    find("REFLAB_A", columns.refA);
    find("REFLAB_B", columns.refB);
    find("TOL_FAILED", columns.tolFailed);
}

bool parseField(const QStringList& fields, int column, double& value)
{
    if (column < 0 || column >= fields.size())
        return false;
    bool ok = false;
    value = fields.at(column).toDouble(&ok);
    return ok;
}

void growTo(MyRCItemModel& model, int rows)
{
    if (model.rowCount() < rows)
        model.insertRows(model.rowCount(), rows - model.rowCount());
}

} // namespace

QString PatchDataReader::kindWord(PatchDataKind kind)
{
    return kind == PatchDataKind::Measurement ? QStringLiteral("MEAS") : QStringLiteral("REF");
}

int PatchDataReader::read(QTextStream& stream, PatchDataKind kind, PatchTable& table, PatchDataFlags& flags)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    const bool measurement = kind == PatchDataKind::Measurement;
    const int nameColumn = measurement ? PatchTable::MeasName : PatchTable::RefName;
    const int labColumn = measurement ? PatchTable::MeasL : PatchTable::RefL;
    MyRCItemModel& model = *table.model();

    FieldColumns columns;
    bool headerDone = false;
    int lastNeededField = 0;
    int row = 0;
    QString line;
    while (stream.readLineInto(&line)) {
        if (line.isEmpty())
            continue;
        // Empty fields are kept, so a line that starts with white space
        // is indexed like the field line.
        const QStringList fields = line.split(whiteSpace);

        if (!headerDone || fields.size() < lastNeededField) {
            recordFields(fields, columns);
            if (columns.hasLab()) {
                (measurement ? flags.hasMeas : flags.hasRef) = true;
                lastNeededField = columns.lastNeeded();
                headerDone = true;
            }
            if (columns.hasRefLab())
                flags.hasRef = true;
            if (columns.tolFailed >= 0)
                flags.hasTolFailed = true;
            if (fields.size() > 1 && fields.at(0) == QLatin1String("NUMBER_OF_SETS")) {
                bool ok = false;
                const int count = fields.at(1).toInt(&ok);
                if (ok)
                    growTo(model, std::min(count, maxRowsFromCount));
            }
            continue;
        }

        double L, a, b;
        if (!parseField(fields, columns.L, L) || !parseField(fields, columns.a, a) ||
            !parseField(fields, columns.b, b)) {
            qDebug() << "failed to parse line:" << line;
            continue;
        }
        growTo(model, row + 1);
        table.setText(row, PatchTable::RowNumber, QString::number(row));
        table.setNumber(row, labColumn, L);
        table.setNumber(row, labColumn + 1, a);
        table.setNumber(row, labColumn + 2, b);
        const QString name =
            columns.sampleName >= 0 && columns.sampleName < fields.size() ? fields.at(columns.sampleName) : QString();
        if (columns.sampleName >= 0)
            table.setText(row, nameColumn, name);

        double refL, refA, refB;
        if (measurement && flags.hasRef && parseField(fields, columns.refL, refL) &&
            parseField(fields, columns.refA, refA) && parseField(fields, columns.refB, refB)) {
            table.setNumber(row, PatchTable::RefL, refL);
            table.setNumber(row, PatchTable::RefA, refA);
            table.setNumber(row, PatchTable::RefB, refB);
            if (columns.sampleName >= 0)
                table.setText(row, PatchTable::RefName, name);
            if (!flags.hasTolFailed) {
                table.setText(row, PatchTable::ToleranceMark, QStringLiteral("0"), true);
            } else if (columns.tolFailed >= 0 && columns.tolFailed < fields.size()) {
                bool ok = false;
                const int mark = fields.at(columns.tolFailed).toInt(&ok);
                if (ok)
                    table.setText(row, PatchTable::ToleranceMark, QString::number(mark), true);
            }
        }
        ++row;
    }
    return row;
}
