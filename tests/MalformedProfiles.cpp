#include "MalformedProfiles.h"

#include "LutBuilder.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCNumber.h"
#include "csICCProfile.h"

#include <cstring>

namespace {

std::vector<uint8_t> sound()
{
    return readBytes(testDataPath("cmyk_v2.icc"));
}

// Directory entry of a tag in a block.
uint8_t* entryOf(std::vector<uint8_t>& block, const char* signature)
{
    const uint32_t count = csGetUInt32(&block[128]);
    for (uint32_t i = 0; i < count; ++i)
        if (std::memcmp(&block[132 + 12 * i], signature, 4) == 0)
            return &block[132 + 12 * i];
    return nullptr;
}

} // namespace

std::vector<uint8_t> withTag(const char* signature, std::vector<uint8_t> tagBytes)
{
    const std::vector<uint8_t> base = sound();
    csICCProfile profile;
    profile.setProfile(base.data(), base.size());
    const csSignature sig = csGetSignature(reinterpret_cast<const uint8_t*>(signature));
    const int index = profile.tagTable().indexOf(sig);
    const csICCTag tag(sig, static_cast<uint32_t>(tagBytes.size()), tagBytes.data());
    if (index >= 0)
        profile.tagTable().replaceAt(static_cast<uint32_t>(index), tag);
    else
        profile.tagTable().add(tag);
    std::vector<uint8_t> block;
    profile.writeToMemory(block);
    csErrorLog::clear();
    return block;
}

namespace {

std::vector<uint8_t> b2a1With(void (*change)(std::vector<uint8_t>&))
{
    std::vector<uint8_t> block = sound();
    uint8_t* entry = entryOf(block, "B2A1");
    std::vector<uint8_t> tag(block.begin() + csGetUInt32(entry + 4),
                             block.begin() + csGetUInt32(entry + 4) + csGetUInt32(entry + 8));
    change(tag);
    return withTag("B2A1", tag);
}

// An 'mBA ' B2A1 of every element, or an 'mAB ' with the matrix on its
// CMYK side.
std::vector<uint8_t> lutAB(bool bToA)
{
    LutABShape shape;
    shape.bToA = bToA;
    shape.outputs = 4;
    shape.grid = {9, 5, 7};
    shape.mCurves = true;
    shape.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    return buildLutAB(shape, countingNode);
}

uint8_t* elementOf(std::vector<uint8_t>& tag, unsigned offsetField)
{
    return &tag[csGetUInt32(&tag[offsetField])];
}

} // namespace

std::vector<MalformedProfile> malformedProfiles()
{
    std::vector<MalformedProfile> cases;
    // The sound profile refused whole once its header or directory changed.
    struct BlockCase
    {
        const char* what;
        void (*change)(std::vector<uint8_t>&);
        const char* title;
        const char* details;
    };
    const BlockCase blockCases[] = {
        {"tag offset past the end", [](std::vector<uint8_t>& b) { csSetUInt32(entryOf(b, "desc") + 4, uint32_t(b.size()) + 16); },
         "bad tagtable", "tag 'desc' offset"},
        {"zero-size tag", [](std::vector<uint8_t>& b) { csSetUInt32(entryOf(b, "cprt") + 8, 0); }, "bad tagtable", "has size 0"},
        {"a tag count in the millions", [](std::vector<uint8_t>& b) { csSetUInt32(&b[128], 3000000); }, "bad tagtable",
         "tag count 3000000"},
        {"version 5", [](std::vector<uint8_t>& b) { b[8] = 5; }, "bad profile", "version 5; versions 2 to 4 are supported"},
        {"131 bytes", [](std::vector<uint8_t>& b) { b.resize(131); }, "bad profile", "shorter than header and tag count"},
        {"sizes that ask for gigabytes",
         [](std::vector<uint8_t>& b) {
             csSetUInt32(&b[0], 0xFFFFFFF0u);
             csSetUInt32(entryOf(b, "B2A1") + 8, 0xFFFFFF00u);
         },
         "bad tagtable", "larger than profile"},
    };
    for (const BlockCase& c : blockCases) {
        std::vector<uint8_t> b = sound();
        c.change(b);
        cases.push_back({c.what, b, 'E', c.title, c.details, true});
    }
    cases.push_back({"mft2 with 0 input entries", b2a1With([](std::vector<uint8_t>& t) { csSetUInt16(&t[48], 0); }),
                     'E', "bad LUT tag", "0 input", false});
    cases.push_back({"a 17-channel LUT", b2a1With([](std::vector<uint8_t>& t) { t[9] = 17; }), 'E', "bad LUT tag",
                     "17 outputs", false});
    cases.push_back({"grid byte 0", b2a1With([](std::vector<uint8_t>& t) { t[10] = 0; }), 'E', "bad LUT tag",
                     "256 grid points", false});
    cases.push_back({"grid byte 1", b2a1With([](std::vector<uint8_t>& t) { t[10] = 1; }), 'E', "bad LUT tag",
                     "257 grid points", false});
    cases.push_back({"grid and channels past 32 bits", b2a1With([](std::vector<uint8_t>& t) { t[8] = 15; t[10] = 255; }),
                     'E', "bad LUT tag", "does not fit", false});
    // The sound profile with a B2A1 'mBA ' table of every element, changed.
    struct LutABCase
    {
        const char* what;
        void (*change)(std::vector<uint8_t>&);
        const char* details;
    };
    const LutABCase lutABCases[] = {
        {"mBA header cut", [](std::vector<uint8_t>& t) { t.resize(31); }, "of 31 bytes is shorter than its 32-byte header"},
        {"mBA of 17 outputs", [](std::vector<uint8_t>& t) { t[9] = 17; }, "has 3 inputs and 17 outputs"},
        {"mBA of no outputs", [](std::vector<uint8_t>& t) { t[9] = 0; }, "has 3 inputs and 0 outputs"},
        {"mBA with its CLUT past the tag",
         [](std::vector<uint8_t>& t) { csSetUInt32(&t[24], static_cast<uint32_t>(t.size()) + 4); },
         "has its CLUT at offset"},
        {"mBA with A curves in the header", [](std::vector<uint8_t>& t) { csSetUInt32(&t[28], 16); },
         "A curves at offset 16, outside"},
        {"mBA with a matrix between boundaries", [](std::vector<uint8_t>& t) { csSetUInt32(&t[16], csGetUInt32(&t[16]) + 2); },
         "not on a 4-byte boundary"},
        {"mBA with M curves on the B curves", [](std::vector<uint8_t>& t) { csSetUInt32(&t[20], csGetUInt32(&t[12])); },
         "overlapping"},
        {"mBA grid 0", [](std::vector<uint8_t>& t) { elementOf(t, 24)[1] = 0; }, "0 CLUT grid points for input 1"},
        {"mBA grid 1", [](std::vector<uint8_t>& t) { elementOf(t, 24)[2] = 1; }, "1 CLUT grid points for input 2"},
        {"mBA grid past the tag", [](std::vector<uint8_t>& t) { elementOf(t, 24)[0] = 200; },
         "CLUT of 200x5x7 grid points and 4 outputs that does not fit"},
        {"mBA precision 3", [](std::vector<uint8_t>& t) { elementOf(t, 24)[16] = 3; }, "has CLUT precision 3"},
        {"mBA without CLUT from 3 to 4", [](std::vector<uint8_t>& t) { csSetUInt32(&t[24], 0); },
         "has no CLUT to take 3 inputs to 4 outputs"},
        {"mAB with a matrix on its CMYK side", [](std::vector<uint8_t>& t) { t = lutAB(false); },
         "has a matrix on a side of 4 channels"},
        {"mBA curve with a count that lies", [](std::vector<uint8_t>& t) { csSetUInt32(elementOf(t, 12) + 8, 10000); },
         "B curves curve 0 (curv) needs 20012 bytes"},
        {"mBA curve of another type", [](std::vector<uint8_t>& t) { std::memcpy(elementOf(t, 28), "XYZ ", 4); },
         "A curves curve 0 has type 'XYZ '"},
        {"mBA para of function type 7", [](std::vector<uint8_t>& t) { csSetUInt16(elementOf(t, 28) + 12 + 8, 7); },
         "A curves curve 1 has parametric function type 7"},
        {"mBA para of gamma 0", [](std::vector<uint8_t>& t) { csSetUInt32(elementOf(t, 28) + 12 + 12, 0); },
         "A curves curve 1 has parameters that give no usable curve"},
        {"mBA last curve cut", [](std::vector<uint8_t>& t) { t.pop_back(); }, "A curves curve 3 (para) needs 16 bytes"},
    };
    for (const LutABCase& c : lutABCases) {
        std::vector<uint8_t> tag = lutAB(true);
        c.change(tag);
        cases.push_back({c.what, withTag("B2A1", tag), 'E', "bad LUT tag", c.details, false});
    }
    // Other tags whose counts or types do not fit.
    std::vector<uint8_t> para(40, 0);
    std::memcpy(para.data(), "para", 4);
    csSetUInt16(&para[8], 5);
    struct TagCase
    {
        const char* what;
        const char* signature;
        std::vector<uint8_t> bytes;
        const char* title;
        const char* details;
    };
    const TagCase tagCases[] = {
        {"curv with count 1 but 12 bytes", "kTRC", {'c', 'u', 'r', 'v', 0, 0, 0, 0, 0, 0, 0, 1}, "corrupt tag data", "kTRC"},
        {"mluc record pointing outside the tag", "dscm",
         {'m', 'l', 'u', 'c', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 12, 'e', 'n', 'U', 'S', 0, 0, 0, 8, 0, 0, 1, 0},
         "corrupt tag data", ""},
        {"desc counts past the tag", "desc", {'d', 'e', 's', 'c', 0, 0, 0, 0, 0, 0, 1, 0, 'a', 0}, "corrupt tag data",
         "ASCII count"},
        {"para type 5", "rTRC", para, "unsupported function type", "'5'"},
    };
    for (const TagCase& c : tagCases)
        cases.push_back({c.what, withTag(c.signature, c.bytes), 'E', c.title, c.details, false});
    return cases;
}
