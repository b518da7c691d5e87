// Every shortcut the help page lists is bound in the window, to the command
// the page names: a page that promises keys which do nothing sends users
// astray.

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

// The keys of each row of the page's shortcut table, with its command text.
std::vector<std::pair<QString, QString>> listedShortcuts()
{
    QFile page(QString::fromStdString(testDataPath("../../framework/resources/help.html")));
    EXPECT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
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

TEST(KeyBindings, EveryShortcutOnTheHelpPageIsBound)
{
    MainWindow window;
    // What each key does in the window: an action's text or a shortcut's.
    std::map<QString, QString> bound;
    for (const QAction* action : window.findChildren<QAction*>())
        for (const QKeySequence& keys : action->shortcuts())
            bound[keys.toString()] = action->text().remove(QLatin1Char('&'));
    for (const QShortcut* shortcut : window.findChildren<QShortcut*>())
        bound[shortcut->key().toString()] = QStringLiteral("(shortcut)");

    // Keys that belong to widgets rather than commands: the table's edit
    // key and the details window's own.
    const std::set<QString> widgetKeys = {QStringLiteral("F2"), QStringLiteral("Esc"), QStringLiteral("Ctrl+W")};
    // A word of the page's command that the bound command's text must hold.
    const std::map<QString, QString> commandWord = {
        {QStringLiteral("Ctrl+O"), QStringLiteral("Open")},    {QStringLiteral("Ctrl+S"), QStringLiteral("Save")},
        {QStringLiteral("Ctrl+Z"), QStringLiteral("Undo")},    {QStringLiteral("Ctrl+Shift+Z"), QStringLiteral("Redo")},
        {QStringLiteral("Ctrl+Y"), QStringLiteral("Redo")},    {QStringLiteral("Ctrl+R"), QStringLiteral("Reference")},
        {QStringLiteral("Ctrl+M"), QStringLiteral("Measurement")}, {QStringLiteral("Ctrl+K"), QStringLiteral("Clear")},
        {QStringLiteral("Ctrl+D"), QStringLiteral("Details")}, {QStringLiteral("Ctrl+T"), QStringLiteral("Round")},
    };
    const auto rows = listedShortcuts();
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
        }
    }
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
