#include "LutBuilder.h"

#include "csICCNumber.h"

#include <cmath>
#include <cstring>

uint16_t countingNode(const std::vector<unsigned>& grid, unsigned output)
{
    unsigned value = output;
    for (unsigned g : grid)
        value = value * 37 + g * 1000;
    return static_cast<uint16_t>(value);
}

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

std::vector<uint8_t> buildLutAB(const LutABShape& shape, const NodeFunction& node)
{
    std::vector<uint8_t> bytes(32, 0);
    std::memcpy(bytes.data(), shape.bToA ? "mBA " : "mAB ", 4);
    bytes[8] = static_cast<uint8_t>(shape.inputs);
    bytes[9] = static_cast<uint8_t>(shape.outputs);
    auto startElement = [&](unsigned offsetField) {
        bytes.resize((bytes.size() + 3) & ~std::size_t(3), 0);
        csSetUInt32(&bytes[offsetField], static_cast<uint32_t>(bytes.size()));
    };
    auto curves = [&](unsigned offsetField, unsigned channels) {
        startElement(offsetField);
        for (unsigned c = 0; c < channels; ++c) {
            const std::size_t at = bytes.size();
            if (c == 0 && !shape.sampledCurve.empty()) {
                bytes.resize(at + 12 + 2 * shape.sampledCurve.size(), 0);
                std::memcpy(&bytes[at], "curv", 4);
                csSetUInt32(&bytes[at + 8], static_cast<uint32_t>(shape.sampledCurve.size()));
                for (std::size_t k = 0; k < shape.sampledCurve.size(); ++k)
                    csSetUInt16(&bytes[at + 12 + 2 * k], shape.sampledCurve[k]);
                continue;
            }
            bytes.resize(at + (c % 2 ? 16 : 12), 0);
            std::memcpy(&bytes[at], c % 2 ? "para" : "curv", 4);
            if (c % 2)
                csSetS15Fixed16(&bytes[at + 12], 1.0);
        }
    };
    auto clut = [&]() {
        if (shape.grid.empty())
            return;
        startElement(24);
        const std::size_t header = bytes.size();
        bytes.resize(header + 20, 0);
        std::size_t nodes = 1;
        for (unsigned c = 0; c < shape.inputs; ++c) {
            bytes[header + c] = static_cast<uint8_t>(shape.grid[c]);
            nodes *= shape.grid[c];
        }
        bytes[header + 16] = static_cast<uint8_t>(shape.precision);
        std::vector<unsigned> grid(shape.inputs, 0);
        for (std::size_t n = 0; n < nodes; ++n) {
            // The first input varies slowest.
            std::size_t rest = n;
            for (unsigned c = shape.inputs; c-- > 0;) {
                grid[c] = static_cast<unsigned>(rest % shape.grid[c]);
                rest /= shape.grid[c];
            }
            for (unsigned k = 0; k < shape.outputs; ++k) {
                const uint16_t value = node(grid, k);
                if (shape.precision == 2) {
                    bytes.resize(bytes.size() + 2);
                    csSetUInt16(&bytes[bytes.size() - 2], value);
                } else {
                    bytes.push_back(static_cast<uint8_t>(value >> 8));
                }
            }
        }
    };
    auto matrix = [&]() {
        if (shape.matrix.empty())
            return;
        startElement(16);
        for (double v : shape.matrix) {
            bytes.resize(bytes.size() + 4);
            csSetS15Fixed16(&bytes[bytes.size() - 4], v);
        }
    };
    const unsigned pcsSide = shape.bToA ? shape.inputs : shape.outputs;
    const unsigned deviceSide = shape.bToA ? shape.outputs : shape.inputs;
    if (shape.bToA) {
        curves(12, pcsSide);
        matrix();
        if (shape.mCurves)
            curves(20, pcsSide);
        clut();
        curves(28, deviceSide);
    } else {
        curves(28, deviceSide);
        clut();
        if (shape.mCurves)
            curves(20, pcsSide);
        matrix();
        curves(12, pcsSide);
    }
    return bytes;
}
