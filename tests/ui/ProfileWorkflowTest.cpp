#include "ScriptedWindow.h"
#include "MalformedProfiles.h"
#include "MyRCItemModel.h"
#include "MySortFilterProxyModel.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "csICCProfile.h"
#include "csICCmftTag.h"
#include "cubeform.h"
#include "mainwindow.h"
#include "ui_cubeform.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTest>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

class ProfileWorkflowTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    PatchTableModel* model() { return window.patchModel(); }
    QString status() { return window.statusBar()->currentMessage(); }
    void openAll(const char* profile = "cmyk_v2.icc")
    {
        ASSERT_TRUE(window.openProfile(dataPath(profile)));
        window.openRef(dataPath("cmyk_ref.txt"));
        window.openMeas(dataPath("cmyk_meas.txt"));
    }
    void autoOnAll()
    {
        window.form()->tableView->selectAll();
        QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    }
    // One file name for all: the name is stamped into the profile.
    std::vector<uint8_t> saved(const std::string& folder)
    {
        ::mkdir(dir.path(folder).c_str(), 0755);
        const QString path = QString::fromStdString(dir.path(folder) + "/corrected.icc");
        EXPECT_TRUE(window.saveAsProfile(path));
        return readBytes(path.toStdString());
    }
    static std::vector<uint8_t> tagBytes(const csICCProfile& profile, const char (&signature)[5])
    {
        const csICCTag* tag = profile.tagTable().find(csSig(signature));
        std::vector<uint8_t> bytes(tag ? tag->size() : 0);
        if (tag)
            tag->copyFileBytes(bytes.data());
        return bytes;
    }

    TempDir dir;
    ScriptedWindow window;
};

TEST_F(ProfileWorkflowTest, OpenAutoAndSave)
{
    openAll();
    EXPECT_EQ(window.windowTitle(), dataPath("cmyk_v2.icc") + "[*]");
    EXPECT_TRUE(window.form()->pushButtonAuto->isEnabled());
    const std::vector<uint8_t> b2a1Before = tagBytes(*window.session().profile(), "B2A1");
    const std::vector<uint8_t> a2b1Before = tagBytes(*window.session().profile(), "A2B1");

    autoOnAll();
    EXPECT_TRUE(window.session().hasUnsavedChanges());
    EXPECT_TRUE(window.isWindowModified());
    for (int row : {0, 50, 99})
        EXPECT_TRUE(model()->index(row, PatchTableModel::OptDeltaE).data().isValid()) << row;
    EXPECT_EQ(window.form()->labelAvgAfterValue->text(), QString::number(window.session().after().mean, 'f', 2));
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "3.41") << "the measured figures stay beside";
    EXPECT_LT(window.session().after().mean, 1.0);

    const QString path = QString::fromStdString(dir.path("My Profile.icc"));
    ASSERT_TRUE(window.saveAsProfile(path));
    EXPECT_EQ(status(), "Saved as " + path);
    EXPECT_FALSE(window.session().hasUnsavedChanges());

    csICCProfile written;
    const std::vector<uint8_t> bytes = readBytes(path.toStdString());
    ASSERT_EQ(written.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_NE(tagBytes(written, "B2A1"), b2a1Before);
    EXPECT_EQ(tagBytes(written, "A2B1"), a2b1Before) << "the printer model is never edited";
    EXPECT_EQ(written.header().creator(), csSig("Orv "));
    const csICCTag* desc = written.tagTable().find(csSig("desc"));
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(desc->data()) + 12), "My Profile.icc");
    EXPECT_EQ(written.tagTable().find(csSig("cprt"))->getType(), csSig("text"));
}

TEST_F(ProfileWorkflowTest, AutoAgainGivesTheSameProfile)
{
    openAll();
    for (CorrectionMethod method : {CorrectionMethod::Smooth, CorrectionMethod::PerPatch}) {
        const std::string name = method == CorrectionMethod::Smooth ? "smooth" : "patch";
        window.setMethod(method);
        autoOnAll();
        const std::vector<uint8_t> once = saved(name + "-once");
        autoOnAll();
        autoOnAll();
        EXPECT_EQ(saved(name + "-thrice"), once) << name;

        // Auto redoes every patch corrected so far, whatever is selected now.
        window.form()->tableView->clearSelection();
        window.form()->tableView->selectRow(3);
        QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
        EXPECT_EQ(saved(name + "-part"), once) << name;
    }
}

TEST_F(ProfileWorkflowTest, AutoAfterSortingActsOnTheSelectedPatches)
{
    openAll();
    window.setMethod(CorrectionMethod::PerPatch);
    QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, PatchTableModel::DeltaE));
    window.openMeas(dataPath("cmyk_meas.txt"));
    auto* selection = window.form()->tableView->selectionModel();
    QStringList chosen;
    for (int viewRow : {2, 40, 77}) {
        selection->select(window.proxy()->index(viewRow, PatchTableModel::RefL),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        chosen << window.proxy()->index(viewRow, PatchTableModel::RefName).data().toString();
    }
    QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    QStringList corrected;
    for (const Patch& patch : window.session().patches())
        if (patch.hasResult)
            corrected << QString::fromStdString(std::string(patch.referenceName));
    chosen.sort();
    corrected.sort();
    EXPECT_EQ(corrected, chosen);
}

TEST_F(ProfileWorkflowTest, AbortLeavesTheProfileAsItWas)
{
    openAll();
    const std::vector<uint8_t> before = tagBytes(*window.session().profile(), "B2A1");
    const int steps = window.undoStack()->count();
    // The user presses Abort in the window's progress dialog as soon as
    // the run asks for events, shown or not yet.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [this] {
        if (auto* progress = window.findChild<QProgressDialog*>())
            progress->cancel();
    });
    timer.start(0);
    window.form()->tableView->selectAll();
    window.form()->pushButtonAuto->click();
    timer.stop();
    EXPECT_EQ(tagBytes(*window.session().profile(), "B2A1"), before);
    EXPECT_FALSE(window.session().hasUnsavedChanges());
    EXPECT_EQ(window.undoStack()->count(), steps) << "an aborted run is no step";
}

TEST_F(ProfileWorkflowTest, UnsavedEditsAreNeverDiscardedSilently)
{
    openAll();
    ASSERT_TRUE(window.openProfile(dataPath("cmyk_v4.icc")));
    EXPECT_EQ(window.unsavedAsked, 0) << "nothing edited, nothing asked";

    autoOnAll();
    window.unsavedAnswer = MainWindow::UnsavedAnswer::Cancel;
    EXPECT_FALSE(window.openProfile(dataPath("cmyk_v2.icc")));
    EXPECT_EQ(window.unsavedAsked, 1);
    EXPECT_TRUE(window.session().hasUnsavedChanges());
    window.show();
    EXPECT_FALSE(window.close()) << "Cancel keeps the window open";

    window.unsavedAnswer = MainWindow::UnsavedAnswer::Discard;
    EXPECT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
    EXPECT_FALSE(window.session().hasUnsavedChanges());
}

TEST_F(ProfileWorkflowTest, Version4SavesWithMlucAndAValidID)
{
    openAll("cmyk_v4.icc");
    autoOnAll();
    const std::vector<uint8_t> bytes = saved("v4");
    csICCProfile written;
    ASSERT_EQ(written.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(written.tagTable().find(csSig("desc"))->getType(), csSig("mluc"));
    uint8_t id[16];
    csICCProfile::computeProfileID(bytes.data(), bytes.size(), id);
    EXPECT_EQ(0, std::memcmp(id, bytes.data() + 84, 16));
}

TEST_F(ProfileWorkflowTest, DetailsWindowEditsAreKept)
{
    openAll();
    QMetaObject::invokeMethod(&window, "unlockAdvancedFeatures");
    QMetaObject::invokeMethod(&window, "verHeaderClicked", Q_ARG(int, 4));
    ASSERT_EQ(window.detailWindows().size(), 1u);
    CubeForm* form = window.detailWindows()[0];
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    MyRCItemModel* cube = form->cubeModel();
    EXPECT_EQ(cube->headerData(4, Qt::Horizontal).toString(), "C");
    EXPECT_EQ(form->displayMode(), CubeForm::Percent);

    // Typing 50 % into a node writes 32768, marks the profile changed, and
    // survives a later Auto as a hand edit.
    cube->setData(cube->index(0, 5), "50");
    const csCLUTCube* nodes = form->corrector().cube();
    uint16_t indices[3], values[4];
    nodes->cornerIndices(0, indices);
    nodes->nodes().get(indices, values);
    EXPECT_EQ(values[1], 32768);
    EXPECT_TRUE(window.session().hasUnsavedChanges());
    autoOnAll();
    EXPECT_TRUE(window.detailWindows().empty()) << "Auto closes the details that it rewrites";
    auto* b2a1 = dynamic_cast<csICCmftTag*>(window.session().profile()->tagTable().find(csSig("B2A1")));
    b2a1->getClutNode(indices, values);
    EXPECT_EQ(values[1], 32768);

    // Closing the main window closes the details with it.
    QMetaObject::invokeMethod(&window, "verHeaderClicked", Q_ARG(int, 4));
    QPointer<CubeForm> open = window.detailWindows().back();
    window.unsavedAnswer = MainWindow::UnsavedAnswer::Discard;
    window.close();
    EXPECT_TRUE(open.isNull());
}

TEST_F(ProfileWorkflowTest, RoundTripReplacesTheMeasurements)
{
    openAll();
    QMetaObject::invokeMethod(&window, "on_actionUseRoundTrip_triggered");
    EXPECT_LT(window.session().before().mean, 1.5) << "the profile's own prediction of its reference";
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), QString::number(window.session().before().mean, 'f', 2));
}

TEST_F(ProfileWorkflowTest, RefusalsLeaveTheWindowAsItWas)
{
    openAll();
    const csICCProfile* open = window.session().profile();
    for (const MalformedProfile& c : malformedProfiles()) {
        if (!c.refusedWhole && c.title != "bad LUT tag")
            continue; // a refused text or curve tag does not keep the tables from working
        const QString path = QString::fromStdString(dir.path("malformed.icc"));
        writeBytes(path.toStdString(), c.bytes);
        EXPECT_FALSE(window.openProfile(path)) << c.what;
        EXPECT_EQ(status(), "Failed to open " + path) << c.what;
    }
    for (const char* name : {"rgb_xyz_pcs.icc", "broken_no_acsp.icc", "no_such.icc"})
        EXPECT_FALSE(window.openProfile(dataPath(name))) << name;
    EXPECT_EQ(window.session().profile(), open);
    EXPECT_EQ(window.windowTitle(), dataPath("cmyk_v2.icc") + "[*]");

    autoOnAll();
    const QString folder = QString::fromStdString(dir.path("target.icc"));
    ::mkdir(folder.toUtf8().constData(), 0755); // a folder where the file should go
    EXPECT_FALSE(window.saveAsProfile(folder));
    EXPECT_EQ(status(), "Failed to open " + folder);
    EXPECT_TRUE(window.session().hasUnsavedChanges());
}

} // namespace

namespace {

TEST_F(ProfileWorkflowTest, UndoRedoAndRevertCoverEveryChange)
{
    openAll();
    const std::vector<uint8_t> opened = tagBytes(*window.session().profile(), "B2A1");
    QUndoStack* stack = window.undoStack();
    EXPECT_EQ(stack->count(), 2) << "the two loads; opening a profile starts afresh";

    autoOnAll();
    const std::vector<uint8_t> corrected = tagBytes(*window.session().profile(), "B2A1");
    ASSERT_NE(corrected, opened);
    EXPECT_TRUE(window.isWindowModified());
    stack->undo();
    EXPECT_EQ(tagBytes(*window.session().profile(), "B2A1"), opened);
    EXPECT_FALSE(window.session().hasUnsavedChanges()) << "back where the file was";
    EXPECT_EQ(window.form()->labelAvgAfterValue->text(), "-");
    stack->redo();
    EXPECT_EQ(tagBytes(*window.session().profile(), "B2A1"), corrected);

    // Clear and a hand edit are steps too.
    window.clearData();
    EXPECT_EQ(model()->rowCount(), 0);
    stack->undo();
    EXPECT_EQ(model()->rowCount(), 100);
    const Lab measured = window.session().patches()[3].measured;
    ASSERT_TRUE(model()->setData(model()->index(3, PatchTableModel::MeasL), "50"));
    stack->undo();
    EXPECT_DOUBLE_EQ(window.session().patches()[3].measured.L, measured.L);

    QMetaObject::invokeMethod(&window, "on_actionRevert_triggered");
    EXPECT_EQ(tagBytes(*window.session().profile(), "B2A1"), opened);
    stack->undo();
    EXPECT_EQ(tagBytes(*window.session().profile(), "B2A1"), corrected);
}

TEST_F(ProfileWorkflowTest, FilesOpenByTheirKind)
{
    // One patch file completes what is missing, a combined one fills both;
    // several go measurement first, then reference, as on the command line.
    window.openFiles({dataPath("cmyk_ref.txt")});
    EXPECT_TRUE(window.session().hasReferenceData());
    EXPECT_FALSE(window.session().hasMeasurementData());
    window.openFiles({dataPath("cmyk_meas.txt"), dataPath("cmyk_v2.icc")});
    EXPECT_TRUE(window.session().hasMeasurementData());
    EXPECT_TRUE(window.session().hasProfile());
    EXPECT_EQ(window.session().before().count, 100);

    // Dropped onto the window like files from a file manager.
    ScriptedWindow fresh;
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(dataPath("rgb_combined.txt"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application only passes drops on while a drag runs.
    static_cast<QObject&>(fresh).event(&drop);
    EXPECT_EQ(fresh.session().before().count, 80);
    fresh.openFiles({dataPath("rgb_meas.txt"), dataPath("rgb_ref.txt")});
    EXPECT_EQ(fresh.session().before().count, 80);
}

TEST_F(ProfileWorkflowTest, LabCellsTakeOnlyNumbersInRange)
{
    openAll();
    struct Case { int column; const char* text; bool taken; };
    const Case cases[] = {
        {PatchTableModel::MeasL, "55.5", true},  {PatchTableModel::MeasL, "abc", false},
        {PatchTableModel::MeasL, "111", false},  {PatchTableModel::MeasA, "-150", true},
        {PatchTableModel::MeasA, "-150.5", false}, {PatchTableModel::RefB, "1e400", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model()->setData(model()->index(0, c.column), c.text), c.taken) << c.text;
    EXPECT_EQ(window.form()->tableView->editTriggers(),
              QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed)
        << "typing into the table does not start an edit";

    // Through the editor: an entry out of range keeps the cell and says why.
    QTableView* view = window.form()->tableView;
    const QModelIndex cell = window.proxy()->mapFromSource(model()->index(1, PatchTableModel::MeasL));
    const QString before = cell.data().toString();
    view->edit(cell);
    auto* editor = view->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("200"));
    view->itemDelegateForColumn(PatchTableModel::MeasL)->setModelData(editor, window.proxy(), cell);
    EXPECT_EQ(cell.data().toString(), before);
    EXPECT_TRUE(status().contains("L* is a number from 0 to 110")) << status().toStdString();

    // The right-hand L* a* b* are differences, not colours: their headers say so.
    for (int column : {PatchTableModel::OptL, PatchTableModel::OptA, PatchTableModel::OptB})
        EXPECT_TRUE(model()->headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString().contains("difference"));
}

TEST_F(ProfileWorkflowTest, NonAsciiNamesSurviveTheStamp)
{
    for (const char* profile : {"cmyk_v2.icc", "cmyk_v4.icc"}) {
        ScriptedWindow w;
        ASSERT_TRUE(w.openProfile(dataPath(profile)));
        const QString path = QString::fromStdString(dir.path(std::string("Pr\xC3\xBC" "f-") + profile));
        ASSERT_TRUE(w.saveAsProfile(path));
        // "Prüf" in UTF-16 big-endian: the desc tag's Unicode part (v2) or the mluc record (v4).
        const std::vector<uint8_t> bytes = readBytes(path.toStdString());
        const uint8_t pruef[] = {0, 'P', 0, 'r', 0, 0xFC, 0, 'f'};
        EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(pruef), std::end(pruef)), bytes.end()) << profile;
    }
}

} // namespace
