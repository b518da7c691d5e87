#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

class ErrorLogTest : public LogTest
{
protected:
    void TearDown() override { csErrorLog::clear(); }
};

TEST_F(ErrorLogTest, QueriesPastTheEntriesAreHarmlessAndClearStartsAfresh)
{
    csErrorLog::fatal("bad profile", "no 'acsp' signature in profile header");
    EXPECT_STREQ(csErrorLog::titleOf(1), "internal error: bad entry requested!");
    EXPECT_EQ(csErrorLog::levelOf(1), 0);
    EXPECT_EQ(csErrorLog::levelLetter(7), '?');
    testing::internal::CaptureStderr();
    csErrorLog::printEntry(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    csErrorLog::clear();
    EXPECT_TRUE(csErrorLog::count() == 0 && csErrorLog::errorCount() == 0);
    EXPECT_STREQ(csErrorLog::detailsOf(0), "internal error: bad entry requested!");
}

// A session that reads profiles all day fills the log: it makes room
// without a word on stderr and goes on, traces leaving first and the oldest
// before the newer, keeping the new entry and counting every error.
TEST_F(ErrorLogTest, AFullLogMakesRoomSilentlyAndGoesOn)
{
    using Fill = std::vector<std::pair<int, std::size_t>>; // level and details length of each entry
    struct Case
    {
        const char* what;
        Fill fill;
        std::size_t newLength;
        uint32_t dropped;
        // Title of the first entry still held, and of one that went.
        const char* firstKept;
        const char* gone;
    };
    const auto entries = [](std::size_t n, int level, std::size_t length) { return Fill(n, {level, length}); };
    const auto join = [](Fill a, const Fill& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"entry table full of traces", entries(csErrorLog::entryCapacity, csErrorLog::Info, 1), 4, 1, "1", "0"},
        // Title, details and two zeros: about 1,002 bytes an entry, 99 fit.
        {"text store full of warnings", entries(99, csErrorLog::Warning, 999), 999, 1, "1", "0"},
        {"a trace makes room before older warnings",
         join(entries(94, csErrorLog::Warning, 999), entries(5, csErrorLog::Debug, 999)), 999, 1, "0", "94"},
        {"one entry larger than the whole store", entries(10, csErrorLog::Error, 10), 150000, 10, "new", "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        uint32_t errors = 1;
        for (std::size_t i = 0; i < c.fill.size(); ++i) {
            // Titles differ so that nothing folds into repeats.
            const std::string details(c.fill[i].second, 'x');
            csErrorLog::add(c.fill[i].first, std::to_string(i).c_str(), "%s", details.c_str());
            errors += c.fill[i].first >= csErrorLog::Error;
        }
        const std::string details(c.newLength, 'y');
        testing::internal::CaptureStderr();
        csErrorLog::error("new", "%s", details.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

        EXPECT_EQ(csErrorLog::errorCount(), errors);
        EXPECT_EQ(csErrorLog::dropped(), c.dropped);
        EXPECT_EQ(csErrorLog::count(), c.fill.size() + 1 - c.dropped);
        EXPECT_STREQ(csErrorLog::titleOf(0), c.firstKept);
        EXPECT_FALSE(logHas(csErrorLog::levelLetter(c.fill.back().first), c.gone)) << logText();
        EXPECT_STREQ(csErrorLog::titleOf(csErrorLog::lastIndex()), "new");
        const std::string kept = csErrorLog::detailsOf(csErrorLog::lastIndex());
        EXPECT_EQ(kept, details.substr(0, kept.size()));
        // Shortened only when it alone is larger than the store, and then to most of it.
        EXPECT_GE(kept.size(), std::min(c.newLength, csErrorLog::textCapacity - 300));
        csErrorLog::info("next", "entry");
        EXPECT_STREQ(csErrorLog::titleOf(csErrorLog::lastIndex()), "next");
    }
}

// Thousands of alike entries (a profile's tags, a file's bad lines) are a
// few entries and a count; only a run of the same level and title folds,
// traces passed over between warnings and the other way round, and never
// across a mark.
TEST_F(ErrorLogTest, RepeatsFoldIntoACount)
{
    struct Entry { int level; const char* title; };
    struct Case
    {
        const char* what;
        std::vector<Entry> pattern;
        uint32_t times;
        bool markBetweenRounds;
        uint32_t stored;
        uint32_t lastRepeats;
    };
    const Entry tag = {csErrorLog::Info, "added tag"};
    const Entry size = {csErrorLog::Warning, "tag size mismatch"};
    const Case cases[] = {
        {"3,000 alike", {tag}, 3000, false, 3, 2997},
        {"exactly the kept number", {tag}, 3, false, 3, 0},
        {"a trace between warnings", {tag, size}, 100, false, 6, 97},
        {"alternating titles", {size, {csErrorLog::Warning, "other"}}, 100, false, 200, 0},
        {"same title, other level", {size, {csErrorLog::Error, "tag size mismatch"}}, 4, false, 8, 0},
        {"a mark starts a new run", {tag, tag, tag, tag}, 3, true, 9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        for (uint32_t round = 0; round < c.times; ++round) {
            if (c.markBetweenRounds)
                csErrorLog::mark();
            for (const Entry& e : c.pattern)
                csErrorLog::add(e.level, e.title, "round %u", round);
        }
        EXPECT_EQ(csErrorLog::count(), c.stored);
        EXPECT_EQ(csErrorLog::repeatsOf(csErrorLog::lastIndex()), c.lastRepeats);
        // The details are those of the entry stored.
        EXPECT_NE(std::string(csErrorLog::detailsOf(csErrorLog::lastIndex())), "");
    }

    csErrorLog::clear();
    for (int i = 0; i < 3000; ++i)
        csErrorLog::warning("tag size mismatch", "tag %d", i);
    char line[64];
    ASSERT_TRUE(csErrorLog::describeRepeats(2, line, sizeof line));
    EXPECT_STREQ(line, "... and 2,997 more like this");
    EXPECT_FALSE(csErrorLog::describeRepeats(1, line, sizeof line));
    EXPECT_STREQ(line, "");
    testing::internal::CaptureStderr();
    csErrorLog::printAll();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "W 'tag size mismatch'\ntag 0\nW 'tag size mismatch'\ntag 1\n"
                                                      "W 'tag size mismatch'\ntag 2\n... and 2,997 more like this\n");
}

// A mark finds what came after it, also when room was made since.
TEST_F(ErrorLogTest, AMarkFindsItsEntriesAfterRoomWasMade)
{
    for (int i = 0; i < 10; ++i)
        csErrorLog::warning(std::to_string(i).c_str(), "before");
    const uint32_t mark = csErrorLog::mark();
    EXPECT_EQ(csErrorLog::firstSince(mark), 10u);
    csErrorLog::error("after", "first of the operation");
    EXPECT_EQ(csErrorLog::firstSince(mark), 10u);
    for (uint32_t i = 0; i < csErrorLog::entryCapacity; ++i)
        csErrorLog::info(std::to_string(i).c_str(), "trace");
    ASSERT_GT(csErrorLog::dropped(), 0u);
    const uint32_t first = csErrorLog::firstSince(mark);
    EXPECT_STREQ(csErrorLog::titleOf(first), "after");
    EXPECT_STREQ(csErrorLog::titleOf(first - 1), "9");
    EXPECT_EQ(csErrorLog::firstSince(csErrorLog::mark()), csErrorLog::count());
}

} // namespace
