// The interpolators of lut8/lut16 and "mAB "/"mBA " tables on tables built
// with known contents: curves, matrix and CLUT in their order, both paths.

#include "LutBuilder.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCTagTable.h"
#include "csICCmABInterpolator.h"
#include "csICCmft1Interpolator.h"
#include "csICCmft2Interpolator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace {

// A tag and its interpolator, built from bytes.
struct Lut
{
    std::unique_ptr<csICCTag> tag;
    std::unique_ptr<csICCmftInterpolator> interpolator;

    explicit Lut(const std::vector<uint8_t>& bytes)
        : tag(csICCTagTable::tagFactory(csSig("B2A1"), static_cast<uint32_t>(bytes.size()), bytes.data()))
    {
        if (auto* mft2 = dynamic_cast<csICCmft2Tag*>(tag.get()))
            interpolator = std::make_unique<csICCmft2Interpolator>(mft2);
        else if (auto* mft1 = dynamic_cast<csICCmft1Tag*>(tag.get()))
            interpolator = std::make_unique<csICCmft1Interpolator>(mft1);
    }
    csICCmftInterpolator& operator*() { return *interpolator; }
    csICCmftInterpolator* operator->() { return interpolator.get(); }
};

// Nodes of an affine function of the grid position: simplex interpolation
// reproduces such a function exactly anywhere in the grid.
struct AffineNodes
{
    unsigned gridPoints;
    double value(const std::vector<double>& position, unsigned output) const
    {
        // position in 0..1 per input
        // Stays inside 0..65535 for up to six inputs and four outputs.
        double v = 1000.0 + 2000.0 * output;
        for (std::size_t c = 0; c < position.size(); ++c)
            v += (c % 2 ? 1.0 : 2.0) * (2000.0 + 300.0 * output) * position[c];
        return v;
    }
    uint16_t operator()(const std::vector<unsigned>& grid, unsigned output) const
    {
        std::vector<double> position;
        for (unsigned g : grid)
            position.push_back(double(g) / (gridPoints - 1));
        return static_cast<uint16_t>(std::lround(value(position, output)));
    }
};

TEST(MftInterpolator, AffineTablesAreReproducedForEveryInputCount)
{
    struct Case { unsigned inputs, outputs, gridPoints; bool lut16; };
    // Node values are rounded to whole codes, so grids whose nodes do not
    // land on whole codes are off by up to half a code plus the kernel's
    // own rounding.
    const Case cases[] = {
        {1, 1, 2, true}, {1, 3, 17, true}, {2, 2, 5, true}, {3, 3, 2, true}, {3, 4, 17, true},
        {3, 3, 9, false}, {4, 3, 9, true}, {4, 1, 3, false}, {5, 2, 4, true}, {6, 4, 3, true},
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<int> code(0, 65535);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputs << " inputs, " << c.outputs << " outputs, grid " << c.gridPoints
                                        << (c.lut16 ? ", mft2" : ", mft1"));
        LutShape shape;
        shape.lut16 = c.lut16;
        shape.inputs = c.inputs;
        shape.outputs = c.outputs;
        shape.gridPoints = c.gridPoints;
        const AffineNodes nodes{c.gridPoints};
        Lut lut(buildLut(shape, nodes));
        ASSERT_TRUE(lut.interpolator);
        // 8-bit nodes keep only their high byte.
        const double nodeError = c.lut16 ? 0.5 : 256.0;

        for (int trial = 0; trial < 300; ++trial) {
            std::vector<uint16_t> in16(c.inputs);
            std::vector<double> position(c.inputs);
            for (unsigned k = 0; k < c.inputs; ++k) {
                in16[k] = static_cast<uint16_t>(trial == 0 ? 0 : trial == 1 ? 65535 : code(random));
                position[k] = in16[k] / 65535.0;
            }
            std::vector<rfloat> inF(in16.begin(), in16.end()), outF(c.outputs);
            std::vector<uint16_t> out16(c.outputs);
            lut->clut(inF.data(), outF.data(), 1);
            lut->clut(in16.data(), out16.data(), 1);
            for (unsigned k = 0; k < c.outputs; ++k) {
                const double exact = nodes.value(position, k);
                ASSERT_NEAR(outF[k], exact, nodeError) << "output " << k << ", trial " << trial;
                // The fixed-point position stretches by 65536/65535, so it
                // may be one code further off.
                ASSERT_NEAR(out16[k], exact, nodeError + 1.5) << "output " << k << ", trial " << trial;
            }
        }
    }
}

TEST(MftInterpolator, FixedPointAndDoubleSimplexPickTheSameSimplex)
{
    // Random nodes: any mix-up of simplex order or strides in a kernel shows
    // as a difference far beyond rounding.
    struct Case { unsigned inputs, outputs, gridPoints; };
    const Case cases[] = {{3, 4, 17}, {3, 3, 5}, {4, 3, 9}, {4, 4, 3}, {5, 3, 3}, {2, 2, 7}};
    std::mt19937 random(11);
    std::uniform_int_distribution<int> code(0, 65535);
    for (const Case& c : cases) {
        LutShape shape;
        shape.inputs = c.inputs;
        shape.outputs = c.outputs;
        shape.gridPoints = c.gridPoints;
        Lut lut(buildLut(shape, [&](const std::vector<unsigned>&, unsigned) { return uint16_t(code(random)); }));
        ASSERT_TRUE(lut.interpolator);
        double largest = 0;
        for (int trial = 0; trial < 2000; ++trial) {
            uint16_t in16[8];
            rfloat inF[8], outF[8];
            uint16_t out16[8];
            for (unsigned k = 0; k < c.inputs; ++k) {
                // Inputs on grid lines and equal fractions are the delicate cases.
                const int kind = trial % 4;
                in16[k] = static_cast<uint16_t>(kind == 0 ? code(random)
                                                : kind == 1 ? (code(random) % c.gridPoints) * 65535 / (c.gridPoints - 1)
                                                : kind == 2 ? in16[0]
                                                            : code(random) & 0xFF00);
                inF[k] = in16[k];
            }
            lut->clut(in16, out16, 1);
            lut->clut(inF, outF, 1);
            for (unsigned k = 0; k < c.outputs; ++k)
                largest = std::max(largest, std::abs(out16[k] - outF[k]));
        }
        // The fixed-point position is stretched by up to 1/65535 of a cell,
        // which moves the result by at most the spread of the cell's nodes
        // over 65535 cells' worth of codes: a few codes for random nodes.
        EXPECT_LE(largest, 4.0) << c.inputs << " inputs";
    }
}

TEST(MftInterpolator, EdgesOfTheGrid)
{
    // Grid of 2: node (0,0,0) holds 0, node (1,1,1) 65535, the rest 30000.
    LutShape shape;
    shape.outputs = 1;
    Lut lut(buildLut(shape, [](const std::vector<unsigned>& g, unsigned) {
        return uint16_t(g[0] + g[1] + g[2] == 0 ? 0 : g[0] + g[1] + g[2] == 3 ? 65535 : 30000);
    }));
    const uint16_t top[3] = {65535, 65535, 65535};
    const rfloat topF[3] = {65535, 65535, 65535};
    uint16_t out16;
    rfloat outF;
    lut->clut(top, &out16, 1);
    lut->clut(topF, &outF, 1);
    EXPECT_EQ(outF, 65535.0) << "the double path returns the last node exactly";
    EXPECT_EQ(out16, 65534) << "the fixed-point path leaves 1/65536 on the base node";
    const uint16_t bottom[3] = {0, 0, 0};
    const rfloat bottomF[3] = {0, 0, 0};
    lut->clut(bottom, &out16, 1);
    lut->clut(bottomF, &outF, 1);
    EXPECT_EQ(out16, 0);
    EXPECT_EQ(outF, 0.0);

    // Equal nodes: the fixed-point top edge gives the node value itself.
    Lut flat(buildLut(shape, [](const std::vector<unsigned>&, unsigned) { return uint16_t(40000); }));
    flat->clut(top, &out16, 1);
    EXPECT_EQ(out16, 40000);

    // Inputs beyond the range extrapolate in the double path without
    // leaving the grid.
    const rfloat beyond[3] = {70000, -5000, std::nan("")};
    flat->clut(beyond, &outF, 1);
    SUCCEED();
}

TEST(MftInterpolator, CurvesInBothPathsAndTheirInverse)
{
    // A falling input curve on channel 0, a flat start on channel 1, and an
    // output curve that squares.
    auto inputCurve = [](unsigned channel, unsigned index, unsigned entries) {
        const double t = double(index) / (entries - 1);
        if (channel == 0)
            return uint16_t(std::lround((1.0 - t) * 65535));
        if (channel == 1)
            return uint16_t(t < 0.25 ? 1000 : std::lround(1000 + (t - 0.25) / 0.75 * 64535));
        return uint16_t(std::lround(t * 65535));
    };
    auto outputCurve = [](unsigned, unsigned index, unsigned entries) {
        const double t = double(index) / (entries - 1);
        return uint16_t(std::lround(t * t * 65535));
    };
    for (bool lut16 : {true, false}) {
        SCOPED_TRACE(lut16 ? "mft2" : "mft1");
        LutShape shape;
        shape.lut16 = lut16;
        shape.inputEntries = 257;
        shape.outputEntries = 1024;
        Lut lut(buildLut(shape, AffineNodes{2}, inputCurve, outputCurve));

        const uint16_t in[3] = {0, 8192, 32768};
        uint16_t curved[3];
        rfloat inF[3] = {0, 8192, 32768}, curvedF[3];
        lut->inputCurves(in, curved, 1);
        lut->inputCurves(inF, curvedF, 1);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(curved[c], curvedF[c], 0.5) << c;
        EXPECT_EQ(curved[0], lut16 ? 65535 : 65535);
        EXPECT_NEAR(curved[1], 1000, lut16 ? 0 : 257);

        uint16_t inverse[3];
        lut->inverseInputCurves(curved, inverse, 1);
        EXPECT_EQ(inverse[0], 0) << "a falling curve inverts to a falling index";
        EXPECT_GT(inverse[1], 16000) << "a flat start inverts to the end of the run";
        EXPECT_NEAR(inverse[2], 32768, lut16 ? 1 : 128);

        const uint16_t outIn[3] = {32768, 65535, 0};
        uint16_t outOut[3];
        lut->outputCurves(outIn, outOut, 1);
        EXPECT_NEAR(outOut[0], 16384, lut16 ? 64 : 257);
        EXPECT_EQ(outOut[1], 65535);
        EXPECT_EQ(outOut[2], 0);
    }
}

TEST(MftInterpolator, ConvertRunsTheStagesItsFlagsAllow)
{
    auto halfCurve = [](unsigned, unsigned index, unsigned entries) {
        return uint16_t(std::lround(double(index) / (entries - 1) * 32767));
    };
    LutShape shape;
    shape.outputs = 3;
    shape.inputEntries = 16;
    shape.outputEntries = 16;
    const std::vector<uint8_t> bytes = buildLut(shape, AffineNodes{2}, halfCurve, halfCurve);
    Lut lut(bytes);
    struct Case { bool input, output; };
    for (const Case& c : {Case{true, true}, Case{false, true}, Case{true, false}, Case{false, false}}) {
        lut->setUseInputCurves(c.input);
        lut->setUseOutputCurves(c.output);
        uint16_t in[3] = {65535, 0, 65535}, out[3];
        rfloat inF[3] = {65535, 0, 65535}, outF[3];
        lut->convert(in, out, 1);
        lut->convert(inF, outF, 1);

        uint16_t expectedIn[3] = {65535, 0, 65535}, expected[3];
        if (c.input)
            lut->inputCurves(expectedIn, expectedIn, 1);
        lut->clut(expectedIn, expected, 1);
        if (c.output)
            lut->outputCurves(expected, expected, 1);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(out[k], expected[k]) << c.input << c.output << " output " << k;
            EXPECT_NEAR(outF[k], expected[k], 2.0) << c.input << c.output << " output " << k;
        }
    }
}

TEST(MftInterpolator, MatrixForThreeInputs)
{
    // Swap X and Y, halve Z, and take 1.5 X - 1 Y into the third row.
    const std::vector<int32_t> matrix = {0, 0x10000, 0, 0x10000, 0, 0, 0x18000, -0x10000, 0};
    LutShape shape;
    Lut lut(buildLut(shape, AffineNodes{2}, identityCurve, identityCurve, matrix));
    struct Case { uint16_t in[3]; uint16_t out[3]; };
    const Case cases[] = {
        {{1000, 2000, 3000}, {2000, 1000, 0}},       // 1500 - 2000 < 0 limits to 0
        {{60000, 1000, 0}, {1000, 60000, 65535}},    // 89000 limits to 65535
        {{40000, 30000, 0}, {30000, 40000, 30000}},
    };
    for (const Case& c : cases) {
        uint16_t values[3] = {c.in[0], c.in[1], c.in[2]};
        lut->applyMatrix(values, 1);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(values[k], c.out[k]) << k;
        rfloat valuesF[3] = {double(c.in[0]), double(c.in[1]), double(c.in[2])};
        lut->applyMatrix(valuesF, 1);
        EXPECT_DOUBLE_EQ(valuesF[0], c.in[1]);
        EXPECT_DOUBLE_EQ(valuesF[2], 1.5 * c.in[0] - c.in[1]) << "no limits in floating point";
    }
    // A cleared flag leaves the matrix out of convert.
    lut->setUseMatrix(false);
    uint16_t in[3] = {1000, 2000, 3000}, out[3];
    lut->convert(in, out, 1);
    EXPECT_EQ(in[0], 1000);
}

TEST(MftInterpolator, NodeEditsTakeEffectAtOnce)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    csErrorLog::clear();
    std::unique_ptr<csICCTagTable> table = std::make_unique<csICCTagTable>();
    ASSERT_EQ(table->fromMemory(bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
    auto* tag = dynamic_cast<csICCmft2Tag*>(table->find(csSig("B2A1")));
    ASSERT_NE(tag, nullptr);
    csICCmft2Interpolator interpolator(tag);
    interpolator.setUseInputCurves(false);
    interpolator.setUseOutputCurves(false);

    // Exactly on node (8, 8, 8): 8 of 16 cells is 32767.5.
    const uint16_t grid[3] = {8, 8, 8};
    rfloat in[3] = {32767.5, 32767.5, 32767.5}, before[4], after[4];
    interpolator.convert(in, before, 1);
    uint16_t node[4];
    tag->getClutNode(grid, node);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(before[k], node[k]);
    node[0] = static_cast<uint16_t>(node[0] + 1000);
    tag->setClutNode(grid, node);
    rfloat again[3] = {32767.5, 32767.5, 32767.5};
    interpolator.convert(again, after, 1);
    EXPECT_EQ(after[0], before[0] + 1000);

    // Writing the profile turns the tables back to file order; the next
    // evaluation turns them again and still sees the edit.
    std::vector<uint8_t> block;
    ASSERT_EQ(table->assemble(block), 0);
    EXPECT_FALSE(tag->inHostOrder());
    rfloat third[3] = {32767.5, 32767.5, 32767.5};
    interpolator.convert(third, after, 1);
    EXPECT_EQ(after[0], before[0] + 1000);
}

TEST(MftInterpolator, WithoutATagNothingHappens)
{
    csICCmft2Interpolator empty(nullptr);
    uint16_t in[3] = {1, 2, 3}, out[4] = {9, 9, 9, 9};
    empty.convert(in, out, 1);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(empty.numInputs(), 0u);
}

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

// The kernel forms this processor runs, the scalar one first.
std::vector<cs1DInterpolate::ClutKernel> runnableKernels()
{
    std::vector<cs1DInterpolate::ClutKernel> kernels;
    for (auto k : {cs1DInterpolate::ClutKernel::Scalar, cs1DInterpolate::ClutKernel::SSE41,
                   cs1DInterpolate::ClutKernel::AVX2})
        if (cs1DInterpolate::kernelSupported(k))
            kernels.push_back(k);
    return kernels;
}

// An "mBA " tag built from a shape, with its interpolator.
struct LutAB
{
    std::unique_ptr<csICCTag> tag;
    std::unique_ptr<csICCmABInterpolator> interpolator;

    LutAB(const LutABShape& shape, const NodeFunction& node)
    {
        const std::vector<uint8_t> bytes = buildLutAB(shape, node);
        tag = csICCTagTable::tagFactory(csSig("B2A0"), static_cast<uint32_t>(bytes.size()), bytes.data());
        if (auto* lut = dynamic_cast<csICCmABTag*>(tag.get()))
            interpolator = std::make_unique<csICCmABInterpolator>(lut);
    }
    csICCmABTag* lut() const { return dynamic_cast<csICCmABTag*>(tag.get()); }
};

std::vector<uint16_t> randomCodes(std::size_t n, std::mt19937& random)
{
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> codes(n);
    for (uint16_t& v : codes)
        v = static_cast<uint16_t>(code(random));
    return codes;
}

// Steps of 1/8 of the range a node: an identity on the 0..65535 scale.
uint16_t identityNode(const std::vector<unsigned>& g, unsigned output)
{
    return static_cast<uint16_t>(std::min(65535u, g[output % g.size()] * 8192u));
}

// A curve is read compact only where the tag could hold it within the
// bound: a smooth sampled curve is, and the codes then stay within a few
// codes of the full tables' (an affine CLUT of slope at most 1 and the
// identity elsewhere), with every kernel form alike; a jagged one keeps
// its full table and the exact codes, as do all curves with compact curves
// off.
TEST(LutABInterpolator, CompactCurvesOnlyWithinTheBound)
{
    std::mt19937 random(11);
    std::vector<uint16_t> smooth(256);
    for (std::size_t k = 0; k < smooth.size(); ++k)
        smooth[k] = static_cast<uint16_t>(std::lround(std::pow(k / 255.0, 2.2) * 65535.0));
    const std::vector<uint16_t> jagged = randomCodes(65534, random);
    for (bool isSmooth : {true, false}) {
        SCOPED_TRACE(isSmooth ? "smooth curve" : "jagged curve");
        LutABShape shape;
        shape.bToA = true;
        shape.grid = {9, 9, 9};
        shape.mCurves = true;
        shape.sampledCurve = isSmooth ? smooth : jagged;
        LutAB built(shape, identityNode);
        csICCmABTag* lut = built.lut();
        ASSERT_NE(lut, nullptr) << logText();
        for (auto set : {csICCmABTag::ACurves, csICCmABTag::MCurves, csICCmABTag::BCurves}) {
            const cs1DInterpolate::CompactCurve16* compact = lut->compactCurve(set, 0);
            EXPECT_EQ(compact != nullptr, isSmooth) << set;
            if (compact) {
                EXPECT_LE(compact->largestError, csICCmABTag::compactBound);
            }
            // The identities in between have no table, so nothing to compact.
            EXPECT_EQ(lut->compactCurve(set, 2), nullptr);
        }

        csICCmABInterpolator& interpolator = *built.interpolator;
        const std::size_t count = 1000;
        const std::vector<uint16_t> input = randomCodes(3 * count, random);
        std::vector<uint16_t> work = input, exact(3 * count), compactScalar;
        interpolator.setKernel(cs1DInterpolate::ClutKernel::Scalar);
        interpolator.setCompactCurves(false);
        interpolator.convert(work.data(), exact.data(), count);
        for (auto kernel : runnableKernels())
            for (bool compactCurves : {true, false}) {
                std::vector<uint16_t> again = input, result(3 * count);
                interpolator.setKernel(kernel);
                interpolator.setCompactCurves(compactCurves);
                interpolator.convert(again.data(), result.data(), count);
                int largest = 0;
                for (std::size_t i = 0; i < result.size(); ++i)
                    largest = std::max(largest, std::abs(int(result[i]) - int(exact[i])));
                // Three curves in turn on channel 0, each within 1 code,
                // through slopes of the smooth curve of up to 2.2.
                EXPECT_LE(largest, isSmooth && compactCurves ? 8 : 0) << compactCurves;
                if (isSmooth && compactCurves) {
                    EXPECT_GT(largest, 0) << "the compact curves are read";
                }
                if (compactCurves && kernel == cs1DInterpolate::ClutKernel::Scalar) {
                    compactScalar = result;
                } else if (compactCurves) {
                    EXPECT_EQ(result, compactScalar) << "the same compact codes with every kernel form";
                }
            }
    }
}

// "mBA " tables of every element the compact curves meet: a pixel gets the
// codes of one large call when converted alone, in calls of odd sizes
// around the vector width and the pipeline's smallest call and block, and
// with every kernel form, with compact curves on and off; with them on the
// codes stay within the bound of the full tables'.
TEST(LutABInterpolator, CompactCodesDoNotDependOnTheCall)
{
    std::mt19937 random(5);
    std::vector<uint16_t> smooth(1024), gammaBelow1(4096), ripple(256);
    for (std::size_t k = 0; k < smooth.size(); ++k)
        smooth[k] = static_cast<uint16_t>(std::lround(std::pow(k / 1023.0, 1.8) * 65535.0));
    // Steep near 0: read from the full table's first entries there.
    for (std::size_t k = 0; k < gammaBelow1.size(); ++k)
        gammaBelow1[k] = static_cast<uint16_t>(std::lround(std::pow(k / 4095.0, 0.45) * 65535.0));
    // Too jagged between samples for the bound: the full table throughout.
    for (std::size_t k = 0; k < ripple.size(); ++k)
        ripple[k] = static_cast<uint16_t>(k * 257 + (k % 2 ? 900 : 0) - (k % 2 && k == 255 ? 900 : 0));
    const std::vector<double> offsetMatrix = {0.5, 0.25, 0, 0, 0.5, 0.25, 0.25, 0, 0.5, 0.125, 0.0625, 0.25};
    struct Case
    {
        const char* name;
        std::vector<uint16_t> curve;
        unsigned outputs;
        std::vector<unsigned> grid;
        std::vector<double> matrix;
        bool mCurves;
        int allowed;
    };
    const Case cases[] = {
        {"smooth curves, M curves, 3 to 4", smooth, 4, {9, 7, 5}, {}, true, 8},
        {"gamma below 1 around a matrix", gammaBelow1, 3, {5, 5, 5}, offsetMatrix, true, 16},
        {"rippled curves", ripple, 3, {9, 9, 9}, {}, false, 0},
        {"curves and matrix, no CLUT", smooth, 3, {}, offsetMatrix, true, 8},
    };
    const std::size_t chunks[] = {1, 3, 7, 8, 9, 17, 255, 257};
    const std::size_t count = 700;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LutABShape shape;
        shape.outputs = c.outputs;
        shape.grid = c.grid;
        shape.matrix = c.matrix;
        shape.mCurves = c.mCurves;
        shape.sampledCurve = c.curve;
        LutAB built(shape, identityNode);
        ASSERT_NE(built.interpolator, nullptr) << logText();
        csICCmABInterpolator& interpolator = *built.interpolator;
        EXPECT_EQ(built.lut()->compactCurve(csICCmABTag::BCurves, 0) != nullptr, c.allowed > 0);
        const std::vector<uint16_t> input = randomCodes(3 * count, random);
        std::vector<uint16_t> exact;
        for (bool compact : {false, true}) {
            interpolator.setCompactCurves(compact);
            interpolator.setKernel(cs1DInterpolate::fastestKernel());
            std::vector<uint16_t> work = input, whole(c.outputs * count);
            interpolator.convert(work.data(), whole.data(), count);
            for (auto kernel : runnableKernels()) {
                interpolator.setKernel(kernel);
                for (std::size_t chunk : chunks) {
                    std::vector<uint16_t> again = input, pieces(c.outputs * count);
                    for (std::size_t at = 0; at < count; at += chunk)
                        interpolator.convert(again.data() + 3 * at, pieces.data() + c.outputs * at,
                                             std::min(chunk, count - at));
                    ASSERT_EQ(pieces, whole) << "kernel " << int(kernel) << ", calls of " << chunk
                                             << (compact ? ", compact curves" : ", full tables");
                }
            }
            if (!compact) {
                exact = whole;
                continue;
            }
            int largest = 0;
            for (std::size_t i = 0; i < whole.size(); ++i)
                largest = std::max(largest, std::abs(int(whole[i]) - int(exact[i])));
            EXPECT_LE(largest, c.allowed);
            if (c.allowed > 0) {
                EXPECT_GT(largest, 0) << "the compact curves are read";
            }
        }
    }
}

} // namespace
