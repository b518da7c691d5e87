#include "CorrectionSession.h"
#include "MySortFilterProxyModel.h"
#include "PatchTableModel.h"
#include "TestSupport.h"

#include <QColor>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace {

TEST(PatchTableModel, NaturalOrder)
{
    struct Case { const char* a; const char* b; bool less; };
    const Case cases[] = {
        {"P2", "P10", true},     {"P10", "P2", false},   {"P010", "P10", true},  {"P10", "P010", false},
        {"A", "B", true},        {"P 7", "P7", true},    {"P7", "P 7", false},   {"", "A", true},
        {"x9y", "x10y", true},   {"a0", "a00", true},    {"12", "9", false},     {"ab", "ab", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MySortFilterProxyModel::naturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(PatchTableModel, ProxySortsNumbersByValueAndNamesNaturally)
{
    QStandardItemModel source(4, 2);
    const char* numbers[] = {"10.00", "9.50", "", "100.25"};
    const char* names[] = {"P10", "P2", "P1", "P010"};
    for (int row = 0; row < 4; ++row) {
        source.setData(source.index(row, 0), numbers[row]);
        source.setData(source.index(row, 1), names[row]);
    }
    MySortFilterProxyModel proxy;
    proxy.setSourceModel(&source);
    auto column = [&proxy](int c) {
        QStringList values;
        for (int row = 0; row < proxy.rowCount(); ++row)
            values << proxy.index(row, c).data().toString();
        return values;
    };
    proxy.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(column(1), (QStringList{"P1", "P2", "P010", "P10"}));
    proxy.sort(0, Qt::AscendingOrder);
    QStringList sorted = column(0);
    sorted.removeAll(QString());
    EXPECT_EQ(sorted, (QStringList{"9.50", "10.00", "100.25"})) << "by value, not as texts";
}

TEST(PatchTableModel, FormatsTheSessionsNumbersAndTakesEdits)
{
    CorrectionSession session;
    ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_combined.txt"), PatchFileRole::Measurement).ok);
    PatchTableModel model(session);
    ASSERT_EQ(model.rowCount(), 100);
    auto cell = [&model](int row, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(row, column), role);
    };
    EXPECT_EQ(cell(0, PatchTableModel::RefL).toString(), "95.20");
    EXPECT_TRUE(cell(0, PatchTableModel::RefName, Qt::DecorationRole).value<QColor>().isValid());
    EXPECT_FALSE(cell(0, PatchTableModel::OptDeltaE).isValid()) << "nothing corrected yet";

    // A patch marked failed gets the tolerance colour whatever its Delta E.
    int failed = 0;
    for (int row = 0; row < model.rowCount(); ++row)
        if (cell(row, PatchTableModel::ToleranceMark).toString() == "1") {
            ++failed;
            EXPECT_EQ(cell(row, PatchTableModel::DeltaE, Qt::BackgroundRole).value<QColor>(), QColor(255, 100, 100));
        }
    EXPECT_EQ(failed, 57);

    struct Edit { int column; const char* text; bool taken; };
    const Edit edits[] = {
        {PatchTableModel::MeasL, "95.20", true}, {PatchTableModel::MeasA, "0.6", true},
        {PatchTableModel::MeasB, "-2.40", true}, {PatchTableModel::MeasB, "abc", false},
        {PatchTableModel::MeasB, "1,5", false},  {PatchTableModel::DeltaE, "1.00", false},
        {PatchTableModel::RefName, "x", false},
    };
    for (const Edit& e : edits)
        EXPECT_EQ(model.setData(model.index(0, e.column), e.text), e.taken) << e.column << " " << e.text;
    EXPECT_EQ(cell(0, PatchTableModel::DeltaE).toString(), "0.00") << "measured now equals the reference";
    EXPECT_DOUBLE_EQ(session.patches()[0].measured.a, 0.6);
}

} // namespace
