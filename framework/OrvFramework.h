#ifndef ORVFRAMEWORK_H
#define ORVFRAMEWORK_H

#include <QByteArray>
#include <QLocale>
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

// Shows "Resources/help.html" in a window of its own, or the page in the
// language of the installed translation ("help_de.html") when there is one;
// says so in a message box when the page is missing or cannot be opened.
void showHelp();

// Installs the program's translation for the first of locale's languages
// that has one ("vestrel_de.qm" from folder, by default
// "Resources/translations") and the toolkit's own for it ("qtbase_de.qm"
// from Qt's translations folder), replacing those a previous call
// installed. English, which needs no file, ends the search. True when a
// translation was installed; otherwise the window stays English.
bool installTranslations(const QLocale& locale, const QString& folder = QString());

// The language of the translation installed ("de"), empty for English.
QString translationLanguage();

// The help page in folder (ending in '/') for the language installed:
// "help_de.html" when there is one, else "help.html".
QString helpPage(const QString& folder);

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
