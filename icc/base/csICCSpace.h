#pragma once
// A colour-space signature with its channel count and channel ranges.

#include "csICCNumber.h"

class csICCSpace
{
public:
    static constexpr int maxChannels = 16;

    explicit csICCSpace(csSignature signature);

    csSignature signature() const { return signature_; }
    bool isKnown() const { return index_ >= 0; }
    // Position in the space table, -1 for a signature that is not there.
    int index() const { return index_; }
    // 0 for a signature that is not in the table.
    unsigned numChannels() const;

    const float* minValues() const { return minValue_; }
    const float* maxValues() const { return maxValue_; }
    float minValue(unsigned channel) const;
    float maxValue(unsigned channel) const;
    void resetRanges();

private:
    csSignature signature_;
    int index_;
    float minValue_[maxChannels];
    float maxValue_[maxChannels];
};
