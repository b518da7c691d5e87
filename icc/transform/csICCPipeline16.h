#pragma once
// A whole 16-bit conversion as one pass over the pixels: the white scaling
// of Lab, changes of encoding, curve sets, matrices, the CLUT and its output
// curves, in the order a converter applies them. Pixels go through in
// blocks that stay in the first-level cache, one step after another over
// the whole block: curves one table at a time, matrices, the white scaling
// and the CLUT's simplices in vector registers across pixels, the CLUT's
// blend two pixels to a vector. The codes are those of the stages
// run one after another as passes of their own (csICCmftInterpolator,
// csICCmABInterpolator, csICCPCS), to the bit; where a curve stage reads
// compact curves (each within csICCmABTag::compactBound of its full
// table), the passes of csICCmABInterpolator::convert read them too.
//
// Only the vector kernel forms run a pipeline; with the scalar form the
// converters keep their passes. A pipeline points into the tables of the
// tags and interpolators that made it and lives for one conversion call.

#include "cs1DInterpolate.h"
#include "csICCPCS.h"

#include <cstddef>
#include <cstdint>

struct csICCPipeline16
{
    static constexpr unsigned maxChannels = 16;
    static constexpr unsigned maxStages = 10;
    // Below this many pixels the passes of the stages cost no more than
    // assembling a pipeline.
    static constexpr std::size_t minPixels = 8;

    enum class Kind : uint8_t {
        // One 65,536-entry table per channel, or its compact form where
        // one is given; a null table passes the channel on.
        Curves,
        // The version 4 and legacy Lab encodings, or the white scaling of
        // XYZ by unsigned 16.16 factors, on three channels.
        LabV4toLegacy,
        LabLegacytoV4,
        ScaleXYZ,
        // 3x3 s15Fixed16 matrices on three channels: that of lut8/lut16
        // tables (without offsets, truncated) and that of 'mAB '/'mBA '
        // (with offsets, rounded).
        MftMatrix,
        LutMatrix,
        // The white scaling of Lab v4 (csICCPCS::LabScaling).
        LabScaling,
        // The fixed-point simplex kernel.
        Clut,
    };

    struct Stage
    {
        Kind kind = Kind::Curves;
        unsigned channels = 0;
        const uint16_t* curves[maxChannels] = {};
        const cs1DInterpolate::CompactCurve16* compact[maxChannels] = {};
        uint32_t factor[3] = {};
        int32_t matrix[12] = {};
        const csICCPCS::LabScaling* scaling = nullptr;
        cs1DInterpolate::Clut16 clut = {};
    };

    unsigned inputs = 0;
    unsigned outputs = 0;
    unsigned count = 0;
    Stage stages[maxStages];

    // A stage added at the end, taking and giving channels values; null
    // when there is no room.
    Stage* add(Kind kind, unsigned channels);
    // One whose CLUT (if any) the vector kernels take, of at most
    // maxChannels channels throughout, with at least one stage.
    bool runnable() const;

    // count pixels, strides in elements (0 meaning the channel count). The
    // input is not changed. The kernel form must be a vector form the
    // processor runs.
    void run(cs1DInterpolate::ClutKernel kernel, const uint16_t* in, uint16_t* out, std::size_t pixels,
             std::size_t inStride = 0, std::size_t outStride = 0) const;
};
