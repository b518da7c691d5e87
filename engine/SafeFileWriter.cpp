#include "SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int maxLinkHops = 40;
// Attempts at a temporary name that nobody else holds.
constexpr int maxNameAttempts = 100;

std::string folderOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

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

// Why an existing target may not be replaced, or null. Root may write
// anything, so a file without write permission is refused here by its mode
// bits rather than by the kernel.
const char* refusalOf(const std::string& path, const struct stat& s)
{
    if (S_ISDIR(s.st_mode))
        return "it is a folder";
    if (S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode))
        return "it is a device";
    if (S_ISFIFO(s.st_mode))
        return "it is a pipe";
    if (S_ISSOCK(s.st_mode))
        return "it is a socket";
    if (!S_ISREG(s.st_mode))
        return "it is not a regular file";
    if ((s.st_mode & 0222) == 0)
        return "it is read-only";
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return std::strerror(errno);
    return nullptr;
}

// A new file in folder, created with mode (less the umask) and a name no
// other file has.
int createTemporary(const std::string& folder, mode_t mode, std::string& name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        name = folder + "/.vestrel-";
        for (int i = 0; i < 8; ++i)
            name += letters[pick(random)];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
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

} // namespace

bool writeFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::string target = path;
    if (!followLinks(target, error))
        return false;
    struct stat existing;
    const bool replacing = ::stat(target.c_str(), &existing) == 0;
    if (replacing) {
        if (const char* refusal = refusalOf(target, existing)) {
            error = refusal;
            return false;
        }
    }

    // A replacement stays private until it has the replaced file's
    // attributes; a new file is created as any other would be.
    const std::string folder = folderOf(target);
    std::string temporary;
    const int fd = createTemporary(folder, replacing ? 0600 : 0666, temporary);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool ok = (!replacing || takeOverAttributes(fd, existing)) && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    if (::close(fd) != 0 || !ok) {
        error = std::strerror(ok ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!flushFolder(folder)) {
        error = std::string("saved, but the folder could not be flushed to disk: ") + std::strerror(errno);
        return false;
    }
    return true;
}
