#pragma once
// The text that "vestrel-cli info" prints for a profile.

#include "csICCProfile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A signature as '....' when printable, (none) when all zero, else as hex, so
// that bytes from a file never reach the terminal raw.
std::string signatureText(csSignature signature);

// Header fields and the directory as the file holds it (offsets, and which
// tags share one block of data). block is the file's bytes.
void writeProfileReport(std::FILE* out, const csICCProfile& profile,
                        const std::vector<csICCTagDirEntry>& directory, const std::vector<uint8_t>& block);
