#include "csICCPCS.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// CIE Lab: f(t) = t^(1/3) above (6/29)^3, else the straight line 841/108·t + 16/116.
constexpr double labThreshold = 0.008856451679035631;
constexpr double labSlope = 7.787037037037037;
constexpr double labOffset = 0.13793103448275862;

inline double labF(double t)
{
    return t > labThreshold ? std::pow(t, 1.0 / 3.0) : labSlope * t + labOffset;
}

inline double labFInverse(double f)
{
    const double cube = f * f * f;
    return cube > labThreshold ? cube : (f - labOffset) / labSlope;
}

// D50 in the XYZ 16-bit/rfloat scale.
constexpr double whiteX = 31595.0;
constexpr double whiteY = 32768.0;
constexpr double whiteZ = 27030.5;

// Right shift that rounds towards minus infinity for negative values as well,
// written so that it does not depend on how the compiler shifts them.
inline int32_t shiftDown(int32_t v, int shift)
{
    return v >= 0 ? v >> shift : ~(~v >> shift);
}

inline uint16_t limit16(int32_t v)
{
    return static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v);
}

inline std::size_t strideOr3(std::size_t stride)
{
    return stride ? stride : 3;
}

// The 16-bit tables:
//   f:       f(i/32768)·52000, i being a component over its white in 1/32768 units;
//   x, y, z: f⁻¹(i/39672) times the white component, in XYZ 16-bit codes.
struct LabTables
{
    uint16_t f[65536];
    uint16_t x[65536];
    uint16_t y[65536];
    uint16_t z[65536];

    LabTables();
};

uint16_t roundedCode(double v)
{
    return csRoundToCode16(v);
}

LabTables::LabTables()
{
    for (int i = 0; i < 65536; ++i) {
        // Both quotients are formed in single precision; that is part of the table values.
        const double t = labFInverse(static_cast<float>(i) / 39672.0f);
        x[i] = roundedCode(t * whiteX);
        y[i] = roundedCode(t * whiteY);
        z[i] = roundedCode(t * whiteZ);

        const double fyoy0 = labF(static_cast<float>(i) / 32768.0f);
        assert(fyoy0 >= 0.);
        const uint32_t iint = static_cast<uint32_t>(fyoy0 * 52000.0 + 0.5);
        assert(iint <= 65535);
        f[i] = static_cast<uint16_t>(iint);

        // Every index is a valid v4 L code and legacy a/b code.
        [[maybe_unused]] const double l = i / 655.35;
        assert(l >= 0.);
        assert(l <= 100.);
        [[maybe_unused]] const double a = i / 256.0 - 128.0;
        assert(a >= -128.);
        assert(a < 128.);
    }
}

// Built once, on the first 16-bit Lab conversion; the language makes the
// initialisation of a function-local static safe against racing threads.
const LabTables& labTables()
{
    static const LabTables tables;
    return tables;
}

// Integer constants of the 16-bit Lab encodings. Forward, fTable units
// (1/52000) to codes: L = (fy·lScale >> 14) - lOffset, a = (fx - fy)·aScale >> 13,
// b = (fy - fz)·bScale >> 14. Inverse, codes to table indices (1/39672 of f)
// in 16.16: the three *ToIndex factors.
struct Lab16Encoding
{
    int32_t lScale, lOffset, aScale, bScale, abZero;
    uint32_t lToIndex, aToIndex, bToIndex;
};

constexpr Lab16Encoding labV4Codes = {23952, 10485, 20244, 16195, 32896, 34201, 20233, 50583};
constexpr Lab16Encoding labLegacyCodes = {23859, 10444, 20165, 16132, 32768, 34334, 20312, 50780};

// The table index of X or Z over its white: division by the white as a
// 16.16 reciprocal. The limits keep the index inside the table, and the
// products below them inside 32 bits.
inline uint32_t xOverWhite(uint32_t X)
{
    return X >= 63190 ? 65535 : (X * 67969u + 32768u) >> 16;
}

inline uint32_t zOverWhite(uint32_t Z)
{
    return Z >= 54061 ? 65535 : (Z * 79447u + 32768u) >> 16;
}

// Lab codes from the f values of X, Y, Z in f table units.
inline void labFromF(int32_t fx, int32_t fy, int32_t fz, uint16_t* out, const Lab16Encoding& e)
{
    // Entries are below 65536, so every product stays inside int32_t.
    const int32_t L = shiftDown(fy * e.lScale + 8192, 14) - e.lOffset;
    const int32_t a = shiftDown((fx - fy) * e.aScale + 4096, 13) + e.abZero;
    const int32_t b = shiftDown((fy - fz) * e.bScale + 8192, 14) + e.abZero;
    out[0] = limit16(L);
    out[1] = limit16(a);
    out[2] = limit16(b);
}

inline void xyzToLabPixel16(const LabTables& tables, uint32_t X, uint32_t Y, uint32_t Z, uint16_t* out,
                            const Lab16Encoding& e)
{
    labFromF(tables.f[xOverWhite(X)], tables.f[Y], tables.f[zOverWhite(Z)], out, e);
}

// The indices of the x, y and z tables for a Lab pixel.
inline void labToXYZIndices(uint32_t L, uint32_t a, uint32_t b, const Lab16Encoding& e, int32_t index[3])
{
    // In units of 1/39672: 5472 is f = 16/116; 10156 and 25390 are the
    // 128 of a* over 500 and of b* over 200. The products fit 32 bits
    // unsigned. The largest index reachable is 65195 (legacy L = 0xFFFF,
    // b = 0), so only the low end needs a limit.
    const int32_t fyIdx = static_cast<int32_t>((L * e.lToIndex + 32768u) >> 16) + 5472;
    const int32_t fxIdx = fyIdx - 10156 + static_cast<int32_t>((a * e.aToIndex + 32768u) >> 16);
    const int32_t fzIdx = fyIdx + 25390 - static_cast<int32_t>((b * e.bToIndex + 32768u) >> 16);
    index[0] = fxIdx < 0 ? 0 : fxIdx;
    index[1] = fyIdx;
    index[2] = fzIdx < 0 ? 0 : fzIdx;
}

void xyzToLab16(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                std::size_t outStride, const Lab16Encoding& e)
{
    const LabTables& tables = labTables();
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride)
        xyzToLabPixel16(tables, in[0], in[1], in[2], out, e);
}

void labToXYZ16(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                std::size_t outStride, const Lab16Encoding& e)
{
    const LabTables& tables = labTables();
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        int32_t index[3];
        labToXYZIndices(in[0], in[1], in[2], e, index);
        out[0] = tables.x[index[0]];
        out[1] = tables.y[index[1]];
        out[2] = tables.z[index[2]];
    }
}

// Scale of the rfloat Lab encodings: L code per L*, a/b code per a*/b*, code of a* = 0.
struct LabFloatEncoding
{
    double lScale, abScale, abZero;
};

constexpr LabFloatEncoding labV4Float = {csICCPCS::labV4LScale, csICCPCS::labV4ABScale, csICCPCS::labV4ABOffset};
constexpr LabFloatEncoding labLegacyFloat = {652.8, 256.0, 32768.0};

inline void xyzToLabPixel(double X, double Y, double Z, double lab[3], const LabFloatEncoding& e)
{
    const double fx = labF(X / whiteX);
    const double fy = labF(Y * 3.0517578125e-05);
    const double fz = labF(Z / whiteZ);
    lab[0] = (116.0 * fy - 16.0) * e.lScale;
    lab[1] = (fx - fy) * (500.0 * e.abScale) + e.abZero;
    lab[2] = (fy - fz) * (200.0 * e.abScale) + e.abZero;
}

inline void labToXYZPixel(double L, double a, double b, double xyz[3], const LabFloatEncoding& e)
{
    const double fy = (L / e.lScale + 16.0) / 116.0;
    const double fx = fy + (a / e.abScale - 128.0) / 500.0;
    const double fz = fy - (b / e.abScale - 128.0) / 200.0;
    xyz[0] = labFInverse(fx) * whiteX;
    xyz[1] = labFInverse(fy) * whiteY;
    xyz[2] = labFInverse(fz) * whiteZ;
}

using PixelFunction = void (*)(double, double, double, double[3], const LabFloatEncoding&);

template <PixelFunction convert>
void interleaved(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                 std::size_t outStride, const LabFloatEncoding& e)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        double result[3];
        convert(in[0], in[1], in[2], result, e);
        out[0] = result[0];
        out[1] = result[1];
        out[2] = result[2];
    }
}

template <PixelFunction convert>
void planar(const rfloat* const in[3], rfloat* const out[3], std::size_t count,
            const LabFloatEncoding& e)
{
    for (std::size_t n = 0; n < count; ++n) {
        double result[3];
        convert(in[0][n], in[1][n], in[2][n], result, e);
        out[0][n] = result[0];
        out[1][n] = result[1];
        out[2][n] = result[2];
    }
}

// Inputs at or above the limit give 65535. Above 1.0 the limit keeps v·factor
// inside 32 bits and the result inside 16; at 1.0 or below it is 65535 itself.
inline uint32_t scaleLimit(uint32_t factor)
{
    return factor > 65536 ? 0xFFFFFFFFu / factor : 65535;
}

inline uint16_t scale16(uint32_t v, uint32_t factor, uint32_t limit)
{
    return v < limit ? static_cast<uint16_t>((v * factor + 32768u) >> 16) : 65535;
}

} // namespace

void csICCPCS::XYZtoLab(const uint16_t* in, uint16_t* out, std::size_t count,
                        std::size_t inStride, std::size_t outStride)
{
    xyzToLab16(in, out, count, inStride, outStride, labV4Codes);
}

void csICCPCS::LabtoXYZ(const uint16_t* in, uint16_t* out, std::size_t count,
                        std::size_t inStride, std::size_t outStride)
{
    labToXYZ16(in, out, count, inStride, outStride, labV4Codes);
}

void csICCPCS::XYZtoLabLegacy(const uint16_t* in, uint16_t* out, std::size_t count,
                              std::size_t inStride, std::size_t outStride)
{
    xyzToLab16(in, out, count, inStride, outStride, labLegacyCodes);
}

void csICCPCS::LabLegacytoXYZ(const uint16_t* in, uint16_t* out, std::size_t count,
                              std::size_t inStride, std::size_t outStride)
{
    labToXYZ16(in, out, count, inStride, outStride, labLegacyCodes);
}

void csICCPCS::XYZtoLab(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                        std::size_t outStride)
{
    interleaved<xyzToLabPixel>(in, out, count, inStride, outStride, labV4Float);
}

void csICCPCS::XYZtoLab(const rfloat* const in[3], rfloat* const out[3], std::size_t count)
{
    planar<xyzToLabPixel>(in, out, count, labV4Float);
}

void csICCPCS::LabtoXYZ(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                        std::size_t outStride)
{
    interleaved<labToXYZPixel>(in, out, count, inStride, outStride, labV4Float);
}

void csICCPCS::LabtoXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count)
{
    planar<labToXYZPixel>(in, out, count, labV4Float);
}

void csICCPCS::XYZtoLabLegacy(const rfloat* in, rfloat* out, std::size_t count,
                              std::size_t inStride, std::size_t outStride)
{
    interleaved<xyzToLabPixel>(in, out, count, inStride, outStride, labLegacyFloat);
}

void csICCPCS::XYZtoLabLegacy(const rfloat* const in[3], rfloat* const out[3], std::size_t count)
{
    planar<xyzToLabPixel>(in, out, count, labLegacyFloat);
}

void csICCPCS::LabLegacytoXYZ(const rfloat* in, rfloat* out, std::size_t count,
                              std::size_t inStride, std::size_t outStride)
{
    interleaved<labToXYZPixel>(in, out, count, inStride, outStride, labLegacyFloat);
}

void csICCPCS::LabLegacytoXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count)
{
    planar<labToXYZPixel>(in, out, count, labLegacyFloat);
}

void csICCPCS::XYZtoLabNatural(const double* in, double* out, std::size_t count,
                               std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        const double fx = labF(in[0] / whiteXNatural);
        const double fy = labF(in[1] / 100.0);
        const double fz = labF(in[2] / whiteZNatural);
        out[0] = 116.0 * fy - 16.0;
        out[1] = 500.0 * (fx - fy);
        out[2] = 200.0 * (fy - fz);
    }
}

void csICCPCS::LabtoXYZNatural(const double* in, double* out, std::size_t count,
                               std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        const double fy = (in[0] + 16.0) / 116.0;
        const double fx = fy + in[1] / 500.0;
        const double fz = fy - in[2] / 200.0;
        out[0] = labFInverse(fx) * whiteXNatural;
        out[1] = labFInverse(fy) * 100.0;
        out[2] = labFInverse(fz) * whiteZNatural;
    }
}

void csICCPCS::LabV4toLegacy(const uint16_t* in, uint16_t* out, std::size_t count,
                             std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        for (int c = 0; c < 3; ++c)
            out[c] = labV4toLegacyCode(in[c]);
    }
}

void csICCPCS::LabV4toLegacy(const rfloat* in, rfloat* out, std::size_t count,
                             std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride)
        for (int c = 0; c < 3; ++c)
            out[c] = in[c] * 65280.0 / 65535.0;
}

void csICCPCS::LabLegacytoV4(const uint16_t* in, uint16_t* out, std::size_t count,
                             std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        for (int c = 0; c < 3; ++c)
            out[c] = labLegacytoV4Code(in[c]);
    }
}

void csICCPCS::LabLegacytoV4(const rfloat* in, rfloat* out, std::size_t count,
                             std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride)
        for (int c = 0; c < 3; ++c)
            out[c] = in[c] * 65535.0 / 65280.0;
}

void csICCPCS::scaleXYZ(const uint16_t* in, uint16_t* out, std::size_t count, uint32_t factorX,
                        uint32_t factorY, uint32_t factorZ, std::size_t inStride,
                        std::size_t outStride)
{
    const uint32_t limitX = scaleLimit(factorX);
    const uint32_t limitY = scaleLimit(factorY);
    const uint32_t limitZ = scaleLimit(factorZ);
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        const uint32_t X = in[0], Y = in[1], Z = in[2];
        out[0] = scale16(X, factorX, limitX);
        out[1] = scale16(Y, factorY, limitY);
        out[2] = scale16(Z, factorZ, limitZ);
    }
}

uint16_t csICCPCS::scaleXYZCode(uint16_t code, uint32_t factor)
{
    return scale16(code, factor, scaleLimit(factor));
}

void csICCPCS::scaleXYZ(const rfloat* in, rfloat* out, std::size_t count, double factorX,
                        double factorY, double factorZ, std::size_t inStride,
                        std::size_t outStride)
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        out[0] = in[0] * factorX;
        out[1] = in[1] * factorY;
        out[2] = in[2] * factorZ;
    }
}

void csICCPCS::scaleXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count,
                        double factorX, double factorY, double factorZ)
{
    for (std::size_t n = 0; n < count; ++n) {
        out[0][n] = in[0][n] * factorX;
        out[1][n] = in[1][n] * factorY;
        out[2][n] = in[2][n] * factorZ;
    }
}

namespace {

// f at the threshold of the cube root, 6/29, and at t = 0, 16/116.
constexpr double fThreshold = 6.0 / 29.0;
constexpr double fBlack = 16.0 / 116.0;
// Table entries per unit of f; the table is interpolated, so this is ample.
constexpr double bandUnits = 16384.0;

// The range of f in which neither line nor cube root holds for both t and
// k·t, widened on either side so that rounding at the ends of the pieces
// never decides.
void makeChannel(double k, csICCPCS::LabScaling::Channel& channel)
{
    const double c = std::cbrt(k);
    const double fHigh = fThreshold * std::max(1.0, 1.0 / c);
    const double fLow = std::min(fThreshold, fBlack + (fThreshold - fBlack) / k);
    const double start = std::floor(fLow * bandUnits - 2) / bandUnits;
    const int32_t segments = static_cast<int32_t>(std::ceil((fHigh - start) * bandUnits + 2));
    channel.cube = static_cast<float>(c);
    channel.line = static_cast<float>(k);
    channel.lineOffset = static_cast<float>((1.0 - k) * fBlack);
    channel.bandStart = static_cast<float>(start);
    channel.bandEnd = static_cast<float>(start + (segments - 1) / bandUnits);
    channel.bandUnits = static_cast<float>(bandUnits);
    channel.lastSegment = segments - 1;
    channel.table.reset(new float[static_cast<std::size_t>(segments) + 1]);
    for (int32_t j = 0; j <= segments; ++j)
        channel.table[j] = static_cast<float>(labF(k * labFInverse(start + j / bandUnits)));
}

} // namespace

csICCPCS::LabScaling::LabScaling(double factorX, double factorY, double factorZ)
{
    const double factor[3] = {factorX, factorY, factorZ};
    for (int c = 0; c < 3; ++c)
        makeChannel(factor[c], channel_[c]);
}

void csICCPCS::LabScaling::apply(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                 std::size_t outStride) const
{
    inStride = strideOr3(inStride);
    outStride = strideOr3(outStride);
    for (std::size_t n = 0; n < count; ++n, in += inStride, out += outStride) {
        float f[3];
        fValues(in[0], in[1], in[2], f);
        for (int c = 0; c < 3; ++c)
            f[c] = channel_[c].scaled(f[c]);
        labCodes(f, out);
    }
}
