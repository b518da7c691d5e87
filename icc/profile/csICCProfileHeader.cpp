#include "csICCProfileHeader.h"

#include <cassert>
#include <cstring>

namespace {

uint8_t toBCD(unsigned value)
{
    return value > 99 ? 0x99 : static_cast<uint8_t>((value / 10) << 4 | value % 10);
}

bool isPCSSpace(csSignature signature)
{
    return signature == csSig("Lab ") || signature == csSig("XYZ ");
}

} // namespace

csICCProfileHeader::csICCProfileHeader()
{
    std::memset(data_, 0, size);
    setPreferredCMM(csSig("APPL"));
    setVersion(2, 1, 0);
    setCreationDateNow();
    setFileSignature(csSig("acsp"));
    setPlatform(csSig("MSFT"));
    // D50 as the ICC stores it: X 0.9642, Y 1.0, Z 0.8249.
    const int32_t d50[3] = {0xF6D6, 0x10000, 0xD32D};
    setIlluminantRaw(d50);
    setCreator(csSig("Orv "));
}

void csICCProfileHeader::fromMemory(const uint8_t* data)
{
    assert(data != 0);
    std::memcpy(data_, data, size);
}

void csICCProfileHeader::toMemory(uint8_t* data) const
{
    assert(data != 0);
    std::memcpy(data, data_, size);
}

uint32_t csICCProfileHeader::profileSize() const { return csGetUInt32(data_ + ProfileSizeOffset); }
void csICCProfileHeader::setProfileSize(uint32_t value) { csSetUInt32(data_ + ProfileSizeOffset, value); }

csSignature csICCProfileHeader::preferredCMM() const { return csGetSignature(data_ + PreferredCMMOffset); }
void csICCProfileHeader::setPreferredCMM(csSignature s) { csSetSignature(data_ + PreferredCMMOffset, s); }

csICCVersion csICCProfileHeader::version() const
{
    const uint8_t revision = data_[VersionOffset + 1];
    return {majorVersion(), unsigned(revision >> 4), unsigned(revision & 0x0F)};
}

unsigned csICCProfileHeader::majorVersion() const
{
    const uint8_t bcd = data_[VersionOffset];
    return (bcd & 0x0F) + 10u * (bcd >> 4);
}

void csICCProfileHeader::setVersion(unsigned major, unsigned minor, unsigned fix)
{
    data_[VersionOffset] = toBCD(major);
    data_[VersionOffset + 1] = static_cast<uint8_t>((minor > 9 ? 9 : minor) << 4 | (fix > 9 ? 9 : fix));
    data_[VersionOffset + 2] = 0;
    data_[VersionOffset + 3] = 0;
}

csSignature csICCProfileHeader::deviceClass() const { return csGetSignature(data_ + DeviceClassOffset); }
void csICCProfileHeader::setDeviceClass(csSignature s) { csSetSignature(data_ + DeviceClassOffset, s); }

csSignature csICCProfileHeader::colorSpace() const { return csGetSignature(data_ + ColorSpaceOffset); }
void csICCProfileHeader::setColorSpace(csSignature s) { csSetSignature(data_ + ColorSpaceOffset, s); }

const char* csICCProfileHeader::colorSpaceText() const
{
    static char text[5];
    std::memcpy(text, csSigText(colorSpace()).text, sizeof text);
    return text;
}

csSignature csICCProfileHeader::pcs() const { return csGetSignature(data_ + PCSOffset); }
void csICCProfileHeader::setPCS(csSignature s) { csSetSignature(data_ + PCSOffset, s); }

const char* csICCProfileHeader::pcsText() const
{
    static char text[5];
    std::memcpy(text, csSigText(pcs()).text, sizeof text);
    return text;
}

csDateTime csICCProfileHeader::creationDate() const { return csGetDateTime(data_ + CreationDateOffset); }
void csICCProfileHeader::setCreationDate(const csDateTime& date) { csSetDateTime(data_ + CreationDateOffset, date); }

void csICCProfileHeader::setCreationDateNow()
{
    setCreationDate(csCurrentDateTime());
}

csSignature csICCProfileHeader::fileSignature() const { return csGetSignature(data_ + FileSignatureOffset); }
void csICCProfileHeader::setFileSignature(csSignature s) { csSetSignature(data_ + FileSignatureOffset, s); }

csSignature csICCProfileHeader::platform() const { return csGetSignature(data_ + PlatformOffset); }
void csICCProfileHeader::setPlatform(csSignature s) { csSetSignature(data_ + PlatformOffset, s); }

uint32_t csICCProfileHeader::flags() const { return csGetUInt32(data_ + FlagsOffset); }
void csICCProfileHeader::setFlags(uint32_t value) { csSetUInt32(data_ + FlagsOffset, value); }

csSignature csICCProfileHeader::manufacturer() const { return csGetSignature(data_ + ManufacturerOffset); }
void csICCProfileHeader::setManufacturer(csSignature s) { csSetSignature(data_ + ManufacturerOffset, s); }

csSignature csICCProfileHeader::model() const { return csGetSignature(data_ + ModelOffset); }
void csICCProfileHeader::setModel(csSignature s) { csSetSignature(data_ + ModelOffset, s); }

uint64_t csICCProfileHeader::attributes() const { return csGetUInt64(data_ + AttributesOffset); }
void csICCProfileHeader::setAttributes(uint64_t value) { csSetUInt64(data_ + AttributesOffset, value); }

uint32_t csICCProfileHeader::renderingIntent() const { return csGetUInt32(data_ + RenderingIntentOffset); }
void csICCProfileHeader::setRenderingIntent(uint32_t intent) { csSetUInt32(data_ + RenderingIntentOffset, intent); }

void csICCProfileHeader::illuminantRaw(int32_t xyz[3]) const
{
    for (int i = 0; i < 3; ++i)
        xyz[i] = csGetS15Fixed16Raw(data_ + IlluminantOffset + 4 * i);
}

void csICCProfileHeader::setIlluminantRaw(const int32_t xyz[3])
{
    for (int i = 0; i < 3; ++i)
        csSetUInt32(data_ + IlluminantOffset + 4 * i, static_cast<uint32_t>(xyz[i]));
}

csXYZNumber csICCProfileHeader::illuminant() const { return csGetXYZNumber(data_ + IlluminantOffset); }
void csICCProfileHeader::setIlluminant(const csXYZNumber& xyz) { csSetXYZNumber(data_ + IlluminantOffset, xyz); }

csSignature csICCProfileHeader::creator() const { return csGetSignature(data_ + CreatorOffset); }
void csICCProfileHeader::setCreator(csSignature s) { csSetSignature(data_ + CreatorOffset, s); }

void csICCProfileHeader::setProfileID(const uint8_t id[profileIDSize])
{
    std::memcpy(data_ + ProfileIDOffset, id, profileIDSize);
}

bool csICCProfileHeader::allZero(std::size_t from, std::size_t to) const
{
    for (std::size_t i = from; i < to; ++i)
        if (data_[i] != 0)
            return false;
    return true;
}

bool csICCProfileHeader::isValid(int level) const
{
    if (fileSignature() != csSig("acsp") || profileSize() < size)
        return false;
    if (level < 1)
        return true;

    if (majorVersion() < 2 || renderingIntent() > 3)
        return false;
    const csSignature cls = deviceClass();
    if ((cls == csSig("scnr") || cls == csSig("mntr") || cls == csSig("prtr")) && !isPCSSpace(pcs()))
        return false;
    if (cls == csSig("abst") && !(isPCSSpace(colorSpace()) && isPCSSpace(pcs())))
        return false;
    if (level < 2)
        return true;

    if (data_[VersionOffset + 2] != 0 || data_[VersionOffset + 3] != 0)
        return false;
    if (level < 3)
        return true;

    if (data_[FlagsOffset] != 0 || data_[FlagsOffset + 1] != 0)
        return false;
    if (!allZero(AttributesOffset, AttributesOffset + 4))
        return false;
    // Version 2 headers have no profile ID, so everything from byte 84 on is reserved.
    switch (data_[VersionOffset]) {
    case 0x02: return allZero(ProfileIDOffset, size);
    case 0x04: return allZero(ReservedOffset, size);
    default: return false;
    }
}
