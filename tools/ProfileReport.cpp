#include "ProfileReport.h"

#include "csICCmftTag.h"

#include <cstring>

namespace {

const char* deviceClassName(csSignature deviceClass)
{
    struct Name { csSignature signature; const char* name; };
    static const Name names[] = {
        {csSig("scnr"), "input"},       {csSig("mntr"), "display"},  {csSig("prtr"), "output"},
        {csSig("link"), "device link"}, {csSig("spac"), "colour space"}, {csSig("abst"), "abstract"},
        {csSig("nmcl"), "named colour"},
    };
    for (const Name& n : names)
        if (n.signature == deviceClass)
            return n.name;
    return "unknown class";
}

const char* intentName(uint32_t intent)
{
    static const char* const names[] = {"perceptual", "relative colorimetric", "saturation",
                                        "absolute colorimetric"};
    return intent < 4 ? names[intent] : "not an ICC intent";
}

std::string hexText(const uint8_t* bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string profileIDStatus(const csICCProfile& profile, const std::vector<uint8_t>& block)
{
    const uint8_t* stored = profile.header().profileID();
    static const uint8_t zero[csICCProfileHeader::profileIDSize] = {};
    const bool absent = std::memcmp(stored, zero, sizeof zero) == 0;
    if (profile.header().majorVersion() < 4)
        return absent ? "none" : "set, but version 2 and 3 profiles have none";
    if (absent)
        return "none";
    uint8_t computed[csICCProfileHeader::profileIDSize];
    csICCProfile::computeProfileID(block.data(), block.size(), computed);
    return std::memcmp(stored, computed, sizeof computed) == 0 ? "matches the contents"
                                                               : "does not match the contents";
}

void writeLutReport(std::FILE* out, const csICCProfile& profile)
{
    bool heading = false;
    for (uint32_t i = 0; i < profile.tagTable().count(); ++i) {
        const csICCTag* tag = profile.tagTable().tagAt(i);
        const csSignature type = tag->getType();
        if (type != csSig("mft1") && type != csSig("mft2"))
            continue;
        if (!heading) {
            std::fprintf(out, "\nLUT tags\n");
            heading = true;
        }
        const std::string name = signatureText(tag->signature());
        const auto* lut = dynamic_cast<const csICCmftTag*>(tag);
        if (!lut) {
            std::fprintf(out, "  %-9s  %s  not usable: its tables do not fit its %u bytes\n", name.c_str(),
                         csSigText(type).text, tag->size());
            continue;
        }
        std::fprintf(out, "  %-9s  %s  %2u in  %2u out  grid %3u  input tables %5u entries  "
                          "output tables %5u entries  matrix %s\n",
                     name.c_str(), csSigText(type).text, lut->numInputs(), lut->numOutputs(), lut->gridPoints()[0],
                     lut->inputEntries(), lut->outputEntries(), lut->matrixIsIdentity() ? "identity" : "not identity");
    }
}

} // namespace

std::string signatureText(csSignature signature)
{
    const csSigText text(signature);
    if (signature == 0)
        return "(none)";
    for (int i = 0; i < 4; ++i) {
        if (text.text[i] < 0x20 || text.text[i] > 0x7E) {
            uint8_t bytes[4];
            csSetSignature(bytes, signature);
            return "0x" + hexText(bytes, 4);
        }
    }
    return std::string("'") + text.text + "'";
}

void writeProfileReport(std::FILE* out, const csICCProfile& profile,
                        const std::vector<csICCTagDirEntry>& directory, const std::vector<uint8_t>& block)
{
    const csICCProfileHeader& h = profile.header();
    const csICCVersion version = h.version();
    const csDateTime date = h.creationDate();
    const csXYZNumber white = h.illuminant();

    std::fprintf(out, "Size              %u bytes\n", h.profileSize());
    std::fprintf(out, "Preferred CMM     %s\n", signatureText(h.preferredCMM()).c_str());
    std::fprintf(out, "Version           %u.%u.%u\n", version.major, version.minor, version.fix);
    std::fprintf(out, "Device class      %s (%s)\n", signatureText(h.deviceClass()).c_str(),
                 deviceClassName(h.deviceClass()));
    std::fprintf(out, "Colour space      %s (%u channels)\n", signatureText(h.colorSpace()).c_str(),
                 profile.dataChannels());
    std::fprintf(out, "PCS               %s (%u channels)\n", signatureText(h.pcs()).c_str(),
                 profile.pcsChannels());
    std::fprintf(out, "Created           %04u-%02u-%02u %02u:%02u:%02u\n", date.year, date.month, date.day,
                 date.hours, date.minutes, date.seconds);
    std::fprintf(out, "Platform          %s\n", signatureText(h.platform()).c_str());
    std::fprintf(out, "Flags             0x%08x\n", h.flags());
    std::fprintf(out, "Manufacturer      %s\n", signatureText(h.manufacturer()).c_str());
    std::fprintf(out, "Model             %s\n", signatureText(h.model()).c_str());
    std::fprintf(out, "Attributes        0x%016llx\n", static_cast<unsigned long long>(h.attributes()));
    std::fprintf(out, "Rendering intent  %u (%s)\n", h.renderingIntent(), intentName(h.renderingIntent()));
    std::fprintf(out, "Illuminant        X %.4f  Y %.4f  Z %.4f\n", white.X, white.Y, white.Z);
    std::fprintf(out, "Creator           %s\n", signatureText(h.creator()).c_str());
    std::fprintf(out, "Profile ID        %s (%s)\n", hexText(h.profileID(), csICCProfileHeader::profileIDSize).c_str(),
                 profileIDStatus(profile, block).c_str());
    std::fprintf(out, "Required tags     %s\n", profile.hasRequiredTags() ? "present" : "incomplete");

    std::fprintf(out, "\nTags              %zu\n", directory.size());
    std::fprintf(out, "  %3s  %-9s  %-9s  %10s  %10s  %s\n", "#", "Signature", "Type", "Offset", "Size",
                 "Shares data with");
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const csICCTagDirEntry& e = directory[i];
        const csICCTag* tag = profile.tagTable().tagAt(static_cast<uint32_t>(i));
        std::string shares;
        for (std::size_t j = 0; j < i; ++j) {
            if (directory[j].offset == e.offset && directory[j].size == e.size) {
                shares = "  " + signatureText(directory[j].signature);
                break;
            }
        }
        std::fprintf(out, "  %3zu  %-9s  %-9s  %10u  %10u%s\n", i, signatureText(e.signature).c_str(),
                     tag ? signatureText(tag->getType()).c_str() : "?", e.offset, e.size, shares.c_str());
    }
    writeLutReport(out, profile);
}
