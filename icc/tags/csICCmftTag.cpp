#include "csICCmftTag.h"

#include "csErrorLog.h"

namespace {

// Grid bytes 0 and 1 stand for 256 and 257 points (the "extended CLUT").
uint32_t gridPointsOf(uint8_t gridByte)
{
    return gridByte <= 1 ? gridByte + 256u : gridByte;
}

} // namespace

csICCmftTag::csICCmftTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

bool csICCmftTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    const csSigText name(signature);
    const bool lut16 = size >= 4 && csGetSignature(bytes) == csSig("mft2");
    const uint32_t precision = lut16 ? 2 : 1;
    const uint32_t tablesOffset = lut16 ? 52 : 48;
    const char* const type = lut16 ? "mft2" : "mft1";
    if (size < tablesOffset) {
        csErrorLog::error("bad LUT tag", "tag '%4s' (%s) of %u bytes is shorter than its %u-byte header",
                          name.text, type, size, tablesOffset);
        return false;
    }
    const uint32_t inputs = bytes[8];
    const uint32_t outputs = bytes[9];
    if (inputs < 1 || inputs > maxChannels || outputs < 1 || outputs > maxChannels) {
        csErrorLog::error("bad LUT tag", "tag '%4s' (%s) has %u inputs and %u outputs; 1 to %u are supported",
                          name.text, type, inputs, outputs, maxChannels);
        return false;
    }
    const uint32_t inputEntries = lut16 ? csGetUInt16(bytes + 48) : 256;
    const uint32_t outputEntries = lut16 ? csGetUInt16(bytes + 50) : 256;
    if (inputEntries < 2 || outputEntries < 2) {
        csErrorLog::error("bad LUT tag", "tag '%4s' (%s) has %u input and %u output table entries; at least 2 are needed",
                          name.text, type, inputEntries, outputEntries);
        return false;
    }

    // The CLUT size is checked after every factor, so it never overflows:
    // it stays below 2^32 before a multiplication by at most 257.
    const uint32_t grid = gridPointsOf(bytes[10]);
    const uint64_t inputTablesEnd = tablesOffset + uint64_t(precision) * inputEntries * inputs;
    uint64_t clutBytes = uint64_t(precision) * outputs;
    uint64_t needed = inputTablesEnd + clutBytes;
    for (uint32_t c = 0; c < inputs && needed <= size; ++c) {
        clutBytes *= grid;
        needed = inputTablesEnd + clutBytes;
    }
    if (needed <= size)
        needed += uint64_t(precision) * outputEntries * outputs;
    if (needed > size) {
        csErrorLog::error("bad LUT tag", "tag '%4s' (%s) with %u inputs, %u outputs and %u grid points does not fit in its %u bytes",
                          name.text, type, inputs, outputs, grid, size);
        return false;
    }
    return true;
}

void csICCmftTag::setupLayout(uint32_t precision, uint32_t tablesOffset, uint32_t inputEntries,
                              uint32_t outputEntries)
{
    uint8_t* const d = data_.get();
    precision_ = precision;
    numInputs_ = d[8];
    numOutputs_ = d[9];
    inputEntries_ = inputEntries;
    outputEntries_ = outputEntries;

    const uint8_t gridByte = d[10];
    const uint32_t grid = gridPointsOf(gridByte);
    if (gridByte <= 1)
        csErrorLog::warning("extended CLUT", "number of CLUT points set to %u", grid);

    clutPlaneBytes_ = precision_;
    for (uint32_t c = 0; c < maxChannels; ++c) {
        const bool used = c < numInputs_;
        gridPoints_[c] = used ? grid : 0;
        inputTable_[c] = used ? d + tablesOffset + precision_ * inputEntries_ * c : nullptr;
        clutStride_[c] = 0;
    }
    // The last input varies fastest: its stride is one node.
    for (uint32_t c = 0; c < numInputs_; ++c) {
        clutStride_[numInputs_ - 1 - c] = clutPlaneBytes_ * numOutputs_;
        clutPlaneBytes_ *= gridPoints_[c];
    }
    clut_ = d + tablesOffset + precision_ * inputEntries_ * numInputs_;
    for (uint32_t k = 0; k < maxChannels; ++k)
        outputTable_[k] = k < numOutputs_ ? clut_ + clutPlaneBytes_ * numOutputs_ + precision_ * outputEntries_ * k
                                          : nullptr;
}

uint8_t* csICCmftTag::nodeAddress(const uint16_t* gridIndices) const
{
    uint8_t* node = clut_;
    for (uint32_t c = 0; c < numInputs_; ++c)
        node += gridIndices[c] * clutStride_[c];
    return node;
}

csICCmftTag::csICCmftTag(const csICCmftTag& other, csSignature signature, Sharing sharing)
    : csICCTag(other, signature, sharing), precision_(other.precision_), numInputs_(other.numInputs_),
      numOutputs_(other.numOutputs_), inputEntries_(other.inputEntries_), outputEntries_(other.outputEntries_),
      clutPlaneBytes_(other.clutPlaneBytes_), clut_(other.clut_)
{
    for (unsigned c = 0; c < maxChannels; ++c) {
        gridPoints_[c] = other.gridPoints_[c];
        inputTable_[c] = other.inputTable_[c];
        outputTable_[c] = other.outputTable_[c];
        clutStride_[c] = other.clutStride_[c];
    }
}

void csICCmftTag::bytesMoved(const uint8_t* from, uint8_t* to) const
{
    auto moved = [&](uint8_t*& p) {
        if (p)
            p = to + (p - from);
    };
    for (unsigned c = 0; c < maxChannels; ++c) {
        moved(inputTable_[c]);
        moved(outputTable_[c]);
    }
    moved(clut_);
}

bool csICCmftTag::matrixIsIdentity() const
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (csGetUInt32(data_.get() + matrixOffset + 4 * (3 * r + c)) != (r == c ? 0x10000u : 0u))
                return false;
    return true;
}
