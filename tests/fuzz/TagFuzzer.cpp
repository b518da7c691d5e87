// Every tag class on arbitrary bytes: the first byte picks the type, the
// rest are the tag; the factory checks the layout, then the accessors run.

#include "FuzzTargets.h"
#include "csErrorLog.h"
#include "csICCTagTable.h"
#include "csICCXYZTag.h"
#include "csICCcurvTag.h"
#include "csICCdescTag.h"
#include "csICCmABInterpolator.h"
#include "csICCmft1Interpolator.h"
#include "csICCmft2Interpolator.h"
#include "csICCmlucTag.h"
#include "csICCparaTag.h"
#include "csICCpseqTag.h"
#include "csICCpsidTag.h"
#include "csICCtextTag.h"

#include <cstring>
#include <vector>

namespace {

const char* const types[] = {"desc", "mluc", "text", "XYZ ", "curv", "para", "pseq", "psid", "mft1", "mft2", "mAB ", "mBA "};
constexpr std::size_t typeCount = sizeof types / sizeof types[0];

void exercise(csICCTag& tag)
{
    if (auto* desc = dynamic_cast<csICCdescTag*>(&tag)) {
        desc->asciiString();
        desc->unicodeCount();
        desc->scriptCount();
    } else if (auto* text = dynamic_cast<csICCtextTag*>(&tag)) {
        text->text();
    } else if (auto* mluc = dynamic_cast<csICCmlucTag*>(&tag)) {
        for (uint32_t i = 0; i < mluc->numberOfRecords() && i < 8; ++i)
            mluc->recordUtf8(i);
        mluc->addRecord(csICCmlucTag::code("de"), csICCmlucTag::code("DE"), 4, reinterpret_cast<const uint8_t*>("\0a\0b"));
        if (mluc->numberOfRecords() > 0)
            mluc->removeRecord(0);
    } else if (auto* xyz = dynamic_cast<csICCXYZTag*>(&tag)) {
        float v[3];
        xyz->getXYZ(0, v);
        xyz->getXYZ(xyz->numEntries(), v);
    } else if (auto* curve = dynamic_cast<csICCcurvTag*>(&tag)) {
        const uint16_t in[4] = {0, 1, 32768, 65535};
        uint16_t out[4];
        curve->forward16(in, out, 4);
        curve->inverse16(in, out, 4);
        const double inD[3] = {0, 65535, 1e9};
        double outD[3];
        curve->forwardDouble(inD, outD, 3);
        curve->inverseDouble(inD, outD, 3);
    } else if (auto* para = dynamic_cast<csICCparaTag*>(&tag)) {
        for (float x : {0.0f, 0.25f, 0.5f, 1.0f}) {
            para->eval_clamped(x);
            para->invert(x);
        }
    } else if (auto* sequence = dynamic_cast<csICCpseqTag*>(&tag)) {
        for (uint32_t i = 0; i < sequence->count() && i < 8; ++i) {
            csSignature a, b, c;
            uint64_t attributes;
            sequence->getDescription(i, a, b, attributes, c);
        }
    } else if (auto* ids = dynamic_cast<csICCpsidTag*>(&tag)) {
        for (uint32_t i = 0; i < ids->count() && i < 8; ++i)
            ids->description(i);
    } else if (auto* lut2 = dynamic_cast<csICCmft2Tag*>(&tag)) {
        csICCmft2Interpolator interpolator(lut2);
        uint16_t in[16] = {0, 65535, 12345, 54321}, out[16];
        interpolator.convert(in, out, 1);
        rfloat inF[16] = {-10, 70000, 32767.5}, outF[16];
        interpolator.convert(inF, outF, 1);
        interpolator.inverseInputCurves(out, in, 1);
    } else if (auto* lut1 = dynamic_cast<csICCmft1Tag*>(&tag)) {
        csICCmft1Interpolator interpolator(lut1);
        uint16_t in[16] = {0, 65535, 12345, 54321}, out[16];
        interpolator.convert(in, out, 1);
    } else if (auto* lutAB = dynamic_cast<csICCmABTag*>(&tag)) {
        csICCmABInterpolator interpolator(lutAB);
        uint16_t in[16] = {0, 65535, 12345, 54321}, out[16];
        interpolator.convert(in, out, 1);
        rfloat inF[16] = {-10, 70000, 32767.5}, outF[16];
        interpolator.convert(inF, outF, 1);
        const csICCmABTag::CurveSet output = lutAB->bToA() ? csICCmABTag::ACurves : csICCmABTag::BCurves;
        lutAB->inverseCurves(output, out, in, 1);
        lutAB->inverseCurves(output, outF, inF, 1);
        if (lutAB->hasClut()) {
            const uint16_t last[16] = {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535,
                                       65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
            uint16_t grid[16];
            for (unsigned c = 0; c < 16; ++c)
                grid[c] = static_cast<uint16_t>(lutAB->gridPoints()[c] ? lutAB->gridPoints()[c] - 1 : 0);
            lutAB->getClutNode(grid, out);
            lutAB->setClutNode(grid, last);
        }
    }
}

} // namespace

int fuzzTag(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    csErrorLog::clear();
    std::vector<uint8_t> bytes(size - 1 + 4);
    std::memcpy(bytes.data(), types[data[0] % typeCount], 4);
    if (size > 1)
        std::memcpy(bytes.data() + 4, data + 1, size - 1);
    // An exact-size copy, so a read past the tag is a finding.
    std::vector<uint8_t> exact(bytes);
    std::unique_ptr<csICCTag> tag =
        csICCTagTable::tagFactory(csSig("test"), static_cast<uint32_t>(exact.size()), exact.data());
    if (tag)
        exercise(*tag);
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzTag(data, size);
}
#endif
