#pragma once
// Reads a whole file into memory after checking what it is: a missing
// file, a folder, a device or a file beyond the size limit is refused by
// name before a byte is read, and a failing read gives the system's reason.

#include <cstdint>
#include <string>

// kind names what the file should have been ("patch file", "profile").
bool readWholeFile(const std::string& path, std::uintmax_t maxBytes, const char* kind, std::string& contents,
                   std::string& problem);
