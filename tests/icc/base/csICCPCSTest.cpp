#include "csICCPCS.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Op16 = void (*)(const uint16_t*, uint16_t*, std::size_t, std::size_t, std::size_t);
using OpFloat = void (*)(const rfloat*, rfloat*, std::size_t, std::size_t, std::size_t);

std::vector<uint16_t> randomCodes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint16_t> codes(n);
    for (uint16_t& c : codes)
        c = static_cast<uint16_t>(random() & 0xFFFF);
    return codes;
}

TEST(ICCPCS, Known16BitValues)
{
    struct Case { const char* what; Op16 op; uint16_t in[3]; uint16_t out[3]; };
    const Case cases[] = {
        {"black v4", csICCPCS::XYZtoLab, {0, 0, 0}, {0, 32896, 32896}},
        {"D50 v4", csICCPCS::XYZtoLab, {31595, 32768, 27030}, {65535, 32896, 32896}},
        {"D50 legacy", csICCPCS::XYZtoLabLegacy, {31595, 32768, 27030}, {65280, 32768, 32768}},
        // fx - fy = -1 table unit: a rounds towards minus infinity, not towards 0.
        {"a* just below 0", csICCPCS::XYZtoLab, {31594, 32768, 27030}, {65535, 32894, 32896}},
        {"X beyond 2.0", csICCPCS::XYZtoLab, {65535, 0, 0}, {0, 65535, 32896}},
        {"Y beyond 2.0", csICCPCS::XYZtoLabLegacy, {0, 65535, 0}, {65535, 0, 65535}},
        {"white v4", csICCPCS::LabtoXYZ, {65535, 32896, 32896}, {31595, 32768, 27031}},
        {"white legacy", csICCPCS::LabLegacytoXYZ, {65280, 32768, 32768}, {31595, 32768, 27031}},
        {"black to XYZ", csICCPCS::LabtoXYZ, {0, 32896, 32896}, {0, 0, 0}},
        // fxIdx and fzIdx come out negative and are limited to the first entry.
        {"negative indices", csICCPCS::LabtoXYZ, {0, 0, 65535}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        uint16_t out[3] = {1, 2, 3};
        c.op(c.in, out, 1, 0, 0);
        EXPECT_TRUE(std::equal(out, out + 3, c.out)) << c.what << ": " << out[0] << " " << out[1] << " " << out[2];
    }
}

// The 16-bit forms against the rfloat ones. 65792/65536 is exactly
// 65535/65280, so legacy to v4 rounds correctly; 65281/65536 is 65280/65535
// to within 6e-8, so v4 to legacy may miss by 65535·6e-8 = 0.004 code more
// than the half code of rounding.
TEST(ICCPCS, V4AndLegacyCodesFollowTheRfloatScaling)
{
    std::vector<uint16_t> codes(3 * 65536);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<uint16_t>(i / 3);
    const std::vector<rfloat> values(codes.begin(), codes.end());
    std::vector<uint16_t> v4(codes.size()), legacy(codes.size());
    std::vector<rfloat> v4Float(codes.size()), legacyFloat(codes.size());
    csICCPCS::LabLegacytoV4(codes.data(), v4.data(), 65536);
    csICCPCS::LabV4toLegacy(codes.data(), legacy.data(), 65536);
    csICCPCS::LabLegacytoV4(values.data(), v4Float.data(), 65536);
    csICCPCS::LabV4toLegacy(values.data(), legacyFloat.data(), 65536);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(v4[i], codes[i] > 65280 ? 65535 : std::floor(v4Float[i] + 0.5)) << codes[i];
        ASSERT_LE(std::fabs(legacy[i] - legacyFloat[i]), 0.504) << codes[i];
    }
    EXPECT_EQ(v4Float[3 * 65280], 65535.0);
    EXPECT_EQ(legacyFloat[3 * 32896], 32768.0);
}

TEST(ICCPCS, ScaleXYZ16)
{
    struct Case { uint32_t factor; uint16_t in, out; };
    const Case cases[] = {
        {65536, 65534, 65534},
        // An input of 65535 stays 65535 for any factor up to 1.0.
        {32768, 1001, 501}, {32768, 65534, 32767}, {32768, 65535, 65535}, {0, 65535, 65535},
        // Above 1.0 the limit is 0xFFFFFFFF / factor: 32767 for 2.0, 43690 for 1.5.
        {131072, 32766, 65532}, {131072, 32767, 65535}, {131072, 40000, 65535},
        {98304, 43689, 65534}, {98304, 43690, 65535}, {0xFFFFFFFF, 0, 0}, {0xFFFFFFFF, 1, 65535},
    };
    for (const Case& c : cases) {
        const uint16_t in[3] = {c.in, c.in, c.in};
        uint16_t out[3];
        csICCPCS::scaleXYZ(in, out, 1, c.factor, c.factor, c.factor);
        EXPECT_EQ(out[0], c.out) << c.factor << " x " << c.in;
        EXPECT_EQ(out[2], c.out) << c.factor << " x " << c.in;
    }
}

// Strided and in-place runs must give what a plain run gives, and leave the
// elements between pixels alone.
template <class T, class Op>
void expectStridesAndInPlaceAgree(const std::vector<Op>& ops, const std::vector<T>& in)
{
    const std::size_t n = in.size() / 3;
    for (std::size_t k = 0; k < ops.size(); ++k) {
        std::vector<T> plain(3 * n), inPlace = in;
        ops[k](in.data(), plain.data(), n, 0, 0);
        ops[k](inPlace.data(), inPlace.data(), n, 3, 3);
        EXPECT_EQ(inPlace, plain) << "op " << k;

        std::vector<T> in4(4 * n, T(0xABCD)), out5(5 * n, T(0x1234));
        for (std::size_t p = 0; p < n; ++p)
            std::copy_n(&in[3 * p], 3, &in4[4 * p]);
        ops[k](in4.data(), out5.data(), n, 4, 5);
        for (std::size_t p = 0; p < n; ++p) {
            ASSERT_TRUE(std::equal(&plain[3 * p], &plain[3 * p + 3], &out5[5 * p])) << "op " << k;
            ASSERT_TRUE(out5[5 * p + 3] == T(0x1234) && out5[5 * p + 4] == T(0x1234)) << "op " << k;
        }
    }
}

TEST(ICCPCS, StridesAndInPlace)
{
    const std::vector<Op16> ops16 = {
        csICCPCS::XYZtoLab, csICCPCS::LabtoXYZ, csICCPCS::XYZtoLabLegacy, csICCPCS::LabLegacytoXYZ,
        csICCPCS::LabV4toLegacy, csICCPCS::LabLegacytoV4,
        [](const uint16_t* i, uint16_t* o, std::size_t n, std::size_t is, std::size_t os) {
            csICCPCS::scaleXYZ(i, o, n, 70000, 65536, 40000, is, os);
        },
    };
    const std::vector<OpFloat> opsFloat = {
        csICCPCS::XYZtoLab, csICCPCS::LabtoXYZ, csICCPCS::XYZtoLabLegacy, csICCPCS::LabLegacytoXYZ,
        csICCPCS::LabV4toLegacy, csICCPCS::LabLegacytoV4,
        [](const rfloat* i, rfloat* o, std::size_t n, std::size_t is, std::size_t os) {
            csICCPCS::scaleXYZ(i, o, n, 1.037, 1.0, 0.5, is, os);
        },
    };
    const std::vector<uint16_t> codes = randomCodes(3000, 7);
    std::vector<rfloat> values(codes.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = codes[i] + (i % 7) / 7.0;
    expectStridesAndInPlaceAgree(ops16, codes);
    expectStridesAndInPlaceAgree(opsFloat, values);
}

// ---------------------------------------------------------------------------
// Against Little CMS, which does the same arithmetic in double and rounds
// once at the end. The white for both is D50 as profiles store it
// (s15Fixed16 0xF6D6, 1.0, 0xD32D), so that the comparison measures the
// arithmetic and not the four-digit D50 of cmsD50_XYZ().
//
// Tolerances, from the precision of the table arithmetic:
// - XYZ to Lab 16-bit: X and Z are divided by the white and rounded to the
//   1/32768 table index, where f rises by up to 7.787 per unit, so a*
//   (500·257 codes per unit of f) can move by 0.5/32768·7.787·128500 = 15.3
//   codes, b* by 6.1, plus the 1/52000 steps of f and the final rounding:
//   within 18. L* reads Y unrounded and stays within 2. Delta E below 0.1.
// - Lab to XYZ 16-bit: f is rounded to 1/39672 twice on the way to X and Z,
//   one step moving X by up to 3·f²·31595/39672 = 3.9 codes where X nears
//   65535: within 8 codes, Y (rounded once) within 3. Delta E below 0.5:
//   near black one X code alone is 0.12 in a*.
// - Mean code difference at most 1: rounding on both sides accounts for about
//   half a code, the index rounding near black for the rest; a bias of half a
//   code, such as a lost rounding term, would show.
// - rfloat and natural: the same formulas in double, differing only in the
//   order of operations: within 1e-6 codes and 1e-9 in Delta E.

const cmsCIEXYZ d50 = {31595.0 / 32768.0, 1.0, 27030.5 / 32768.0};

struct Differences
{
    std::size_t count = 0;
    double maxDeltaE = 0, sumDeltaE = 0, maxCodes = 0, sumCodes = 0;
    double maxChannel[3] = {0, 0, 0};

    void add(const cmsCIELab& a, const cmsCIELab& b, const double* codesA, const double* codesB)
    {
        const double dE = std::sqrt((a.L - b.L) * (a.L - b.L) + (a.a - b.a) * (a.a - b.a) +
                                    (a.b - b.b) * (a.b - b.b));
        double codes = 0;
        for (int c = 0; c < 3; ++c) {
            maxChannel[c] = std::max(maxChannel[c], std::fabs(codesA[c] - codesB[c]));
            codes = std::max(codes, std::fabs(codesA[c] - codesB[c]));
        }
        ++count;
        maxDeltaE = std::max(maxDeltaE, dE);
        sumDeltaE += dE;
        maxCodes = std::max(maxCodes, codes);
        sumCodes += codes;
    }

    void print(const std::string& what, const char* unit = "codes") const
    {
        std::printf("%-22s %7zu points  Delta E max %.3g mean %.3g  %s max %.3g (%.3g %.3g %.3g) "
                    "mean %.3g\n", what.c_str(), count, maxDeltaE, sumDeltaE / count, unit,
                    maxCodes, maxChannel[0], maxChannel[1], maxChannel[2], sumCodes / count);
    }
};

struct Triple
{
    explicit Triple(const uint16_t* codes) : v{double(codes[0]), double(codes[1]), double(codes[2])} {}
    double v[3];
};

cmsCIELab labOfXYZ(const double xyz[3], double unit)
{
    const cmsCIEXYZ x = {xyz[0] / unit, xyz[1] / unit, xyz[2] / unit};
    cmsCIELab lab;
    cmsXYZ2Lab(&d50, &lab, &x);
    return lab;
}

// A grid of n³ codes from 0 to the three limits, plus every code of the neutral axis.
std::vector<uint16_t> sweep(const int limit[3], int n)
{
    std::vector<uint16_t> codes;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k)
                codes.insert(codes.end(), {uint16_t(i * limit[0] / (n - 1)),
                                           uint16_t(j * limit[1] / (n - 1)),
                                           uint16_t(k * limit[2] / (n - 1))});
    for (int64_t v = 0; v <= 65535; ++v)
        codes.insert(codes.end(), {uint16_t(v * limit[0] / 65535), uint16_t(v * limit[1] / 65535),
                                   uint16_t(v * limit[2] / 65535)});
    return codes;
}

// The same points with fractions, for the rfloat forms.
std::vector<double> withFractions(const std::vector<uint16_t>& codes)
{
    std::vector<double> values(codes.begin(), codes.end());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] += (i % 5) * 0.2;
    return values;
}

struct LabCodec
{
    const char* name;
    Op16 toLab16, toXYZ16;
    OpFloat toLabFloat, toXYZFloat;
    void (*encode)(cmsUInt16Number[3], const cmsCIELab*);
    void (*decode)(cmsCIELab*, const cmsUInt16Number[3]);
    double lScale, abScale, abZero;

    cmsCIELab lab(const double* v) const
    {
        return {v[0] / lScale, (v[1] - abZero) / abScale, (v[2] - abZero) / abScale};
    }
    void codes(const cmsCIELab& lab, double* v) const
    {
        v[0] = lab.L * lScale;
        v[1] = lab.a * abScale + abZero;
        v[2] = lab.b * abScale + abZero;
    }
};

const LabCodec codecs[] = {
    {"v4", csICCPCS::XYZtoLab, csICCPCS::LabtoXYZ, csICCPCS::XYZtoLab, csICCPCS::LabtoXYZ,
     cmsFloat2LabEncoded, cmsLabEncoded2Float, 655.35, 257.0, 32896.0},
    {"legacy", csICCPCS::XYZtoLabLegacy, csICCPCS::LabLegacytoXYZ, csICCPCS::XYZtoLabLegacy,
     csICCPCS::LabLegacytoXYZ, cmsFloat2LabEncodedV2, cmsLabEncoded2FloatV2, 652.8, 256.0, 32768.0},
};

TEST(ICCPCSCrossCheck, XYZtoLabAgainstLittleCMS)
{
    const int xyzLimit[3] = {63189, 65535, 54060}; // the table covers X/Xn and Z/Zn below 2.0
    const std::vector<uint16_t> xyz = sweep(xyzLimit, 97);
    const std::vector<double> xyzFloat = withFractions(xyz);
    const std::size_t n = xyz.size() / 3;
    for (const LabCodec& codec : codecs) {
        std::vector<uint16_t> lab16(3 * n);
        std::vector<double> labFloat(3 * n);
        codec.toLab16(xyz.data(), lab16.data(), n, 0, 0);
        codec.toLabFloat(xyzFloat.data(), labFloat.data(), n, 0, 0);
        Differences d16, dFloat;
        for (std::size_t p = 0; p < n; ++p) {
            cmsCIEXYZ x;
            cmsCIELab ref, ours;
            cmsXYZEncoded2Float(&x, &xyz[3 * p]);
            cmsXYZ2Lab(&d50, &ref, &x);
            cmsUInt16Number refCodes[3];
            codec.encode(refCodes, &ref);
            codec.decode(&ref, refCodes);
            codec.decode(&ours, &lab16[3 * p]);
            d16.add(ours, ref, Triple(&lab16[3 * p]).v, Triple(refCodes).v);

            const cmsCIELab exact = labOfXYZ(&xyzFloat[3 * p], 32768.0);
            double exactCodes[3];
            codec.codes(exact, exactCodes);
            dFloat.add(codec.lab(&labFloat[3 * p]), exact, &labFloat[3 * p], exactCodes);
        }
        d16.print(std::string("XYZ->Lab 16-bit ") + codec.name);
        dFloat.print(std::string("XYZ->Lab rfloat ") + codec.name);
        EXPECT_LE(d16.maxChannel[0], 2);
        EXPECT_LE(d16.maxCodes, 18);
        EXPECT_LE(d16.sumCodes / d16.count, 1.0);
        EXPECT_LT(d16.maxDeltaE, 0.1);
        EXPECT_LT(dFloat.maxCodes, 1e-6);
    }

    std::vector<double> natural(xyzFloat.size()), labNatural(xyzFloat.size());
    for (std::size_t i = 0; i < natural.size(); ++i)
        natural[i] = xyzFloat[i] * (100.0 / 32768.0);
    csICCPCS::XYZtoLabNatural(natural.data(), labNatural.data(), n);
    Differences dNatural;
    for (std::size_t p = 0; p < n; ++p) {
        const cmsCIELab exact = labOfXYZ(&xyzFloat[3 * p], 32768.0);
        const double exactLab[3] = {exact.L, exact.a, exact.b};
        const double* ours = &labNatural[3 * p];
        dNatural.add({ours[0], ours[1], ours[2]}, exact, ours, exactLab);
    }
    dNatural.print("XYZ->Lab natural", "L*a*b*");
    EXPECT_LT(dNatural.maxDeltaE, 1e-9);
}

TEST(ICCPCSCrossCheck, LabtoXYZAgainstLittleCMS)
{
    // L code 0 is left out: Little CMS encodes any XYZ with Y = 0 as black.
    const int labLimit[3] = {65535, 65535, 65535};
    std::vector<uint16_t> lab = sweep(labLimit, 97);
    for (std::size_t i = 0; i < lab.size(); i += 3)
        lab[i] = std::max<uint16_t>(lab[i], 1);
    const std::vector<double> labFloat = withFractions(lab);
    const std::size_t n = lab.size() / 3;
    for (const LabCodec& codec : codecs) {
        std::vector<uint16_t> xyz16(3 * n);
        std::vector<double> xyzFloat(3 * n);
        codec.toXYZ16(lab.data(), xyz16.data(), n, 0, 0);
        codec.toXYZFloat(labFloat.data(), xyzFloat.data(), n, 0, 0);
        Differences d16, dFloat;
        for (std::size_t p = 0; p < n; ++p) {
            cmsCIELab l;
            cmsCIEXYZ x;
            codec.decode(&l, &lab[3 * p]);
            cmsLab2XYZ(&d50, &x, &l);
            cmsUInt16Number refCodes[3];
            cmsFloat2XYZEncoded(refCodes, &x);
            const Triple a(&xyz16[3 * p]), b(refCodes);
            d16.add(labOfXYZ(a.v, 32768.0), labOfXYZ(b.v, 32768.0), a.v, b.v);

            l = codec.lab(&labFloat[3 * p]);
            cmsLab2XYZ(&d50, &x, &l);
            const double exact[3] = {x.X * 32768.0, x.Y * 32768.0, x.Z * 32768.0};
            dFloat.add(labOfXYZ(&xyzFloat[3 * p], 32768.0), labOfXYZ(exact, 32768.0),
                       &xyzFloat[3 * p], exact);
        }
        d16.print(std::string("Lab->XYZ 16-bit ") + codec.name);
        dFloat.print(std::string("Lab->XYZ rfloat ") + codec.name);
        EXPECT_LE(d16.maxChannel[1], 3);
        EXPECT_LE(d16.maxCodes, 8);
        EXPECT_LE(d16.sumCodes / d16.count, 1.0);
        EXPECT_LT(d16.maxDeltaE, 0.5);
        EXPECT_LT(dFloat.maxCodes, 1e-6);
    }

    std::vector<double> natural(labFloat.size()), xyzNatural(labFloat.size());
    for (std::size_t p = 0; p < n; ++p) {
        const cmsCIELab l = codecs[0].lab(&labFloat[3 * p]);
        natural[3 * p] = l.L;
        natural[3 * p + 1] = l.a;
        natural[3 * p + 2] = l.b;
    }
    csICCPCS::LabtoXYZNatural(natural.data(), xyzNatural.data(), n);
    Differences dNatural;
    for (std::size_t p = 0; p < n; ++p) {
        const cmsCIELab l = {natural[3 * p], natural[3 * p + 1], natural[3 * p + 2]};
        cmsCIEXYZ x;
        cmsLab2XYZ(&d50, &x, &l);
        const double exact[3] = {x.X * 100.0, x.Y * 100.0, x.Z * 100.0};
        dNatural.add(labOfXYZ(&xyzNatural[3 * p], 100.0), labOfXYZ(exact, 100.0),
                     &xyzNatural[3 * p], exact);
    }
    dNatural.print("Lab->XYZ natural", "XYZ");
    EXPECT_LT(dNatural.maxDeltaE, 1e-9);
}

} // namespace
