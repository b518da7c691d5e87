#pragma once
// One-dimensional table interpolation for curves, table inversion, and the
// fixed-point simplex kernel that evaluates 16-bit CLUTs.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cs1DInterpolate {

constexpr std::size_t fullTableSize = 65536;

// Linear interpolation of v (0..65535) in a table of n >= 2 entries. Inputs
// outside the range extrapolate the first or last segment.
double interpolate16(const uint16_t* table, std::size_t n, double v);
double interpolate16BE(const uint8_t* table, std::size_t n, double v);
// 8-bit entries count as value * 257.
double interpolate8(const uint8_t* table, std::size_t n, double v);

// Fill a 65536-entry table: entry c is the interpolation at c, rounded.
void expand16(const uint16_t* table, std::size_t n, uint16_t* out);
void expand16BE(const uint8_t* table, std::size_t n, uint16_t* out);
void expand8(const uint8_t* table, std::size_t n, uint16_t* out);

// out = table[in] for n values through a 65536-entry table; strides count
// elements, 0 counting as 1.
void lookup16(const uint16_t* table, const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
              std::size_t outStride);

// A 65536-entry curve table held as its 4096 segments of 16 codes, read
// with linear interpolation: 16 KB that stay in the first-level cache
// where the full table's 128 KB are read at random. A segment is one
// 32-bit value, its first entry in the low half and the rise to the next
// segment's first entry (signed) in the high half; the last segment rises
// to where it meets the full table's last entry at 65535. Curves that bend
// sharply near 0 (a gamma below 1) keep the full table's first head
// entries. Only made where every one of the 65536 inputs lands within a
// bound of the full table.
struct CompactCurve16
{
    static constexpr unsigned shift = 4;
    static constexpr std::size_t segments = fullTableSize >> shift;
    std::vector<uint32_t> segment;
    // The full table, of which the first head entries are read.
    const uint16_t* exact = nullptr;
    uint32_t head = 0;
    // The largest difference from the full table over all inputs.
    unsigned largestError = 0;

    static int32_t blend(uint32_t s, uint32_t x)
    {
        const int32_t low = static_cast<int32_t>(s & 0xFFFF), rise = static_cast<int16_t>(s >> 16);
        return low + ((rise * static_cast<int32_t>(x & 15) + 8) >> shift);
    }
    uint16_t operator()(uint32_t x) const
    {
        return static_cast<uint16_t>(x < head ? exact[x] : blend(segment[x >> shift], x));
    }
};

// The compact form of a full table with the smallest head that keeps every
// input within bound codes of it; false (and curve left empty) where none
// does. The curve points into full, which must outlive it.
bool makeCompact(const uint16_t* full, unsigned bound, CompactCurve16& curve);

// lookup16 through a compact curve: the codes of the vector kernels' curve
// stage, to the bit.
void lookupCompact(const CompactCurve16& curve, const uint16_t* in, uint16_t* out, std::size_t n,
                   std::size_t inStride, std::size_t outStride);

// Inverse of a rising or falling 65536-entry table: for each output code the
// first source index that reaches it.
void invertTable(const uint16_t* table, uint16_t* out);

// A CLUT as the simplex kernels read it: nodes in host order, the first
// input varying slowest, grid points and strides (in nodes' elements) per
// input, so every input may have a grid of its own.
template <typename Node>
struct ClutTable
{
    const Node* nodes;
    unsigned numInputs;
    unsigned numOutputs;
    const uint32_t* gridPoints;
    const uint32_t* strides;
};
using Clut16 = ClutTable<uint16_t>;
// 8-bit nodes count as value * 257.
using Clut8 = ClutTable<uint8_t>;

// Double-precision simplex interpolation of one pixel on the 0..65535 scale;
// at most numInputs + 1 nodes are read. Inputs outside the range extrapolate
// the edge cell.
void simplex(const Clut16& clut, const double* in, double* out);
void simplex(const Clut8& clut, const double* in, double* out);

// The forms of the fixed-point kernels for three and four inputs and three
// or four outputs: vector forms for processors with SSE4.1 or AVX2, with
// results identical to the scalar form's.
enum class ClutKernel { Scalar, SSE41, AVX2 };
// Whether this processor runs the kernel form; Scalar always.
bool kernelSupported(ClutKernel kernel);
// The fastest form this processor runs; clut16 uses it.
ClutKernel fastestKernel();

// Fixed-point simplex interpolation of count pixels; strides in elements,
// 0 meaning the channel count. Three and four inputs have kernels of their
// own. outputCurves is null or one 65536-entry table per output, which the
// results then go through.
void clut16(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
            std::size_t inStride, std::size_t outStride, const uint16_t* const* outputCurves = nullptr);
// The same with a kernel form of the caller's choice, which the processor
// must run.
void clut16(ClutKernel kernel, const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
            std::size_t inStride, std::size_t outStride, const uint16_t* const* outputCurves = nullptr);

} // namespace cs1DInterpolate
