#include "LibraryLog.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// One operation's lines are its own: the same warnings in the operation
// before neither hide nor swell them, traces stay out, and a run of alike
// warnings is three lines and a count.
TEST(LibraryLog, EachOperationSeesItsOwnLinesWithRepeatsFolded)
{
    csErrorLog::clear();
    const auto operation = [](int warnings) {
        const LibraryLog::Mark mark = LibraryLog::mark();
        for (int i = 0; i < warnings; ++i) {
            csErrorLog::info("added tag", "tag %d", i);
            csErrorLog::warning("tag size mismatch", "tag %d", i);
        }
        std::vector<std::string> lines;
        for (const Finding& finding : LibraryLog::findingsSince(mark)) {
            EXPECT_EQ(finding.severity, Severity::Warning);
            lines.push_back(finding.text);
        }
        return std::make_pair(lines, LibraryLog::errorsSince(mark));
    };
    struct Case { int warnings; std::vector<std::string> lines; };
    const Case cases[] = {
        {3000, {"W 'tag size mismatch' tag 0", "W 'tag size mismatch' tag 1", "W 'tag size mismatch' tag 2",
                "... and 2,997 more like this"}},
        {2, {"W 'tag size mismatch' tag 0", "W 'tag size mismatch' tag 1"}},
        {4, {"W 'tag size mismatch' tag 0", "W 'tag size mismatch' tag 1", "W 'tag size mismatch' tag 2",
             "... and 1 more like this"}},
        {0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warnings);
        const auto [lines, failed] = operation(c.warnings);
        EXPECT_EQ(lines, c.lines);
        EXPECT_FALSE(failed);
    }

    // An error counts even when the store has long made room for others.
    const LibraryLog::Mark mark = LibraryLog::mark();
    csErrorLog::error("bad tagtable", "first");
    for (uint32_t i = 0; i < 2 * csErrorLog::entryCapacity; ++i)
        csErrorLog::warning(std::to_string(i).c_str(), "filler");
    EXPECT_TRUE(LibraryLog::errorsSince(mark));
    const std::vector<Finding> findings = LibraryLog::findingsSince(mark);
    EXPECT_EQ(findings.size(), csErrorLog::count());
    // The error itself has gone from the store; what is left are warnings.
    EXPECT_TRUE(std::all_of(findings.begin(), findings.end(),
                            [](const Finding& f) { return f.severity == Severity::Warning; }));
    csErrorLog::clear();
}

} // namespace
