#include "CommandLine.h"
#include "OrvFramework.h"
#include "mainwindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // Usage and version need no display: answered before any window exists.
    const StartupPaths paths = parseCommandLine(argc, argv);
    if (paths.usage || paths.version) {
        std::printf("%s\n", paths.usage ? usageText : "Vestrel 1.0.1");
        return 0;
    }

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvand"));
    QCoreApplication::setApplicationName(QStringLiteral("Vestrel"));

    if (argc == 1)
        framework::showSplash();
    MainWindow window;
    // Measurement first: a combined file fills the reference too.
    if (!paths.measurement.isNull())
        window.openMeas(paths.measurement);
    if (!paths.reference.isNull())
        window.openRef(paths.reference);
    if (!paths.profile.isNull())
        window.openProfile(paths.profile);
    window.openFiles(paths.files);
    window.show();
    return QApplication::exec();
}
