#pragma once

#include <cstddef>
#include <string>

// A chart of n patches in the printer's gamut: random device values through
// the profile's A2B1; the measurement is the same colour with a smooth drift
// and noise, written in another order than the reference.
void writeChart(const std::string& profilePath, std::size_t n, const std::string& reference,
                const std::string& measurement);
