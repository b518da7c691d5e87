#include "csICCXYZTag.h"

#include "csErrorLog.h"

#include <array>

namespace {

const char axisName[3] = {'X', 'Y', 'Z'};

std::array<int32_t, 3> encode(float X, float Y, float Z)
{
    return {static_cast<int32_t>(csEncodeS15Fixed16(X)), static_cast<int32_t>(csEncodeS15Fixed16(Y)),
            static_cast<int32_t>(csEncodeS15Fixed16(Z))};
}

} // namespace

bool csICCXYZTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* /*bytes*/)
{
    if (uint64_t(size) < uint64_t(headerSize) + entrySize) {
        csErrorLog::error("corrupt tag data", "XYZ tag '%4s' of %u bytes holds no XYZ number (%u bytes needed)",
                          csSigText(signature).text, size, headerSize + entrySize);
        return false;
    }
    return true;
}

csICCXYZTag::csICCXYZTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

csICCXYZTag::csICCXYZTag(csSignature signature, uint32_t count, float X, float Y, float Z)
    : csICCXYZTag(signature, count, encode(X, Y, Z).data())
{
}

csICCXYZTag::csICCXYZTag(csSignature signature, uint32_t count, const float xyz[3])
    : csICCXYZTag(signature, count, encode(xyz[0], xyz[1], xyz[2]).data())
{
}

csICCXYZTag::csICCXYZTag(csSignature signature, uint32_t count, const int32_t rawXYZ[3])
    : csICCTag(signature, 0, nullptr)
{
    allocateEntries(count);
    for (uint32_t i = 0; i < numEntries(); ++i)
        setXYZRaw(i, rawXYZ);
}

void csICCXYZTag::allocateEntries(uint32_t count)
{
    uint64_t size = headerSize + uint64_t(entrySize) * count;
    if (size > UINT32_MAX) {
        csErrorLog::error("tag too large", "XYZ tag '%4s' with %u entries exceeds the largest tag size",
                          csSigText(signature_).text, count);
        size = headerSize;
    }
    data_.reset(new uint8_t[size]());
    size_ = static_cast<uint32_t>(size);
    csSetSignature(data_.get(), csSig("XYZ "));
}

uint32_t csICCXYZTag::numEntries() const
{
    return size_ < headerSize ? 0 : (size_ - headerSize) / entrySize;
}

bool csICCXYZTag::checkIndex(uint32_t index, unsigned axis, const char* verb) const
{
    const uint32_t count = numEntries();
    if (index < count)
        return true;
    if (axis == wholeEntry)
        csErrorLog::error("index out of bounds", "tried to %s XYZ number %u of %u", verb, index, count);
    else
        csErrorLog::error("index out of bounds", "tried to %s %c of XYZ number %u of %u", verb, axisName[axis],
                          index, count);
    return false;
}

int csICCXYZTag::getXYZ(uint32_t index, float& X, float& Y, float& Z) const
{
    if (!checkIndex(index, wholeEntry, "get"))
        return -1;
    const uint8_t* p = entryAt(index);
    X = static_cast<float>(csGetS15Fixed16(p));
    Y = static_cast<float>(csGetS15Fixed16(p + 4));
    Z = static_cast<float>(csGetS15Fixed16(p + 8));
    return 0;
}

int csICCXYZTag::getXYZ(uint32_t index, float xyz[3]) const
{
    return getXYZ(index, xyz[0], xyz[1], xyz[2]);
}

int csICCXYZTag::getXYZRaw(uint32_t index, int32_t xyz[3]) const
{
    if (!checkIndex(index, wholeEntry, "get"))
        return -1;
    for (unsigned axis = 0; axis < 3; ++axis)
        xyz[axis] = csGetS15Fixed16Raw(entryAt(index) + 4 * axis);
    return 0;
}

int csICCXYZTag::setXYZ(uint32_t index, float X, float Y, float Z)
{
    if (!checkIndex(index, wholeEntry, "set"))
        return -1;
    uint8_t* p = entryAt(index);
    csSetS15Fixed16(p, X);
    csSetS15Fixed16(p + 4, Y);
    csSetS15Fixed16(p + 8, Z);
    return 0;
}

int csICCXYZTag::setXYZ(uint32_t index, const float xyz[3])
{
    return setXYZ(index, xyz[0], xyz[1], xyz[2]);
}

int csICCXYZTag::setXYZRaw(uint32_t index, const int32_t xyz[3])
{
    if (!checkIndex(index, wholeEntry, "set"))
        return -1;
    for (unsigned axis = 0; axis < 3; ++axis)
        csSetUInt32(entryAt(index) + 4 * axis, static_cast<uint32_t>(xyz[axis]));
    return 0;
}

float csICCXYZTag::getComponent(uint32_t index, unsigned axis) const
{
    if (!checkIndex(index, axis, "get"))
        return 0.0f;
    return static_cast<float>(csGetS15Fixed16(entryAt(index) + 4 * axis));
}

int32_t csICCXYZTag::getComponentRaw(uint32_t index, unsigned axis) const
{
    if (!checkIndex(index, axis, "get"))
        return 0;
    return csGetS15Fixed16Raw(entryAt(index) + 4 * axis);
}

int csICCXYZTag::setComponent(uint32_t index, unsigned axis, float value)
{
    if (!checkIndex(index, axis, "set"))
        return -1;
    csSetS15Fixed16(entryAt(index) + 4 * axis, value);
    return 0;
}

int csICCXYZTag::setComponentRaw(uint32_t index, unsigned axis, int32_t value)
{
    if (!checkIndex(index, axis, "set"))
        return -1;
    csSetUInt32(entryAt(index) + 4 * axis, static_cast<uint32_t>(value));
    return 0;
}
