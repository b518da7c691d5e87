// Every shortcut the help page lists is bound in the window, to the command
// the page names: a page that promises keys which do nothing sends users
// astray.

#include "TestSupport.h"
#include "mainwindow.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QShortcut>

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
