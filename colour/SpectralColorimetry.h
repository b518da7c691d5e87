#pragma once
// Colorimetry of patch files: reflectance spectra to CIE XYZ for D50 and the
// 1931 2-degree observer, and XYZ to CIE L*a*b* relative to the D50 white of
// the profile connection space. Free functions without state.

#include "ColorDifference.h"

#include <cstddef>
#include <string>

// Natural scale: Y of the perfect reflecting diffuser is 100.
struct XYZ
{
    double X, Y, Z;
};

// Reflectance factors (1.0 reflects everything) sampled at firstNm,
// firstNm + stepNm, ... The samples are interpolated to 1 nm: linearly at
// steps up to 5 nm, with cubic Lagrange polynomials through the four
// nearest samples at coarser steps (as ArgyllCMS does), held at the end
// values outside the measured range, and weighted with the CIE 1931 observer
// and CIE D50 from 360 to 830 nm. X and Z are scaled so that the perfect
// reflector is exactly the PCS white, so its L*a*b* is 100, 0, 0.
// Refused, with a one-line reason in problem and xyz unchanged: a spacing that
// is not a whole 1 to 20 nm, a range that does not reach from 400 to 700 nm,
// a value that is not finite, fewer than 2 samples.
bool reflectanceToXYZ(double firstNm, double stepNm, const double* reflectance, std::size_t count,
                      XYZ& xyz, std::string& problem);
// The same with the wavelength of each sample as the file names it; also
// refuses wavelengths that are not evenly spaced.
bool reflectanceToXYZ(const double* wavelengthNm, const double* reflectance, std::size_t count,
                      XYZ& xyz, std::string& problem);

// CIE 1976 L*a*b* relative to the PCS white.
Lab xyzToLab(const XYZ& xyz);
