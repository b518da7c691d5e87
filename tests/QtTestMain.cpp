// GoogleTest main for the tests that need a QApplication: widgets run on the
// offscreen platform, and settings go to a test location instead of the
// user's.

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Without it Qt warns on every start; a private folder of the tests serves.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        static char folder[] = "/tmp/vestrel-tests-XXXXXX";
        if (mkdtemp(folder))
            setenv("XDG_RUNTIME_DIR", folder, 1);
    }
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvand"));
    QCoreApplication::setApplicationName(QStringLiteral("VestrelTests"));
    // What an earlier run chose (the metric, the method) must not carry over.
    QSettings().clear();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
