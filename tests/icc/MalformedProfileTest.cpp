#include "MalformedProfiles.h"
#include "TestSupport.h"
#include "VestrelCli.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MalformedProfiles, RefusedWithTheirEntryByTheLibraryAndTheCommandLine)
{
    TempDir dir;
    for (const MalformedProfile& c : malformedProfiles()) {
        SCOPED_TRACE(c.what);
        csErrorLog::clear();
        // An exact-size copy, so reading past the block is a sanitizer finding.
        const std::vector<uint8_t> bytes(c.bytes);
        csICCProfile profile;
        EXPECT_EQ(profile.setProfile(bytes.data(), bytes.size()), c.refusedWhole ? -1 : 0);
        EXPECT_TRUE(logHas(c.level, c.title, c.details)) << logText();

        const std::string path = dir.path("malformed.icc");
        writeBytes(path, bytes);
        const char* argv[] = {"vestrel-cli", "info", path.c_str()};
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        EXPECT_EQ(vestrelCliMain(3, argv, stdin, out, err), 1);
        const std::string errors = streamText(err);
        EXPECT_NE(errors.find(std::string(1, c.level) + " '" + c.title + "'"), std::string::npos) << errors;
        std::fclose(out);
        std::fclose(err);
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
