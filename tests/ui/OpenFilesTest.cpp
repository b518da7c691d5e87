// Files opened without a role go where they say they belong; when they do
// not say, the user is asked, never a silent guess by position.

#include "ScriptedWindow.h"
#include "TestSupport.h"
#include "mainwindow.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

// The file without its DESCRIPTOR and ORIGINATOR lines: it says nothing.
std::string silentCopy(const TempDir& dir, const char* name, const char* as)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath(name));
    std::string text(bytes.begin(), bytes.end()), kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        if (line.rfind("DESCRIPTOR", 0) != 0 && line.rfind("ORIGINATOR", 0) != 0)
            kept += line + '\n';
        at = end + 1;
    }
    writeBytes(dir.path(as), std::vector<uint8_t>(kept.begin(), kept.end()));
    return dir.path(as);
}

TEST(OpenFiles, PositionalFilesGoWhereTheySayTheyBelong)
{
    TempDir dir;
    const std::string silentRef = silentCopy(dir, "cmyk_ref.txt", "a.txt");
    const std::string silentMeas = silentCopy(dir, "cmyk_meas.txt", "b.txt");
    struct Case
    {
        const char* what;
        std::vector<std::string> files;
        int answer;              // the user's, when asked
        bool asked;
        std::string reference;   // empty: none loaded
        std::string measurement;
    };
    const std::string ref = testDataPath("cmyk_ref.txt"), meas = testDataPath("cmyk_meas.txt");
    const std::string refCopy = dir.path("cmyk_ref_again.txt");
    writeBytes(refCopy, readBytes(ref));
    const Case cases[] = {
        {"in the expected order", {meas, ref}, -1, false, ref, meas},
        {"swapped", {ref, meas}, -1, false, ref, meas},
        {"one silent beside one that says", {silentRef, meas}, -1, false, silentRef, meas},
        {"both silent: asked, the second chosen", {silentMeas, silentRef}, 1, true, silentRef, silentMeas},
        {"both silent, the user declines: nothing loaded", {silentRef, silentMeas}, -1, true, "", ""},
        {"two references: asked among them", {refCopy, ref}, 1, true, ref, refCopy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWindow window;
        window.referenceChoice = c.answer;
        QStringList files;
        for (const std::string& f : c.files)
            files << QString::fromStdString(f);
        window.openFiles(files);
        EXPECT_EQ(!window.referenceCandidates.isEmpty(), c.asked);
        EXPECT_EQ(window.session().hasReferenceData() ? window.session().referencePath() : "", c.reference);
        EXPECT_EQ(window.session().hasMeasurementData() ? window.session().measurementPath() : "", c.measurement);
    }
}

TEST(OpenFiles, TheFilesInUseAreNamed)
{
    ScriptedWindow window;
    window.openFiles({QString::fromStdString(testDataPath("cmyk_meas.txt")),
                      QString::fromStdString(testDataPath("cmyk_ref.txt"))});
    const auto* label = window.findChild<QLabel*>(QStringLiteral("dataFilesLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8("Reference: cmyk_ref.txt  \u00b7  Measurement: cmyk_meas.txt"));
    EXPECT_TRUE(label->toolTip().contains(QString::fromStdString(testDataPath("cmyk_ref.txt"))));
}

} // namespace
