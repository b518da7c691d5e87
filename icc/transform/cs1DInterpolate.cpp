#include "cs1DInterpolate.h"

#include "cs1DInterpolateSIMD.h"
#include "csICCNumber.h"

#include <algorithm>
#include <cmath>

namespace cs1DInterpolate {

namespace {

// The segment that v falls in, and the position inside it; the fraction may
// lie outside 0..1 for inputs outside 0..65535.
struct Segment
{
    std::size_t index;
    double t;
};

inline Segment segmentOf(std::size_t n, double v)
{
    const double p = v / 65535.0 * static_cast<double>(n - 1);
    std::size_t i;
    if (!(p >= 0.0))      // below 0, or NaN
        i = 0;
    else if (p >= static_cast<double>(n - 1))
        i = n - 2;
    else
        i = static_cast<std::size_t>(p);
    return {i, p - static_cast<double>(i)};
}

template <typename Read>
inline double interpolate(std::size_t n, double v, Read read)
{
    const Segment s = segmentOf(n, v);
    return (1.0 - s.t) * read(s.index) + s.t * read(s.index + 1);
}

// The interpolation at every code rounded, in integers: code c lies in
// segment i = c·(n-1)/65535 (the last taking 65535 itself) at r = c·(n-1) -
// 65535·i, and the rounded interpolation is a + floor((2·(b - a)·r + 65535) /
// 131070) for the segment's ends a and b. That is what interpolate gives,
// plus 0.5 and truncated: an odd over an even number is never whole, and
// double precision never comes within 1/131070 of the rounding point.
// Within a segment the quotient and its remainder move on by the same
// amounts from code to code, so each code takes an addition and a carry.
inline int64_t floorDivide(int64_t numerator, int64_t denominator)
{
    const int64_t q = numerator / denominator;
    return q * denominator > numerator ? q - 1 : q;
}

template <typename Read>
void expand(std::size_t n, uint16_t* out, Read read)
{
    constexpr int64_t denominator = 131070;
    const int64_t step = static_cast<int64_t>(n) - 1;
    const std::size_t lastSegment = n - 2;
    std::size_t i = 0;
    int64_t r = 0;
    int64_t a = 0, quotient = 0, remainder = 0, stepQuotient = 0, stepRemainder = 0;
    auto enter = [&] {
        a = static_cast<int64_t>(read(i));
        const int64_t rise = static_cast<int64_t>(read(i + 1)) - a;
        const int64_t numerator = 2 * rise * r + 65535;
        quotient = floorDivide(numerator, denominator);
        remainder = numerator - quotient * denominator;
        stepQuotient = floorDivide(2 * rise * step, denominator);
        stepRemainder = 2 * rise * step - stepQuotient * denominator;
    };
    enter();
    for (std::size_t c = 0; c < fullTableSize; ++c) {
        out[c] = static_cast<uint16_t>(a + quotient);
        r += step;
        if (r >= 65535 && i < lastSegment) {
            while (r >= 65535 && i < lastSegment) {
                r -= 65535;
                ++i;
            }
            enter();
        } else {
            quotient += stepQuotient;
            remainder += stepRemainder;
            if (remainder >= denominator) {
                remainder -= denominator;
                ++quotient;
            }
        }
    }
}

} // namespace

double interpolate16(const uint16_t* table, std::size_t n, double v)
{
    return interpolate(n, v, [table](std::size_t i) { return double(table[i]); });
}

double interpolate16BE(const uint8_t* table, std::size_t n, double v)
{
    return interpolate(n, v, [table](std::size_t i) { return double(csGetUInt16(table + 2 * i)); });
}

double interpolate8(const uint8_t* table, std::size_t n, double v)
{
    return interpolate(n, v, [table](std::size_t i) { return double(table[i] * 257); });
}

void expand16(const uint16_t* table, std::size_t n, uint16_t* out)
{
    expand(n, out, [table](std::size_t i) { return double(table[i]); });
}

// Reads the big-endian entries in place instead of swapping the source,
// so the table stays const.
void expand16BE(const uint8_t* table, std::size_t n, uint16_t* out)
{
    expand(n, out, [table](std::size_t i) { return double(csGetUInt16(table + 2 * i)); });
}

void expand8(const uint8_t* table, std::size_t n, uint16_t* out)
{
    expand(n, out, [table](std::size_t i) { return double(table[i] * 257); });
}

void lookup16(const uint16_t* table, const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
              std::size_t outStride)
{
    inStride = inStride ? inStride : 1;
    outStride = outStride ? outStride : 1;
    for (std::size_t i = 0; i < n; ++i)
        out[i * outStride] = table[in[i * inStride]];
}

void lookupCompact(const CompactCurve16& curve, const uint16_t* in, uint16_t* out, std::size_t n,
                   std::size_t inStride, std::size_t outStride)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i * outStride] = curve(in[i * inStride]);
}

bool makeCompact(const uint16_t* full, unsigned bound, CompactCurve16& curve)
{
    curve = CompactCurve16();
    constexpr uint32_t step = 1u << CompactCurve16::shift;
    CompactCurve16 made;
    made.segment.resize(CompactCurve16::segments);
    for (uint32_t j = 0; j < CompactCurve16::segments; ++j) {
        const int32_t low = full[j * step];
        int32_t rise;
        if (j + 1 < CompactCurve16::segments) {
            rise = full[(j + 1) * step] - low;
        } else {
            // The rise whose blend at the last input gives the last entry.
            const int32_t target = full[fullTableSize - 1] - low;
            rise = target * int32_t(step) / int32_t(step - 1) - 2;
            while (CompactCurve16::blend(uint32_t(low) | (uint32_t(uint16_t(rise)) << 16), step - 1) - low < target &&
                   rise < 32767)
                ++rise;
        }
        // Segments this steep cannot be within a code or two.
        if (rise < -32768 || rise > 32767)
            return false;
        made.segment[j] = uint32_t(low) | (uint32_t(uint16_t(rise)) << 16);
    }
    made.exact = full;
    for (uint32_t head : {0u, 256u, 4096u}) {
        made.head = head;
        unsigned largest = 0;
        for (uint32_t x = 0; x < fullTableSize && largest <= bound; ++x) {
            const int d = int(made(x)) - int(full[x]);
            largest = std::max(largest, unsigned(d < 0 ? -d : d));
        }
        if (largest <= bound) {
            made.largestError = largest;
            curve = std::move(made);
            return true;
        }
    }
    return false;
}

void invertTable(const uint16_t* table, uint16_t* out)
{
    if (table[0] > table[fullTableSize - 1]) {
        long index = fullTableSize - 1;
        for (std::size_t y = 0; y < fullTableSize; ++y) {
            while (index >= 0 && table[index] < y)
                --index;
            out[y] = static_cast<uint16_t>(index < 0 ? 0 : index);
        }
    } else {
        std::size_t index = 0;
        for (std::size_t y = 0; y < fullTableSize; ++y) {
            while (index < fullTableSize && table[index] < y)
                ++index;
            out[y] = static_cast<uint16_t>(index < fullTableSize ? index : fullTableSize - 1);
        }
    }
}

namespace {

// Grid cell and 16.16 fraction of a 16-bit input. P + (P >> 16) stretches
// 0..65535 * (g - 1) onto the grid so that 65535 lands just short of the
// last node, which keeps the fraction within 0..65535.
struct GridPosition
{
    uint32_t offset;   // base index times stride, in elements
    uint32_t fraction; // 0..65535
};

inline GridPosition gridPosition(uint32_t v, uint32_t gridPoints, uint32_t stride)
{
    uint32_t p = v * (gridPoints - 1);
    p += p >> 16;
    const uint32_t base = p < ((gridPoints - 1) << 16) ? p >> 16 : gridPoints - 2;
    return {base * stride, p - (base << 16)};
}

inline uint16_t finish(uint32_t sum)
{
    return static_cast<uint16_t>((sum + 128) >> 8);
}

inline uint16_t throughCurve(const uint16_t* const* curves, unsigned output, uint16_t value)
{
    return curves ? curves[output][value] : value;
}

// The order of the three inputs by falling fraction, indexed by the
// comparisons (a < b, b < c, a < c). Two combinations cannot occur. Ties
// put no weight between the tied inputs, so any order among them gives the
// same sum.
struct TetrahedronOrder
{
    uint8_t first, second, third;
};
constexpr TetrahedronOrder tetrahedronOrders[8] = {
    {0, 1, 2}, // a >= b >= c
    {0, 1, 2}, // impossible
    {0, 2, 1}, // a >= b, a >= c, b < c
    {2, 0, 1}, // a >= b, a < c
    {1, 0, 2}, // a < b, c <= a
    {1, 2, 0}, // a < b, b >= c, a < c
    {0, 1, 2}, // impossible
    {2, 1, 0}, // a < b < c
};

// Four nodes, weights 65536 - f1, f1 - f2, f2 - f3, f3 for the fractions
// f1 >= f2 >= f3. Pixels go in blocks: first the cell, simplex and weights
// of every pixel of the block, then the blend. Each half has a short chain
// of dependent steps per pixel, so the processor overlaps many pixels
// instead of waiting on one. The order is taken from a table rather than
// branches, because the order of image data is close to random.
// Outputs is the output count, or 0 for one known only at run time.
template <unsigned Outputs>
void tetrahedral(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
                 std::size_t inStride, std::size_t outStride, const uint16_t* const* curves)
{
    constexpr std::size_t blockSize = 64;
    const uint16_t* const nodes = clut.nodes;
    const unsigned outputs = Outputs ? Outputs : clut.numOutputs;
    const uint32_t strides[3] = {clut.strides[0], clut.strides[1], clut.strides[2]};
    const uint32_t grid[3] = {clut.gridPoints[0], clut.gridPoints[1], clut.gridPoints[2]};

    uint32_t corner[blockSize][4];
    uint32_t weight[blockSize][4];
    for (std::size_t done = 0; done < count; done += blockSize) {
        const std::size_t n = count - done < blockSize ? count - done : blockSize;
        for (std::size_t i = 0; i < n; ++i, in += inStride) {
            const GridPosition x = gridPosition(in[0], grid[0], strides[0]);
            const GridPosition y = gridPosition(in[1], grid[1], strides[1]);
            const GridPosition z = gridPosition(in[2], grid[2], strides[2]);
            const uint32_t fraction[3] = {x.fraction, y.fraction, z.fraction};
            const uint32_t a = fraction[0], b = fraction[1], c = fraction[2];
            const TetrahedronOrder& order = tetrahedronOrders[(a < b) << 2 | (b < c) << 1 | (a < c)];
            const uint32_t f1 = fraction[order.first], f2 = fraction[order.second], f3 = fraction[order.third];
            corner[i][0] = x.offset + y.offset + z.offset;
            corner[i][1] = corner[i][0] + strides[order.first];
            corner[i][2] = corner[i][1] + strides[order.second];
            corner[i][3] = corner[i][2] + strides[order.third];
            weight[i][0] = 65536 - f1;
            weight[i][1] = f1 - f2;
            weight[i][2] = f2 - f3;
            weight[i][3] = f3;
        }
        for (std::size_t i = 0; i < n; ++i, out += outStride) {
            const uint16_t* n0 = nodes + corner[i][0];
            const uint16_t* n1 = nodes + corner[i][1];
            const uint16_t* n2 = nodes + corner[i][2];
            const uint16_t* n3 = nodes + corner[i][3];
            const uint32_t w0 = weight[i][0], w1 = weight[i][1], w2 = weight[i][2], w3 = weight[i][3];
#pragma GCC unroll 4
            for (unsigned k = 0; k < outputs; ++k)
                out[k] = throughCurve(curves, k, finish((n0[k] * w0 + n1[k] * w1 + n2[k] * w2 + n3[k] * w3 + 128) >> 8));
        }
    }
}

// Inputs ordered by falling fraction; an input whose fraction equals an
// earlier one goes after it.
template <typename Fraction>
inline void sortByFraction(const Fraction* fraction, unsigned* order, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        unsigned j = i;
        while (j > 0 && fraction[order[j - 1]] < fraction[i]) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
}

// Five nodes of the 4-simplex, in blocks like the three-input kernel. The
// order comes from ranks counted without branches: of two inputs the later
// one ranks behind unless its fraction is larger, which keeps equal
// fractions in input order.
template <unsigned Outputs>
void pentachoral(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
                 std::size_t inStride, std::size_t outStride, const uint16_t* const* curves)
{
    constexpr std::size_t blockSize = 64;
    const uint16_t* const nodes = clut.nodes;
    const unsigned outputs = Outputs ? Outputs : clut.numOutputs;
    const uint32_t strides[4] = {clut.strides[0], clut.strides[1], clut.strides[2], clut.strides[3]};
    const uint32_t grid[4] = {clut.gridPoints[0], clut.gridPoints[1], clut.gridPoints[2], clut.gridPoints[3]};

    uint32_t corner[blockSize][5];
    uint32_t weight[blockSize][5];
    for (std::size_t done = 0; done < count; done += blockSize) {
        const std::size_t n = count - done < blockSize ? count - done : blockSize;
        for (std::size_t i = 0; i < n; ++i, in += inStride) {
            uint32_t fraction[4];
            uint32_t base = 0;
            for (unsigned c = 0; c < 4; ++c) {
                const GridPosition p = gridPosition(in[c], grid[c], strides[c]);
                base += p.offset;
                fraction[c] = p.fraction;
            }
            unsigned rank[4] = {0, 0, 0, 0};
            for (unsigned a = 0; a < 4; ++a)
                for (unsigned b = a + 1; b < 4; ++b) {
                    const unsigned laterFirst = fraction[b] > fraction[a];
                    rank[a] += laterFirst;
                    rank[b] += 1 - laterFirst;
                }
            uint32_t sorted[5];
            uint32_t step[4];
            for (unsigned c = 0; c < 4; ++c) {
                sorted[rank[c]] = fraction[c];
                step[rank[c]] = strides[c];
            }
            sorted[4] = 0;
            corner[i][0] = base;
            weight[i][0] = 65536 - sorted[0];
            for (unsigned j = 0; j < 4; ++j) {
                corner[i][j + 1] = corner[i][j] + step[j];
                weight[i][j + 1] = sorted[j] - sorted[j + 1];
            }
        }
        for (std::size_t i = 0; i < n; ++i, out += outStride) {
            const uint16_t* n0 = nodes + corner[i][0];
            const uint16_t* n1 = nodes + corner[i][1];
            const uint16_t* n2 = nodes + corner[i][2];
            const uint16_t* n3 = nodes + corner[i][3];
            const uint16_t* n4 = nodes + corner[i][4];
            const uint32_t w0 = weight[i][0], w1 = weight[i][1], w2 = weight[i][2], w3 = weight[i][3],
                           w4 = weight[i][4];
#pragma GCC unroll 4
            for (unsigned k = 0; k < outputs; ++k)
                out[k] = throughCurve(
                    curves, k, finish((n0[k] * w0 + n1[k] * w1 + n2[k] * w2 + n3[k] * w3 + n4[k] * w4 + 128) >> 8));
        }
    }
}

// Any input count; each node's term is rounded on its own.
void simplexN(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
              std::size_t inStride, std::size_t outStride, const uint16_t* const* curves)
{
    const unsigned inputs = clut.numInputs;
    const unsigned outputs = clut.numOutputs;
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        uint32_t fraction[16] = {};
        uint32_t base = 0;
        for (unsigned c = 0; c < inputs; ++c) {
            const GridPosition p = gridPosition(in[c], clut.gridPoints[c], clut.strides[c]);
            base += p.offset;
            fraction[c] = p.fraction;
        }
        unsigned order[16] = {};
        sortByFraction(fraction, order, inputs);

        uint32_t sum[16];
        const uint16_t* node = clut.nodes + base;
        uint32_t weight = 65536 - fraction[order[0]];
        for (unsigned k = 0; k < outputs; ++k)
            sum[k] = (node[k] * weight + 128) >> 8;
        for (unsigned j = 0; j < inputs; ++j) {
            node += clut.strides[order[j]];
            weight = fraction[order[j]] - (j + 1 < inputs ? fraction[order[j + 1]] : 0);
            for (unsigned k = 0; k < outputs; ++k)
                sum[k] += (node[k] * weight + 128) >> 8;
        }
        for (unsigned k = 0; k < outputs; ++k)
            out[k] = throughCurve(curves, k, finish(sum[k]));
    }
}

// A node's values on the 0..65535 scale.
inline double nodeValue(const uint16_t* node, unsigned k)
{
    return node[k];
}

inline double nodeValue(const uint8_t* node, unsigned k)
{
    return node[k] * 257.0;
}

template <typename Node>
void simplexDouble(const ClutTable<Node>& clut, const double* in, double* out)
{
    const unsigned inputs = clut.numInputs;
    const unsigned outputs = clut.numOutputs;
    // The first entries are set for a table of no inputs, which reads one node.
    double fraction[16];
    fraction[0] = 0.0;
    std::size_t offset = 0;
    for (unsigned c = 0; c < inputs; ++c) {
        const uint32_t last = clut.gridPoints[c] - 1;
        const double p = last * in[c] / 65535.0;
        uint32_t base;
        if (p < 0.0)
            base = 0;
        else if (p < last)
            base = static_cast<uint32_t>(p); // p is not negative here, so this is floor(p)
        else
            base = last - 1; // also for NaN, so the cell stays inside the grid
        fraction[c] = p - base;
        offset += base * clut.strides[c];
    }

    unsigned order[16];
    order[0] = 0;
    sortByFraction(fraction, order, inputs);

    // No node is read where a weight is 0.
    const Node* node = clut.nodes + offset;
    const double first = 1.0 - fraction[order[0]];
    for (unsigned k = 0; k < outputs; ++k)
        out[k] = nodeValue(node, k) * first;
    for (unsigned j = 0; j < inputs; ++j) {
        node += clut.strides[order[j]];
        const double weight = fraction[order[j]] - (j + 1 < inputs ? fraction[order[j + 1]] : 0.0);
        if (weight == 0.0)
            continue;
        for (unsigned k = 0; k < outputs; ++k)
            out[k] += nodeValue(node, k) * weight;
    }
}

} // namespace

void simplex(const Clut16& clut, const double* in, double* out)
{
    simplexDouble(clut, in, out);
}

void simplex(const Clut8& clut, const double* in, double* out)
{
    simplexDouble(clut, in, out);
}

bool kernelSupported(ClutKernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (kernel) {
    case ClutKernel::SSE41: return __builtin_cpu_supports("sse4.1");
    case ClutKernel::AVX2: return __builtin_cpu_supports("avx2");
    case ClutKernel::Scalar: break;
    }
#endif
    return kernel == ClutKernel::Scalar;
}

ClutKernel fastestKernel()
{
    static const ClutKernel fastest = kernelSupported(ClutKernel::AVX2)    ? ClutKernel::AVX2
                                      : kernelSupported(ClutKernel::SSE41) ? ClutKernel::SSE41
                                                                           : ClutKernel::Scalar;
    return fastest;
}

void clut16(const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
            std::size_t outStride, const uint16_t* const* outputCurves)
{
    clut16(fastestKernel(), clut, in, out, count, inStride, outStride, outputCurves);
}

void clut16(ClutKernel kernel, const Clut16& clut, const uint16_t* in, uint16_t* out, std::size_t count,
            std::size_t inStride, std::size_t outStride, const uint16_t* const* outputCurves)
{
    if (inStride == 0)
        inStride = clut.numInputs;
    if (outStride == 0)
        outStride = clut.numOutputs;
    if (kernel != ClutKernel::Scalar && simd::handles(clut)) {
        if (kernel == ClutKernel::AVX2)
            simd::clutAVX2(clut, in, out, count, inStride, outStride, outputCurves);
        else
            simd::clutSSE41(clut, in, out, count, inStride, outStride, outputCurves);
        return;
    }
    // Printer tables have three or four outputs; fixing the count lets the
    // compiler unroll the output loop.
    const uint16_t* const* curves = outputCurves;
    if (clut.numInputs == 3) {
        switch (clut.numOutputs) {
        case 3: tetrahedral<3>(clut, in, out, count, inStride, outStride, curves); break;
        case 4: tetrahedral<4>(clut, in, out, count, inStride, outStride, curves); break;
        default: tetrahedral<0>(clut, in, out, count, inStride, outStride, curves); break;
        }
    } else if (clut.numInputs == 4) {
        switch (clut.numOutputs) {
        case 3: pentachoral<3>(clut, in, out, count, inStride, outStride, curves); break;
        case 4: pentachoral<4>(clut, in, out, count, inStride, outStride, curves); break;
        default: pentachoral<0>(clut, in, out, count, inStride, outStride, curves); break;
        }
    } else {
        simplexN(clut, in, out, count, inStride, outStride, curves);
    }
}

} // namespace cs1DInterpolate
