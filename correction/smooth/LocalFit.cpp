#include "LocalFit.h"

#include "DeviceField.h"

#include "csICCPCS.h"
#include "csICCProfileConverter.h"
#include "csICCLutInterpolator.h"

#include <Eigen/Dense>
#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr double fullScale = 65535.0;
// The weights are stated per percent of the CLUT range.
constexpr double percent = 100.0;
// The anchors of a cell: the centres of the eight sub-cubes, in cell units.
constexpr double anchorNear = 0.25, anchorFar = 0.75;
constexpr int anchorsPerCell = 8;
// dE76 by which an anchor's aim may be missed and the anchor still kept.
// Anchors a little out of reach hold the darkest cells, where a patch's
// noise would otherwise ask for large ink changes; far beyond the gamut the
// node solve has chosen already.
constexpr double anchorReach = 2.0;
// Conjugate gradients on the normal equations stop at this relative
// residual: the changes are then exact to far below one 16-bit code (the
// written tables of the test charts are the same as at 1e-8, in two
// fifths of the iterations of each bounded round).
constexpr double solveTolerance = 1e-6;
// Rounds of the bounded solve: each pins the changes that left their
// range at its bound and solves the others again, from the last solution.
constexpr int boundRounds = 6;
// Pinned changes above this much over the range count as out of it.
constexpr double boundSlack = 1e-9;
// A change below this is none: the node stays as the node solve left it.
constexpr double noChange = 1e-9;
constexpr unsigned maxChannels = csICCLutInterpolator::maxChannels;
// Finding the Lab of a CLUT position: the steps before the CLUT are close
// to linear (input curves, white scaling), so a few Newton steps reach it
// to far below a code. The differences span half a Lab unit, wider than
// one input step of a lut8 table, whose 8-bit input turns them into
// stairs that a narrow difference would read as flat or as a cliff.
constexpr int labNewtonSteps = 8;
constexpr double labNudge = 0.5;
constexpr double labLongestStep = 10.0;
constexpr int labHalvings = 4;
constexpr double labCloseEnough = 1e-3; // CLUT position units (0..65535)
// An anchor whose own colour the drifted printer misses by more than this
// (dE76) keeps the colour the original table printed there.
constexpr double ownReach = 0.5;
// The pull grows with how far the smooth correction moves the anchor
// (dE76), whole from this much on: a colour the correction leaves alone
// stays, so a measurement that matches its reference changes nothing.
constexpr double fullPullFrom = 1.0;

// Points of the table at which the fit is told what to print: each with its
// simplex corners and weights, the CLUT values the table interpolates there
// now, the Lab change wanted there (three values), the Jacobian of Lab over
// the device values at the table's current values (3 x channels) and the
// weight of its rows.
struct FitPoints
{
    unsigned channels = 0;
    std::vector<std::size_t> corner;
    std::vector<double> weight, value, want, jacobian, rowWeight;

    std::size_t size() const { return rowWeight.size(); }
};

// What the fit is told at a set of points: their CLUT positions, the
// device values each printed on the original table (start) and those that
// print what it should now (wanted), which of them count, and their weight.
struct FitTargets
{
    std::vector<double> positions, start, wanted;
    std::vector<char> keep;
    double weight = 1;
};

// The points at the given CLUT positions: start are the device values each
// point printed before (on the original table), wanted those that print
// what it should now; the table's current values come from clut, with the
// change the table made since start added to start, so that an unchanged
// table wants no change at all.
void addPoints(FitPoints& points, const PrinterModel& model, const B2ATableAccess& table,
               const std::vector<double>& originalClut, const std::vector<double>& clut,
               const std::vector<double>& positions, const std::vector<double>& start,
               const std::vector<double>& wanted, const std::vector<char>& keep, double rowWeight, double jacobianStep)
{
    const unsigned channels = table.channels();
    constexpr unsigned corners = B2ATableAccess::simplexNodes;
    const std::size_t n = keep.size();
    std::vector<std::size_t> corner(n * corners);
    std::vector<double> weight(n * corners), value(n * channels, 0.0), originalValue(n * channels, 0.0),
        current(n * channels), original(n * channels);
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t* nodes = &corner[i * corners];
        double* w = &weight[i * corners];
        table.simplex(&positions[3 * i], nodes, w);
        for (unsigned v = 0; v < corners; ++v)
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
    labJacobians(model, current, jacobianStep, currentLab, J);
    points.channels = channels;
    for (std::size_t i = 0; i < n; ++i) {
        if (!keep[i])
            continue;
        points.corner.insert(points.corner.end(), &corner[i * corners], &corner[(i + 1) * corners]);
        points.weight.insert(points.weight.end(), &weight[i * corners], &weight[(i + 1) * corners]);
        points.value.insert(points.value.end(), &value[i * channels], &value[(i + 1) * channels]);
        points.jacobian.insert(points.jacobian.end(), &J[3 * i * channels], &J[3 * (i + 1) * channels]);
        for (int j = 0; j < 3; ++j) {
            double change = 0;
            for (unsigned c = 0; c < channels; ++c)
                change += J[(3 * i + j) * channels + c] * (wanted[i * channels + c] - current[i * channels + c]);
            points.want.push_back(change);
        }
        points.rowWeight.push_back(rowWeight);
    }
}

// Normal equations over unknowns that come in groups of one node's
// channels: a block of channels x channels per pair of nodes that share a
// row (the upper one of each pair; a node's own block whole), and the
// gradient.
class NormalEquations
{
public:
    NormalEquations(unsigned channels, Eigen::Index unknowns)
        : channels_(channels), gradient_(Eigen::VectorXd::Zero(unknowns))
    {
    }

    // Adds the rows r (three, over the channels of the given columns in
    // turn) with right-hand sides b.
    void addRows(const long* columns, unsigned count, const double r[3][B2ATableAccess::simplexNodes * maxChannels],
                 const double b[3])
    {
        for (unsigned p = 0; p < count; ++p) {
            for (unsigned c = 0; c < channels_; ++c) {
                const unsigned u = p * channels_ + c;
                gradient_(columns[p] * channels_ + c) += r[0][u] * b[0] + r[1][u] * b[1] + r[2][u] * b[2];
            }
            for (unsigned q = 0; q < count; ++q) {
                if (columns[q] < columns[p])
                    continue;
                double* block = this->block(columns[p], columns[q]);
                for (unsigned c = 0; c < channels_; ++c)
                    for (unsigned d = 0; d < channels_; ++d) {
                        const unsigned u = p * channels_ + c, v = q * channels_ + d;
                        block[c * channels_ + d] += r[0][u] * r[0][v] + r[1][u] * r[1][v] + r[2][u] * r[2][v];
                    }
            }
        }
    }
    // Adds to one entry; column a <= column b.
    void add(long a, unsigned c, long b, unsigned d, double value) { block(a, b)[c * channels_ + d] += value; }

    Eigen::SparseMatrix<double> matrix() const
    {
        const Eigen::Index unknowns = gradient_.size();
        std::vector<Eigen::Triplet<double>> entries;
        entries.reserve(2 * values_.size());
        for (const auto& [pair, at] : index_) {
            const long a = long(pair >> 32), b = long(pair & 0xffffffffu);
            for (unsigned c = 0; c < channels_; ++c)
                for (unsigned d = 0; d < channels_; ++d) {
                    const double value = values_[at + c * channels_ + d];
                    entries.emplace_back(int(a * channels_ + c), int(b * channels_ + d), value);
                    if (a != b)
                        entries.emplace_back(int(b * channels_ + d), int(a * channels_ + c), value);
                }
        }
        Eigen::SparseMatrix<double> m(unknowns, unknowns);
        m.setFromTriplets(entries.begin(), entries.end());
        return m;
    }
    const Eigen::VectorXd& gradient() const { return gradient_; }

private:
    double* block(long a, long b)
    {
        const std::uint64_t key = std::uint64_t(a) << 32 | std::uint64_t(b);
        const auto [it, added] = index_.emplace(key, values_.size());
        if (added)
            values_.resize(values_.size() + channels_ * channels_, 0.0);
        return &values_[it->second];
    }

    unsigned channels_;
    std::unordered_map<std::uint64_t, std::size_t> index_;
    std::vector<double> values_;
    Eigen::VectorXd gradient_;
};

// Moves each anchor's wanted device values the given share of the way
// towards those that print the anchor's own colour on the drifted printer
// (the drift alone modelled), where that colour is within reach. Between
// its nodes the original table misses the colour it is asked for, by up to
// a few dE on coarse grids; the smooth fields take that miss from the
// patches and carry it into the colours between them, which a large chart
// turns into harm where it has few patches. Fully towards their own
// colours, the anchors would fight the patches instead, as the table
// cannot follow every anchor and patch of a cell.
void pullTowardsOwnColours(const PrinterModel& model, csICCProfileConverter& b2a, const std::vector<double>& positions,
                           const std::vector<double>& start, const std::vector<double>& printed,
                           const DeviceSolveSettings& solve, const LocalFitSettings& settings, DeviceSolution& wanted)
{
    const unsigned channels = model.channels();
    const std::size_t m = printed.size() / 3;
    std::vector<Lab> guesses(m);
    for (std::size_t i = 0; i < m; ++i)
        guesses[i] = {printed[3 * i], printed[3 * i + 1], printed[3 * i + 2]};
    const std::vector<Lab> own = labsAtPositions(b2a, positions, std::move(guesses));
    std::vector<double> ownLab(3 * m), aim(3 * m);
    for (std::size_t i = 0; i < m; ++i) {
        ownLab[3 * i] = own[i].L;
        ownLab[3 * i + 1] = own[i].a;
        ownLab[3 * i + 2] = own[i].b;
    }
    settings.driftOnly->aim(ownLab.data(), aim.data(), m, settings.aimIterations);
    DeviceSolveSettings driftOnly = solve;
    driftOnly.drift = settings.deviceDriftOnly;
    driftOnly.iterations = std::max(1, solve.iterations / 2);
    // From the smooth correction's values, which lie near: the same answer in fewer steps.
    const DeviceSolution reached = solveDevices(model, start, aim, driftOnly, &wanted.device);
    std::vector<double> smooth(3 * m);
    model.lab(wanted.device.data(), smooth.data(), m);
    for (std::size_t i = 0; i < m; ++i) {
        if (!(reached.miss[i] <= ownReach))
            continue;
        const double moved = std::hypot(smooth[3 * i] - printed[3 * i], smooth[3 * i + 1] - printed[3 * i + 1],
                                        smooth[3 * i + 2] - printed[3 * i + 2]);
        const double share = settings.ownShare * std::min(1.0, moved / fullPullFrom);
        for (unsigned c = 0; c < channels; ++c) {
            double& d = wanted.device[i * channels + c];
            d += share * (reached.device[i * channels + c] - d);
        }
    }
}

// The anchors inside the cells whose first corner is a free node: what
// each prints now on the original table, and the device values that print
// it on the drifted printer as the smooth fields model it (pulled towards
// the anchor's own colour, see above). They hold the colours between the
// patches to the smooth correction, so that what a patch asks for beyond
// it goes into the nodes in the way that disturbs its neighbourhood least.
FitTargets anchorTargets(const PrinterModel& model, const ErrorField& field, const B2ATableAccess& table,
                         csICCProfileConverter& b2a, const std::vector<double>& originalClut,
                         const std::vector<std::size_t>& freeNodes, const DeviceSolveSettings& solve,
                         const LocalFitSettings& settings)
{
    FitTargets anchors;
    anchors.weight = settings.anchors;
    const unsigned channels = table.channels();
    std::vector<double> positions, start;
    std::vector<double> value(channels), device(channels);
    for (std::size_t node : freeNodes) {
        std::size_t index[B2ATableAccess::inputs];
        std::size_t rest = node;
        bool inside = true;
        for (unsigned k = B2ATableAccess::inputs; k-- > 0;) {
            const unsigned grid = table.gridPoints(k);
            index[k] = rest % grid;
            rest /= grid;
            inside = inside && index[k] + 1 < grid;
        }
        if (!inside)
            continue;
        for (int a = 0; a < anchorsPerCell; ++a) {
            double position[B2ATableAccess::inputs];
            for (unsigned k = 0; k < B2ATableAccess::inputs; ++k)
                position[k] = (double(index[k]) + ((a >> k & 1) ? anchorFar : anchorNear)) /
                              double(table.gridPoints(k) - 1) * fullScale;
            std::size_t nodes[B2ATableAccess::simplexNodes];
            double w[B2ATableAccess::simplexNodes];
            table.simplex(position, nodes, w);
            std::fill(value.begin(), value.end(), 0.0);
            for (unsigned v = 0; v < B2ATableAccess::simplexNodes; ++v)
                for (unsigned c = 0; c < channels; ++c)
                    value[c] += w[v] * originalClut[nodes[v] * channels + c];
            table.device(value.data(), device.data(), 1);
            if (model.barePaper(device.data()))
                continue;
            positions.insert(positions.end(), position, position + B2ATableAccess::inputs);
            start.insert(start.end(), device.begin(), device.end());
        }
    }
    const std::size_t m = start.size() / channels;
    if (m == 0)
        return anchors;
    std::vector<double> printed(3 * m), aim(3 * m);
    model.lab(start.data(), printed.data(), m);
    field.aim(printed.data(), aim.data(), m, settings.aimIterations);
    DeviceSolution wanted = solveDevices(model, start, aim, solve);
    std::vector<char> keep(m);
    for (std::size_t i = 0; i < m; ++i)
        keep[i] = wanted.miss[i] <= anchorReach;
    if (settings.ownShare > 0 && settings.driftOnly)
        pullTowardsOwnColours(model, b2a, positions, start, printed, solve, settings, wanted);
    anchors.positions = std::move(positions);
    anchors.start = std::move(start);
    anchors.wanted = std::move(wanted.device);
    anchors.keep = std::move(keep);
    return anchors;
}

} // namespace

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

std::vector<Lab> labsAtPositions(csICCProfileConverter& b2a, const std::vector<double>& positions,
                                 std::vector<Lab> guesses)
{
    auto component = [](Lab& x, int k) -> double& { return k == 0 ? x.L : k == 1 ? x.a : x.b; };
    auto miss = [&](const double* at, std::size_t i) {
        return std::hypot(at[0] - positions[3 * i], at[1] - positions[3 * i + 1], at[2] - positions[3 * i + 2]);
    };
    std::vector<double> at = clutPositions(b2a, guesses);
    // The colours still on their way, and where they are.
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < guesses.size(); ++i)
        if (miss(&at[3 * i], i) > labCloseEnough)
            open.push_back(i);
    for (int step = 0; step < labNewtonSteps && !open.empty(); ++step) {
        const std::size_t n = open.size();
        std::vector<Lab> now(n);
        for (std::size_t k = 0; k < n; ++k)
            now[k] = guesses[open[k]];
        // Differences towards the inside where the encoding clips.
        std::vector<double> jacobian(9 * n);
        for (int c = 0; c < 3; ++c) {
            std::vector<Lab> nudged = now;
            for (Lab& x : nudged)
                component(x, c) += labNudge;
            std::vector<double> ahead = clutPositions(b2a, nudged);
            for (std::size_t k = 0; k < n; ++k) {
                const double* here = &at[3 * open[k]];
                double h = labNudge;
                if (std::equal(here, here + 3, &ahead[3 * k])) {
                    Lab back = now[k];
                    component(back, c) -= labNudge;
                    const std::vector<double> behind = clutPositions(b2a, {back});
                    std::copy(behind.begin(), behind.end(), &ahead[3 * k]);
                    h = -labNudge;
                }
                for (int j = 0; j < 3; ++j)
                    jacobian[9 * k + 3 * j + c] = (ahead[3 * k + j] - here[j]) / h;
            }
        }
        std::vector<Eigen::Vector3d> change(n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = open[k];
            const Eigen::Matrix3d m = Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>(&jacobian[9 * k]);
            const Eigen::Vector3d r(positions[3 * i] - at[3 * i], positions[3 * i + 1] - at[3 * i + 1],
                                    positions[3 * i + 2] - at[3 * i + 2]);
            change[k] = m.fullPivLu().solve(r);
            if (!change[k].allFinite())
                change[k].setZero();
            else if (change[k].norm() > labLongestStep)
                change[k] *= labLongestStep / change[k].norm();
        }
        // A step that does not come closer is halved, and at last not taken.
        std::vector<std::size_t> trying(n);
        for (std::size_t k = 0; k < n; ++k)
            trying[k] = k;
        for (int halving = 0; halving < labHalvings && !trying.empty(); ++halving) {
            std::vector<Lab> tried(trying.size());
            for (std::size_t t = 0; t < trying.size(); ++t) {
                tried[t] = now[trying[t]];
                for (int c = 0; c < 3; ++c)
                    component(tried[t], c) += change[trying[t]](c);
            }
            const std::vector<double> there = clutPositions(b2a, tried);
            std::vector<std::size_t> again;
            for (std::size_t t = 0; t < trying.size(); ++t) {
                const std::size_t k = trying[t], i = open[k];
                if (miss(&there[3 * t], i) < miss(&at[3 * i], i)) {
                    guesses[i] = tried[t];
                    std::copy(&there[3 * t], &there[3 * t + 3], &at[3 * i]);
                } else {
                    change[k] *= 0.5;
                    again.push_back(k);
                }
            }
            trying = std::move(again);
        }
        std::vector<std::size_t> still;
        for (std::size_t i : open)
            if (miss(&at[3 * i], i) > labCloseEnough)
                still.push_back(i);
        open = std::move(still);
    }
    return guesses;
}

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

namespace {

// One round of the fit: the regularised least-squares problem over the
// free nodes, solved within their bounds, added to clut.
void fitRound(const FitPoints& points, const PrinterModel& model, const B2ATableAccess& table,
              const std::vector<double>& originalDevice, const std::vector<std::size_t>& freeNodes,
              const DeviceSolveSettings& solve, const LocalFitSettings& settings, std::vector<double>& clut,
              std::vector<char>& touched)
{
    const unsigned channels = table.channels();
    std::vector<std::size_t> around;
    std::vector<long> column(table.nodeCount(), -1);
    for (std::size_t k = 0; k < freeNodes.size(); ++k)
        column[freeNodes[k]] = long(k);
    const auto unknowns = static_cast<Eigen::Index>(freeNodes.size() * channels);
    std::vector<double> channelWeight(channels, 1.0);
    if (solve.blackChannel >= 0 && unsigned(solve.blackChannel) < channels)
        channelWeight[solve.blackChannel] = settings.blackWeight;

    // The least-squares problem, summed into its normal equations point by
    // point: 3 rows per point for the data, one per grid edge with a free
    // end and channel for smoothness (a fixed neighbour counts as
    // unchanged), one per unknown for size. A chart of many thousands of
    // patches never holds its rows.
    NormalEquations normal(channels, unknowns);
    double row[3][B2ATableAccess::simplexNodes * maxChannels];
    long columns[B2ATableAccess::simplexNodes];
    for (std::size_t i = 0; i < points.size(); ++i) {
        unsigned used = 0;
        for (unsigned v = 0; v < B2ATableAccess::simplexNodes; ++v) {
            const long col = column[points.corner[i * B2ATableAccess::simplexNodes + v]];
            if (col < 0)
                continue;
            const double w = points.rowWeight[i] * points.weight[i * B2ATableAccess::simplexNodes + v];
            for (unsigned c = 0; c < channels; ++c) {
                const double slope = table.outputSlope(c, points.value[i * channels + c]);
                for (int j = 0; j < 3; ++j)
                    row[j][used * channels + c] = w * slope * points.jacobian[(3 * i + j) * channels + c];
            }
            columns[used++] = col;
        }
        const double b[3] = {points.rowWeight[i] * points.want[3 * i], points.rowWeight[i] * points.want[3 * i + 1],
                             points.rowWeight[i] * points.want[3 * i + 2]};
        normal.addRows(columns, used, row, b);
    }
    const double smooth = settings.smooth * percent * percent;
    for (std::size_t k = 0; k < freeNodes.size(); ++k) {
        table.neighbours(freeNodes[k], around);
        for (std::size_t other : around) {
            const long col = column[other];
            if (col >= 0 && other < freeNodes[k])
                continue; // that edge came with the other node
            for (unsigned c = 0; c < channels; ++c) {
                const double weight = smooth * channelWeight[c] * channelWeight[c];
                normal.add(long(k), c, long(k), c, weight);
                if (col >= 0) {
                    normal.add(col, c, col, c, weight);
                    normal.add(std::min(long(k), col), c, std::max(long(k), col), c, -weight);
                }
            }
        }
    }
    const double size = settings.size * percent * percent;
    for (std::size_t k = 0; k < freeNodes.size(); ++k)
        for (unsigned c = 0; c < channels; ++c)
            normal.add(long(k), c, long(k), c, size * channelWeight[c] * channelWeight[c]);

    // Each change within the device range and the largest move from the
    // original table, in CLUT units. A change the solve takes beyond them
    // would be clipped afterwards and the patch lose it; pinned at its
    // bound, the other corners and the ring take over its share instead.
    Eigen::VectorXd lower(unknowns), upper(unknowns);
    for (std::size_t k = 0; k < freeNodes.size(); ++k) {
        const std::size_t node = freeNodes[k];
        for (unsigned c = 0; c < channels; ++c) {
            const double o = originalDevice[node * channels + c];
            const double p = table.clutValueOf(c, std::max(0.0, o - solve.maxMove));
            const double q = table.clutValueOf(c, std::min(1.0, o + solve.maxMove));
            const double now = clut[node * channels + c];
            lower(long(k * channels + c)) = std::min(p, q) - now;
            upper(long(k * channels + c)) = std::max(p, q) - now;
        }
    }
    // The size term keeps the normal equations positive definite.
    const Eigen::SparseMatrix<double> matrix = normal.matrix();
    const Eigen::VectorXd& gradient = normal.gradient();
    Eigen::VectorXd x = Eigen::VectorXd::Zero(unknowns), pinned = Eigen::VectorXd::Zero(unknowns);
    std::vector<char> open(std::size_t(unknowns), 1);
    Eigen::ConjugateGradient<Eigen::SparseMatrix<double>, Eigen::Lower | Eigen::Upper> solver;
    solver.setTolerance(solveTolerance);
    for (int round = 0; round < boundRounds; ++round) {
        // Pinned unknowns become identity rows holding their value.
        Eigen::SparseMatrix<double> system = matrix;
        Eigen::VectorXd rhs = gradient - matrix * pinned;
        for (Eigen::Index col = 0; col < system.outerSize(); ++col)
            for (Eigen::SparseMatrix<double>::InnerIterator it(system, col); it; ++it)
                if (!open[std::size_t(it.row())] || !open[std::size_t(it.col())])
                    it.valueRef() = it.row() == it.col() ? 1.0 : 0.0;
        for (Eigen::Index u = 0; u < unknowns; ++u)
            if (!open[std::size_t(u)])
                rhs(u) = pinned(u);
        solver.compute(system);
        x = solver.solveWithGuess(rhs, x);
        bool more = false;
        for (Eigen::Index u = 0; u < unknowns; ++u) {
            if (open[std::size_t(u)] && (x(u) > upper(u) + boundSlack || x(u) < lower(u) - boundSlack)) {
                pinned(u) = std::clamp(x(u), lower(u), upper(u));
                open[std::size_t(u)] = 0;
                more = true;
            }
        }
        if (!more)
            break;
    }

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

} // namespace

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
    const std::vector<double> originalClut = table.clut();
    const FitTargets chart{clutPositions(b2a, reference), std::move(start), wanted.device, std::vector<char>(n, 1), 1.0};

    // Unknowns: the CLUT changes of the patches' corners and the ring
    // around them; bare-paper nodes stay.
    std::vector<std::size_t> corners(n * B2ATableAccess::simplexNodes);
    double weights[B2ATableAccess::simplexNodes];
    for (std::size_t i = 0; i < n; ++i)
        table.simplex(&chart.positions[3 * i], &corners[i * B2ATableAccess::simplexNodes], weights);
    std::vector<double> nodeDevice(clut.size());
    table.device(clut.data(), nodeDevice.data(), table.nodeCount());
    std::vector<std::size_t> freeNodes = table.withRings(corners, table.ringsFor(settings.ringSpan));
    freeNodes.erase(std::remove_if(freeNodes.begin(), freeNodes.end(),
                                   [&](std::size_t node) {
                                       return model.barePaper(&nodeDevice[node * channels]);
                                   }),
                    freeNodes.end());
    if (freeNodes.empty())
        return; // every patch prints on bare paper
    const FitTargets anchors = settings.anchors > 0
                                   ? anchorTargets(model, field, table, b2a, originalClut, freeNodes, solve, settings)
                                   : FitTargets{};
    // The targets stay; each round linearises again at the table the last one left.
    for (int round = 0; round < settings.rounds; ++round) {
        FitPoints points;
        for (const FitTargets* t : {&chart, &anchors})
            if (!t->keep.empty())
                addPoints(points, model, table, originalClut, clut, t->positions, t->start, t->wanted, t->keep,
                          t->weight, solve.jacobianStep);
        fitRound(points, model, table, originalDevice, freeNodes, solve, settings, clut, touched);
    }
}
