#include "MalformedProfiles.h"
#include "TestSupport.h"
#include "VestrelCli.h"
#include "csErrorLog.h"
#include "csICCProfile.h"

#include <gtest/gtest.h>

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
