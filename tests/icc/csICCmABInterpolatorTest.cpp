#include "LutBuilder.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCTagTable.h"
#include "csICCmABInterpolator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// Nodes of an affine function of the grid position in whole 8-bit steps, so
// that 8-bit CLUTs hold them exactly; simplex interpolation reproduces such
// a function anywhere in the grid, whatever the grid of each input.
struct StepNodes
{
    std::vector<unsigned> grid;
    uint16_t operator()(const std::vector<unsigned>& g, unsigned output) const
    {
        unsigned v = 10 + 5 * output;
        for (std::size_t c = 0; c < g.size(); ++c)
            v += (c % 3 + 1) * g[c];
        return static_cast<uint16_t>(v * 257);
    }
    double at(const double* codes, unsigned output) const
    {
        double v = 10 + 5 * output;
        for (std::size_t c = 0; c < grid.size(); ++c)
            v += (c % 3 + 1) * codes[c] / 65535.0 * (grid[c] - 1);
        return v * 257;
    }
};

// Values in 0..1 stay in 0..1; every entry and offset is exact in s15Fixed16.
const std::vector<double> matrix = {0.5, 0.25, 0, 0, 0.5, 0.25, 0.25, 0, 0.5, 0.125, 0.0625, 0.25};

void applyMatrix(double* v)
{
    const double x[3] = {v[0], v[1], v[2]};
    for (int r = 0; r < 3; ++r)
        v[r] = matrix[3 * r] * x[0] + matrix[3 * r + 1] * x[1] + matrix[3 * r + 2] * x[2] + matrix[9 + r] * 65535;
}

TEST(LutABInterpolator, ElementsActInTheirOrderOnGridsPerInput)
{
    struct Case { bool bToA; unsigned inputs, outputs; std::vector<unsigned> grid; unsigned precision; bool matrix; };
    // Identity curves around: what is left is the CLUT and the matrix, on
    // the PCS side of the CLUT.
    const Case cases[] = {
        {true, 3, 4, {5, 3, 9}, 2, true},
        {true, 3, 3, {}, 2, true},
        {false, 4, 3, {3, 5, 2, 4}, 1, true},
        {false, 3, 3, {2, 9, 3}, 2, false},
        {false, 5, 2, {2, 3, 2, 3, 2}, 2, false},
        {false, 1, 1, {4}, 1, false},
    };
    std::mt19937 random(5);
    std::uniform_int_distribution<int> code(0, 65535);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.bToA ? "mBA " : "mAB ") << c.inputs << " to " << c.outputs << ", "
                                        << c.grid.size() << " grids, precision " << c.precision);
        LutABShape shape;
        shape.bToA = c.bToA;
        shape.inputs = c.inputs;
        shape.outputs = c.outputs;
        shape.grid = c.grid;
        shape.precision = c.precision;
        shape.mCurves = true;
        if (c.matrix)
            shape.matrix = matrix;
        const StepNodes nodes{c.grid};
        const std::vector<uint8_t> bytes = buildLutAB(shape, nodes);
        csErrorLog::clear();
        std::unique_ptr<csICCTag> tag =
            csICCTagTable::tagFactory(csSig("A2B0"), static_cast<uint32_t>(bytes.size()), bytes.data());
        auto* lut = dynamic_cast<csICCmABTag*>(tag.get());
        ASSERT_NE(lut, nullptr) << logText();
        csICCmABInterpolator interpolator(lut);

        for (int i = 0; i < 200; ++i) {
            uint16_t in16[16], out16[16];
            rfloat inF[16], outF[16];
            double expected[16];
            for (unsigned k = 0; k < c.inputs; ++k)
                expected[k] = inF[k] = in16[k] = static_cast<uint16_t>(code(random));
            if (c.matrix && c.bToA)
                applyMatrix(expected);
            if (!c.grid.empty()) {
                double position[16];
                std::copy(expected, expected + c.inputs, position);
                for (unsigned k = 0; k < c.outputs; ++k)
                    expected[k] = nodes.at(position, k);
            }
            if (c.matrix && !c.bToA)
                applyMatrix(expected);
            interpolator.convert(in16, out16, 1);
            interpolator.convert(inF, outF, 1);
            for (unsigned k = 0; k < c.outputs; ++k) {
                // The 16-bit path rounds after the matrix and in the kernel.
                EXPECT_NEAR(out16[k], expected[k], 2) << k;
                // Single-precision parametric curves of gamma 1.
                EXPECT_NEAR(outF[k], expected[k], 0.05) << k;
            }
        }
    }
}

} // namespace
