#include "DeviceSolver.h"

#include "ClutNodes.h"

#include "DeviceField.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace {

// A step smaller than this (0..1 scale, a fifteenth of a 16-bit code) means
// the colour has settled: it is left where it is.
constexpr double settledStep = 1e-6;
// Free ink below this counts as none: nothing to scale down.
constexpr double noInk = 1e-9;

using Matrix = Eigen::Matrix<double, maxCorrectedChannels, maxCorrectedChannels>;
using Vector = Eigen::Matrix<double, maxCorrectedChannels, 1>;

// The damped least-squares step J s = r over the free channels; a held
// channel gets an identity row and no step.
Vector dampedStep(const double J[3][maxCorrectedChannels], const double r[3], const bool* free, unsigned channels,
                  double damping)
{
    Matrix A = Matrix::Identity();
    Vector b = Vector::Zero();
    for (unsigned p = 0; p < channels; ++p) {
        if (!free[p])
            continue;
        for (unsigned q = 0; q < channels; ++q)
            if (free[q])
                A(p, q) = J[0][p] * J[0][q] + J[1][p] * J[1][q] + J[2][p] * J[2][q];
        A(p, p) += damping;
        b(p) = J[0][p] * r[0] + J[1][p] * r[1] + J[2][p] * r[2];
    }
    // Positive definite through the damping; the closed-form inverse of a
    // fixed 4 x 4 matrix is the fastest way through millions of them.
    return A.inverse() * b;
}

// The Jacobian of absolute Lab over the stepped channels from relative
// probes: the base point first, then one probe per stepped channel.
void absoluteJacobian(const PrinterModel& model, const double* probes, const double* labs,
                      const std::vector<unsigned>& stepped, unsigned channels, double J[3][maxCorrectedChannels])
{
    double slope[3][3];
    model.absoluteSlope(labs, slope);
    for (std::size_t s = 0; s < stepped.size(); ++s) {
        const unsigned c = stepped[s];
        const double h = probes[(s + 1) * channels + c] - probes[c];
        double relative[3];
        for (int j = 0; j < 3; ++j)
            relative[j] = (labs[(s + 1) * 3 + j] - labs[j]) / h;
        for (int j = 0; j < 3; ++j)
            J[j][c] = slope[j][0] * relative[0] + slope[j][1] * relative[1] + slope[j][2] * relative[2];
    }
}

double distance(const double* x, const double* y)
{
    const double d0 = x[0] - y[0], d1 = x[1] - y[1], d2 = x[2] - y[2];
    return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}

// Gauss-Newton for every colour in which; black held when holdBlack. Every
// iteration evaluates all colours still moving, and the steps of their
// free channels, in one call of the model.
void gaussNewton(const PrinterModel& model, const std::vector<double>& start, const std::vector<double>& from,
                 const std::vector<double>& target, const std::vector<std::size_t>& which, bool holdBlack,
                 const DeviceSolveSettings& settings, std::vector<double>& device, std::vector<double>& miss)
{
    const unsigned channels = model.channels();
    bool free[maxCorrectedChannels];
    std::vector<unsigned> stepped;
    for (unsigned c = 0; c < channels; ++c) {
        free[c] = !(holdBlack && int(c) == settings.blackChannel) && !(settings.heldChannels >> c & 1u);
        if (free[c])
            stepped.push_back(c);
    }
    const std::size_t points = stepped.size() + 1;

    std::vector<std::size_t> active = which;
    for (std::size_t i : which)
        std::copy(&from[i * channels], &from[i * channels] + channels, &device[i * channels]);
    std::vector<double> probes, labs;
    for (int it = 0; it < settings.iterations && !active.empty(); ++it) {
        probes.resize(active.size() * points * channels);
        labs.resize(active.size() * points * 3);
        for (std::size_t k = 0; k < active.size(); ++k) {
            const double* d = &device[active[k] * channels];
            double* p = &probes[k * points * channels];
            for (std::size_t s = 0; s < points; ++s)
                std::copy(d, d + channels, p + s * channels);
            for (std::size_t s = 0; s < stepped.size(); ++s) {
                const unsigned c = stepped[s];
                // Forward where there is room, backward at the top.
                p[(s + 1) * channels + c] += d[c] + settings.jacobianStep <= 1.0 ? settings.jacobianStep
                                                                                 : -settings.jacobianStep;
            }
        }
        model.relativeLab(probes.data(), labs.data(), active.size() * points);
        std::vector<double> base(3 * active.size());
        for (std::size_t k = 0; k < active.size(); ++k)
            std::copy(&labs[k * points * 3], &labs[k * points * 3] + 3, &base[3 * k]);
        model.toAbsolute(base.data(), active.size());
        if (settings.drift)
            for (std::size_t k = 0; k < active.size(); ++k)
                settings.drift->addTo(&device[active[k] * channels], &base[3 * k], 1);

        std::vector<std::size_t> moving;
        for (std::size_t k = 0; k < active.size(); ++k) {
            const std::size_t i = active[k];
            double* d = &device[i * channels];
            const double* d0 = &start[i * channels];
            const double* p = &probes[k * points * channels];
            const double* lab = &labs[k * points * 3];
            double J[3][maxCorrectedChannels] = {};
            absoluteJacobian(model, p, lab, stepped, channels, J);
            const double* now = &base[3 * k];
            const double r[3] = {target[3 * i] - now[0], target[3 * i + 1] - now[1], target[3 * i + 2] - now[2]};
            Vector step = dampedStep(J, r, free, channels, settings.damping);
            // A channel at a bound that the step pushes further out is held
            // for this step and the others solved again, so they take over
            // its share instead of losing it to clipping.
            bool blocked = false, open[maxCorrectedChannels];
            for (unsigned c = 0; c < channels; ++c) {
                const bool out = (d[c] <= 0.0 && step(c) < 0.0) || (d[c] >= 1.0 && step(c) > 0.0);
                open[c] = free[c] && !out;
                blocked = blocked || (free[c] && out);
            }
            if (blocked)
                step = dampedStep(J, r, open, channels, settings.damping);

            double next[maxCorrectedChannels];
            for (unsigned c = 0; c < channels; ++c)
                next[c] = d[c] + step(c);
            limitDevice(model, next, d0, settings.maxMove, free, settings.inkLimit);
            double largest = 0;
            for (unsigned c = 0; c < channels; ++c)
                largest = std::max(largest, std::abs(next[c] - d[c]));
            if (largest <= settledStep) {
                miss[i] = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
                continue;
            }
            std::copy(next, next + channels, d);
            moving.push_back(i);
        }
        active.swap(moving);
    }
    if (active.empty())
        return;
    probes.resize(active.size() * channels);
    labs.resize(active.size() * 3);
    for (std::size_t k = 0; k < active.size(); ++k)
        std::copy(&device[active[k] * channels], &device[active[k] * channels] + channels, &probes[k * channels]);
    model.lab(probes.data(), labs.data(), active.size());
    if (settings.drift)
        settings.drift->addTo(probes.data(), labs.data(), active.size());
    for (std::size_t k = 0; k < active.size(); ++k)
        miss[active[k]] = distance(&labs[3 * k], &target[3 * active[k]]);
}

} // namespace

void limitDevice(const PrinterModel& model, double* device, const double* start, double maxMove,
                 const bool* freeChannels, double inkLimit)
{
    const unsigned channels = model.channels();
    double total = 0, reducible = 0, floor[maxCorrectedChannels];
    for (unsigned c = 0; c < channels; ++c) {
        device[c] = std::clamp(device[c], std::max(0.0, start[c] - maxMove), std::min(1.0, start[c] + maxMove));
        const double ink = model.ink(device[c]);
        floor[c] = std::max(0.0, model.ink(start[c]) - maxMove);
        total += ink;
        if (freeChannels[c])
            reducible += std::max(0.0, ink - floor[c]);
    }
    if (!(total > inkLimit) || reducible <= noInk)
        return;
    const double share = std::min(1.0, (total - inkLimit) / reducible);
    for (unsigned c = 0; c < channels; ++c) {
        if (!freeChannels[c])
            continue;
        const double ink = model.ink(device[c]);
        device[c] = model.deviceOfInk(ink - std::max(0.0, ink - floor[c]) * share);
    }
}

void labJacobians(const PrinterModel& model, const std::vector<double>& device, double step,
                  std::vector<double>& lab, std::vector<double>& jacobian)
{
    const unsigned channels = model.channels();
    const std::size_t count = device.size() / channels, points = channels + 1;
    std::vector<unsigned> stepped(channels);
    for (unsigned c = 0; c < channels; ++c)
        stepped[c] = c;
    std::vector<double> probes(count * points * channels), labs(count * points * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const double* d = &device[i * channels];
        double* p = &probes[i * points * channels];
        for (std::size_t s = 0; s < points; ++s)
            std::copy(d, d + channels, p + s * channels);
        for (unsigned c = 0; c < channels; ++c)
            p[(c + 1) * channels + c] += d[c] + step <= 1.0 ? step : -step;
    }
    model.relativeLab(probes.data(), labs.data(), count * points);
    lab.resize(3 * count);
    jacobian.resize(3 * channels * count);
    for (std::size_t i = 0; i < count; ++i) {
        double J[3][maxCorrectedChannels];
        absoluteJacobian(model, &probes[i * points * channels], &labs[i * points * 3], stepped, channels, J);
        std::copy(&labs[i * points * 3], &labs[i * points * 3] + 3, &lab[3 * i]);
        for (int j = 0; j < 3; ++j)
            std::copy(J[j], J[j] + channels, &jacobian[(3 * i + j) * channels]);
    }
    model.toAbsolute(lab.data(), count);
}

DeviceSolution solveDevices(const PrinterModel& model, const std::vector<double>& start,
                            const std::vector<double>& target, const DeviceSolveSettings& settings,
                            const std::vector<double>* from)
{
    const std::vector<double>& first = from ? *from : start;
    const unsigned channels = model.channels();
    const std::size_t count = start.size() / channels;
    DeviceSolution out;
    out.device.resize(start.size());
    out.miss.resize(count);
    std::vector<std::size_t> all(count);
    for (std::size_t i = 0; i < count; ++i)
        all[i] = i;
    const bool black = settings.blackChannel >= 0 && unsigned(settings.blackChannel) < channels &&
                       !(settings.heldChannels >> settings.blackChannel & 1u);
    gaussNewton(model, start, first, target, all, black, settings, out.device, out.miss);
    if (!black)
        return out;

    std::vector<std::size_t> missed;
    for (std::size_t i = 0; i < count; ++i)
        if (out.miss[i] > settings.freeBlackAbove)
            missed.push_back(i);
    if (missed.empty())
        return out;
    std::vector<double> device(start.size()), miss(count);
    gaussNewton(model, start, first, target, missed, false, settings, device, miss);
    for (std::size_t i : missed) {
        if (miss[i] < out.miss[i]) {
            std::copy(&device[i * channels], &device[i * channels] + channels, &out.device[i * channels]);
            out.miss[i] = miss[i];
            ++out.blackFreed;
        }
    }
    return out;
}

NodeInks nodeInks(const PrinterModel& model, const std::vector<double>& device)
{
    const unsigned channels = model.channels();
    NodeInks inks;
    inks.paper.resize(device.size() / channels);
    for (std::size_t n = 0; n < inks.paper.size(); ++n) {
        const double* node = &device[n * channels];
        inks.paper[n] = model.barePaper(node);
        double total = 0;
        for (unsigned c = 0; c < channels; ++c)
            total += model.ink(node[c]);
        inks.highestInk = std::max(inks.highestInk, total);
    }
    return inks;
}

void limitToOriginal(DeviceSolveSettings& settings, const PrinterModel& model, double highestInk, bool cmyk)
{
    // Just above the original's highest total, so the nodes that make it
    // are not pushed down by rounding.
    constexpr double inkLimitSlack = 1e-6;
    constexpr int cmykBlack = 3;
    if (model.paperAtZero())
        settings.inkLimit = highestInk + inkLimitSlack;
    if (cmyk)
        settings.blackChannel = cmykBlack;
}
