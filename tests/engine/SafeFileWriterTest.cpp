#include "SafeFileWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::size_t filesIn(const TempDir& dir)
{
    const std::string command = "test $(ls -A '" + dir.dir() + "' | wc -l) -eq ";
    for (std::size_t n = 0; n < 10; ++n)
        if (std::system((command + std::to_string(n)).c_str()) == 0)
            return n;
    return 99;
}

TEST(SafeFileWriter, ReplacesTheTargetWhole)
{
    TempDir dir;
    const std::string target = dir.path("profile.icc");
    writeBytes(target, {1, 2, 3});
    ::chmod(target.c_str(), 0640);
    std::string reason;
    const std::vector<uint8_t> bytes(5000, 7);
    ASSERT_TRUE(writeFileSafely(target, bytes, reason)) << reason;
    EXPECT_EQ(readBytes(target), bytes);
    struct stat s;
    ::stat(target.c_str(), &s);
    EXPECT_EQ(s.st_mode & 0777, 0640u) << "a replaced file keeps its mode";
    EXPECT_EQ(filesIn(dir), 1u) << "no temporary file stays behind";
}

TEST(SafeFileWriter, AWriteThatFailsPartWayLeavesTheOldFile)
{
    TempDir dir;
    const std::string target = dir.path("profile.icc");
    const std::vector<uint8_t> old = readBytes(testDataPath("cmyk_v2.icc"));
    writeBytes(target, old);
    // In a child whose files may not grow past 4 KB, so the write stops
    // part-way with EFBIG.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string reason;
        const bool written = writeFileSafely(target, std::vector<uint8_t>(200000, 9), reason);
        _exit(written ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3) << "the failed write is reported";
    EXPECT_EQ(readBytes(target), old) << "the previous file, byte for byte";
    EXPECT_EQ(filesIn(dir), 1u) << "the temporary file is removed";

    std::string reason;
    EXPECT_FALSE(writeFileSafely(dir.path("missing/profile.icc"), old, reason));
    EXPECT_FALSE(reason.empty());
}

} // namespace
