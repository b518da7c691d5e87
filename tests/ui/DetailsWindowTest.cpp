// The separation details window tells the truth about its patch: the Delta
// E the main table shows for it, before and after a correction, under
// either metric; the window's undo keys and Undo button reach the main
// window's history and leave the window open with the values restored; every
// header explains itself; numbers have two decimals as in the table.

#include "ScriptedWindow.h"
#include "MyRCItemModel.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "cubeform.h"
#include "mainwindow.h"
#include "ui_cubeform.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

// The B2A1 nodes of a details window's cell, in corner order.
std::vector<uint16_t> cellNodes(CubeForm* form)
{
    std::vector<uint16_t> values;
    const csCLUTCube* cube = form->corrector().cube();
    for (int c = 0; c < csCLUTCube::corners; ++c) {
        uint16_t indices[3], device[csCLUTCube::maxOutputs] = {};
        cube->cornerIndices(c, indices);
        cube->nodes().get(indices, device);
        values.insert(values.end(), device, device + csCLUTCube::maxOutputs);
    }
    return values;
}

class DetailsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
        window.openRef(dataPath("cmyk_ref.txt"));
        window.openMeas(dataPath("cmyk_meas.txt"));
        window.setMetric(DeltaEMetric::CIE1976);
    }
    void TearDown() override { window.closeDetails(); }

    void autoOnAll(CorrectionMethod method = CorrectionMethod::Smooth)
    {
        window.setMethod(method);
        window.form()->tableView->selectAll();
        QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
        ASSERT_TRUE(window.session().patches()[0].hasResult);
    }
    // Texts as std::string, which failures print readably.
    std::string table(int row, int column)
    {
        return window.patchModel()->index(row, column).data().toString().toStdString();
    }
    static std::string delta(CubeForm* form, int column)
    {
        return form->offsetModel()->index(3, column).data().toString().toStdString();
    }
    static std::string deltaLabel(CubeForm* form)
    {
        return form->offsetModel()->headerData(3, Qt::Vertical).toString().toStdString();
    }
    // Opened, shown and active, so that its window shortcuts fire.
    CubeForm* openActive(int row)
    {
        CubeForm* form = window.openDetails(row);
        if (!form)
            return nullptr;
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form));
        return form;
    }

    // Every correction goes ahead, whatever the checks say.
    DetailsWindowTest() { window.correctAnyway = true; }

    ScriptedWindow window;
};

TEST_F(DetailsWindowTest, DeltaRowShowsWhatTheTableShows)
{
    struct Case
    {
        const char* what;
        bool corrected;
        CorrectionMethod method;
        DeltaEMetric metric;
    };
    const Case cases[] = {
        {"measured, 1976", false, CorrectionMethod::Smooth, DeltaEMetric::CIE1976},
        {"measured, 2000", false, CorrectionMethod::Smooth, DeltaEMetric::CIE2000},
        {"after Smooth, 1976", true, CorrectionMethod::Smooth, DeltaEMetric::CIE1976},
        {"after Smooth, 2000", true, CorrectionMethod::Smooth, DeltaEMetric::CIE2000},
        {"after Per patch, 1976", true, CorrectionMethod::PerPatch, DeltaEMetric::CIE1976},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.undoStack()->setIndex(2); // the two loads, nothing corrected
        if (c.corrected)
            autoOnAll(c.method);
        window.setMetric(c.metric);
        // Patch 9 is the one measured 6.81 off; 0 and 50 are near and middling.
        for (int row : {0, 8, 50}) {
            SCOPED_TRACE(row);
            CubeForm* form = window.openDetails(row);
            ASSERT_NE(form, nullptr);
            const int deltaE = c.corrected ? PatchTableModel::OptDeltaE : PatchTableModel::DeltaE;
            EXPECT_EQ(delta(form, 0), table(row, deltaE));
            EXPECT_EQ(deltaLabel(form), c.corrected ? "Delta after" : "Delta measured");
            const QString caption = form->form()->labelPatch->text();
            EXPECT_TRUE(caption.contains((c.corrected ? " after the correction" : " as measured; not corrected yet")))
                << caption.toStdString();
            EXPECT_TRUE(caption.contains(QString::fromStdString(table(row, deltaE)))) << caption.toStdString();
            EXPECT_EQ(caption.contains("Delta E 2000"), c.metric == DeltaEMetric::CIE2000) << caption.toStdString();
            if (c.corrected) {
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(delta(form, k + 1), table(row, PatchTableModel::OptL + k)) << k;
            }
            form->close();
        }
    }
    window.setMetric(DeltaEMetric::CIE1976);
    window.undoStack()->setIndex(2);
    autoOnAll();
    CubeForm* form = window.openDetails(8);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(table(8, PatchTableModel::DeltaE), "6.81");
    EXPECT_NE(delta(form, 0), "6.81") << "the measurement is no longer where the patch stands";

    // The metric changed with the window open follows at once.
    window.setMetric(DeltaEMetric::CIE2000);
    EXPECT_EQ(delta(form, 0), table(8, PatchTableModel::OptDeltaE));
    EXPECT_EQ(form->cubeModel()->headerData(16, Qt::Horizontal).toString().toStdString(), "Delta E 2000");

    // Iterate carries on from the corrected print, not from the measurement
    // again, and the table takes the window's figure.
    window.setMetric(DeltaEMetric::CIE1976);
    const double before = window.session().patches()[8].remainingDeltaE(DeltaEMetric::CIE1976);
    form->form()->pushButtonIterate->click();
    EXPECT_EQ(delta(form, 0), table(8, PatchTableModel::OptDeltaE));
    EXPECT_EQ(deltaLabel(form), "Delta after");
    EXPECT_LE(window.session().patches()[8].remainingDeltaE(DeltaEMetric::CIE1976), before + 0.01);

    // A reference typed in is a what-if: the Delta row says so.
    form->inputModel()->setData(form->inputModel()->index(0, 1), "50");
    EXPECT_EQ(form->standing(), CubeForm::Standing::TypedReference);
    EXPECT_EQ(deltaLabel(form), "Delta");
    EXPECT_TRUE(form->form()->labelPatch->text().contains("typed in"));
}

TEST_F(DetailsWindowTest, UndoKeysReachTheMainWindowsHistory)
{
    autoOnAll();
    QUndoStack* stack = window.undoStack();
    QPointer<CubeForm> form = openActive(8);
    ASSERT_TRUE(form);
    const std::vector<uint16_t> corrected = cellNodes(form);
    const std::string after = delta(form, 0);

    form->form()->pushButtonIterate->click();
    const int iterated = stack->index();
    const std::vector<uint16_t> moved = cellNodes(form);
    ASSERT_NE(moved, corrected) << "the iteration moved nodes";
    ASSERT_EQ(stack->undoText(), "Separation Details");

    struct Case
    {
        const char* what;
        QKeySequence keys;
        int index;
        const std::vector<uint16_t>* nodes;
    };
    const Case cases[] = {
        {"Ctrl+Z undoes the iteration", QKeySequence(Qt::CTRL | Qt::Key_Z), iterated - 1, &corrected},
        {"Ctrl+Shift+Z redoes it", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), iterated, &moved},
        {"Ctrl+Z again", QKeySequence(Qt::CTRL | Qt::Key_Z), iterated - 1, &corrected},
        {"Ctrl+Y redoes it too", QKeySequence(Qt::CTRL | Qt::Key_Y), iterated, &moved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTest::keySequence(form.data(), c.keys);
        ASSERT_TRUE(form) << "the window stays open";
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(stack->index(), c.index);
        EXPECT_EQ(cellNodes(form), *c.nodes) << "the nodes shown are the tables' own";
        EXPECT_EQ(delta(form, 0), table(8, PatchTableModel::OptDeltaE));
    }
    EXPECT_EQ(delta(form, 0), table(8, PatchTableModel::OptDeltaE));

    // Undone from the main window, a step made in the details keeps them too.
    stack->undo();
    ASSERT_TRUE(form);
    EXPECT_EQ(cellNodes(form), corrected);
    EXPECT_EQ(delta(form, 0), after);

    // From inside, even the Auto before is undone with the window kept, which
    // then shows the measurement again.
    QTest::keySequence(form.data(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    ASSERT_TRUE(form);
    EXPECT_EQ(stack->index(), 2);
    EXPECT_FALSE(window.session().patches()[8].hasResult);
    EXPECT_EQ(deltaLabel(form), "Delta measured");
    EXPECT_EQ(delta(form, 0), "6.81");

    // Undoing the load of the measurement leaves the patch unpaired: its window goes.
    QTest::keySequence(form.data(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST_F(DetailsWindowTest, UndoButtonUndoesOneStepAndKeepsTheWindow)
{
    autoOnAll();
    QUndoStack* stack = window.undoStack();
    QPointer<CubeForm> form = window.openDetails(8);
    ASSERT_TRUE(form);
    const std::vector<uint16_t> corrected = cellNodes(form);
    const std::string after = delta(form, 0);
    // Two steps: an iteration, then a node typed in (C of the first node at 50 %).
    form->form()->pushButtonIterate->click();
    const std::vector<uint16_t> iterated = cellNodes(form);
    const std::string afterIterate = delta(form, 0);
    ASSERT_NE(iterated, corrected);
    form->cubeModel()->setData(form->cubeModel()->index(0, 4), "50");
    const int steps = stack->index();
    ASSERT_NE(cellNodes(form), iterated);

    form->form()->pushButtonUndo->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(form) << "Undo does not close the window";
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(stack->index(), steps - 1) << "only the last step";
    EXPECT_EQ(cellNodes(form), iterated);
    EXPECT_EQ(delta(form, 0), afterIterate);
    EXPECT_EQ(delta(form, 0), table(8, PatchTableModel::OptDeltaE));
    EXPECT_EQ(form->cubeModel()->index(0, 4).data().toString().toStdString(),
              QString::number(iterated[0] / 655.35, 'f', 2).toStdString())
        << "the cell shows the node restored";

    form->form()->pushButtonUndo->click();
    ASSERT_TRUE(form);
    EXPECT_EQ(stack->index(), steps - 2);
    EXPECT_EQ(cellNodes(form), corrected);
    EXPECT_EQ(delta(form, 0), after);
    EXPECT_EQ(window.detailWindows().size(), 1u);
}

TEST_F(DetailsWindowTest, EveryHeaderHasATooltip)
{
    CubeForm* form = window.openDetails(8);
    ASSERT_NE(form, nullptr);
    for (MyRCItemModel* model : {form->inputModel(), form->cubeModel(), form->offsetModel()}) {
        for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            const int sections = orientation == Qt::Horizontal ? model->columnCount() : model->rowCount();
            for (int section = 0; section < sections; ++section) {
                const QString label = model->headerData(section, orientation).toString();
                SCOPED_TRACE(label.toStdString());
                const QString tip = model->headerData(section, orientation, Qt::ToolTipRole).toString();
                EXPECT_GT(tip.size(), 15) << "a tooltip in words";
                EXPECT_NE(tip.toStdString(), label.toStdString());
            }
        }
    }
    // The short labels stay the system's own; the device columns are the inks'.
    EXPECT_EQ(form->inputModel()->headerData(0, Qt::Vertical).toString().toStdString(), "AbsCol");
    EXPECT_EQ(form->inputModel()->headerData(3, Qt::Vertical).toString().toStdString(), "PreCLUT");
    EXPECT_EQ(form->cubeModel()->headerData(15, Qt::Horizontal).toString().toStdString(), "OOG");
    EXPECT_TRUE(form->cubeModel()->headerData(4, Qt::Horizontal, Qt::ToolTipRole).toString().contains("C value"));
    EXPECT_TRUE(form->cubeModel()->headerData(15, Qt::Horizontal, Qt::ToolTipRole).toString().contains("gamut"));
}

TEST_F(DetailsWindowTest, NumbersHaveTwoDecimals)
{
    const QRegularExpression twoDecimals(QStringLiteral("^-?\\d+\\.\\d\\d%?$"));
    const QRegularExpression hexCode(QStringLiteral("^0x[0-9a-f]{4}$"));
    for (bool hex : {false, true}) {
        for (int row : {0, 8, 50}) {
            SCOPED_TRACE(testing::Message() << "row " << row << (hex ? ", hex" : ""));
            CubeForm* form = window.openDetails(row);
            ASSERT_NE(form, nullptr);
            form->form()->checkBoxShowHex->setChecked(hex);
            // The reference as the table shows it, however round its values.
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(form->inputModel()->index(0, k + 1).data().toString().toStdString(),
                          table(row, PatchTableModel::RefL + k));
            for (MyRCItemModel* model : {form->inputModel(), form->cubeModel(), form->offsetModel()})
                for (int r = 0; r < model->rowCount(); ++r)
                    for (int c = 0; c < model->columnCount(); ++c) {
                        const QString text = model->index(r, c).data().toString();
                        if (text.isEmpty() || text == "*")
                            continue;
                        EXPECT_TRUE(twoDecimals.match(text).hasMatch() || (hex && hexCode.match(text).hasMatch()) ||
                                    (model != form->cubeModel() && hexCode.match(text).hasMatch()))
                            << r << "," << c << ": " << text.toStdString();
                    }
            form->close();
        }
    }
}

} // namespace
