#include "SpectralColorimetry.h"

#include "CieTables.h"
#include "csICCPCS.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Coarser sampling misses detail a 1 nm weighting cannot restore.
constexpr double finestStepNm = 1.0;
constexpr double coarsestStepNm = 20.0;
// The range every file must measure; beyond it the observer weights little
// and repeated end values stand in.
constexpr double requiredFirstNm = 400.0;
constexpr double requiredLastNm = 700.0;

// Observer times illuminant at each nm of the observer table, one scale per
// channel so that a reflectance of 1 everywhere sums to the PCS white.
struct Weights
{
    double x[cieObserverCount], y[cieObserverCount], z[cieObserverCount];
};

const Weights& weights()
{
    static const Weights table = [] {
        Weights w{};
        double sum[3] = {0, 0, 0};
        for (std::size_t i = 0; i < cieObserverCount; ++i) {
            // The CIE defines D50 between its 5 nm values by linear interpolation.
            const std::size_t nm = cieObserverFirstNm + i;
            const std::size_t k = (nm - cieD50FirstNm) / cieD50StepNm;
            const double t = double((nm - cieD50FirstNm) % cieD50StepNm) / cieD50StepNm;
            const double d50 = t == 0 ? cieD50[k] : cieD50[k] + t * (cieD50[k + 1] - cieD50[k]);
            w.x[i] = d50 * cie1931Observer[i].x;
            w.y[i] = d50 * cie1931Observer[i].y;
            w.z[i] = d50 * cie1931Observer[i].z;
            sum[0] += w.x[i];
            sum[1] += w.y[i];
            sum[2] += w.z[i];
        }
        // The weights' own white is 96.424, 100, 82.513; mapping it onto the PCS
        // white gives the L*a*b* the CIE defines, relative to that white.
        const double scale[3] = {csICCPCS::whiteXNatural / sum[0], 100.0 / sum[1],
                                 csICCPCS::whiteZNatural / sum[2]};
        for (std::size_t i = 0; i < cieObserverCount; ++i) {
            w.x[i] *= scale[0];
            w.y[i] *= scale[1];
            w.z[i] *= scale[2];
        }
        return w;
    }();
    return table;
}

// Samples this close or closer are joined by straight lines: an
// instrument's triangular bandpass of one step is what they measured, and a
// cubic through them rings next to a sharp band or a clipped value (up to
// 0.2 Delta E on 5 nm data). ArgyllCMS draws the line at the same place.
constexpr double largestLinearStepNm = 5.0;

// Cubic Lagrange through the four samples around nm: the interval's two ends
// and one more on each side, or the first or last four next to the ends, as
// ArgyllCMS fits them; straight lines for fine steps and fewer than four
// samples.
double reflectanceAt(double nm, double firstNm, double stepNm, const double* r, std::size_t count)
{
    const double position = (nm - firstNm) / stepNm;
    if (position <= 0)
        return r[0];
    if (position >= double(count - 1))
        return r[count - 1];
    const std::size_t interval = static_cast<std::size_t>(position);
    if (stepNm <= largestLinearStepNm || count < 4) {
        const double t = position - double(interval);
        return (1 - t) * r[interval] + t * r[interval + 1];
    }
    const std::size_t first = interval == 0 ? 0 : std::min(interval - 1, count - 4);
    const double t = position - double(first); // 0..3 across the four samples
    return -(t - 1) * (t - 2) * (t - 3) / 6 * r[first] + t * (t - 2) * (t - 3) / 2 * r[first + 1]
           - t * (t - 1) * (t - 3) / 2 * r[first + 2] + t * (t - 1) * (t - 2) / 6 * r[first + 3];
}

std::string nm(double wavelength)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g nm", wavelength);
    return text;
}

} // namespace

bool reflectanceToXYZ(double firstNm, double stepNm, const double* reflectance, std::size_t count,
                      XYZ& xyz, std::string& problem)
{
    if (count < 2) {
        problem = "fewer than 2 spectral samples";
        return false;
    }
    if (!(stepNm >= finestStepNm && stepNm <= coarsestStepNm) || stepNm != std::round(stepNm)) {
        problem = "spectral spacing of " + nm(stepNm) + " is not supported (whole nm from 1 to 20)";
        return false;
    }
    const double lastNm = firstNm + stepNm * double(count - 1);
    if (!(firstNm <= requiredFirstNm && lastNm >= requiredLastNm)) {
        problem = "spectral range " + nm(firstNm) + " to " + nm(lastNm) + " does not cover 400 to 700 nm";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(reflectance[i])) {
            problem = "spectral value at " + nm(firstNm + stepNm * double(i)) + " is not a number";
            return false;
        }
    }

    const Weights& w = weights();
    double sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < cieObserverCount; ++i) {
        const double r = reflectanceAt(double(cieObserverFirstNm + i), firstNm, stepNm, reflectance, count);
        sum[0] += r * w.x[i];
        sum[1] += r * w.y[i];
        sum[2] += r * w.z[i];
    }
    xyz = {sum[0], sum[1], sum[2]};
    return true;
}

bool reflectanceToXYZ(const double* wavelengthNm, const double* reflectance, std::size_t count,
                      XYZ& xyz, std::string& problem)
{
    if (count < 2)
        return reflectanceToXYZ(0.0, 0.0, reflectance, count, xyz, problem); // refused there
    // Wavelengths named in a file are whole numbers, so their steps compare exactly.
    const double stepNm = wavelengthNm[1] - wavelengthNm[0];
    for (std::size_t i = 2; i < count; ++i) {
        if (!(wavelengthNm[i] - wavelengthNm[i - 1] == stepNm)) {
            problem = "spectral wavelengths are not evenly spaced: " + nm(wavelengthNm[i]) + " after "
                      + nm(wavelengthNm[i - 1]);
            return false;
        }
    }
    return reflectanceToXYZ(wavelengthNm[0], stepNm, reflectance, count, xyz, problem);
}

Lab xyzToLab(const XYZ& xyz)
{
    const double in[3] = {xyz.X, xyz.Y, xyz.Z};
    double out[3];
    csICCPCS::XYZtoLabNatural(in, out, 1);
    return {out[0], out[1], out[2]};
}
