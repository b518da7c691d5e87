#pragma once
// Vector forms of the fixed-point three- and four-input simplex kernels of
// cs1DInterpolate, for processors with SSE4.1 or AVX2. Each gives the
// scalar kernel's result to the bit: the integer sums are the same, only
// formed for several pixels or outputs at once. cs1DInterpolate::clut16
// calls them once it knows the processor runs them.

#include "cs1DInterpolate.h"

namespace cs1DInterpolate::simd {

// Whether the vector kernels take a table of this shape: three or four
// inputs, three or four outputs.
bool handles(const Clut16& clut);

// Strides are in elements and already resolved (not 0); outputCurves is
// null or one 65536-entry table per output.
void clutSSE41(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
               std::size_t outStride, const uint16_t* const* outputCurves);
void clutAVX2(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
              std::size_t outStride, const uint16_t* const* outputCurves);

} // namespace cs1DInterpolate::simd
