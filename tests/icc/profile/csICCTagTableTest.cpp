#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCTagTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// A tag of the given type whose content is size - 8 bytes of fill.
csICCTag makeTag(const char* signature, const char* type, uint32_t size, uint8_t fill = 0x5A)
{
    std::vector<uint8_t> bytes(size, fill);
    std::memcpy(bytes.data(), type, 4);
    std::memset(bytes.data() + 4, 0, 4);
    return csICCTag(csGetSignature(reinterpret_cast<const uint8_t*>(signature)), size, bytes.data());
}

csSignature sig(const char* text)
{
    return csGetSignature(reinterpret_cast<const uint8_t*>(text));
}

// Signature and size of every tag, to see that a refused edit changed nothing.
std::string contents(const csICCTagTable& table)
{
    std::string text;
    for (uint32_t i = 0; i < table.count(); ++i)
        text += std::string(csSigText(table.tagAt(i)->signature()).text) + ":" + std::to_string(table.tagAt(i)->size()) + " ";
    return text;
}

using TagTableTest = LogTest;

TEST_F(TagTableTest, EditsThatCannotApplyAreRefusedAndChangeNothing)
{
    struct Case { const char* what; std::function<int(csICCTagTable&)> edit; const char* title; };
    const Case cases[] = {
        {"duplicate", [](csICCTagTable& t) { return t.add(makeTag("cprt", "text", 40)); }, "duplicate tag"},
        {"other type", [](csICCTagTable& t) { return t.replace(sig("desc"), makeTag("desc", "mluc", 40)); },
         "tag mismatch"},
        {"missing", [](csICCTagTable& t) { return t.replace(sig("gamt"), makeTag("gamt", "mft2", 40)); },
         "tag not found"},
        {"index at the end", [](csICCTagTable& t) { return t.replaceAt(2, makeTag("dddd", "text", 20)); },
         "index out of bounds"},
        {"remove at the end", [](csICCTagTable& t) { return t.remove(2); }, "index out of bounds"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        csICCTagTable table;
        table.add(makeTag("desc", "desc", 30));
        table.add(makeTag("cprt", "text", 20));
        const std::string before = contents(table);
        EXPECT_EQ(c.edit(table), -1) << c.what;
        EXPECT_TRUE(logHas('E', c.title)) << c.what << "\n" << logText();
        EXPECT_EQ(contents(table), before) << c.what;
    }
}

TEST_F(TagTableTest, EditsKeepPositionsAndTheTableOwnsItsCopies)
{
    csICCTagTable table;
    csICCTag cprt = makeTag("cprt", "text", 20);
    ASSERT_EQ(table.add(makeTag("desc", "desc", 30)), 0);
    ASSERT_EQ(table.add(cprt), 0);
    ASSERT_EQ(table.add(makeTag("gamt", "zzzz", 12)), 0);
    cprt.data()[10] = 1;
    EXPECT_EQ(table.find(sig("cprt"))->data()[10], 0x5A) << "the table keeps a copy";

    // The new tag takes the looked-up signature and the old slot; a tag
    // replaced with itself stays.
    ASSERT_EQ(table.replace(sig("desc"), makeTag("xxxx", "desc", 44)), 0);
    ASSERT_EQ(table.replace(sig("cprt"), *table.find(sig("cprt"))), 0);
    ASSERT_EQ(table.replaceAt(2, makeTag("bXYZ", "XYZ ", 20)), 0);
    EXPECT_EQ(contents(table), "desc:44 cprt:20 bXYZ:20 ");

    table.replaceOrAdd(makeTag("wtpt", "XYZ ", 20));
    EXPECT_TRUE(logHas('W', "tag not found", "Adding tag instead"));
    ASSERT_EQ(table.remove(0), 0);
    EXPECT_EQ(contents(table), "cprt:20 bXYZ:20 wtpt:20 ");
}

TEST_F(TagTableTest, DirectoriesReachingPastTheProfileAreRefusedBeforeAnyTagIsMade)
{
    struct Case { const char* what; uint32_t declared; csICCTagDirEntry entry; const char* details; };
    const Case cases[] = {
        {"offset at the end", 1, {sig("desc"), 560, 0}, "tag 'desc' offset 560, size 0 larger than profile 560"},
        {"offset and size wrap", 1, {sig("desc"), 200, 0xFFFFFF00u}, "larger than profile 560"},
        // 132 + 12 * count wraps in 32 bits.
        {"count of 2^32 - 1", 0xFFFFFFFFu, {sig("desc"), 200, 20}, "tag count 4294967295"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        std::vector<uint8_t> block(560, 0x11);
        csSetUInt32(block.data(), 560);
        csSetUInt32(block.data() + 128, c.declared);
        csSetSignature(block.data() + 132, c.entry.signature);
        csSetUInt32(block.data() + 136, c.entry.offset);
        csSetUInt32(block.data() + 140, c.entry.size);
        csICCTagTable table;
        table.add(makeTag("keep", "text", 12));
        EXPECT_EQ(table.fromMemory(block.data(), 560), -1) << c.what;
        EXPECT_TRUE(logHas('E', "bad tagtable", c.details)) << c.what << "\n" << logText();
        EXPECT_EQ(table.count(), 0u) << c.what;
    }
}

// A directory entry of two bytes: kept as it is, read as no type.
TEST_F(TagTableTest, FactoryKeepsTagsTooShortForAType)
{
    const uint8_t two[] = {'d', 'e'};
    std::unique_ptr<csICCTag> tiny = csICCTagTable::tagFactory(sig("desc"), 2, two);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->getType(), 0u);
    EXPECT_EQ(tiny->size(), 2u);
}

} // namespace
