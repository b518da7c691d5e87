// The window writes nothing the user did not mean: a suffix added to a
// typed name is asked about like the name itself, the profile as opened is
// replaced only after a question that says what is lost, the files read are
// never replaced, and a correction its checks refuse is made only when the
// user says so.

#include "ScriptedWindow.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QStatusBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

QString qPath(const std::string& path)
{
    return QString::fromStdString(path);
}

class SaveGuardsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        for (const char* name : {"cmyk_v2.icc", "cmyk_ref.txt", "cmyk_meas.txt"})
            writeBytes(dir.path(name), readBytes(testDataPath(name)));
        ASSERT_TRUE(window.openProfile(qPath(profile)));
        window.openRef(qPath(dir.path("cmyk_ref.txt")));
        window.openMeas(qPath(dir.path("cmyk_meas.txt")));
    }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    void autoOnAll()
    {
        window.form()->tableView->selectAll();
        QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    }
    QString status() { return window.statusBar()->currentMessage(); }

    TempDir dir;
    const std::string profile = dir.path("cmyk_v2.icc");
    ScriptedWindow window;
};

TEST_F(SaveGuardsTest, ANameTypedWithoutSuffixIsAskedAboutAsWritten)
{
    autoOnAll();
    const std::vector<uint8_t> previous = {1, 2, 3};
    struct Case
    {
        const char* what;
        bool report;
        int filter;
        const char* typed;
        const char* written;
        bool existed;
        bool replace;
    };
    const Case cases[] = {
        {"a new profile", false, 0, "fresh", "fresh.icc", false, false},
        {"over a profile, declined", false, 0, "old", "old.icc", true, false},
        {"over a profile, agreed", false, 0, "old", "old.icc", true, true},
        {"a new PDF report", true, 1, "summary", "summary.pdf", false, false},
        {"over a CSV report, declined", true, 2, "rows", "rows.csv", true, false},
        {"over an HTML report, agreed", true, 0, "page", "page.html", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string written = dir.path(c.written);
        ::unlink(written.c_str());
        if (c.existed)
            writeBytes(written, previous);
        window.questions.clear();
        window.savePath = qPath(dir.path(c.typed));
        window.saveFilter = c.filter;
        window.replace = c.replace;
        const bool done = c.report ? window.exportReport(QString()) : window.saveAsProfile(QString());
        EXPECT_EQ(window.questions.size(), c.existed ? 1 : 0);
        EXPECT_EQ(window.questions.value(0).contains(qPath(written)), c.existed)
            << window.questions.value(0).toStdString();
        const bool writes = !c.existed || c.replace;
        EXPECT_EQ(done, writes);
        EXPECT_EQ(readBytes(written) == previous, !writes);
        EXPECT_NE(::access(dir.path(c.typed).c_str(), F_OK), 0) << "nothing under the name without suffix";
    }
}

TEST_F(SaveGuardsTest, TheProfileAsOpenedIsReplacedOnlyWhenTheUserSaysSo)
{
    autoOnAll();
    const std::vector<uint8_t> opened = readBytes(profile);
    for (bool replace : {false, true}) {
        SCOPED_TRACE(replace);
        window.questions.clear();
        window.replace = replace;
        window.savePath = qPath(profile);
        EXPECT_EQ(window.saveAsProfile(QString()), replace);
        ASSERT_EQ(window.questions.size(), 1);
        EXPECT_TRUE(window.questions[0].contains("the tables the measurement was printed with"))
            << window.questions[0].toStdString();
        EXPECT_EQ(readBytes(profile) == opened, !replace);
    }
}

TEST_F(SaveGuardsTest, PatchFilesAreNeverReplaced)
{
    autoOnAll();
    const std::vector<uint8_t> measured = readBytes(dir.path("cmyk_meas.txt"));
    EXPECT_FALSE(window.saveAsProfile(qPath(dir.path("cmyk_meas.txt"))));
    EXPECT_EQ(status(), "Did not save over " + qPath(dir.path("cmyk_meas.txt")));
    EXPECT_TRUE(window.session().hasUnsavedChanges());
    // A report by its suffix, over the measurement through a link.
    ASSERT_EQ(::symlink(dir.path("cmyk_meas.txt").c_str(), dir.path("meas.csv").c_str()), 0);
    EXPECT_FALSE(window.exportReport(qPath(dir.path("meas.csv"))));
    EXPECT_TRUE(window.dialogs.last().contains("it is the measurement file")) << window.dialogs.last().toStdString();
    EXPECT_EQ(readBytes(dir.path("cmyk_meas.txt")), measured);
}

TEST_F(SaveGuardsTest, ARefusedCorrectionIsMadeOnlyWhenTheUserSaysSo)
{
    // The measurement of another chart: every value far from its reference.
    const std::size_t count = window.session().patches().size();
    for (std::size_t i = 0; i < count; ++i)
        window.session().setMeasured(i, {20, 50, -50});
    for (bool anyway : {false, true}) {
        SCOPED_TRACE(anyway);
        window.questions.clear();
        window.correctAnyway = anyway;
        autoOnAll();
        ASSERT_EQ(window.questions.size(), 1);
        EXPECT_TRUE(window.questions[0].contains("do not belong together")) << window.questions[0].toStdString();
        EXPECT_EQ(window.session().hasUnsavedChanges(), anyway);
        EXPECT_EQ(window.isWindowModified(), anyway);
        EXPECT_EQ(window.patchModel()->index(0, PatchTableModel::OptDeltaE).data().isValid(), anyway);
        EXPECT_TRUE(window.dialogs.isEmpty()) << "one question, no second dialog";
    }
}

} // namespace
