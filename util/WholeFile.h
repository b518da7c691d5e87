#pragma once
// Reads a whole file into memory after checking what it is: a missing
// file, a folder, a pipe, a socket, a device or a file beyond the size limit
// is refused by name before a byte is read (and before a pipe or device could
// keep the caller waiting), and a failing read gives the system's reason.

#include <cstdint>
#include <string>
#include <sys/stat.h>

// Opens path for reading if it is a regular file, and says what it is
// otherwise ("x is a pipe, not a profile"): nothing is opened that could
// block or act on being opened. The descriptor reads as a regular file's
// does (blocking, close-on-exec); info describes the file opened. -1 with
// problem set on refusal or failure ("x: No such file or directory").
// kind names what the file should have been ("patch file", "profile").
int openRegularFile(const std::string& path, const char* kind, struct stat& info, std::string& problem);

// A file that does not fit in memory is refused like one beyond maxBytes.
bool readWholeFile(const std::string& path, std::uintmax_t maxBytes, const char* kind, std::string& contents,
                   std::string& problem);
