#pragma once
// What the profile converter needs of the interpolator of any LUT tag: the
// tag's whole pipeline on 16-bit codes and on rfloat, and the shape of its
// CLUT. csICCmftInterpolator evaluates "mft1" and "mft2" tags,
// csICCmABInterpolator "mAB " and "mBA " tags; both run the CLUT through the
// simplex kernels of cs1DInterpolate.
//
// Values are 16-bit codes or rfloat on the same 0..65535 scale, interleaved,
// with strides in elements (0 means the channel count of that side).

#include "cs1DInterpolate.h"
#include "csICCNumber.h"
#include "csICCmftTag.h"

#include <cstddef>
#include <cstdint>

class csICCLutInterpolator
{
public:
    static constexpr unsigned maxChannels = csICCmftTag::maxChannels;

    virtual ~csICCLutInterpolator();
    csICCLutInterpolator(const csICCLutInterpolator&) = delete;
    csICCLutInterpolator& operator=(const csICCLutInterpolator&) = delete;

    // The whole pipeline. The stages before the CLUT run in place on the
    // input buffer, which therefore changes.
    virtual void convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                         std::size_t outStride = 0) = 0;
    virtual void convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                         std::size_t outStride = 0) = 0;

    // The tag evaluated, not owned; null for an empty interpolator.
    virtual csICCTag* tag() const = 0;
    unsigned numInputs() const { return numInputs_; }
    unsigned numOutputs() const { return numOutputs_; }
    // Grid points per input; 0 past the inputs and for a table without CLUT.
    const uint32_t* gridPoints() const { return gridPoints_; }
    bool hasClut() const { return gridPoints_[0] != 0; }

    // The form of the fixed-point kernels the 16-bit evaluation uses, the
    // fastest the processor runs unless set; the codes are the same with
    // every form. With the scalar form the stages run as passes, with a
    // vector form a large enough conversion runs as one pipeline. The
    // processor must run the form.
    cs1DInterpolate::ClutKernel kernel() const { return kernel_; }
    void setKernel(cs1DInterpolate::ClutKernel kernel) { kernel_ = kernel; }

    // The stages before the CLUT, in place on the inputs, and those after
    // it, in place on the outputs; convert is these around clutStage. The
    // node corrections reach the grid through them.
    virtual void beforeClut(uint16_t* values, std::size_t count, std::size_t stride = 0) = 0;
    virtual void beforeClut(rfloat* values, std::size_t count, std::size_t stride = 0) = 0;
    virtual void afterClut(uint16_t* values, std::size_t count, std::size_t stride = 0) = 0;
    virtual void afterClut(rfloat* values, std::size_t count, std::size_t stride = 0) = 0;
    // The CLUT alone; a table without one copies its inputs.
    virtual void clutStage(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                           std::size_t outStride = 0) = 0;
    virtual void clutStage(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                           std::size_t outStride = 0) = 0;
    // CLUT input positions back to the table's inputs through the inverse
    // of the stages before the CLUT, rounded to codes, count pixels of
    // numInputs values; false, with nothing written, where a stage has no
    // inverse (a singular matrix).
    virtual bool inverseBeforeClut(const uint16_t* in, uint16_t* out, std::size_t count) = 0;

protected:
    csICCLutInterpolator() = default;

    // A stride argument: 0 stands for the channel count.
    static std::size_t strideOr(std::size_t stride, unsigned channels) { return stride ? stride : channels; }
    // The inverse of a 3x3 matrix given row by row; false when it is
    // singular or not finite.
    static bool invert3x3(const double m[9], double inverse[9]);

    unsigned numInputs_ = 0;
    unsigned numOutputs_ = 0;
    uint32_t gridPoints_[maxChannels] = {};
    cs1DInterpolate::ClutKernel kernel_ = cs1DInterpolate::fastestKernel();
};
