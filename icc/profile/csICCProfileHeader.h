#pragma once
// The 128-byte ICC profile header, held exactly as it stands in the file.
// Every accessor reads or writes the big-endian bytes in place.

#include "csICCNumber.h"

#include <cstddef>
#include <cstdint>

struct csICCVersion
{
    unsigned major, minor, fix;
};

class csICCProfileHeader
{
public:
    static constexpr std::size_t size = 128;

    // Byte offsets of the header fields.
    enum Offset : std::size_t {
        ProfileSizeOffset = 0,
        PreferredCMMOffset = 4,
        VersionOffset = 8,
        DeviceClassOffset = 12,
        ColorSpaceOffset = 16,
        PCSOffset = 20,
        CreationDateOffset = 24,
        FileSignatureOffset = 36,
        PlatformOffset = 40,
        FlagsOffset = 44,
        ManufacturerOffset = 48,
        ModelOffset = 52,
        AttributesOffset = 56,
        RenderingIntentOffset = 64,
        IlluminantOffset = 68,
        CreatorOffset = 80,
        ProfileIDOffset = 84,
        ReservedOffset = 100,
    };
    static constexpr std::size_t profileIDSize = 16;

    // All zero bytes, then the defaults: CMM "APPL", version 2.1.0, created
    // now, "acsp", platform "MSFT", D50 illuminant, creator "Orv ".
    csICCProfileHeader();

    void fromMemory(const uint8_t* data);
    void toMemory(uint8_t* data) const;
    const uint8_t* bytes() const { return data_; }

    uint32_t profileSize() const;
    void setProfileSize(uint32_t size);

    csSignature preferredCMM() const;
    void setPreferredCMM(csSignature signature);

    // Byte 8 holds the major version as two BCD digits, byte 9 minor and fix
    // revision as one nibble each.
    csICCVersion version() const;
    unsigned majorVersion() const;
    // Values beyond two BCD digits or one nibble are written as 99 and 9.
    void setVersion(unsigned major, unsigned minor, unsigned fix);

    csSignature deviceClass() const;
    void setDeviceClass(csSignature signature);

    csSignature colorSpace() const;
    void setColorSpace(csSignature signature);
    // In a static buffer that the next call overwrites.
    const char* colorSpaceText() const;

    csSignature pcs() const;
    void setPCS(csSignature signature);
    // In a static buffer of its own that the next call overwrites.
    const char* pcsText() const;

    csDateTime creationDate() const;
    void setCreationDate(const csDateTime& date);
    // The machine's local time.
    void setCreationDateNow();

    csSignature fileSignature() const;
    void setFileSignature(csSignature signature);

    csSignature platform() const;
    void setPlatform(csSignature signature);

    uint32_t flags() const;
    void setFlags(uint32_t flags);

    csSignature manufacturer() const;
    void setManufacturer(csSignature signature);

    csSignature model() const;
    void setModel(csSignature signature);

    uint64_t attributes() const;
    void setAttributes(uint64_t attributes);

    uint32_t renderingIntent() const;
    void setRenderingIntent(uint32_t intent);

    // As raw s15Fixed16 values or as numbers.
    void illuminantRaw(int32_t xyz[3]) const;
    void setIlluminantRaw(const int32_t xyz[3]);
    csXYZNumber illuminant() const;
    void setIlluminant(const csXYZNumber& xyz);

    csSignature creator() const;
    void setCreator(csSignature signature);

    // The 16 bytes in place.
    const uint8_t* profileID() const { return data_ + ProfileIDOffset; }
    void setProfileID(const uint8_t id[profileIDSize]);

    // Level 0 to 3; each level adds checks to the ones below it.
    bool isValid(int level) const;

private:
    bool allZero(std::size_t from, std::size_t to) const;

    uint8_t data_[size];
};
