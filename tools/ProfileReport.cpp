#include "ProfileReport.h"

#include "csICCXYZTag.h"
#include "csICCcurvTag.h"
#include "csICCdescTag.h"
#include "csICCmABTag.h"
#include "csICCmftTag.h"
#include "csICCmlucTag.h"
#include "csICCparaTag.h"
#include "csICCpseqTag.h"
#include "csICCpsidTag.h"
#include "csICCtextTag.h"

#include <algorithm>
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

// Text from a file, with anything unprintable shown as '?' and long texts cut.
std::string printable(const std::string& text)
{
    std::string shown;
    for (unsigned char c : text) {
        if (shown.size() >= 200) {
            shown += "...";
            break;
        }
        shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return "\"" + shown + "\"";
}

std::string languageText(uint16_t code)
{
    const char letters[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF), 0};
    return printable(letters).substr(1, 2);
}

std::string curveText(const csICCTag* curve)
{
    if (const auto* curv = dynamic_cast<const csICCcurvTag*>(curve)) {
        if (curv->numEntries() == 0)
            return "curv identity";
        if (curv->numEntries() == 1) {
            char gamma[32];
            std::snprintf(gamma, sizeof gamma, "curv gamma %.4f", curv->gamma());
            return gamma;
        }
        return "curv " + std::to_string(curv->numEntries()) + " points";
    }
    return "para type " + std::to_string(static_cast<const csICCparaTag*>(curve)->functionType());
}

// "A curves: 4 x curv 256 points", or each curve where they differ.
std::string curveSetText(const csICCmABTag& lut, csICCmABTag::CurveSet set, const char* name)
{
    const unsigned n = lut.channels(set);
    std::vector<std::string> curves;
    for (unsigned c = 0; c < n; ++c)
        curves.push_back(curveText(lut.curve(set, c)));
    std::string text = std::string(name) + ": ";
    if (n > 1 && std::count(curves.begin(), curves.end(), curves[0]) == static_cast<long>(n))
        return text + std::to_string(n) + " x " + curves[0];
    for (unsigned c = 0; c < n; ++c)
        text += (c ? ", " : "") + curves[c];
    return text;
}

// The elements present, in the order they act.
std::string lutABText(const csICCmABTag& lut)
{
    std::string text = std::to_string(lut.numInputs()) + " in, " + std::to_string(lut.numOutputs()) + " out";
    auto curves = [&](csICCmABTag::CurveSet set, const char* name) {
        if (lut.hasCurves(set))
            text += "; " + curveSetText(lut, set, name);
    };
    auto matrix = [&]() {
        if (lut.hasMatrix())
            text += "; matrix";
    };
    auto clut = [&]() {
        if (!lut.hasClut())
            return;
        text += "; CLUT grid ";
        for (unsigned c = 0; c < lut.numInputs(); ++c)
            text += (c ? "x" : "") + std::to_string(lut.gridPoints()[c]);
        text += lut.precision() == 1 ? ", 8-bit" : ", 16-bit";
    };
    if (lut.bToA()) {
        curves(csICCmABTag::BCurves, "B curves");
        matrix();
        curves(csICCmABTag::MCurves, "M curves");
        clut();
        curves(csICCmABTag::ACurves, "A curves");
    } else {
        curves(csICCmABTag::ACurves, "A curves");
        clut();
        curves(csICCmABTag::MCurves, "M curves");
        matrix();
        curves(csICCmABTag::BCurves, "B curves");
    }
    return text;
}

// One line on what a tag holds, for the classes that can tell.
std::string contentsOf(const csICCTag& tag)
{
    char line[512];
    if (const auto* desc = dynamic_cast<const csICCdescTag*>(&tag))
        return "text " + printable(desc->asciiString());
    if (const auto* text = dynamic_cast<const csICCtextTag*>(&tag))
        return "text " + printable(text->text() ? text->text() : "");
    if (const auto* mluc = dynamic_cast<const csICCmlucTag*>(&tag)) {
        std::string records;
        for (uint32_t i = 0; i < mluc->numberOfRecords() && i < 4; ++i)
            records += (i ? ", " : "") + languageText(mluc->languageCode(i)) + "-" +
                       languageText(mluc->countryCode(i)) + " " + printable(mluc->recordUtf8(i));
        if (mluc->numberOfRecords() > 4)
            records += ", ...";
        return std::to_string(mluc->numberOfRecords()) + " record(s): " + records;
    }
    if (const auto* xyz = dynamic_cast<const csICCXYZTag*>(&tag)) {
        float v[3] = {0, 0, 0};
        xyz->getXYZ(0, v);
        std::snprintf(line, sizeof line, "X %.4f  Y %.4f  Z %.4f%s", v[0], v[1], v[2],
                      xyz->numEntries() > 1 ? " (first of several)" : "");
        return line;
    }
    if (const auto* curve = dynamic_cast<const csICCcurvTag*>(&tag)) {
        if (curve->isIdentity())
            return "identity curve";
        if (curve->isAnalytic()) {
            std::snprintf(line, sizeof line, "gamma %.4f", curve->gamma());
            return line;
        }
        return std::to_string(curve->numEntries()) + " points";
    }
    if (const auto* para = dynamic_cast<const csICCparaTag*>(&tag)) {
        const float parameters[7] = {para->gamma(), para->a(), para->b(), para->c(), para->d(), para->e(), para->f()};
        const char names[] = "gabcdef";
        const unsigned counts[5] = {1, 3, 4, 5, 7};
        std::string text = "function type " + std::to_string(para->functionType());
        for (unsigned i = 0; para->functionType() < 5 && i < counts[para->functionType()]; ++i) {
            std::snprintf(line, sizeof line, " %c %.5g", names[i], parameters[i]);
            text += line;
        }
        return text;
    }
    if (const auto* lut = dynamic_cast<const csICCmftTag*>(&tag)) {
        std::snprintf(line, sizeof line, "%u in, %u out, grid %u, input tables %u entries, output tables %u entries, "
                                         "matrix %s",
                      lut->numInputs(), lut->numOutputs(), lut->gridPoints()[0], lut->inputEntries(),
                      lut->outputEntries(), lut->matrixIsIdentity() ? "identity" : "not identity");
        return line;
    }
    if (const auto* lutAB = dynamic_cast<const csICCmABTag*>(&tag))
        return lutABText(*lutAB);
    if (const auto* sequence = dynamic_cast<const csICCpseqTag*>(&tag))
        return std::to_string(sequence->count()) + " profile description(s)";
    if (const auto* identifiers = dynamic_cast<const csICCpsidTag*>(&tag))
        return std::to_string(identifiers->count()) + " profile identifier(s)";
    // A type with a class of its own that stayed plain bytes was refused.
    const csSignature type = tag.getType();
    for (csSignature known : {csSig("desc"), csSig("text"), csSig("mluc"), csSig("XYZ "), csSig("curv"), csSig("para"),
                              csSig("mft1"), csSig("mft2"), csSig("mAB "), csSig("mBA "), csSig("pseq"),
                              csSig("psid")})
        if (type == known)
            return "not usable: its contents do not fit its " + std::to_string(tag.size()) + " bytes";
    return "";
}

void writeContentsReport(std::FILE* out, const csICCProfile& profile)
{
    std::fprintf(out, "\nTag contents\n");
    for (uint32_t i = 0; i < profile.tagTable().count(); ++i) {
        const csICCTag* tag = profile.tagTable().tagAt(i);
        const std::string contents = contentsOf(*tag);
        if (!contents.empty())
            std::fprintf(out, "  %-9s  %s\n", signatureText(tag->signature()).c_str(), contents.c_str());
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
    writeContentsReport(out, profile);
}
