#include "PdfHelper.h"

#include "ReportTransfer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A PDF larger than this is not one of ours.
constexpr off_t maxPdfBytes = off_t(1) << 30;

// A file in memory, closed when it goes: the program's input and its
// two outputs. Not a pipe, so neither side waits on the other.
class MemoryFile
{
public:
    MemoryFile() : fd(aboveStandard(memfd_create("vestrel-report", MFD_CLOEXEC))) {}
    ~MemoryFile()
    {
        if (fd >= 0)
            close(fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool write(const std::string& bytes) const
    {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += static_cast<std::size_t>(n);
        }
        return lseek(fd, 0, SEEK_SET) == 0;
    }
    // What was written to it, up to limit bytes; false when that is not all.
    bool read(std::string& bytes, off_t limit) const
    {
        struct stat info;
        if (fstat(fd, &info) != 0)
            return false;
        bytes.resize(static_cast<std::size_t>(std::min(info.st_size, limit)));
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = pread(fd, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += static_cast<std::size_t>(n);
        }
        return info.st_size <= limit;
    }

    const int fd;

private:
    // Above the standard streams, so that handing the three to the
    // program cannot overwrite one with another when a stream was closed.
    static int aboveStandard(int fd)
    {
        if (fd < 0 || fd > 2)
            return fd;
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        return moved;
    }
};

// The program's one line about what went wrong (the first that says anything).
std::string firstLine(const std::string& text)
{
    const std::size_t start = std::min(text.find_first_not_of('\n'), text.size());
    std::string line = text.substr(start, text.find('\n', start) - start);
    const std::string prefix = "vestrel-pdf-report: ";
    if (line.compare(0, prefix.size(), prefix) == 0)
        line.erase(0, prefix.size());
    return line;
}

} // namespace

std::string pdfHelperPath()
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
    dir = dir.substr(0, dir.rfind('/') + 1);
    return dir + "../lib/vestrel/vestrel-pdf-report";
}

bool pdfByHelper(const ReportContent& content, std::string& pdf, std::string& problem)
{
    const std::string path = pdfHelperPath();
    if (access(path.c_str(), X_OK) != 0) {
        problem = "PDF reports are made by " + path + ", which is not installed";
        return false;
    }
    const MemoryFile input, output, errors;
    if (input.fd < 0 || output.fd < 0 || errors.fd < 0 || !input.write(encodeReportContent(content))) {
        problem = std::string("could not hand the report to ") + path + ": " + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, output.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, errors.fd, 2);
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        problem = "could not run " + path + ": " + std::strerror(spawned);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) {
            problem = "lost " + path + ": " + std::strerror(errno);
            return false;
        }
    std::string said;
    errors.read(said, 4096);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        problem = !said.empty()         ? firstLine(said)
                  : WIFSIGNALED(status) ? path + " stopped on signal " + std::to_string(WTERMSIG(status))
                                        : path + " failed with status " + std::to_string(WEXITSTATUS(status));
        return false;
    }
    if (!output.read(pdf, maxPdfBytes) || pdf.compare(0, 5, "%PDF-") != 0) {
        pdf.clear();
        problem = path + " gave no PDF";
        return false;
    }
    return true;
}
