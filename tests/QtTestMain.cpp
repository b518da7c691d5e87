// GoogleTest main for the tests that need a QApplication: widgets run on the
// offscreen platform, and settings go to a test location instead of the
// user's.

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // CTest runs the tests as parallel processes: each gets a folder of its
    // own for the runtime files and the settings, so that one test's choices
    // (the metric, the method, recent files) never reach another.
    static char folder[] = "/tmp/vestrel-tests-XXXXXX";
    const bool ownFolder = mkdtemp(folder) != nullptr;
    if (ownFolder && !std::getenv("XDG_RUNTIME_DIR"))
        setenv("XDG_RUNTIME_DIR", folder, 1);
    QStandardPaths::setTestModeEnabled(true);
    if (ownFolder)
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromLocal8Bit(folder));
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvand"));
    QCoreApplication::setApplicationName(QStringLiteral("VestrelTests"));
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    if (ownFolder)
        QDir(QString::fromLocal8Bit(folder)).removeRecursively();
    return status;
}
