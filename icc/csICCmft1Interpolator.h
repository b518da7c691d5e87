#pragma once
// Evaluates an "mft1" tag: 8-bit tables scaled by 257, the CLUT always
// through the double simplex.

#include "csICCmft1Tag.h"
#include "csICCmftInterpolator.h"

class csICCmft1Interpolator : public csICCmftInterpolator
{
public:
    explicit csICCmft1Interpolator(csICCmft1Tag* tag);

    // Double simplex, rounded to the nearest code.
    void clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0) override;
    using csICCmftInterpolator::clut;

protected:
    void expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const override;
    double curveValue(const uint8_t* table, uint32_t entries, double v) const override;
};
