#pragma once
// lut8Type ("mft1"): 8-bit tables and CLUT of 256-entry curves. The 16-bit
// accessors scale by 257 on reading and keep the high byte on writing.

#include "csICCmftTag.h"

#include <vector>

class csICCmft1Tag : public csICCmftTag
{
public:
    // The bytes must have passed checkLayout.
    csICCmft1Tag(csSignature signature, uint32_t size, const uint8_t* bytes);
    csICCmft1Tag(const csICCmft1Tag& other);

    std::unique_ptr<csICCTag> sharingCopy(csSignature signature) const override;

    void getInputEntry(const uint16_t* indices, uint16_t* values) const override;
    void getOutputEntry(const uint16_t* indices, uint16_t* values) const override;
    void getClutNode(const uint16_t* gridIndices, uint16_t* values) const override;
    void getClutNodeDouble(const uint16_t* gridIndices, double* values) const override;
    void setInputEntry(const uint16_t* indices, const uint16_t* values) override;
    void setOutputEntry(const uint16_t* indices, const uint16_t* values) override;
    void setClutNode(const uint16_t* gridIndices, const uint16_t* values) override;
    void setup() override;

    // The CLUT nodes times 257 in host order, for the fixed-point kernels:
    // made on the first call, then kept in step by setClutNode one node at
    // a time. Valid until the next setup.
    const uint16_t* wideClut() const;

private:
    csICCmft1Tag(const csICCmft1Tag& other, csSignature signature, Sharing sharing)
        : csICCmftTag(other, signature, sharing)
    {
    }

    mutable std::vector<uint16_t> wideClut_;
};
