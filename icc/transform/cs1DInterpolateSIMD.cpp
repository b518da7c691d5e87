#include "cs1DInterpolateSIMD.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstring>
#include <utility>

namespace cs1DInterpolate::simd {

namespace {

// As in the scalar kernels: the cells, simplices and weights of a block of
// pixels first, then the blend. The first half works on W pixels at once
// in the compiler's vector types, written once for both widths and
// inlined into the functions compiled for each instruction set; the blend
// forms the outputs of one pixel in one 128-bit vector.
constexpr std::size_t blockSize = 64;

// Signed lanes: every value stays below 2^31, and signed comparisons are
// single instructions.
template <int W>
struct Lanes
{
    typedef int32_t Vector __attribute__((vector_size(4 * W)));
};
template <int W>
using Vector = typename Lanes<W>::Vector;

// Vertex by vertex, so the first half stores whole vectors.
template <unsigned Vertices>
struct Simplices
{
    alignas(32) uint32_t corner[Vertices][blockSize];
    alignas(32) uint32_t weight[Vertices][blockSize];
};

template <int W, std::size_t... I>
[[gnu::always_inline]] inline void loadChannel(const uint16_t* in, std::size_t stride, Vector<W>& v,
                                               std::index_sequence<I...>)
{
    v = Vector<W>{in[I * stride]...};
}

// gridPosition of the scalar kernels on W inputs; the limit to the last
// cell is a minimum here, which gives the same base.
template <int W>
[[gnu::always_inline]] inline void gridPosition(const Vector<W>& v, uint32_t gridPoints, uint32_t stride,
                                                Vector<W>& offset, Vector<W>& fraction)
{
    Vector<W> p = v * static_cast<int32_t>(gridPoints - 1);
    p += p >> 16;
    Vector<W> base = p >> 16;
    const Vector<W> lastCell = Vector<W>{} + static_cast<int32_t>(gridPoints - 2);
    base = base > lastCell ? lastCell : base;
    offset = base * static_cast<int32_t>(stride);
    fraction = p - (base << 16);
}

// One comparison of a sorting network: the larger fraction and its
// stride go first. Equal fractions put no weight on the node between
// them, so how ties fall does not change the sum.
template <int W>
[[gnu::always_inline]] inline void order(Vector<W>& firstFraction, Vector<W>& firstStride, Vector<W>& secondFraction,
                                         Vector<W>& secondStride)
{
    const auto swap = secondFraction > firstFraction;
    const Vector<W> fraction = firstFraction, stride = firstStride;
    firstFraction = swap ? secondFraction : firstFraction;
    secondFraction = swap ? fraction : secondFraction;
    firstStride = swap ? secondStride : firstStride;
    secondStride = swap ? stride : secondStride;
}

// The simplices of W pixels, stored from index i of the block.
template <int W, unsigned Inputs>
[[gnu::always_inline]] inline void simplices(const Clut16& clut, const Vector<W>* strides, const uint16_t* in,
                                             std::size_t inStride, Simplices<Inputs + 1>& s, std::size_t i)
{
    // One fraction more than inputs, left 0, for the last weight.
    Vector<W> base = {}, fraction[Inputs + 1] = {}, stride[Inputs];
#pragma GCC unroll 4
    for (unsigned c = 0; c < Inputs; ++c) {
        Vector<W> value, offset;
        loadChannel<W>(in + c, inStride, value, std::make_index_sequence<W>());
        gridPosition<W>(value, clut.gridPoints[c], clut.strides[c], offset, fraction[c]);
        base += offset;
        stride[c] = strides[c];
    }
    if constexpr (Inputs == 3) {
        order<W>(fraction[0], stride[0], fraction[1], stride[1]);
        order<W>(fraction[1], stride[1], fraction[2], stride[2]);
        order<W>(fraction[0], stride[0], fraction[1], stride[1]);
    } else {
        order<W>(fraction[0], stride[0], fraction[1], stride[1]);
        order<W>(fraction[2], stride[2], fraction[3], stride[3]);
        order<W>(fraction[0], stride[0], fraction[2], stride[2]);
        order<W>(fraction[1], stride[1], fraction[3], stride[3]);
        order<W>(fraction[1], stride[1], fraction[2], stride[2]);
    }
    Vector<W> corner = base;
    Vector<W> weight = 65536 - fraction[0];
    std::memcpy(&s.corner[0][i], &corner, sizeof corner);
    std::memcpy(&s.weight[0][i], &weight, sizeof weight);
#pragma GCC unroll 4
    for (unsigned j = 0; j < Inputs; ++j) {
        corner += stride[j];
        weight = fraction[j] - fraction[j + 1];
        std::memcpy(&s.corner[j + 1][i], &corner, sizeof corner);
        std::memcpy(&s.weight[j + 1][i], &weight, sizeof weight);
    }
}

// The node's outputs widened to 32 bits; three outputs are read as three,
// since the last node may end the buffer.
template <unsigned Outputs>
__attribute__((target("sse4.1"), always_inline)) inline __m128i loadNode(const uint16_t* node)
{
    if constexpr (Outputs == 4)
        return _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(node)));
    int32_t firstTwo;
    std::memcpy(&firstTwo, node, sizeof firstTwo);
    return _mm_cvtepu16_epi32(_mm_insert_epi16(_mm_cvtsi32_si128(firstTwo), node[2], 2));
}

template <unsigned Outputs, unsigned Vertices>
__attribute__((target("sse4.1"), always_inline)) inline void blend(const uint16_t* nodes,
                                                                    const Simplices<Vertices>& s, std::size_t i,
                                                                    uint16_t* out, const uint16_t* const* curves)
{
    __m128i sum = _mm_set1_epi32(128);
#pragma GCC unroll 5
    for (unsigned j = 0; j < Vertices; ++j) {
        const __m128i node = loadNode<Outputs>(nodes + s.corner[j][i]);
        sum = _mm_add_epi32(sum, _mm_mullo_epi32(node, _mm_set1_epi32(static_cast<int>(s.weight[j][i]))));
    }
    // The scalar kernels' two roundings: the sum to 24 bits, then to 16.
    sum = _mm_srli_epi32(sum, 8);
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(128)), 8);
    if (curves) {
        out[0] = curves[0][_mm_extract_epi32(sum, 0)];
        out[1] = curves[1][_mm_extract_epi32(sum, 1)];
        out[2] = curves[2][_mm_extract_epi32(sum, 2)];
        if constexpr (Outputs == 4)
            out[3] = curves[3][_mm_extract_epi32(sum, 3)];
        return;
    }
    const __m128i packed = _mm_packus_epi32(sum, sum);
    if constexpr (Outputs == 4) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    } else {
        const int32_t firstTwo = _mm_cvtsi128_si32(packed);
        std::memcpy(out, &firstTwo, sizeof firstTwo);
        out[2] = static_cast<uint16_t>(_mm_extract_epi16(packed, 2));
    }
}

// Compiled for SSE4.1 at least, as the blend needs; inlined into the
// functions for each instruction set.
template <int W, unsigned Inputs, unsigned Outputs>
__attribute__((target("sse4.1"), always_inline)) inline void kernel(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
                                          std::size_t inStride, std::size_t outStride, const uint16_t* const* curves)
{
    Simplices<Inputs + 1> s;
    Vector<W> strides[Inputs];
    for (unsigned c = 0; c < Inputs; ++c)
        for (int lane = 0; lane < W; ++lane)
            strides[c][lane] = static_cast<int32_t>(clut.strides[c]);
    // The last pixels of a call, fewer than W, are read from a copy padded
    // with zeros, so no input beyond the caller's is read.
    uint16_t padded[W * Inputs] = {};
    for (std::size_t done = 0; done < count; done += blockSize) {
        const std::size_t n = count - done < blockSize ? count - done : blockSize;
        for (std::size_t i = 0; i < n; i += W) {
            if (n - i >= W) {
                simplices<W, Inputs>(clut, strides, in + i * inStride, inStride, s, i);
                continue;
            }
            for (std::size_t k = 0; k < n - i; ++k)
                std::memcpy(padded + k * Inputs, in + (i + k) * inStride, Inputs * sizeof(uint16_t));
            simplices<W, Inputs>(clut, strides, padded, Inputs, s, i);
        }
        for (std::size_t i = 0; i < n; ++i)
            blend<Outputs, Inputs + 1>(clut.nodes, s, i, out + i * outStride, curves);
        in += n * inStride;
        out += n * outStride;
    }
}

template <int W>
__attribute__((target("sse4.1"), always_inline)) inline void dispatch(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
                                            std::size_t inStride, std::size_t outStride, const uint16_t* const* curves)
{
    if (clut.numInputs == 3) {
        if (clut.numOutputs == 3)
            kernel<W, 3, 3>(clut, in, out, count, inStride, outStride, curves);
        else
            kernel<W, 3, 4>(clut, in, out, count, inStride, outStride, curves);
    } else {
        if (clut.numOutputs == 3)
            kernel<W, 4, 3>(clut, in, out, count, inStride, outStride, curves);
        else
            kernel<W, 4, 4>(clut, in, out, count, inStride, outStride, curves);
    }
}

} // namespace

bool handles(const Clut16& clut)
{
    return (clut.numInputs == 3 || clut.numInputs == 4) && (clut.numOutputs == 3 || clut.numOutputs == 4);
}

__attribute__((target("sse4.1"))) void clutSSE41(const Clut16& clut, const uint16_t* in, uint16_t* out,
                                                 std::size_t count, std::size_t inStride, std::size_t outStride,
                                                 const uint16_t* const* outputCurves)
{
    dispatch<4>(clut, in, out, count, inStride, outStride, outputCurves);
}

__attribute__((target("avx2"))) void clutAVX2(const Clut16& clut, const uint16_t* in, uint16_t* out,
                                              std::size_t count, std::size_t inStride, std::size_t outStride,
                                              const uint16_t* const* outputCurves)
{
    dispatch<8>(clut, in, out, count, inStride, outStride, outputCurves);
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

} // namespace cs1DInterpolate::simd

#endif
