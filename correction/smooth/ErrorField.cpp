#include "ErrorField.h"
#include "KernelSolve.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace {

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Grid step in kernel lengths: tricubic interpolation of one kernel bump is
// then off by at most 4e-4 of its height (a few thousandths of a Lab unit
// for the fields of real charts).
constexpr double gridStep = 0.25;
// A box wider than this many steps on an axis is left to exact sums; colours
// from a profile never come near it.
constexpr std::size_t largestGridAxis = 512;

double kernel(const double* u, const double* v)
{
    const double d0 = u[0] - v[0], d1 = u[1] - v[1], d2 = u[2] - v[2];
    return std::exp(-0.5 * (d0 * d0 + d1 * d1 + d2 * d2));
}

// Catmull-Rom weights of the four nodes around t in 0..1.
void cubicWeights(double t, double w[4])
{
    const double t2 = t * t, t3 = t2 * t;
    w[0] = 0.5 * (-t + 2.0 * t2 - t3);
    w[1] = 0.5 * (2.0 - 5.0 * t2 + 3.0 * t3);
    w[2] = 0.5 * (t + 4.0 * t2 - 3.0 * t3);
    w[3] = 0.5 * (t3 - t2);
}

} // namespace

namespace {

// The patches and the white in kernel units, their errors and noise: what
// the field and its leave-one-out residuals are solved from.
struct KernelInputs
{
    double weights[3];
    double spread;
    double largestError = 0; // in kernel units
    std::vector<double> scaled, noise, errors; // the patches, then the white with error 0
};

KernelInputs kernelInputs(const std::vector<Lab>& points, const std::vector<Lab>& errors, const Lab& white,
                          const ErrorFieldSettings& settings)
{
    KernelInputs in;
    in.weights[0] = settings.lWeight / settings.length;
    in.weights[1] = in.weights[2] = 1.0 / settings.length;
    const std::size_t n = points.size();
    double sumSquares = 0;
    for (const Lab& e : errors) {
        sumSquares += e.L * e.L + e.a * e.a + e.b * e.b;
        const double dL = e.L * in.weights[0], da = e.a * in.weights[1], db = e.b * in.weights[2];
        in.largestError = std::max(in.largestError, std::sqrt(dL * dL + da * da + db * db));
    }
    in.spread = settings.spread > 0 ? settings.spread
                                    : std::max(settings.minSpread, std::sqrt(sumSquares / (3.0 * n)));
    const std::size_t m = n + 1;
    in.scaled.resize(3 * m);
    in.noise.resize(m);
    in.errors.assign(3 * m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
        const Lab& p = i < n ? points[i] : white;
        in.scaled[3 * i] = p.L * in.weights[0];
        in.scaled[3 * i + 1] = p.a * in.weights[1];
        in.scaled[3 * i + 2] = p.b * in.weights[2];
        in.noise[i] = i < n ? settings.noise * settings.noise : settings.whiteNoise * settings.whiteNoise;
        if (i < n) {
            in.errors[3 * i] = errors[i].L;
            in.errors[3 * i + 1] = errors[i].a;
            in.errors[3 * i + 2] = errors[i].b;
        }
    }
    return in;
}

template <class Row>
Lab labOf(const Row& row)
{
    return {row(0), row(1), row(2)};
}

} // namespace

ErrorField::ErrorField(const std::vector<Lab>& points, const std::vector<Lab>& errors, const Lab& white,
                       const ErrorFieldSettings& settings)
{
    const KernelInputs in = kernelInputs(points, errors, white, settings);
    std::copy(in.weights, in.weights + 3, weights_);
    spread_ = in.spread;
    largestError_ = in.largestError;
    KernelPoints data;
    data.points = in.scaled;
    data.noise = in.noise;
    data.errors = in.errors;
    KernelFit fit = fitKernel(data, spread_ * spread_, settings.maxExactPoints);
    scaled_ = std::move(fit.centres);
    beta_ = std::move(fit.beta);
}

LeaveOneOut leaveOneOut(const std::vector<Lab>& points, const std::vector<Lab>& errors, const Lab& white,
                        const ErrorFieldSettings& settings, const std::vector<Lab>& elsewhere)
{
    const KernelInputs in = kernelInputs(points, errors, white, settings);
    const std::size_t n = points.size(), m = n + 1;
    const auto rows = static_cast<Eigen::Index>(m);
    const Eigen::MatrixXd E = Eigen::Map<const RowMatrix>(in.errors.data(), rows, 3);
    const double variance = in.spread * in.spread;
    LeaveOneOut out;
    out.spread = in.spread;
    out.residuals.resize(n);

    Eigen::MatrixXd K(rows, rows);
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j <= i; ++j)
            K(i, j) = K(j, i) = variance * kernel(&in.scaled[3 * i], &in.scaled[3 * j]);
        K(i, i) += in.noise[i];
    }
    const Eigen::LLT<Eigen::MatrixXd> llt(K);
    const Eigen::MatrixXd weights = llt.solve(E);
    // diag(K^-1) from the columns of L^-1: K^-1 = L^-T L^-1.
    Eigen::MatrixXd inverse = Eigen::MatrixXd::Identity(rows, rows);
    llt.matrixL().solveInPlace(inverse);
    const Eigen::VectorXd diagonal = inverse.colwise().squaredNorm().transpose();
    for (std::size_t i = 0; i < n; ++i) {
        const auto r = static_cast<Eigen::Index>(i);
        out.residuals[i] = labOf(weights.row(r) / diagonal(r));
    }
    const std::vector<double>& centres = in.scaled;
    for (const Lab& x : elsewhere) {
        const double u[3] = {x.L * in.weights[0], x.a * in.weights[1], x.b * in.weights[2]};
        Lab e = {0, 0, 0};
        for (Eigen::Index j = 0; j < weights.rows(); ++j) {
            const double kj = variance * kernel(u, &centres[3 * static_cast<std::size_t>(j)]);
            e.L += kj * weights(j, 0);
            e.a += kj * weights(j, 1);
            e.b += kj * weights(j, 2);
        }
        out.predicted.push_back(e);
    }
    return out;
}

void ErrorField::exact(const double* lab, double* error) const
{
    const double u[3] = {lab[0] * weights_[0], lab[1] * weights_[1], lab[2] * weights_[2]};
    double e[3] = {0, 0, 0};
    const std::size_t m = beta_.size() / 3;
    for (std::size_t j = 0; j < m; ++j) {
        const double k = kernel(u, &scaled_[3 * j]);
        e[0] += k * beta_[3 * j];
        e[1] += k * beta_[3 * j + 1];
        e[2] += k * beta_[3 * j + 2];
    }
    std::copy(e, e + 3, error);
}

bool ErrorField::interpolated(const double* lab, double* error) const
{
    if (grid_.empty())
        return false;
    std::size_t cell[3];
    double w[3][4];
    for (int k = 0; k < 3; ++k) {
        const double p = (lab[k] * weights_[k] - origin_[k]) / step_;
        // Four nodes around the cell: it must not be the first or the last two.
        if (!(p >= 1.0 && p < double(count_[k] - 2)))
            return false;
        cell[k] = static_cast<std::size_t>(p);
        cubicWeights(p - double(cell[k]), w[k]);
    }
    double e[3] = {0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double wij = w[0][i] * w[1][j];
            const double* node = grid_.data() + (((cell[0] + i - 1) * count_[1] + cell[1] + j - 1) * count_[2] + cell[2] - 1) * 3;
            for (int k = 0; k < 4; ++k, node += 3) {
                const double wijk = wij * w[2][k];
                e[0] += wijk * node[0];
                e[1] += wijk * node[1];
                e[2] += wijk * node[2];
            }
        }
    }
    std::copy(e, e + 3, error);
    return true;
}

void ErrorField::evaluate(const double* labs, double* errors, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i)
        if (!interpolated(labs + 3 * i, errors + 3 * i))
            exact(labs + 3 * i, errors + 3 * i);
}

Lab ErrorField::at(const Lab& x) const
{
    const double lab[3] = {x.L, x.a, x.b};
    double e[3];
    evaluate(lab, e, 1);
    return {e[0], e[1], e[2]};
}

void ErrorField::aim(const double* c, double* y, std::size_t count, int iterations) const
{
    std::vector<double> e(3 * count);
    evaluate(c, e.data(), count);
    for (std::size_t i = 0; i < 3 * count; ++i)
        y[i] = c[i] - e[i];
    for (int it = 0; it < iterations; ++it) {
        evaluate(y, e.data(), count);
        for (std::size_t i = 0; i < 3 * count; ++i)
            y[i] = c[i] - e[i];
    }
}

void ErrorField::tabulate(const double* labs, std::size_t count)
{
    grid_.clear();
    if (count == 0)
        return;
    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = hi[k] = labs[k] * weights_[k];
        for (std::size_t i = 1; i < count; ++i) {
            const double u = labs[3 * i + k] * weights_[k];
            lo[k] = std::min(lo[k], u);
            hi[k] = std::max(hi[k], u);
        }
    }
    // An aim lies about one error away from its colour.
    const double margin = 1.5 * largestError_ + gridStep;
    step_ = gridStep;
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(lo[k]) || !std::isfinite(hi[k]))
            return;
        const double cells = std::ceil((hi[k] - lo[k] + 2.0 * margin) / step_);
        if (cells > double(largestGridAxis))
            return;
        origin_[k] = lo[k] - margin - step_;
        count_[k] = static_cast<std::size_t>(cells) + 4;
    }

    // The kernel is a product over the axes, so the grid is a sum of
    // products: per first-axis slice one matrix product over the points.
    const std::size_t m = beta_.size() / 3;
    Eigen::MatrixXd factor[3];
    for (int k = 0; k < 3; ++k) {
        factor[k].resize(count_[k], m);
        for (std::size_t i = 0; i < count_[k]; ++i)
            for (std::size_t j = 0; j < m; ++j) {
                const double d = origin_[k] + i * step_ - scaled_[3 * j + k];
                factor[k](i, j) = std::exp(-0.5 * d * d);
            }
    }
    Eigen::MatrixXd last(m, 3 * count_[2]);
    for (std::size_t j = 0; j < m; ++j)
        for (std::size_t i = 0; i < count_[2]; ++i)
            for (int c = 0; c < 3; ++c)
                last(j, 3 * i + c) = factor[2](i, j) * beta_[3 * j + c];
    grid_.resize(count_[0] * count_[1] * count_[2] * 3);
    Eigen::MatrixXd slice(count_[1], m);
    for (std::size_t i = 0; i < count_[0]; ++i) {
        slice = factor[1].array().rowwise() * factor[0].row(i).array();
        Eigen::Map<RowMatrix>(grid_.data() + i * count_[1] * count_[2] * 3, count_[1], 3 * count_[2]).noalias() =
            slice * last;
    }
}
