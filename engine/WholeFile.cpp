#include "WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

bool readWholeFile(const std::string& path, std::uintmax_t maxBytes, const char* kind, std::string& contents,
                   std::string& problem)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        problem = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        problem = path + " is a folder, not a " + kind;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = path + " is not a regular file";
        return false;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        problem = path + " is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB, too large for a " + kind;
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        problem = path + ": " + std::strerror(errno);
        return false;
    }
    contents.resize(static_cast<std::size_t>(info.st_size));
    const std::size_t got = std::fread(contents.data(), 1, contents.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        problem = path + ": " + std::strerror(error);
        return false;
    }
    // A file that shrank while it was read is taken as far as it went.
    contents.resize(got);
    return true;
}
