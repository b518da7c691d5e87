#include "OrvFramework.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QSettings>
#include <QSplashScreen>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <cstring>

namespace framework {

namespace {

const int kSplashMinimumMs = 1500;
// Where users find the project and its support; to be replaced by the real
// addresses of the distribution.
const char* const projectPage = "https://vestrel.example.org";
const char* const supportAddress = "support@vestrel.example.org";
// Upper bound so a start-up that never shows a main window cannot leave the
// splash on screen for good.
const int kSplashMaximumMs = 10000;

bool haveApp()
{
    return QCoreApplication::instance() != nullptr;
}

// Widgets need a QApplication (not just a QCoreApplication) and must be
// created in its thread; anything else would abort inside Qt.
QApplication *guiApp()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    return app;
}

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

// Watches for the main window while the splash is up. It is a child of the
// splash, so it and its event filter go away together with the splash.
class SplashCloser : public QObject
{
public:
    SplashCloser(QSplashScreen *splash, bool mainAlreadyShown)
        : QObject(splash), splash_(splash), mainShown_(mainAlreadyShown)
    {
        qApp->installEventFilter(this);
    }

    void minimumElapsed()
    {
        minimumElapsed_ = true;
        if (mainShown_)
            finish();
    }

    void finish()
    {
        qApp->removeEventFilter(this);
        splash_->hide();
        splash_->deleteLater();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || watched == splash_ || !watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (!w->isWindow())
            return false;
        if (qobject_cast<QMainWindow *>(w)) {
            mainShown_ = true;
            if (minimumElapsed_)
                finish();
        } else if (w->isModal() || w->windowType() == Qt::Dialog) {
            // A dialog at start-up must never sit hidden behind the splash.
            finish();
        }
        return false;
    }

private:
    QSplashScreen *splash_;
    bool mainShown_;
    bool minimumElapsed_ = false;
};

// The translators installed, owned by the application.
QPointer<QTranslator> programTranslator;
QPointer<QTranslator> toolkitTranslator;
QString installedLanguage;

void removeTranslator(QPointer<QTranslator>& translator)
{
    if (!translator)
        return;
    QCoreApplication::removeTranslator(translator);
    delete translator.data();
}

// A translator for locale from folder, installed; null when there is none.
QTranslator* loadTranslator(const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, name, QStringLiteral("_"), folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

bool anyMainWindowVisible()
{
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget *w : tops) {
        if (w->isVisible() && qobject_cast<QMainWindow *>(w))
            return true;
    }
    return false;
}

}  // namespace

QString resourceFolder()
{
    if (!haveApp())
        return QString();
    // Beside the executable in a build tree; an installed program finds
    // them under share/vestrel, where Linux keeps a program's data.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Resources/");
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vestrel/Resources/");
    if (!QDir(beside).exists() && QDir(installed).exists())
        return QDir(installed).absolutePath() + QLatin1Char('/');
    return beside;
}

void showSplash()
{
    QApplication *app = guiApp();
    if (!app)
        return;
    static QPointer<QSplashScreen> current;
    if (current)
        return;

    const QPixmap banner(resourceFolder() + QStringLiteral("banner.png"));
    if (banner.isNull())
        return;

    auto *splash = new QSplashScreen(banner);
    current = splash;
    auto *closer = new SplashCloser(splash, anyMainWindowVisible());
    // The timers are bound to the splash, so they are dropped if it is gone.
    QTimer::singleShot(kSplashMinimumMs, splash, [closer] { closer->minimumElapsed(); });
    QTimer::singleShot(kSplashMaximumMs, splash, [closer] { closer->finish(); });

    splash->show();
    // The event loop is not running yet at start-up; paint the splash now.
    app->processEvents();
}

QByteArray findStyleElement(const char *name)
{
    if (!haveApp() || !name)
        return QByteArray();
    if (std::strcmp(name, "vendor") == 0)
        return QByteArrayLiteral("Orvand");
    if (std::strcmp(name, "product") == 0)
        return QByteArrayLiteral("Vestrel");
    if (std::strcmp(name, "updater") == 0)
        return QByteArrayLiteral("false");
    return QByteArray();
}

void showAboutPanel(const char *version)
{
    if (!guiApp())
        return;

    QMessageBox box(dialogParent());
    box.setWindowTitle(QCoreApplication::translate("MainWindow", "About Vestrel"));
    const QPixmap icon(resourceFolder() + QStringLiteral("about.png"));
    if (!icon.isNull())
        box.setIconPixmap(icon);

    QString text = QStringLiteral("<h2>Vestrel</h2>");
    if (version) {
        text += QStringLiteral("<p>")
                + QCoreApplication::translate("MainWindow", "Version %1")
                          .toHtmlEscaped()
                          .arg(QString::fromUtf8(version).toHtmlEscaped())
                + QStringLiteral("</p>");
    }
    text += QStringLiteral("<p>")
            + QCoreApplication::translate("MainWindow",
                                          "Vestrel corrects ICC printer profiles from measurements, "
                                          "so that printed colour patches match their reference colours.")
                      .toHtmlEscaped()
            + QStringLiteral("</p><p>")
            + QCoreApplication::translate("MainWindow",
                                          "Copyright Orvand. Vestrel is licensed to you under the Orvand "
                                          "end-user licence that came with this copy.")
                      .toHtmlEscaped()
            + QStringLiteral("</p><p>")
            + QCoreApplication::translate("MainWindow",
                                          "It uses Qt (LGPL 3), Eigen (MPL 2.0) and libmd (BSD licence).")
                      .toHtmlEscaped()
            + QStringLiteral("</p><p>")
            + QCoreApplication::translate("MainWindow", "Project page: %1")
                      .toHtmlEscaped()
                      .arg(QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(projectPage)))
            + QStringLiteral("</p>");
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void showSupportPanel(const char *version)
{
    if (!guiApp())
        return;

    QMessageBox box(dialogParent());
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QCoreApplication::translate("MainWindow", "Vestrel Support"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QCoreApplication::translate("MainWindow",
                                            "To get support, write to %1 or open an issue on the project page "
                                            "%2, and describe what you did and what went wrong.")
                    .arg(QLatin1String(supportAddress), QLatin1String(projectPage)));
    const QString shownVersion = version ? QString::fromUtf8(version)
                                         : QCoreApplication::translate("MainWindow", "unknown");
    box.setInformativeText(
        QCoreApplication::translate("MainWindow",
                                    "Please include the printer profile you opened, the reference and "
                                    "measurement data files you loaded, and the version of Vestrel.\n\n"
                                    "Version: %1")
            .arg(shownVersion));
    // Lets the user copy the version into a report.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool installTranslations(const QLocale& locale, const QString& folder)
{
    if (!haveApp())
        return false;
    removeTranslator(programTranslator);
    removeTranslator(toolkitTranslator);
    installedLanguage.clear();
    const QString ours = folder.isEmpty() ? resourceFolder() + QStringLiteral("translations") : folder;
    // The user's languages in the order preferred (LANGUAGE=de:en, or
    // LANG alone): the first with a translation wins, and English, the
    // source language, which needs no file, ends the search.
    for (const QString& name : locale.uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English || language.language() == QLocale::C)
            return false;
        programTranslator = loadTranslator(language, QStringLiteral("vestrel"), ours);
        if (!programTranslator)
            continue;
        // The toolkit's own dialogs and buttons (Cancel, file dialogs) in the
        // same language; without its package they stay English.
        toolkitTranslator =
            loadTranslator(language, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        installedLanguage = QLocale(programTranslator->language()).name().section(QLatin1Char('_'), 0, 0);
        return true;
    }
    return false;
}

QString translationLanguage()
{
    return installedLanguage;
}

QString helpPage(const QString& folder)
{
    // The page in the window's language, else the English one.
    const QString translated = folder + QStringLiteral("help_%1.html").arg(installedLanguage);
    if (!installedLanguage.isEmpty() && QFileInfo(translated).isFile())
        return translated;
    return folder + QStringLiteral("help.html");
}

void showHelp()
{
    if (!guiApp())
        return;

    const QFileInfo page(helpPage(resourceFolder()));
    const QString title = QCoreApplication::translate("MainWindow", "Vestrel Help");
    if (!page.isFile() || !page.isReadable()) {
        QMessageBox::warning(dialogParent(), title,
                             QCoreApplication::translate("MainWindow", "The help page %1 was not found.")
                                 .arg(QDir::toNativeSeparators(page.absoluteFilePath())));
        return;
    }
    // A window of our own: a browser handed the page may fail to start
    // (some refuse to run as root) without a word to anyone.
    auto* window = new QDialog(dialogParent());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(browser);
    window->resize(720, 640);
    window->show();
}

void searchUpdate()
{
    if (!guiApp())
        return;
    QMessageBox::information(dialogParent(),
                             QCoreApplication::translate("MainWindow", "Search for Update"),
                             QCoreApplication::translate("MainWindow",
                                                         "No update service is configured for this "
                                                         "installation, so Vestrel cannot search for updates."));
}

QByteArray getPrefsValue(const char *key, bool global)
{
    if (!haveApp() || !key || !*key)
        return QByteArray();
    QSettings settings(QStringLiteral("Orvand"), QStringLiteral("Vestrel"));
    settings.beginGroup(QStringLiteral("framework"));
    if (global)
        settings.beginGroup(QStringLiteral("global"));
    const QString name = QString::fromUtf8(key);
    if (!settings.contains(name))
        return QByteArray();
    const QByteArray value = settings.value(name).toString().toUtf8();
    // A stored empty text is present, so it must not read back as null.
    return value.isNull() ? QByteArray("", 0) : value;
}

void setPrefsValue(const char *key, const char *value, bool global)
{
    if (!haveApp() || !key || !*key)
        return;
    QSettings settings(QStringLiteral("Orvand"), QStringLiteral("Vestrel"));
    settings.beginGroup(QStringLiteral("framework"));
    if (global)
        settings.beginGroup(QStringLiteral("global"));
    const QString name = QString::fromUtf8(key);
    if (value)
        settings.setValue(name, QString::fromUtf8(value));
    else
        settings.remove(name);
}

}  // namespace framework
