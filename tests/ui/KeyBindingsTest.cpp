// Every shortcut the help page lists is bound in the window, to the command
// the page names: a page that promises keys which do nothing sends users
// astray.

#include "GermanTranslation.h"
#include "TestSupport.h"
#include "mainwindow.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QShortcut>
#include <QMenuBar>
#include <QLabel>
#include <QComboBox>
#include <QTableView>

#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// The keys of each row of a help page's shortcut table, with its command text.
std::vector<std::pair<QString, QString>> listedShortcuts(const char* page)
{
    QFile file(QString::fromStdString(testDataPath(std::string("../../framework/resources/") + page)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page;
    const QString html = QString::fromUtf8(file.readAll());
    const QString table = html.mid(html.indexOf(QStringLiteral("id=\"keys\"")));
    std::vector<std::pair<QString, QString>> rows;
    const QRegularExpression row(QStringLiteral("<tr><td>(.*?)</td><td>(.*?)</td></tr>"));
    const QRegularExpression key(QStringLiteral("<kbd>(.*?)</kbd>"));
    for (auto r = row.globalMatch(table); r.hasNext();) {
        const QRegularExpressionMatch m = r.next();
        for (auto k = key.globalMatch(m.captured(1)); k.hasNext();)
            rows.emplace_back(k.next().captured(1), m.captured(2));
    }
    return rows;
}

// Every key a page lists is bound in window; where commandWord names a word
// for the key, the bound command's text and the page's command both hold it.
void expectListedKeysBound(const MainWindow& window, const char* page, const std::map<QString, QString>& commandWord)
{
    // What each key does in the window: an action's text or a shortcut's.
    std::map<QString, QString> bound;
    // Only an action some widget holds answers its keys.
    for (const QAction* action : window.findChildren<QAction*>())
        for (const QKeySequence& keys : action->associatedObjects().isEmpty() ? QList<QKeySequence>() : action->shortcuts())
            bound[keys.toString()] = action->text().remove(QLatin1Char('&'));
    for (const QShortcut* shortcut : window.findChildren<QShortcut*>())
        bound[shortcut->key().toString()] = QStringLiteral("(shortcut)");

    // Keys that belong to widgets rather than commands: the table's edit
    // key and the details window's own.
    const std::set<QString> widgetKeys = {QStringLiteral("F2"), QStringLiteral("Esc"), QStringLiteral("Ctrl+W")};
    const auto rows = listedShortcuts(page);
    ASSERT_GT(rows.size(), 15u);
    for (const auto& [keys, command] : rows) {
        SCOPED_TRACE(keys.toStdString());
        if (widgetKeys.count(keys))
            continue;
        const QString normal = QKeySequence(keys).toString();
        ASSERT_FALSE(normal.isEmpty());
        const auto found = bound.find(normal);
        ASSERT_NE(found, bound.end()) << "listed for " << command.toStdString() << " but bound to nothing";
        const auto word = commandWord.find(normal);
        if (word != commandWord.end()) {
            EXPECT_TRUE(found->second.contains(word->second)) << found->second.toStdString();
            EXPECT_TRUE(command.contains(word->second)) << command.toStdString();
        }
    }
}

TEST(KeyBindings, EveryShortcutOnTheHelpPageIsBound)
{
    MainWindow window;
    // A word of the page's command that the bound command's text must hold.
    const std::map<QString, QString> commandWord = {
        {QStringLiteral("Ctrl+O"), QStringLiteral("Open")},    {QStringLiteral("Ctrl+S"), QStringLiteral("Save")},
        {QStringLiteral("Ctrl+Z"), QStringLiteral("Undo")},    {QStringLiteral("Ctrl+Shift+Z"), QStringLiteral("Redo")},
        {QStringLiteral("Ctrl+Y"), QStringLiteral("Redo")},    {QStringLiteral("Ctrl+R"), QStringLiteral("Reference")},
        {QStringLiteral("Ctrl+M"), QStringLiteral("Measurement")}, {QStringLiteral("Ctrl+K"), QStringLiteral("Clear")},
        {QStringLiteral("Ctrl+D"), QStringLiteral("Details")},
    };
    expectListedKeysBound(window, "help.html", commandWord);
}

TEST(KeyBindings, TheGermanHelpPageListsTheKeysOfTheGermanWindow)
{
    // The same keys in the same rows as the English page: a key added to
    // one page only is caught here.
    std::vector<QString> english, german;
    for (const auto& row : listedShortcuts("help.html"))
        english.push_back(row.first);
    for (const auto& row : listedShortcuts("help_de.html"))
        german.push_back(row.first);
    EXPECT_EQ(german, english);

    const GermanTranslation translation;
    ASSERT_TRUE(translation.installed());
    MainWindow window;
    // The German page names each command as the German menus do.
    const std::map<QString, QString> commandWord = {
        {QStringLiteral("Ctrl+O"), QStringLiteral("Profil öffnen")},
        {QStringLiteral("Ctrl+S"), QStringLiteral("Profil speichern unter")},
        {QStringLiteral("Ctrl+Z"), QStringLiteral("Rückgängig")},
        {QStringLiteral("Ctrl+Shift+Z"), QStringLiteral("Wiederholen")},
        {QStringLiteral("Ctrl+Y"), QStringLiteral("Wiederholen")},
        {QStringLiteral("Ctrl+R"), QStringLiteral("Referenzdaten laden")},
        {QStringLiteral("Ctrl+M"), QStringLiteral("Messdaten laden")},
        {QStringLiteral("Ctrl+K"), QStringLiteral("Daten leeren")},
        {QStringLiteral("Ctrl+D"), QStringLiteral("Separationsdetails")},
        {QStringLiteral("Ctrl+Q"), QStringLiteral("Beenden")},
    };
    expectListedKeysBound(window, "help_de.html", commandWord);
}

} // namespace

namespace {

// The letter after '&' in a text, lower-cased; none when there is none.
QChar mnemonicOf(const QString& text)
{
    const int at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
}

TEST(KeyBindings, KeyboardReachesEveryControlWithoutTraps)
{
    MainWindow window;
    // Tab leaves the table for the method and Auto; the arrows walk the cells.
    EXPECT_FALSE(window.form()->tableView->tabKeyNavigation());
    EXPECT_EQ(window.form()->labelMethod->buddy(), window.form()->comboBoxMethod);
    EXPECT_FALSE(mnemonicOf(window.form()->labelMethod->text()).isNull());

    // No two entries of one menu, nor two menus, share a mnemonic.
    std::set<QChar> menuLetters;
    for (QAction* menuAction : window.menuBar()->actions()) {
        SCOPED_TRACE(menuAction->text().toStdString());
        EXPECT_TRUE(menuLetters.insert(mnemonicOf(menuAction->text())).second);
        std::map<QChar, QString> letters;
        for (QAction* action : menuAction->menu()->actions()) {
            const QChar letter = mnemonicOf(action->text());
            if (letter.isNull())
                continue;
            const auto [at, added] = letters.emplace(letter, action->text());
            EXPECT_TRUE(added) << action->text().toStdString() << " and " << at->second.toStdString();
        }
    }
}

} // namespace
