#include "ClutGrid.h"

#include "csICCmftTag.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double fullScale = 65535.0;
constexpr double eightBitScale = 255.0;

} // namespace

ClutGrid::ClutGrid(const ClutNodes& nodes)
    : nodes_(nodes), inputs_(nodes.numInputs()), channels_(nodes.numOutputs())
{
    for (int k = int(inputs_) - 1; k >= 0; --k) {
        grid_[k] = nodes_.gridPoints()[k];
        stride_[k] = nodeCount_;
        nodeCount_ *= grid_[k];
    }
}

void ClutGrid::indices(std::size_t node, uint16_t* out) const
{
    for (unsigned k = 0; k < inputs_; ++k)
        out[k] = static_cast<uint16_t>(index(node, k));
}

std::vector<double> ClutGrid::values() const
{
    std::vector<double> values(nodeCount_ * channels_);
    uint16_t at[maxInputs];
    for (std::size_t n = 0; n < nodeCount_; ++n) {
        indices(n, at);
        double* v = &values[n * channels_];
        nodes_.getDouble(at, v);
        for (unsigned c = 0; c < channels_; ++c)
            v[c] /= fullScale;
    }
    return values;
}

void ClutGrid::setNode(std::size_t node, const double* values)
{
    uint16_t at[maxInputs];
    indices(node, at);
    uint16_t codes[csICCmftTag::maxChannels];
    for (unsigned c = 0; c < channels_; ++c) {
        const double v = std::clamp(values[c], 0.0, 1.0);
        // An 8-bit tag keeps the high byte of the 16-bit value: code x 257 has it.
        codes[c] = eightBit() ? static_cast<uint16_t>(std::round(v * eightBitScale) * 257.0)
                              : static_cast<uint16_t>(std::round(v * fullScale));
    }
    nodes_.set(at, codes);
}

double ClutGrid::quantised(double value) const
{
    const double scale = eightBit() ? eightBitScale : fullScale;
    return std::round(std::clamp(value, 0.0, 1.0) * scale) / scale;
}

double ClutGrid::codeStep() const
{
    return 1.0 / (eightBit() ? eightBitScale : fullScale);
}

void ClutGrid::simplex(const double* position, std::size_t* nodes, double* weights) const
{
    double fraction[maxInputs] = {};
    std::size_t base = 0;
    for (unsigned k = 0; k < inputs_; ++k) {
        const unsigned last = grid_[k] - 1;
        const double p = last * position[k] / fullScale;
        const unsigned cell = p < 0.0 ? 0 : p < last ? static_cast<unsigned>(p) : last - 1;
        fraction[k] = std::clamp(p - cell, 0.0, 1.0);
        base += cell * stride_[k];
    }
    // Falling fraction; an input whose fraction equals an earlier one goes after it.
    unsigned order[maxInputs] = {};
    for (unsigned i = 0; i < inputs_; ++i) {
        unsigned j = i;
        while (j > 0 && fraction[order[j - 1]] < fraction[i]) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    nodes[0] = base;
    weights[0] = 1.0 - fraction[order[0]];
    for (unsigned j = 0; j < inputs_; ++j) {
        nodes[j + 1] = nodes[j] + stride_[order[j]];
        weights[j + 1] = fraction[order[j]] - (j + 1 < inputs_ ? fraction[order[j + 1]] : 0.0);
    }
}

void ClutGrid::neighbours(std::size_t node, std::vector<std::size_t>& out) const
{
    out.clear();
    for (unsigned k = 0; k < inputs_; ++k) {
        const unsigned i = index(node, k);
        if (i > 0)
            out.push_back(node - stride_[k]);
        if (i + 1 < grid_[k])
            out.push_back(node + stride_[k]);
    }
}

int ClutGrid::ringsFor(double span) const
{
    if (!(span > 0))
        return 0;
    unsigned widest = 2;
    for (unsigned d = 0; d < inputs_; ++d)
        widest = std::max(widest, grid_[d]);
    return std::max(1, int(std::lround(span * (widest - 1))));
}

std::vector<std::size_t> ClutGrid::withRings(std::vector<std::size_t> nodes, int rings) const
{
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    std::vector<std::size_t> around;
    for (int ring = 0; ring < rings; ++ring) {
        std::vector<std::size_t> grown = nodes;
        for (std::size_t node : nodes) {
            neighbours(node, around);
            grown.insert(grown.end(), around.begin(), around.end());
        }
        std::sort(grown.begin(), grown.end());
        grown.erase(std::unique(grown.begin(), grown.end()), grown.end());
        nodes.swap(grown);
    }
    return nodes;
}
