#pragma once
// Evaluates one "mAB " or "mBA " tag as its pipeline, each present element
// a pass over the buffer:
//   "mAB ": A curves and the CLUT, then M curves, matrix, B curves on the output
//   "mBA ": B curves, matrix, M curves on the input, then the CLUT and A curves
// A table without CLUT has as many outputs as inputs and is copied across
// where the CLUT would be. The 16-bit CLUT stage runs the fixed-point
// simplex kernels, the rfloat one the double simplex, both on the tag's
// host-order nodes, so node edits take effect at once.

#include "csICCLutInterpolator.h"
#include "csICCPipeline16.h"
#include "csICCmABTag.h"

class csICCmABInterpolator : public csICCLutInterpolator
{
public:
    // A null tag leaves the interpolator empty: every stage does nothing.
    explicit csICCmABInterpolator(csICCmABTag* tag);

    void convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                 std::size_t outStride = 0) override;
    void convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                 std::size_t outStride = 0) override;
    csICCmABTag* tag() const override { return tag_; }
    // The elements appended to a pipeline for the vector kernels; false
    // when there is no room.
    bool appendTo(csICCPipeline16& pipeline) const;
    // Whether the 16-bit convert of an "mBA " table reads the tag's compact
    // curves where it has them (on by default), through the vector pipeline
    // and the scalar passes alike, so that the codes are the same to the
    // bit with every kernel form and call size. Off, and for "mAB " tables,
    // it reads the full tables, as the stages below and the rfloat convert
    // always do.
    void setCompactCurves(bool on) { compactCurves_ = on; }
    bool compactCurves() const { return compactCurves_; }

    // The elements before the CLUT, in place on the inputs, and those after
    // it, in place on the outputs, with the full curve tables; convert is
    // these around the CLUT (but for compact curves, above).
    // Value is uint16_t or rfloat.
    template <typename Value>
    void beforeClut(Value* values, std::size_t count, std::size_t stride = 0) const;
    template <typename Value>
    void afterClut(Value* values, std::size_t count, std::size_t stride = 0) const;
    // The base class's calls, through the templates above.
    void beforeClut(uint16_t* values, std::size_t count, std::size_t stride = 0) override
    {
        beforeClut<uint16_t>(values, count, stride);
    }
    void beforeClut(rfloat* values, std::size_t count, std::size_t stride = 0) override
    {
        beforeClut<rfloat>(values, count, stride);
    }
    void afterClut(uint16_t* values, std::size_t count, std::size_t stride = 0) override
    {
        afterClut<uint16_t>(values, count, stride);
    }
    void afterClut(rfloat* values, std::size_t count, std::size_t stride = 0) override
    {
        afterClut<rfloat>(values, count, stride);
    }
    void clutStage(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                   std::size_t outStride = 0) override
    {
        clut(in, out, count, inStride, outStride);
    }
    void clutStage(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                   std::size_t outStride = 0) override
    {
        clut(in, out, count, inStride, outStride);
    }
    // "mBA ": the M curves, the matrix and the B curves undone in double
    // precision; "mAB ": the A curves.
    bool inverseBeforeClut(const uint16_t* in, uint16_t* out, std::size_t count) override;

    // Single stages. The matrix works in place on the side of 3 channels
    // that has it; the 16-bit form rounds and limits to 0..65535, the rfloat
    // form does not limit.
    void applyMatrix(uint16_t* values, std::size_t count, std::size_t stride = 0) const;
    void applyMatrix(rfloat* values, std::size_t count, std::size_t stride = 0) const;
    void clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0) const;
    void clut(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0) const;

private:
    // The passes, the same for 16-bit codes and rfloat.
    template <typename Value>
    void convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride, std::size_t outStride);
    // The 16-bit passes of an "mBA " table with its compact curves.
    void convertCompact(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                        std::size_t outStride) const;
    void readCompactCurves(csICCmABTag::CurveSet set, uint16_t* values, std::size_t count, std::size_t stride) const;

    csICCmABTag* tag_;
    bool compactCurves_ = true;
};
