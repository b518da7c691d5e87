#pragma once
// Vector forms of the 16-bit kernels for processors with SSE4.1 or AVX2:
// whole pipelines (csICCPipeline16) and, as the pipeline of one stage, the
// fixed-point three- and four-input simplex kernels of cs1DInterpolate.
// Each gives the scalar stages' result to the bit: the integer sums are the
// same, only formed for several pixels at once. cs1DInterpolate::clut16
// and the converters call them once they know the processor runs them.

#include "cs1DInterpolate.h"

struct csICCPipeline16;

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

// A runnable pipeline; strides resolved.
void runSSE41(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
              std::size_t inStride, std::size_t outStride);
void runAVX2(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
             std::size_t inStride, std::size_t outStride);

} // namespace cs1DInterpolate::simd
