#include "LutBuilder.h"

#include "csICCNumber.h"

#include <cmath>
#include <cstring>

uint16_t identityCurve(unsigned, unsigned index, unsigned entries)
{
    return static_cast<uint16_t>(std::lround(index * 65535.0 / (entries - 1)));
}

namespace {

unsigned entriesIn(const LutShape& shape)
{
    return shape.lut16 ? shape.inputEntries : 256;
}

unsigned entriesOut(const LutShape& shape)
{
    return shape.lut16 ? shape.outputEntries : 256;
}

std::size_t nodeCount(const LutShape& shape)
{
    std::size_t nodes = 1;
    for (unsigned c = 0; c < shape.inputs; ++c)
        nodes *= shape.gridPoints;
    return nodes;
}

} // namespace

std::size_t lutSize(const LutShape& shape)
{
    const std::size_t precision = shape.lut16 ? 2 : 1;
    return (shape.lut16 ? 52 : 48) +
           precision * (entriesIn(shape) * shape.inputs + nodeCount(shape) * shape.outputs +
                        entriesOut(shape) * shape.outputs);
}

std::vector<uint8_t> buildLut(const LutShape& shape, const NodeFunction& node, const CurveFunction& inputCurve,
                              const CurveFunction& outputCurve, const std::vector<int32_t>& matrix)
{
    std::vector<uint8_t> bytes(lutSize(shape), 0);
    std::memcpy(bytes.data(), shape.lut16 ? "mft2" : "mft1", 4);
    bytes[8] = static_cast<uint8_t>(shape.inputs);
    bytes[9] = static_cast<uint8_t>(shape.outputs);
    bytes[10] = static_cast<uint8_t>(shape.gridPoints >= 256 ? shape.gridPoints - 256 : shape.gridPoints);
    for (int i = 0; i < 9; ++i)
        csSetUInt32(&bytes[12 + 4 * i], static_cast<uint32_t>(matrix.empty() ? (i % 4 == 0 ? 0x10000 : 0) : matrix[i]));

    std::size_t at = 48;
    if (shape.lut16) {
        csSetUInt16(&bytes[48], static_cast<uint16_t>(shape.inputEntries));
        csSetUInt16(&bytes[50], static_cast<uint16_t>(shape.outputEntries));
        at = 52;
    }
    auto put = [&](uint16_t value) {
        if (shape.lut16) {
            csSetUInt16(&bytes[at], value);
            at += 2;
        } else {
            bytes[at++] = static_cast<uint8_t>(value >> 8);
        }
    };
    for (unsigned c = 0; c < shape.inputs; ++c)
        for (unsigned i = 0; i < entriesIn(shape); ++i)
            put(inputCurve(c, i, entriesIn(shape)));
    std::vector<unsigned> grid(shape.inputs, 0);
    for (std::size_t n = 0; n < nodeCount(shape); ++n) {
        // The first input varies slowest.
        std::size_t rest = n;
        for (unsigned c = shape.inputs; c-- > 0;) {
            grid[c] = static_cast<unsigned>(rest % shape.gridPoints);
            rest /= shape.gridPoints;
        }
        for (unsigned k = 0; k < shape.outputs; ++k)
            put(node(grid, k));
    }
    for (unsigned k = 0; k < shape.outputs; ++k)
        for (unsigned i = 0; i < entriesOut(shape); ++i)
            put(outputCurve(k, i, entriesOut(shape)));
    return bytes;
}
