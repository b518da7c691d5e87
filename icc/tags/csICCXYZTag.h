#pragma once
// XYZType ("XYZ "): type signature, four reserved bytes, then XYZNumber
// entries of 12 bytes (X, Y, Z as s15Fixed16Number). The entry count follows
// from the size; every accessor reads and writes the bytes in place.

#include "csICCTag.h"

#include <cstdint>

class csICCXYZTag : public csICCTag
{
public:
    static constexpr uint32_t headerSize = 8;
    static constexpr uint32_t entrySize = 12;

    // Whether the bytes hold at least one entry. A refusal leaves one log
    // entry naming the tag.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The bytes should have passed checkLayout; a shorter tag has no entries.
    csICCXYZTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // A new tag of count entries, all equal to one value.
    csICCXYZTag(csSignature signature, uint32_t count, float X, float Y, float Z);
    csICCXYZTag(csSignature signature, uint32_t count, const float xyz[3]);
    // Raw s15Fixed16 values, written as they are.
    csICCXYZTag(csSignature signature, uint32_t count, const int32_t rawXYZ[3]);
    csICCXYZTag(const csICCXYZTag& other) = default;
    csICCXYZTag& operator=(const csICCXYZTag& other) = default;

    uint32_t numEntries() const;

    // Whole entries: 0, or -1 with an "index out of bounds" entry in the log
    // and the outputs untouched.
    int getXYZ(uint32_t index, float& X, float& Y, float& Z) const;
    int getXYZ(uint32_t index, float xyz[3]) const;
    int getXYZRaw(uint32_t index, int32_t xyz[3]) const;
    int setXYZ(uint32_t index, float X, float Y, float Z);
    int setXYZ(uint32_t index, const float xyz[3]);
    int setXYZRaw(uint32_t index, const int32_t xyz[3]);

    // Single components; the getters give 0 for a bad index.
    float getX(uint32_t index) const { return getComponent(index, 0); }
    float getY(uint32_t index) const { return getComponent(index, 1); }
    float getZ(uint32_t index) const { return getComponent(index, 2); }
    int32_t getXRaw(uint32_t index) const { return getComponentRaw(index, 0); }
    int32_t getYRaw(uint32_t index) const { return getComponentRaw(index, 1); }
    int32_t getZRaw(uint32_t index) const { return getComponentRaw(index, 2); }
    int setX(uint32_t index, float value) { return setComponent(index, 0, value); }
    int setY(uint32_t index, float value) { return setComponent(index, 1, value); }
    int setZ(uint32_t index, float value) { return setComponent(index, 2, value); }
    int setXRaw(uint32_t index, int32_t value) { return setComponentRaw(index, 0, value); }
    int setYRaw(uint32_t index, int32_t value) { return setComponentRaw(index, 1, value); }
    int setZRaw(uint32_t index, int32_t value) { return setComponentRaw(index, 2, value); }

private:
    // The new tag's bytes with every entry zero, or no entries when count
    // would not fit a 32-bit tag size.
    void allocateEntries(uint32_t count);
    // Whether index names an entry; otherwise logs the error for getting or
    // setting ("get", "set") component axis 0..2, or the whole entry (3).
    static constexpr unsigned wholeEntry = 3;
    bool checkIndex(uint32_t index, unsigned axis, const char* verb) const;
    const uint8_t* entryAt(uint32_t index) const { return data_.get() + headerSize + uint64_t(entrySize) * index; }
    uint8_t* entryAt(uint32_t index) { return data_.get() + headerSize + uint64_t(entrySize) * index; }

    float getComponent(uint32_t index, unsigned axis) const;
    int32_t getComponentRaw(uint32_t index, unsigned axis) const;
    int setComponent(uint32_t index, unsigned axis, float value);
    int setComponentRaw(uint32_t index, unsigned axis, int32_t value);
};
