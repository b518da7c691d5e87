#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <openssl/evp.h>

#include <cstring>
#include <map>
#include <unistd.h>

namespace {

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

const char* const soundProfiles[] = {"cmyk_v2.icc", "cmyk_v4.icc", "rgb_v2_lut8.icc", "rgb_xyz_pcs.icc"};

std::vector<csICCTagDirEntry> directoryOf(const std::vector<uint8_t>& block)
{
    std::vector<csICCTagDirEntry> entries;
    EXPECT_EQ(csICCTagTable::readDirectory(block.data(), static_cast<uint32_t>(block.size()), entries), 0);
    return entries;
}

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

TEST_F(ProfileTest, SoundProfilesSurviveReadingAndWriting)
{
    for (const char* name : soundProfiles) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> input = readBytes(testDataPath(name));
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(input.data(), input.size()), 0) << logText();
        const std::vector<uint8_t> output = writeProfile(profile);

        const std::vector<csICCTagDirEntry> in = directoryOf(input);
        const std::vector<csICCTagDirEntry> out = directoryOf(output);
        ASSERT_EQ(in.size(), out.size());
        EXPECT_EQ(csGetUInt32(output.data()), output.size());
        EXPECT_EQ(0, std::memcmp(input.data() + 4, output.data() + 4, 80)) << "header fields up to the ID";
        for (std::size_t i = 0; i < in.size(); ++i) {
            EXPECT_EQ(out[i].signature, in[i].signature);
            ASSERT_EQ(out[i].size, in[i].size);
            EXPECT_EQ(out[i].offset % 4, 0u);
            EXPECT_EQ(0, std::memcmp(input.data() + in[i].offset, output.data() + out[i].offset, in[i].size))
                << csSigText(in[i].signature).text;
            // Tags that share data in the file share it again, and only those with equal bytes do.
            for (std::size_t j = 0; j < i; ++j) {
                const bool equal = in[i].size == in[j].size &&
                                   0 == std::memcmp(input.data() + in[i].offset, input.data() + in[j].offset, in[i].size);
                if (equal)
                    EXPECT_EQ(out[i].offset, out[j].offset) << i << " and " << j;
                else
                    EXPECT_NE(out[i].offset, out[j].offset) << i << " and " << j;
            }
        }
        // These files were laid out by the same rules, so the copy is the file itself.
        EXPECT_EQ(output, input);
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

TEST_F(ProfileTest, Version2ProfilesGetNoID)
{
    std::vector<uint8_t> input = smallProfile();
    std::memset(input.data() + 84, 0xAB, 16);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(input.data(), input.size()), 0);
    for (unsigned major : {2u, 3u}) {
        profile.header().setVersion(major, 0, 0);
        const std::vector<uint8_t> output = writeProfile(profile);
        for (int i = 84; i < 100; ++i)
            EXPECT_EQ(output[i], 0xAB) << "version " << major << ", byte " << i;
    }
}

TEST_F(ProfileTest, LittleCMSReadsWhatWeWrite)
{
    for (const char* name : soundProfiles) {
        SCOPED_TRACE(name);
        csICCProfile profile;
        const std::vector<uint8_t> input = readBytes(testDataPath(name));
        ASSERT_EQ(profile.setProfile(input.data(), input.size()), 0);
        const std::vector<uint8_t> output = writeProfile(profile);

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
        // The LUTs themselves are usable by an independent reader.
        EXPECT_NE(cmsReadTag(lcms, cmsSigBToA1Tag), nullptr);
        cmsCloseProfile(lcms);
    }
}

TEST_F(ProfileTest, BrokenProfilesAreRefusedAndLeaveTheProfileAsItWas)
{
    struct Case { const char* file; char level; const char* title; const char* details; };
    const Case cases[] = {
        {"broken_truncated.icc", 'W', "wrong size in profile",
         "size entry 120052 does not match actual file size 72031 (corrected)"},
        {"broken_truncated.icc", 'E', "bad tagtable", "larger than profile 72031"},
        {"broken_no_acsp.icc", 'E', "bad profile", "no 'acsp' signature in profile header"},
        {"broken_tag_offset.icc", 'E', "bad tagtable", "tag 'B2A1' offset 124148, size 53692 larger than profile 120052"},
        {"broken_tag_count.icc", 'E', "bad tagtable", "tag count 100000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        csICCProfile profile;
        const std::vector<uint8_t> sound = readBytes(testDataPath("cmyk_v4.icc"));
        ASSERT_EQ(profile.setProfile(sound.data(), sound.size()), 0);
        csErrorLog::clear();

        std::FILE* file = std::fopen(testDataPath(c.file).c_str(), "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(profile.setProfile(file), -1);
        std::fclose(file);
        EXPECT_TRUE(logHas(c.level, c.title, c.details)) << logText();
        if (std::string(c.title) == "bad tagtable") {
            EXPECT_TRUE(logHas('E', "bad profile", "could not create tag table from memory"));
        }

        EXPECT_EQ(profile.header().majorVersion(), 4u);
        EXPECT_EQ(profile.header().profileSize(), sound.size());
        EXPECT_EQ(profile.tagTable().count(), 12u);
        EXPECT_EQ(writeProfile(profile), sound);
    }
}

TEST_F(ProfileTest, SizeFieldIsCorrectedToTheRealSize)
{
    std::vector<uint8_t> block = smallProfile(1200);
    csSetUInt32(block.data(), 1000);
    // A tag beyond the stated size but inside the real one.
    csSetUInt32(block.data() + 132 + 12 + 4, 1100);
    std::memcpy(block.data() + 1100, "sf32", 4);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(block.data(), block.size()), 0) << logText();
    EXPECT_TRUE(logHas('W', "wrong size in profile", "size entry 1000 does not match actual file size 1200 (corrected)"));
    EXPECT_EQ(profile.header().profileSize(), 1200u);
    EXPECT_EQ(profile.tagTable().count(), 2u);
}

TEST_F(ProfileTest, ShortAndMisSignedInputIsRefused)
{
    const std::vector<uint8_t> sound = smallProfile();
    for (std::size_t size : {std::size_t(0), std::size_t(40), std::size_t(128), std::size_t(131)}) {
        csErrorLog::clear();
        // An exact-size copy, so reading one byte too far is a sanitizer finding.
        std::vector<uint8_t> shortBlock(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(size));
        csICCProfile profile;
        EXPECT_EQ(profile.setProfile(shortBlock.data(), shortBlock.size()), -1) << size;
        EXPECT_TRUE(logHas('E', "bad profile", "shorter than header and tag count")) << size << logText();
    }

    // 132 bytes: a header and a tag count of 0 is a profile without tags.
    std::vector<uint8_t> bare(sound.begin(), sound.begin() + 132);
    csSetUInt32(bare.data() + 128, 0);
    csICCProfile empty;
    EXPECT_EQ(empty.setProfile(bare.data(), bare.size()), 0) << logText();
    EXPECT_EQ(empty.tagTable().count(), 0u);
    // 132 bytes that claim one tag: the directory would end past the block.
    csSetUInt32(bare.data() + 128, 1);
    EXPECT_EQ(empty.setProfile(bare.data(), bare.size()), -1);

    for (const char* signature : {"ascp", "ACSP", "psca", "\0\0\0\0"}) {
        csErrorLog::clear();
        std::vector<uint8_t> block = sound;
        std::memcpy(block.data() + 36, signature, 4);
        csICCProfile profile;
        EXPECT_EQ(profile.setProfile(block.data(), block.size()), -1);
        EXPECT_TRUE(logHas('E', "bad profile", "no 'acsp' signature in profile header"));
        EXPECT_FALSE(logHas('I', "added tag"));
    }

    csErrorLog::clear();
    csICCProfile profile;
    EXPECT_EQ(profile.setProfile(nullptr, 200), -1);
    EXPECT_TRUE(logHas('F', "null pointer", "setProfile(mem) called with null pointer"));
    EXPECT_EQ(profile.setProfile(static_cast<std::FILE*>(nullptr)), -1);
    EXPECT_TRUE(logHas('E', "bad file", "setProfile: FILE pointer is zero"));
}

TEST_F(ProfileTest, FilesLargerThanTheLimitAreRefusedBeforeAllocating)
{
    TempDir dir;
    const std::string path = dir.path("huge.icc");
    writeBytes(path, smallProfile());
    // Sparse, so the test costs no disk space.
    ASSERT_EQ(truncate(path.c_str(), off_t(csICCProfile::maxProfileSize) + 1), 0);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    csICCProfile profile;
    EXPECT_EQ(profile.setProfile(file), -1);
    std::fclose(file);
    EXPECT_TRUE(logHas('E', "reading profile failed", "larger than the limit")) << logText();
}

TEST_F(ProfileTest, ReadsAndWritesStreams)
{
    std::FILE* in = std::fopen(testDataPath("rgb_v2_lut8.icc").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    std::fseek(in, 1000, SEEK_SET); // reading starts from the beginning wherever the stream is
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(in), 0) << logText();
    std::fclose(in);
    EXPECT_EQ(profile.dataChannels(), 3u);
    EXPECT_EQ(profile.pcsChannels(), 3u);

    std::FILE* out = std::tmpfile();
    ASSERT_EQ(profile.writeToFile(out), 0);
    const std::string written = streamText(out);
    std::fclose(out);
    const std::vector<uint8_t> expected = readBytes(testDataPath("rgb_v2_lut8.icc"));
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), expected);

    TempDir dir;
    writeBytes(dir.path("x"), {});
    std::FILE* readOnly = std::fopen(dir.path("x").c_str(), "rb");
    EXPECT_EQ(profile.writeToFile(readOnly), -1);
    std::fclose(readOnly);
    EXPECT_TRUE(logHas('E', "failed to write profile", "fwrite() failed"));

    csErrorLog::clear();
    csICCProfile never;
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(never.writeToFile(sink), -1);
    std::fclose(sink);
    EXPECT_TRUE(logHas('E', "could not create profile", "tagTable failed to assemble profile body"));
    EXPECT_TRUE(logHas('E', "failed to write profile", "writeToMemory failed"));
}

TEST_F(ProfileTest, RequiredTagsPerDeviceClass)
{
    const std::vector<const char*> base = {"desc", "wtpt", "cprt"};
    const std::vector<const char*> printerLuts = {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "gamt"};
    const std::vector<const char*> matrix = {"rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"};
    auto join = [](std::vector<const char*> a, const std::vector<const char*>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case { const char* deviceClass; const char* space; const char* pcs; unsigned major;
                  std::vector<const char*> tags; bool expected; };
    const Case cases[] = {
        {"prtr", "CMYK", "Lab ", 2, join(base, printerLuts), true},
        {"prtr", "CMYK", "Lab ", 2, join({"desc", "wtpt"}, printerLuts), false},
        {"prtr", "CMYK", "Lab ", 2, join(base, {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2"}), false},
        {"prtr", "GRAY", "Lab ", 2, join(base, {"kTRC"}), true},
        {"scnr", "RGB ", "XYZ ", 2, join(base, {"A2B0"}), true},
        {"scnr", "RGB ", "XYZ ", 2, join(base, matrix), true},
        {"scnr", "RGB ", "Lab ", 2, join(base, matrix), false},
        {"mntr", "RGB ", "XYZ ", 2, join(base, {"A2B0"}), false},
        {"mntr", "RGB ", "XYZ ", 2, join(base, {"A2B0", "B2A0"}), true},
        {"mntr", "GRAY", "XYZ ", 2, join(base, {"A2B0", "B2A0"}), false},
        {"spac", "Luv ", "XYZ ", 2, {"desc", "A2B0", "B2A0", "wtpt", "cprt"}, true},
        {"abst", "Lab ", "Lab ", 2, {"desc", "A2B0", "cprt"}, true},
        {"link", "RGB ", "CMYK", 2, {"desc", "A2B0", "cprt"}, false},
        {"link", "RGB ", "CMYK", 2, {"desc", "A2B0", "pseq", "cprt"}, true},
        {"nmcl", "RGB ", "Lab ", 2, join(base, {"nmcl"}), true},
        {"nmcl", "RGB ", "Lab ", 4, join(base, {"nmcl"}), false},
        {"nmcl", "RGB ", "Lab ", 4, join(base, {"ncl2"}), true},
        {"xxxx", "RGB ", "Lab ", 2, join(base, printerLuts), false},
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

TEST_F(ProfileTest, ChannelCountsComeFromTheHeader)
{
    struct Case { const char* file; unsigned data, pcs; };
    const Case cases[] = {{"cmyk_v2.icc", 4, 3}, {"rgb_xyz_pcs.icc", 3, 3}};
    for (const Case& c : cases) {
        csICCProfile profile;
        const std::vector<uint8_t> bytes = readBytes(testDataPath(c.file));
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        EXPECT_EQ(profile.dataChannels(), c.data) << c.file;
        EXPECT_EQ(profile.pcsChannels(), c.pcs) << c.file;
    }
    const csICCProfile fresh;
    EXPECT_EQ(fresh.dataChannels(), 0u);
    EXPECT_EQ(fresh.pcsChannels(), 0u);
}

} // namespace
