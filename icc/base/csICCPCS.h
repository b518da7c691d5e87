#pragma once
// Conversions between the encodings in which XYZ and Lab travel between the
// stages of a conversion, and the scaling of XYZ between relative and
// absolute colorimetry.
//
// Encodings; the rfloat forms use the same scale as the 16-bit codes:
//   XYZ         32768 is 1.0 (the ICC u1Fixed15 form), 65535 just under 2.0
//   Lab v4      L*·655.35, a*·257 + 32896 (a* = 0 is 0x8080)
//   Lab legacy  L*·652.8,  a*·256 + 32768 (a* = 0 is 0x8000, L* = 100 is
//               0xFF00); the encoding mft2 tables hold
//   natural     XYZ with the white's Y at 100, Lab in its own units
// The white is the D50 of the profile connection space as a profile stores
// it in s15Fixed16: X 0.964202880859375 (31595 codes), Z 0.8249053955078125
// (27030.5 codes).
//
// Interleaved buffers are (in, out, count, inStride, outStride) with strides
// counted in elements, 0 meaning 3. Planar buffers are three plane pointers
// for input and for output. The output may be the input.
//
// 16-bit results are limited to 0..65535; rfloat results are not limited.

#include "csICCNumber.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

class csICCPCS
{
public:
    csICCPCS() = delete;

    // The version 4 Lab encoding every converter interface uses.
    static constexpr double labV4LScale = 655.35;    // codes per unit of L*
    static constexpr double labV4ABScale = 257.0;    // codes per unit of a*, b*
    static constexpr double labV4ABOffset = 32896.0; // the code of a* = 0

    // The white in the natural scale (Y 100), as a profile stores it.
    static constexpr double whiteXNatural = 96.4202880859375;
    static constexpr double whiteZNatural = 82.49053955078125;

    // XYZ 16-bit <-> Lab v4 16-bit, through lookup tables and integer arithmetic.
    static void XYZtoLab(const uint16_t* in, uint16_t* out, std::size_t count,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabtoXYZ(const uint16_t* in, uint16_t* out, std::size_t count,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    // XYZ 16-bit <-> Lab legacy 16-bit.
    static void XYZtoLabLegacy(const uint16_t* in, uint16_t* out, std::size_t count,
                               std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabLegacytoXYZ(const uint16_t* in, uint16_t* out, std::size_t count,
                               std::size_t inStride = 0, std::size_t outStride = 0);

    // XYZ rfloat <-> Lab v4 rfloat.
    static void XYZtoLab(const rfloat* in, rfloat* out, std::size_t count,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    static void XYZtoLab(const rfloat* const in[3], rfloat* const out[3], std::size_t count);
    static void LabtoXYZ(const rfloat* in, rfloat* out, std::size_t count,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabtoXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count);
    // XYZ rfloat <-> Lab legacy rfloat.
    static void XYZtoLabLegacy(const rfloat* in, rfloat* out, std::size_t count,
                               std::size_t inStride = 0, std::size_t outStride = 0);
    static void XYZtoLabLegacy(const rfloat* const in[3], rfloat* const out[3], std::size_t count);
    static void LabLegacytoXYZ(const rfloat* in, rfloat* out, std::size_t count,
                               std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabLegacytoXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count);

    // XYZ natural <-> Lab natural.
    static void XYZtoLabNatural(const double* in, double* out, std::size_t count,
                                std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabtoXYZNatural(const double* in, double* out, std::size_t count,
                                std::size_t inStride = 0, std::size_t outStride = 0);

    // Lab v4 <-> Lab legacy, every channel by 65280/65535 or its inverse;
    // the first two for one code of any channel.
    static uint16_t labV4toLegacyCode(uint16_t code)
    {
        // 65281/65536 is 65280/65535 to within 1/65536; 0xFFFF gives 0xFF00.
        return static_cast<uint16_t>((uint32_t(code) * 65281u + 32768u) >> 16);
    }
    static uint16_t labLegacytoV4Code(uint16_t code)
    {
        // Legacy codes above 0xFF00 have no v4 code; 0xFF00 itself maps to 0xFFFF.
        return code > 65280 ? 65535 : static_cast<uint16_t>((uint32_t(code) * 65792u + 32768u) >> 16);
    }
    static void LabV4toLegacy(const uint16_t* in, uint16_t* out, std::size_t count,
                              std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabV4toLegacy(const rfloat* in, rfloat* out, std::size_t count,
                              std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabLegacytoV4(const uint16_t* in, uint16_t* out, std::size_t count,
                              std::size_t inStride = 0, std::size_t outStride = 0);
    static void LabLegacytoV4(const rfloat* in, rfloat* out, std::size_t count,
                              std::size_t inStride = 0, std::size_t outStride = 0);

    // Each XYZ channel times its own factor. The 16-bit form takes unsigned
    // 16.16 factors (65536 is 1.0) and gives 65535 for an input at or above
    // the channel's overflow limit, including 65535 itself for factors up
    // to 1.0.
    static void scaleXYZ(const uint16_t* in, uint16_t* out, std::size_t count,
                         uint32_t factorX, uint32_t factorY, uint32_t factorZ,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    static void scaleXYZ(const rfloat* in, rfloat* out, std::size_t count,
                         double factorX, double factorY, double factorZ,
                         std::size_t inStride = 0, std::size_t outStride = 0);
    // One code of the 16-bit form.
    static uint16_t scaleXYZCode(uint16_t code, uint32_t factor);
    static void scaleXYZ(const rfloat* const in[3], rfloat* const out[3], std::size_t count,
                         double factorX, double factorY, double factorZ);

    // Lab v4 16-bit scaled in XYZ by factors (absolute to relative
    // colorimetry or back) in one pass. The scaling is worked out before any
    // limit to 16 bits: XYZ far beyond 2 (light saturated blues reach Z of
    // 3) scales as the rfloat path scales it, and only the resulting Lab is
    // limited to the encoding. Per channel, the f value of X, Y or Z over
    // the white (f = t^(1/3), or its straight line near black) maps to the
    // f value after scaling by one function of one variable: c·f where both
    // t and k·t lie on the cube root (c the cube root of the factor k),
    // k·f + (1 - k)·16/116 where both lie on the line, and a short table,
    // interpolated, in between. The arithmetic is single precision, in an
    // order the vector forms repeat, so they give the same codes.
    class LabScaling
    {
    public:
        LabScaling(double factorX, double factorY, double factorZ);
        void apply(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                   std::size_t outStride = 0) const;

        struct Channel
        {
            float cube = 1;
            float line = 1;
            float lineOffset = 0;
            // f in bandStart..bandEnd goes through the table: entry j at
            // bandStart + j / bandUnits, the last at or beyond bandEnd.
            float bandStart = 0;
            float bandEnd = 0;
            float bandUnits = 0;
            int32_t lastSegment = 0;
            std::unique_ptr<float[]> table;

            float scaled(float f) const
            {
                if (f >= bandEnd)
                    return f * cube;
                if (f < bandStart)
                    return f * line + lineOffset;
                const float x = (f - bandStart) * bandUnits;
                const int32_t j = std::min(static_cast<int32_t>(x), lastSegment);
                const float t = x - static_cast<float>(j);
                return table[j] + t * (table[j + 1] - table[j]);
            }
        };
        const Channel& channel(unsigned c) const { return channel_[c]; }

        // The steps of apply: f of X, Y and Z over the white from Lab v4
        // codes, and Lab v4 codes from scaled f values.
        static constexpr float lToF = static_cast<float>(1.0 / (655.35 * 116.0));
        static constexpr float abToFx = static_cast<float>(1.0 / (257.0 * 500.0));
        static constexpr float abToFz = static_cast<float>(1.0 / (257.0 * 200.0));
        static constexpr float fBlack = static_cast<float>(16.0 / 116.0);
        static constexpr float fToL = static_cast<float>(116.0 * 655.35);
        static constexpr float lOffset = static_cast<float>(16.0 * 655.35);
        static constexpr float fToA = static_cast<float>(500.0 * 257.0);
        static constexpr float fToB = static_cast<float>(200.0 * 257.0);
        static constexpr float abZero = 32896.0f;
        static void fValues(uint16_t L, uint16_t a, uint16_t b, float f[3])
        {
            f[1] = static_cast<float>(L) * lToF + fBlack;
            f[0] = f[1] + (static_cast<float>(a) - abZero) * abToFx;
            f[2] = f[1] - (static_cast<float>(b) - abZero) * abToFz;
        }
        static uint16_t code(float v)
        {
            return static_cast<uint16_t>(std::nearbyint(std::min(std::max(v, 0.0f), 65535.0f)));
        }
        static void labCodes(const float f[3], uint16_t* out)
        {
            out[0] = code(f[1] * fToL - lOffset);
            out[1] = code((f[0] - f[1]) * fToA + abZero);
            out[2] = code((f[1] - f[2]) * fToB + abZero);
        }

    private:
        Channel channel_[3];
    };
};
