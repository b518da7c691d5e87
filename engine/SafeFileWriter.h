#pragma once
// Writes a file so that a failure can never destroy what was there: the bytes
// go to a temporary file in the target's folder, which replaces the target
// only once it is complete and on disk.

#include <cstdint>
#include <string>
#include <vector>

// On failure the target is untouched, the temporary file is gone and error
// says why.
bool writeFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
