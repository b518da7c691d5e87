#include "cs1DInterpolateSIMD.h"

#include "csICCPipeline16.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstring>
#include <utility>

// The kernels are written once (cs1DInterpolateSIMDKernels.inc) and
// compiled twice, for SSE4.1 with four lanes and for AVX2 with eight, each
// under its own target options, so that no instruction of the larger set
// reaches the code for the smaller.
namespace cs1DInterpolate::simd {

namespace {
// Pixels per block: the planes of two sides and the simplices of a block
// take about 10 KB.
constexpr std::size_t blockSize = 256;
} // namespace

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse4.1"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("sse4.1")
#endif
namespace sse41 {
namespace {
#define LANES 4
#include "cs1DInterpolateSIMDKernels.inc"
#undef LANES
} // namespace

void runPipeline(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
                 std::size_t inStride, std::size_t outStride)
{
    run(pipeline, in, out, count, inStride, outStride);
}
} // namespace sse41
#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
namespace {
#define LANES 8
#include "cs1DInterpolateSIMDKernels.inc"
#undef LANES
} // namespace

void runPipeline(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
                 std::size_t inStride, std::size_t outStride)
{
    run(pipeline, in, out, count, inStride, outStride);
}
} // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace {

// The CLUT and its output curves as a pipeline.
csICCPipeline16 clutPipeline(const Clut16& clut, const uint16_t* const* outputCurves)
{
    csICCPipeline16 pipeline;
    pipeline.inputs = clut.numInputs;
    pipeline.outputs = clut.numOutputs;
    pipeline.add(csICCPipeline16::Kind::Clut, clut.numInputs)->clut = clut;
    if (outputCurves) {
        csICCPipeline16::Stage* curves = pipeline.add(csICCPipeline16::Kind::Curves, clut.numOutputs);
        for (unsigned k = 0; k < clut.numOutputs; ++k)
            curves->curves[k] = outputCurves[k];
    }
    return pipeline;
}

} // namespace

bool handles(const Clut16& clut)
{
    return (clut.numInputs == 3 || clut.numInputs == 4) && (clut.numOutputs == 3 || clut.numOutputs == 4);
}

void clutSSE41(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
               std::size_t outStride, const uint16_t* const* outputCurves)
{
    sse41::runPipeline(clutPipeline(clut, outputCurves), in, out, count, inStride, outStride);
}

void clutAVX2(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
              std::size_t outStride, const uint16_t* const* outputCurves)
{
    avx2::runPipeline(clutPipeline(clut, outputCurves), in, out, count, inStride, outStride);
}

void runSSE41(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
              std::size_t inStride, std::size_t outStride)
{
    sse41::runPipeline(pipeline, in, out, count, inStride, outStride);
}

void runAVX2(const csICCPipeline16& pipeline, const uint16_t* in, uint16_t* out, std::size_t count,
             std::size_t inStride, std::size_t outStride)
{
    avx2::runPipeline(pipeline, in, out, count, inStride, outStride);
}

} // namespace cs1DInterpolate::simd

#else

namespace cs1DInterpolate::simd {

bool handles(const Clut16&)
{
    return false;
}

void clutSSE41(const Clut16&, const uint16_t*, uint16_t*, std::size_t, std::size_t, std::size_t,
               const uint16_t* const*)
{
}

void clutAVX2(const Clut16&, const uint16_t*, uint16_t*, std::size_t, std::size_t, std::size_t,
              const uint16_t* const*)
{
}

void runSSE41(const csICCPipeline16&, const uint16_t*, uint16_t*, std::size_t, std::size_t, std::size_t)
{
}

void runAVX2(const csICCPipeline16&, const uint16_t*, uint16_t*, std::size_t, std::size_t, std::size_t)
{
}

} // namespace cs1DInterpolate::simd

#endif
