#include "PrinterModel.h"

#include "ColorDifference.h"
#include "csICCProfileConverter.h"

#include <cmath>

namespace {

constexpr double fullScale = 65535.0;
// The CIE Lab formula: f(t) = cbrt(t) above (6/29)^3, a straight line below.
constexpr double labDelta = 6.0 / 29.0;
constexpr double labOffset = 4.0 / 29.0;

// d f(s g(t)) / dt, where g is the inverse of f: how the white scaling s
// stretches one of the f values (fx, fy, fz) that Lab is made of.
double scaledSlope(double t, double rootScale)
{
    // Both sides in the cube-root range: a constant stretch.
    if (t > labDelta && t * rootScale > labDelta)
        return rootScale;
    const double s = rootScale * rootScale * rootScale;
    const double g = t > labDelta ? t * t * t : 3.0 * labDelta * labDelta * (t - labOffset);
    const double dg = t > labDelta ? 3.0 * t * t : 3.0 * labDelta * labDelta;
    const double u = s * g;
    const double df = u > labDelta * labDelta * labDelta ? 1.0 / (3.0 * std::cbrt(u) * std::cbrt(u))
                                                         : 1.0 / (3.0 * labDelta * labDelta);
    return df * s * dg;
}

} // namespace

PrinterModel::PrinterModel(csICCProfileConverter& a2b)
    : absolute_(a2b), channels_(a2b.numInputChannels())
{
    relative_ = std::make_unique<csICCProfileConverter>(a2b.profile(), csICCProfileConverter::AToB, a2b.intent(),
                                                        csICCProfileConverter::Relative);
    if (relative_->init() != 0)
        relative_.reset();

    // The white scaling of a mid grey: in the cube-root range it multiplies
    // each f value by a constant, which L*, a* and b* reveal.
    double grey[3] = {50.0, 0.0, 0.0};
    toAbsolute(grey, 1);
    const double fy = (50.0 + 16.0) / 116.0;
    rootScale_[1] = (grey[0] + 16.0) / 116.0 / fy;
    rootScale_[0] = rootScale_[1] + grey[1] / (500.0 * fy);
    rootScale_[2] = rootScale_[1] - grey[2] / (200.0 * fy);

    std::vector<double> corners(2 * channels_, 0.0), labs(6);
    for (unsigned c = 0; c < channels_; ++c)
        corners[channels_ + c] = 1.0;
    lab(corners.data(), labs.data(), 2);
    paperAtZero_ = labs[0] >= labs[3];
}

PrinterModel::~PrinterModel() = default;

void PrinterModel::relativeLab(const double* device, double* lab, std::size_t count) const
{
    input_.resize(count * channels_);
    output_.resize(count * 3);
    for (std::size_t i = 0; i < input_.size(); ++i)
        input_[i] = device[i] * fullScale;
    (relative_ ? *relative_ : absolute_).convert(input_.data(), output_.data(), count);
    for (std::size_t i = 0; i < count; ++i) {
        const Lab v = decodeLabV4(output_.data() + 3 * i);
        lab[3 * i] = v.L;
        lab[3 * i + 1] = v.a;
        lab[3 * i + 2] = v.b;
    }
}

void PrinterModel::toAbsolute(double* lab, std::size_t count) const
{
    if (!relative_)
        return; // the values came out absolute already
    output_.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i)
        encodeLabV4({lab[3 * i], lab[3 * i + 1], lab[3 * i + 2]}, &output_[3 * i]);
    absolute_.PCSToAbs(output_.data(), count);
    for (std::size_t i = 0; i < count; ++i) {
        const Lab v = decodeLabV4(&output_[3 * i]);
        lab[3 * i] = v.L;
        lab[3 * i + 1] = v.a;
        lab[3 * i + 2] = v.b;
    }
}

void PrinterModel::lab(const double* device, double* lab, std::size_t count) const
{
    relativeLab(device, lab, count);
    toAbsolute(lab, count);
}

void PrinterModel::absoluteSlope(const double* relativeLab, double slope[3][3]) const
{
    // Lab -> (fx, fy, fz) -> scaled per axis -> Lab: B, then a diagonal, then A.
    const double fy = (relativeLab[0] + 16.0) / 116.0;
    const double f[3] = {fy + relativeLab[1] / 500.0, fy, fy - relativeLab[2] / 200.0};
    double d[3];
    for (int k = 0; k < 3; ++k)
        d[k] = relative_ ? scaledSlope(f[k], rootScale_[k]) : 1.0;
    const double B[3][3] = {{1 / 116.0, 1 / 500.0, 0}, {1 / 116.0, 0, 0}, {1 / 116.0, 0, -1 / 200.0}};
    const double A[3][3] = {{0, 116.0, 0}, {500.0, -500.0, 0}, {0, 200.0, -200.0}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) {
            slope[i][k] = 0;
            for (int j = 0; j < 3; ++j)
                slope[i][k] += A[i][j] * d[j] * B[j][k];
        }
}
