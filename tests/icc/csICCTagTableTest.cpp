#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCTagTable.h"

#include <gtest/gtest.h>

#include <cstring>

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

std::vector<csICCTagDirEntry> directoryOf(const std::vector<uint8_t>& block)
{
    std::vector<csICCTagDirEntry> entries;
    EXPECT_EQ(csICCTagTable::readDirectory(block.data(), static_cast<uint32_t>(block.size()), entries), 0);
    return entries;
}

// A profile block with a raw directory: (signature, offset, size) per entry.
std::vector<uint8_t> blockWithDirectory(uint32_t size, const std::vector<csICCTagDirEntry>& entries,
                                        int64_t declaredCount = -1)
{
    std::vector<uint8_t> block(size, 0x11);
    csSetUInt32(block.data(), size);
    csSetUInt32(block.data() + 128, declaredCount < 0 ? uint32_t(entries.size()) : uint32_t(declaredCount));
    for (std::size_t i = 0; i < entries.size() && 132 + 12 * i + 12 <= size; ++i) {
        uint8_t* e = block.data() + 132 + 12 * i;
        csSetSignature(e, entries[i].signature);
        csSetUInt32(e + 4, entries[i].offset);
        csSetUInt32(e + 8, entries[i].size);
    }
    return block;
}

class TagTableTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

TEST_F(TagTableTest, AddKeepsACopyAndRefusesDuplicates)
{
    csICCTagTable table;
    csICCTag cprt = makeTag("cprt", "text", 20);
    ASSERT_EQ(table.add(cprt), 0);
    EXPECT_NE(table.find(sig("cprt")), &cprt) << "the table keeps a copy";
    cprt.setSignature(sig("desc"));
    EXPECT_TRUE(table.contains(sig("cprt"))) << "changing the caller's tag leaves the table's alone";

    ASSERT_EQ(table.add(makeTag("cprt", "text", 40)), -1);
    EXPECT_TRUE(logHas('E', "duplicate tag", "tried to add another tag 'cprt'"));
    EXPECT_EQ(table.count(), 1u);
    EXPECT_EQ(table.find(sig("cprt"))->size(), 20u);
}

TEST_F(TagTableTest, AddGrowsEightSlotsAtATime)
{
    csICCTagTable table;
    EXPECT_EQ(table.capacity(), 0u);
    const char* names[] = {"t000", "t001", "t002", "t003", "t004", "t005", "t006", "t007", "t008"};
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(table.add(makeTag(names[i], "text", 12)), 0);
        EXPECT_EQ(table.capacity(), i < 8 ? 8u : 16u) << "after add " << i + 1;
    }
    EXPECT_EQ(table.count(), 9u);
    for (uint32_t i = 0; i < 9; ++i)
        EXPECT_EQ(table.tagAt(i)->signature(), sig(names[i]));
    EXPECT_EQ(table.tagAt(9), nullptr);
}

TEST_F(TagTableTest, ReplaceChecksTheTypeAndKeepsThePosition)
{
    csICCTagTable table;
    table.add(makeTag("desc", "desc", 30));
    table.add(makeTag("cprt", "text", 30));

    EXPECT_EQ(table.replace(sig("desc"), makeTag("dscm", "mluc", 40)), -1);
    EXPECT_TRUE(logHas('E', "tag mismatch", "tried to replace tag 'dscm' (type 'mluc') with a 'desc' (wrong type 'desc')"))
        << logText();
    EXPECT_EQ(table.find(sig("desc"))->size(), 30u);

    EXPECT_EQ(table.replace(sig("gamt"), makeTag("gamt", "mft2", 40)), -1);
    EXPECT_TRUE(logHas('E', "tag not found", "tried to replace tag 'gamt', which cannot be found"));

    // The new tag takes the looked-up signature and the old slot.
    ASSERT_EQ(table.replace(sig("desc"), makeTag("xxxx", "desc", 44)), 0);
    EXPECT_EQ(table.indexOf(sig("desc")), 0);
    EXPECT_EQ(table.tagAt(0)->size(), 44u);
    EXPECT_EQ(table.count(), 2u);

    // Replacing a tag with itself is safe.
    csICCTag* own = table.find(sig("cprt"));
    ASSERT_EQ(table.replace(sig("cprt"), *own), 0);
    EXPECT_EQ(table.find(sig("cprt"))->size(), 30u);
}

TEST_F(TagTableTest, ReplaceOrAddAppendsWithAWarning)
{
    // Types the factory keeps as plain bytes, so only the table speaks.
    csICCTagTable table;
    table.add(makeTag("desc", "zzzz", 30));
    table.replaceOrAdd(makeTag("cprt", "zzzz", 24));
    EXPECT_TRUE(logHas('W', "tag not found",
                       "tried to replace tag 'cprt', which cannot be found. Adding tag instead"));
    ASSERT_EQ(table.count(), 2u);
    EXPECT_EQ(table.tagAt(1)->signature(), sig("cprt"));

    csErrorLog::clear();
    table.replaceOrAdd(makeTag("desc", "zzzz", 50));
    EXPECT_EQ(csErrorLog::count(), 0u) << logText();
    EXPECT_EQ(table.tagAt(0)->size(), 50u);
}

TEST_F(TagTableTest, ReplaceAtAndRemoveByIndex)
{
    csICCTagTable table;
    table.add(makeTag("aaaa", "text", 12));
    table.add(makeTag("bbbb", "text", 16));
    table.add(makeTag("cccc", "text", 20));

    EXPECT_EQ(table.replaceAt(3, makeTag("dddd", "XYZ ", 20)), -1);
    EXPECT_TRUE(logHas('E', "index out of bounds", "tried to replace tag index 3 of 3"));
    // No type check by index.
    ASSERT_EQ(table.replaceAt(1, makeTag("dddd", "XYZ ", 20)), 0);
    EXPECT_EQ(table.tagAt(1)->signature(), sig("dddd"));

    ASSERT_EQ(table.remove(0), 0);
    ASSERT_EQ(table.count(), 2u);
    EXPECT_EQ(table.tagAt(0)->signature(), sig("dddd"));
    EXPECT_EQ(table.tagAt(1)->signature(), sig("cccc"));
    EXPECT_EQ(table.capacity(), 8u) << "removing does not shrink";
    csErrorLog::clear();
    EXPECT_EQ(table.remove(2), -1);
    EXPECT_TRUE(logHas('E', "index out of bounds", "tried to replace tag index 2 of 2"));
}

TEST_F(TagTableTest, SameData)
{
    csICCTagTable table;
    table.add(makeTag("A2B0", "mft2", 40, 1));
    table.add(makeTag("A2B1", "mft2", 40, 1));
    table.add(makeTag("A2B2", "mft2", 40, 2));
    table.add(makeTag("B2A0", "mft2", 41, 1));
    struct Case { const char* a; const char* b; bool same; };
    const Case cases[] = {
        {"A2B0", "A2B1", true}, {"A2B0", "A2B0", true}, {"A2B0", "A2B2", false},
        {"A2B0", "B2A0", false}, {"A2B0", "gamt", false}, {"gamt", "gamt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.sameData(sig(c.a), sig(c.b)), c.same) << c.a << " " << c.b;
}

TEST_F(TagTableTest, AssemblePadsAlignsAndSharesIdenticalData)
{
    csICCTagTable table;
    table.add(makeTag("desc", "desc", 13));
    table.add(makeTag("A2B0", "mft2", 40, 7));
    table.add(makeTag("A2B1", "mft2", 40, 7));
    table.add(makeTag("cprt", "text", 21));
    std::vector<uint8_t> block;
    ASSERT_EQ(table.assemble(block), 0);

    const std::vector<csICCTagDirEntry> d = directoryOf(block);
    ASSERT_EQ(d.size(), 4u);
    const uint32_t first = 128 + 4 + 12 * 4;
    EXPECT_EQ(d[0].offset, first);
    EXPECT_EQ(d[0].size, 13u) << "the directory states the exact size";
    EXPECT_EQ(d[1].offset, first + 16);
    EXPECT_EQ(d[2].offset, d[1].offset) << "identical data is stored once";
    EXPECT_EQ(d[3].offset, first + 16 + 40);
    EXPECT_EQ(block.size(), first + 16 + 40 + 24u);
    for (const csICCTagDirEntry& e : d)
        EXPECT_EQ(e.offset % 4, 0u);
    for (uint32_t i = first + 13; i < first + 16; ++i)
        EXPECT_EQ(block[i], 0) << "fill byte " << i;
    for (std::size_t i = block.size() - 3; i < block.size(); ++i)
        EXPECT_EQ(block[i], 0) << "fill byte " << i;
    EXPECT_EQ(0, std::memcmp(block.data() + d[3].offset, table.tagAt(3)->data(), 21));

    // After an edit the two tags are written apart.
    table.find(sig("A2B1"))->data()[20] = 0x99;
    ASSERT_EQ(table.assemble(block), 0);
    const std::vector<csICCTagDirEntry> edited = directoryOf(block);
    EXPECT_NE(edited[1].offset, edited[2].offset);
    EXPECT_EQ(block[edited[2].offset + 20], 0x99);
    EXPECT_EQ(block[edited[1].offset + 20], 7);
}

TEST_F(TagTableTest, AssembleNeedsStorageAndWarnsAboutAnEmptyList)
{
    csICCTagTable never;
    std::vector<uint8_t> block;
    EXPECT_EQ(never.assemble(block), -1);
    EXPECT_TRUE(logHas('E', "no profile data", "tried to write a profile without tag list (null pointer)"));
    EXPECT_TRUE(block.empty());

    csICCTagTable empty;
    const std::vector<uint8_t> profile = blockWithDirectory(132, {});
    ASSERT_EQ(empty.fromMemory(profile.data(), 132), 0);
    ASSERT_EQ(empty.assemble(block), 0);
    EXPECT_TRUE(logHas('W', "empty profile", "tried to write a profile with empty tag list"));
    EXPECT_EQ(block.size(), 132u);
    EXPECT_EQ(csGetUInt32(block.data() + 128), 0u);
}

TEST_F(TagTableTest, FromMemoryReadsSharedOffsetsAsSeparateTags)
{
    std::vector<uint8_t> block = blockWithDirectory(
        240, {{sig("A2B0"), 200, 20}, {sig("A2B1"), 200, 20}, {sig("A2B0"), 220, 20}});
    std::memcpy(block.data() + 200, "mft2", 4);
    csICCTagTable table;
    ASSERT_EQ(table.fromMemory(block.data(), 240), 0);
    EXPECT_EQ(table.count(), 3u);
    EXPECT_EQ(table.capacity(), 3u);
    EXPECT_NE(table.tagAt(0)->data(), table.tagAt(1)->data());
    EXPECT_TRUE(table.sameData(sig("A2B0"), sig("A2B1")));
    EXPECT_EQ(table.find(sig("A2B0")), table.tagAt(0)) << "the first of two equal signatures wins";
    EXPECT_EQ(table.tagAt(0)->getType(), sig("mft2"));
    EXPECT_TRUE(logHas('I', "added tag", "found tag 'A2B1' size 20"));

    // Editing one leaves the other.
    table.tagAt(1)->data()[10] = 0;
    EXPECT_FALSE(table.sameData(sig("A2B0"), sig("A2B1")));
}

TEST_F(TagTableTest, FromMemoryRefusesEntriesOutsideTheProfile)
{
    struct Case { const char* what; uint32_t size; std::vector<csICCTagDirEntry> entries; int64_t declared;
                  const char* details; };
    const Case cases[] = {
        {"past the end", 560, {{sig("desc"), 200, 40}, {sig("A2B1"), 500, 100}}, -1,
         "tag 'A2B1' offset 500, size 100 larger than profile 560"},
        {"offset at the end", 560, {{sig("desc"), 560, 0}}, -1,
         "tag 'desc' offset 560, size 0 larger than profile 560"},
        {"offset and size wrap", 560, {{sig("desc"), 200, 0xFFFFFF00u}}, -1,
         "larger than profile 560"},
        {"directory past the end", 200, {}, 100000, "tag count 100000"},
        {"huge count", 200, {}, 0xFFFFFFFFu, "tag count 4294967295"},
        {"zero size", 560, {{sig("desc"), 200, 0}}, -1, "has size 0"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        const std::vector<uint8_t> block = blockWithDirectory(c.size, c.entries, c.declared);
        csICCTagTable table;
        table.add(makeTag("keep", "text", 12));
        EXPECT_EQ(table.fromMemory(block.data(), c.size), -1) << c.what;
        EXPECT_TRUE(logHas('E', "bad tagtable", c.details)) << c.what << "\n" << logText();
        EXPECT_EQ(table.count(), 0u) << c.what;
        EXPECT_FALSE(logHas('I', "added tag")) << "no tag is created before the whole directory is checked";
    }
}

TEST_F(TagTableTest, FactoryKeepsUnknownTypesByteForByte)
{
    const csICCTag chad = makeTag("chad", "sf32", 44, 0x3C);
    std::unique_ptr<csICCTag> copy = csICCTagTable::tagFactory(chad.signature(), chad.size(), chad.data());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->getType(), sig("sf32"));
    EXPECT_EQ(0, std::memcmp(copy->data(), chad.data(), 44));

    EXPECT_EQ(csICCTagTable::tagFactory(sig("desc"), 10, nullptr), nullptr);
    EXPECT_TRUE(logHas('E', "null pointer", "tagFactory called with null pointer to data block!"));

    // Too short to have a type: kept, with no type.
    const uint8_t two[] = {'a', 'b'};
    std::unique_ptr<csICCTag> tiny = csICCTagTable::tagFactory(sig("tiny"), 2, two);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->getType(), 0u);
}

TEST_F(TagTableTest, TagCopiesOwnTheirBytes)
{
    csICCTag a = makeTag("desc", "desc", 16, 1);
    csICCTag b(a);
    b.data()[12] = 2;
    EXPECT_EQ(a.data()[12], 1);
    csICCTag c = makeTag("cprt", "text", 8);
    c = a;
    EXPECT_EQ(c.signature(), a.signature());
    EXPECT_EQ(c.size(), 16u);
    EXPECT_NE(c.data(), a.data());
    c.setData(4, c.data());
    EXPECT_EQ(c.size(), 4u);
    EXPECT_EQ(c.getType(), sig("desc"));
}

} // namespace
