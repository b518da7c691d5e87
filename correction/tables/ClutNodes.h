#pragma once
// The CLUT nodes of one lookup-table tag, whichever type holds them:
// lut8/lut16 ("mft1", "mft2") or lutAtoB/lutBtoA ("mAB ", "mBA "). The
// corrections edit nodes and nothing else, so this is all they need of a
// tag. A handle: it points into the tag and does not own it.
//
// Values are 16-bit whatever the precision; an 8-bit tag keeps the high
// byte of what is set.

#include <cstdint>

// Device channels the corrections work on: CMYK at most. A LUT itself may
// have up to 16 (csICCmftTag::maxChannels).
constexpr unsigned maxCorrectedChannels = 4;

class csICCTag;
class csICCmABTag;
class csICCmftTag;

class ClutNodes
{
public:
    // Empty (false) for a tag that is not a lookup table or has no CLUT.
    explicit ClutNodes(csICCTag* tag = nullptr);

    explicit operator bool() const { return mft_ || mab_; }
    csICCTag* tag() const;
    unsigned numInputs() const;
    unsigned numOutputs() const;
    // Per input; each input may have a grid of its own.
    const uint32_t* gridPoints() const;
    // Bytes per stored value, 1 or 2.
    uint32_t precision() const;

    // One index per input, below its grid count; one value per output.
    void get(const uint16_t* gridIndices, uint16_t* values) const;
    void getDouble(const uint16_t* gridIndices, double* values) const;
    void set(const uint16_t* gridIndices, const uint16_t* values);

private:
    csICCmftTag* mft_ = nullptr;
    csICCmABTag* mab_ = nullptr;
};
