// Misread patches in the window: marked in the table with their size, put
// back from the row's context menu as one undoable step.

#include "ScriptedWindow.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "mainwindow.h"

#include <QIcon>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QString dataPath(const char* name)
{
    return QString::fromStdString(testDataPath(name));
}

class OutlierWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        ASSERT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
        window.openRef(dataPath("cmyk_ref.txt"));
        window.openMeas(dataPath("cmyk_meas_outliers.txt"));
        // The method chosen last is remembered across windows.
        window.setMethod(CorrectionMethod::Smooth);
    }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    int rowOf(const std::string& id)
    {
        const std::vector<Patch>& patches = window.session().patches();
        for (std::size_t i = 0; i < patches.size(); ++i)
            if (patches[i].id == id)
                return static_cast<int>(i);
        ADD_FAILURE() << "no patch " << id;
        return 0;
    }
    QVariant cell(const std::string& id, int role)
    {
        return window.patchModel()->index(rowOf(id), PatchTableModel::DeltaE).data(role);
    }
    bool marked(const std::string& id)
    {
        const QVariant icon = cell(id, Qt::DecorationRole);
        return icon.canConvert<QIcon>() && !icon.value<QIcon>().isNull();
    }
    void autoCorrect() { QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked"); }

    ScriptedWindow window;
};

TEST_F(OutlierWindowTest, MarkedWithTheirSizeAndPutBackUndoably)
{
    autoCorrect();
    ASSERT_EQ(window.dialogs.size(), 1);
    EXPECT_TRUE(window.dialogs.front().contains("3 patches disagree with their neighbours and were left out: 20 (20.5 "
                                                "from what its neighbours predict), 50 (18.1), 80 (35.3)"))
        << window.dialogs.front().toStdString();
    for (const char* id : {"20", "50", "80"}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(marked(id));
        EXPECT_FALSE(window.session().patches()[static_cast<std::size_t>(rowOf(id))].hasResult);
    }
    EXPECT_FALSE(marked("51"));
    EXPECT_TRUE(cell("51", Qt::ToolTipRole).isNull());
    EXPECT_TRUE(cell("80", Qt::ToolTipRole).toString().contains("35.3 from what its neighbours predict"));

    const int steps = window.undoStack()->count();
    EXPECT_FALSE(window.usePatchAgain(rowOf("51"))) << "only a patch left out goes back";
    ASSERT_TRUE(window.usePatchAgain(rowOf("20")));
    EXPECT_EQ(window.undoStack()->count(), steps + 1);
    EXPECT_FALSE(marked("20"));
    window.undoStack()->undo();
    EXPECT_TRUE(marked("20"));
    window.undoStack()->redo();
    EXPECT_FALSE(marked("20"));

    // The next correction uses it.
    autoCorrect();
    EXPECT_TRUE(window.session().patches()[static_cast<std::size_t>(rowOf("20"))].hasResult);
    EXPECT_FALSE(marked("20"));
    EXPECT_TRUE(marked("50"));
    ASSERT_EQ(window.dialogs.size(), 2);
    EXPECT_TRUE(window.dialogs.back().contains("2 patches disagree with their neighbours and were left out: 50 ("))
        << window.dialogs.back().toStdString();
}

} // namespace
