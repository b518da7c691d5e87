#include "MalformedProfiles.h"
#include "tools/CliRun.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Every malformed profile and broken file is refused with its entry by the
// library and the command line: a profile refused whole leaves the one open
// before as it was, and a failed copy leaves its target alone.
TEST(MalformedProfiles, RefusedWithTheirEntryAndNothingChanged)
{
    std::vector<MalformedProfile> cases = malformedProfiles();
    const char* files[][3] = {{"broken_truncated.icc", "bad tagtable", "tag "},
                              {"broken_no_acsp.icc", "bad profile", "no 'acsp' signature in profile header"},
                              {"broken_tag_offset.icc", "bad tagtable", "tag 'B2A1' offset"},
                              {"broken_tag_count.icc", "bad tagtable", "tag count 100000"},
                              {"broken_mft2_tables.icc", "bad LUT tag",
                               "tag 'B2A1' (mft2) with 3 inputs, 4 outputs and 33 grid points does not fit"}};
    // A LUT that does not fit refuses only its tag.
    for (const auto& file : files)
        cases.push_back({file[0], readBytes(testDataPath(file[0])), 'E', file[1], file[2], std::string(file[1]) != "bad LUT tag"});
    const std::vector<uint8_t> open = readBytes(testDataPath("cmyk_v4.icc"));
    TempDir dir;
    for (const MalformedProfile& c : cases) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        // An exact-size copy, so reading past the block is a sanitizer finding.
        const std::vector<uint8_t> bytes(c.bytes);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(open.data(), open.size()), 0);
        EXPECT_EQ(profile.setProfile(bytes.data(), bytes.size()), c.refusedWhole ? -1 : 0);
        EXPECT_TRUE(logHas(c.level, c.title, c.details)) << logText();
        std::vector<uint8_t> kept;
        EXPECT_TRUE(!c.refusedWhole || (profile.writeToMemory(kept) == 0 && kept == open)) << "the open profile changed";

        const std::string path = dir.path("malformed.icc"), target = dir.path("target.icc");
        writeBytes(path, bytes);
        writeBytes(target, {1, 2, 3});
        const CliResult info = runCli({"info", path}), copy = runCli({"copy", path, target});
        EXPECT_EQ(info.status, 1);
        EXPECT_TRUE(!c.refusedWhole || info.out.empty()) << info.out;
        EXPECT_NE(info.err.find(std::string(1, c.level) + " '" + c.title + "' "), std::string::npos) << info.err;
        EXPECT_NE(info.err.find(c.details), std::string::npos) << info.err;
        EXPECT_EQ(info.err.find("'added tag'"), std::string::npos) << "traces stay out of the report";
        EXPECT_EQ(copy.status, 1);
        EXPECT_EQ(copy.err, info.err);
        EXPECT_EQ(readBytes(target), (std::vector<uint8_t>{1, 2, 3})) << "a failed copy leaves the target alone";
    }
}

TEST(MalformedProfiles, OverlappingTagsAreReadAsSeparateCopies)
{
    // 'cprt' made to start inside 'desc': each tag gets its own bytes, and
    // writing lays them out apart again.
    std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    const uint32_t descOffset = csGetUInt32(&bytes[132 + 4]);
    ASSERT_EQ(std::memcmp(&bytes[132 + 12], "cprt", 4), 0);
    csSetUInt32(&bytes[132 + 12 + 4], descOffset + 8);
    csErrorLog::clear();
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    const csICCTag* cprt = profile.tagTable().find(csSig("cprt"));
    EXPECT_EQ(0, std::memcmp(cprt->data(), &bytes[descOffset + 8], cprt->size()));
    std::vector<uint8_t> written;
    ASSERT_EQ(profile.writeToMemory(written), 0);
    csICCProfile again;
    ASSERT_EQ(again.setProfile(written.data(), written.size()), 0);
    EXPECT_EQ(0, std::memcmp(again.tagTable().find(csSig("cprt"))->data(), cprt->data(), cprt->size()));
}

TEST(MalformedProfiles, ExactlyTheHeaderAndACountOfZeroIsAnEmptyProfile)
{
    std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    bytes.resize(132);
    csSetUInt32(&bytes[128], 0);
    csICCProfile profile;
    EXPECT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(profile.tagTable().count(), 0u);
}

} // namespace
