#include "LibraryLog.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

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
        return std::make_pair(LibraryLog::linesSince(mark), LibraryLog::errorsSince(mark));
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
    EXPECT_EQ(LibraryLog::linesSince(mark).size(), csErrorLog::count());
    csErrorLog::clear();
}

} // namespace
