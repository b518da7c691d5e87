#pragma once
// The linear solve shared by the Gaussian-process fields.

#include <Eigen/Core>

#include <cstddef>
#include <vector>

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
