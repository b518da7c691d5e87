#include "CommandLine.h"
#include "OrvFramework.h"
#include "VestrelVersion.h"
#include "mainwindow.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

int runWindow(int argc, char** argv)
{
    // Usage and version need no display: answered before any window exists.
    const StartupPaths paths = parseCommandLine(argc, argv);
    if (paths.usage || paths.version) {
        std::printf("%s\n", paths.usage ? usageText : "Vestrel " VESTREL_VERSION);
        return 0;
    }

    // Without a display the toolkit aborts; a person at a terminal gets a
    // sentence instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("vestrel: no display to show the window on (DISPLAY is not set); start it under a virtual one "
                   "(xvfb-run -a vestrel ...) or use vestrel-cli\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvand"));
    QCoreApplication::setApplicationName(QStringLiteral("Vestrel"));
    // The window in the user's language where there is a translation
    // (LANG=de_DE.UTF-8); the engine's messages stay English.
    framework::installTranslations(QLocale::system());

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

} // namespace

int main(int argc, char** argv)
{
    // Memory running out is one line and status 1 rather than an abort;
    // saved files are replaced only by complete ones.
    try {
        return runWindow(argc, argv);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fputs("vestrel: out of memory\n", stderr);
    return 1;
}
