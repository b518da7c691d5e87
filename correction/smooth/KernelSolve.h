#pragma once
// The linear solves shared by the Gaussian-process fields: one squared-
// exponential kernel exp(-|u - v|^2 / 2) over points in kernel units.
//
// Small charts are solved exactly; the cost grows with the cube of the
// points. Large ones through inducing points, one per cell of half a kernel
// length (the subset-of-regressors posterior mean): the kernel barely
// changes across a cell, so the field differs from the exact one by far
// less than the measurement noise. Its normal equations are summed in
// blocks of points as symmetric rank updates, so no matrix between all
// points and all inducing points is ever held. In a dense chart the points
// that share a cell of a quarter kernel length enter them as one (their
// mean position, their errors averaged by precision, their precisions
// summed): the kernel changes by a few per mille across such a cell.

#include <Eigen/Core>

#include <cmath>
#include <cstddef>
#include <vector>

// The squared-exponential kernel between two points already scaled by the
// kernel's lengths.
inline double gaussianKernel(const double* u, const double* v, unsigned dims)
{
    double sum = 0;
    for (unsigned k = 0; k < dims; ++k)
        sum += (u[k] - v[k]) * (u[k] - v[k]);
    return std::exp(-0.5 * sum);
}

// (K + noise) alpha = E for a kernel matrix K that has the noise on its
// diagonal (symmetric positive definite), one column of alpha per column of E.
Eigen::MatrixXd solveKernelSystem(const Eigen::MatrixXd& K, const Eigen::MatrixXd& E);

// The coefficients of an exact posterior mean, three per point (one per
// error component): variance x (variance K + noise)^-1 E, where kernel(i, j)
// gives K between points i and j and errors holds E row by row.
template <class Kernel>
std::vector<double> exactCoefficients(std::size_t points, double variance, const std::vector<double>& noise,
                                      const std::vector<double>& errors, Kernel kernel)
{
    const auto n = static_cast<Eigen::Index>(points);
    Eigen::MatrixXd K(n, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        for (Eigen::Index j = 0; j <= i; ++j)
            K(i, j) = K(j, i) = variance * kernel(static_cast<std::size_t>(i), static_cast<std::size_t>(j));
        K(i, i) += noise[static_cast<std::size_t>(i)];
    }
    const Eigen::MatrixXd E =
        Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor>>(errors.data(), n, 3);
    const Eigen::MatrixXd alpha = solveKernelSystem(K, E);
    std::vector<double> beta(3 * points);
    for (Eigen::Index i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            beta[static_cast<std::size_t>(3 * i + c)] = variance * alpha(i, c);
    return beta;
}

// Points in kernel units (dims values each), the noise variance of each and
// its error (three values each). The last point is the white (or the bare
// paper), held with a noise of its own.
struct KernelPoints
{
    unsigned dims = 3;
    std::vector<double> points, noise, errors;

    std::size_t size() const { return noise.size(); }
};

// The points of each cell of a quarter kernel length as one, when they
// outnumber the inducing points many times (else the points as they are);
// the last point stays apart. In the order of the cells, which is the same
// whatever order the points came in.
KernelPoints mergedPoints(const KernelPoints& in, std::size_t inducing);

// The inducing points: one point of each occupied cell of half a kernel
// length, the last point always among them; dims values each.
std::vector<double> inducingPoints(const KernelPoints& in);

// Whether the exact solve of n points costs no more than the one through
// the inducing points (merged: the points after mergedPoints); always for a
// few hundred points.
bool exactIsCheaper(std::size_t n, std::size_t merged, std::size_t inducing);

// The posterior mean's kernel centres (dims values each) and coefficients
// (three each, variance x the solved weights): every point exactly, or the
// inducing points when that costs less (always above maxExactPoints).
struct KernelFit
{
    std::vector<double> centres, beta;
};
KernelFit fitKernel(const KernelPoints& data, double variance, std::size_t maxExactPoints);

// The coefficients at the inducing points, three each: variance x
// (K_mm + K_mn L^-1 K_nm)^-1 K_mn L^-1 E with K = variance x the kernel and L
// the noise, for the posterior mean K_xm (...) at any x.
std::vector<double> inducedCoefficients(const KernelPoints& data, const std::vector<double>& inducing,
                                        double variance);
