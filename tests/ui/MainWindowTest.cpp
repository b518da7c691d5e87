#include "MyRCItemModel.h"
#include "MySortFilterProxyModel.h"
#include "TestSupport.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QColor>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

class MainWindowTest : public ::testing::Test
{
protected:
    MyRCItemModel* model() { return window.patchTable().model(); }
    QString cell(int row, int column) { return model()->data(model()->index(row, column)).toString(); }
    QString viewCell(int viewRow, int column)
    {
        return window.proxy()->index(viewRow, column).data().toString();
    }
    QString status() { return window.statusBar()->currentMessage(); }
    void loadBoth()
    {
        window.openRef(dataPath("cmyk_ref.txt"));
        window.openMeas(dataPath("cmyk_meas.txt"));
    }

    MainWindow window;
};

TEST_F(MainWindowTest, StartsWithOneEmptyRow)
{
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_FALSE(window.form()->pushButtonAuto->isEnabled());
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "0");
    EXPECT_EQ(window.form()->labelMaxDEValue->text(), "0");
    EXPECT_EQ(window.windowTitle(), "Orvand Vestrel");
    EXPECT_TRUE(window.form()->tableView->isColumnHidden(0));

    // Help: About, Help, a separator and Support; the update entry is hidden.
    QMenu* help = nullptr;
    for (QAction* action : window.menuBar()->actions())
        if (action->text() == "Help")
            help = action->menu();
    ASSERT_NE(help, nullptr);
    QStringList entries;
    for (QAction* action : help->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{"&About...", "Help", "-", "&Support..."}));
    EXPECT_FALSE(window.form()->menuEdit->actions().contains(window.form()->actionUseRoundTrip));
}

TEST_F(MainWindowTest, LoadingFillsSwatchesDeltaEAndAverages)
{
    loadBoth();
    EXPECT_EQ(status(), "Loaded " + dataPath("cmyk_meas.txt"));
    EXPECT_TRUE(window.hasRefData());
    EXPECT_TRUE(window.hasMeasData());
    EXPECT_EQ(model()->rowCount(), 100);
    for (int row : {0, 57, 99}) {
        EXPECT_TRUE(model()->data(model()->index(row, 1), Qt::DecorationRole).value<QColor>().isValid()) << row;
        EXPECT_TRUE(model()->data(model()->index(row, 5), Qt::DecorationRole).value<QColor>().isValid()) << row;
        double dE;
        EXPECT_TRUE(window.patchTable().getDeltaE(row, dE)) << row;
        EXPECT_TRUE(model()->data(model()->index(row, 9), Qt::BackgroundRole).value<QColor>().isValid());
    }
    // The mean and maximum of the file's patches: 3.41 and 6.81 (dE76).
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "3.41");
    EXPECT_EQ(window.form()->labelMaxDEValue->text(), "6.81");
    EXPECT_FALSE(window.form()->pushButtonAuto->isEnabled()) << "no profile yet";
}

TEST_F(MainWindowTest, CombinedFileSelectsFailedRows)
{
    window.openMeas(dataPath("cmyk_combined.txt"));
    EXPECT_TRUE(window.hasToleranceMarks());
    const QModelIndexList selected = window.form()->tableView->selectionModel()->selectedRows();
    int failed = 0;
    for (int row = 0; row < model()->rowCount(); ++row)
        failed += window.patchTable().toleranceFailed(row);
    EXPECT_EQ(selected.size(), failed);
    EXPECT_EQ(failed, 57);
    for (const QModelIndex& index : selected)
        EXPECT_TRUE(window.patchTable().toleranceFailed(window.proxy()->mapToSource(index).row()));
}

TEST_F(MainWindowTest, HandEditRefreshesTheRow)
{
    loadBoth();
    const QString before = cell(5, 9);
    double L, a, b;
    ASSERT_TRUE(window.patchTable().getRefLab(5, L, a, b));
    // Measured equal to the reference: Delta E 0.
    model()->setData(model()->index(5, 6), QString::number(L, 'f', 2));
    model()->setData(model()->index(5, 7), QString::number(a, 'f', 2));
    model()->setData(model()->index(5, 8), QString::number(b, 'f', 2));
    EXPECT_EQ(cell(5, 9), "0.00");
    EXPECT_NE(before, "0.00");
    // Writes into the name and Delta E columns do not refresh rows.
    model()->setData(model()->index(5, 9), "99.00");
    EXPECT_EQ(cell(5, 9), "99.00");
}

TEST_F(MainWindowTest, SortingRenumbersColumnZero)
{
    loadBoth();
    auto& form = *window.form();
    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, 9));
    double previous = -1;
    for (int viewRow = 0; viewRow < 100; ++viewRow) {
        EXPECT_EQ(viewCell(viewRow, 0), QString::number(viewRow));
        const double dE = viewCell(viewRow, 9).toDouble();
        EXPECT_GE(dE, previous) << viewRow;
        previous = dE;
    }
    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, 9));
    EXPECT_GE(viewCell(0, 9).toDouble(), viewCell(99, 9).toDouble()) << "the second click reverses";
    EXPECT_EQ(viewCell(0, 0), "0");

    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, 1));
    EXPECT_EQ(viewCell(0, 1), "1");
    EXPECT_EQ(viewCell(1, 1), "2") << "names in natural order: 2 before 10";
    EXPECT_EQ(viewCell(9, 1), "10");
    (void)form;
}

TEST_F(MainWindowTest, ClearEmptiesTheTable)
{
    loadBoth();
    window.clearData();
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(model()->rowEditable.empty());
    EXPECT_EQ(model()->columnEditable.size(), 15u);
    EXPECT_FALSE(window.hasRefData());
    EXPECT_FALSE(window.form()->pushButtonAuto->isEnabled());
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "3.41") << "the labels keep their texts";
    window.openRef(dataPath("rgb_ref.txt"));
    EXPECT_EQ(model()->rowCount(), 80);
    EXPECT_EQ(model()->flags(model()->index(79, 2)) & Qt::ItemIsEditable, Qt::ItemIsEditable);
}

TEST_F(MainWindowTest, ShorterFilesAndMissingFiles)
{
    loadBoth();
    window.openMeas(dataPath("bad_lines.txt"));
    EXPECT_EQ(model()->rowCount(), 5) << "the table keeps the rows of the last file";
    window.openRef(dataPath("no_such_file.txt"));
    EXPECT_EQ(status(), "Failed to open " + dataPath("no_such_file.txt"));
    EXPECT_EQ(model()->rowCount(), 5);
}

TEST_F(MainWindowTest, HiddenShortcuts)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    loadBoth();

    // Row headers do nothing until Ctrl+Shift+1.
    QMetaObject::invokeMethod(&window, "verHeaderClicked", Q_ARG(int, 3));
    EXPECT_TRUE(window.form()->tableView->selectionModel()->selectedRows().isEmpty());
    QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window.isAdvancedEnabled());
    QMetaObject::invokeMethod(&window, "verHeaderClicked", Q_ARG(int, 3));
    const QModelIndexList selected = window.form()->tableView->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 3);

    // Ctrl+T is in no menu, so it does nothing; Ctrl+Shift+5 runs the round trip.
    window.statusBar()->clearMessage();
    QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(status(), "");
    QTest::keyClick(&window, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(status(), "Open a profile first");

    // The menu actions' own shortcuts: Ctrl+K clears the table.
    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(model()->rowCount(), 0);
}

} // namespace
