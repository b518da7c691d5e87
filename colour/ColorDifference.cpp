#include "ColorDifference.h"

#include "csICCPCS.h"

#include <cmath>

bool Lab::finite() const
{
    return std::isfinite(L) && std::isfinite(a) && std::isfinite(b);
}

namespace {

double euclid(double dL, double da, double db)
{
    return std::sqrt(dL * dL + da * da + db * db);
}

// Inverse of the CIE L* companding, with the rounded constants of the
// classic formulation (4/29 for the offset, 0.008856 and 7.787).
double labInverse(double f)
{
    const double f3 = f * f * f;
    return f3 > 0.008856 ? f3 : (f - 0.13793103448275862) / 7.787;
}

int toSrgb8(double v)
{
    // Written as !(v > 0) so a NaN from a non-finite input also lands on 0
    // rather than reaching the integer conversion.
    if (v >= 1.0)
        v = 1.0;
    else if (!(v > 0.0))
        v = 0.0;
    v = v <= 0.00304 ? 12.92 * v : 1.055 * std::pow(v, 0.4166666666666667) - 0.055;
    return static_cast<int>(v * 255.0 + 0.5);
}

constexpr double pi = 3.14159265358979323846;
constexpr double degrees = 180.0 / pi;
// 25^7, where the chroma weighting of CIEDE2000 turns over.
constexpr double chroma7Turn = 6103515625.0;

double pow7(double x)
{
    const double x2 = x * x;
    return x2 * x2 * x2 * x;
}

// Hue angle in degrees, 0..360; 0 for a neutral colour.
double hueDegrees(double b, double a)
{
    if (a == 0.0 && b == 0.0)
        return 0.0;
    const double h = std::atan2(b, a) * degrees;
    return h < 0.0 ? h + 360.0 : h;
}

} // namespace

double deltaE2000(const Lab& reference, const Lab& sample)
{
    // a* is stretched near the neutral axis (G), where hue differences of
    // greys were over-weighted by the 1976 difference.
    const double meanChroma = 0.5 * (std::hypot(reference.a, reference.b) + std::hypot(sample.a, sample.b));
    const double meanChroma7 = pow7(meanChroma);
    const double g = 0.5 * (1.0 - std::sqrt(meanChroma7 / (meanChroma7 + chroma7Turn)));
    const double a1 = (1.0 + g) * reference.a, a2 = (1.0 + g) * sample.a;
    const double c1 = std::hypot(a1, reference.b), c2 = std::hypot(a2, sample.b);
    const double h1 = hueDegrees(reference.b, a1), h2 = hueDegrees(sample.b, a2);

    // Hue difference and mean taken the short way round the circle; a
    // neutral colour has no hue, so neither contributes there.
    const bool neutral = c1 * c2 == 0.0;
    double dh = h2 - h1;
    if (dh > 180.0)
        dh -= 360.0;
    else if (dh < -180.0)
        dh += 360.0;
    double meanHue = h1 + h2;
    if (!neutral)
        meanHue = std::fabs(h1 - h2) <= 180.0 ? 0.5 * meanHue : meanHue < 360.0 ? 0.5 * (meanHue + 360.0)
                                                                                 : 0.5 * (meanHue - 360.0);
    const double dL = sample.L - reference.L;
    const double dC = c2 - c1;
    const double dH = neutral ? 0.0 : 2.0 * std::sqrt(c1 * c2) * std::sin(0.5 * dh / degrees);

    const double meanL50 = 0.5 * (reference.L + sample.L) - 50.0;
    const double meanC = 0.5 * (c1 + c2);
    const double meanC7 = pow7(meanC);
    const double t = 1.0 - 0.17 * std::cos((meanHue - 30.0) / degrees) + 0.24 * std::cos(2.0 * meanHue / degrees) +
                     0.32 * std::cos((3.0 * meanHue + 6.0) / degrees) - 0.20 * std::cos((4.0 * meanHue - 63.0) / degrees);
    const double sL = 1.0 + 0.015 * meanL50 * meanL50 / std::sqrt(20.0 + meanL50 * meanL50);
    const double sC = 1.0 + 0.045 * meanC;
    const double sH = 1.0 + 0.015 * meanC * t;
    // The blue region's rotation of the chroma-hue ellipses.
    const double rotation = 30.0 * std::exp(-std::pow((meanHue - 275.0) / 25.0, 2.0));
    const double rT = -std::sin(2.0 * rotation / degrees) * 2.0 * std::sqrt(meanC7 / (meanC7 + chroma7Turn));

    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

double deltaE(DeltaEMetric metric, const Lab& reference, const Lab& sample)
{
    return metric == DeltaEMetric::CIE2000 ? deltaE2000(reference, sample) : deltaE(reference, sample);
}

const char* metricName(DeltaEMetric metric)
{
    return metric == DeltaEMetric::CIE2000 ? "Delta E 2000" : "Delta E 1976";
}

double deltaE(const Lab& x, const Lab& y)
{
    return euclid(x.L - y.L, x.a - y.a, x.b - y.b);
}

double deltaE(const Lab16& x, const Lab16& y)
{
    // Subtract as signed values: the codes are unsigned and may go either way.
    const double dL = (double(x.L) - double(y.L)) / csICCPCS::labV4LScale;
    const double da = (double(x.a) - double(y.a)) / csICCPCS::labV4ABScale;
    const double db = (double(x.b) - double(y.b)) / csICCPCS::labV4ABScale;
    return euclid(dL, da, db);
}

Rgb8 gradeColor(double deltaE, bool toleranceFailed)
{
    if (toleranceFailed)
        return {255, 100, 100};
    if (deltaE < 0.5)
        return {160, 255, 255};
    if (deltaE < 1.0)
        return {160, 255, 160};
    if (deltaE < 2.5)
        return {255, 255, 160};
    if (deltaE < 5.0)
        return {255, 208, 160};
    return {255, 160, 160};
}

Lab16 encodeLab16(const Lab& lab)
{
    return {csRoundToCode16(lab.L * csICCPCS::labV4LScale),
            csRoundToCode16(lab.a * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset),
            csRoundToCode16(lab.b * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset)};
}

Lab decodeLab16(const Lab16& code)
{
    return {code.L / csICCPCS::labV4LScale, (code.a - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale,
            (code.b - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale};
}

void encodeLabV4(const Lab& lab, double values[3])
{
    values[0] = lab.L * csICCPCS::labV4LScale;
    values[1] = lab.a * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset;
    values[2] = lab.b * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset;
}

Lab decodeLabV4(const double values[3])
{
    return {values[0] / csICCPCS::labV4LScale, (values[1] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale,
            (values[2] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale};
}

Rgb8 labToRgb(const Lab& lab)
{
    const double fy = (lab.L + 16.0) / 116.0;
    const double fx = fy + lab.a / 500.0;
    const double fz = fy - lab.b / 200.0;

    // Relative to the white, then scaled to D50 (Y stays as is).
    const double X = labInverse(fx) * 96.422 / 100.0;
    const double Y = labInverse(fy);
    const double Z = labInverse(fz) * 82.521 / 100.0;

    // Bradford cone space, with a fixed per-cone adaptation towards D65; the
    // short-wave cone keeps the Bradford exponent, applied symmetrically so a
    // negative response (strong yellows) stays real.
    const double rc = 0.8951 * X + 0.2664 * Y - 0.1614 * Z;
    const double gc = -0.7502 * X + 1.7135 * Y + 0.0367 * Z;
    const double bc = 0.0389 * X - 0.0685 * Y + 1.0296 * Z;
    const double ra = 0.94 * rc;
    const double ga = 1.02 * gc;
    const double ba = bc > 0.0 ? 1.33 * std::pow(bc, 0.98) : -1.33 * std::pow(-bc, 0.98);

    // Back to XYZ on the 0..100 scale the sRGB matrix below expects.
    const double X2 = (0.98699 * ra - 0.14705 * ga + 0.15996 * ba) * 100.0;
    const double Y2 = (0.43231 * ra + 0.51836 * ga + 0.04929 * ba) * 100.0;
    const double Z2 = (-0.00853 * ra + 0.04004 * ga + 0.96849 * ba) * 100.0;

    const double r = 0.0324 * X2 - 0.0154 * Y2 - 0.00499 * Z2;
    const double g = -0.00969 * X2 + 0.0188 * Y2 + 0.000416 * Z2;
    const double b = 0.000556 * X2 - 0.00204 * Y2 + 0.0106 * Z2;

    return {toSrgb8(r), toSrgb8(g), toSrgb8(b)};
}
