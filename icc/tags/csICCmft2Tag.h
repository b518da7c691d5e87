#pragma once
// lut16Type ("mft2"): 16-bit tables and CLUT. For fast evaluation the tables
// and CLUT are turned into the machine's byte order (toHostOrder) and back
// into big-endian file order just before the profile is written
// (prepareForWrite). The accessors work in either order.

#include "csICCmftTag.h"

class csICCmft2Tag : public csICCmftTag
{
public:
    // The bytes must have passed checkLayout; they are taken in file order.
    csICCmft2Tag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // The copy takes over the byte order of the source, so a copy of a tag in
    // host order is never mistaken for file order.
    csICCmft2Tag(const csICCmft2Tag& other);

    // Shares only bytes in file order.
    std::unique_ptr<csICCTag> sharingCopy(csSignature signature) const override;
    void prepareForWrite() override;
    void copyFileBytes(uint8_t* destination) const override;
    void toHostOrder();
    bool inHostOrder() const { return hostOrder_ != 0; }

    void getInputEntry(const uint16_t* indices, uint16_t* values) const override;
    void getOutputEntry(const uint16_t* indices, uint16_t* values) const override;
    void getClutNode(const uint16_t* gridIndices, uint16_t* values) const override;
    void getClutNodeDouble(const uint16_t* gridIndices, double* values) const override;
    void setInputEntry(const uint16_t* indices, const uint16_t* values) override;
    void setOutputEntry(const uint16_t* indices, const uint16_t* values) override;
    void setClutNode(const uint16_t* gridIndices, const uint16_t* values) override;
    // Derives the layout and takes the bytes as file order.
    void setup() override;

private:
    csICCmft2Tag(const csICCmft2Tag& other, csSignature signature, Sharing sharing)
        : csICCmftTag(other, signature, sharing)
    {
    }

    uint16_t read(const uint8_t* p) const;
    void write(uint8_t* p, uint16_t value);
    // Every 16-bit value from the first input table to the end of the last
    // output table; the swap is its own inverse.
    void swapTables(uint8_t* data) const;

    uint8_t hostOrder_ = 0;
};
