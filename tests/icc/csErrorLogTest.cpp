#include "TestSupport.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string banner =
    "\n"
    "===========================================================\n"
    "E R R O R   L O G   F U L L   -   D U M P   A N D   E X I T\n"
    "===========================================================\n";

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

TEST_F(ErrorLogTest, EmptyLogAnswersQueriesWithDefaults)
{
    EXPECT_EQ(csErrorLog::lastIndex(), 0u);
    EXPECT_EQ(csErrorLog::count(), 0u);
    EXPECT_EQ(csErrorLog::levelOf(0), 0);
    EXPECT_STREQ(csErrorLog::titleOf(0), "internal error: bad entry requested!");
    EXPECT_STREQ(csErrorLog::detailsOf(0), "internal error: bad entry requested!");
    testing::internal::CaptureStderr();
    csErrorLog::printAll();
    csErrorLog::printEntry(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ErrorLogTest, EachLevelOperationStoresItsLetter)
{
    csErrorLog::debug("t", "d");
    csErrorLog::info("t", "i");
    csErrorLog::warning("t", "w");
    csErrorLog::error("t", "e");
    csErrorLog::fatal("t", "f");
    csErrorLog::add(3, "t", "a");
    const std::string letters = "DIWEFE";
    ASSERT_EQ(csErrorLog::count(), letters.size());
    EXPECT_EQ(csErrorLog::lastIndex(), letters.size() - 1);
    for (uint32_t i = 0; i < letters.size(); ++i)
        EXPECT_EQ(csErrorLog::levelLetter(csErrorLog::levelOf(i)), letters[i]) << i;
    EXPECT_EQ(csErrorLog::levelLetter(5), '?');
    EXPECT_EQ(csErrorLog::levelLetter(-1), '?');
}

TEST_F(ErrorLogTest, PrintEntryWritesLetterQuotedTitleAndDetails)
{
    csErrorLog::error("bad profile", "no 'acsp' signature in profile header");
    testing::internal::CaptureStderr();
    csErrorLog::printEntry(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "E 'bad profile'\nno 'acsp' signature in profile header\n");
}

TEST_F(ErrorLogTest, DetailsAreStoredFormatted)
{
    csErrorLog::warning("wrong size in profile", "size entry %d does not match actual file size %d (corrected)",
                        1000, 1200);
    EXPECT_STREQ(csErrorLog::titleOf(0), "wrong size in profile");
    EXPECT_STREQ(csErrorLog::detailsOf(0), "size entry 1000 does not match actual file size 1200 (corrected)");
}

TEST_F(ErrorLogTest, FullEntryTableIsDumpedAndTheLogStartsAfresh)
{
    // Short texts, so that the entry table fills before the text store.
    for (int i = 0; i < 4999; ++i)
        csErrorLog::info("tag", "e%d", i);
    EXPECT_EQ(csErrorLog::count(), 4999u);

    testing::internal::CaptureStderr();
    csErrorLog::info("tag", "e%d", 4999);
    const std::string dump = testing::internal::GetCapturedStderr();

    ASSERT_EQ(banner.size(), 181u);
    EXPECT_EQ(dump.substr(0, banner.size()), banner);
    EXPECT_EQ(countOf(dump, "I 'tag'\n"), 5000u);
    EXPECT_NE(dump.find("\ne4999\n"), std::string::npos);
    EXPECT_EQ(csErrorLog::count(), 0u);

    // The process goes on and the log works as new.
    csErrorLog::error("after", "dump");
    EXPECT_EQ(csErrorLog::count(), 1u);
    EXPECT_STREQ(csErrorLog::titleOf(0), "after");
}

TEST_F(ErrorLogTest, FullTextStoreIsDumpedAndTheNewEntryKept)
{
    const std::string block(999, 'x');
    // Title "t" + zero + 999 characters + zero: 1,002 bytes an entry; 99 fit.
    for (int i = 0; i < 99; ++i)
        csErrorLog::warning("t", "%s", block.c_str());
    ASSERT_EQ(csErrorLog::count(), 99u);

    testing::internal::CaptureStderr();
    csErrorLog::error("overflowing", "%s", block.c_str());
    const std::string dump = testing::internal::GetCapturedStderr();

    EXPECT_EQ(dump.substr(0, banner.size()), banner);
    EXPECT_EQ(countOf(dump, "W 't'\n"), 99u);
    EXPECT_EQ(dump.find("overflowing"), std::string::npos) << "the entry that did not fit is not in the dump";
    ASSERT_EQ(csErrorLog::count(), 1u);
    EXPECT_STREQ(csErrorLog::titleOf(0), "overflowing");
    EXPECT_EQ(std::string(csErrorLog::detailsOf(0)), block);
}

TEST_F(ErrorLogTest, EntryLargerThanTheWholeStoreIsKeptShortened)
{
    const std::string huge(150000, 'y');
    testing::internal::CaptureStderr();
    csErrorLog::error(huge.c_str(), "%s", huge.c_str());
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(csErrorLog::count(), 1u);
    const std::string title = csErrorLog::titleOf(0);
    const std::string details = csErrorLog::detailsOf(0);
    EXPECT_FALSE(title.empty());
    EXPECT_FALSE(details.empty());
    EXPECT_LT(title.size() + details.size() + 2, csErrorLog::textCapacity);
    // The store is full now; the next entry dumps it and is kept.
    testing::internal::CaptureStderr();
    csErrorLog::info("next", "entry");
    testing::internal::GetCapturedStderr();
    EXPECT_STREQ(csErrorLog::titleOf(csErrorLog::lastIndex()), "next");
}

TEST_F(ErrorLogTest, ClearEmptiesTheLog)
{
    csErrorLog::error("a", "b");
    csErrorLog::fatal("a", "b");
    csErrorLog::warning("a", "b");
    EXPECT_EQ(csErrorLog::errorCount(), 2u);
    csErrorLog::clear();
    EXPECT_EQ(csErrorLog::count(), 0u);
    EXPECT_EQ(csErrorLog::errorCount(), 0u);
    EXPECT_STREQ(csErrorLog::titleOf(0), "internal error: bad entry requested!");
}

TEST(ErrorLogDeathTest, DumpAndExitWritesTheLogAndEndsWithStatusOne)
{
    csErrorLog::clear();
    csErrorLog::error("bad profile", "no 'acsp' signature in profile header");
    EXPECT_EXIT(csErrorLog::dumpAndExit(), testing::ExitedWithCode(1),
                "E R R O R   L O G   F U L L   -   D U M P   A N D   E X I T\n=+\nE 'bad profile'\n"
                "no 'acsp' signature in profile header\n");
    csErrorLog::clear();
}

} // namespace
