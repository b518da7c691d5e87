#include "CorrectionSession.h"
#include "SessionReport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// The cause a front end gives for a refusal comes from the severities, not
// from the words: the first error, else the last warning.
TEST(SessionReport, TheCauseIsTheFirstErrorElseTheLastWarning)
{
    struct Case { std::vector<Finding> findings; const char* cause; };
    const Case cases[] = {
        {{}, nullptr},
        {{{Severity::Note, "n"}}, nullptr},
        {{{Severity::Warning, "w1"}, {Severity::Warning, "w2"}, {Severity::Note, "n"}}, "w2"},
        {{{Severity::Warning, "W first"}, {Severity::Error, "E one"}, {Severity::Error, "E two"}}, "E one"},
        // Text that looks like a library error line is no error by its looks.
        {{{Severity::Warning, "E 'looks like' an error"}, {Severity::Warning, "last"}}, "last"},
    };
    for (const Case& c : cases) {
        SessionReport report;
        report.findings = c.findings;
        const Finding* cause = report.cause();
        if (!c.cause) {
            EXPECT_EQ(cause, nullptr);
            continue;
        }
        ASSERT_NE(cause, nullptr);
        EXPECT_EQ(cause->text, c.cause);
    }
}

// A skipped line is a warning that names its line; a refused profile's
// library errors are errors.
TEST(SessionReport, FindingsCarryTheirLineAndSeverity)
{
    CorrectionSession session;
    const SessionReport loaded = session.loadPatchText(
        "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n"
        "1 50 0 0\n2 fifty 0 0\n3 40 1 1\nEND_DATA\n",
        "m.txt", PatchFileRole::Measurement);
    ASSERT_TRUE(loaded.ok) << loaded.summary;
    ASSERT_EQ(loaded.findings.size(), 1u);
    EXPECT_EQ(loaded.findings[0].severity, Severity::Warning);
    EXPECT_EQ(loaded.findings[0].line, 7);

    const std::vector<uint8_t> file = readBytes(testDataPath("cmyk_v2.icc"));
    std::string bytes(file.begin(), file.end());
    bytes[131] = '\x7f'; // the tag count: far more tags than the profile holds
    const SessionReport refused = session.openProfileBytes(bytes, "broken.icc");
    ASSERT_FALSE(refused.ok);
    ASSERT_NE(refused.cause(), nullptr);
    EXPECT_EQ(refused.cause()->severity, Severity::Error) << refused.cause()->text;
}

} // namespace
