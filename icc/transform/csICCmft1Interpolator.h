#pragma once
// Evaluates an "mft1" tag: 8-bit tables scaled by 257. The 16-bit CLUT
// stage runs the fixed-point simplex kernels on the tag's nodes times 257,
// which the tag keeps in step with node edits; the rfloat stage runs the
// double simplex on the 8-bit nodes.

#include "csICCmft1Tag.h"
#include "csICCmftInterpolator.h"

class csICCmft1Interpolator : public csICCmftInterpolator
{
public:
    explicit csICCmft1Interpolator(csICCmft1Tag* tag);

    void clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0) override;
    using csICCmftInterpolator::clut;

protected:
    void expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const override;
    double curveValue(const uint8_t* table, uint32_t entries, double v) const override;
    cs1DInterpolate::Clut16 clutTable16() override;

private:
    csICCmft1Tag* mft1Tag_;
};
