#pragma once
// lutAtoBType ("mAB ") and lutBtoAType ("mBA "): up to five elements, each
// of them optional, where the tag's header says. One class serves both
// types; they differ in the order in which the elements act and in the side
// whose channels a curve set has:
//   "mAB ": A curves (inputs), CLUT, M curves, matrix, B curves (outputs)
//   "mBA ": B curves, matrix, M curves (inputs), CLUT, A curves (outputs)
//
// Layout (offsets from the start of the tag, numbers big-endian):
//   0 type signature, 4 reserved, 8 inputs i, 9 outputs o, 10 reserved,
//   12 offsets of the B curves, the matrix, the M curves, the CLUT and the
//   A curves, 0 for an absent element; each element on a 4-byte boundary.
//   Curve set: one "curv" or "para" curve per channel, each on a 4-byte
//   boundary. Matrix: nine s15Fixed16 row by row, then three offsets in
//   units of the full range. CLUT: one grid-point byte per input (16
//   bytes), the precision byte (1 or 2), three reserved bytes, the nodes:
//   first input slowest, the o values of a node adjacent.
//
// Values are on the 0..65535 scale whatever the precision. The CLUT nodes
// are also held in host order, 8-bit ones widened by 257, for the
// interpolation kernels; node edits write both, so the bytes always are the
// tag as it stands and an unedited tag is written back as it came.

#include "cs1DInterpolate.h"
#include "csICCcurvTag.h"
#include "csICCmftTag.h"
#include "csICCparaTag.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class csICCmABTag : public csICCTag
{
public:
    // One channel limit for every LUT type.
    static constexpr unsigned maxChannels = csICCmftTag::maxChannels;
    static constexpr uint32_t headerSize = 32;
    static constexpr uint32_t matrixSize = 48;
    static constexpr uint32_t clutHeaderSize = 20;

    enum CurveSet { ACurves = 0, MCurves = 1, BCurves = 2 };

    // Whether bytes hold a table of this layout inside size bytes: 1 to 16
    // channels a side, every element inside the tag after the header, on a
    // 4-byte boundary and apart from the others, curves of type "curv" or
    // "para" that fit, a matrix only on a side of 3 channels, a CLUT of 1- or
    // 2-byte values with at least 2 grid points per input, and without CLUT
    // as many outputs as inputs. A refusal leaves a log entry naming the tag.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The bytes must have passed checkLayout; others give a table of no
    // channels.
    csICCmABTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    csICCmABTag(const csICCmABTag& other);
    csICCmABTag& operator=(const csICCmABTag& other) = delete;
    ~csICCmABTag() override;

    // "mBA " (PCS to device) rather than "mAB ".
    bool bToA() const { return bToA_; }
    unsigned numInputs() const { return numInputs_; }
    unsigned numOutputs() const { return numOutputs_; }

    bool hasCurves(CurveSet set) const { return hasCurves_[set]; }
    // The channels of the side a curve set acts on, present or not.
    unsigned channels(CurveSet set) const;
    // A csICCcurvTag or a csICCparaTag; null for an absent set.
    const csICCTag* curve(CurveSet set, unsigned channel) const;
    // The 65,536-entry table the 16-bit curves look up; null for an absent
    // set and for the identity.
    const uint16_t* curveTable(CurveSet set, unsigned channel) const;
    // That table's compact form within compactBound codes of it, made on
    // first use; null where curveTable is, and where the curve bends too
    // sharply to be held so.
    static constexpr unsigned compactBound = 1;
    const cs1DInterpolate::CompactCurve16* compactCurve(CurveSet set, unsigned channel) const;

    bool hasMatrix() const { return hasMatrix_; }
    // Raw s15Fixed16: the nine entries row by row, then the three offsets.
    const int32_t* matrix() const { return matrix_; }

    bool hasClut() const { return precision_ != 0; }
    // Bytes per CLUT value, 1 or 2; 0 without CLUT.
    uint32_t precision() const { return precision_; }
    // Per input; 0 past the inputs and without CLUT.
    const uint32_t* gridPoints() const { return gridPoints_; }
    // Host order on the 16-bit scale, and per input the step between nodes
    // in values.
    const uint16_t* clutNodes() const { return nodes_.data(); }
    const uint32_t* clutStride() const { return clutStride_; }

    // One index per input, below its grid count; one value per output.
    void getClutNode(const uint16_t* gridIndices, uint16_t* values) const;
    void getClutNodeDouble(const uint16_t* gridIndices, double* values) const;
    // 8-bit values keep the high byte.
    void setClutNode(const uint16_t* gridIndices, const uint16_t* values);

    // A curve set on count pixels of its side's channels, forward or
    // inverse; an absent set passes values through. Strides in elements, 0
    // counting as the channel count; in and out may be the same buffer.
    // rfloat values beyond 0..65535 are taken as its ends.
    void curves(CurveSet set, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                std::size_t outStride = 0) const;
    void curves(CurveSet set, const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                std::size_t outStride = 0) const;
    void inverseCurves(CurveSet set, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                       std::size_t outStride = 0) const;
    void inverseCurves(CurveSet set, const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                       std::size_t outStride = 0) const;

    // Derives every field from the bytes; needed again after setData.
    void setup();

private:
    struct Layout;
    struct Curve
    {
        std::unique_ptr<csICCcurvTag> curv;
        std::unique_ptr<csICCparaTag> para;
        // Tried once; empty where the curve cannot be held so.
        mutable bool compactTried = false;
        mutable std::unique_ptr<cs1DInterpolate::CompactCurve16> compact;
    };

    // Reads and checks the layout; false after a log entry.
    static bool readLayout(csSignature signature, uint32_t size, const uint8_t* bytes, Layout& layout);
    std::size_t nodeIndex(const uint16_t* gridIndices) const;
    // Runs evaluate(curve, in, out, inStride, outStride) per channel with
    // the channel's curve object, or copies where the set is absent.
    template <typename Value, typename Evaluate>
    void eachCurve(CurveSet set, const Value* in, Value* out, std::size_t count, std::size_t inStride,
                   std::size_t outStride, Evaluate evaluate) const;

    bool bToA_ = false;
    unsigned numInputs_ = 0;
    unsigned numOutputs_ = 0;
    bool hasCurves_[3] = {};
    Curve curves_[3][maxChannels];
    bool hasMatrix_ = false;
    int32_t matrix_[12] = {};
    uint32_t precision_ = 0;
    uint32_t gridPoints_[maxChannels] = {};
    uint32_t clutStride_[maxChannels] = {};
    // The first CLUT value in the bytes.
    uint8_t* clut_ = nullptr;
    std::vector<uint16_t> nodes_;
};
