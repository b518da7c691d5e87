#include "MyRCItemModel.h"
#include "MySortFilterProxyModel.h"
#include "PatchTable.h"

#include <QColor>
#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(PatchModel, EditFlagsFollowRowsAndColumns)
{
    std::unique_ptr<MyRCItemModel> model(PatchTable::createModel(nullptr));
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->columnCount(), 15);
    struct Case { int column; Qt::ItemFlags flags; };
    const Qt::ItemFlags editable = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    const Case cases[] = {
        {0, Qt::NoItemFlags}, {1, Qt::ItemIsEnabled}, {2, editable},  {4, editable},
        {5, Qt::ItemIsEnabled}, {8, editable},       {9, Qt::NoItemFlags}, {10, Qt::NoItemFlags},
        {14, Qt::NoItemFlags},  {15, Qt::NoItemFlags},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model->flags(model->index(0, c.column)), c.flags) << c.column;
    EXPECT_EQ(model->flags(model->index(5, 2)), Qt::NoItemFlags) << "a row that does not exist";

    // Insertions and removals keep one flag per row; outside the table they fail.
    EXPECT_FALSE(model->insertRows(-1, 2));
    EXPECT_FALSE(model->insertRows(2, 1));
    EXPECT_TRUE(model->insertRows(1, 3));
    EXPECT_EQ(model->rowEditable.size(), 4u);
    EXPECT_FALSE(model->removeRows(2, 3));
    EXPECT_TRUE(model->removeRows(0, 4));
    EXPECT_TRUE(model->rowEditable.empty());
    EXPECT_EQ(model->columnEditable.size(), 15u);
    EXPECT_TRUE(model->insertRows(0, 1));
    EXPECT_EQ(model->flags(model->index(0, 3)), editable);
}

TEST(PatchModel, NaturalOrder)
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

TEST(PatchModel, ProxySortsNumbersByValueAndNamesNaturally)
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

class PatchTableTest : public ::testing::Test
{
protected:
    PatchTableTest() : model(PatchTable::createModel(nullptr)), table(model.get()) {}

    void setLabs(int row, double refL, double refA, double refB, double measL, double measA, double measB)
    {
        table.setNumber(row, PatchTable::RefL, refL);
        table.setNumber(row, PatchTable::RefA, refA);
        table.setNumber(row, PatchTable::RefB, refB);
        table.setNumber(row, PatchTable::MeasL, measL);
        table.setNumber(row, PatchTable::MeasA, measA);
        table.setNumber(row, PatchTable::MeasB, measB);
    }
    QColor background(int row, int column) const
    {
        return model->data(model->index(row, column), Qt::BackgroundRole).value<QColor>();
    }

    std::unique_ptr<MyRCItemModel> model;
    PatchTable table;
};

TEST_F(PatchTableTest, DeltaECellWithItsGrade)
{
    model->insertRows(1, 2);
    setLabs(0, 50, 10, 10, 50, 13, 14); // Delta E 5.00
    setLabs(1, 50, 0, 0, 50.2, 0, 0);   // 0.20
    table.setText(1, PatchTable::ToleranceMark, "1");
    table.updateDeltaE(0);
    table.updateDeltaE(1);
    table.updateDeltaE(2); // no Lab values: left alone
    EXPECT_EQ(model->data(model->index(0, PatchTable::DeltaE)).toString(), "5.00");
    EXPECT_EQ(background(0, PatchTable::DeltaE), QColor(255, 160, 160));
    EXPECT_EQ(model->data(model->index(1, PatchTable::DeltaE)).toString(), "0.20");
    EXPECT_EQ(background(1, PatchTable::DeltaE), QColor(255, 100, 100)) << "a failed tolerance wins";
    EXPECT_FALSE(model->data(model->index(2, PatchTable::DeltaE)).isValid());
    EXPECT_EQ(model->data(model->index(0, PatchTable::DeltaE), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);

    // The optimised cells are graded without the tolerance mark.
    EXPECT_TRUE(table.setOptimizedDelta(1, 0.1, 0.1, 0.1));
    EXPECT_EQ(model->data(model->index(1, PatchTable::OptDeltaE)).toString(), "0.17");
    EXPECT_EQ(background(1, PatchTable::OptDeltaE), QColor(160, 255, 255));
    EXPECT_FALSE(table.setOptimizedDelta(-1, 1, 1, 1));
    EXPECT_FALSE(table.setOptimizedDelta(3, 1, 1, 1));
}

TEST_F(PatchTableTest, ReadingNumbersBack)
{
    table.setText(0, PatchTable::RefL, "50.5");
    table.setText(0, PatchTable::RefA, "-3");
    table.setText(0, PatchTable::RefB, "1e1");
    double L = -1, a = -1, b = -1;
    EXPECT_TRUE(table.getRefLab(0, L, a, b));
    EXPECT_EQ(L, 50.5);
    EXPECT_EQ(b, 10.0);
    table.setText(0, PatchTable::RefB, "1,5");
    L = -1;
    EXPECT_FALSE(table.getRefLab(0, L, a, b)) << "comma decimals are not numbers";
    EXPECT_EQ(L, -1) << "outputs untouched";
    EXPECT_FALSE(table.getMeasLab(0, L, a, b));
}

TEST_F(PatchTableTest, Summaries)
{
    PatchTable::Summary empty = table.summarize(PatchTable::DeltaE);
    EXPECT_EQ(empty.count, 0);
    model->insertRows(1, 2);
    table.setNumber(0, PatchTable::DeltaE, 1.0);
    table.setNumber(2, PatchTable::DeltaE, 3.0);
    table.setText(1, PatchTable::DeltaE, "n/a");
    const PatchTable::Summary s = table.summarize(PatchTable::DeltaE);
    EXPECT_EQ(s.count, 2);
    EXPECT_DOUBLE_EQ(s.average, 2.0);
    EXPECT_DOUBLE_EQ(s.maximum, 3.0);
}

} // namespace
