#include "FileIdentity.h"

#include "PathNames.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace {

// The folder resolved through its links, then the name as given: what a
// save to a file not there yet would create.
std::string resolvedPath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!::realpath(folderOf(path).c_str(), resolved))
        return path;
    return std::string(resolved) + '/' + fileNameOf(path);
}

} // namespace

bool sameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    if (a == b)
        return true;
    struct stat sa, sb;
    const bool hasA = ::stat(a.c_str(), &sa) == 0, hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA != hasB)
        return false;
    return resolvedPath(a) == resolvedPath(b);
}
