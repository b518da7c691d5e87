#include "csICCSpace.h"

#include <cassert>

namespace {

struct SpaceRow
{
    csSignature signature;
    unsigned channels;
};

const SpaceRow spaceTable[] = {
    {csSig("GRAY"), 1},  {csSig("XYZ "), 3},  {csSig("Lab "), 3},  {csSig("Luv "), 3},
    {csSig("YCbr"), 3},  {csSig("Yxy "), 3},  {csSig("RGB "), 3},  {csSig("HSV "), 3},
    {csSig("HLS "), 3},  {csSig("CMY "), 3},  {csSig("CMYK"), 4},  {csSig("1CLR"), 1},
    {csSig("2CLR"), 2},  {csSig("3CLR"), 3},  {csSig("4CLR"), 4},  {csSig("5CLR"), 5},
    {csSig("6CLR"), 6},  {csSig("7CLR"), 7},  {csSig("8CLR"), 8},  {csSig("9CLR"), 9},
    {csSig("ACLR"), 10}, {csSig("BCLR"), 11}, {csSig("CCLR"), 12}, {csSig("DCLR"), 13},
    {csSig("ECLR"), 14}, {csSig("FCLR"), 15}, {csSig("GCLR"), 16}, {csSig("MCH1"), 1},
    {csSig("MCH2"), 2},  {csSig("MCH3"), 3},  {csSig("MCH4"), 4},  {csSig("MCH5"), 5},
    {csSig("MCH6"), 6},  {csSig("MCH7"), 7},  {csSig("MCH8"), 8},  {csSig("MCH9"), 9},
    {csSig("MCHA"), 10}, {csSig("MCHB"), 11}, {csSig("MCHC"), 12}, {csSig("MCHD"), 13},
    {csSig("MCHE"), 14}, {csSig("MCHF"), 15}, {csSig("MCHG"), 16},
};

constexpr int spaceTableRows = sizeof(spaceTable) / sizeof(spaceTable[0]);
static_assert(spaceTableRows == 43, "the space table has 43 rows");

} // namespace

csICCSpace::csICCSpace(csSignature signature)
    : signature_(signature), index_(-1)
{
    for (int i = 0; i < spaceTableRows; ++i) {
        if (spaceTable[i].signature == signature) {
            index_ = i;
            break;
        }
    }
    resetRanges();
    if (signature == csSig("Lab ")) {
        minValue_[1] = minValue_[2] = -128.0f;
        maxValue_[1] = maxValue_[2] = 127.0f;
    }
}

unsigned csICCSpace::numChannels() const
{
    return index_ >= 0 ? spaceTable[index_].channels : 0;
}

float csICCSpace::minValue(unsigned channel) const
{
    assert(channel < numChannels());
    return minValue_[channel];
}

float csICCSpace::maxValue(unsigned channel) const
{
    assert(channel < numChannels());
    return maxValue_[channel];
}

void csICCSpace::resetRanges()
{
    for (int i = 0; i < maxChannels; ++i) {
        minValue_[i] = 0.0f;
        maxValue_[i] = 100.0f;
    }
}
