#include "LocalFit.h"

#include "DeviceField.h"

#include "csICCPCS.h"
#include "csICCProfileConverter.h"
#include "csICCLutInterpolator.h"

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>

namespace {

constexpr double fullScale = 65535.0;
// The weights are stated per percent of the CLUT range.
constexpr double percent = 100.0;
// Conjugate gradients on the normal equations stop at this relative residual:
// the changes are then exact to far below one 16-bit code.
constexpr double solveTolerance = 1e-7;
// A change below this is none: the node stays as the node solve left it.
constexpr double noChange = 1e-9;
// Ink below this in every channel is bare paper.
constexpr double paperInk = 1e-6;

// The CLUT input positions (0..65535) of absolute Lab values: the steps of
// the converter before the CLUT.
std::vector<double> clutPositions(csICCProfileConverter& b2a, const std::vector<Lab>& labs)
{
    std::vector<double> in(3 * labs.size());
    for (std::size_t i = 0; i < labs.size(); ++i)
        encodeLabV4(labs[i], &in[3 * i]);
    if (b2a.whiteMode() != csICCProfileConverter::Relative)
        b2a.PCSFromAbs(in.data(), labs.size());
    if (b2a.legacyInput())
        csICCPCS::LabV4toLegacy(in.data(), in.data(), labs.size());
    b2a.interpolator()->beforeClut(in.data(), labs.size());
    return in;
}

} // namespace

std::vector<double> lookupDevice(csICCProfileConverter& b2a, const std::vector<Lab>& labs)
{
    const unsigned channels = b2a.numOutputChannels();
    std::vector<double> in(3 * labs.size()), out(channels * labs.size());
    for (std::size_t i = 0; i < labs.size(); ++i)
        encodeLabV4(labs[i], &in[3 * i]);
    b2a.convert(in.data(), out.data(), labs.size());
    for (double& v : out)
        v = std::clamp(v / fullScale, 0.0, 1.0);
    return out;
}

void fitChart(const PrinterModel& model, const ErrorField& field, const B2ATableAccess& table,
              csICCProfileConverter& b2a, const std::vector<double>& originalDevice, const ChartPatches& patches,
              const DeviceSolveSettings& solve, const LocalFitSettings& settings, std::vector<double>& clut,
              std::vector<char>& touched)
{
    const unsigned channels = table.channels();
    // The patches this table printed as B2A1 did: the measurement tells
    // only what those device values print.
    const std::vector<double> tableDevice = lookupDevice(b2a, patches.reference);
    std::vector<Lab> reference, measured;
    std::vector<double> start;
    for (std::size_t i = 0; i < patches.reference.size(); ++i) {
        double apart = 0;
        for (unsigned c = 0; c < channels; ++c)
            apart = std::max(apart, std::abs(tableDevice[i * channels + c] - patches.printedDevice[i * channels + c]));
        if (apart > settings.sameDevice)
            continue;
        reference.push_back(patches.reference[i]);
        measured.push_back(patches.measured[i]);
        start.insert(start.end(), &tableDevice[i * channels], &tableDevice[(i + 1) * channels]);
    }
    const std::size_t n = reference.size();
    if (n == 0)
        return;

    // What each patch asks for: the field's aim plus kappa of the error
    // the field leaves there.
    std::vector<double> printed(3 * n), aim(3 * n), target(3 * n), refLab(3 * n), fieldAtRef(3 * n);
    model.lab(start.data(), printed.data(), n);
    field.aim(printed.data(), aim.data(), n, settings.aimIterations);
    for (std::size_t i = 0; i < n; ++i) {
        refLab[3 * i] = reference[i].L;
        refLab[3 * i + 1] = reference[i].a;
        refLab[3 * i + 2] = reference[i].b;
    }
    field.evaluate(refLab.data(), fieldAtRef.data(), n);
    if (solve.drift)
        solve.drift->addTo(start.data(), fieldAtRef.data(), n);
    for (std::size_t i = 0; i < n; ++i) {
        const double error[3] = {measured[i].L - reference[i].L, measured[i].a - reference[i].a,
                                 measured[i].b - reference[i].b};
        for (int j = 0; j < 3; ++j)
            target[3 * i + j] = aim[3 * i + j] - settings.kappa * (error[j] - fieldAtRef[3 * i + j]);
    }
    const DeviceSolution wanted = solveDevices(model, start, target, solve);

    // The table after the node solve at each patch, and the Lab change
    // wanted there. The change the node solve made is added to the start
    // values, so that an unchanged table asks for no change at all.
    const std::vector<double> position = clutPositions(b2a, reference);
    const std::vector<double> originalClut = table.clut();
    std::vector<std::size_t> corner(n * B2ATableAccess::simplexNodes);
    std::vector<double> weight(n * B2ATableAccess::simplexNodes), value(n * channels, 0.0),
        originalValue(n * channels, 0.0), current(n * channels), original(n * channels);
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t* nodes = &corner[i * B2ATableAccess::simplexNodes];
        double* w = &weight[i * B2ATableAccess::simplexNodes];
        table.simplex(&position[3 * i], nodes, w);
        for (unsigned v = 0; v < B2ATableAccess::simplexNodes; ++v)
            for (unsigned c = 0; c < channels; ++c) {
                value[i * channels + c] += w[v] * clut[nodes[v] * channels + c];
                originalValue[i * channels + c] += w[v] * originalClut[nodes[v] * channels + c];
            }
    }
    table.device(value.data(), current.data(), n);
    table.device(originalValue.data(), original.data(), n);
    for (std::size_t k = 0; k < current.size(); ++k)
        current[k] = std::clamp(start[k] + (current[k] - original[k]), 0.0, 1.0);
    std::vector<double> currentLab, J;
    labJacobians(model, current, solve.jacobianStep, currentLab, J);
    std::vector<double> want(3 * n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (int j = 0; j < 3; ++j)
            for (unsigned c = 0; c < channels; ++c)
                want[3 * i + j] += J[(3 * i + j) * channels + c] *
                                   (wanted.device[i * channels + c] - current[i * channels + c]);

    // Unknowns: the CLUT changes of the patches' corners and the ring
    // around them; bare-paper nodes stay.
    std::vector<double> nodeDevice(clut.size());
    table.device(clut.data(), nodeDevice.data(), table.nodeCount());
    std::vector<std::size_t> freeNodes(corner.begin(), corner.end()), around;
    std::sort(freeNodes.begin(), freeNodes.end());
    freeNodes.erase(std::unique(freeNodes.begin(), freeNodes.end()), freeNodes.end());
    for (int layer = 0; layer < settings.ring; ++layer) {
        std::vector<std::size_t> grown = freeNodes;
        for (std::size_t node : freeNodes) {
            table.neighbours(node, around);
            grown.insert(grown.end(), around.begin(), around.end());
        }
        std::sort(grown.begin(), grown.end());
        grown.erase(std::unique(grown.begin(), grown.end()), grown.end());
        freeNodes.swap(grown);
    }
    freeNodes.erase(std::remove_if(freeNodes.begin(), freeNodes.end(),
                                   [&](std::size_t node) {
                                       for (unsigned c = 0; c < channels; ++c)
                                           if (model.ink(nodeDevice[node * channels + c]) >= paperInk)
                                               return false;
                                       return true;
                                   }),
                    freeNodes.end());
    std::vector<long> column(table.nodeCount(), -1);
    for (std::size_t k = 0; k < freeNodes.size(); ++k)
        column[freeNodes[k]] = long(k);
    const std::size_t unknowns = freeNodes.size() * channels;
    std::vector<double> channelWeight(channels, 1.0);
    if (solve.blackChannel >= 0 && unsigned(solve.blackChannel) < channels)
        channelWeight[solve.blackChannel] = settings.blackWeight;

    // Rows: 3 per patch for the data, one per grid edge with a free end and
    // channel for smoothness (a fixed neighbour counts as unchanged), one
    // per unknown for size.
    std::vector<Eigen::Triplet<double>> entries;
    long row = 0;
    for (std::size_t i = 0; i < n; ++i, row += 3) {
        for (unsigned v = 0; v < B2ATableAccess::simplexNodes; ++v) {
            const long col = column[corner[i * B2ATableAccess::simplexNodes + v]];
            if (col < 0)
                continue;
            const double w = weight[i * B2ATableAccess::simplexNodes + v];
            for (unsigned c = 0; c < channels; ++c) {
                const double slope = table.outputSlope(c, value[i * channels + c]);
                for (int j = 0; j < 3; ++j)
                    entries.emplace_back(row + j, col * channels + c, w * slope * J[(3 * i + j) * channels + c]);
            }
        }
    }
    const double smooth = std::sqrt(settings.smooth) * percent;
    for (std::size_t k = 0; k < freeNodes.size(); ++k) {
        table.neighbours(freeNodes[k], around);
        for (std::size_t other : around) {
            const long col = column[other];
            if (col >= 0 && other < freeNodes[k])
                continue; // that edge came with the other node
            for (unsigned c = 0; c < channels; ++c, ++row) {
                entries.emplace_back(row, long(k * channels + c), smooth * channelWeight[c]);
                if (col >= 0)
                    entries.emplace_back(row, col * channels + c, -smooth * channelWeight[c]);
            }
        }
    }
    const double size = std::sqrt(settings.size) * percent;
    for (std::size_t u = 0; u < unknowns; ++u, ++row)
        entries.emplace_back(row, long(u), size * channelWeight[u % channels]);

    Eigen::SparseMatrix<double> A(row, long(unknowns));
    A.setFromTriplets(entries.begin(), entries.end());
    Eigen::VectorXd b = Eigen::VectorXd::Zero(row);
    for (std::size_t r = 0; r < 3 * n; ++r)
        b(long(r)) = want[r];
    Eigen::LeastSquaresConjugateGradient<Eigen::SparseMatrix<double>> solver;
    solver.setTolerance(solveTolerance);
    solver.setMaxIterations(long(std::max<std::size_t>(unknowns, 1000)));
    solver.compute(A);
    const Eigen::VectorXd x = solver.solve(b);

    // The same limits as the node solve, in device terms, from the original table.
    bool free[csICCLutInterpolator::maxChannels];
    std::fill(free, free + channels, true);
    std::vector<double> moved(channels), dev(channels);
    for (std::size_t k = 0; k < freeNodes.size(); ++k) {
        double largest = 0;
        for (unsigned c = 0; c < channels; ++c)
            largest = std::max(largest, std::abs(x(long(k * channels + c))));
        if (largest <= noChange)
            continue;
        const std::size_t node = freeNodes[k];
        for (unsigned c = 0; c < channels; ++c)
            moved[c] = std::clamp(clut[node * channels + c] + x(long(k * channels + c)), 0.0, 1.0);
        table.device(moved.data(), dev.data(), 1);
        limitDevice(model, dev.data(), &originalDevice[node * channels], solve.maxMove, free, solve.inkLimit);
        for (unsigned c = 0; c < channels; ++c)
            clut[node * channels + c] = table.clutValueOf(c, dev[c]);
        touched[node] = 1;
    }
}
