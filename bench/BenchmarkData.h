#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The bundled CMYK printer profile, read once.
const std::vector<uint8_t>& sampleProfileBytes();
// count pixels of channels random 16-bit codes, the same every run.
std::vector<uint16_t> randomCodes(std::size_t count, unsigned channels);
