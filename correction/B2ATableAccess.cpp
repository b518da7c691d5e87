#include "B2ATableAccess.h"

#include "cs1DInterpolate.h"
#include "csICCcurvTag.h"
#include "csICCmABTag.h"
#include "csICCmftTag.h"

#include <algorithm>
#include <cmath>

csSignature b2aSignature(int intent)
{
    static const csSignature signatures[] = {csSig("B2A0"), csSig("B2A1"), csSig("B2A2")};
    return signatures[intent];
}

namespace {

constexpr double fullScale = 65535.0;
constexpr double eightBitScale = 255.0;
// Entries of the table that stands for a gamma or parametric output curve.
constexpr std::size_t sampledEntries = 4096;

// The output curve of each channel as a table that linear interpolation
// reads as the interpolators evaluate the curve.
std::vector<std::vector<uint16_t>> outputCurves(csICCTag& tag, unsigned channels)
{
    std::vector<std::vector<uint16_t>> curves(channels);
    if (auto* lut = dynamic_cast<csICCmftTag*>(&tag)) {
        const uint32_t entries = lut->outputEntries();
        std::vector<uint16_t> index(channels), value(channels);
        for (auto& curve : curves)
            curve.resize(entries);
        for (uint32_t e = 0; e < entries; ++e) {
            std::fill(index.begin(), index.end(), static_cast<uint16_t>(e));
            lut->getOutputEntry(index.data(), value.data());
            for (unsigned c = 0; c < channels; ++c)
                curves[c][e] = value[c];
        }
        return curves;
    }
    const auto& lut = dynamic_cast<const csICCmABTag&>(tag);
    std::vector<rfloat> samples;
    for (unsigned c = 0; c < channels; ++c) {
        const csICCTag* curve = lut.curve(csICCmABTag::ACurves, c);
        const auto* curv = dynamic_cast<const csICCcurvTag*>(curve);
        if (!curve || (curv && curv->isIdentity())) {
            curves[c] = {0, 65535};
            continue;
        }
        const uint32_t entries = curv ? curv->numEntries() : 0;
        if (curv && !curv->isAnalytic() &&
            csICCcurvTag::headerSize + 2 * uint64_t(entries) <= curv->size()) {
            for (uint32_t e = 0; e < entries; ++e)
                curves[c].push_back(csGetUInt16(curv->data() + csICCcurvTag::headerSize + 2 * e));
            continue;
        }
        if (samples.empty()) {
            samples.resize(sampledEntries * channels);
            for (std::size_t e = 0; e < sampledEntries; ++e)
                std::fill_n(&samples[e * channels], channels, e * fullScale / (sampledEntries - 1));
            lut.curves(csICCmABTag::ACurves, samples.data(), samples.data(), sampledEntries);
        }
        for (std::size_t e = 0; e < sampledEntries; ++e)
            curves[c].push_back(csRoundToCode16(samples[e * channels + c]));
    }
    return curves;
}

} // namespace

bool B2ATableAccess::serves(csICCTag* tag, unsigned channels)
{
    const auto* lutAB = dynamic_cast<const csICCmABTag*>(tag);
    if (lutAB && !lutAB->bToA())
        return false;
    const ClutNodes nodes(tag);
    return nodes && nodes.numInputs() == inputs && nodes.numOutputs() == channels && nodes.gridPoints()[0] >= 2 &&
           nodes.gridPoints()[1] >= 2 && nodes.gridPoints()[2] >= 2;
}

B2ATableAccess::B2ATableAccess(csICCTag& tag)
    : nodes_(&tag), channels_(nodes_.numOutputs())
{
    for (unsigned k = 0; k < inputs; ++k)
        grid_[k] = nodes_.gridPoints()[k];
    nodeCount_ = std::size_t(grid_[0]) * grid_[1] * grid_[2];
    stride_[0] = std::size_t(grid_[1]) * grid_[2];
    stride_[1] = grid_[2];
    stride_[2] = 1;

    curves_ = outputCurves(tag, channels_);
    for (const std::vector<uint16_t>& curve : curves_) {
        const std::size_t entries = curve.size();
        std::vector<double> rising(curve.begin(), curve.end()), positions(entries);
        for (std::size_t e = 0; e < entries; ++e)
            positions[e] = double(e) / (entries - 1);
        if (rising.back() < rising.front()) {
            std::reverse(rising.begin(), rising.end());
            std::reverse(positions.begin(), positions.end());
        }
        for (std::size_t e = 1; e < rising.size(); ++e)
            rising[e] = std::max(rising[e], rising[e - 1]);
        for (double& v : rising)
            v /= fullScale;
        risingCurves_.push_back(std::move(rising));
        risingPositions_.push_back(std::move(positions));
    }
}

void B2ATableAccess::gridIndices(std::size_t node, uint16_t indices[inputs]) const
{
    for (unsigned k = 0; k < inputs; ++k)
        indices[k] = static_cast<uint16_t>(node / stride_[k] % grid_[k]);
}

std::vector<double> B2ATableAccess::clut() const
{
    std::vector<double> values(nodeCount_ * channels_);
    for (std::size_t n = 0; n < nodeCount_; ++n) {
        uint16_t indices[inputs];
        gridIndices(n, indices);
        double* v = values.data() + n * channels_;
        nodes_.getDouble(indices, v);
        for (unsigned c = 0; c < channels_; ++c)
            v[c] /= fullScale;
    }
    return values;
}

void B2ATableAccess::device(const double* clut, double* device, std::size_t count) const
{
    for (std::size_t i = 0; i < count * channels_; ++i) {
        const std::vector<uint16_t>& curve = curves_[i % channels_];
        device[i] = cs1DInterpolate::interpolate16(curve.data(), curve.size(), clut[i] * fullScale) / fullScale;
    }
}

double B2ATableAccess::outputSlope(unsigned channel, double clutValue) const
{
    const std::vector<uint16_t>& curve = curves_[channel];
    const std::size_t last = curve.size() - 1;
    const double p = std::clamp(clutValue, 0.0, 1.0) * last;
    const std::size_t i = std::min(static_cast<std::size_t>(p), last - 1);
    return (double(curve[i + 1]) - double(curve[i])) * last / fullScale;
}

double B2ATableAccess::clutValueOf(unsigned channel, double device) const
{
    const std::vector<double>& y = risingCurves_[channel];
    const std::vector<double>& x = risingPositions_[channel];
    const std::size_t k = static_cast<std::size_t>(std::lower_bound(y.begin(), y.end(), device) - y.begin());
    if (k == 0)
        return x.front();
    if (k == y.size())
        return x.back();
    // y[k - 1] < device <= y[k], so the segment is not flat.
    const double t = (device - y[k - 1]) / (y[k] - y[k - 1]);
    return x[k - 1] + t * (x[k] - x[k - 1]);
}

double B2ATableAccess::quantised(double clutValue) const
{
    const double scale = eightBit() ? eightBitScale : fullScale;
    return std::round(std::clamp(clutValue, 0.0, 1.0) * scale) / scale;
}

double B2ATableAccess::codeStep() const
{
    return 1.0 / (eightBit() ? eightBitScale : fullScale);
}

void B2ATableAccess::setNode(std::size_t node, const double* clutValues)
{
    uint16_t indices[inputs];
    gridIndices(node, indices);
    uint16_t codes[csICCmftTag::maxChannels];
    for (unsigned c = 0; c < channels_; ++c) {
        const double v = std::clamp(clutValues[c], 0.0, 1.0);
        // An 8-bit tag keeps the high byte of the 16-bit value: code x 257 has it.
        codes[c] = eightBit() ? static_cast<uint16_t>(std::round(v * eightBitScale) * 257.0)
                              : static_cast<uint16_t>(std::round(v * fullScale));
    }
    nodes_.set(indices, codes);
}

void B2ATableAccess::simplex(const double position[inputs], std::size_t nodes[simplexNodes],
                             double weights[simplexNodes]) const
{
    double fraction[inputs];
    std::size_t base = 0;
    for (unsigned k = 0; k < inputs; ++k) {
        const unsigned last = grid_[k] - 1;
        const double p = last * position[k] / fullScale;
        unsigned cell;
        if (p < 0.0)
            cell = 0;
        else if (p < last)
            cell = static_cast<unsigned>(p);
        else
            cell = last - 1;
        fraction[k] = std::clamp(p - cell, 0.0, 1.0);
        base += cell * stride_[k];
    }
    // Falling fraction; an input whose fraction equals an earlier one goes after it.
    unsigned order[inputs];
    for (unsigned i = 0; i < inputs; ++i) {
        unsigned j = i;
        while (j > 0 && fraction[order[j - 1]] < fraction[i]) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    nodes[0] = base;
    weights[0] = 1.0 - fraction[order[0]];
    for (unsigned j = 0; j < inputs; ++j) {
        nodes[j + 1] = nodes[j] + stride_[order[j]];
        weights[j + 1] = fraction[order[j]] - (j + 1 < inputs ? fraction[order[j + 1]] : 0.0);
    }
}

void B2ATableAccess::neighbours(std::size_t node, std::vector<std::size_t>& out) const
{
    out.clear();
    for (unsigned k = 0; k < inputs; ++k) {
        const std::size_t index = node / stride_[k] % grid_[k];
        if (index > 0)
            out.push_back(node - stride_[k]);
        if (index + 1 < grid_[k])
            out.push_back(node + stride_[k]);
    }
}
