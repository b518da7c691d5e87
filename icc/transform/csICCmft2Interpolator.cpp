#include "csICCmft2Interpolator.h"

csICCmft2Interpolator::csICCmft2Interpolator(csICCmft2Tag* tag)
    : csICCmftInterpolator(tag), mft2Tag_(tag)
{
}

void csICCmft2Interpolator::prepareTag()
{
    if (mft2Tag_)
        mft2Tag_->toHostOrder();
}

cs1DInterpolate::Clut16 csICCmft2Interpolator::clutTable16()
{
    prepareTag();
    // The CLUT starts at an even offset of the tag's block, so it is aligned for 16-bit reads.
    return {reinterpret_cast<const uint16_t*>(clut_), numInputs_, numOutputs_, gridPoints_, elementStride_};
}

void csICCmft2Interpolator::clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                 std::size_t outStride)
{
    if (!tag_)
        return;
    cs1DInterpolate::clut16(kernel_, clutTable16(), in, out, count, inStride, outStride);
}

void csICCmft2Interpolator::expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const
{
    cs1DInterpolate::expand16(reinterpret_cast<const uint16_t*>(table), entries, cache);
}

double csICCmft2Interpolator::curveValue(const uint8_t* table, uint32_t entries, double v) const
{
    return cs1DInterpolate::interpolate16(reinterpret_cast<const uint16_t*>(table), entries, v);
}
