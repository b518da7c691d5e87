#pragma once
// Builds the bytes of "mft1" and "mft2" tags for tests.

#include <cstdint>
#include <functional>
#include <vector>

struct LutShape
{
    bool lut16 = true;
    unsigned inputs = 3;
    unsigned outputs = 3;
    unsigned gridPoints = 2; // 256 and 257 are written as grid bytes 0 and 1
    unsigned inputEntries = 2; // "mft2" only; "mft1" always has 256
    unsigned outputEntries = 2;
};

// A node value from its grid indices and output channel.
using NodeFunction = std::function<uint16_t(const std::vector<unsigned>& grid, unsigned output)>;
// A curve entry (16-bit scale) from its channel, index and entry count.
using CurveFunction = std::function<uint16_t(unsigned channel, unsigned index, unsigned entries)>;

// A node value from the grid position, distinct for every node and output
// of small grids.
uint16_t countingNode(const std::vector<unsigned>& grid, unsigned output);

// Identity curves: entry i of n is i * 65535 / (n - 1), rounded.
uint16_t identityCurve(unsigned channel, unsigned index, unsigned entries);

// The tag bytes; 8-bit tables store the high byte of the 16-bit values.
// matrix holds nine raw s15Fixed16 values, row by row; empty means identity.
std::vector<uint8_t> buildLut(const LutShape& shape, const NodeFunction& node,
                              const CurveFunction& inputCurve = identityCurve,
                              const CurveFunction& outputCurve = identityCurve,
                              const std::vector<int32_t>& matrix = {});

// Size in bytes of the layout of shape.
std::size_t lutSize(const LutShape& shape);

// An "mAB " or "mBA " tag: A and B curves, optional M curves, all identity
// ("curv" of no entries and "para" of gamma 1 in turn), a CLUT of 8- or
// 16-bit nodes with a grid per input (none when empty), an optional matrix.
// Elements stand in the order they act, each on a 4-byte boundary.
struct LutABShape
{
    bool bToA = true;
    unsigned inputs = 3;
    unsigned outputs = 3;
    std::vector<unsigned> grid = {2, 2, 2};
    unsigned precision = 2;
    bool mCurves = false;
    // Nine entries row by row and three offsets in units of the range;
    // empty for no matrix.
    std::vector<double> matrix;
    // Where given, channel 0 of every curve set is a "curv" of these
    // entries instead.
    std::vector<uint16_t> sampledCurve;
};

std::vector<uint8_t> buildLutAB(const LutABShape& shape, const NodeFunction& node);
