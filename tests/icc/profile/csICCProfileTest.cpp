#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileHeader.h"
#include "csICCmftTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <ctime>
#include <functional>
#include <openssl/evp.h>
#include <unistd.h>

namespace {

using ProfileTest = LogTest;

const char* const soundProfiles[] = {"cmyk_v2.icc", "cmyk_v4.icc", "rgb_v2_lut8.icc", "rgb_xyz_pcs.icc"};

// MD5 by OpenSSL, apart from the library's own digest code, over a copy with
// flags, rendering intent and profile ID zeroed.
std::vector<uint8_t> independentProfileID(std::vector<uint8_t> block)
{
    std::memset(block.data() + 44, 0, 4);
    std::memset(block.data() + 64, 0, 4);
    std::memset(block.data() + 84, 0, 16);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(block.data(), block.size(), digest, &length, EVP_md5(), nullptr);
    return std::vector<uint8_t>(digest, digest + length);
}

std::vector<uint8_t> writeProfile(csICCProfile& profile)
{
    std::vector<uint8_t> block;
    EXPECT_EQ(profile.writeToMemory(block), 0) << logText();
    return block;
}

// A small sound profile: header, one 'desc' tag and one unknown tag.
std::vector<uint8_t> smallProfile(uint32_t size = 200)
{
    std::vector<uint8_t> block(size, 0);
    csICCProfileHeader header;
    header.setProfileSize(size);
    header.setDeviceClass(csSig("prtr"));
    header.setColorSpace(csSig("CMYK"));
    header.setPCS(csSig("Lab "));
    header.toMemory(block.data());
    csSetUInt32(block.data() + 128, 2);
    const uint8_t entries[] = {'d', 'e', 's', 'c', 0, 0, 0, 156, 0, 0, 0, 16,
                               'c', 'h', 'a', 'd', 0, 0, 0, 172, 0, 0, 0, 12};
    std::memcpy(block.data() + 132, entries, sizeof entries);
    std::memcpy(block.data() + 156, "desc\0\0\0\0abcdefgh", 16);
    std::memcpy(block.data() + 172, "sf32\0\0\0\0\1\2\3\4", 12);
    return block;
}

// These files were laid out by the same rules as ours, so a copy is the file
// itself (version 2 files keep their ID field as it is); Little CMS finds
// every tag of it and can use its tables.
TEST_F(ProfileTest, SoundProfilesAreWrittenAsTheyCameAndLittleCMSReadsThem)
{
    for (const char* name : soundProfiles) {
        SCOPED_TRACE(name);
        csICCProfile profile;
        const std::vector<uint8_t> input = readBytes(testDataPath(name));
        ASSERT_EQ(profile.setProfile(input.data(), input.size()), 0);
        const std::vector<uint8_t> output = writeProfile(profile);
        EXPECT_EQ(output, input);

        cmsHPROFILE lcms = cmsOpenProfileFromMem(output.data(), static_cast<cmsUInt32Number>(output.size()));
        ASSERT_NE(lcms, nullptr);
        const cmsInt32Number tagCount = cmsGetTagCount(lcms);
        ASSERT_EQ(tagCount, static_cast<cmsInt32Number>(profile.tagTable().count()));
        for (cmsInt32Number i = 0; i < tagCount; ++i) {
            const cmsTagSignature signature = cmsGetTagSignature(lcms, static_cast<cmsUInt32Number>(i));
            const csICCTag* tag = profile.tagTable().tagAt(static_cast<uint32_t>(i));
            uint8_t sigBytes[4];
            csSetUInt32(sigBytes, signature);
            EXPECT_EQ(csGetSignature(sigBytes), tag->signature());
            std::vector<uint8_t> raw(tag->size());
            EXPECT_EQ(cmsReadRawTag(lcms, signature, raw.data(), tag->size()), tag->size());
            EXPECT_EQ(0, std::memcmp(raw.data(), tag->data(), tag->size()));
        }
        EXPECT_NE(cmsReadTag(lcms, cmsSigBToA1Tag), nullptr);
        cmsCloseProfile(lcms);
    }
}

TEST_F(ProfileTest, Version4ProfileIDIsTheMD5OfTheBlockWithThreeFieldsZeroed)
{
    const std::vector<uint8_t> input = readBytes(testDataPath("cmyk_v4.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(input.data(), input.size()), 0);
    ASSERT_NE(profile.header().flags(), 0u) << "the test needs a profile with flags set";

    // Write with other flags and intent: they stay in the block but not in the hash.
    profile.header().setFlags(0x00030001u);
    profile.header().setRenderingIntent(2);
    const std::vector<uint8_t> first = writeProfile(profile);
    EXPECT_EQ(csGetUInt32(first.data() + 44), 0x00030001u);
    EXPECT_EQ(csGetUInt32(first.data() + 64), 2u);
    const std::vector<uint8_t> id(first.begin() + 84, first.begin() + 100);
    EXPECT_EQ(id, independentProfileID(first));
    EXPECT_EQ(0, std::memcmp(profile.header().profileID(), id.data(), 16)) << "the header keeps the ID";

    // Only flags and intent changed, so the ID is the one the file carries.
    EXPECT_EQ(0, std::memcmp(input.data() + 84, id.data(), 16));
    EXPECT_EQ(independentProfileID(input), std::vector<uint8_t>(input.begin() + 84, input.begin() + 100));

    // A second write of the unchanged profile gives the same ID.
    EXPECT_EQ(writeProfile(profile), first);

    // An edit changes it.
    profile.tagTable().find(csSig("desc"))->data()[20] ^= 1;
    const std::vector<uint8_t> edited = writeProfile(profile);
    EXPECT_NE(std::vector<uint8_t>(edited.begin() + 84, edited.begin() + 100), id);
    EXPECT_EQ(std::vector<uint8_t>(edited.begin() + 84, edited.begin() + 100), independentProfileID(edited));
}

TEST_F(ProfileTest, ShortMisSignedAndMisSizedBlocks)
{
    using Block = std::vector<uint8_t>;
    struct Case { const char* what; std::function<void(Block&)> change; int result; char level; const char* title;
                  const char* details; };
    const Case cases[] = {
        {"empty", [](Block& b) { b.clear(); }, -1, 'E', "bad profile", "shorter than header and tag count"},
        {"header only", [](Block& b) { b.resize(128); }, -1, 'E', "bad profile", "shorter than header and tag count"},
        {"one tag claimed in 132 bytes", [](Block& b) { b.resize(132); csSetUInt32(&b[128], 1); }, -1, 'E',
         "bad tagtable", "tag count 1"},
        {"signature swapped", [](Block& b) { std::memcpy(&b[36], "ascp", 4); }, -1, 'E', "bad profile", "no 'acsp' signature"},
        {"signature in capitals", [](Block& b) { std::memcpy(&b[36], "ACSP", 4); }, -1, 'E', "bad profile", "no 'acsp' signature"},
        {"signature reversed", [](Block& b) { std::memcpy(&b[36], "psca", 4); }, -1, 'E', "bad profile", "no 'acsp' signature"},
        // The real size counts: a tag beyond the stated size but inside the block is read.
        {"size field short of the block",
         [](Block& b) {
             b.resize(1200);
             csSetUInt32(&b[0], 1000);
             csSetUInt32(&b[132 + 12 + 4], 1100);
             std::memcpy(&b[1100], "sf32", 4);
         },
         0, 'W', "wrong size in profile", "size entry 1000 does not match actual file size 1200 (corrected)"},
    };
    for (const Case& c : cases) {
        csErrorLog::clear();
        Block block = smallProfile();
        c.change(block);
        // An exact-size copy, so reading one byte too far is a sanitizer finding.
        const Block exact(block);
        csICCProfile profile;
        EXPECT_EQ(profile.setProfile(exact.data(), exact.size()), c.result) << c.what;
        EXPECT_TRUE(logHas(c.level, c.title, c.details)) << c.what << "\n" << logText();
        EXPECT_EQ(profile.tagTable().count(), c.result ? 0u : 2u) << c.what;
    }

    csErrorLog::clear();
    csICCProfile profile;
    EXPECT_EQ(profile.setProfile(nullptr, 200), -1);
    EXPECT_TRUE(logHas('F', "null pointer"));
    EXPECT_EQ(profile.setProfile(static_cast<std::FILE*>(nullptr)), -1);
    EXPECT_TRUE(logHas('E', "bad file"));
}

TEST_F(ProfileTest, StreamsAreReadFromTheStartWithinTheLimitAndFailedWritesReported)
{
    std::FILE* in = std::fopen(testDataPath("rgb_v2_lut8.icc").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    std::fseek(in, 1000, SEEK_SET);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(in), 0) << logText();
    std::fclose(in);

    // Sparse, so the file past the limit costs no disk space; refused before allocating.
    TempDir dir;
    writeBytes(dir.path("huge.icc"), smallProfile());
    ASSERT_EQ(truncate(dir.path("huge.icc").c_str(), off_t(csICCProfile::maxProfileSize) + 1), 0);
    std::FILE* huge = std::fopen(dir.path("huge.icc").c_str(), "rb");
    EXPECT_EQ(profile.setProfile(huge), -1);
    std::fclose(huge);
    EXPECT_TRUE(logHas('E', "reading profile failed", "larger than the limit")) << logText();

    std::FILE* readOnly = std::fopen(dir.path("huge.icc").c_str(), "rb");
    EXPECT_EQ(profile.writeToFile(readOnly), -1);
    std::fclose(readOnly);
    EXPECT_TRUE(logHas('E', "failed to write profile", "fwrite() failed"));

    csErrorLog::clear();
    csICCProfile never;
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(never.writeToFile(sink), -1);
    std::fclose(sink);
    EXPECT_TRUE(logHas('E', "could not create profile"));
}

// What the command line reports as present or incomplete.
TEST_F(ProfileTest, RequiredTagsPerDeviceClass)
{
    struct Case { const char* deviceClass; const char* space; const char* pcs; unsigned major;
                  std::vector<const char*> tags; bool expected; };
    const std::vector<const char*> printer = {"desc", "wtpt", "cprt", "A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "gamt"};
    const Case cases[] = {
        {"prtr", "CMYK", "Lab ", 2, printer, true},
        {"prtr", "CMYK", "Lab ", 2, {printer.begin(), printer.end() - 1}, false},
        {"prtr", "CMYK", "Lab ", 2, {printer.begin() + 1, printer.end()}, false},
        {"scnr", "RGB ", "XYZ ", 2, {"desc", "wtpt", "cprt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"}, true},
        {"scnr", "RGB ", "Lab ", 2, {"desc", "wtpt", "cprt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"}, false},
        {"mntr", "RGB ", "XYZ ", 2, {"desc", "wtpt", "cprt", "A2B0"}, false},
        {"link", "RGB ", "CMYK", 2, {"desc", "A2B0", "pseq", "cprt"}, true},
        {"link", "RGB ", "CMYK", 2, {"desc", "A2B0", "cprt"}, false},
        {"link", "CMYK", "CMYK", 4, {"desc", "A2B0", "pseq", "cprt"}, true},
        {"abst", "Lab ", "Lab ", 2, {"desc", "A2B0", "wtpt", "cprt"}, true},
        {"abst", "Lab ", "Lab ", 4, {"desc", "A2B0", "cprt"}, false},
        {"nmcl", "RGB ", "Lab ", 4, {"desc", "wtpt", "cprt", "nmcl"}, false},
        {"xxxx", "RGB ", "Lab ", 2, printer, false},
    };
    for (const Case& c : cases) {
        csICCProfile profile;
        csICCProfileHeader& h = profile.header();
        h.setDeviceClass(csGetSignature(reinterpret_cast<const uint8_t*>(c.deviceClass)));
        h.setColorSpace(csGetSignature(reinterpret_cast<const uint8_t*>(c.space)));
        h.setPCS(csGetSignature(reinterpret_cast<const uint8_t*>(c.pcs)));
        h.setVersion(c.major, 0, 0);
        for (const char* name : c.tags) {
            const uint8_t bytes[12] = {'t', 'e', 'x', 't'};
            profile.tagTable().add(csICCTag(csGetSignature(reinterpret_cast<const uint8_t*>(name)), 12, bytes));
        }
        EXPECT_EQ(profile.hasRequiredTags(), c.expected) << c.deviceClass << " " << c.space << " with "
                                                         << c.tags.size() << " tags";
    }
}

cmsUInt32Number signatureNumber(const char (&text)[5])
{
    uint8_t bytes[4];
    csSetSignature(bytes, csSig(text));
    return csGetUInt32(bytes);
}

// Every field we set, written through a profile, is where another program
// reads it.
TEST(ICCProfileHeader, LittleCMSReadsTheFieldsWeSet)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(csICCProfileHeader().creationDate().year, local.tm_year + 1900) << "a new header is dated now";

    csICCProfile profile;
    csICCProfileHeader& h = profile.header();
    h.setVersion(4, 3, 0);
    h.setDeviceClass(csSig("prtr"));
    h.setColorSpace(csSig("CMYK"));
    h.setPCS(csSig("Lab "));
    h.setCreationDate({2024, 5, 1, 12, 30, 15});
    h.setFlags(0xA0B0C0D0u);
    h.setManufacturer(csSig("ORVD"));
    h.setModel(csSig("X100"));
    h.setAttributes(0x1122334455667788ull);
    h.setRenderingIntent(3);
    h.setCreator(csSig("argl"));
    const uint8_t text[12] = {'t', 'e', 'x', 't'};
    ASSERT_EQ(profile.tagTable().add(csICCTag(csSig("cprt"), sizeof text, text)), 0);
    std::vector<uint8_t> block;
    ASSERT_EQ(profile.writeToMemory(block), 0);

    cmsHPROFILE lcms = cmsOpenProfileFromMem(block.data(), static_cast<cmsUInt32Number>(block.size()));
    ASSERT_NE(lcms, nullptr);
    EXPECT_EQ(cmsGetEncodedICCversion(lcms), 0x04300000u);
    EXPECT_EQ(cmsGetDeviceClass(lcms), signatureNumber("prtr"));
    EXPECT_EQ(cmsGetColorSpace(lcms), signatureNumber("CMYK"));
    EXPECT_EQ(cmsGetPCS(lcms), signatureNumber("Lab "));
    EXPECT_EQ(cmsGetHeaderFlags(lcms), 0xA0B0C0D0u);
    EXPECT_EQ(cmsGetHeaderManufacturer(lcms), signatureNumber("ORVD"));
    EXPECT_EQ(cmsGetHeaderModel(lcms), signatureNumber("X100"));
    EXPECT_EQ(cmsGetHeaderCreator(lcms), signatureNumber("argl"));
    EXPECT_EQ(cmsGetHeaderRenderingIntent(lcms), 3u);
    cmsUInt64Number attributes = 0;
    cmsGetHeaderAttributes(lcms, &attributes);
    EXPECT_EQ(attributes, 0x1122334455667788ull);
    std::tm date{};
    ASSERT_TRUE(cmsGetHeaderCreationDateTime(lcms, &date));
    EXPECT_TRUE(date.tm_year == 124 && date.tm_mon == 4 && date.tm_mday == 1 && date.tm_hour == 12 &&
                date.tm_min == 30 && date.tm_sec == 15);
    cmsCloseProfile(lcms);
}

} // namespace

namespace {

uint32_t roundUp4(uint32_t v)
{
    return (v + 3) & ~3u;
}

// The directory's offset of a tag in a written block.
uint32_t offsetOf(const std::vector<uint8_t>& block, const char* signature)
{
    std::vector<csICCTagDirEntry> entries;
    csICCTagTable::readDirectory(block.data(), static_cast<uint32_t>(block.size()), entries);
    for (const csICCTagDirEntry& e : entries)
        if (e.signature == csGetSignature(reinterpret_cast<const uint8_t*>(signature)))
            return e.offset;
    return 0;
}

// The sample profile stores A2B0/A2B2 at A2B1's place and B2A0/B2A2 at
// B2A1's. Read, they hold those bytes with it until one of them changes;
// whatever changes takes a copy of its own, the others keep the file's bytes
// and stay stored once, and a tag edited to the same bytes again is stored
// with them.
TEST_F(ProfileTest, TagsStoredAtOnePlaceShareUntilOneChanges)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    csICCTagTable& tags = profile.tagTable();
    auto* b2a0 = dynamic_cast<csICCmftTag*>(tags.find(csSig("B2A0")));
    auto* b2a1 = dynamic_cast<csICCmftTag*>(tags.find(csSig("B2A1")));
    auto* b2a2 = dynamic_cast<csICCmftTag*>(tags.find(csSig("B2A2")));
    ASSERT_TRUE(b2a0 && b2a1 && b2a2);
    EXPECT_TRUE(b2a0->sharesBytesWith(*b2a1));
    EXPECT_TRUE(b2a2->sharesBytesWith(*b2a1));
    EXPECT_EQ(writeProfile(profile), bytes) << "written as it came";

    // A node of B2A1 changes: B2A1 alone, through a pointer handed out
    // before the edit and through setClutNode.
    const uint8_t* clutBefore = b2a1->clut();
    EXPECT_FALSE(b2a1->sharesBytesWith(*b2a0));
    EXPECT_TRUE(b2a0->sharesBytesWith(*b2a2));
    const uint16_t node[3] = {3, 4, 5}, values[4] = {1000, 2000, 3000, 4000};
    b2a1->setClutNode(node, values);
    uint16_t read[4];
    b2a1->getClutNode(node, read);
    EXPECT_EQ(std::vector<uint16_t>(read, read + 4), std::vector<uint16_t>(values, values + 4));
    EXPECT_EQ(b2a1->clut(), clutBefore) << "the pointer stays good";
    b2a0->getClutNode(node, read);
    EXPECT_NE(read[0], 1000) << "B2A0 keeps the file's node";

    std::vector<uint8_t> written = writeProfile(profile);
    EXPECT_EQ(offsetOf(written, "B2A0"), offsetOf(written, "B2A2"));
    EXPECT_NE(offsetOf(written, "B2A0"), offsetOf(written, "B2A1"));
    EXPECT_EQ(written.size(), bytes.size() + roundUp4(b2a1->size()));
    csICCProfile again;
    ASSERT_EQ(again.setProfile(written.data(), written.size()), 0);
    dynamic_cast<csICCmftTag*>(again.tagTable().find(csSig("B2A1")))->getClutNode(node, read);
    EXPECT_EQ(read[3], 4000);

    // The same edit in B2A0 and B2A2: equal bytes, stored once again.
    for (csICCmftTag* tag : {b2a0, b2a2})
        tag->setClutNode(node, values);
    written = writeProfile(profile);
    EXPECT_EQ(offsetOf(written, "B2A0"), offsetOf(written, "B2A1"));
    EXPECT_EQ(offsetOf(written, "B2A2"), offsetOf(written, "B2A1"));
    EXPECT_EQ(written.size(), bytes.size());
}

} // namespace
