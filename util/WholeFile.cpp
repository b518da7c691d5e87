#include "WholeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <unistd.h>

namespace {

// What a file that is no regular file is, as the user knows it.
const char* whatItIs(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "a special file";
}

std::string refusal(const std::string& path, mode_t mode, const char* kind)
{
    return path + " is " + whatItIs(mode) + ", not a " + kind;
}

std::string systemReason(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

} // namespace

int openRegularFile(const std::string& path, const char* kind, struct stat& info, std::string& problem)
{
    // Looked at before it is opened: opening a device can act on it, and
    // opening a pipe waits for a writer.
    if (::stat(path.c_str(), &info) != 0) {
        problem = systemReason(path, errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = refusal(path, info.st_mode, kind);
        return -1;
    }
    // Not blocking, in case it was swapped for a pipe since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        problem = systemReason(path, errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        problem = S_ISREG(info.st_mode) ? systemReason(path, error) : refusal(path, info.st_mode, kind);
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        problem = systemReason(path, errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readWholeFile(const std::string& path, std::uintmax_t maxBytes, const char* kind, std::string& contents,
                   std::string& problem)
{
    struct stat info;
    const int fd = openRegularFile(path, kind, info, problem);
    if (fd < 0)
        return false;
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        ::close(fd);
        problem = path + " is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB, too large for a " + kind;
        return false;
    }
    try {
        contents.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        contents = std::string();
        problem = path + ": not enough memory to read this " + kind + " (" +
                  std::to_string(info.st_size / (1024 * 1024) + 1) + " MB)";
        return false;
    }
    std::size_t got = 0;
    while (got < contents.size()) {
        const ssize_t n = ::read(fd, &contents[got], contents.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            problem = systemReason(path, error);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // A file that shrank while it was read is taken as far as it went.
    contents.resize(got);
    return true;
}
