#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmftInterpolator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

class ConverterTest : public LogTest
{
protected:
    void load(csICCProfile& profile, const char* file)
    {
        const std::vector<uint8_t> bytes = readBytes(testDataPath(file));
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    }
};

void addTag(csICCProfile& profile, const char* signature, const std::vector<uint8_t>& bytes)
{
    ASSERT_EQ(profile.tagTable().add(csICCTag(csGetSignature(reinterpret_cast<const uint8_t*>(signature)),
                                              static_cast<uint32_t>(bytes.size()), bytes.data())),
              0);
}

std::vector<uint8_t> xyzBytes(double x, double y, double z)
{
    std::vector<uint8_t> bytes(20, 0);
    std::memcpy(bytes.data(), "XYZ ", 4);
    csSetS15Fixed16(&bytes[8], x);
    csSetS15Fixed16(&bytes[12], y);
    csSetS15Fixed16(&bytes[16], z);
    return bytes;
}

std::vector<uint8_t> gammaBytes(double gamma)
{
    std::vector<uint8_t> bytes(14, 0);
    std::memcpy(bytes.data(), "curv", 4);
    csSetUInt32(&bytes[8], 1);
    csSetU8Fixed8(&bytes[12], gamma);
    return bytes;
}

// A display profile of the matrix/TRC kind: sRGB colorants adapted to D50.
void buildMatrixProfile(csICCProfile& profile, bool parametricBlue = false)
{
    csICCProfileHeader& h = profile.header();
    h.setDeviceClass(csSig("mntr"));
    h.setColorSpace(csSig("RGB "));
    h.setPCS(csSig("XYZ "));
    addTag(profile, "rXYZ", xyzBytes(0.4361, 0.2225, 0.0139));
    addTag(profile, "gXYZ", xyzBytes(0.3851, 0.7169, 0.0971));
    addTag(profile, "bXYZ", xyzBytes(0.1431, 0.0606, 0.7141));
    addTag(profile, "rTRC", gammaBytes(2.2));
    addTag(profile, "gTRC", gammaBytes(2.2));
    if (parametricBlue) {
        std::vector<uint8_t> para(16, 0);
        std::memcpy(para.data(), "para", 4);
        csSetS15Fixed16(&para[12], 2.2);
        addTag(profile, "bTRC", para);
    } else {
        addTag(profile, "bTRC", gammaBytes(2.2));
    }
    addTag(profile, "wtpt", xyzBytes(0.9642, 1.0, 0.8249));
}

TEST_F(ConverterTest, IntentFallsBackToTheIntentZeroTable)
{
    csICCProfile profile;
    load(profile, "cmyk_v2.icc");
    csICCTagTable& tags = profile.tagTable();
    ASSERT_EQ(tags.remove(static_cast<uint32_t>(tags.indexOf(csSig("A2B1")))), 0);
    csICCProfileConverter a2b(&profile, 0, 1, 1);
    ASSERT_EQ(a2b.init(), 0) << logText();
    EXPECT_EQ(a2b.interpolator()->tag(), tags.find(csSig("A2B0")));

    csICCProfileConverter b2a(&profile, 1, 2, 0);
    ASSERT_EQ(b2a.init(), 0);
    EXPECT_EQ(b2a.interpolator()->tag(), tags.find(csSig("B2A2")));
}

TEST_F(ConverterTest, MatrixAndCurvesOfAnRGBProfile)
{
    csICCProfile profile;
    buildMatrixProfile(profile);
    csICCProfileConverter a2b(&profile, 0, 1, 0), b2a(&profile, 1, 1, 0);
    ASSERT_EQ(a2b.init(), 0) << logText();
    ASSERT_EQ(b2a.init(), 0) << logText();
    EXPECT_EQ(a2b.interpolator(), nullptr);

    // The forward path is checked against Little CMS (ConverterCrossCheckMatrix);
    // here the 16-bit way back, within a few dozen codes: 16-bit XYZ holds a
    // dark channel coarsely, and the inverse gamma curve is steep there.
    struct Case { uint16_t rgb[3]; };
    for (const Case& c : {Case{{65535, 20000, 15000}}, Case{{20000, 40000, 60000}}, Case{{50000, 50000, 50000}}}) {
        uint16_t rgb[3] = {c.rgb[0], c.rgb[1], c.rgb[2]}, pcs[3], back[3];
        a2b.convert(rgb, pcs, 1);
        b2a.convert(pcs, back, 1);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(back[k], c.rgb[k], 64) << k;
    }

    csICCProfile withPara;
    buildMatrixProfile(withPara, true);
    csICCProfileConverter failing(&withPara, 0, 1, 0);
    EXPECT_EQ(failing.init(), -1);
    EXPECT_TRUE(logHas('E', "missing tags", "not all three of the rTRC, gTRC, bTRC tags are present")) << logText();
}

TEST_F(ConverterTest, MediaWhite)
{
    csICCProfile profile;
    buildMatrixProfile(profile);
    const int wtpt = profile.tagTable().indexOf(csSig("wtpt"));
    profile.tagTable().replaceAt(static_cast<uint32_t>(wtpt), csICCTag(csSig("wtpt"), 20, xyzBytes(0.9, 0.8, 0.7).data()));

    csICCProfileConverter stored(&profile, 0, 1, 1), normalised(&profile, 0, 1, 2);
    ASSERT_EQ(stored.init(), 0);
    ASSERT_EQ(normalised.init(), 0);
    EXPECT_NEAR(stored.mediaWhite()[1], 0.8, 1e-4);
    EXPECT_NEAR(normalised.mediaWhite()[0], 0.9 * 100 / 0.8, 1e-2);
    EXPECT_EQ(normalised.mediaWhite()[1], 100.0);

    // The relative D50 white lands on the media white in absolute terms.
    rfloat d50[3] = {0.96422 * 32768, 32768, 0.82521 * 32768};
    stored.PCSToAbs(d50, 1);
    EXPECT_NEAR(d50[0] / 32768, 0.9, 1e-4);
    EXPECT_NEAR(d50[2] / 32768, 0.7, 1e-4);
    stored.PCSFromAbs(d50, 1);
    EXPECT_NEAR(d50[0] / 32768, 0.96422, 1e-4);

    // Without a white point: a warning, and (1, 1, 1) as the media white.
    profile.tagTable().remove(static_cast<uint32_t>(wtpt));
    csErrorLog::clear();
    csICCProfileConverter missing(&profile, 0, 1, 1);
    ASSERT_EQ(missing.init(), 0);
    EXPECT_TRUE(logHas('W', "media white point missing", "non-relative conversion requested but no wtpt tag found"));
    rfloat white[3] = {0.96422 * 32768, 32768, 0.82521 * 32768};
    missing.PCSToAbs(white, 1);
    EXPECT_NEAR(white[0], 32768, 0.01);
    EXPECT_NEAR(white[2], 32768, 0.01);
}

TEST_F(ConverterTest, LegacyLabOnlyAroundLut16Tables)
{
    struct Case { const char* file; int direction; bool legacyInput, legacyOutput; };
    const Case cases[] = {
        {"cmyk_v2.icc", 0, false, true},
        {"cmyk_v2.icc", 1, true, false},
        {"rgb_v2_lut8.icc", 0, false, true}, // A2B1 is lut16
        {"rgb_v2_lut8.icc", 1, false, false}, // B2A1 is lut8
        {"rgb_xyz_pcs.icc", 1, false, false}, // XYZ connection space
    };
    for (const Case& c : cases) {
        csICCProfile profile;
        load(profile, c.file);
        csICCProfileConverter converter(&profile, c.direction, 1, 1);
        ASSERT_EQ(converter.init(), 0) << c.file << logText();
        EXPECT_EQ(converter.legacyInput(), c.legacyInput) << c.file << " direction " << c.direction;
        EXPECT_EQ(converter.legacyOutput(), c.legacyOutput) << c.file << " direction " << c.direction;
    }
}

// Every step of a 16-bit conversion as a pass of its own over the whole
// buffer, through the public stages: the path the converter took before it
// folded steps into one another.
void convertStepByStep(csICCProfileConverter& converter, uint16_t* in, uint16_t* out, std::size_t count)
{
    const bool absolute = converter.whiteMode() != csICCProfileConverter::Relative;
    const bool toPCS = converter.direction() == csICCProfileConverter::AToB;
    auto* mft = dynamic_cast<csICCmftInterpolator*>(converter.interpolator());
    if (!toPCS && absolute)
        converter.PCSFromAbs(in, count);
    if (converter.legacyInput())
        csICCPCS::LabV4toLegacy(in, in, count);
    if (mft) {
        mft->applyMatrix(in, count);
        if (mft->useInputCurves())
            mft->inputCurves(in, in, count);
        mft->clut(in, out, count);
        if (mft->useOutputCurves())
            mft->outputCurves(out, out, count);
    } else if (converter.interpolator()) {
        converter.interpolator()->convert(in, out, count);
    } else if (toPCS) {
        converter.RGBtoXYZ(in, out, count);
    } else {
        converter.XYZtoRGB(in, out, count);
    }
    if (converter.legacyOutput())
        csICCPCS::LabLegacytoV4(out, out, count);
    if (toPCS && absolute)
        converter.PCSToAbs(out, count);
}

TEST_F(ConverterTest, FoldedStepsGiveTheStepByStepCodes)
{
    const char* files[] = {"cmyk_v2.icc", "rgb_v2_lut8.icc", "rgb_xyz_pcs.icc"};
    for (const char* file : files)
        for (int direction : {0, 1})
            for (int whiteMode : {0, 1, 2})
                for (bool curves : {true, false}) {
                    SCOPED_TRACE(testing::Message() << file << " direction " << direction << " white " << whiteMode
                                                    << (curves ? "" : " without curves"));
                    csICCProfile profile;
                    load(profile, file);
                    csICCProfileConverter folded(&profile, direction, 1, whiteMode);
                    csICCProfileConverter stepwise(&profile, direction, 1, whiteMode);
                    ASSERT_EQ(folded.init(), 0) << logText();
                    ASSERT_EQ(stepwise.init(), 0) << logText();
                    // The CLUT node correction turns the curves off around a conversion.
                    for (csICCProfileConverter* converter : {&folded, &stepwise})
                        if (auto* mft = dynamic_cast<csICCmftInterpolator*>(converter->interpolator())) {
                            mft->setUseInputCurves(curves);
                            mft->setUseOutputCurves(curves);
                        }
                    // A grid of 13 codes per channel, off the CLUT's nodes, more
                    // pixels than one block of the converter.
                    const unsigned channels = folded.numInputChannels();
                    std::size_t count = 1;
                    for (unsigned c = 0; c < channels; ++c)
                        count *= 13;
                    std::vector<uint16_t> in(count * channels), again, out(count * 4), expected(count * 4);
                    for (std::size_t i = 0; i < count; ++i)
                        for (std::size_t c = 0, rest = i; c < channels; ++c, rest /= 13)
                            in[i * channels + c] = static_cast<uint16_t>(std::min(rest % 13 * 5462 + 77 * c, 65535ul));
                    again = in;
                    folded.convert(in.data(), out.data(), count);
                    convertStepByStep(stepwise, again.data(), expected.data(), count);
                    int largest = 0;
                    for (std::size_t i = 0; i < count * folded.numOutputChannels(); ++i)
                        largest = std::max(largest, std::abs(out[i] - expected[i]));
                    EXPECT_LE(largest, 1);
                }
}

TEST_F(ConverterTest, RefusalsLeaveOneEntry)
{
    struct Case
    {
        const char* what;
        void (*change)(csICCProfile&);
        int direction;
        char level;
        const char* title;
        const char* details;
    };
    const Case cases[] = {
        {"named colour", [](csICCProfile& p) { p.header().setDeviceClass(csSig("nmcl")); }, 0, 'E',
         "wrong profile class", "conversion requested but profile class is named color"},
        {"bad direction", [](csICCProfile&) {}, 5, 'F', "bad conversion direction", "should be A2B, B2A, or B2Gamut; is 5"},
        {"no table", [](csICCProfile& p) {
             for (const char* name : {"A2B0", "A2B1", "A2B2"})
                 p.tagTable().remove(static_cast<uint32_t>(p.tagTable().indexOf(csGetSignature(reinterpret_cast<const uint8_t*>(name)))));
         }, 0, 'E', "missing tags", "cannot find 'A2B0' tag for requested conversion"},
        {"table of other channel counts", [](csICCProfile& p) { p.header().setColorSpace(csSig("RGB ")); }, 0, 'E',
         "LUT does not match profile", "converts 4 to 3 channels, but the profile's spaces have 3 and 3"},
        {"broken table", [](csICCProfile& p) {
             const csICCTag* b2a1 = p.tagTable().find(csSig("B2A1"));
             std::vector<uint8_t> bytes(b2a1->data(), b2a1->data() + b2a1->size());
             bytes[10] = 33; // a grid the bytes cannot hold
             p.tagTable().replace(csSig("B2A1"), csICCTag(csSig("B2A1"), b2a1->size(), bytes.data()));
         }, 1, 'E', "unsupported mft tag type", "cannot create an interpolator for an 'mft2' tag"},
    };
    for (const Case& c : cases) {
        csICCProfile profile;
        load(profile, "cmyk_v2.icc");
        c.change(profile);
        csErrorLog::clear();
        csICCProfileConverter converter(&profile, c.direction, 1, 1);
        EXPECT_NE(converter.init(), 0) << c.what;
        EXPECT_TRUE(logHas(c.level, c.title, c.details)) << c.what << "\n" << logText();
        EXPECT_EQ(converter.interpolator(), nullptr) << c.what;
    }
}

TEST_F(ConverterTest, PlanarConversionsAreNotOffered)
{
    csICCProfile profile;
    load(profile, "cmyk_v2.icc");
    csICCProfileConverter converter(&profile, 0, 1, 1);
    ASSERT_EQ(converter.init(), 0);
    uint16_t planes16[4][1] = {{1}, {2}, {3}, {4}};
    uint16_t* in16[4] = {planes16[0], planes16[1], planes16[2], planes16[3]};
    uint16_t outPlanes[3][1] = {{7}, {7}, {7}};
    uint16_t* out16[3] = {outPlanes[0], outPlanes[1], outPlanes[2]};
    EXPECT_EQ(converter.convert(in16, out16, 1), 1);
    EXPECT_EQ(outPlanes[0][0], 7);
    EXPECT_TRUE(logHas('F', "not implemented", "convert/uint16/planar not implemented"));
    rfloat* inF[4] = {};
    rfloat* outF[3] = {};
    EXPECT_EQ(converter.convert(inF, outF, 0), 1);
    EXPECT_TRUE(logHas('F', "not implemented", "convert/rfloat/planar not implemented"));
}

TEST_F(ConverterTest, ConversionsFollowNodeEditsAtOnce)
{
    // lut16 nodes are read in place, lut8 nodes through their 16-bit copy.
    for (const char* file : {"cmyk_v2.icc", "rgb_v2_lut8.icc"}) {
        SCOPED_TRACE(file);
        csICCProfile profile;
        load(profile, file);
        csICCProfileConverter b2a(&profile, 1, 1, 0);
        ASSERT_EQ(b2a.init(), 0);
        uint16_t lab[3] = {32768, 32896, 32896}, before[4] = {}, after[4] = {};
        b2a.convert(lab, before, 1);
        auto* tag = dynamic_cast<csICCmftTag*>(profile.tagTable().find(csSig("B2A1")));
        ASSERT_NE(tag, nullptr);
        const uint16_t full[4] = {65535, 0, 0, 0};
        for (uint16_t x = 0; x < 17; ++x)
            for (uint16_t y = 0; y < 17; ++y)
                for (uint16_t z = 0; z < 17; ++z) {
                    const uint16_t grid[3] = {x, y, z};
                    tag->setClutNode(grid, full);
                }
        uint16_t again[3] = {32768, 32896, 32896};
        b2a.convert(again, after, 1);
        // Every node is now the first colorant in full, so every colour is
        // the output curves of it.
        uint16_t expected[4] = {65535, 0, 0, 0};
        static_cast<csICCmftInterpolator*>(b2a.interpolator())->outputCurves(expected, expected, 1);
        EXPECT_NE(0, std::memcmp(before, after, sizeof after));
        EXPECT_EQ(0, std::memcmp(expected, after, sizeof after));
    }
}

} // namespace
