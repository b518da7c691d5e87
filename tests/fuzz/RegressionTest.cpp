// Replays every input that once made a fuzz target fail; the file name's
// prefix says which target (profile-, corrector-, tag-, patch-).

#include "FuzzTargets.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>

namespace {

TEST(FuzzRegressions, EveryFoundInputIsHandled)
{
    const std::string folder = std::string(VESTREL_FUZZ_REGRESSIONS);
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr);
    int replayed = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name[0] == '.')
            continue;
        const std::vector<uint8_t> bytes = readBytes(folder + "/" + name);
        SCOPED_TRACE(name);
        if (name.rfind("profile-", 0) == 0)
            fuzzProfile(bytes.data(), bytes.size());
        else if (name.rfind("corrector-", 0) == 0)
            fuzzPatchCorrector(bytes.data(), bytes.size());
        else if (name.rfind("tag-", 0) == 0)
            fuzzTag(bytes.data(), bytes.size());
        else if (name.rfind("patch-", 0) == 0)
            fuzzPatchFile(bytes.data(), bytes.size());
        ++replayed;
    }
    closedir(dir);
    EXPECT_GT(replayed, 0);
}

} // namespace
