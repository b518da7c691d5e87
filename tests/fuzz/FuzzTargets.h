#pragma once
// The fuzz targets as plain functions, so that the test suite can replay
// the inputs that once failed (tests/fuzz/regressions).

#include <cstddef>
#include <cstdint>

int fuzzProfile(const uint8_t* data, std::size_t size);
int fuzzPatchCorrector(const uint8_t* data, std::size_t size);
int fuzzTag(const uint8_t* data, std::size_t size);
int fuzzPatchFile(const uint8_t* data, std::size_t size);
