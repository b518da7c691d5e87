// The window's figures cover what they say: after a partial Per patch run,
// after Smooth then Per patch, after a hand edit; a further measurement
// added and taken back; and a verdict over a few patches says so.

#include "ScriptedWindow.h"
#include "MySortFilterProxyModel.h"
#include "PatchTableModel.h"
#include "PlotsWidget.h"
#include "TestSupport.h"
#include "VerdictPanel.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QStatusBar>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

class RepeatsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
        window.openRef(dataPath("cmyk_ref.txt"));
    }
    void runOn(CorrectionMethod method, const std::vector<int>& rows)
    {
        window.setMethod(method);
        QTableView* view = window.form()->tableView;
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(window.proxy()->index(row, PatchTableModel::RefL),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    }
    int withResult()
    {
        int n = 0;
        for (const Patch& p : window.session().patches())
            n += p.hasResult;
        return n;
    }
    // Every correction goes ahead, whatever the checks say.
    RepeatsWindowTest() { window.correctAnyway = true; }

    ScriptedWindow window;
};

TEST_F(RepeatsWindowTest, AfterAPartialRunEveryFigureIsOverTheWholeChart)
{
    window.openMeas(dataPath("cmyk_meas.txt"));
    runOn(CorrectionMethod::PerPatch, {3, 40, 77});
    ASSERT_EQ(withResult(), 3);

    double sum = 0, largest = 0;
    int paired = 0;
    for (const Patch& p : window.session().patches()) {
        if (!p.paired())
            continue;
        const double dE = p.hasResult ? p.remainingDeltaE(DeltaEMetric::CIE1976) : p.measuredDeltaE(DeltaEMetric::CIE1976);
        sum += dE;
        largest = std::max(largest, dE);
        ++paired;
    }
    ASSERT_EQ(paired, 100);
    EXPECT_EQ(window.form()->labelAvgAfterValue->text(), QString::number(sum / paired, 'f', 2));
    EXPECT_EQ(window.form()->labelMaxAfterValue->text(), QString::number(largest, 'f', 2));
    EXPECT_TRUE(window.verdictPanel()->cellText(0, Stage::After).startsWith(QString::number(sum / paired, 'f', 2)));
    EXPECT_EQ(window.verdictPanel()->scope(), "") << "the whole chart was measured";

    // The plots show every patch after, the uncorrected ones where they were measured.
    const PlotData plots = plotDataOf(window.session().patches(), DeltaEMetric::CIE1976, window.limits(), {});
    ASSERT_EQ(plots.patches.size(), 100u);
    for (std::size_t i = 0; i < plots.patches.size(); ++i) {
        const PlotPatch& p = plots.patches[i];
        EXPECT_TRUE(p.hasResult);
        if (!window.session().patches()[i].hasResult) {
            EXPECT_EQ(p.after, p.before);
            EXPECT_EQ(p.predicted.L, p.measured.L);
        }
    }
}

TEST_F(RepeatsWindowTest, PerPatchAfterSmoothCorrectsTheSelectionOnly)
{
    window.openMeas(dataPath("cmyk_meas.txt"));
    runOn(CorrectionMethod::Smooth, {});
    ASSERT_EQ(withResult(), 100);
    runOn(CorrectionMethod::PerPatch, {5, 6});
    EXPECT_EQ(withResult(), 2);
}

TEST_F(RepeatsWindowTest, AHandEditNeverShowsAStalePrediction)
{
    window.openMeas(dataPath("cmyk_meas.txt"));
    runOn(CorrectionMethod::Smooth, {});
    PatchTableModel* model = window.patchModel();
    for (int column : {PatchTableModel::RefL, PatchTableModel::MeasA}) {
        SCOPED_TRACE(column);
        const int row = column == PatchTableModel::RefL ? 3 : 4;
        ASSERT_FALSE(model->index(row, PatchTableModel::OptDeltaE).data().toString().isEmpty());
        ASSERT_TRUE(model->setData(model->index(row, column), "50"));
        EXPECT_TRUE(model->index(row, PatchTableModel::OptDeltaE).data().toString().isEmpty());
        EXPECT_FALSE(model->index(row + 2, PatchTableModel::OptDeltaE).data().toString().isEmpty());
    }
    // Undo brings the value and its prediction back together.
    window.undoStack()->undo();
    EXPECT_FALSE(model->index(4, PatchTableModel::OptDeltaE).data().toString().isEmpty());
}

TEST_F(RepeatsWindowTest, AddMeasurementAveragesAndIsOneUndoableStep)
{
    QAction* add = window.findChild<QAction*>(QStringLiteral("actionAddMeasurement"));
    ASSERT_NE(add, nullptr);
    EXPECT_TRUE(window.form()->menuFile->actions().contains(add));
    EXPECT_EQ(add->text(), "Add &Measurement...");

    // A second reading of the print, 0.4 L* lighter throughout.
    std::ifstream in(testDataPath("cmyk_meas.txt"));
    std::string lighter;
    bool data = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "END_DATA")
            data = false;
        if (data) {
            std::istringstream row(line);
            std::string id;
            double L, a, b;
            row >> id >> L >> a >> b;
            line = id + " " + std::to_string(L + 0.4) + " " + std::to_string(a) + " " + std::to_string(b);
        }
        if (line == "BEGIN_DATA")
            data = true;
        lighter += line + '\n';
    }
    TempDir dir;
    std::ofstream(dir.path("second.txt")) << lighter;

    window.openMeas(dataPath("cmyk_meas.txt"));
    const Lab measured = window.session().patches()[3].measured;
    ASSERT_TRUE(window.addMeasurementFile(QString::fromStdString(dir.path("second.txt"))));
    EXPECT_EQ(window.session().measurementPaths().size(), 2u);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "Averaged 2 measurement files into 100 measured patches; the measured values are the mean of 2 files "
              "(cmyk_meas.txt, second.txt)");
    EXPECT_TRUE(window.dialogs.isEmpty()) << window.dialogs.join('\n').toStdString();
    EXPECT_NEAR(window.session().patches()[3].measured.L, measured.L + 0.2, 1e-6);

    window.undoStack()->undo();
    EXPECT_EQ(window.session().measurementPaths().size(), 1u);
    ASSERT_EQ(window.patchModel()->rowCount(), 100);
    EXPECT_DOUBLE_EQ(window.session().patches()[3].measured.L, measured.L);
    window.undoStack()->redo();
    EXPECT_EQ(window.session().measurementPaths().size(), 2u);
    EXPECT_EQ(window.patchModel()->rowCount(), static_cast<int>(window.session().patches().size()));

    // Pairing anew reads both again, as one step.
    const int steps = window.undoStack()->count();
    ASSERT_TRUE(window.setPairing(PairBy::Id));
    EXPECT_EQ(window.session().measurementPaths().size(), 2u);
    EXPECT_EQ(window.undoStack()->count(), steps + 1);
}

TEST_F(RepeatsWindowTest, AVerdictOverAFewPatchesSaysSo)
{
    std::ifstream in(testDataPath("cmyk_meas.txt"));
    std::string five;
    bool data = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "END_DATA")
            data = false;
        const int id = std::atoi(line.c_str());
        if (!data || id == 2 || id == 11 || id == 30 || id == 55 || id == 91)
            five += line + '\n';
        if (line == "BEGIN_DATA")
            data = true;
    }
    TempDir dir;
    std::ofstream(dir.path("five.txt")) << five;
    window.openMeas(QString::fromStdString(dir.path("five.txt")));
    EXPECT_EQ(window.verdictPanel()->scope(), "Figures over the 5 measured patches only");
    runOn(CorrectionMethod::PerPatch, {0, 1, 2, 3, 4});
    EXPECT_TRUE(window.statusBar()->currentMessage().endsWith(
        "corrected from 5 of 100 reference patches; colours far from them are left as they were"))
        << window.statusBar()->currentMessage().toStdString();
}

} // namespace
