#include "csICCmft2Tag.h"

#include <cstring>

namespace {

constexpr uint32_t tablesOffset = 52;

} // namespace

csICCmft2Tag::csICCmft2Tag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCmftTag(signature, size, bytes)
{
    setup();
}

csICCmft2Tag::csICCmft2Tag(const csICCmft2Tag& other)
    : csICCmftTag(other)
{
    setup();
    hostOrder_ = other.hostOrder_;
}

std::unique_ptr<csICCTag> csICCmft2Tag::sharingCopy(csSignature signature) const
{
    if (hostOrder_)
        return nullptr;
    return std::unique_ptr<csICCTag>(new csICCmft2Tag(*this, signature, Sharing()));
}

void csICCmft2Tag::setup()
{
    hostOrder_ = 0;
    const uint8_t* d = data_.get();
    setupLayout(2, tablesOffset, csGetUInt16(d + 48), csGetUInt16(d + 50));
}

void csICCmft2Tag::swapTables(uint8_t* data) const
{
    const std::size_t bytes = static_cast<std::size_t>(outputTable_[numOutputs_ - 1] - data_.get()) +
                              2u * outputEntries_ - tablesOffset;
    csSwapUInt16Run(data + tablesOffset, bytes / 2);
}

void csICCmft2Tag::toHostOrder()
{
    if (hostOrder_ == 1)
        return;
    ownBytes();
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
    swapTables(data_.get());
#endif
    hostOrder_ = 1;
}

void csICCmft2Tag::prepareForWrite()
{
    if (hostOrder_ == 0)
        return;
    ownBytes();
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
    swapTables(data_.get());
#endif
    hostOrder_ = 0;
}

void csICCmft2Tag::copyFileBytes(uint8_t* destination) const
{
    std::memcpy(destination, data_.get(), size_);
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
    if (hostOrder_)
        swapTables(destination);
#endif
}

uint16_t csICCmft2Tag::read(const uint8_t* p) const
{
    if (hostOrder_) {
        uint16_t value;
        std::memcpy(&value, p, 2);
        return value;
    }
    return csGetUInt16(p);
}

void csICCmft2Tag::write(uint8_t* p, uint16_t value)
{
    if (read(p) == value)
        return;
    if (hostOrder_)
        std::memcpy(p, &value, 2);
    else
        csSetUInt16(p, value);
}

void csICCmft2Tag::getInputEntry(const uint16_t* indices, uint16_t* values) const
{
    for (uint32_t c = 0; c < numInputs_; ++c)
        values[c] = read(inputTable_[c] + 2 * indices[c]);
}

void csICCmft2Tag::getOutputEntry(const uint16_t* indices, uint16_t* values) const
{
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = read(outputTable_[k] + 2 * indices[k]);
}

void csICCmft2Tag::getClutNode(const uint16_t* gridIndices, uint16_t* values) const
{
    const uint8_t* node = nodeAddress(gridIndices);
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = read(node + 2 * k);
}

void csICCmft2Tag::getClutNodeDouble(const uint16_t* gridIndices, double* values) const
{
    const uint8_t* node = nodeAddress(gridIndices);
    for (uint32_t k = 0; k < numOutputs_; ++k)
        values[k] = read(node + 2 * k);
}

void csICCmft2Tag::setInputEntry(const uint16_t* indices, const uint16_t* values)
{
    ownBytes();
    for (uint32_t c = 0; c < numInputs_; ++c)
        write(inputTable_[c] + 2 * indices[c], values[c]);
}

void csICCmft2Tag::setOutputEntry(const uint16_t* indices, const uint16_t* values)
{
    ownBytes();
    for (uint32_t k = 0; k < numOutputs_; ++k)
        write(outputTable_[k] + 2 * indices[k], values[k]);
}

void csICCmft2Tag::setClutNode(const uint16_t* gridIndices, const uint16_t* values)
{
    ownBytes();
    uint8_t* node = nodeAddress(gridIndices);
    for (uint32_t k = 0; k < numOutputs_; ++k)
        write(node + 2 * k, values[k]);
}
