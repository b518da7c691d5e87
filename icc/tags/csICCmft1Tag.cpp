#include "csICCmft1Tag.h"

namespace {

// 0xFF reads as 0xFFFF and 0x80 as 0x8080.
inline uint16_t widen(uint8_t value)
{
    return static_cast<uint16_t>(value * 257);
}

// Truncating: 0x80FF is stored as 0x80.
inline uint8_t narrow(uint16_t value)
{
    return static_cast<uint8_t>(value >> 8);
}

} // namespace

csICCmft1Tag::csICCmft1Tag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCmftTag(signature, size, bytes)
{
    setup();
}

csICCmft1Tag::csICCmft1Tag(const csICCmft1Tag& other)
    : csICCmftTag(other)
{
    setup();
}

std::unique_ptr<csICCTag> csICCmft1Tag::sharingCopy(csSignature signature) const
{
    return std::unique_ptr<csICCTag>(new csICCmft1Tag(*this, signature, Sharing()));
}

void csICCmft1Tag::setup()
{
    setupLayout(1, 48, 256, 256);
    wideClut_.clear();
}

const uint16_t* csICCmft1Tag::wideClut() const
{
    if (wideClut_.empty()) {
        std::size_t values = numOutputs_;
        for (uint32_t c = 0; c < numInputs_; ++c)
            values *= gridPoints_[c];
        wideClut_.resize(values);
        for (std::size_t i = 0; i < values; ++i)
            wideClut_[i] = widen(clut_[i]);
    }
    return wideClut_.data();
}

void csICCmft1Tag::getInputEntry(const uint16_t* indices, uint16_t* values) const
{
    for (uint32_t c = 0; c < numInputs_; ++c)
        values[c] = widen(inputTable_[c][indices[c]]);
}

void csICCmft1Tag::getOutputEntry(const uint16_t* indices, uint16_t* values) const
{
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = widen(outputTable_[k][indices[k]]);
}

void csICCmft1Tag::getClutNode(const uint16_t* gridIndices, uint16_t* values) const
{
    const uint8_t* node = nodeAddress(gridIndices);
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = widen(node[k]);
}

void csICCmft1Tag::getClutNodeDouble(const uint16_t* gridIndices, double* values) const
{
    const uint8_t* node = nodeAddress(gridIndices);
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = widen(node[k]);
}

void csICCmft1Tag::setInputEntry(const uint16_t* indices, const uint16_t* values)
{
    ownBytes();
    for (uint32_t c = 0; c < numInputs_; ++c)
        inputTable_[c][indices[c]] = narrow(values[c]);
}

void csICCmft1Tag::setOutputEntry(const uint16_t* indices, const uint16_t* values)
{
    ownBytes();
    for (uint32_t k = 0; k < numOutputs_; ++k)
        outputTable_[k][indices[k]] = narrow(values[k]);
}

void csICCmft1Tag::setClutNode(const uint16_t* gridIndices, const uint16_t* values)
{
    ownBytes();
    uint8_t* node = nodeAddress(gridIndices);
    uint16_t* wide = wideClut_.empty() ? nullptr : wideClut_.data() + (node - clut_);
    for (uint32_t k = 0; k < numOutputs_; ++k) {
        node[k] = narrow(values[k]);
        if (wide)
            wide[k] = widen(node[k]);
    }
}
