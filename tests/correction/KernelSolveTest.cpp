#include "KernelSolve.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

double kernel(const double* u, const double* v, unsigned dims)
{
    double sum = 0;
    for (unsigned k = 0; k < dims; ++k)
        sum += (u[k] - v[k]) * (u[k] - v[k]);
    return std::exp(-0.5 * sum);
}

// A smooth error over a box of kernel units with noise, and the white (held
// at zero) last.
KernelPoints chart(unsigned dims, std::size_t n, double extent, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> at(0.0, extent);
    std::normal_distribution<double> noise(0.0, 0.2);
    KernelPoints k;
    k.dims = dims;
    for (std::size_t i = 0; i < n; ++i) {
        double x[4] = {};
        for (unsigned d = 0; d < dims; ++d)
            x[d] = at(random);
        k.points.insert(k.points.end(), x, x + dims);
        k.noise.push_back(0.09);
        k.errors.insert(k.errors.end(), {std::sin(x[0]) + noise(random), 0.5 * x[1] - 1 + noise(random),
                                         std::cos(x[0] + x[1]) + noise(random)});
    }
    k.points.insert(k.points.end(), dims, extent);
    k.noise.push_back(0.0025);
    k.errors.insert(k.errors.end(), {0.0, 0.0, 0.0});
    return k;
}

Eigen::Vector3d mean(const std::vector<double>& centres, const std::vector<double>& beta, const double* x,
                     unsigned dims)
{
    Eigen::Vector3d e = Eigen::Vector3d::Zero();
    for (std::size_t j = 0; j < beta.size() / 3; ++j)
        e += kernel(x, &centres[j * dims], dims) * Eigen::Vector3d(beta[3 * j], beta[3 * j + 1], beta[3 * j + 2]);
    return e;
}

} // namespace

TEST(KernelSolve, BlockedNormalEquationsGiveTheSubsetOfRegressorsMean)
{
    // More points than one block, in three and four dimensions, against
    // the normal equations formed whole.
    for (unsigned dims : {3u, 4u}) {
        const KernelPoints k = chart(dims, 700, 2.5, dims);
        const std::vector<double> inducing = inducingPoints(k);
        const auto m = Eigen::Index(inducing.size() / dims), n = Eigen::Index(k.size());
        const double variance = 1.7;
        Eigen::MatrixXd Kmm(m, m), Knm(n, m), E(n, 3);
        for (Eigen::Index i = 0; i < m; ++i)
            for (Eigen::Index j = 0; j < m; ++j)
                Kmm(i, j) = variance * kernel(&inducing[std::size_t(i) * dims], &inducing[std::size_t(j) * dims], dims);
        for (Eigen::Index i = 0; i < n; ++i) {
            for (Eigen::Index j = 0; j < m; ++j)
                Knm(i, j) = variance * kernel(&k.points[std::size_t(i) * dims], &inducing[std::size_t(j) * dims], dims);
            for (int c = 0; c < 3; ++c)
                E(i, c) = k.errors[std::size_t(3 * i + c)] / k.noise[std::size_t(i)];
        }
        Eigen::MatrixXd A = Kmm;
        for (Eigen::Index i = 0; i < n; ++i)
            A += Knm.row(i).transpose() * Knm.row(i) / k.noise[std::size_t(i)];
        A.diagonal().array() += 1e-9 * A.diagonal().mean();
        const Eigen::MatrixXd whole = variance * A.llt().solve(Knm.transpose() * E);
        std::vector<double> wholeBeta(std::size_t(3 * m));
        for (Eigen::Index j = 0; j < m; ++j)
            for (int c = 0; c < 3; ++c)
                wholeBeta[std::size_t(3 * j + c)] = whole(j, c);
        const std::vector<double> blocked = inducedCoefficients(k, inducing, variance);
        ASSERT_EQ(blocked.size(), wholeBeta.size());
        // The coefficients of neighbouring inducing points trade off; the
        // field they make is what must agree.
        for (std::size_t i = 0; i < k.size(); i += 7) {
            const double* x = &k.points[i * dims];
            EXPECT_LT((mean(inducing, blocked, x, dims) - mean(inducing, wholeBeta, x, dims)).norm(), 1e-6)
                << dims << " " << i;
        }
    }
}

TEST(KernelSolve, DenseChartsMergeIntoCellsWithoutMovingTheField)
{
    const KernelPoints k = chart(3, 20000, 3.0, 7);
    const std::vector<double> inducing = inducingPoints(k);
    const KernelPoints merged = mergedPoints(k, inducing.size() / 3);
    // A quarter-length cell holds many points: far fewer rows, the same
    // total precision, the white last and alone.
    ASSERT_LT(merged.size(), k.size() / 4);
    double before = 0, after = 0;
    for (std::size_t i = 0; i + 1 < k.size(); ++i)
        before += 1 / k.noise[i];
    for (std::size_t i = 0; i + 1 < merged.size(); ++i)
        after += 1 / merged.noise[i];
    EXPECT_NEAR(after, before, 1e-6 * before);
    EXPECT_EQ(merged.noise.back(), k.noise.back());
    EXPECT_TRUE(std::equal(merged.points.end() - 3, merged.points.end(), k.points.end() - 3));

    // The same points in another order merge to the same cells.
    KernelPoints shuffled = k;
    std::vector<std::size_t> order(k.size() - 1);
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::copy_n(&k.points[3 * order[i]], 3, &shuffled.points[3 * i]);
        std::copy_n(&k.errors[3 * order[i]], 3, &shuffled.errors[3 * i]);
    }
    const KernelPoints again = mergedPoints(shuffled, inducing.size() / 3);
    ASSERT_EQ(again.size(), merged.size());
    for (std::size_t i = 0; i < merged.points.size(); ++i)
        EXPECT_NEAR(again.points[i], merged.points[i], 1e-9);

    // The field from the merged points against the one from all of them:
    // far below the noise of one point (0.2 per component), for a drift
    // that turns within two kernel lengths.
    const double variance = 1.0;
    const std::vector<double> all = inducedCoefficients(k, inducing, variance),
                              fewer = inducedCoefficients(merged, inducing, variance);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> at(0.0, 3.0);
    double largest = 0;
    for (int i = 0; i < 300; ++i) {
        const double x[3] = {at(random), at(random), at(random)};
        largest = std::max(largest, (mean(inducing, all, x, 3) - mean(inducing, fewer, x, 3)).norm());
    }
    EXPECT_LT(largest, 0.05);

    // A sparse chart, as many inducing points as points nearly, is left as it is.
    const KernelPoints sparse = chart(3, 300, 6.0, 9);
    EXPECT_EQ(mergedPoints(sparse, inducingPoints(sparse).size() / 3).points, sparse.points);
}

TEST(KernelSolve, ExactSolveWhereItCostsLess)
{
    struct Case { std::size_t n, merged, inducing; bool exact; };
    const Case cases[] = {
        {100, 100, 90, true},       // a test chart
        {500, 500, 40, true},       // a few hundred: always
        {1000, 1000, 700, true},    // as many inducing points as the exact solve is cheap
        {2400, 2400, 745, false},   // a large chart of a Lab gamut
        {2600, 2600, 745, false},
        {100000, 9000, 745, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exactIsCheaper(c.n, c.merged, c.inducing), c.exact) << c.n;
}
