#include "CommandLine.h"
#include "OrvFramework.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvand"));
    QCoreApplication::setApplicationName(QStringLiteral("Vestrel"));

    if (argc == 1)
        framework::showSplash();
    MainWindow window;
    const StartupPaths paths = parseCommandLine(argc, argv, stderr);
    if (paths.any()) {
        // Measurement first: a combined file fills the reference too.
        if (!paths.measurement.isNull())
            window.openMeas(paths.measurement);
        if (!paths.reference.isNull())
            window.openRef(paths.reference);
        if (!paths.profile.isNull())
            window.openProfile(paths.profile);
    }
    window.show();
    return QApplication::exec();
}
