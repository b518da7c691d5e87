#include "ScriptedWindow.h"
#include "MySortFilterProxyModel.h"
#include "PatchTableModel.h"
#include "PlotsWidget.h"
#include "TestSupport.h"
#include "VerdictPanel.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QColor>
#include <QDockWidget>
#include <QFileInfo>
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
    PatchTableModel* model() { return window.patchModel(); }
    QString viewCell(int viewRow, int column) { return window.proxy()->index(viewRow, column).data().toString(); }
    QString status() { return window.statusBar()->currentMessage(); }
    void loadBoth()
    {
        window.openRef(dataPath("cmyk_ref.txt"));
        window.openMeas(dataPath("cmyk_meas.txt"));
    }

    ScriptedWindow window;
};

TEST_F(MainWindowTest, StartsEmptyWithItsMenus)
{
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_FALSE(window.form()->pushButtonAuto->isEnabled());
    EXPECT_EQ(window.windowTitle(), "Orvand Vestrel");
    EXPECT_TRUE(window.form()->tableView->isColumnHidden(0));

    // Help: About, Help, a separator and Support; the update entry is hidden.
    QMenu* help = nullptr;
    for (QAction* action : window.menuBar()->actions())
        if (action->text() == "&Help")
            help = action->menu();
    ASSERT_NE(help, nullptr);
    QStringList entries;
    for (QAction* action : help->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{"&About...", "Help", "-", "&Support..."}));
    EXPECT_FALSE(window.form()->menuEdit->actions().contains(window.form()->actionUseRoundTrip));
}

TEST_F(MainWindowTest, LoadingPairsAndReportsWhatItRead)
{
    loadBoth();
    EXPECT_EQ(status(), "Loaded 100 measured patches");
    EXPECT_TRUE(window.dialogs.isEmpty());
    EXPECT_EQ(model()->rowCount(), 100);
    // The mean and maximum of the file's patches: 3.41 and 6.81 (dE76).
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "3.41");
    EXPECT_EQ(window.form()->labelMaxDEValue->text(), "6.81");
    EXPECT_FALSE(window.form()->pushButtonAuto->isEnabled()) << "no profile yet";

    // Skipped lines: one status line, the dialog lists them; the rest pair by id.
    window.openMeas(dataPath("bad_lines.txt"));
    EXPECT_EQ(status(), "Loaded 5 measured patches; 3 lines skipped (13, 15, 17); 95 reference patches were not "
                        "measured (ids 2, 4, 6, 9\u2013100)");
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs[0].contains("line 15: 3 values, 4 expected")) << window.dialogs[0].toStdString();
    EXPECT_EQ(model()->rowCount(), 5);

    // A file that cannot be used changes nothing.
    window.openRef(dataPath("no_such_file.txt"));
    EXPECT_TRUE(status().startsWith("Could not load no_such_file.txt")) << status().toStdString();
    window.openRef(dataPath("cmyk_v2.icc"));
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_EQ(window.dialogs.size(), 3);
}

TEST_F(MainWindowTest, CombinedFileSelectsFailedRows)
{
    window.openMeas(dataPath("cmyk_combined.txt"));
    const QModelIndexList selected = window.form()->tableView->selectionModel()->selectedRows();
    EXPECT_EQ(selected.size(), 57);
    for (const QModelIndex& index : selected)
        EXPECT_TRUE(window.session().patches()[window.proxy()->mapToSource(index).row()].toleranceFailed());
}

TEST_F(MainWindowTest, SortedViewMapsToThePatchesShown)
{
    loadBoth();
    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, PatchTableModel::DeltaE));
    for (int viewRow = 1; viewRow < 100; ++viewRow)
        EXPECT_GE(viewCell(viewRow, PatchTableModel::DeltaE).toDouble(),
                  viewCell(viewRow - 1, PatchTableModel::DeltaE).toDouble());
    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, PatchTableModel::DeltaE));
    EXPECT_GE(viewCell(0, 9).toDouble(), viewCell(99, 9).toDouble()) << "the second click reverses";

    // Reload while sorted, then select three view rows: they are the patches shown there.
    window.openMeas(dataPath("cmyk_meas.txt"));
    auto* selection = window.form()->tableView->selectionModel();
    QStringList shown;
    for (int viewRow : {0, 17, 63}) {
        selection->select(window.proxy()->index(viewRow, PatchTableModel::RefL),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        shown << viewCell(viewRow, PatchTableModel::RefName);
    }
    QStringList selected;
    for (std::size_t patch : window.selectedPatches())
        selected << QString::fromStdString(std::string(window.session().patches()[patch].referenceName));
    shown.sort();
    selected.sort();
    EXPECT_EQ(selected, shown);

    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, PatchTableModel::RefName));
    EXPECT_EQ(viewCell(0, 1), "1");
    EXPECT_EQ(viewCell(1, 1), "2") << "names in natural order: 2 before 10";
    EXPECT_EQ(viewCell(9, 1), "10");
}

TEST_F(MainWindowTest, HandEditUpdatesTheRowAndTheSummary)
{
    loadBoth();
    const Lab reference = window.session().patches()[5].reference;
    for (int k = 0; k < 3; ++k)
        model()->setData(model()->index(5, PatchTableModel::MeasL + k),
                         QString::number(k == 0 ? reference.L : k == 1 ? reference.a : reference.b, 'f', 2));
    EXPECT_EQ(model()->index(5, PatchTableModel::DeltaE).data().toString(), "0.00");
    EXPECT_NE(window.form()->labelAvgDEValue->text(), "3.41");
}

TEST_F(MainWindowTest, ClearAndShortcuts)
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

    // Ctrl+K clears the table; the next file fills it again.
    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_FALSE(window.session().hasReferenceData());
    window.openRef(dataPath("rgb_ref.txt"));
    EXPECT_EQ(model()->rowCount(), 80);
}

// The View menu's metric reaches the table, the averages, the verdict and
// the plots, and is remembered with the limits for the next window.
TEST_F(MainWindowTest, MetricAndLimitsReachTheSummaryAndAreRemembered)
{
    loadBoth();
    // The offscreen screen is too narrow for the plots to start shown.
    window.plotsDock()->show();
    QAction* de2000 = nullptr;
    for (QAction* menu : window.menuBar()->actions())
        if (menu->text() == "&View")
            for (QAction* action : menu->menu()->actions())
                if (action->text() == "Delta E 2000")
                    de2000 = action;
    ASSERT_NE(de2000, nullptr);
    de2000->trigger();
    const Patch& first = window.session().patches()[0];
    EXPECT_EQ(model()->headerData(PatchTableModel::DeltaE, Qt::Horizontal).toString(), "Delta E 2000");
    EXPECT_EQ(model()->index(0, PatchTableModel::DeltaE).data().toString(),
              QString::number(first.measuredDeltaE(DeltaEMetric::CIE2000), 'f', 2));
    const DeltaESummary before = window.session().before(DeltaEMetric::CIE2000);
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), QString::number(before.mean, 'f', 2));
    EXPECT_EQ(window.plots()->plotData().metric, DeltaEMetric::CIE2000);

    // A mean limit just above and a maximum limit just below the figures.
    window.setLimits({before.mean + 0.01, before.maximum - 0.01, 10});
    EXPECT_EQ(window.verdictPanel()->cellText(0, Stage::Before), QString::number(before.mean, 'f', 2) + " pass");
    EXPECT_EQ(window.verdictPanel()->cellText(1, Stage::Before), QString::number(before.maximum, 'f', 2) + " fail");
    EXPECT_EQ(window.verdictPanel()->cellText(0, Stage::After), "-");

    ScriptedWindow next;
    EXPECT_EQ(next.metric(), DeltaEMetric::CIE2000);
    EXPECT_DOUBLE_EQ(next.limits().maximum, before.maximum - 0.01);
    next.setMetric(DeltaEMetric::CIE1976);
    next.setLimits(ToleranceLimits());
}

TEST_F(MainWindowTest, ExportReportWritesTheChosenFormat)
{
    TempDir dir;
    EXPECT_FALSE(window.exportReport(QString::fromStdString(dir.path("empty.html"))));
    EXPECT_EQ(status(), "Nothing to report yet: open a profile and load patches");
    loadBoth();
    for (const char* name : {"report.html", "report.pdf", "report.csv"}) {
        const QString path = QString::fromStdString(dir.path(name));
        EXPECT_TRUE(window.exportReport(path)) << name;
        EXPECT_EQ(status(), "Report written to " + path);
        EXPECT_GT(QFileInfo(path).size(), 1000) << name;
    }
    EXPECT_FALSE(window.exportReport(QString::fromStdString(dir.path("report.txt"))));
    EXPECT_EQ(window.dialogs.size(), 1);
}

// Share of the pixels of a and b that differ visibly.
double differing(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1;
    long count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())}) >
                48)
                ++count;
        }
    return static_cast<double>(count) / (a.width() * a.height());
}

// The plots kept as layers show what drawing every mark in order shows,
// whatever is selected; frozen, they keep what they showed.
TEST(PlotsWidgetTest, LayersAddUpToTheWholeDrawingAndFrozenPlotsWait)
{
    PlotData data;
    for (int i = 0; i < 400; ++i) {
        const double a = (i % 20) * 6.0 - 57, b = (i / 20) * 6.0 - 57;
        const Lab reference{20 + i % 7 * 10.0, a, b}, measured{reference.L + 1, a + 1.5 - i % 3, b - 1 + i % 5 * 0.5};
        data.patches.push_back({reference, measured, true, {reference.L, a + 0.2, b - 0.1}, 2.5 + i % 9 * 0.3,
                                0.4 + i % 4 * 0.1, false});
    }
    data.anyResult = true;
    PlotsWidget plots;
    plots.resize(520, 640);
    struct Case
    {
        const char* name;
        int every; // every n-th patch selected; 0 none
    };
    for (const Case& c : {Case{"none", 0}, Case{"all", 1}, Case{"some", 7}, Case{"all again", 1}}) {
        SCOPED_TRACE(c.name);
        for (std::size_t i = 0; i < data.patches.size(); ++i)
            data.patches[i].selected = c.every > 0 && i % static_cast<std::size_t>(c.every) == 0;
        data.anySelected = c.every > 0;
        plots.setPlotData(data);
        // Under a partial selection the selected marks lie over faint ones
        // of their own, hidden but for a shade at their edges.
        EXPECT_LT(differing(plots.image(), plots.drawnAtOnce()), 0.001);
    }

    const QImage shown = plots.image().copy();
    plots.setFrozen(true);
    data.patches.resize(10);
    plots.setPlotData(data);
    EXPECT_EQ(plots.grab().toImage().convertToFormat(shown.format()), shown);
    plots.setFrozen(false);
    EXPECT_GT(differing(plots.grab().toImage().convertToFormat(shown.format()), shown), 0.01);
}

} // namespace
