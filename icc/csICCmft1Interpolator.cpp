#include "csICCmft1Interpolator.h"

#include <cmath>

csICCmft1Interpolator::csICCmft1Interpolator(csICCmft1Tag* tag)
    : csICCmftInterpolator(tag)
{
}

void csICCmft1Interpolator::clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                 std::size_t outStride)
{
    if (!tag_)
        return;
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    double inValues[maxChannels];
    double outValues[maxChannels];
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        for (unsigned c = 0; c < numInputs_; ++c)
            inValues[c] = in[c];
        simplex(inValues, outValues);
        // Convex weights keep in-range nodes in range; the limit only guards rounding.
        for (unsigned k = 0; k < numOutputs_; ++k) {
            const double v = std::floor(outValues[k] + 0.5);
            out[k] = static_cast<uint16_t>(v <= 0.0 ? 0.0 : v >= 65535.0 ? 65535.0 : v);
        }
    }
}

void csICCmft1Interpolator::expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const
{
    cs1DInterpolate::expand8(table, entries, cache);
}

double csICCmft1Interpolator::curveValue(const uint8_t* table, uint32_t entries, double v) const
{
    return cs1DInterpolate::interpolate8(table, entries, v);
}
