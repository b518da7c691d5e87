#pragma once
// Common base of the lookup-table tags lut8Type ("mft1") and lut16Type
// ("mft2"): where the input tables, the CLUT and the output tables lie in
// the tag's bytes, and element accessors that read and write single table
// entries and single CLUT grid nodes in place.
//
// Layout (offsets from the start of the tag, numbers big-endian):
//   0 type signature, 4 reserved, 8 inputs i, 9 outputs o, 10 grid points g,
//   11 reserved, 12 3x3 matrix (nine s15Fixed16), then for "mft2" the entry
//   counts n (48) and m (50); input tables, CLUT (first input slowest, the o
//   values of a node adjacent), output tables.

#include "csICCTag.h"

#include <cstdint>

class csICCmftTag : public csICCTag
{
public:
    static constexpr unsigned maxChannels = 16;
    static constexpr uint32_t matrixOffset = 12;

    // Whether bytes hold a LUT of this layout that fits in size bytes: 1 to 16
    // channels a side, at least two entries per curve table, and every table
    // inside the tag. A refusal leaves one log entry naming the tag.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    csICCmftTag(const csICCmftTag& other) = default;
    csICCmftTag& operator=(const csICCmftTag& other) = delete;

    uint32_t precision() const { return precision_; }
    uint32_t numInputs() const { return numInputs_; }
    uint32_t numOutputs() const { return numOutputs_; }
    const uint32_t* gridPoints() const { return gridPoints_; }
    uint32_t inputEntries() const { return inputEntries_; }
    uint32_t outputEntries() const { return outputEntries_; }
    uint32_t clutPlaneBytes() const { return clutPlaneBytes_; }
    // Writable pointers into the tag's own bytes.
    uint8_t* inputTable(unsigned channel) const
    {
        ownBytes();
        return inputTable_[channel];
    }
    uint8_t* outputTable(unsigned channel) const
    {
        ownBytes();
        return outputTable_[channel];
    }
    uint8_t* clut() const
    {
        ownBytes();
        return clut_;
    }
    const uint32_t* clutStride() const { return clutStride_; }
    // Whether the 3x3 matrix at byte 12 is the identity.
    bool matrixIsIdentity() const;

    // One index per channel of the side; no range checks (callers pass grid
    // indices below the grid count and table indices below the entry count).
    // Values are 16-bit whatever the precision.
    virtual void getInputEntry(const uint16_t* indices, uint16_t* values) const = 0;
    virtual void getOutputEntry(const uint16_t* indices, uint16_t* values) const = 0;
    virtual void getClutNode(const uint16_t* gridIndices, uint16_t* values) const = 0;
    // On the same 0..65535 scale, without division.
    virtual void getClutNodeDouble(const uint16_t* gridIndices, double* values) const = 0;
    virtual void setInputEntry(const uint16_t* indices, const uint16_t* values) = 0;
    virtual void setOutputEntry(const uint16_t* indices, const uint16_t* values) = 0;
    virtual void setClutNode(const uint16_t* gridIndices, const uint16_t* values) = 0;
    // Derives every field from the bytes; needed again after setData.
    virtual void setup() = 0;

protected:
    void bytesMoved(const uint8_t* from, uint8_t* to) const override;
    // other's layout and bytes under another signature.
    csICCmftTag(const csICCmftTag& other, csSignature signature, Sharing sharing);

    csICCmftTag(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The layout shared by both types; tablesOffset is where the input
    // tables begin, entries the counts of input and output table entries.
    void setupLayout(uint32_t precision, uint32_t tablesOffset, uint32_t inputEntries, uint32_t outputEntries);
    uint8_t* nodeAddress(const uint16_t* gridIndices) const;

    uint32_t precision_ = 0;
    uint32_t numInputs_ = 0;
    uint32_t numOutputs_ = 0;
    uint32_t gridPoints_[maxChannels] = {};
    uint32_t inputEntries_ = 0;
    uint32_t outputEntries_ = 0;
    uint32_t clutPlaneBytes_ = 0;
    // Into the bytes; moved with them.
    mutable uint8_t* inputTable_[maxChannels] = {};
    mutable uint8_t* outputTable_[maxChannels] = {};
    mutable uint8_t* clut_ = nullptr;
    uint32_t clutStride_[maxChannels] = {};
};
