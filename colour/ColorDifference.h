#pragma once
// Colour arithmetic shared by the engine and the windows: the CIE 1976 and
// CIEDE2000 colour differences, the grade colour of a Delta E cell, the version 4
// 16-bit Lab encoding the converters exchange, and an approximate screen
// colour for swatches. Free functions without state and without Qt; the
// windows turn Rgb8 into their own colour type.

#include <cstdint>

// L* 0..100, a* and b* nominally -128..127.
struct Lab
{
    double L, a, b;

    bool finite() const;
};

// Version 4 PCS encoding: L* x 655.35, a* x 257 + 32896, b* likewise.
// Laid out as three consecutive uint16 so it can serve as a one-pixel buffer.
struct Lab16
{
    uint16_t L, a, b;
};

// 8-bit display colour, channels 0..255.
struct Rgb8
{
    int r, g, b;
    int alpha = 255;
};

// The colour difference a figure is given in. The window, the summaries, the
// verdict and the reports take one; the grades apply to either.
enum class DeltaEMetric { CIE1976, CIE2000 };

// Euclidean distance in L*a*b* (CIE 1976); no weighting.
double deltaE(const Lab& x, const Lab& y);
// The same difference between two encoded values, in L*a*b* units.
double deltaE(const Lab16& x, const Lab16& y);
// CIEDE2000 with kL = kC = kH = 1. Symmetric in its arguments.
double deltaE2000(const Lab& reference, const Lab& sample);
double deltaE(DeltaEMetric metric, const Lab& reference, const Lab& sample);
// "Delta E 1976" or "Delta E 2000".
const char* metricName(DeltaEMetric metric);

// Background of a Delta E cell, by the unrounded Delta E in the metric
// shown. A failed tolerance overrides the grade; callers grading the
// optimised column pass false.
Rgb8 gradeColor(double deltaE, bool toleranceFailed);

// Clamps each channel to the encodable range and rounds to nearest.
// A NaN channel encodes as 0.
Lab16 encodeLab16(const Lab& lab);
Lab decodeLab16(const Lab16& code);
// The same encoding unrounded and unlimited, as the converters' double
// (rfloat) path exchanges it: three values on the 0..65535 scale.
void encodeLabV4(const Lab& lab, double values[3]);
Lab decodeLabV4(const double values[3]);

// Approximate sRGB colour of a D50 Lab value for swatches. Not a colorimetric
// conversion: the white adaptation is simplified, so expect a few levels of
// difference from a managed sRGB transform. Always within 0..255.
Rgb8 labToRgb(const Lab& lab);
