#include "AbstractCorrection.h"

#include "ColorDifference.h"
#include "DeviceField.h"
#include "PrinterModel.h"
#include "SpectralColorimetry.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

namespace {

constexpr double fullScale = 65535.0;
// The Lab encodings of the two table types: lut16's legacy one (L* 100 at
// 0xFF00, a* b* 256 codes per unit) and version 4's.
constexpr double legacyLScale = 652.8, legacyABScale = 256.0;
constexpr double v4LScale = 655.35, v4ABScale = 257.0;
constexpr double abOffset = 128.0;
// The largest colour the converters take.
constexpr double largestL = 100.0, largestAB = 127.0;
// Lab differences below this (dE76) are rounding in a solve, not a shift.
constexpr double noShift = 1e-9;

struct Encoding
{
    double lScale, abScale;
    Lab decode(double code[3]) const
    {
        return {code[0] / lScale, code[1] / abScale - abOffset, code[2] / abScale - abOffset};
    }
    void encode(const Lab& lab, uint16_t* code) const
    {
        const double v[3] = {lab.L * lScale, (lab.a + abOffset) * abScale, (lab.b + abOffset) * abScale};
        for (int k = 0; k < 3; ++k)
            code[k] = uint16_t(std::lround(std::clamp(v[k], 0.0, fullScale)));
    }
};

std::vector<double> encoded(const std::vector<Lab>& labs)
{
    std::vector<double> v(3 * labs.size());
    for (std::size_t i = 0; i < labs.size(); ++i)
        encodeLabV4(labs[i], &v[3 * i]);
    return v;
}

std::vector<Lab> decoded(const std::vector<double>& v)
{
    std::vector<Lab> labs(v.size() / 3);
    for (std::size_t i = 0; i < labs.size(); ++i)
        labs[i] = decodeLabV4(&v[3 * i]);
    return labs;
}

// The converters work in place on their input: each call gets a copy.
std::vector<double> through(csICCProfileConverter& converter, std::vector<double> in, std::size_t count)
{
    std::vector<double> out(count * converter.numOutputChannels());
    converter.convert(in.data(), out.data(), count);
    return out;
}

Lab inRange(const Lab& x)
{
    return {std::clamp(x.L, 0.0, largestL), std::clamp(x.a, -largestAB, largestAB),
            std::clamp(x.b, -largestAB, largestAB)};
}

double distance(const Lab& x, const Lab& y)
{
    return std::sqrt((x.L - y.L) * (x.L - y.L) + (x.a - y.a) * (x.a - y.a) + (x.b - y.b) * (x.b - y.b));
}

// What the printer prints at device values (0..65535 a channel): A2B1,
// plus the drift over the device values where the measurement gave one.
// The two routes may reach a colour with different black; A2B1 alone
// says they print alike, the printer as measured may not.
class Prints
{
public:
    Prints(csICCProfileConverter& a2b, const DeviceField* drift) : a2b_(a2b), drift_(drift) {}

    std::vector<Lab> at(const std::vector<double>& device, std::size_t count) const
    {
        std::vector<Lab> lab = decoded(through(a2b_, device, count));
        if (!drift_ || count == 0)
            return lab;
        std::vector<double> unit(device.size()), error(3 * count);
        for (std::size_t i = 0; i < device.size(); ++i)
            unit[i] = device[i] / fullScale;
        drift_->evaluate(unit.data(), error.data(), count);
        for (std::size_t n = 0; n < count; ++n)
            lab[n] = {lab[n].L + error[3 * n], lab[n].a + error[3 * n + 1], lab[n].b + error[3 * n + 2]};
        return lab;
    }

private:
    csICCProfileConverter& a2b_;
    const DeviceField* drift_;
};

struct Steps
{
    std::vector<Lab> y;
    double meanMiss = 0, largestMiss = 0;
};

// For each colour x: the y that the original route prints, by A2B1, as
// the corrected route prints x; x itself where the routes agree. From x
// plus the difference of the prints, then steps on what the original
// route prints at y, keeping each colour's best. Beyond the gamut too:
// there the corrected table's own clipping is what the steps follow.
Steps askedFor(const std::vector<Lab>& asked, csICCProfileConverter& b2aOriginal, csICCProfileConverter& b2aCorrected,
               const Prints& prints, const AbstractSettings& settings)
{
    const std::size_t count = asked.size();
    const unsigned channels = b2aOriginal.numOutputChannels();
    const std::vector<double> lab = encoded(asked);
    const std::vector<double> deviceOriginal = through(b2aOriginal, lab, count);
    const std::vector<double> deviceCorrected = through(b2aCorrected, lab, count);
    std::vector<std::size_t> changed;
    for (std::size_t n = 0; n < count; ++n)
        for (unsigned c = 0; c < channels; ++c)
            if (std::abs(deviceCorrected[n * channels + c] - deviceOriginal[n * channels + c]) / fullScale >
                settings.unchanged) {
                changed.push_back(n);
                break;
            }
    std::vector<double> pickedOriginal, pickedCorrected;
    for (std::size_t n : changed) {
        pickedOriginal.insert(pickedOriginal.end(), &deviceOriginal[n * channels], &deviceOriginal[(n + 1) * channels]);
        pickedCorrected.insert(pickedCorrected.end(), &deviceCorrected[n * channels],
                               &deviceCorrected[(n + 1) * channels]);
    }
    const std::vector<Lab> wanted = prints.at(pickedCorrected, changed.size());
    const std::vector<Lab> given = prints.at(pickedOriginal, changed.size());
    std::vector<Lab> y(changed.size()), best(changed.size());
    std::vector<double> bestMiss(changed.size(), std::numeric_limits<double>::infinity());
    for (std::size_t k = 0; k < changed.size(); ++k) {
        const Lab& from = asked[changed[k]];
        y[k] = best[k] = inRange({from.L + wanted[k].L - given[k].L, from.a + wanted[k].a - given[k].a,
                                  from.b + wanted[k].b - given[k].b});
    }
    for (int step = 0; step < settings.steps && !changed.empty(); ++step) {
        const std::vector<Lab> printed = prints.at(through(b2aOriginal, encoded(y), y.size()), y.size());
        for (std::size_t k = 0; k < y.size(); ++k) {
            const double miss = distance(wanted[k], printed[k]);
            if (miss < bestMiss[k]) {
                bestMiss[k] = miss;
                best[k] = y[k];
            }
            y[k] = inRange({y[k].L + wanted[k].L - printed[k].L, y[k].a + wanted[k].a - printed[k].a,
                            y[k].b + wanted[k].b - printed[k].b});
        }
    }
    Steps out;
    out.y = asked;
    for (std::size_t k = 0; k < changed.size(); ++k) {
        out.y[changed[k]] = best[k];
        if (std::isfinite(bestMiss[k])) {
            out.meanMiss += bestMiss[k] / changed.size();
            out.largestMiss = std::max(out.largestMiss, bestMiss[k]);
        }
    }
    return out;
}

// Corners and weights of the tetrahedral interpolation at a position on
// the grid (0..points-1 per input, first input slowest).
void simplexOf(const double position[3], unsigned points, std::size_t corner[4], double weight[4])
{
    double fraction[3];
    std::size_t base = 0;
    const std::size_t stride[3] = {std::size_t(points) * points, points, 1};
    for (int k = 0; k < 3; ++k) {
        const double p = std::clamp(position[k], 0.0, double(points - 1));
        const unsigned cell = std::min(unsigned(p), points - 2);
        fraction[k] = p - cell;
        base += cell * stride[k];
    }
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&](int i, int j) { return fraction[i] > fraction[j]; });
    corner[0] = base;
    weight[0] = 1.0 - fraction[order[0]];
    for (int j = 0; j < 3; ++j) {
        corner[j + 1] = corner[j] + stride[order[j]];
        weight[j + 1] = fraction[order[j]] - (j < 2 ? fraction[order[j + 1]] : 0.0);
    }
}

// A colour the abstract profile must map to a given output, and how much
// that counts against the nodes' own values.
struct Anchor
{
    Lab at, output;
    double weight;
};

// The chart's colours as anchors: each gets the shift its own steps ask for.
// The corrected profile's chart fit changes its table from cell to cell, and
// the grid cannot follow that between its nodes.
std::vector<Anchor> chartAnchors(const std::vector<Lab>& chart, csICCProfileConverter& b2aOriginal,
                                 csICCProfileConverter& b2aCorrected, const Prints& prints,
                                 const AbstractSettings& settings)
{
    std::vector<Lab> asked;
    for (const Lab& x : chart)
        asked.push_back(inRange(x));
    const Steps steps = askedFor(asked, b2aOriginal, b2aCorrected, prints, settings);
    std::vector<Anchor> anchors;
    for (std::size_t i = 0; i < chart.size(); ++i) {
        const Lab& y = steps.y[i];
        anchors.push_back({chart[i], {chart[i].L + y.L - asked[i].L, chart[i].a + y.a - asked[i].a,
                                      chart[i].b + y.b - asked[i].b}, 1.0});
    }
    return anchors;
}

// The nodes of the anchors' cells, fitted so that interpolation gives what
// each anchor asks for, each node held near its own value.
void fitAtAnchors(const std::vector<Anchor>& anchors, const Encoding& encoding, unsigned points,
                  const AbstractSettings& settings, std::vector<Lab>& result)
{
    const std::size_t count = anchors.size();
    std::vector<std::size_t> corners(4 * count);
    std::vector<double> weights(4 * count);
    std::vector<long> column(result.size(), -1);
    std::vector<std::size_t> free;
    for (std::size_t i = 0; i < count; ++i) {
        const Lab& at = anchors[i].at;
        const double code[3] = {at.L * encoding.lScale, (at.a + abOffset) * encoding.abScale,
                                (at.b + abOffset) * encoding.abScale};
        double position[3];
        for (int k = 0; k < 3; ++k)
            position[k] = code[k] / fullScale * (points - 1);
        simplexOf(position, points, &corners[4 * i], &weights[4 * i]);
        for (int v = 0; v < 4; ++v)
            if (column[corners[4 * i + v]] < 0) {
                column[corners[4 * i + v]] = long(free.size());
                free.push_back(corners[4 * i + v]);
            }
    }
    const long unknowns = long(free.size());
    Eigen::SparseMatrix<double> A(long(count) + unknowns, unknowns);
    std::vector<Eigen::Triplet<double>> entries;
    Eigen::MatrixXd b = Eigen::MatrixXd::Zero(long(count) + unknowns, 3);
    for (std::size_t i = 0; i < count; ++i) {
        const Anchor& anchor = anchors[i];
        for (int v = 0; v < 4; ++v)
            entries.emplace_back(long(i), column[corners[4 * i + v]], anchor.weight * weights[4 * i + v]);
        b(long(i), 0) = anchor.weight * anchor.output.L;
        b(long(i), 1) = anchor.weight * anchor.output.a;
        b(long(i), 2) = anchor.weight * anchor.output.b;
    }
    for (long k = 0; k < unknowns; ++k) {
        const long row = long(count) + k;
        entries.emplace_back(row, k, settings.nodeWeight);
        const Lab& own = result[free[std::size_t(k)]];
        b(row, 0) = settings.nodeWeight * own.L;
        b(row, 1) = settings.nodeWeight * own.a;
        b(row, 2) = settings.nodeWeight * own.b;
    }
    A.setFromTriplets(entries.begin(), entries.end());
    const Eigen::SparseMatrix<double> normal = A.transpose() * A;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> solver(normal);
    if (solver.info() != Eigen::Success)
        return;
    const Eigen::MatrixXd solved = solver.solve(Eigen::MatrixXd(A.transpose() * b));
    for (long k = 0; k < unknowns; ++k) {
        const Lab fitted{solved(k, 0), solved(k, 1), solved(k, 2)};
        // Rounding in the solve is no shift: an unchanged table stays the identity.
        Lab& node = result[free[std::size_t(k)]];
        if (distance(fitted, node) > noShift)
            node = fitted;
    }
}

// The drift over the device values: each chart colour's measured error
// beyond what A2B1 says its printed device values print.
std::unique_ptr<DeviceField> fitDrift(const std::vector<Lab>& chart, const std::vector<Lab>& measured,
                                      csICCProfileConverter& b2aOriginal, csICCProfileConverter& a2b,
                                      const AbstractSettings& settings)
{
    if (chart.empty() || measured.size() != chart.size())
        return nullptr;
    const unsigned channels = b2aOriginal.numOutputChannels();
    const std::vector<double> device = through(b2aOriginal, encoded(chart), chart.size());
    const std::vector<Lab> printed = decoded(through(a2b, device, chart.size()));
    std::vector<double> unit(device.size());
    for (std::size_t i = 0; i < device.size(); ++i)
        unit[i] = device[i] / fullScale;
    std::vector<Lab> errors(chart.size());
    for (std::size_t i = 0; i < chart.size(); ++i)
        errors[i] = {measured[i].L - printed[i].L, measured[i].a - printed[i].a, measured[i].b - printed[i].b};
    const std::vector<double> paper(channels, PrinterModel(a2b).deviceOfInk(0.0));
    return std::make_unique<DeviceField>(channels, unit, errors, paper, settings.drift);
}

} // namespace

AbstractOutcome correctionAsAbstract(csICCProfile& original, csICCProfile& corrected, const AbstractSettings& settings,
                                     const std::vector<Lab>& chart, const std::vector<Lab>& measured)
{
    AbstractOutcome outcome;
    using C = csICCProfileConverter;
    C b2aOriginal(&original, C::BToA, 1, C::AbsoluteStored), b2aCorrected(&corrected, C::BToA, 1, C::AbsoluteStored),
        a2b(&original, C::AToB, 1, C::AbsoluteStored);
    if (b2aOriginal.init() != 0 || b2aCorrected.init() != 0 || a2b.init() != 0 ||
        *b2aOriginal.inputSpace() != csSig("Lab ") ||
        b2aOriginal.numOutputChannels() != b2aCorrected.numOutputChannels()) {
        outcome.message = EngineText::of(QT_TRANSLATE_NOOP(
            "Engine", "the profile's B2A1 and A2B1 tables from and to Lab are needed for an abstract profile"));
        return outcome;
    }
    if (settings.gridPoints < 2 || settings.gridPoints > 255) {
        outcome.message =
            EngineText::of(QT_TRANSLATE_NOOP("Engine", "the grid of an abstract profile has 2 to 255 points"));
        return outcome;
    }
    const unsigned points = settings.gridPoints;
    const bool v4 = original.header().majorVersion() >= 4;
    const Encoding encoding = v4 ? Encoding{v4LScale, v4ABScale} : Encoding{legacyLScale, legacyABScale};

    csICCClutTable table;
    table.gridPoints = points;
    const std::size_t nodes = table.nodeCount();
    std::vector<Lab> x(nodes), asked(nodes);
    for (std::size_t n = 0; n < nodes; ++n) {
        double code[3];
        std::size_t rest = n;
        for (int k = 2; k >= 0; --k, rest /= points)
            code[k] = double(rest % points) * fullScale / (points - 1);
        x[n] = encoding.decode(code);
        asked[n] = inRange(x[n]);
    }

    const std::unique_ptr<DeviceField> drift = fitDrift(chart, measured, b2aOriginal, a2b, settings);
    const Prints prints(a2b, drift.get());
    const Steps steps = askedFor(asked, b2aOriginal, b2aCorrected, prints, settings);
    outcome.meanMiss = steps.meanMiss;
    outcome.largestMiss = steps.largestMiss;
    std::vector<Lab> result(nodes);
    for (std::size_t n = 0; n < nodes; ++n) {
        // Beyond the range the converters take the shift is that of its edge.
        const Lab& y = steps.y[n];
        result[n] = {x[n].L + y.L - asked[n].L, x[n].a + y.a - asked[n].a, x[n].b + y.b - asked[n].b};
    }
    std::vector<Anchor> anchors = chartAnchors(chart, b2aOriginal, b2aCorrected, prints, settings);
    // The paper white maps to itself: the nodes around it may carry a shift
    // of the light tints next to it, which interpolation would lend it.
    const double* white = a2b.mediaWhite();
    const Lab paper = xyzToLab({white[0] * 100.0, white[1] * 100.0, white[2] * 100.0});
    anchors.push_back({paper, paper, settings.paperWeight});
    fitAtAnchors(anchors, encoding, points, settings, result);
    for (std::size_t n = 0; n < nodes; ++n) {
        const double shift = distance(result[n], x[n]);
        outcome.largestShift = std::max(outcome.largestShift, shift);
        outcome.nodesShifted += shift > 0;
    }
    table.nodes.resize(3 * nodes);
    for (std::size_t n = 0; n < nodes; ++n)
        encoding.encode(result[n], &table.nodes[3 * n]);
    outcome.profile = csAbstractProfile(original.header().majorVersion(), table);
    if (!outcome.profile)
        outcome.message = EngineText::of(QT_TRANSLATE_NOOP("Engine", "the abstract profile could not be made"));
    return outcome;
}
