#ifndef ORVFRAMEWORK_H
#define ORVFRAMEWORK_H

#include <QByteArray>
#include <QString>

// Stand-alone replacement for the maker's shared framework: splash, about,
// support and help panels, update search, named style texts and preferences.
//
// Every function first checks that an application object exists (and, for
// the ones that show windows, that it is a QApplication used from its own
// thread). Without it the call does nothing and returns a null/empty result,
// so callers never need to guard the calls themselves.
namespace framework {

// Shows "Resources/banner.png" as a splash for about 1.5 s; if the main
// window is not up by then, it stays until the main window shows (at most
// 10 s). A click dismisses it early. Missing image: nothing is shown.
void showSplash();

// Built-in style texts: "vendor", "product", "updater". Anything else, or a
// null name, gives a null QByteArray (callers treat that as absent).
QByteArray findStyleElement(const char* name);

// Modal about box with the version text exactly as given.
void showAboutPanel(const char* version);

// Modal panel explaining how to get support, with the version text.
void showSupportPanel(const char* version);

// Opens "Resources/help.html" in the user's browser; says so in a message
// box when the page is missing or cannot be opened.
void showHelp();

// Tells the user that no update service is configured.
void searchUpdate();

// Preferences in QSettings("Orvand", "Vestrel"), group "framework"; global
// keys live in the subgroup "framework/global" so the two kinds never clash.
// Absent key or null/empty key: null result. A null value removes the key.
QByteArray getPrefsValue(const char* key, bool global);
void setPrefsValue(const char* key, const char* value, bool global);

// Folder of bundled resources beside the executable, with a trailing '/'.
QString resourceFolder();

}  // namespace framework

#endif  // ORVFRAMEWORK_H
