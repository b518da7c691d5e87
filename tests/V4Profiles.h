#pragma once
// The test profiles as stored, or as version 4.3 copies written by Little
// CMS with each A2B and B2A table stored as 'mAB ' or 'mBA '.

#include <cstdint>
#include <string>
#include <vector>

enum class V4Tables
{
    // The file as it is.
    None,
    // The same curves and CLUTs; lut16 tables get a matrix that turns
    // between legacy and version 4 Lab, so the colours stay the same.
    Same,
    // Parametric B and M curves around a matrix with offsets on the PCS
    // side, and a CLUT resampled on a grid of its own per input (8-bit in
    // A2B), which takes in the curves and matrix: nearly the same colours.
    Reshaped,
};

// A profile from tests/data. A version 4 copy may have one B2A table of a
// three-channel device (named in withoutClut) made of parametric curves and
// a matrix alone, without CLUT; tags that shared its data follow it.
std::vector<uint8_t> testProfile(const std::string& file, V4Tables tables, const std::string& withoutClut = "");
