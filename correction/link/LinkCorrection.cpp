#include "LinkCorrection.h"

#include "DeviceField.h"
#include "DeviceSolver.h"
#include "LinkTableAccess.h"
#include "PrinterModel.h"
#include "PureInks.h"
#include "csICCProfile.h"
#include "csICCLutInterpolator.h"
#include "csICCProfileConverter.h"

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr double fullScale = 65535.0;
constexpr double outOfReach = 0.5;
constexpr std::size_t nodesPerReport = 4096;
constexpr double solveShare = 0.9;
// The chart fit's weights are stated per percent of the CLUT range.
constexpr double percent = 100.0;
constexpr double solveTolerance = 1e-7;
constexpr double noChange = 1e-9;

using C = csICCProfileConverter;

// Source values (0..1) through the link as it stands: printer values 0..1.
std::vector<double> throughLink(C& link, const std::vector<double>& sources)
{
    std::vector<double> in(sources.size()), out(sources.size() / link.numInputChannels() * link.numOutputChannels());
    for (std::size_t i = 0; i < sources.size(); ++i)
        in[i] = std::clamp(sources[i], 0.0, 1.0) * fullScale;
    link.convert(in.data(), out.data(), sources.size() / link.numInputChannels());
    for (double& v : out)
        v = std::clamp(v / fullScale, 0.0, 1.0);
    return out;
}

// What the printer as measured prints at device values: the model and the drift field.
std::vector<double> drifted(const PrinterModel& model, const DeviceField& drift, const std::vector<double>& device)
{
    const std::size_t n = device.size() / model.channels();
    std::vector<double> lab(3 * n);
    model.lab(device.data(), lab.data(), n);
    drift.addTo(device.data(), lab.data(), n);
    return lab;
}

struct Link
{
    std::unique_ptr<LinkTableAccess> table;
    std::vector<double> originalClut, originalDevice, clut, sources;
    std::vector<char> paper, touched;
    std::vector<int> pure;
    DeviceSolveSettings solve{};
    double highestInk = 0;
    SmoothTableReport report;
};

// The chart fit: a share of what the fields leave at each patch, over the
// nodes of the patches' cells and a ring around them, held smooth.
void fitChart(Link& g, const PrinterModel& model, const DeviceField& drift, const std::vector<double>& sources,
              const std::vector<double>& printedDevice, const std::vector<LinkPatch>& patches,
              const SmoothParameters& p, double chartSmooth, double chartSize)
{
    LinkTableAccess& table = *g.table;
    const unsigned channels = table.channels(), inputs = table.inputs(), corners = inputs + 1;
    const std::size_t n = patches.size();
    const std::vector<double> position = table.positions(sources);
    std::vector<std::size_t> corner(n * corners);
    std::vector<double> weight(n * corners), value(n * channels, 0.0), originalValue(n * channels, 0.0),
        current(n * channels), original(n * channels);
    for (std::size_t i = 0; i < n; ++i) {
        table.simplex(&position[i * inputs], &corner[i * corners], &weight[i * corners]);
        for (unsigned v = 0; v < corners; ++v)
            for (unsigned c = 0; c < channels; ++c) {
                const std::size_t node = corner[i * corners + v];
                value[i * channels + c] += weight[i * corners + v] * g.clut[node * channels + c];
                originalValue[i * channels + c] += weight[i * corners + v] * g.originalClut[node * channels + c];
            }
    }
    table.device(value.data(), current.data(), n);
    table.device(originalValue.data(), original.data(), n);
    for (std::size_t k = 0; k < current.size(); ++k)
        current[k] = std::clamp(printedDevice[k] + (current[k] - original[k]), 0.0, 1.0);
    std::vector<double> currentLab, J;
    labJacobians(model, current, p.jacobianStep, currentLab, J);
    drift.addTo(current.data(), currentLab.data(), n);
    const std::vector<double> before = drifted(model, drift, printedDevice);
    std::vector<double> want(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        const Lab& r = patches[i].reference;
        const Lab& m = patches[i].measured;
        const double predicted[3] = {m.L + currentLab[3 * i] - before[3 * i], m.a + currentLab[3 * i + 1] - before[3 * i + 1],
                                     m.b + currentLab[3 * i + 2] - before[3 * i + 2]};
        want[3 * i] = p.localKappa * (r.L - predicted[0]);
        want[3 * i + 1] = p.localKappa * (r.a - predicted[1]);
        want[3 * i + 2] = p.localKappa * (r.b - predicted[2]);
    }

    std::vector<std::size_t> freeNodes = table.withRings(corner, table.ringsFor(p.localRingSpan)), around;
    freeNodes.erase(std::remove_if(freeNodes.begin(), freeNodes.end(), [&](std::size_t node) { return g.paper[node]; }),
                    freeNodes.end());
    // One unknown per free node and channel it may change.
    std::vector<long> column(table.nodeCount() * channels, -1);
    long unknowns = 0;
    for (std::size_t node : freeNodes) {
        const unsigned held = g.pure.empty() ? 0 : heldChannelsFor(g.pure[node], channels);
        for (unsigned c = 0; c < channels; ++c)
            if (!(held >> c & 1u))
                column[node * channels + c] = unknowns++;
    }
    if (unknowns == 0)
        return;
    std::vector<double> channelWeight(channels, 1.0);
    if (g.solve.blackChannel >= 0)
        channelWeight[g.solve.blackChannel] = p.localBlackWeight;

    std::vector<Eigen::Triplet<double>> entries;
    long row = 0;
    for (std::size_t i = 0; i < n; ++i, row += 3)
        for (unsigned v = 0; v < corners; ++v) {
            const std::size_t node = corner[i * corners + v];
            for (unsigned c = 0; c < channels; ++c) {
                const long col = column[node * channels + c];
                if (col < 0)
                    continue;
                const double slope = table.outputSlope(c, value[i * channels + c]) * weight[i * corners + v];
                for (int j = 0; j < 3; ++j)
                    entries.emplace_back(row + j, col, slope * J[(3 * i + j) * channels + c]);
            }
        }
    const double smooth = std::sqrt(chartSmooth) * percent;
    for (std::size_t node : freeNodes) {
        table.neighbours(node, around);
        for (std::size_t other : around)
            for (unsigned c = 0; c < channels; ++c) {
                const long mine = column[node * channels + c], theirs = column[other * channels + c];
                if (mine < 0 || (theirs >= 0 && other < node))
                    continue; // held, or that edge came with the other node
                entries.emplace_back(row, mine, smooth * channelWeight[c]);
                if (theirs >= 0)
                    entries.emplace_back(row, theirs, -smooth * channelWeight[c]);
                ++row;
            }
    }
    const double size = std::sqrt(chartSize) * percent;
    for (std::size_t k = 0; k < column.size(); ++k)
        if (column[k] >= 0)
            entries.emplace_back(row++, column[k], size * channelWeight[k % channels]);

    Eigen::SparseMatrix<double> A(row, unknowns);
    A.setFromTriplets(entries.begin(), entries.end());
    Eigen::VectorXd b = Eigen::VectorXd::Zero(row);
    for (std::size_t r = 0; r < 3 * n; ++r)
        b(long(r)) = want[r];
    Eigen::LeastSquaresConjugateGradient<Eigen::SparseMatrix<double>> solver;
    solver.setTolerance(solveTolerance);
    solver.setMaxIterations(std::max<long>(unknowns, 1000));
    solver.compute(A);
    const Eigen::VectorXd x = solver.solve(b);

    bool free[csICCLutInterpolator::maxChannels];
    std::vector<double> moved(channels), dev(channels);
    for (std::size_t node : freeNodes) {
        double largest = 0;
        for (unsigned c = 0; c < channels; ++c) {
            const long col = column[node * channels + c];
            free[c] = col >= 0;
            moved[c] = g.clut[node * channels + c] + (col >= 0 ? x(col) : 0.0);
            largest = std::max(largest, col >= 0 ? std::abs(x(col)) : 0.0);
        }
        if (largest <= noChange)
            continue;
        for (double& v : moved)
            v = std::clamp(v, 0.0, 1.0);
        table.device(moved.data(), dev.data(), 1);
        limitDevice(model, dev.data(), &g.originalDevice[node * channels], p.maxMove, free, g.solve.inkLimit);
        for (unsigned c = 0; c < channels; ++c)
            if (free[c])
                g.clut[node * channels + c] = table.clutValueOf(c, dev[c]);
        g.touched[node] = 1;
    }
}

} // namespace

EngineText linkProblem(csICCProfile& link, csICCProfile& printer)
{
    if (link.header().deviceClass() != csSig("link"))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile is no device link"));
    C a2b0(&link, C::AToB, 0, C::Relative);
    if (a2b0.init() != 0 || !a2b0.interpolator() || !LinkTableAccess::serves(*a2b0.interpolator()))
        return EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "the device link's A2B0 is no table with a CLUT that Vestrel can correct"));
    if (printer.header().pcs() != csSig("Lab "))
        return EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "the printer profile's tables do not give Lab (its PCS is not Lab)"));
    C a2b1(&printer, C::AToB, 1, C::AbsoluteStored);
    if (a2b1.init() != 0 || !a2b1.interpolator())
        return EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "the printer profile has no A2B1 or A2B0 table to model the printer"));
    if (a2b1.numInputChannels() != a2b0.numOutputChannels())
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the device link gives %1 channels, the printer profile takes %2"),
                              std::to_string(a2b0.numOutputChannels()), std::to_string(a2b1.numInputChannels()));
    if (a2b0.numOutputChannels() > maxCorrectedChannels)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "device spaces of more than %1 channels cannot be corrected"),
                              std::to_string(maxCorrectedChannels));
    return {};
}

SmoothOutcome runLinkCorrection(csICCProfile& link, csICCProfile& printer, const std::vector<LinkPatch>& patches,
                                const LinkParameters& parameters, const std::function<bool(double)>& progress)
{
    auto carryOn = [&progress](double fraction) { return !progress || progress(fraction); };
    const EngineText stopped = correctionStopped();
    const SmoothParameters& p = parameters.smooth;
    EngineText problem = linkProblem(link, printer);
    if (!problem.empty())
        return SmoothOutcome::refused(problem);
    if (!(parameters.sourceLength > 0) || !(p.deviceLength > 0) || !(p.fieldNoise > 0) || !(p.whiteNoise > 0) ||
        !(parameters.chartSize > 0) || !(parameters.chartSmooth >= 0) || p.maxMove < 0 || !(p.localRingSpan >= 0) || p.localRingSpan > 0.5)
        return SmoothOutcome::refused(
            EngineText::of(QT_TRANSLATE_NOOP("Engine", "a parameter of the link correction is out of range")));
    if (patches.size() < 3)
        return SmoothOutcome::refused(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "at least 3 patches with source, reference and measured values are needed, "
                                        "%1 given"),
            std::to_string(patches.size())));
    C linkConverter(&link, C::AToB, 0, C::Relative);
    C a2b(&printer, C::AToB, 1, C::AbsoluteStored);
    linkConverter.init();
    a2b.init();
    const unsigned inputs = linkConverter.numInputChannels(), channels = linkConverter.numOutputChannels();
    std::vector<double> sources;
    std::vector<Lab> errors;
    for (const LinkPatch& patch : patches) {
        if (patch.source.size() != inputs)
            return SmoothOutcome::refused(EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "every patch needs %1 source values for the device link"),
                std::to_string(inputs)));
        if (!patch.reference.finite() || !patch.measured.finite() ||
            !std::all_of(patch.source.begin(), patch.source.end(), [](double v) { return std::isfinite(v); }))
            return SmoothOutcome::refused(
                EngineText::of(QT_TRANSLATE_NOOP("Engine", "a patch has a value that is not a number")));
        sources.insert(sources.end(), patch.source.begin(), patch.source.end());
        errors.push_back({patch.measured.L - patch.reference.L, patch.measured.a - patch.reference.a,
                          patch.measured.b - patch.reference.b});
    }
    if (!carryOn(0.0))
        return SmoothOutcome::refused(stopped);

    const PrinterModel model(a2b);
    const std::vector<double> printedDevice = throughLink(linkConverter, sources);
    // Two causes, told apart by the printer model: the printer prints the
    // link's values otherwise than its profile says (the drift of the inks,
    // a field over the printer's values, from the noisy measurement), and
    // the profile says otherwise than the source condition asks (what the
    // link itself misses, a field over the source values, known exactly at
    // the patches, which changes from cell to cell of the link).
    std::vector<double> modelled(3 * patches.size());
    model.lab(printedDevice.data(), modelled.data(), patches.size());
    std::vector<Lab> printerMiss(errors.size()), linkMiss(errors.size());
    for (std::size_t i = 0; i < errors.size(); ++i) {
        const Lab& r = patches[i].reference;
        const Lab& m = patches[i].measured;
        linkMiss[i] = {modelled[3 * i] - r.L, modelled[3 * i + 1] - r.a, modelled[3 * i + 2] - r.b};
        printerMiss[i] = {m.L - modelled[3 * i], m.a - modelled[3 * i + 1], m.b - modelled[3 * i + 2]};
    }
    const DeviceField drift(channels, printedDevice, printerMiss,
                            std::vector<double>(channels, model.deviceOfInk(0.0)),
                            {p.deviceLength, p.fieldNoise, p.fieldMinSpread, p.whiteNoise});
    const DeviceField own(inputs, sources, linkMiss, std::vector<double>(inputs, 0.0),
                          {parameters.sourceLength, parameters.sourceNoise, p.fieldMinSpread, p.whiteNoise});

    Link g;
    g.table = std::make_unique<LinkTableAccess>(*linkConverter.interpolator());
    LinkTableAccess& table = *g.table;
    const std::size_t nodes = table.nodeCount();
    g.originalClut = table.clut();
    g.originalDevice.resize(g.originalClut.size());
    table.device(g.originalClut.data(), g.originalDevice.data(), nodes);
    g.sources = table.nodeSources();
    NodeInks inks = nodeInks(model, g.originalDevice);
    g.paper = std::move(inks.paper);
    g.highestInk = inks.highestInk;
    g.solve = {p.newtonIterations, p.newtonDamping, p.jacobianStep, p.maxMove, p.freeBlackAbove};
    limitToOriginal(g.solve, model, g.highestInk, channels == 4);
    if (p.keepPure) {
        // A source of one ink keeps the link's other inks where they were;
        // otherwise a node that prints one ink keeps printing it alone.
        g.pure.resize(nodes);
        std::vector<double> ink(channels);
        for (std::size_t n = 0; n < nodes; ++n) {
            int pure = inputs == channels ? pureInkOf(&g.sources[n * inputs], inputs) : mixedInks;
            if (pure == mixedInks) {
                for (unsigned c = 0; c < channels; ++c)
                    ink[c] = model.ink(g.originalDevice[n * channels + c]);
                pure = pureInkOf(ink.data(), channels);
            }
            g.pure[n] = pure;
            g.report.pureNodes += pure != mixedInks && !g.paper[n];
        }
    }
    g.clut = g.originalClut;
    g.touched.assign(nodes, 0);

    // Each node aims at what the source condition asks for there: what it
    // printed before, less what the fields say the printer and the link miss.
    for (std::size_t first = 0; first < nodes; first += nodesPerReport) {
        const std::size_t last = std::min(nodes, first + nodesPerReport), count = last - first;
        // miss: what the link misses there; drifted: that and the drift at
        // the node's values, which the solve follows from there on.
        std::vector<double> printed(3 * count), miss(3 * count, 0.0), drifted(3 * count, 0.0);
        model.lab(&g.originalDevice[first * channels], printed.data(), count);
        own.addTo(&g.sources[first * inputs], miss.data(), count);
        drift.evaluate(&g.originalDevice[first * channels], drifted.data(), count);
        for (std::size_t k = 0; k < 3 * count; ++k)
            drifted[k] += miss[k];
        std::vector<std::size_t> moving;
        std::vector<double> start, target;
        std::vector<int> pure;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t n = first + k;
            const double shift =
                std::max({std::abs(drifted[3 * k]), std::abs(drifted[3 * k + 1]), std::abs(drifted[3 * k + 2])});
            if (g.paper[n] || !(shift > p.minShift))
                continue;
            moving.push_back(n);
            start.insert(start.end(), &g.originalDevice[n * channels], &g.originalDevice[(n + 1) * channels]);
            for (int j = 0; j < 3; ++j)
                target.push_back(printed[3 * k + j] - miss[3 * k + j]);
            pure.push_back(g.pure.empty() ? mixedInks : g.pure[n]);
        }
        // The drift followed through every step: a link's nodes move far,
        // where the drift is not what it was at the start.
        DeviceSolveSettings settings = g.solve;
        settings.drift = &drift;
        const DeviceSolution solved = solveKeepingPure(model, pure, start, target, settings);
        g.report.blackFreed += int(solved.blackFreed);
        for (std::size_t k = 0; k < moving.size(); ++k) {
            const std::size_t n = moving[k];
            if (solved.miss[k] > outOfReach)
                ++g.report.nodesOutOfReach;
            const double* d = &solved.device[k * channels];
            if (std::equal(d, d + channels, &g.originalDevice[n * channels]))
                continue;
            for (unsigned c = 0; c < channels; ++c)
                g.clut[n * channels + c] = table.clutValueOf(c, d[c]);
            g.touched[n] = 1;
        }
        if (!carryOn(solveShare * last / nodes))
            return SmoothOutcome::refused(stopped);
    }
    if (p.localFit)
        fitChart(g, model, drift, sources, printedDevice, patches, p, parameters.chartSmooth, parameters.chartSize);
    if (!g.pure.empty())
        restorePureNodes(g.pure, channels, g.originalClut, g.clut);
    if (!carryOn(1.0))
        return SmoothOutcome::refused(stopped);

    // Stored codes: nodes left alone keep theirs; rounding never lifts the
    // total ink over the original's highest.
    std::vector<std::size_t> changed;
    std::vector<double> device(channels);
    for (std::size_t n = 0; n < nodes; ++n) {
        if (!g.touched[n])
            continue;
        double* v = &g.clut[n * channels];
        for (unsigned c = 0; c < channels; ++c)
            v[c] = table.quantised(v[c]);
        table.device(v, device.data(), 1);
        double total = 0;
        for (unsigned c = 0; c < channels; ++c)
            total += model.ink(device[c]);
        for (unsigned c = 0; c < channels && std::isfinite(g.solve.inkLimit) && total > g.highestInk; ++c) {
            const double kept = v[c];
            for (double step : {-table.codeStep(), table.codeStep()}) {
                v[c] = std::clamp(kept + step, 0.0, 1.0);
                table.device(v, device.data(), 1);
                double other = 0;
                for (unsigned k = 0; k < channels; ++k)
                    other += model.ink(device[k]);
                if (other < total) {
                    total = other;
                    break;
                }
                v[c] = kept;
            }
        }
        if (std::equal(v, v + channels, &g.originalClut[n * channels]))
            continue;
        changed.push_back(n);
        table.device(v, device.data(), 1);
        for (unsigned c = 0; c < channels; ++c)
            g.report.largestMove = std::max(g.report.largestMove, std::abs(device[c] - g.originalDevice[n * channels + c]));
    }
    for (std::size_t n : changed)
        table.setNode(n, &g.clut[n * channels]);

    SmoothOutcome outcome;
    g.report.intent = 0;
    g.report.corrected = !changed.empty();
    g.report.nodes = int(nodes);
    g.report.nodesMoved = int(changed.size());
    outcome.tables.push_back(g.report);
    C after(&link, C::AToB, 0, C::Relative);
    after.init();
    const std::vector<double> now = drifted(model, drift, throughLink(after, sources));
    const std::vector<double> before = drifted(model, drift, printedDevice);
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const Lab& r = patches[i].reference;
        const Lab& m = patches[i].measured;
        outcome.remaining.push_back({(m.L - r.L) + (now[3 * i] - before[3 * i]), (m.a - r.a) + (now[3 * i + 1] - before[3 * i + 1]),
                                     (m.b - r.b) + (now[3 * i + 2] - before[3 * i + 2])});
    }
    outcome.ok = true;
    return outcome;
}
