#include "TestSupport.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

class ErrorLogTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
    void TearDown() override { csErrorLog::clear(); }
};

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

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

// A session that reads profiles all day fills the log: it shows what it holds
// on stderr and goes on, keeping the entry that no longer fitted unless the
// entry table itself filled, and counting every error either way.
TEST_F(ErrorLogTest, AFullLogIsDumpedAndGoesOn)
{
    struct Case { const char* what; std::size_t fill, fillLength, newLength; bool newKept; };
    const Case cases[] = {
        {"entry table", csErrorLog::entryCapacity - 1, 1, 4, false},
        // Title, details and two zeros: 1,002 bytes an entry, 99 fit.
        {"text store", 99, 999, 999, true},
        {"one entry larger than the whole store", 0, 0, 150000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        const std::string fill(c.fillLength, 'x'), details(c.newLength, 'y');
        for (std::size_t i = 0; i < c.fill; ++i)
            csErrorLog::warning("t", "%s", fill.c_str());
        testing::internal::CaptureStderr();
        csErrorLog::error("new", "%s", details.c_str());
        const std::string dump = testing::internal::GetCapturedStderr();

        EXPECT_EQ(countOf(dump, "W 't'\n"), c.fill);
        EXPECT_EQ(dump.find("E 'new'") != std::string::npos, !c.newKept);
        EXPECT_EQ(csErrorLog::errorCount(), 1u);
        ASSERT_EQ(csErrorLog::count(), c.newKept ? 1u : 0u);
        if (c.newKept) {
            EXPECT_STREQ(csErrorLog::titleOf(0), "new");
            const std::string kept = csErrorLog::detailsOf(0);
            EXPECT_EQ(kept, details.substr(0, kept.size()));
            // Shortened only when it alone is larger than the store, and then to most of it.
            EXPECT_GE(kept.size(), std::min(c.newLength, csErrorLog::textCapacity - 300));
        }
        testing::internal::CaptureStderr();
        csErrorLog::info("next", "entry");
        testing::internal::GetCapturedStderr();
        EXPECT_STREQ(csErrorLog::titleOf(csErrorLog::lastIndex()), "next");
    }
}

} // namespace
