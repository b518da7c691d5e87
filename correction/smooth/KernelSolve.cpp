#include "KernelSolve.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

constexpr unsigned maxDims = 4;
// Refinement of the kernel solve: steps, and the relative residual that ends them.
constexpr int refinementSteps = 4;
constexpr double refinedResidual = 1e-11;
// Cells, in kernel lengths: points merged, and one inducing point each.
constexpr double mergeCell = 0.25;
constexpr double inducingCell = 0.5;
// Points are merged only when they outnumber the inducing points this many
// times: then many share a cell, and the field averages over many of them
// anyway. In a sparse chart the field follows single points closely, and
// merging two would move it by a good part of their noise.
constexpr std::size_t mergeAbove = 4;
// Points per block of the rank updates: the block of kernel rows stays in
// the cache, and the updates are matrix products.
constexpr Eigen::Index blockPoints = 256;
// Up to this many points the exact solve takes a few milliseconds, and a
// sparse chart has nearly as many inducing points as points.
constexpr std::size_t alwaysExact = 500;
// What one kernel value costs against one multiply-add, roughly.
constexpr double kernelCost = 20.0;

using Cell = std::array<long, maxDims>;

Cell cellOf(const double* point, unsigned dims, double size)
{
    Cell cell{};
    for (unsigned k = 0; k < dims; ++k)
        cell[k] = static_cast<long>(std::floor(point[k] / size));
    return cell;
}

} // namespace

// A float factorisation takes half the time of a double one, and a few
// refinement steps in double bring alpha to double accuracy: the noise on
// the diagonal keeps the matrix far enough from singular for that. Should
// the steps not get there, double it is.
Eigen::MatrixXd solveKernelSystem(const Eigen::MatrixXd& K, const Eigen::MatrixXd& E)
{
    const Eigen::LLT<Eigen::MatrixXf> coarse(K.cast<float>());
    Eigen::MatrixXd alpha = Eigen::MatrixXd::Zero(K.rows(), E.cols());
    if (coarse.info() == Eigen::Success) {
        for (int step = 0; step < refinementSteps; ++step) {
            const Eigen::MatrixXd residual = E - K * alpha;
            if (residual.norm() <= refinedResidual * E.norm())
                return alpha;
            alpha += coarse.solve(residual.cast<float>()).cast<double>();
        }
        if ((E - K * alpha).norm() <= refinedResidual * E.norm())
            return alpha;
    }
    return K.llt().solve(E);
}

KernelPoints mergedPoints(const KernelPoints& in, std::size_t inducing)
{
    const unsigned dims = in.dims;
    const std::size_t n = in.size();
    if (n <= mergeAbove * inducing)
        return in;
    KernelPoints out;
    out.dims = dims;
    // Per cell: the summed precision, and the precision-weighted sums of
    // the positions and the errors.
    struct Sum
    {
        double precision = 0;
        std::array<double, maxDims> point{};
        std::array<double, 3> error{};
    };
    std::map<Cell, Sum> cells;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double* p = &in.points[i * dims];
        Sum& s = cells[cellOf(p, dims, mergeCell)];
        const double w = 1.0 / in.noise[i];
        s.precision += w;
        for (unsigned k = 0; k < dims; ++k)
            s.point[k] += w * p[k];
        for (int c = 0; c < 3; ++c)
            s.error[c] += w * in.errors[3 * i + c];
    }
    for (const auto& entry : cells) {
        const Sum& s = entry.second;
        for (unsigned k = 0; k < dims; ++k)
            out.points.push_back(s.point[k] / s.precision);
        for (int c = 0; c < 3; ++c)
            out.errors.push_back(s.error[c] / s.precision);
        out.noise.push_back(1.0 / s.precision);
    }
    out.points.insert(out.points.end(), in.points.end() - dims, in.points.end());
    out.errors.insert(out.errors.end(), in.errors.end() - 3, in.errors.end());
    out.noise.push_back(in.noise.back());
    return out;
}

std::vector<double> inducingPoints(const KernelPoints& in)
{
    const unsigned dims = in.dims;
    // The last point of each cell, so the white (the last of all) is one.
    std::map<Cell, std::size_t> cells;
    for (std::size_t i = in.size(); i-- > 0;)
        cells.emplace(cellOf(&in.points[i * dims], dims, inducingCell), i);
    std::vector<std::size_t> chosen;
    for (const auto& entry : cells)
        chosen.push_back(entry.second);
    std::sort(chosen.begin(), chosen.end());
    std::vector<double> inducing;
    for (std::size_t i : chosen)
        inducing.insert(inducing.end(), &in.points[i * dims], &in.points[(i + 1) * dims]);
    return inducing;
}

bool exactIsCheaper(std::size_t n, std::size_t merged, std::size_t inducing)
{
    if (n <= alwaysExact)
        return true;
    // A Cholesky factorisation of n x n (in float, at about half the cost
    // of double) and the kernel matrix, against the rank updates of the
    // merged points, the kernel rows and the factorisation of m x m.
    const double N = double(n), M = double(merged), m = double(inducing);
    const double exact = N * N * N / 6.0 + kernelCost * N * N / 2.0;
    const double induced = M * m * (m / 2.0 + kernelCost) + m * m * m / 3.0 + kernelCost * m * m / 2.0;
    return exact <= induced;
}

std::vector<double> inducedCoefficients(const KernelPoints& data, const std::vector<double>& inducing,
                                        double variance)
{
    const unsigned dims = data.dims;
    const auto m = static_cast<Eigen::Index>(inducing.size() / dims);
    const auto n = static_cast<Eigen::Index>(data.size());
    // Normal equations: K_mm + sum over blocks of W W^T, and K_mn L^-1 E as
    // W Y, where W holds the kernel rows of a block scaled by the square
    // root of each point's precision and Y its errors likewise.
    Eigen::MatrixXd A(m, m), rhs = Eigen::MatrixXd::Zero(m, 3);
    for (Eigen::Index i = 0; i < m; ++i)
        for (Eigen::Index j = 0; j <= i; ++j)
            A(i, j) = variance * gaussianKernel(&inducing[std::size_t(i) * dims], &inducing[std::size_t(j) * dims], dims);
    Eigen::MatrixXd W(m, std::min(blockPoints, n)), Y(std::min(blockPoints, n), 3);
    for (Eigen::Index first = 0; first < n; first += blockPoints) {
        const Eigen::Index count = std::min(blockPoints, n - first);
        for (Eigen::Index k = 0; k < count; ++k) {
            const std::size_t i = std::size_t(first + k);
            const double root = std::sqrt(1.0 / data.noise[i]);
            const double* x = &data.points[i * dims];
            for (Eigen::Index j = 0; j < m; ++j)
                W(j, k) = root * variance * gaussianKernel(x, &inducing[std::size_t(j) * dims], dims);
            for (int c = 0; c < 3; ++c)
                Y(k, c) = root * data.errors[3 * i + c];
        }
        A.selfadjointView<Eigen::Lower>().rankUpdate(W.leftCols(count));
        rhs.noalias() += W.leftCols(count) * Y.topRows(count);
    }
    // A hair of jitter keeps the factorisation of the smooth kernel stable.
    A.diagonal().array() += 1e-9 * A.diagonal().mean();
    const Eigen::MatrixXd c = A.selfadjointView<Eigen::Lower>().llt().solve(rhs);
    std::vector<double> beta(3 * std::size_t(m));
    for (Eigen::Index j = 0; j < m; ++j)
        for (int k = 0; k < 3; ++k)
            beta[3 * std::size_t(j) + std::size_t(k)] = variance * c(j, k);
    return beta;
}

KernelFit fitKernel(const KernelPoints& data, double variance, std::size_t maxExactPoints)
{
    const unsigned dims = data.dims;
    const std::size_t n = data.size();
    KernelFit fit;
    std::vector<double> inducing = inducingPoints(data);
    const std::size_t m = inducing.size() / dims;
    const KernelPoints merged = mergedPoints(data, m);
    if (n <= maxExactPoints && exactIsCheaper(n, merged.size(), m)) {
        const std::vector<double>& points = data.points;
        fit.beta = exactCoefficients(n, variance, data.noise, data.errors, [&](std::size_t i, std::size_t j) {
            return gaussianKernel(&points[i * dims], &points[j * dims], dims);
        });
        fit.centres = points;
        return fit;
    }
    fit.beta = inducedCoefficients(merged, inducing, variance);
    fit.centres = std::move(inducing);
    return fit;
}
