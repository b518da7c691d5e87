// The German window: the translation loads and reaches menus, actions,
// dialogs and the engine's findings; every text of the .ts file is translated with its placeholders,
// mnemonics and shortcut texts intact; the keyboard stays free of clashes;
// and English comes back when the translation is removed.

#include "GermanTranslation.h"
#include "OrvFramework.h"
#include "PlotsWidget.h"
#include "ScriptedWindow.h"
#include "SvgCanvas.h"
#include "TestSupport.h"
#include "ToleranceDialog.h"
#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <set>

// Failures show the texts, not their bytes.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

TEST(Translation, TheGermanWindowSpeaksGerman)
{
    const GermanTranslation translation;
    ASSERT_TRUE(translation.installed());
    EXPECT_EQ(framework::translationLanguage(), "de");
    MainWindow window;
    Ui::MainWindow* form = window.form();
    EXPECT_EQ(form->menuFile->title(), "&Datei");
    EXPECT_EQ(form->menuEdit->title(), "&Bearbeiten");
    EXPECT_EQ(form->actionOpen->text(), "&Profil öffnen");
    EXPECT_EQ(form->actionSaveAs->text(), "Profil &speichern unter...");
    EXPECT_EQ(form->actionLoadReferenceData->text(), "Re&ferenzdaten laden");
    EXPECT_EQ(form->labelAfterCaption->text(), "Nach Korrektur:");
    // Shortcut texts are not translated: the keys stay what they were.
    EXPECT_EQ(form->actionOpen->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(form->actionAuto->shortcut(), QKeySequence(QStringLiteral("Ctrl+Return")));

    // A dialog of ours, with the toolkit's own buttons in German too.
    ToleranceDialog dialog(ToleranceLimits(), &window);
    EXPECT_EQ(dialog.windowTitle(), "Toleranzen");
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), "Abbrechen");
}

TEST(Translation, EnglishComesBackAndNoOtherLanguageIsClaimed)
{
    struct Case
    {
        const char* name;
        QLocale locale;
        bool installed;
    };
    const Case cases[] = {
        {"German (Austria) falls back to German", QLocale(QLocale::German, QLocale::Austria), true},
        {"English needs no file", QLocale(QLocale::English, QLocale::UnitedKingdom), false},
        {"French has no translation", QLocale(QLocale::French, QLocale::France), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(framework::installTranslations(c.locale, QStringLiteral(VESTREL_TRANSLATIONS_DIR)), c.installed);
        MainWindow window;
        EXPECT_EQ(window.form()->menuFile->title(), c.installed ? "&Datei" : "&File");
        EXPECT_EQ(framework::translationLanguage(), c.installed ? "de" : "");
    }
    framework::installTranslations(QLocale(QLocale::English));
    MainWindow window;
    EXPECT_EQ(window.form()->menuFile->title(), "&File");
}

TEST(Translation, TheHelpPageFollowsTheLanguage)
{
    const QString folder = QString::fromStdString(testDataPath("../../framework/resources/"));
    EXPECT_EQ(QFileInfo(framework::helpPage(folder)).fileName(), "help.html") << "English before any translation";
    {
        const GermanTranslation translation;
        EXPECT_EQ(QFileInfo(framework::helpPage(folder)).fileName(), "help_de.html");
        // A folder without the German page: the English one.
        const QString empty = QString::fromStdString(testDataPath(""));
        EXPECT_EQ(QFileInfo(framework::helpPage(empty)).fileName(), "help.html");
    }
    EXPECT_EQ(QFileInfo(framework::helpPage(folder)).fileName(), "help.html");
}

// The engine's findings reach the German window in German, values filled
// in; the session's own texts, as the command-line tool prints them, stay
// English.
TEST(Translation, TheEnginesFindingsSpeakTheWindowsLanguage)
{
    struct Case
    {
        const char* line;     // the bad data line, line 10 of the file
        const char* english;  // the finding, as vestrel-cli says it
        const char* german;
    };
    const Case cases[] = {
        {"2 200 0 0", "line 10: the colour L* 200 is outside 0 to 110",
         "Zeile 10: L* 200 der Farbe liegt außerhalb von 0 bis 110"},
        {"2 50 x 0", "line 10: 'x' is not a number", "Zeile 10: „x“ ist keine Zahl"},
        {"2 50 0", "line 10: 3 values, 4 expected", "Zeile 10: 3 Werte, 4 erwartet"},
    };
    const TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string path = dir.path("reference.txt");
        std::ofstream(path) << "CGATS.17\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\n"
                               "END_DATA_FORMAT\nNUMBER_OF_SETS 3\nBEGIN_DATA\n1 50 0 0\n3 60 1 1\n"
                            << c.line << "\nEND_DATA\n";
        CorrectionSession session;
        const SessionReport report = session.loadPatches(path, PatchFileRole::Reference);
        ASSERT_EQ(report.details(), std::vector<std::string>{c.english});
        EXPECT_EQ(report.summary, "Loaded 2 reference patches; 1 line skipped (10)");

        const GermanTranslation translation;
        ASSERT_TRUE(translation.installed());
        ScriptedWindow window;
        window.openRef(QString::fromStdString(path));
        ASSERT_EQ(window.dialogs.size(), 1);
        EXPECT_EQ(window.dialogs[0], QStringLiteral("2 Referenzfelder geladen; 1 Zeile übersprungen (10)\n") +
                                         QString::fromUtf8(c.german));
        EXPECT_EQ(window.statusBar()->currentMessage(), "2 Referenzfelder geladen; 1 Zeile übersprungen (10)");
    }
}

// A patch file of Lab values, one "id L a b" line per row.
std::string labFile(const std::vector<std::string>& rows)
{
    std::string text = "CGATS.17\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
                       "NUMBER_OF_SETS " + std::to_string(rows.size()) + "\nBEGIN_DATA\n";
    for (const std::string& row : rows)
        text += row + '\n';
    return text + "END_DATA\n";
}

// Refusals of a whole file, of a pairing and of a correction method, and
// findings about repeated measurements, reach the German window in German: the status
// bar, and the dialog (its summary, then its lines) where there is one.
TEST(Translation, RefusalsAndRepeatFindingsSpeakTheWindowsLanguage)
{
    struct Case
    {
        const char* name;
        std::function<void(ScriptedWindow&, const TempDir&)> act;
        const char* status;
        const char* dialog; // null: none
    };
    const auto write = [](const TempDir& dir, const char* name, const std::string& text) {
        std::ofstream(dir.path(name)) << text;
        return QString::fromStdString(dir.path(name));
    };
    const std::string three = labFile({"1 50 0 0", "2 60 10 10", "3 70 -10 20"});
    const Case cases[] = {
        {"a reference without data lines",
         [&](ScriptedWindow& w, const TempDir& dir) { w.openRef(write(dir, "empty.txt", labFile({}))); },
         "empty.txt konnte nicht geladen werden: Die Datei enthält keine Datenzeilen",
         "empty.txt konnte nicht geladen werden: Die Datei enthält keine Datenzeilen"},
        {"Smooth with two patches",
         [&](ScriptedWindow& w, const TempDir& dir) {
             ASSERT_TRUE(w.openProfile(QString::fromStdString(testDataPath("cmyk_v2.icc"))));
             const std::string two = labFile({"1 50 0 0", "2 60 10 10"});
             w.openRef(write(dir, "ref.txt", two));
             w.openMeas(write(dir, "meas.txt", two));
             w.dialogs.clear();
             w.correctAnyway = true;
             w.setMethod(CorrectionMethod::Smooth);
             QMetaObject::invokeMethod(&w, "on_pushButtonAuto_clicked");
         },
         "Mindestens 3 Felder mit Referenz- und Messwerten werden gebraucht, 2 vorhanden",
         "Mindestens 3 Felder mit Referenz- und Messwerten werden gebraucht, 2 vorhanden"},
        {"a repeat that disagrees on one patch",
         [&](ScriptedWindow& w, const TempDir& dir) {
             w.openMeas(write(dir, "first.txt", three));
             w.addMeasurementFile(write(dir, "second.txt", labFile({"1 50 0 0", "2 80 10 10", "3 70 -10 20"})));
         },
         "2 Messdateien gemittelt: 2 gemessene Felder; 1 Feld wurde in den Wiederholungsmessungen unterschiedlich "
         "gemessen und ausgelassen: 2 (20.0 auseinander); die Messwerte sind der Mittelwert aus 2 Dateien (first.txt, "
         "second.txt)",
         "2 Messdateien gemittelt: 2 gemessene Felder; 1 Feld wurde in den Wiederholungsmessungen unterschiedlich "
         "gemessen und ausgelassen: 2 (20.0 auseinander)\n"
         "1 Feld wurde in den Wiederholungsmessungen unterschiedlich gemessen und ausgelassen: 2 (20.0 auseinander)"},
        {"a repeat without one patch",
         [&](ScriptedWindow& w, const TempDir& dir) {
             w.openMeas(write(dir, "first.txt", three));
             w.addMeasurementFile(write(dir, "second.txt", labFile({"1 50 0 0", "3 70 -10 20"})));
         },
         "2 Messdateien gemittelt: 3 gemessene Felder; 1 Feld ist nicht in jeder Messdatei enthalten (ID 2); es ist "
         "der Mittelwert der Dateien, die es enthalten; die Messwerte sind der Mittelwert aus 2 Dateien (first.txt, "
         "second.txt)",
         "2 Messdateien gemittelt: 3 gemessene Felder; 1 Feld ist nicht in jeder Messdatei enthalten (ID 2); es ist "
         "der Mittelwert der Dateien, die es enthalten\n"
         "1 Feld ist nicht in jeder Messdatei enthalten (ID 2); es ist der Mittelwert der Dateien, die es enthalten"},
        {"a measurement sharing no id with the reference",
         [&](ScriptedWindow& w, const TempDir& dir) {
             w.openRef(write(dir, "ref.txt", three));
             w.openMeas(write(dir, "meas.txt", labFile({"7 50 0 0", "8 60 0 0"})));
         },
         "meas.txt konnte nicht geladen werden: Keines der 2 gemessenen Felder hat eine Referenz mit demselben Wert "
         "in SAMPLE_ID",
         "meas.txt konnte nicht geladen werden: Keines der 2 gemessenen Felder hat eine Referenz mit demselben Wert "
         "in SAMPLE_ID"},
        {"a repeat with one id twice",
         [&](ScriptedWindow& w, const TempDir& dir) {
             w.openMeas(write(dir, "first.txt", three));
             w.addMeasurementFile(write(dir, "second.txt", labFile({"1 50 0 0", "1 51 0 0", "3 70 -10 20"})));
         },
         "second.txt konnte nicht hinzugefügt werden: Die Datei der wiederholten Messung hat SAMPLE_ID 1 zweimal "
         "(Zeilen 8 und 9)",
         "second.txt konnte nicht hinzugefügt werden: Die Datei der wiederholten Messung hat SAMPLE_ID 1 zweimal "
         "(Zeilen 8 und 9)"},
    };
    const GermanTranslation translation;
    ASSERT_TRUE(translation.installed());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        ScriptedWindow window;
        c.act(window, dir);
        EXPECT_EQ(window.statusBar()->currentMessage(), QString::fromUtf8(c.status));
        EXPECT_EQ(window.dialogs, c.dialog ? QStringList{QString::fromUtf8(c.dialog)} : QStringList());
    }
}

// The text a plot drawn with words shows.
std::string drawnText(const PlotData& data)
{
    SvgCanvas canvas(600, 300);
    drawHistogram(canvas, {0, 0, 300, 300}, data);
    drawSortedDeltaE(canvas, {300, 0, 300, 300}, data);
    return canvas.finish();
}

TEST(Translation, ThePlotsOfTheWindowSpeakItsLanguageAndReportsStayEnglish)
{
    PlotData data;
    data.patches.push_back({{50, 0, 0}, {52, 1, 1}, false, {}, 2.4, 0, false});
    {
        const GermanTranslation translation;
        data.words = windowPlotWords();
        const std::string german = drawnText(data);
        for (const char* word : {"Histogramm Delta E 1976", "Delta E 1976 je Feld, sortiert", "vorher", "Felder",
                                 "Anteil der Felder, %", "Grenzwert Maximum 5.00"}) {
            SCOPED_TRACE(word);
            EXPECT_NE(german.find(word), std::string::npos);
        }
        EXPECT_EQ(german.find("histogram"), std::string::npos);
    }
    // A report's plots: the engine's own words.
    data.words = PlotWords();
    const std::string english = drawnText(data);
    EXPECT_NE(english.find("Delta E 1976 histogram"), std::string::npos);
    EXPECT_NE(english.find("maximum limit 5.00"), std::string::npos);
    // The window in English says what the reports say.
    EXPECT_EQ(windowPlotWords().histogram, PlotWords().histogram);
}

// One message of the .ts file.
struct Message
{
    QString context, source;
    QStringList translations; // one, or one per plural form
    QString type;             // "unfinished", "vanished", ... or empty
};

std::vector<Message> readMessages(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    std::vector<Message> messages;
    QString context;
    bool numerus = false;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            messages.push_back({context, {}, {}, {}});
        } else if (messages.empty()) {
            continue;
        } else if (name == QLatin1String("source")) {
            messages.back().source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            messages.back().type = xml.attributes().value(QLatin1String("type")).toString();
            // Plural forms follow as elements of their own.
            if (!numerus)
                messages.back().translations << xml.readElementText();
        } else if (name == QLatin1String("numerusform")) {
            messages.back().translations << xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

// The placeholders of a text (%1, %2, %n), sorted, each once.
std::vector<QString> placeholders(const QString& text)
{
    std::set<QString> found;
    static const QRegularExpression pattern(QStringLiteral("%(\\d+|n)"));
    for (auto m = pattern.globalMatch(text); m.hasNext();)
        found.insert(m.next().captured(0));
    return {found.begin(), found.end()};
}

// The mnemonic markers of a text: '&' not doubled.
int mnemonics(const QString& text)
{
    return static_cast<int>(text.count(QLatin1Char('&')) - 2 * text.count(QLatin1String("&&")));
}

TEST(Translation, EveryMessageIsTranslatedWithItsPlaceholders)
{
    const auto messages = readMessages(QString::fromStdString(testDataPath("../../translations/vestrel_de.ts")));
    ASSERT_GT(messages.size(), 200u);
    static const QRegularExpression shortcut(QStringLiteral("^(Ctrl|Shift|Alt)\\+\\S+$"));
    for (const Message& m : messages) {
        SCOPED_TRACE((m.context + QStringLiteral(": ") + m.source).toStdString());
        EXPECT_TRUE(m.type.isEmpty()) << "marked " << m.type.toStdString();
        ASSERT_FALSE(m.translations.isEmpty());
        for (const QString& german : m.translations) {
            EXPECT_FALSE(german.trimmed().isEmpty());
            EXPECT_EQ(placeholders(german), placeholders(m.source)) << german.toStdString();
            EXPECT_EQ(mnemonics(german), mnemonics(m.source)) << german.toStdString();
            if (shortcut.match(m.source).hasMatch()) {
                EXPECT_EQ(german, m.source) << "keys are named as the toolkit reads them";
            }
        }
    }
}

// The letter after '&' in a text, lower-cased; none when there is none.
QChar mnemonicOf(const QString& text)
{
    const int at = static_cast<int>(text.indexOf(QLatin1Char('&')));
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
}

// No two entries of menu (and of its submenus, each on its own) share a
// mnemonic.
void expectUniqueMnemonics(const QMenu* menu)
{
    SCOPED_TRACE(menu->title().toStdString());
    std::map<QChar, QString> letters;
    for (QAction* action : menu->actions()) {
        if (action->menu())
            expectUniqueMnemonics(action->menu());
        const QChar letter = mnemonicOf(action->text());
        if (letter.isNull())
            continue;
        const auto [at, added] = letters.emplace(letter, action->text());
        EXPECT_TRUE(added) << action->text().toStdString() << " and " << at->second.toStdString();
    }
}

TEST(Translation, GermanMnemonicsAreUnique)
{
    const GermanTranslation translation;
    ASSERT_TRUE(translation.installed());
    MainWindow window;
    // Alt and a letter reaches one thing in the window: a menu, the method
    // or the Auto button.
    std::map<QChar, QString> windowLetters;
    QStringList texts = {window.form()->labelMethod->text(), window.form()->pushButtonAuto->text()};
    for (QAction* menuAction : window.menuBar()->actions()) {
        texts << menuAction->text();
        expectUniqueMnemonics(menuAction->menu());
    }
    for (const QString& text : texts) {
        const QChar letter = mnemonicOf(text);
        ASSERT_FALSE(letter.isNull()) << text.toStdString();
        const auto [at, added] = windowLetters.emplace(letter, text);
        EXPECT_TRUE(added) << text.toStdString() << " and " << at->second.toStdString();
    }
    EXPECT_EQ(windowLetters.size(), 6u) << "four menus, the method and Auto";
}

} // namespace
