#pragma once
// One-dimensional table interpolation for curves, table inversion, and the
// fixed-point simplex kernel that evaluates 16-bit CLUTs.

#include <cstddef>
#include <cstdint>

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
