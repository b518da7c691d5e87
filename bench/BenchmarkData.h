#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The bundled CMYK printer profile, read once.
const std::vector<uint8_t>& sampleProfileBytes();
// A profile of the test data by file name.
std::vector<uint8_t> profileBytes(const char* file);
// count pixels of channels random 16-bit codes, the same every run.
std::vector<uint16_t> randomCodes(std::size_t count, unsigned channels);

// Marks the measured work for bench/instructions.sh: under callgrind with
// --collect-atstart=no, only instructions inside a Counted scope count.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
struct Counted
{
    Counted() { CALLGRIND_TOGGLE_COLLECT; }
    ~Counted() { CALLGRIND_TOGGLE_COLLECT; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};
#else
struct Counted
{
};
#endif
