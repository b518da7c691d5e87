#include "JointPatchCorrection.h"

#include "B2ATableAccess.h"
#include "DeviceField.h"
#include "PrinterModel.h"
#include "csCLUTCube.h"
#include "csICCPCS.h"
#include "csICCProfileConverter.h"

#include <Eigen/Sparse>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

constexpr unsigned simplexNodes = B2ATableAccess::simplexNodes;
constexpr double fullScale = 65535.0;
// Finite-difference step of the A2B1 gradient, in 16-bit device codes.
constexpr double gradientStep = 10.0;
// Node changes are weighed in percent of the CLUT range.
constexpr double percent = 100.0;
// The drift field's prior: at least this spread, and the bare paper held this tightly at no drift.
constexpr double driftMinSpread = 0.5;
constexpr double driftPaperNoise = 0.05;

Lab labOf(const rfloat v[3])
{
    return {v[0] / csICCPCS::labV4LScale, (v[1] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale,
            (v[2] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale};
}

double length(const Lab& d)
{
    return std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
}

Lab minus(const Lab& x, const Lab& y)
{
    return {x.L - y.L, x.a - y.a, x.b - y.b};
}

// One patch as the solve sees it: where it reads the table, and what the
// table gave it when the chart was printed.
struct Site
{
    uint16_t pcs[3] = {};
    std::size_t corner[simplexNodes] = {};
    double weight[simplexNodes] = {};
    std::array<std::size_t, csCLUTCube::corners> cell = {};
    Lab printed = {0, 0, 0}; // the model's print of the device values as printed
    Lab error = {0, 0, 0};   // measured - reference
    rfloat device[csCLUTCube::maxOutputs] = {}; // as printed, 16-bit codes
};

class Solve
{
public:
    Solve(csICCProfileConverter& b2a1, csICCProfileConverter& a2b1, csICCTag& tag,
          const std::vector<JointPatch>& patches, const JointPatchSettings& settings,
          const JointPatchProgress& progress)
        : b2a1_(b2a1), a2b1_(a2b1), access_(tag), patches_(patches), settings_(settings), progress_(progress),
          channels_(access_.channels()), opened_(access_.clut()), clut_(opened_)
    {
        findings_ = locate();
        if (settings_.driftLength > 0 && !sites_.empty())
            fitDrift();
        for (std::size_t i = 0; i < sites_.size(); ++i)
            sites_[i].printed = modelled(sites_[i].printed, sites_[i].device);
    }

    JointPatchResult run()
    {
        std::vector<std::size_t> selected;
        for (std::size_t i = 0; i < patches_.size(); ++i)
            if (patches_[i].selected)
                selected.push_back(i);
        freeNodes(selected);
        JointPatchResult result;
        result.findings = findings_;
        // A step per pass and one for the check.
        const std::size_t steps = std::size_t(std::max(settings_.passes, 0)) + 1;
        for (int pass = 0; pass < settings_.passes && !free_.empty(); ++pass) {
            if (progress_ && !progress_(std::size_t(pass), steps)) {
                result.stopped = true;
                return result;
            }
            if (!step(selected))
                break;
        }
        if (progress_ && !progress_(steps - 1, steps)) {
            result.stopped = true;
            return result;
        }
        result.nodesScaled = scaleBackHarm();
        result.remaining.resize(patches_.size());
        for (std::size_t i = 0; i < patches_.size(); ++i)
            result.remaining[i] = predicted(i);
        for (std::size_t node : free_)
            if (!std::equal(&clut_[node * channels_], &clut_[(node + 1) * channels_], &opened_[node * channels_]))
                ++result.nodesMoved;
        if (progress_)
            progress_(steps, steps);
        return result;
    }

private:
    unsigned locate()
    {
        csCLUTCube cube(&b2a1_, &a2b1_);
        const std::size_t strides[3] = {std::size_t(access_.gridPoints(1)) * access_.gridPoints(2),
                                        access_.gridPoints(2), 1};
        sites_.resize(patches_.size());
        for (std::size_t i = 0; i < patches_.size(); ++i) {
            Site& s = sites_[i];
            const Lab& r = patches_[i].reference;
            cube.setReference(r.L, r.a, r.b);
            s.pcs[0] = cube.absCol().L;
            s.pcs[1] = cube.absCol().a;
            s.pcs[2] = cube.absCol().b;
            const double position[3] = {double(cube.preCLUT()[0]), double(cube.preCLUT()[1]),
                                        double(cube.preCLUT()[2])};
            access_.simplex(position, s.corner, s.weight);
            // The simplex starts at the cell's lowest corner.
            for (int c = 0; c < csCLUTCube::corners; ++c)
                s.cell[c] = s.corner[0] + ((c >> 2) & 1) * strides[0] + ((c >> 1) & 1) * strides[1] +
                            (c & 1) * strides[2];
            s.printed = lab(i, s.device);
            s.error = minus(patches_[i].measured, r);
        }
        return cube.findings();
    }

    // A2B1 of what B2A1 gives patch i now; its device values in device.
    Lab lab(std::size_t i, rfloat* device = nullptr) const
    {
        uint16_t in[3] = {sites_[i].pcs[0], sites_[i].pcs[1], sites_[i].pcs[2]};
        uint16_t out[csCLUTCube::maxOutputs] = {};
        b2a1_.convert(in, out, 1);
        rfloat d[csCLUTCube::maxOutputs] = {};
        std::copy(out, out + channels_, d);
        rfloat v[3];
        a2b1_.convert(d, v, 1);
        if (device)
            std::copy(d, d + channels_, device);
        return labOf(v);
    }

    // The drift as a field over the device values (what the measurement
    // shows beyond A2B1, measured - A2B1 of the printed values): an ink
    // that fades changes the print of a move by less than A2B1 says, and
    // the field's slope tells by how much.
    void fitDrift()
    {
        std::vector<double> devices;
        std::vector<Lab> drift;
        for (std::size_t i = 0; i < sites_.size(); ++i) {
            for (unsigned c = 0; c < channels_; ++c)
                devices.push_back(sites_[i].device[c] / fullScale);
            drift.push_back(minus(patches_[i].measured, sites_[i].printed));
        }
        const std::vector<double> paper(channels_, PrinterModel(a2b1_).deviceOfInk(0.0));
        drift_ = std::make_unique<DeviceField>(
            channels_, devices, drift, paper,
            DeviceFieldSettings{settings_.driftLength, settings_.driftNoise, driftMinSpread, driftPaperNoise});
    }

    // What the printer prints at device codes whose A2B1 colour is lab.
    Lab modelled(const Lab& lab, const rfloat* device) const
    {
        if (!drift_)
            return lab;
        double d[csCLUTCube::maxOutputs], e[3];
        for (unsigned c = 0; c < channels_; ++c)
            d[c] = device[c] / fullScale;
        drift_->evaluate(d, e, 1);
        return {lab.L + e[0], lab.a + e[1], lab.b + e[2]};
    }

    Lab print(std::size_t i, rfloat* device = nullptr) const
    {
        rfloat d[csCLUTCube::maxOutputs];
        const Lab a2b = lab(i, d);
        if (device)
            std::copy(d, d + channels_, device);
        return modelled(a2b, d);
    }

    Lab predicted(std::size_t i) const
    {
        const Lab now = print(i);
        const Site& s = sites_[i];
        return {s.error.L + now.L - s.printed.L, s.error.a + now.a - s.printed.a, s.error.b + now.b - s.printed.b};
    }

    // Lab per 16-bit device code: gradient[channel][L, a, b].
    void gradient(const rfloat* device, double g[][3]) const
    {
        rfloat x[csCLUTCube::maxOutputs];
        rfloat base[3];
        std::copy(device, device + channels_, x);
        a2b1_.convert(x, base, 1);
        const Lab b = modelled(labOf(base), x);
        for (unsigned c = 0; c < channels_; ++c) {
            std::copy(device, device + channels_, x);
            const double offset = x[c] <= fullScale - gradientStep ? gradientStep : -gradientStep;
            x[c] += offset;
            rfloat out[3];
            a2b1_.convert(x, out, 1);
            const Lab moved = modelled(labOf(out), x);
            g[c][0] = (moved.L - b.L) / offset;
            g[c][1] = (moved.a - b.a) / offset;
            g[c][2] = (moved.b - b.b) / offset;
        }
    }

    void freeNodes(const std::vector<std::size_t>& selected)
    {
        for (std::size_t i : selected)
            free_.insert(free_.end(), sites_[i].cell.begin(), sites_[i].cell.end());
        std::sort(free_.begin(), free_.end());
        free_.erase(std::unique(free_.begin(), free_.end()), free_.end());
        column_.assign(access_.nodeCount(), -1);
        for (std::size_t k = 0; k < free_.size(); ++k)
            column_[free_[k]] = long(k);
    }

    // One linearised solve of the selected patches' aims over the free
    // nodes; false when it asked for no change.
    bool step(const std::vector<std::size_t>& selected)
    {
        std::vector<Eigen::Triplet<double>> entries;
        std::vector<double> want;
        long row = 0;
        for (std::size_t i : selected) {
            const Site& s = sites_[i];
            rfloat device[csCLUTCube::maxOutputs];
            const Lab now = print(i, device);
            double g[csCLUTCube::maxOutputs][3];
            gradient(device, g);
            // Aim: the printed colour moved against the measured error.
            want.push_back(s.printed.L - s.error.L - now.L);
            want.push_back(s.printed.a - s.error.a - now.a);
            want.push_back(s.printed.b - s.error.b - now.b);
            double value[csCLUTCube::maxOutputs] = {};
            for (unsigned v = 0; v < simplexNodes; ++v)
                for (unsigned c = 0; c < channels_; ++c)
                    value[c] += s.weight[v] * clut_[s.corner[v] * channels_ + c];
            for (unsigned v = 0; v < simplexNodes; ++v) {
                if (s.weight[v] <= 0)
                    continue;
                const long col = column_[s.corner[v]];
                for (unsigned c = 0; c < channels_; ++c) {
                    const double perUnit = s.weight[v] * access_.outputSlope(c, value[c]) * fullScale;
                    for (int j = 0; j < 3; ++j)
                        entries.emplace_back(row + j, col * channels_ + c, perUnit * g[c][j]);
                }
            }
            row += 3;
        }
        const double smooth = std::sqrt(settings_.smooth) * percent;
        std::vector<std::size_t> around;
        for (std::size_t k = 0; k < free_.size(); ++k) {
            access_.neighbours(free_[k], around);
            for (std::size_t other : around) {
                const long col = column_[other];
                if (col < 0 || other < free_[k])
                    continue;
                for (unsigned c = 0; c < channels_; ++c, ++row) {
                    entries.emplace_back(row, long(k * channels_ + c), smooth);
                    entries.emplace_back(row, col * channels_ + c, -smooth);
                }
            }
        }
        const long unknowns = long(free_.size() * channels_);
        const double size = std::sqrt(settings_.size) * percent;
        for (long u = 0; u < unknowns; ++u, ++row)
            entries.emplace_back(row, u, size);

        Eigen::SparseMatrix<double> A(row, unknowns);
        A.setFromTriplets(entries.begin(), entries.end());
        Eigen::VectorXd b = Eigen::VectorXd::Zero(row);
        for (std::size_t r = 0; r < want.size(); ++r)
            b(long(r)) = want[r];
        const Eigen::SparseMatrix<double> normal = A.transpose() * A;
        Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> solver(normal);
        if (solver.info() != Eigen::Success)
            return false;
        const Eigen::VectorXd x = solver.solve(A.transpose() * b);
        if (solver.info() != Eigen::Success || !x.allFinite())
            return false;

        bool changed = false;
        for (std::size_t k = 0; k < free_.size(); ++k) {
            const std::size_t node = free_[k];
            double values[csCLUTCube::maxOutputs];
            for (unsigned c = 0; c < channels_; ++c) {
                const double start = opened_[node * channels_ + c];
                const double v = std::clamp(clut_[node * channels_ + c] + x(long(k * channels_ + c)),
                                            start - settings_.largestMove, start + settings_.largestMove);
                values[c] = access_.quantised(std::clamp(v, 0.0, 1.0));
                changed = changed || values[c] != clut_[node * channels_ + c];
            }
            write(node, values);
        }
        wanted_ = clut_;
        return changed;
    }

    void write(std::size_t node, const double* values)
    {
        std::copy(values, values + channels_, &clut_[node * channels_]);
        access_.setNode(node, values);
    }

    // Node k at the given share of its move.
    void scaleNode(std::size_t node, double share)
    {
        double values[csCLUTCube::maxOutputs];
        for (unsigned c = 0; c < channels_; ++c) {
            const double start = opened_[node * channels_ + c];
            values[c] = access_.quantised(start + share * (wanted_[node * channels_ + c] - start));
        }
        write(node, values);
    }

    bool worse(std::size_t i) const
    {
        return length(predicted(i)) > length(sites_[i].error) + settings_.worseBy;
    }

    // Halves the moves of the nodes of every patch predicted worse than
    // measured, then takes them back whole, until no patch is worse.
    std::size_t scaleBackHarm()
    {
        if (wanted_.empty())
            return 0;
        std::vector<double> share(access_.nodeCount(), 1.0);
        std::vector<int> halvings(access_.nodeCount(), 0);
        std::vector<char> scaled(access_.nodeCount(), 0);
        for (;;) {
            std::vector<std::size_t> nodes;
            for (std::size_t i = 0; i < patches_.size(); ++i) {
                if (!worse(i))
                    continue;
                for (unsigned v = 0; v < simplexNodes; ++v)
                    if (sites_[i].weight[v] > 0 && column_[sites_[i].corner[v]] >= 0 && share[sites_[i].corner[v]] > 0)
                        nodes.push_back(sites_[i].corner[v]);
            }
            std::sort(nodes.begin(), nodes.end());
            nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
            if (nodes.empty())
                break;
            for (std::size_t node : nodes) {
                share[node] = ++halvings[node] > settings_.scaleSteps ? 0.0 : share[node] / 2;
                scaled[node] = 1;
                scaleNode(node, share[node]);
            }
        }
        return std::size_t(std::count(scaled.begin(), scaled.end(), 1));
    }

    csICCProfileConverter& b2a1_;
    csICCProfileConverter& a2b1_;
    B2ATableAccess access_;
    const std::vector<JointPatch>& patches_;
    const JointPatchSettings& settings_;
    const JointPatchProgress& progress_;
    const unsigned channels_;
    const std::vector<double> opened_;
    std::vector<double> clut_;
    std::vector<double> wanted_;
    std::vector<Site> sites_;
    std::unique_ptr<DeviceField> drift_;
    unsigned findings_ = 0;
    std::vector<std::size_t> free_;
    std::vector<long> column_;
};

} // namespace

JointPatchResult correctPatchesJointly(csICCProfileConverter& b2a1, csICCProfileConverter& a2b1, csICCTag& tag,
                                       const std::vector<JointPatch>& patches, const JointPatchSettings& settings,
                                       const JointPatchProgress& progress)
{
    return Solve(b2a1, a2b1, tag, patches, settings, progress).run();
}
