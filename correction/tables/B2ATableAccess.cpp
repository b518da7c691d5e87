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
    : grid_(ClutNodes(&tag))
{
    curves_ = outputCurves(tag, channels());
    for (const std::vector<uint16_t>& curve : curves_) {
        std::vector<double> samples(curve.begin(), curve.end());
        for (double& v : samples)
            v /= fullScale;
        inverses_.emplace_back(std::move(samples));
    }
}

void B2ATableAccess::device(const double* clut, double* device, std::size_t count) const
{
    for (std::size_t i = 0; i < count * channels(); ++i) {
        const std::vector<uint16_t>& curve = curves_[i % channels()];
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
    return inverses_[channel].positionOf(device);
}
