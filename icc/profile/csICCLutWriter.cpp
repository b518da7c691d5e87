#include "csICCLutWriter.h"

#include "csICCProfile.h"
#include "csICCTagTable.h"
#include "csICCXYZTag.h"

namespace {

constexpr unsigned maxLutChannels = 15;
constexpr unsigned maxGridPoints = 255;
// "mft2": header, matrix, two entry counts.
constexpr std::size_t mft2TablesOffset = 52;
constexpr std::size_t mABHeaderSize = 32;
constexpr std::size_t clutHeaderSize = 20;
// A "curv" of no entries: the identity.
constexpr std::size_t identityCurveSize = 12;
constexpr int32_t fixedOne = 0x10000;

void put16(std::vector<uint8_t>& out, std::size_t at, uint16_t v)
{
    out[at] = uint8_t(v >> 8);
    out[at + 1] = uint8_t(v & 0xFF);
}

void put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        out[at + k] = uint8_t(v >> (24 - 8 * k));
}

void putSignature(std::vector<uint8_t>& out, std::size_t at, const char* text)
{
    for (int k = 0; k < 4; ++k)
        out[at + k] = uint8_t(text[k]);
}

bool fits(const csICCClutTable& t)
{
    return t.inputs >= 1 && t.inputs <= maxLutChannels && t.outputs >= 1 && t.outputs <= maxLutChannels &&
           t.gridPoints >= 2 && t.gridPoints <= maxGridPoints && t.nodes.size() == t.nodeCount() * t.outputs;
}

// Identity curves of "curv" type, one per channel, from at.
std::size_t putIdentityCurves(std::vector<uint8_t>& out, std::size_t at, unsigned channels)
{
    for (unsigned c = 0; c < channels; ++c, at += identityCurveSize)
        putSignature(out, at, "curv");
    return at;
}

} // namespace

std::size_t csICCClutTable::nodeCount() const
{
    std::size_t n = 1;
    for (unsigned k = 0; k < inputs; ++k)
        n *= gridPoints;
    return n;
}

std::vector<uint8_t> csMft2Bytes(const csICCClutTable& table)
{
    if (!fits(table))
        return {};
    const std::size_t curveEntries = 2;
    const std::size_t size =
        mft2TablesOffset + 2 * (curveEntries * table.inputs + table.nodes.size() + curveEntries * table.outputs);
    std::vector<uint8_t> out(size, 0);
    putSignature(out, 0, "mft2");
    out[8] = uint8_t(table.inputs);
    out[9] = uint8_t(table.outputs);
    out[10] = uint8_t(table.gridPoints);
    for (int k = 0; k < 3; ++k)
        put32(out, 12 + 16 * k, uint32_t(fixedOne));
    put16(out, 48, uint16_t(curveEntries));
    put16(out, 50, uint16_t(curveEntries));
    std::size_t at = mft2TablesOffset;
    for (unsigned c = 0; c < table.inputs; ++c, at += 4)
        put16(out, at + 2, 0xFFFF);
    for (uint16_t v : table.nodes) {
        put16(out, at, v);
        at += 2;
    }
    for (unsigned c = 0; c < table.outputs; ++c, at += 4)
        put16(out, at + 2, 0xFFFF);
    return out;
}

std::vector<uint8_t> csMABBytes(const csICCClutTable& table)
{
    if (!fits(table))
        return {};
    const std::size_t bCurves = mABHeaderSize;
    const std::size_t clut = bCurves + identityCurveSize * table.outputs;
    const std::size_t clutBytes = clutHeaderSize + 2 * table.nodes.size();
    const std::size_t aCurves = clut + (clutBytes + 3) / 4 * 4;
    std::vector<uint8_t> out(aCurves + identityCurveSize * table.inputs, 0);
    putSignature(out, 0, "mAB ");
    out[8] = uint8_t(table.inputs);
    out[9] = uint8_t(table.outputs);
    put32(out, 12, uint32_t(bCurves));
    put32(out, 24, uint32_t(clut));
    put32(out, 28, uint32_t(aCurves));
    putIdentityCurves(out, bCurves, table.outputs);
    for (unsigned k = 0; k < table.inputs; ++k)
        out[clut + k] = uint8_t(table.gridPoints);
    out[clut + 16] = 2;
    std::size_t at = clut + clutHeaderSize;
    for (uint16_t v : table.nodes) {
        put16(out, at, v);
        at += 2;
    }
    putIdentityCurves(out, aCurves, table.inputs);
    return out;
}

std::unique_ptr<csICCProfile> csAbstractProfile(unsigned majorVersion, const csICCClutTable& table)
{
    const bool v4 = majorVersion >= 4;
    const std::vector<uint8_t> bytes = v4 ? csMABBytes(table) : csMft2Bytes(table);
    if (bytes.empty() || table.inputs != 3 || table.outputs != 3)
        return nullptr;
    std::unique_ptr<csICCTag> a2b0 = csICCTagTable::tagFactory(csSig("A2B0"), uint32_t(bytes.size()), bytes.data());
    if (!a2b0)
        return nullptr;
    auto profile = std::make_unique<csICCProfile>();
    csICCProfileHeader& header = profile->header();
    header.setVersion(v4 ? 4 : 2, v4 ? 3 : 1, 0);
    header.setDeviceClass(csSig("abst"));
    header.setColorSpace(csSig("Lab "));
    header.setPCS(csSig("Lab "));
    header.setRenderingIntent(0);
    // The PCS white: the table maps PCS colours to PCS colours.
    const csXYZNumber d50 = header.illuminant();
    const float white[3] = {float(d50.X), float(d50.Y), float(d50.Z)};
    if (profile->tagTable().add(*a2b0) != 0 || profile->tagTable().add(csICCXYZTag(csSig("wtpt"), 1, white)) != 0)
        return nullptr;
    // Read back from its bytes, as every profile in use was.
    std::vector<uint8_t> block;
    auto read = std::make_unique<csICCProfile>();
    if (profile->writeToMemory(block) != 0 || read->setProfile(block.data(), block.size()) != 0)
        return nullptr;
    return read;
}
