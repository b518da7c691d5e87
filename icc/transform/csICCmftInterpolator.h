#pragma once
// Evaluates one "mft1" or "mft2" lookup-table tag as its ICC pipeline:
// 3x3 matrix, one input curve per input, the CLUT, one output curve per
// output. The stages can be called one at a time, which the CLUT node
// correction does while it edits nodes.
//
// The interpolator does not own the tag and never copies the CLUT: every
// evaluation reads the nodes from the tag, so node edits take effect at once.
// The 16-bit curve caches are built on first use and do not follow later
// edits of the curve tables. The 16-bit pipeline applies the output curves
// as the CLUT kernel stores its results.
//
// Values are 16-bit codes or rfloat on the same 0..65535 scale, interleaved,
// with strides in elements (0 means the channel count of that side).

#include "cs1DInterpolate.h"
#include "csICCLutInterpolator.h"
#include "csICCPipeline16.h"
#include "csICCmftTag.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class csICCmftInterpolator : public csICCLutInterpolator
{
public:
    ~csICCmftInterpolator() override;

    // The whole pipeline. The matrix and the input curves run in place on the
    // input buffer, which therefore changes; the output curves in place on
    // the output. A stage whose flag is cleared is left out.
    void convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                 std::size_t outStride = 0) override;
    void convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                 std::size_t outStride = 0) override;

    // A change of the codes, channel by channel, that a converter makes
    // around the table: the Lab encoding to or from legacy, or the white
    // scaling of XYZ by unsigned 16.16 factors.
    struct CodeChange
    {
        enum Kind : uint8_t { None, LabV4toLegacy, LabLegacytoV4, ScaleXYZ };
        Kind kind = None;
        uint32_t factor[3] = {};

        bool operator==(const CodeChange& other) const;
        uint16_t apply(unsigned channel, uint16_t code) const;
        // On count codes of one channel in place.
        void applyAll(unsigned channel, uint16_t* codes, std::size_t count) const;
        // On three channels in place.
        void run(uint16_t* values, std::size_t count, std::size_t stride) const;
    };
    // The 16-bit pipeline with a change before its first stage and one
    // after its last, folded into the curve caches where no other stage
    // stands between; the same codes as the changes run as passes of
    // their own.
    void convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride, std::size_t outStride,
                 const CodeChange& before, const CodeChange& after);
    // The stages of that conversion appended to a pipeline for the vector
    // kernels; false when there is no room.
    bool appendTo(csICCPipeline16& pipeline, const CodeChange& before, const CodeChange& after);

    // Single stages; the curve stages may run in place.
    void applyMatrix(uint16_t* values, std::size_t count, std::size_t stride = 0) const;
    void applyMatrix(rfloat* values, std::size_t count, std::size_t stride = 0) const;
    void inputCurves(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                     std::size_t outStride = 0);
    void inputCurves(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                     std::size_t outStride = 0);
    void outputCurves(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                      std::size_t outStride = 0);
    void outputCurves(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                      std::size_t outStride = 0);
    virtual void clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                      std::size_t outStride = 0) = 0;
    // Double-precision simplex interpolation.
    void clut(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
              std::size_t outStride = 0);
    // Maps outputs of the input curves back to input codes.
    void inverseInputCurves(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                            std::size_t outStride = 0);

    // The matrix and input curves, and the output curves, as far as their
    // flags are set.
    void beforeClut(uint16_t* values, std::size_t count, std::size_t stride = 0) override;
    void beforeClut(rfloat* values, std::size_t count, std::size_t stride = 0) override;
    void afterClut(uint16_t* values, std::size_t count, std::size_t stride = 0) override;
    void afterClut(rfloat* values, std::size_t count, std::size_t stride = 0) override;
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
    bool inverseBeforeClut(const uint16_t* in, uint16_t* out, std::size_t count) override;

    csICCmftTag* tag() const override { return tag_; }
    uint32_t inputEntries() const { return inputEntries_; }
    uint32_t outputEntries() const { return outputEntries_; }

    bool useInputCurves() const { return useInputCurves_; }
    bool useOutputCurves() const { return useOutputCurves_; }
    bool useMatrix() const { return useMatrix_; }
    void setUseInputCurves(bool on) { useInputCurves_ = on; }
    void setUseOutputCurves(bool on) { useOutputCurves_ = on; }
    void setUseMatrix(bool on) { useMatrix_ = on; }

protected:
    // A null tag leaves the interpolator empty: every stage does nothing.
    explicit csICCmftInterpolator(csICCmftTag* tag);

    // Reads the layout from the tag; the grid counts are the tag's own, so
    // extended CLUTs address the same nodes as the tag does.
    void setup();
    // Puts the tag's tables into the order the stages read (host order for "mft2").
    virtual void prepareTag() {}
    virtual void expandCurve(const uint8_t* table, uint32_t entries, uint16_t* cache) const = 0;
    virtual double curveValue(const uint8_t* table, uint32_t entries, double v) const = 0;

    // One pixel through the double simplex kernel.
    void simplex(const double* in, double* out) const;
    // The CLUT as the fixed-point kernels read it; called before each
    // evaluation, so it may bring the tag's nodes up to date.
    virtual cs1DInterpolate::Clut16 clutTable16() = 0;

    csICCmftTag* tag_;
    const uint8_t* raw_ = nullptr;
    uint32_t precision_ = 0;
    uint32_t inputEntries_ = 0;
    uint32_t outputEntries_ = 0;
    const uint8_t* inputTable_[maxChannels] = {};
    const uint8_t* outputTable_[maxChannels] = {};
    const uint8_t* clut_ = nullptr;
    // In bytes, and in CLUT entries of the precision.
    uint32_t clutStride_[maxChannels] = {};
    uint32_t elementStride_[maxChannels] = {};

private:
    // The stages of convert on rfloat.
    template <typename Value>
    void convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride, std::size_t outStride);
    template <typename Value>
    void stagesBefore(Value* values, std::size_t count, std::size_t stride);

    // The curves of one side of the table and their 16-bit caches, which
    // may have a change of the codes folded in.
    struct CurveSide
    {
        unsigned channels;
        const uint8_t* const* tables;
        uint32_t entries;
        std::unique_ptr<uint16_t[]>* caches;
        // A change before the curves of the input side, after those of the
        // output side.
        const CodeChange* change;
    };
    CurveSide inputSide() { return {numInputs_, inputTable_, inputEntries_, inputCache_, nullptr}; }
    CurveSide outputSide() { return {numOutputs_, outputTable_, outputEntries_, outputCache_, nullptr}; }
    // The caches with a change folded in; made anew for another change.
    CurveSide foldedSide(bool input, const CodeChange& change);
    const uint16_t* cachedCurve(const CurveSide& side, unsigned channel);
    void curves(const CurveSide& side, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                std::size_t outStride);
    void curves(const CurveSide& side, const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                std::size_t outStride);

    // Matrix entries as raw s15Fixed16; only a 3-input table has a use for them.
    int32_t matrix_[9] = {};
    bool matrixIsIdentity_ = true;

    bool useInputCurves_ = true;
    bool useOutputCurves_ = true;
    bool useMatrix_ = true;
    std::unique_ptr<uint16_t[]> inputCache_[maxChannels];
    // Whether each input cache rises or falls throughout, for inverseInputCurves.
    enum class CurveShape : uint8_t { Unknown, Rising, Falling, Neither };
    CurveShape inputShape_[maxChannels] = {};
    std::unique_ptr<uint16_t[]> outputCache_[maxChannels];
    std::unique_ptr<uint16_t[]> foldedInputCache_[maxChannels];
    std::unique_ptr<uint16_t[]> foldedOutputCache_[maxChannels];
    CodeChange foldedInput_;
    CodeChange foldedOutput_;
};
