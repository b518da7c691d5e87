// The profile converter against Little CMS on the test profiles and on
// version 4 copies of them with 'mAB '/'mBA ' tables: device to absolute
// Lab (A2B1, white mode 1), absolute Lab to device (B2A1, white mode 1),
// and a matrix/TRC RGB profile made by Little CMS. The version 4 copies
// that keep the tables' contents convert like their originals in every
// direction, intent and white mode.

#include "ColorDifference.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmABInterpolator.h"
#include "csICCmABTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>

namespace {

bool isCmyk(const csICCProfile& profile)
{
    return profile.header().colorSpace() == csSig("CMYK");
}

cmsUInt32Number deviceFormat(const csICCProfile& profile)
{
    return isCmyk(profile) ? TYPE_CMYK_DBL : TYPE_RGB_DBL;
}

// Little CMS takes CMYK in percent and RGB in 0..1.
double lcmsDeviceScale(const csICCProfile& profile)
{
    return isCmyk(profile) ? 100.0 : 1.0;
}

struct LcmsSide
{
    cmsHPROFILE profile;
    cmsHPROFILE lab;
    explicit LcmsSide(const std::vector<uint8_t>& bytes)
        : profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()))),
          lab(cmsCreateLab4Profile(nullptr))
    {
    }
    ~LcmsSide()
    {
        cmsCloseProfile(profile);
        cmsCloseProfile(lab);
    }
};

// Limits for one profile; see the comments at the cases.
struct Case
{
    const char* file;
    V4Tables tables;
    double a2bMean, a2bMax;         // Delta E of our A2B1 against Little CMS
    double b2aMean, b2aMax;         // Delta E of the Lab that both sides' device values print through our A2B1
    double b2aNeutralMax;           // the same on the neutral axis
};

std::string nameOf(const Case& c)
{
    return std::string(c.file) + (c.tables == V4Tables::None ? "" : c.tables == V4Tables::Same ? " as v4" : " reshaped v4");
}

// What ctest lists after the test's name.
void PrintTo(const Case& c, std::ostream* out)
{
    *out << nameOf(c);
}

// The case's profile, its A2B1 converter (absolute, media white as stored)
// and the same profile opened by Little CMS.
class ConverterCrossCheck : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        csErrorLog::clear();
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(a2b.init(), 0) << logText();
        xyz = profile.header().pcs() == csSig("XYZ ");
    }
    const Case& c = GetParam();
    const std::vector<uint8_t> bytes = testProfile(c.file, c.tables);
    csICCProfile profile;
    csICCProfileConverter a2b{&profile, 0, 1, 1};
    bool xyz = false;
    LcmsSide lcms{bytes};
};

TEST_P(ConverterCrossCheck, AbsoluteA2B1)
{
    const unsigned n = a2b.numInputChannels();
    cmsHTRANSFORM transform = cmsCreateTransform(lcms.profile, deviceFormat(profile), lcms.lab, TYPE_Lab_DBL,
                                                 INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(transform, nullptr);

    std::mt19937 random(3);
    std::uniform_int_distribution<int> code(0, 65535);
    Stats ours16, oursFloat;
    for (int i = 0; i < 5000; ++i) {
        uint16_t device[4];
        rfloat deviceF[4];
        double lcmsIn[4];
        for (unsigned k = 0; k < n; ++k) {
            device[k] = static_cast<uint16_t>(code(random));
            deviceF[k] = device[k];
            lcmsIn[k] = device[k] / 65535.0 * lcmsDeviceScale(profile);
        }
        cmsCIELab expected;
        cmsDoTransform(transform, lcmsIn, &expected, 1);

        uint16_t pcs[3];
        rfloat pcsF[3];
        a2b.convert(device, pcs, 1);
        a2b.convert(deviceF, pcsF, 1);
        if (xyz) {
            csICCPCS::XYZtoLab(pcs, pcs, 1);
            csICCPCS::XYZtoLab(pcsF, pcsF, 1);
        }
        const Lab lab16 = decodeLab16({pcs[0], pcs[1], pcs[2]});
        const Lab labF = {pcsF[0] / 655.35, (pcsF[1] - 32896) / 257, (pcsF[2] - 32896) / 257};
        const Lab reference = {expected.L, expected.a, expected.b};
        ours16.add(deltaE(lab16, reference));
        oursFloat.add(deltaE(labF, reference));
    }
    cmsDeleteTransform(transform);
    std::printf("%-27s A2B1 absolute, Delta E to Little CMS: 16-bit mean %.3f max %.3f; rfloat mean %.3f max %.3f\n",
                nameOf(c).c_str(), ours16.mean(), ours16.max, oursFloat.mean(), oursFloat.max);
    EXPECT_LE(ours16.mean(), c.a2bMean);
    EXPECT_LE(ours16.max, c.a2bMax);
    EXPECT_LE(oursFloat.mean(), c.a2bMean);
    EXPECT_LE(oursFloat.max, c.a2bMax);
}

TEST_P(ConverterCrossCheck, AbsoluteB2A1)
{
    csICCProfileConverter b2a(&profile, 1, 1, 1);
    ASSERT_EQ(b2a.init(), 0) << logText();
    const unsigned n = b2a.numOutputChannels();
    cmsHTRANSFORM transform = cmsCreateTransform(lcms.lab, TYPE_Lab_DBL, lcms.profile, deviceFormat(profile),
                                                 INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(transform, nullptr);

    // The Lab that device values print as, by our A2B1 (the printer model).
    auto printed = [&](const double* percent) {
        rfloat device[4], pcs[3];
        for (unsigned k = 0; k < n; ++k)
            device[k] = percent[k] / 100.0 * 65535.0;
        a2b.convert(device, pcs, 1);
        if (xyz)
            csICCPCS::XYZtoLab(pcs, pcs, 1);
        return Lab{pcs[0] / 655.35, (pcs[1] - 32896) / 257, (pcs[2] - 32896) / 257};
    };

    // Lab values the printer can make (our A2B1 of random device values),
    // and the neutral axis. Outside the gamut the tables hold whatever the
    // profile maker's gamut mapping put there, and Little CMS's trilinear
    // and our simplex interpolation part ways at every fold of it; those
    // colours are reported on their own and only their mean is held.
    std::mt19937 random(4);
    std::uniform_int_distribution<int> code(0, 65535);
    std::uniform_real_distribution<double> L(10, 95), ab(-60, 60);
    Stats devicePercent, printedDeltaE, neutral, outside;
    for (int i = 0; i < 6000; ++i) {
        const int kind = i % 3; // 0 in gamut, 1 neutral, 2 anywhere in a box
        double lab[3];
        if (kind == 0) {
            double device[4];
            for (unsigned k = 0; k < n; ++k)
                device[k] = code(random) / 655.35;
            const Lab made = printed(device);
            lab[0] = made.L;
            lab[1] = made.a;
            lab[2] = made.b;
        } else {
            lab[0] = L(random);
            lab[1] = kind == 1 ? 0.0 : ab(random);
            lab[2] = kind == 1 ? 0.0 : ab(random);
        }
        double lcmsOut[4];
        cmsCIELab in = {lab[0], lab[1], lab[2]};
        cmsDoTransform(transform, &in, lcmsOut, 1);

        const Lab16 code16 = encodeLab16({lab[0], lab[1], lab[2]});
        uint16_t pcs[3] = {code16.L, code16.a, code16.b}, device[4];
        if (xyz)
            csICCPCS::LabtoXYZ(pcs, pcs, 1);
        b2a.convert(pcs, device, 1);

        double ours[4], theirs[4];
        for (unsigned k = 0; k < n; ++k) {
            ours[k] = device[k] / 655.35;
            theirs[k] = lcmsOut[k] / lcmsDeviceScale(profile) * 100.0;
            if (kind != 2)
                devicePercent.add(std::abs(ours[k] - theirs[k]));
        }
        const double difference = deltaE(printed(ours), printed(theirs));
        (kind == 0 ? printedDeltaE : kind == 1 ? neutral : outside).add(difference);
    }
    cmsDeleteTransform(transform);
    std::printf("%-27s B2A1 absolute against Little CMS: in gamut and neutral device max %.2f%% mean %.3f%%; "
                "printed Delta E in gamut mean %.3f max %.3f, neutral axis mean %.3f max %.3f, "
                "anywhere mean %.3f max %.3f\n",
                nameOf(c).c_str(), devicePercent.max, devicePercent.mean(), printedDeltaE.mean(), printedDeltaE.max,
                neutral.mean(), neutral.max, outside.mean(), outside.max);
    EXPECT_LE(printedDeltaE.mean(), c.b2aMean);
    EXPECT_LE(printedDeltaE.max, c.b2aMax);
    EXPECT_LE(neutral.max, c.b2aNeutralMax);
    EXPECT_LE(outside.mean(), 4 * c.b2aMean);
}

// A2B1: both sides evaluate the same table the same way (Little CMS uses
// tetrahedral interpolation for device-indexed tables too); what is left is
// 16-bit rounding in the white scaling, and for four inputs the two ways of
// interpolating a 4-D grid (a fifth of a unit on average, half at most).
// B2A1: Little CMS interpolates Lab-indexed tables trilinearly when it
// builds a transform, we by simplex; inside the gamut that moves printed
// colours by a few tenths on average and by up to about two units in the
// steepest cells; the XYZ-indexed table is interpolated the same way on
// both sides and agrees closely.
const Case cases[] = {
    {"cmyk_v2.icc", V4Tables::None, 0.15, 0.6, 0.6, 2.5, 0.6},
    {"cmyk_v4.icc", V4Tables::None, 0.15, 0.6, 0.6, 2.5, 0.6},
    {"rgb_v2_lut8.icc", V4Tables::None, 0.05, 0.1, 0.5, 3.0, 0.6},
    {"rgb_xyz_pcs.icc", V4Tables::None, 0.05, 0.1, 0.05, 0.1, 0.1},
    {"cmyk_v2.icc", V4Tables::Same, 0.15, 0.6, 0.6, 2.5, 0.6},
    // The reshaped tables' grids no longer put the neutral axis on cell
    // faces, where trilinear and simplex interpolation agree, so B2A1 parts
    // more there; the resampled four-input A2B1 has steeper cells.
    {"cmyk_v2.icc", V4Tables::Reshaped, 0.2, 0.8, 0.6, 2.5, 2.0},
    {"rgb_v2_lut8.icc", V4Tables::Reshaped, 0.05, 0.1, 0.5, 3.0, 1.5},
    {"rgb_xyz_pcs.icc", V4Tables::Reshaped, 0.05, 0.1, 0.05, 0.2, 0.2},
};

INSTANTIATE_TEST_SUITE_P(TestProfiles, ConverterCrossCheck, ::testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) { return identifier(nameOf(info.param)); });

// Every direction, intent and white mode of a copy whose tables are stored
// as 'mAB '/'mBA ' with the same contents, against the original: the v4
// Lab encoding of the new tables must stand where the original's legacy
// scaling did.
TEST(ConverterCrossCheckV4, CopiesConvertLikeTheirOriginals)
{
    // Lab that stays inside the encoding after the absolute white modes
    // scale it: beyond it lut8/lut16 tables extrapolate their edge cells and
    // the new tables hold at the edge.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> code(0, 65535), L(0, 52000), ab(32896 - 15000, 32896 + 15000);
    for (const char* file : {"cmyk_v2.icc", "rgb_v2_lut8.icc", "rgb_xyz_pcs.icc"}) {
        const std::vector<uint8_t> originalBytes = testProfile(file, V4Tables::None);
        const std::vector<uint8_t> copyBytes = testProfile(file, V4Tables::Same);
        csICCProfile original, copy;
        ASSERT_EQ(original.setProfile(originalBytes.data(), originalBytes.size()), 0);
        ASSERT_EQ(copy.setProfile(copyBytes.data(), copyBytes.size()), 0) << logText();
        const bool xyz = original.header().pcs() == csSig("XYZ ");
        Stats pcs, device;
        for (int direction : {0, 1})
            for (int intent = 0; intent < 4; ++intent)
                for (int white = 0; white < 3; ++white) {
                    csICCProfileConverter a(&original, direction, intent, white), b(&copy, direction, intent, white);
                    ASSERT_EQ(a.init(), 0) << file << logText();
                    ASSERT_EQ(b.init(), 0) << file << logText();
                    ASSERT_NE(dynamic_cast<const csICCmABTag*>(b.interpolator()->tag()), nullptr);
                    // The tables' contents are compared: the copy's 'mBA '
                    // tables read their full curves, as the original's do
                    // (PathAgreement bounds the compact ones).
                    if (auto* lutAB = dynamic_cast<csICCmABInterpolator*>(b.interpolator()))
                        lutAB->setCompactCurves(false);
                    for (int i = 0; i < 200; ++i) {
                        uint16_t x[4] = {}, y[2][4];
                        for (unsigned k = 0; k < a.numInputChannels(); ++k)
                            x[k] = static_cast<uint16_t>(direction == 0 ? code(random) : k > 0 ? ab(random) : L(random));
                        if (direction == 1 && xyz)
                            csICCPCS::LabtoXYZ(x, x, 1);
                        rfloat yf[2][4];
                        csICCProfileConverter* both[2] = {&a, &b};
                        for (int side = 0; side < 2; ++side) {
                            uint16_t x16[4] = {x[0], x[1], x[2], x[3]};
                            rfloat xf[4] = {double(x[0]), double(x[1]), double(x[2]), double(x[3])};
                            both[side]->convert(x16, y[side], 1);
                            both[side]->convert(xf, yf[side], 1);
                        }
                        for (unsigned k = 0; k < a.numOutputChannels(); ++k) {
                            (direction == 0 ? pcs : device).add(std::abs(double(y[0][k]) - y[1][k]));
                            (direction == 0 ? pcs : device).add(std::abs(yf[0][k] - yf[1][k]));
                        }
                    }
                }
        std::printf("%-16s v4 copy against the original, every intent and white mode: PCS codes max %.1f mean %.3f, "
                    "device codes max %.1f mean %.3f\n",
                    file, pcs.max, pcs.mean(), device.max, device.mean());
        // A code where the copy's matrix rounds instead of the legacy
        // scaling, before CLUT cells of up to 2 device codes per code.
        EXPECT_LE(pcs.max, 1);
        EXPECT_LE(device.max, 2);
    }
}

// A matrix/TRC display profile made by Little CMS: sRGB primaries with a
// 2.2 gamma, written as version 2 so that the curves are 'curv' tags.
std::vector<uint8_t> lcmsMatrixProfile()
{
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE rgb = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsSetProfileVersion(rgb, 2.1);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(rgb, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(rgb, bytes.data(), &size);
    cmsCloseProfile(rgb);
    cmsFreeToneCurve(gamma);
    return bytes;
}

TEST(ConverterCrossCheckMatrix, RGBProfileBothWays)
{
    csErrorLog::clear();
    const std::vector<uint8_t> bytes = lcmsMatrixProfile();
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
    csICCProfileConverter a2b(&profile, 0, 0, 0), b2a(&profile, 1, 0, 0);
    ASSERT_EQ(a2b.init(), 0) << logText();
    ASSERT_EQ(b2a.init(), 0) << logText();
    ASSERT_EQ(a2b.interpolator(), nullptr) << "the matrix/TRC path";

    cmsHPROFILE rgb = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM forward = cmsCreateTransform(rgb, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                               cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    cmsHTRANSFORM backward = cmsCreateTransform(xyz, TYPE_XYZ_DBL, rgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                                cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(forward, nullptr);
    ASSERT_NE(backward, nullptr);

    auto labOf = [](const double xyzValue[3]) {
        const cmsCIEXYZ v = {xyzValue[0], xyzValue[1], xyzValue[2]};
        cmsCIELab lab;
        cmsXYZ2Lab(nullptr, &lab, &v);
        return Lab{lab.L, lab.a, lab.b};
    };
    std::mt19937 random(9);
    std::uniform_int_distribution<int> code(0, 65535);
    Stats forward16, forwardFloat, backwardCodes;
    for (int i = 0; i < 3000; ++i) {
        uint16_t device[3];
        rfloat deviceF[3];
        double lcmsIn[3];
        for (int k = 0; k < 3; ++k) {
            device[k] = static_cast<uint16_t>(code(random));
            deviceF[k] = device[k];
            lcmsIn[k] = device[k] / 65535.0;
        }
        double expected[3];
        cmsDoTransform(forward, lcmsIn, expected, 1);
        uint16_t pcs[3];
        rfloat pcsF[3];
        a2b.convert(device, pcs, 1);
        a2b.convert(deviceF, pcsF, 1);
        const double ours16[3] = {pcs[0] / 32768.0, pcs[1] / 32768.0, pcs[2] / 32768.0};
        const double oursF[3] = {pcsF[0] / 32768.0, pcsF[1] / 32768.0, pcsF[2] / 32768.0};
        forward16.add(deltaE(labOf(ours16), labOf(expected)));
        forwardFloat.add(deltaE(labOf(oursF), labOf(expected)));

        // Back from Little CMS's XYZ; compared where the inverse curve is
        // not steep (device values of at least a tenth).
        double lcmsBack[3];
        cmsDoTransform(backward, expected, lcmsBack, 1);
        rfloat xyzF[3] = {expected[0] * 32768, expected[1] * 32768, expected[2] * 32768}, back[3];
        b2a.convert(xyzF, back, 1);
        for (int k = 0; k < 3; ++k)
            if (lcmsBack[k] > 0.1)
                backwardCodes.add(std::abs(back[k] - lcmsBack[k] * 65535));
    }
    std::printf("matrix/TRC RGB, relative, Delta E to Little CMS: 16-bit mean %.4f max %.4f; rfloat mean %.5f max %.5f; "
                "back to RGB rfloat max %.2f codes\n",
                forward16.mean(), forward16.max, forwardFloat.mean(), forwardFloat.max, backwardCodes.max);
    // The colorants are the same s15Fixed16 numbers on both sides and the
    // gamma the same u8Fixed8. Our gamma curve gives whole codes in both
    // paths, and the 16-bit path holds XYZ in steps of 1/32768; near black,
    // where L* is steepest, that is a few hundredths (rfloat) to a tenth
    // (16-bit) of a unit.
    EXPECT_LE(forward16.max, 0.15);
    EXPECT_LE(forwardFloat.max, 0.03);
    EXPECT_LE(backwardCodes.max, 2.0);
    cmsDeleteTransform(forward);
    cmsDeleteTransform(backward);
    cmsCloseProfile(rgb);
    cmsCloseProfile(xyz);
}

} // namespace
