#include "csICCmft1Interpolator.h"

csICCmft1Interpolator::csICCmft1Interpolator(csICCmft1Tag* tag)
    : csICCmftInterpolator(tag), mft1Tag_(tag)
{
}

void csICCmft1Interpolator::clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                 std::size_t outStride)
{
    if (!tag_)
        return;
    cs1DInterpolate::clut16(kernel_, clutTable16(), in, out, count, inStride, outStride);
}

cs1DInterpolate::Clut16 csICCmft1Interpolator::clutTable16()
{
    return {mft1Tag_->wideClut(), numInputs_, numOutputs_, gridPoints_, elementStride_};
}

void csICCmft1Interpolator::expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const
{
    cs1DInterpolate::expand8(table, entries, cache);
}

double csICCmft1Interpolator::curveValue(const uint8_t* table, uint32_t entries, double v) const
{
    return cs1DInterpolate::interpolate8(table, entries, v);
}
