#include "LinkTableAccess.h"

#include "csICCLutInterpolator.h"
#include "csICCmABTag.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double fullScale = 65535.0;
constexpr std::size_t samples = 4097;

double readRamp(const std::vector<double>& ramp, double x)
{
    const double p = std::clamp(x, 0.0, 1.0) * (ramp.size() - 1);
    const std::size_t i = std::min(static_cast<std::size_t>(p), ramp.size() - 2);
    return ramp[i] + (p - i) * (ramp[i + 1] - ramp[i]);
}

// x where the rising curve y reaches v, by linear interpolation.
double inverse(const std::vector<double>& y, const std::vector<double>& x, double v)
{
    const std::size_t k = static_cast<std::size_t>(std::lower_bound(y.begin(), y.end(), v) - y.begin());
    if (k == 0)
        return x.front();
    if (k == y.size())
        return x.back();
    const double t = (v - y[k - 1]) / (y[k] - y[k - 1]);
    return x[k - 1] + t * (x[k] - x[k - 1]);
}

// The rising form of a sampled curve on 0..1 and the positions it belongs to.
void risingForm(const std::vector<double>& curve, std::vector<double>& y, std::vector<double>& x)
{
    y = curve;
    x.resize(curve.size());
    for (std::size_t e = 0; e < curve.size(); ++e)
        x[e] = double(e) / (curve.size() - 1);
    if (y.back() < y.front()) {
        std::reverse(y.begin(), y.end());
        std::reverse(x.begin(), x.end());
    }
    for (std::size_t e = 1; e < y.size(); ++e)
        y[e] = std::max(y[e], y[e - 1]);
}

} // namespace

bool LinkTableAccess::serves(csICCLutInterpolator& lut)
{
    const ClutNodes nodes(lut.tag());
    if (!nodes || nodes.numInputs() < 1 || nodes.numInputs() > maxInputs || nodes.numOutputs() < 1)
        return false;
    for (unsigned k = 0; k < nodes.numInputs(); ++k)
        if (nodes.gridPoints()[k] < 2)
            return false;
    const auto* lutAB = dynamic_cast<const csICCmABTag*>(lut.tag());
    return !lutAB || (!lutAB->bToA() && !lutAB->hasMatrix());
}

LinkTableAccess::LinkTableAccess(csICCLutInterpolator& lut)
    : lut_(lut), nodes_(lut.tag()), inputs_(nodes_.numInputs()), channels_(nodes_.numOutputs())
{
    for (int k = int(inputs_) - 1; k >= 0; --k) {
        grid_[k] = nodes_.gridPoints()[k];
        stride_[k] = nodeCount_;
        nodeCount_ *= grid_[k];
    }
    std::vector<double> ramp(samples * std::max(inputs_, channels_));
    const unsigned width = std::max(inputs_, channels_);
    for (std::size_t e = 0; e < samples; ++e)
        std::fill_n(&ramp[e * width], width, e * fullScale / (samples - 1));
    std::vector<double> out(samples * channels_), in(samples * inputs_);
    for (std::size_t e = 0; e < samples; ++e) {
        std::copy_n(&ramp[e * width], channels_, &out[e * channels_]);
        std::copy_n(&ramp[e * width], inputs_, &in[e * inputs_]);
    }
    lut_.afterClut(out.data(), samples);
    lut_.beforeClut(in.data(), samples);
    curves_.assign(channels_, std::vector<double>(samples));
    for (std::size_t e = 0; e < samples; ++e)
        for (unsigned c = 0; c < channels_; ++c)
            curves_[c][e] = out[e * channels_ + c] / fullScale;
    rising_.resize(channels_);
    risingAt_.resize(channels_);
    for (unsigned c = 0; c < channels_; ++c)
        risingForm(curves_[c], rising_[c], risingAt_[c]);
    inputCurves_.assign(inputs_, std::vector<double>(samples));
    for (std::size_t e = 0; e < samples; ++e)
        for (unsigned k = 0; k < inputs_; ++k)
            inputCurves_[k][e] = in[e * inputs_ + k] / fullScale;
}

std::vector<double> LinkTableAccess::clut() const
{
    std::vector<double> values(nodeCount_ * channels_);
    uint16_t indices[maxInputs];
    for (std::size_t n = 0; n < nodeCount_; ++n) {
        for (unsigned k = 0; k < inputs_; ++k)
            indices[k] = static_cast<uint16_t>(n / stride_[k] % grid_[k]);
        double* v = &values[n * channels_];
        nodes_.getDouble(indices, v);
        for (unsigned c = 0; c < channels_; ++c)
            v[c] /= fullScale;
    }
    return values;
}

void LinkTableAccess::device(const double* clut, double* device, std::size_t count) const
{
    for (std::size_t i = 0; i < count * channels_; ++i)
        device[i] = readRamp(curves_[i % channels_], clut[i]);
}

double LinkTableAccess::outputSlope(unsigned channel, double clutValue) const
{
    const std::vector<double>& curve = curves_[channel];
    const std::size_t last = curve.size() - 1;
    const double p = std::clamp(clutValue, 0.0, 1.0) * last;
    const std::size_t i = std::min(static_cast<std::size_t>(p), last - 1);
    return (curve[i + 1] - curve[i]) * last;
}

double LinkTableAccess::clutValueOf(unsigned channel, double device) const
{
    return inverse(rising_[channel], risingAt_[channel], device);
}

double LinkTableAccess::codeStep() const
{
    return nodes_.precision() == 1 ? 1.0 / 255.0 : 1.0 / fullScale;
}

double LinkTableAccess::quantised(double clutValue) const
{
    const double scale = nodes_.precision() == 1 ? 255.0 : fullScale;
    return std::round(std::clamp(clutValue, 0.0, 1.0) * scale) / scale;
}

void LinkTableAccess::setNode(std::size_t node, const double* clutValues)
{
    uint16_t indices[maxInputs];
    for (unsigned k = 0; k < inputs_; ++k)
        indices[k] = static_cast<uint16_t>(node / stride_[k] % grid_[k]);
    uint16_t codes[csICCmABTag::maxChannels];
    const bool eightBit = nodes_.precision() == 1;
    for (unsigned c = 0; c < channels_; ++c) {
        const double v = std::clamp(clutValues[c], 0.0, 1.0);
        // An 8-bit table keeps the high byte: code x 257 has it.
        codes[c] = eightBit ? static_cast<uint16_t>(std::round(v * 255.0) * 257.0)
                            : static_cast<uint16_t>(std::round(v * fullScale));
    }
    nodes_.set(indices, codes);
}

std::vector<double> LinkTableAccess::nodeSources() const
{
    std::vector<std::vector<double>> y(inputs_), x(inputs_);
    for (unsigned k = 0; k < inputs_; ++k)
        risingForm(inputCurves_[k], y[k], x[k]);
    std::vector<double> sources(nodeCount_ * inputs_);
    for (std::size_t n = 0; n < nodeCount_; ++n)
        for (unsigned k = 0; k < inputs_; ++k) {
            const double at = double(n / stride_[k] % grid_[k]) / (grid_[k] - 1);
            sources[n * inputs_ + k] = inverse(y[k], x[k], at);
        }
    return sources;
}

std::vector<double> LinkTableAccess::positions(const std::vector<double>& sources) const
{
    std::vector<double> at(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i)
        at[i] = std::clamp(sources[i], 0.0, 1.0) * fullScale;
    lut_.beforeClut(at.data(), sources.size() / inputs_);
    return at;
}

void LinkTableAccess::simplex(const double* position, std::size_t* nodes, double* weights) const
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

void LinkTableAccess::neighbours(std::size_t node, std::vector<std::size_t>& out) const
{
    out.clear();
    for (unsigned k = 0; k < inputs_; ++k) {
        const std::size_t index = node / stride_[k] % grid_[k];
        if (index > 0)
            out.push_back(node - stride_[k]);
        if (index + 1 < grid_[k])
            out.push_back(node + stride_[k]);
    }
}
