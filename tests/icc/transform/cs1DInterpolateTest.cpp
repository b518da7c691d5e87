#include "cs1DInterpolate.h"
#include "csICCNumber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace cs1DInterpolate;

TEST(OneDimensionalInterpolation, InterpolatesAndExtrapolatesTheEndSegments)
{
    const uint16_t table[] = {1000, 3000, 2000};
    struct Case { double v; double expected; };
    const Case cases[] = {
        {0, 1000}, {65535, 2000}, {32767.5, 3000}, {16383.75, 2000}, {49151.25, 2500},
        {-32767.5, -1000}, // the first segment continued below 0
        {81918.75, 1500},  // the last segment continued above 65535
    };
    uint8_t bigEndian[6];
    uint8_t eightBit[3];
    for (int i = 0; i < 3; ++i) {
        csSetUInt16(bigEndian + 2 * i, table[i]);
        eightBit[i] = static_cast<uint8_t>(table[i] / 100);
    }
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(interpolate16(table, 3, c.v), c.expected) << c.v;
        EXPECT_DOUBLE_EQ(interpolate16BE(bigEndian, 3, c.v), c.expected) << c.v;
        EXPECT_NEAR(interpolate8(eightBit, 3, c.v), c.expected / 100 * 257, 1e-9) << c.v;
    }
    EXPECT_TRUE(std::isnan(interpolate16(table, 3, std::numeric_limits<double>::quiet_NaN())));
}

// Every code of tables of every kind of length and content: the expansion,
// worked out in integers, against the double-precision interpolation
// rounded, which is what it stands for.
TEST(OneDimensionalInterpolation, ExpansionIsTheRoundedInterpolationAtEveryCode)
{
    std::mt19937 random(23);
    std::uniform_int_distribution<int> code(0, 65535);
    const std::size_t lengths[] = {2, 3, 5, 17, 255, 256, 1023, 1024, 4096, 4097, 65535};
    for (std::size_t n : lengths)
        for (int kind = 0; kind < 4; ++kind) {
            std::vector<uint16_t> table(n);
            for (std::size_t i = 0; i < n; ++i)
                table[i] = kind == 0   ? static_cast<uint16_t>(code(random))                   // anything
                           : kind == 1 ? static_cast<uint16_t>(i * 65535 / (n - 1))              // rising
                           : kind == 2 ? static_cast<uint16_t>(i % 2 ? 65535 : 0)                // steepest
                                       : static_cast<uint16_t>(code(random) % 256 * 257);        // 8-bit
            std::vector<uint16_t> out(fullTableSize);
            expand16(table.data(), n, out.data());
            std::size_t wrong = 0;
            for (std::size_t c = 0; c < fullTableSize && wrong < 3; ++c) {
                const double v = interpolate16(table.data(), n, static_cast<double>(c)) + 0.5;
                const uint16_t expected = static_cast<uint16_t>(v <= 0.0 ? 0.0 : v >= 65535.0 ? 65535.0 : v);
                if (out[c] != expected) {
                    ++wrong;
                    ADD_FAILURE() << n << " entries, kind " << kind << ", code " << c << ": " << out[c]
                                  << " instead of " << expected;
                }
            }
        }
}

TEST(OneDimensionalInterpolation, ExpandRoundsEveryCode)
{
    std::vector<uint16_t> out(fullTableSize);
    const uint16_t identity[] = {0, 65535};
    expand16(identity, 2, out.data());
    for (std::size_t c = 0; c < fullTableSize; c += 4099)
        EXPECT_EQ(out[c], c);

    // Half of 0..65535: every odd code lands just short of a half.
    const uint16_t half[] = {0, 32767};
    expand16(half, 2, out.data());
    EXPECT_EQ(out[1], 0); // 0.499992 rounds down
    EXPECT_EQ(out[2], 1); // 0.999985
    EXPECT_EQ(out[3], 1); // 1.499977 rounds down
    EXPECT_EQ(out[65535], 32767);

    uint8_t bigEndian[4];
    csSetUInt16(bigEndian, 100);
    csSetUInt16(bigEndian + 2, 60000);
    std::vector<uint16_t> fromBigEndian(fullTableSize);
    const uint16_t host[] = {100, 60000};
    expand16BE(bigEndian, 2, fromBigEndian.data());
    expand16(host, 2, out.data());
    EXPECT_EQ(fromBigEndian, out);
    EXPECT_EQ(csGetUInt16(bigEndian), 100) << "the source stays as it was";

    const uint8_t ramp[] = {0, 255};
    expand8(ramp, 2, out.data());
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[65535], 65535);
}

TEST(OneDimensionalInterpolation, InvertTable)
{
    std::vector<uint16_t> table(fullTableSize), inverse(fullTableSize);
    struct Case
    {
        const char* what;
        uint16_t (*curve)(std::size_t);
        std::vector<std::pair<uint16_t, uint16_t>> expected; // (output code, inverse)
    };
    const Case cases[] = {
        {"identity", [](std::size_t i) { return uint16_t(i); }, {{0, 0}, {1234, 1234}, {65535, 65535}}},
        {"falling", [](std::size_t i) { return uint16_t(65535 - i); }, {{0, 65535}, {1, 65534}, {65535, 0}}},
        // Flat at 0 up to index 1000, then rising: code 0 maps to the start
        // of the run, code 1 to its end.
        {"flat start", [](std::size_t i) { return uint16_t(i < 1000 ? 0 : i); }, {{0, 0}, {1, 1000}, {5000, 5000}}},
        // Reaches only 30000: the codes above map to the last index.
        {"short", [](std::size_t i) { return uint16_t(i * 30000 / 65535); }, {{30000, 65535}, {30001, 65535}, {65535, 65535}}},
        // Falling from 40000: the codes above the top map to index 0.
        {"falling short", [](std::size_t i) { return uint16_t(40000 - i * 40000 / 65535); },
         {{40000, 1}, {40001, 0}, {65535, 0}}}, // entries 0 and 1 both hold 40000
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < fullTableSize; ++i)
            table[i] = c.curve(i);
        invertTable(table.data(), inverse.data());
        for (const auto& [code, index] : c.expected)
            EXPECT_EQ(inverse[code], index) << c.what << " at " << code;
    }
}

// Smooth curves, rising and falling, are held compact within the bound, with
// the full table's head where a gamma below 1 bends sharply near 0; jagged
// ones and steps are not. The largest difference is checked again here
// over every input.
TEST(CompactCurve, HeldOnlyWithinTheBound)
{
    struct Case { const char* name; double (*curve)(double); bool compact; bool head; };
    const Case cases[] = {
        {"gamma 2.2", [](double x) { return std::pow(x, 2.2); }, true, false},
        {"falling gamma 1.8", [](double x) { return std::pow(1 - x, 1.8); }, true, false},
        {"gamma 0.8", [](double x) { return std::pow(x, 0.8); }, true, true},
        {"step at one half", [](double x) { return x < 0.5 ? 0.1 : 0.9; }, false, false},
        {"ripple", [](double x) { return 0.5 + 0.4 * std::sin(x * 6000); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint16_t> full(fullTableSize);
        for (std::size_t x = 0; x < fullTableSize; ++x)
            full[x] = static_cast<uint16_t>(std::lround(c.curve(x / 65535.0) * 65535.0));
        CompactCurve16 compact;
        ASSERT_EQ(makeCompact(full.data(), 1, compact), c.compact);
        if (!c.compact) {
            EXPECT_TRUE(compact.segment.empty());
            continue;
        }
        EXPECT_EQ(compact.head > 0, c.head);
        unsigned largest = 0;
        for (uint32_t x = 0; x < fullTableSize; ++x)
            largest = std::max(largest, unsigned(std::abs(int(compact(x)) - int(full[x]))));
        EXPECT_LE(largest, 1u);
        EXPECT_EQ(largest, compact.largestError);
        EXPECT_EQ(compact(0), full[0]);
        EXPECT_EQ(compact(65535), full[65535]);
    }
    // A bound of none holds what interpolation gives exactly, and no gamma.
    std::vector<uint16_t> level(fullTableSize, 30000), gamma(fullTableSize);
    for (std::size_t x = 0; x < fullTableSize; ++x)
        gamma[x] = static_cast<uint16_t>(std::lround(std::pow(x / 65535.0, 2.2) * 65535.0));
    CompactCurve16 compact;
    EXPECT_TRUE(makeCompact(level.data(), 0, compact));
    EXPECT_EQ(compact.largestError, 0u);
    EXPECT_FALSE(makeCompact(gamma.data(), 0, compact));
}

TEST(FixedPointKernels, VectorFormsGiveTheScalarResultToTheBit)
{
    // Every form the processor runs, against the scalar form, on random
    // nodes (any mix-up of corners or weights shows far beyond rounding).
    // The input kinds are the delicate ones: grid lines, equal fractions,
    // the ends of the range.
    struct Case { unsigned inputs, outputs; std::vector<uint32_t> grid; std::size_t count, inStride, outStride; bool curves; };
    const Case cases[] = {
        {3, 4, {17, 17, 17}, 1000, 0, 0, false}, {3, 3, {2, 2, 2}, 77, 0, 0, false},
        {3, 4, {5, 9, 33}, 129, 4, 5, true},     {3, 3, {17, 17, 17}, 3, 3, 4, true},
        {4, 3, {9, 9, 9, 9}, 1000, 0, 0, false}, {4, 4, {3, 2, 5, 4}, 65, 5, 4, false},
        {4, 3, {9, 9, 9, 9}, 200, 0, 3, true},   {4, 4, {2, 2, 2, 2}, 7, 0, 0, true},
    };
    std::vector<ClutKernel> kernels;
    for (ClutKernel k : {ClutKernel::SSE41, ClutKernel::AVX2})
        if (kernelSupported(k))
            kernels.push_back(k);
    if (kernels.empty())
        GTEST_SKIP() << "this processor runs only the scalar kernels";

    std::mt19937 random(5);
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<std::vector<uint16_t>> curveTables(4, std::vector<uint16_t>(fullTableSize));
    for (auto& table : curveTables)
        for (uint16_t& v : table)
            v = static_cast<uint16_t>(code(random));
    const uint16_t* curves[4] = {curveTables[0].data(), curveTables[1].data(), curveTables[2].data(),
                                 curveTables[3].data()};
    for (const Case& c : cases) {
        uint32_t strides[4] = {};
        std::size_t nodeCount = c.outputs;
        for (unsigned i = c.inputs; i-- > 0;) {
            strides[i] = static_cast<uint32_t>(nodeCount);
            nodeCount *= c.grid[i];
        }
        std::vector<uint16_t> nodes(nodeCount);
        for (uint16_t& v : nodes)
            v = static_cast<uint16_t>(code(random));
        const Clut16 clut{nodes.data(), c.inputs, c.outputs, c.grid.data(), strides};

        const std::size_t inStride = c.inStride ? c.inStride : c.inputs;
        const std::size_t outStride = c.outStride ? c.outStride : c.outputs;
        std::vector<uint16_t> in(c.count * inStride);
        for (std::size_t i = 0; i < c.count; ++i)
            for (unsigned k = 0; k < c.inputs; ++k) {
                const uint32_t last = c.grid[k] - 1;
                uint16_t& v = in[i * inStride + k];
                switch (i % 5) {
                case 0: v = static_cast<uint16_t>(code(random)); break;
                case 1: v = static_cast<uint16_t>(code(random) % c.grid[k] * 65535 / last); break;
                case 2: v = k ? in[i * inStride] : static_cast<uint16_t>(code(random)); break;
                case 3: v = static_cast<uint16_t>(code(random) & 0xFF00); break;
                default: v = code(random) % 2 ? 65535 : 0; break;
                }
            }
        const uint16_t* const* outputCurves = c.curves ? curves : nullptr;
        std::vector<uint16_t> expected(c.count * outStride, 7);
        clut16(ClutKernel::Scalar, clut, in.data(), expected.data(), c.count, c.inStride, c.outStride, outputCurves);
        for (ClutKernel kernel : kernels) {
            SCOPED_TRACE(testing::Message() << (kernel == ClutKernel::AVX2 ? "AVX2 " : "SSE4.1 ") << c.inputs
                                            << " inputs, " << c.outputs << " outputs, " << c.count << " pixels");
            // Elements between pixels stay as they were.
            std::vector<uint16_t> out(c.count * outStride, 7);
            clut16(kernel, clut, in.data(), out.data(), c.count, c.inStride, c.outStride, outputCurves);
            EXPECT_EQ(out, expected);
        }
    }
}

} // namespace
