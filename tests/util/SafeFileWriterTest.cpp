#include "SafeFileWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool temporaryFilesIn(const TempDir& dir)
{
    return std::system(("find '" + dir.dir() + "' -name '.vestrel-*' | grep -q .").c_str()) == 0;
}

struct stat statOf(const std::string& path)
{
    struct stat s = {};
    ::lstat(path.c_str(), &s);
    return s;
}

const std::vector<uint8_t> previous = {1, 2, 3};
const std::vector<uint8_t> saved(5000, 7);

TEST(SafeFileWriter, WhatIsAtTheTargetIsRespected)
{
    const bool root = ::geteuid() == 0;
    struct Case
    {
        const char* what;
        // Sets the scene in dir and returns the path saved to; empty to skip.
        std::function<std::string(const TempDir&)> prepare;
        // Part of the reason for a refusal; null when the save goes through.
        const char* refusal;
        // The file that then holds the saved bytes.
        const char* written;
        std::function<void(const TempDir&)> check;
    };
    const auto file = [](const TempDir& d, mode_t mode) {
        writeBytes(d.path("p.icc"), previous);
        ::chmod(d.path("p.icc").c_str(), mode);
        return d.path("p.icc");
    };
    const auto isLink = [](const TempDir& d) { EXPECT_TRUE(S_ISLNK(statOf(d.path("link.icc")).st_mode)); };
    const Case cases[] = {
        {"a regular file keeps its mode", [&](const TempDir& d) { return file(d, 0640); }, nullptr, "p.icc",
         [](const TempDir& d) { EXPECT_EQ(statOf(d.path("p.icc")).st_mode & 07777, 0640u); }},
        {"a new file gets the mode of any new file", [](const TempDir& d) { return d.path("new.icc"); }, nullptr,
         "new.icc",
         [](const TempDir& d) {
             ::close(::open(d.path("plain").c_str(), O_WRONLY | O_CREAT, 0666));
             EXPECT_EQ(statOf(d.path("new.icc")).st_mode, statOf(d.path("plain")).st_mode);
         }},
        {"a link into another folder: its target is replaced, the link stays",
         [](const TempDir& d) {
             ::mkdir(d.path("real").c_str(), 0755);
             writeBytes(d.path("real/p.icc"), previous);
             ::chmod(d.path("real/p.icc").c_str(), 0604);
             ::symlink("real/p.icc", d.path("link.icc").c_str());
             return d.path("link.icc");
         },
         nullptr, "real/p.icc",
         [&](const TempDir& d) {
             isLink(d);
             EXPECT_EQ(statOf(d.path("real/p.icc")).st_mode & 07777, 0604u);
         }},
        {"a dangling link: the file it names is made",
         [](const TempDir& d) {
             ::symlink("made.icc", d.path("link.icc").c_str());
             return d.path("link.icc");
         },
         nullptr, "made.icc", isLink},
        {"a hard link: the other name keeps the previous bytes",
         [&](const TempDir& d) {
             ::link(file(d, 0644).c_str(), d.path("other").c_str());
             return d.path("p.icc");
         },
         nullptr, "p.icc", [](const TempDir& d) { EXPECT_EQ(readBytes(d.path("other")), previous); }},
        {"another user's file keeps owner and group (as root)",
         [&](const TempDir& d) {
             const std::string path = file(d, 0644);
             return root && ::chown(path.c_str(), 1234, 1235) == 0 ? path : std::string();
         },
         nullptr, "p.icc",
         [](const TempDir& d) {
             EXPECT_EQ(statOf(d.path("p.icc")).st_uid, 1234u);
             EXPECT_EQ(statOf(d.path("p.icc")).st_gid, 1235u);
         }},
        {"a read-only file, also for root", [&](const TempDir& d) { return file(d, 0444); }, "read-only", nullptr,
         [](const TempDir& d) { EXPECT_EQ(readBytes(d.path("p.icc")), previous); }},
        {"a folder",
         [](const TempDir& d) {
             ::mkdir(d.path("f").c_str(), 0755);
             return d.path("f");
         },
         "folder", nullptr, [](const TempDir& d) { EXPECT_TRUE(S_ISDIR(statOf(d.path("f")).st_mode)); }},
        {"a pipe",
         [](const TempDir& d) {
             ::mkfifo(d.path("fifo").c_str(), 0666);
             return d.path("fifo");
         },
         "pipe", nullptr, [](const TempDir& d) { EXPECT_TRUE(S_ISFIFO(statOf(d.path("fifo")).st_mode)); }},
        {"a device (as root)",
         [root](const TempDir& d) {
             const bool made = root && ::mknod(d.path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
             return made ? d.path("null") : std::string();
         },
         "device", nullptr, [](const TempDir& d) { EXPECT_TRUE(S_ISCHR(statOf(d.path("null")).st_mode)); }},
        {"a missing folder", [](const TempDir& d) { return d.path("missing/p.icc"); }, "No such file", nullptr,
         [](const TempDir&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.prepare(dir);
        if (path.empty())
            continue;
        EngineText reason;
        const bool written = writeFileSafely(path, saved, reason);
        if (c.refusal) {
            EXPECT_FALSE(written);
            EXPECT_NE(reason.english().find(c.refusal), std::string::npos) << reason.english();
        } else {
            ASSERT_TRUE(written) << reason.english();
            EXPECT_EQ(readBytes(dir.path(c.written)), saved);
        }
        c.check(dir);
        EXPECT_FALSE(temporaryFilesIn(dir));
    }
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
        EngineText reason;
        const bool written = writeFileSafely(target, std::vector<uint8_t>(200000, 9), reason);
        _exit(written ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3) << "the failed write is reported";
    EXPECT_EQ(readBytes(target), old) << "the previous file, byte for byte";
    EXPECT_FALSE(temporaryFilesIn(dir));
}

// A pid no process has: a child that has ended and been reaped.
pid_t deadPid()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// A save killed part-way leaves nothing behind where the file system has
// unnamed files; elsewhere the next save in that folder removes what it left.
TEST(SafeFileWriter, ASaveKilledPartWayLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string target = dir.path("profile.icc");
    writeBytes(target, previous);
    // In a child killed by the file size limit in the middle of its write.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore = {0, 0}, size = {4096, 4096};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &size);
        EngineText reason;
        writeFileSafely(target, std::vector<uint8_t>(200000, 9), reason);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(readBytes(target), previous);

    const int unnamed = ::open(dir.dir().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed >= 0) {
        ::close(unnamed);
        EXPECT_FALSE(temporaryFilesIn(dir)) << "an unnamed file vanishes with its writer";
    }
    EngineText reason;
    ASSERT_TRUE(writeFileSafely(dir.path("other.icc"), saved, reason)) << reason.english();
    EXPECT_FALSE(temporaryFilesIn(dir));
}

// Only files of our naming, of our user, regular, whose writer has ended
// are taken away; anything else that looks alike stays.
TEST(SafeFileWriter, StaleTemporaryFilesOfEndedSavesAreRemoved)
{
    const std::string dead = std::to_string(deadPid()), live = std::to_string(getppid());
    const bool root = geteuid() == 0;
    struct Case
    {
        std::string name;
        // Makes it in dir; false to skip.
        std::function<bool(const std::string&)> make;
        bool removed;
    };
    const auto file = [](const std::string& path) {
        writeBytes(path, previous);
        return true;
    };
    const Case cases[] = {
        {".vestrel-" + dead + "-abcdWXYZ", file, true},
        {".vestrel-" + dead + "-00000000", file, true},
        {".vestrel-" + live + "-abcdWXYZ", file, false},
        {".vestrel-" + std::to_string(getpid()) + "-abcdWXYZ", file, false},
        {".vestrel-" + dead + "-abcdWXY", file, false},
        {".vestrel-" + dead + "-abcdWXYZ.icc", file, false},
        {".vestrel-" + dead + "-abcd_XYZ", file, false},
        {".vestrel-0" + dead + "-abcdWXYZ", file, false},
        {".vestrel-abcdWXYZ", file, false},
        {"vestrel-" + dead + "-abcdWXYZ", file, false},
        {".vestrel-" + dead + "-folderXY", [](const std::string& p) { return ::mkdir(p.c_str(), 0700) == 0; }, false},
        {".vestrel-" + dead + "-linkWXYZ", [](const std::string& p) { return ::symlink("p.icc", p.c_str()) == 0; },
         false},
        {".vestrel-" + dead + "-otherXYZ",
         [&](const std::string& p) { return root && file(p) && ::chown(p.c_str(), 1234, 1234) == 0; }, false},
    };
    TempDir dir;
    std::vector<bool> made;
    for (const Case& c : cases)
        made.push_back(c.make(dir.path(c.name)));
    EngineText reason;
    ASSERT_TRUE(writeFileSafely(dir.path("p.icc"), saved, reason)) << reason.english();
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        if (!made[k]) {
            EXPECT_FALSE(root) << cases[k].name;
            continue;
        }
        struct stat s;
        EXPECT_EQ(::lstat(dir.path(cases[k].name).c_str(), &s) != 0, cases[k].removed) << cases[k].name;
    }
}

} // namespace
