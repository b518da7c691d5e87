#pragma once
// Evaluates an "mft2" tag. The tag's tables are put into host byte order
// before every evaluation (a flag test once they are), and the 16-bit CLUT
// stage runs the fixed-point simplex kernels.

#include "csICCmft2Tag.h"
#include "csICCmftInterpolator.h"

class csICCmft2Interpolator : public csICCmftInterpolator
{
public:
    explicit csICCmft2Interpolator(csICCmft2Tag* tag);

    void clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0) override;
    using csICCmftInterpolator::clut;

protected:
    void prepareTag() override;
    void expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const override;
    double curveValue(const uint8_t* table, uint32_t entries, double v) const override;
    cs1DInterpolate::Clut16 clutTable16() override;

private:
    csICCmft2Tag* mft2Tag_;
};
