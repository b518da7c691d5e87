#include "SafeFileWriter.h"

#include "PathNames.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int maxLinkHops = 40;
// Attempts at a temporary name that nobody else holds.
constexpr int maxNameAttempts = 100;

// The file a save replaces: path itself, or the end of its chain of links
// (which need not exist yet). False with the reason for a loop.
bool followLinks(std::string& path, std::string& error)
{
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        struct stat s;
        if (::lstat(path.c_str(), &s) != 0 || !S_ISLNK(s.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof target) {
            error = std::strerror(length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const std::string next(target, static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : folderOf(path) + "/" + next;
    }
    error = std::strerror(ELOOP);
    return false;
}

// Why an existing target may not be replaced, or nothing. Root may write
// anything, so a file without write permission is refused here by its mode
// bits rather than by the kernel.
EngineText refusalOf(const std::string& path, const struct stat& s)
{
    if (S_ISDIR(s.st_mode))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is a folder"));
    if (S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is a device"));
    if (S_ISFIFO(s.st_mode))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is a pipe"));
    if (S_ISSOCK(s.st_mode))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is a socket"));
    if (!S_ISREG(s.st_mode))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is not a regular file"));
    if ((s.st_mode & 0222) == 0)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is read-only"));
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return EngineText(std::strerror(errno));
    return {};
}

const char temporaryPrefix[] = ".vestrel-";
const char nameLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t randomLetters = 8;

// ".vestrel-<pid>-<8 letters>" in folder: the pid tells a later save whether
// the writer still lives.
std::string temporaryName(const std::string& folder)
{
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof nameLetters - 2);
    std::string name = folder + "/" + temporaryPrefix + std::to_string(::getpid()) + "-";
    for (std::size_t i = 0; i < randomLetters; ++i)
        name += nameLetters[pick(random)];
    return name;
}

// The pid in a name of ours, or 0 for any other name.
pid_t writerOf(const char* name)
{
    const std::size_t prefixLength = sizeof temporaryPrefix - 1;
    if (std::strncmp(name, temporaryPrefix, prefixLength) != 0)
        return 0;
    const char* p = name + prefixLength;
    long long pid = 0;
    const char* digits = p;
    while (*p >= '0' && *p <= '9' && p - digits < 10)
        pid = pid * 10 + (*p++ - '0');
    if (p == digits || *digits == '0' || *p != '-' || pid > INT_MAX)
        return 0;
    ++p;
    if (std::strlen(p) != randomLetters || std::strspn(p, nameLetters) != randomLetters)
        return 0;
    return static_cast<pid_t>(pid);
}

// Temporary files of ours that a save killed part-way left behind: our
// name, our user, a regular file, and a writer that no longer exists.
void removeStaleTemporaries(const std::string& folder)
{
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return;
    const int folderFd = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        const pid_t writer = writerOf(entry->d_name);
        if (writer <= 0 || writer == ::getpid())
            continue;
        struct stat s;
        if (::fstatat(folderFd, entry->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(s.st_mode) ||
            s.st_uid != ::geteuid())
            continue;
        if (::kill(writer, 0) == -1 && errno == ESRCH)
            (void)::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(directory);
}

// A new file in folder, created with mode (less the umask) and a name no
// other file has.
int createNamedTemporary(const std::string& folder, mode_t mode, std::string& name)
{
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        name = temporaryName(folder);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file of fd a free name in folder. Through /proc, as
// linking a descriptor directly needs a privilege.
bool nameUnnamed(int fd, const std::string& folder, std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        name = temporaryName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// The replaced file's owner, group and mode; an owner or group that may not
// be given away stays the writer's. The mode comes last, as a change of
// owner clears the set-ID bits.
bool takeOverAttributes(int fd, const struct stat& replaced)
{
    if (::fchown(fd, replaced.st_uid, replaced.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid);
    return ::fchmod(fd, replaced.st_mode & 07777) == 0;
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The rename is only durable once the folder's entry is on disk too; file
// systems that cannot flush a folder say EINVAL and need nothing more.
bool flushFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return flushed;
}

enum class Temporary { Written, Unavailable, Failed };

// The whole of bytes in a new file of folder, on disk, with the replaced
// file's attributes when there is one (private until then), named
// temporary. Unavailable when an unnamed file cannot be had or named: a
// named one will do instead.
Temporary writeTemporary(bool unnamed, const std::string& folder, const struct stat* replaced,
                         const std::vector<uint8_t>& bytes, std::string& temporary, std::string& error)
{
    const mode_t mode = replaced ? 0600 : 0666;
    const int fd = unnamed ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode)
                           : createNamedTemporary(folder, mode, temporary);
    if (fd < 0) {
        if (unnamed)
            return Temporary::Unavailable;
        error = std::strerror(errno);
        return Temporary::Failed;
    }
    if (!((!replaced || takeOverAttributes(fd, *replaced)) && writeAll(fd, bytes) && ::fsync(fd) == 0)) {
        error = std::strerror(errno);
        ::close(fd);
        if (!unnamed)
            ::unlink(temporary.c_str());
        return Temporary::Failed;
    }
    if (unnamed && !nameUnnamed(fd, folder, temporary)) {
        ::close(fd);
        return Temporary::Unavailable;
    }
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        ::unlink(temporary.c_str());
        return Temporary::Failed;
    }
    return Temporary::Written;
}

} // namespace

bool writeFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, EngineText& why)
{
    // The system's reasons (strerror) are in the system's language already.
    std::string error;
    std::string target = path;
    if (!followLinks(target, error)) {
        why = error;
        return false;
    }
    struct stat existing;
    const bool replacing = ::stat(target.c_str(), &existing) == 0;
    if (replacing) {
        EngineText refusal = refusalOf(target, existing);
        if (!refusal.empty()) {
            why = std::move(refusal);
            return false;
        }
    }

    const std::string folder = folderOf(target);
    removeStaleTemporaries(folder);
    // Preferably the bytes go to a file without a name, which a killed save
    // cannot leave behind; it is named only once complete, for the rename.
    // Where the file system has no such files, a named one.
    std::string temporary;
    Temporary written = writeTemporary(true, folder, replacing ? &existing : nullptr, bytes, temporary, error);
    if (written == Temporary::Unavailable)
        written = writeTemporary(false, folder, replacing ? &existing : nullptr, bytes, temporary, error);
    if (written != Temporary::Written) {
        why = error;
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        why = EngineText(std::strerror(errno));
        ::unlink(temporary.c_str());
        return false;
    }
    if (!flushFolder(folder)) {
        why = EngineText::of(QT_TRANSLATE_NOOP("Engine", "saved, but the folder could not be flushed to disk: %1"),
                             std::strerror(errno));
        return false;
    }
    return true;
}
