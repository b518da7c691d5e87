#pragma once
// The linear solve shared by the Gaussian-process fields.

#include <Eigen/Core>

// (K + noise) alpha = E for a kernel matrix K that has the noise on its
// diagonal (symmetric positive definite), one column of alpha per column of E.
Eigen::MatrixXd solveKernelSystem(const Eigen::MatrixXd& K, const Eigen::MatrixXd& E);
