#include "DeviceField.h"

#include "KernelSolve.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace {

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Grid step in kernel lengths: multilinear interpolation of one kernel
// bump is then off by about 1 % of its height, a few hundredths of a Lab
// unit for a drift of several, below the noise of one patch.
constexpr double gridStep = 0.25;
// A finer grid than this per channel would cost more than it saves.
constexpr std::size_t largestAxis = 33;

} // namespace

DeviceField::DeviceField(unsigned channels, const std::vector<double>& devices, const std::vector<Lab>& errors,
                         const std::vector<double>& paper, const DeviceFieldSettings& settings)
    : channels_(channels), scale_(1.0 / settings.length)
{
    const std::size_t n = errors.size(), m = n + 1;
    double sumSquares = 0;
    for (const Lab& e : errors)
        sumSquares += e.L * e.L + e.a * e.a + e.b * e.b;
    spread_ = std::max(settings.minSpread, std::sqrt(sumSquares / (3.0 * double(std::max<std::size_t>(n, 1)))));
    KernelPoints data;
    data.dims = channels;
    data.points.resize(channels * m);
    data.errors.assign(3 * m, 0.0);
    data.noise.resize(m);
    for (std::size_t i = 0; i < m; ++i) {
        const double* d = i < n ? &devices[i * channels] : paper.data();
        for (unsigned c = 0; c < channels; ++c)
            data.points[i * channels + c] = d[c] * scale_;
        data.noise[i] = i < n ? settings.noise * settings.noise : settings.paperNoise * settings.paperNoise;
        if (i < n) {
            data.errors[3 * i] = errors[i].L;
            data.errors[3 * i + 1] = errors[i].a;
            data.errors[3 * i + 2] = errors[i].b;
        }
    }
    KernelFit fit = fitKernel(data, spread_ * spread_, settings.maxExactPoints);
    scaled_ = std::move(fit.centres);
    beta_ = std::move(fit.beta);
    tabulate();
}

void DeviceField::exact(const double* device, double* error) const
{
    double u[4];
    for (unsigned c = 0; c < channels_; ++c)
        u[c] = device[c] * scale_;
    double e[3] = {0, 0, 0};
    const std::size_t m = beta_.size() / 3;
    for (std::size_t j = 0; j < m; ++j) {
        const double k = gaussianKernel(u, &scaled_[j * channels_], channels_);
        e[0] += k * beta_[3 * j];
        e[1] += k * beta_[3 * j + 1];
        e[2] += k * beta_[3 * j + 2];
    }
    std::copy(e, e + 3, error);
}

void DeviceField::tabulate()
{
    perAxis_ = std::min(largestAxis, static_cast<std::size_t>(std::ceil(scale_ / gridStep)) + 1);
    const std::size_t m = beta_.size() / 3;
    // The kernel is a product over the channels: the grid is one matrix
    // product of the first channels' factors with the last channels' ones.
    std::vector<Eigen::MatrixXd> axis(channels_, Eigen::MatrixXd(perAxis_, m));
    for (unsigned c = 0; c < channels_; ++c)
        for (std::size_t i = 0; i < perAxis_; ++i)
            for (std::size_t j = 0; j < m; ++j) {
                const double d = double(i) / double(perAxis_ - 1) * scale_ - scaled_[j * channels_ + c];
                axis[c](i, j) = std::exp(-0.5 * d * d);
            }
    const unsigned head = channels_ / 2;
    std::size_t headRows = 1, tailCols = 1;
    for (unsigned c = 0; c < channels_; ++c)
        (c < head ? headRows : tailCols) *= perAxis_;
    Eigen::MatrixXd first = Eigen::MatrixXd::Ones(headRows, m);
    for (std::size_t r = 0; r < headRows; ++r) {
        std::size_t rest = r;
        for (unsigned c = head; c-- > 0;) {
            first.row(r).array() *= axis[c].row(rest % perAxis_).array();
            rest /= perAxis_;
        }
    }
    RowMatrix second(m, 3 * tailCols);
    for (std::size_t col = 0; col < tailCols; ++col) {
        Eigen::VectorXd w = Eigen::VectorXd::Ones(m);
        std::size_t rest = col;
        for (unsigned c = channels_; c-- > head;) {
            w.array() *= axis[c].row(rest % perAxis_).transpose().array();
            rest /= perAxis_;
        }
        for (std::size_t j = 0; j < m; ++j)
            for (int k = 0; k < 3; ++k)
                second(j, 3 * col + k) = w(j) * beta_[3 * j + k];
    }
    grid_.resize(headRows * tailCols * 3);
    Eigen::Map<RowMatrix>(grid_.data(), headRows, 3 * tailCols).noalias() = first * second;
}

void DeviceField::evaluate(const double* devices, double* errors, std::size_t count) const
{
    const double last = double(perAxis_ - 1);
    for (std::size_t i = 0; i < count; ++i) {
        const double* d = devices + i * channels_;
        std::size_t cell[4];
        double t[4];
        for (unsigned c = 0; c < channels_; ++c) {
            const double p = std::clamp(d[c], 0.0, 1.0) * last;
            cell[c] = std::min(static_cast<std::size_t>(p), perAxis_ - 2);
            t[c] = p - double(cell[c]);
        }
        double e[3] = {0, 0, 0};
        for (unsigned corner = 0; corner < (1u << channels_); ++corner) {
            double w = 1;
            std::size_t index = 0;
            for (unsigned c = 0; c < channels_; ++c) {
                const bool up = corner >> (channels_ - 1 - c) & 1;
                w *= up ? t[c] : 1.0 - t[c];
                index = index * perAxis_ + cell[c] + (up ? 1 : 0);
            }
            const double* node = &grid_[3 * index];
            e[0] += w * node[0];
            e[1] += w * node[1];
            e[2] += w * node[2];
        }
        std::copy(e, e + 3, errors + 3 * i);
    }
}

void DeviceField::addTo(const double* devices, double* labs, std::size_t count) const
{
    double e[3];
    for (std::size_t i = 0; i < count; ++i) {
        evaluate(devices + i * channels_, e, 1);
        for (int k = 0; k < 3; ++k)
            labs[3 * i + k] += e[k];
    }
}
