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

// Each of width sides (the table's input or output curves) sampled on an even
// ramp of 0..1 through one of the interpolator's stages.
template<typename Stage>
std::vector<std::vector<double>> sampleSides(unsigned width, Stage stage)
{
    std::vector<double> values(samples * width);
    for (std::size_t e = 0; e < samples; ++e)
        std::fill_n(&values[e * width], width, e * fullScale / (samples - 1));
    stage(values.data(), samples);
    std::vector<std::vector<double>> sides(width, std::vector<double>(samples));
    for (std::size_t e = 0; e < samples; ++e)
        for (unsigned k = 0; k < width; ++k)
            sides[k][e] = values[e * width + k] / fullScale;
    return sides;
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
    : lut_(lut), grid_(ClutNodes(lut.tag()))
{
    curves_ = sampleSides(channels(), [&](double* v, std::size_t n) { lut_.afterClut(v, n); });
    for (const std::vector<double>& curve : curves_)
        inverses_.emplace_back(curve);
    for (std::vector<double>& input : sampleSides(inputs(), [&](double* v, std::size_t n) { lut_.beforeClut(v, n); }))
        inputInverses_.emplace_back(std::move(input));
}

void LinkTableAccess::device(const double* clut, double* device, std::size_t count) const
{
    for (std::size_t i = 0; i < count * channels(); ++i)
        device[i] = readRamp(curves_[i % channels()], clut[i]);
}

double LinkTableAccess::outputSlope(unsigned channel, double clutValue) const
{
    const std::vector<double>& curve = curves_[channel];
    const std::size_t last = curve.size() - 1;
    const double p = std::clamp(clutValue, 0.0, 1.0) * last;
    const std::size_t i = std::min(static_cast<std::size_t>(p), last - 1);
    return (curve[i + 1] - curve[i]) * last;
}

std::vector<double> LinkTableAccess::nodeSources() const
{
    const unsigned n = inputs();
    std::vector<double> sources(nodeCount() * n);
    for (std::size_t node = 0; node < nodeCount(); ++node)
        for (unsigned k = 0; k < n; ++k) {
            const double at = double(grid_.index(node, k)) / (gridPoints(k) - 1);
            sources[node * n + k] = inputInverses_[k].positionOf(at);
        }
    return sources;
}

std::vector<double> LinkTableAccess::positions(const std::vector<double>& sources) const
{
    std::vector<double> at(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i)
        at[i] = std::clamp(sources[i], 0.0, 1.0) * fullScale;
    lut_.beforeClut(at.data(), sources.size() / inputs());
    return at;
}
