#include "MyRCItemModel.h"
#include "MySortFilterProxyModel.h"
#include "TestSupport.h"
#include "csErrorLog.h"
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

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <set>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

// A window whose unsaved-edits question is answered by the test.
class AnsweringWindow : public MainWindow
{
public:
    UnsavedAnswer answer = UnsavedAnswer::Cancel;
    int asked = 0;

protected:
    UnsavedAnswer askSaveChanges() override
    {
        ++asked;
        return answer;
    }
};

class ProfileWorkflowTest : public ::testing::Test
{
protected:
    void SetUp() override { testing::internal::CaptureStderr(); } // the engine's diagnostic lines
    void TearDown() override { testing::internal::GetCapturedStderr(); }

    MyRCItemModel* model() { return window.patchTable().model(); }
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
    std::vector<uint8_t> b2a1Bytes(const csICCProfile& profile)
    {
        const csICCTag* tag = profile.tagTable().find(csSig("B2A1"));
        std::vector<uint8_t> bytes(tag->size());
        tag->copyFileBytes(bytes.data());
        return bytes;
    }

    AnsweringWindow window;
};

TEST_F(ProfileWorkflowTest, OpenAutoAndSave)
{
    openAll();
    EXPECT_EQ(window.windowTitle(), dataPath("cmyk_v2.icc"));
    EXPECT_TRUE(window.form()->pushButtonAuto->isEnabled());
    const std::vector<uint8_t> before = b2a1Bytes(*window.openedProfile());

    autoOnAll();
    EXPECT_TRUE(window.hasUnsavedEdits());
    double sum = 0;
    for (int row = 0; row < 100; ++row) {
        const QString dE = model()->data(model()->index(row, PatchTable::OptDeltaE)).toString();
        EXPECT_FALSE(dE.isEmpty()) << row;
        sum += dE.toDouble();
    }
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), QString::number(sum / 100, 'f', 2));
    EXPECT_LT(sum / 100, 1.0);

    TempDir dir;
    const QString path = QString::fromStdString(dir.path("My Profile.icc"));
    ASSERT_TRUE(window.saveAsProfile(path));
    EXPECT_EQ(status(), "Saved as " + path);
    EXPECT_FALSE(window.hasUnsavedEdits());

    csICCProfile saved;
    const std::vector<uint8_t> bytes = readBytes(path.toStdString());
    ASSERT_EQ(saved.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_NE(b2a1Bytes(saved), before);
    EXPECT_EQ(saved.header().creator(), csSig("Orv "));
    const csICCTag* desc = saved.tagTable().find(csSig("desc"));
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->getType(), csSig("desc"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(desc->data()) + 12), "My Profile.icc");
    EXPECT_EQ(saved.tagTable().find(csSig("cprt"))->getType(), csSig("text"));

    // Only nodes in the cells the patches touch changed: the corners of the
    // table are far from every patch.
    auto* original = dynamic_cast<csICCmftTag*>(window.openedProfile()->tagTable().find(csSig("A2B1")));
    auto* savedA2B1 = dynamic_cast<csICCmftTag*>(saved.tagTable().find(csSig("A2B1")));
    ASSERT_NE(original, nullptr);
    ASSERT_NE(savedA2B1, nullptr);
    const uint16_t corner[4] = {8, 8, 8, 8};
    uint16_t a[3], b[3];
    original->getClutNode(corner, a);
    savedA2B1->getClutNode(corner, b);
    EXPECT_EQ(0, std::memcmp(a, b, sizeof a)) << "the printer model is never edited";
}

TEST_F(ProfileWorkflowTest, AbortKeepsThePatchesAlreadyDone)
{
    openAll();
    // Abort as soon as the second patch has reported.
    std::set<int> reported;
    QObject::connect(model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& tl, const QModelIndex&) {
        if (tl.column() != PatchTable::OptDeltaE)
            return;
        reported.insert(tl.row());
        if (reported.size() != 2)
            return;
        if (auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
            progress->cancel();
    });
    window.form()->labelAvgDEValue->setText("untouched");
    autoOnAll();
    int filled = 0;
    for (int row = 0; row < 100; ++row)
        filled += !model()->data(model()->index(row, PatchTable::OptDeltaE)).toString().isEmpty();
    EXPECT_EQ(filled, 2);
    EXPECT_EQ(window.form()->labelAvgDEValue->text(), "untouched") << "the average is not recomputed";
    EXPECT_TRUE(window.hasUnsavedEdits());
}

TEST_F(ProfileWorkflowTest, RefusedProfilesLeaveTheWindowAsItWas)
{
    openAll();
    const csICCProfile* open = window.openedProfile();
    EXPECT_FALSE(window.openProfile(dataPath("rgb_xyz_pcs.icc")));
    EXPECT_EQ(status(), "Failed to open " + dataPath("rgb_xyz_pcs.icc"));
    EXPECT_FALSE(window.openProfile(dataPath("broken_no_acsp.icc")));
    EXPECT_FALSE(window.openProfile(dataPath("no_such.icc")));
    EXPECT_FALSE(window.openProfile(QStringLiteral("")));
    EXPECT_EQ(window.openedProfile(), open);
    EXPECT_EQ(window.windowTitle(), dataPath("cmyk_v2.icc"));
}

TEST_F(ProfileWorkflowTest, UnsavedEditsAreNeverDiscardedSilently)
{
    openAll();
    ASSERT_TRUE(window.openProfile(dataPath("cmyk_v4.icc")));
    EXPECT_EQ(window.asked, 0) << "nothing edited, nothing asked";

    autoOnAll();
    ASSERT_TRUE(window.hasUnsavedEdits());
    window.answer = MainWindow::UnsavedAnswer::Cancel;
    EXPECT_FALSE(window.openProfile(dataPath("cmyk_v2.icc")));
    EXPECT_EQ(window.asked, 1);
    EXPECT_TRUE(window.hasUnsavedEdits());
    window.show();
    EXPECT_FALSE(window.close()) << "Cancel keeps the window open";

    window.answer = MainWindow::UnsavedAnswer::Discard;
    EXPECT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
    EXPECT_FALSE(window.hasUnsavedEdits());
    EXPECT_TRUE(window.detailWindows().empty()) << "opening a profile closes the details windows";
}

TEST_F(ProfileWorkflowTest, Version4SavesWithMlucAndAValidID)
{
    openAll("cmyk_v4.icc");
    autoOnAll();
    TempDir dir;
    const QString path = QString::fromStdString(dir.path("v4.icc"));
    ASSERT_TRUE(window.saveAsProfile(path));
    csICCProfile saved;
    const std::vector<uint8_t> bytes = readBytes(path.toStdString());
    ASSERT_EQ(saved.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(saved.tagTable().find(csSig("desc"))->getType(), csSig("mluc"));
    EXPECT_EQ(saved.tagTable().find(csSig("cprt"))->getType(), csSig("mluc"));
    uint8_t id[16];
    csICCProfile::computeProfileID(bytes.data(), bytes.size(), id);
    EXPECT_EQ(0, std::memcmp(id, bytes.data() + 84, 16));
}

TEST_F(ProfileWorkflowTest, DetailsWindowShowsAndEditsNodes)
{
    openAll();
    QMetaObject::invokeMethod(&window, "unlockAdvancedFeatures");
    QMetaObject::invokeMethod(&window, "verHeaderClicked", Q_ARG(int, 4));
    ASSERT_GT(window.detailWindows().size(), 4u);
    CubeForm* form = window.detailWindows()[4];
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Separation details");
    MyRCItemModel* cube = form->cubeModel();
    EXPECT_EQ(cube->headerData(4, Qt::Horizontal).toString(), "C");
    EXPECT_EQ(cube->headerData(11, Qt::Horizontal).toString(), "Out K");
    EXPECT_EQ(form->displayMode(), CubeForm::Percent);
    EXPECT_FALSE(cube->flags(cube->index(8, 4)) & Qt::ItemIsEditable) << "the result row";
    EXPECT_FALSE(cube->flags(cube->index(0, 3)) & Qt::ItemIsEditable) << "the weights";

    // Typing 50 % into a node writes 32768 and reports the edit.
    cube->setData(cube->index(0, 5), "50");
    csCLUTCube* nodes = form->corrector().cube();
    uint16_t indices[3], values[4];
    nodes->cornerIndices(0, indices);
    nodes->tag()->getClutNode(indices, values);
    EXPECT_EQ(values[1], 32768);
    EXPECT_TRUE(window.hasUnsavedEdits());

    form->form()->checkBoxShowHex->setChecked(true);
    EXPECT_EQ(cube->data(cube->index(0, 5)).toString(), "0x8000");
    form->close();
}

TEST_F(ProfileWorkflowTest, RoundTripReplacesTheMeasurements)
{
    openAll();
    QMetaObject::invokeMethod(&window, "on_actionUseRoundTrip_triggered");
    double L, a, b, refL, refA, refB;
    ASSERT_TRUE(window.patchTable().getMeasLab(10, L, a, b));
    ASSERT_TRUE(window.patchTable().getRefLab(10, refL, refA, refB));
    EXPECT_LT(std::abs(L - refL) + std::abs(a - refA) + std::abs(b - refB), 6.0)
        << "the profile's own prediction of its reference";
    double dE;
    ASSERT_TRUE(window.patchTable().getDeltaE(10, dE));
    EXPECT_LT(dE, 3.0);
}

} // namespace

#include "MalformedProfiles.h"

namespace {

TEST_F(ProfileWorkflowTest, AFailedSaveKeepsThePreviousFile)
{
    openAll();
    autoOnAll();
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path("target.icc"));
    ::mkdir(folder.toUtf8().constData(), 0755); // a folder where the file should go
    EXPECT_FALSE(window.saveAsProfile(folder));
    EXPECT_EQ(status(), "Cannot save " + folder + ": it is a folder");
    EXPECT_TRUE(window.hasUnsavedEdits());
    EXPECT_FALSE(window.saveAsProfile(QString::fromStdString(dir.path("missing/x.icc"))));
}

TEST_F(ProfileWorkflowTest, MalformedProfilesAreRefusedAndChangeNothing)
{
    openAll();
    const csICCProfile* open = window.openedProfile();
    TempDir dir;
    for (const MalformedProfile& c : malformedProfiles()) {
        const bool usable = !c.refusedWhole && c.title != "bad LUT tag";
        if (usable)
            continue; // a refused text or curve tag does not keep the tables from working
        const QString path = QString::fromStdString(dir.path("malformed.icc"));
        writeBytes(path.toStdString(), c.bytes);
        window.statusBar()->clearMessage();
        EXPECT_FALSE(window.openProfile(path)) << c.what;
        EXPECT_EQ(status(), "Failed to open " + path) << c.what;
        EXPECT_EQ(window.openedProfile(), open) << c.what;
        EXPECT_EQ(window.windowTitle(), dataPath("cmyk_v2.icc")) << c.what;
    }
}

} // namespace
