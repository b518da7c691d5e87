#include "SmoothCorrection.h"

#include "B2ATableAccess.h"
#include "DeviceField.h"
#include "DeviceSolver.h"
#include "ErrorField.h"
#include "LocalFit.h"
#include "PrinterModel.h"
#include "PureInks.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmABTag.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <tuple>

namespace {

constexpr int intentCount = 3;
// dE76 by which a node may miss its aim and still count as reached.
constexpr double outOfReach = 0.5;
// Nodes solved between two progress reports.
constexpr std::size_t nodesPerReport = 4096;
// Shares of the progress: the node solve, then the local fit.
constexpr double solveShare = 0.9;

std::string b2aName(int intent)
{
    return "B2A" + std::to_string(intent);
}

std::vector<uint8_t> fileBytes(const csICCTag& tag)
{
    std::vector<uint8_t> bytes(tag.size());
    if (!bytes.empty())
        tag.copyFileBytes(bytes.data());
    return bytes;
}

// The parameters that would make the method meaningless or its solves singular.
EngineText parameterProblem(const SmoothParameters& p)
{
    struct Check { const char* name; bool ok; };
    const Check checks[] = {
        {"device field length", p.deviceLength >= 0},
        {"field length", p.fieldLength > 0},
        {"L* weight", p.fieldLWeight > 0},
        {"noise", p.fieldNoise > 0},
        {"smallest spread", p.fieldMinSpread >= 0},
        {"white noise", p.whiteNoise > 0},
        {"aim iterations", p.aimIterations >= 0},
        {"iterations", p.newtonIterations >= 0},
        {"damping", p.newtonDamping > 0},
        {"Jacobian step", p.jacobianStep > 0 && p.jacobianStep < 0.5},
        {"largest move", p.maxMove >= 0},
        {"black threshold", p.freeBlackAbove >= 0},
        {"smallest shift", p.minShift >= 0},
        {"local share", p.localKappa >= 0},
        {"local smoothness", p.localSmooth >= 0},
        {"local size", p.localSize > 0},
        {"local anchors", p.localAnchors >= 0},
        {"local black weight", p.localBlackWeight > 0},
        {"local ring span", p.localRingSpan >= 0 && p.localRingSpan <= 0.5},
        {"local device agreement", p.localSameDevice >= 0},
        {"local rounds", p.localRounds >= 1 && p.localRounds <= 8},
        {"own-colour share", p.localOwnShare >= 0 && p.localOwnShare <= 1},
    };
    for (const Check& c : checks)
        if (!c.ok)
            return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the %1 parameter is out of range"), c.name);
    return {};
}

// One distinct B2A table: the tags of the selected intents that hold it,
// the leader's converter, and the work on it.
struct TableGroup
{
    std::vector<int> intents; // the leader first
    std::vector<csICCTag*> tags;
    std::unique_ptr<csICCProfileConverter> b2a;
    std::unique_ptr<B2ATableAccess> access;
    std::vector<double> originalClut, originalDevice, printed;
    std::vector<char> paper;
    std::vector<int> pure; // per node with keepPure: its one ink, or mixedInks
    double highestInk = 0;
    DeviceSolveSettings solve{};

    std::vector<double> clut;
    std::vector<char> touched;
    std::vector<std::size_t> changed;
    SmoothTableReport report;
};

// Rounding to the tag's codes may lift a node's total ink a little over
// the original's highest: channels take the code on the other side then,
// as long as that lowers the total.
void roundUnderInkLimit(const B2ATableAccess& table, const PrinterModel& model, const double* raw, double* values,
                        double limit)
{
    const unsigned channels = table.channels();
    double device[maxCorrectedChannels];
    auto totalInk = [&]() {
        table.device(values, device, 1);
        double total = 0;
        for (unsigned c = 0; c < channels; ++c)
            total += model.ink(device[c]);
        return total;
    };
    double total = totalInk();
    for (unsigned c = 0; c < channels && total > limit; ++c) {
        const double kept = values[c];
        values[c] = std::clamp(kept + (kept >= raw[c] ? -table.codeStep() : table.codeStep()), 0.0, 1.0);
        const double other = totalInk();
        if (other < total)
            total = other;
        else
            values[c] = kept;
    }
}

std::vector<double> labValues(const std::vector<Lab>& labs)
{
    std::vector<double> v(3 * labs.size());
    for (std::size_t i = 0; i < labs.size(); ++i) {
        v[3 * i] = labs[i].L;
        v[3 * i + 1] = labs[i].a;
        v[3 * i + 2] = labs[i].b;
    }
    return v;
}

// Why the inputs cannot be corrected, before anything is converted; empty
// when they can.
EngineText inputProblem(const csICCProfile& profile, const std::vector<SmoothPatch>& patches,
                         const SmoothParameters& parameters, const std::vector<int>& intents)
{
    EngineText problem = parameterProblem(parameters);
    if (!problem.empty())
        return problem;
    if (patches.size() < 3)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "at least 3 patches with reference and measured values are "
                                                          "needed, %1 given"),
                              std::to_string(patches.size()));
    for (const SmoothPatch& p : patches)
        if (!p.reference.finite() || !p.measured.finite())
            return EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "a patch has a reference or measured value that is not a number"));
    const csICCTagTable& tags = profile.tagTable();
    if (profile.header().pcs() != csSig("Lab "))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile's B2A tables do not take Lab (its PCS is not Lab)"));
    if (!tags.contains(csSig("A2B1")) && !tags.contains(csSig("A2B0")))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile has no A2B1 or A2B0 table to model the printer"));
    for (int intent : intents) {
        if (intent < 0 || intent >= intentCount)
            return EngineText::of(QT_TRANSLATE_NOOP("Engine", "there is no B2A table for intent %1"),
                                  std::to_string(intent));
        if (!tags.contains(b2aSignature(intent)))
            return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile has no %1"), b2aName(intent));
    }
    return {};
}

// The B2A tags of the selected intents, one group per distinct table; B2A1
// leads its group, as the table the chart was printed with. A table of
// curves and a matrix alone has no nodes to correct: it is left as it is,
// with a report in leftAlone, unless it is B2A1. Empty with a message in
// problem when a table cannot be corrected.
std::vector<std::unique_ptr<TableGroup>> groupTables(csICCProfile& profile, unsigned channels,
                                                     const std::vector<int>& intents,
                                                     std::vector<SmoothTableReport>& leftAlone, EngineText& problem)
{
    std::vector<int> selected;
    for (int intent : {1, 0, 2}) {
        const bool wanted = intents.empty() || std::find(intents.begin(), intents.end(), intent) != intents.end();
        if (wanted && profile.tagTable().contains(b2aSignature(intent)))
            selected.push_back(intent);
    }
    std::vector<std::unique_ptr<TableGroup>> groups;
    std::vector<std::vector<uint8_t>> groupBytes;
    for (int intent : selected) {
        csICCTag* tag = profile.tagTable().find(b2aSignature(intent));
        const auto* lutBA = dynamic_cast<const csICCmABTag*>(tag);
        if (lutBA && lutBA->bToA() && !lutBA->hasClut()) {
            const EngineText why = EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "%1 has no CLUT (only curves and a matrix), and the Smooth method corrects "
                                            "CLUT nodes"),
                b2aName(intent));
            if (intent == 1) {
                problem = why;
                return {};
            }
            SmoothTableReport report;
            report.intent = intent;
            report.leftAlone = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1; it was left as it was"), why);
            leftAlone.push_back(report);
            continue;
        }
        if (!B2ATableAccess::serves(tag, channels)) {
            problem = EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "%1 is not a lookup table with a CLUT from Lab to the %2 device channels"),
                b2aName(intent), std::to_string(channels));
            return {};
        }
        std::vector<uint8_t> bytes = fileBytes(*tag);
        std::size_t g = 0;
        while (g < groups.size() && groupBytes[g] != bytes)
            ++g;
        if (g == groups.size()) {
            groups.push_back(std::make_unique<TableGroup>());
            groupBytes.push_back(std::move(bytes));
        }
        groups[g]->intents.push_back(intent);
        groups[g]->tags.push_back(tag);
    }
    for (auto& group : groups) {
        group->b2a = std::make_unique<csICCProfileConverter>(&profile, csICCProfileConverter::BToA,
                                                             group->intents.front(),
                                                             csICCProfileConverter::AbsoluteStored);
        if (group->b2a->init() != 0 || !group->b2a->interpolator()) {
            problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 cannot be evaluated"),
                                     b2aName(group->intents.front()));
            return {};
        }
    }
    if (groups.empty())
        problem = leftAlone.empty() ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile has no B2A table"))
                                    : leftAlone.front().leftAlone;
    return groups;
}

// A group's table as it stands: its values, what each node prints on the
// printer as profiled, the bare-paper nodes and the ink limit the profile
// was made with (only where device values are ink).
void readTable(TableGroup& g, const PrinterModel& model, const SmoothParameters& parameters, bool cmyk)
{
    const unsigned channels = model.channels();
    g.access = std::make_unique<B2ATableAccess>(*g.tags.front());
    const std::size_t nodes = g.access->nodeCount();
    g.originalClut = g.access->clut();
    g.originalDevice.resize(g.originalClut.size());
    g.access->device(g.originalClut.data(), g.originalDevice.data(), nodes);
    g.printed.resize(3 * nodes);
    model.lab(g.originalDevice.data(), g.printed.data(), nodes);
    NodeInks inks = nodeInks(model, g.originalDevice);
    g.paper = std::move(inks.paper);
    g.highestInk = inks.highestInk;
    g.solve = {parameters.newtonIterations, parameters.newtonDamping, parameters.jacobianStep, parameters.maxMove,
               parameters.freeBlackAbove};
    limitToOriginal(g.solve, model, g.highestInk, cmyk);
    g.clut = g.originalClut;
    g.touched.assign(nodes, 0);
    if (parameters.keepPure) {
        g.pure = pureInks(model, g.originalDevice, channels);
        for (std::size_t n = 0; n < nodes; ++n)
            g.report.pureNodes += g.pure[n] != mixedInks && !g.paper[n];
    }
}

// The drift as the Smooth method models it: the device field first, the
// Lab field over what it leaves.
struct DriftFields
{
    std::unique_ptr<DeviceField> device; // none when deviceLength is 0
    std::unique_ptr<ErrorField> lab;
};

// errors[i] belongs to the patch printed with device values
// printedDevice[i], at Lab position at[i].
DriftFields fitDrift(const PrinterModel& model, const std::vector<double>& printedDevice, const std::vector<Lab>& at,
                     const std::vector<Lab>& errors, const Lab& paperWhite, const SmoothParameters& p)
{
    const unsigned channels = model.channels();
    DriftFields fields;
    std::vector<Lab> rest = errors;
    if (p.deviceLength > 0) {
        const std::vector<double> paper(channels, model.deviceOfInk(0.0));
        fields.device = std::make_unique<DeviceField>(
            channels, printedDevice, errors, paper,
            DeviceFieldSettings{p.deviceLength, p.fieldNoise, p.fieldMinSpread, p.whiteNoise});
        std::vector<double> explained(3 * errors.size());
        fields.device->evaluate(printedDevice.data(), explained.data(), errors.size());
        for (std::size_t i = 0; i < errors.size(); ++i)
            rest[i] = {errors[i].L - explained[3 * i], errors[i].a - explained[3 * i + 1],
                       errors[i].b - explained[3 * i + 2]};
    }
    fields.lab = std::make_unique<ErrorField>(
        at, rest, paperWhite, ErrorFieldSettings{p.fieldLength, p.fieldLWeight, p.fieldNoise, p.fieldMinSpread, p.whiteNoise});
    return fields;
}

// The device field fades out towards the paper white as the Lab field does
// (its kernel from the white): the highlights the chart leaves out lie next
// to the paper in Lab but a few percent of ink away from it, where the
// device field still follows the lightest tints.
void taperAtWhite(const double* lab, const Lab& white, const SmoothParameters& p, double* error)
{
    const double dL = p.fieldLWeight * (lab[0] - white.L), da = lab[1] - white.a, db = lab[2] - white.b;
    const double share = 1.0 - std::exp(-0.5 * (dL * dL + da * da + db * db) / (p.fieldLength * p.fieldLength));
    for (int k = 0; k < 3; ++k)
        error[k] *= share;
}

std::vector<int> pureOf(const std::vector<std::size_t>& nodes, const std::vector<int>& pure)
{
    std::vector<int> each(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k)
        each[k] = pure[nodes[k]];
    return each;
}

// Nodes first..last: aim at what the drifted printer needs to print the
// colour each node prints now (the Lab field's aim, less the device field at
// the node's values), and solve for it.
void solveNodes(TableGroup& g, std::size_t first, std::size_t last, const PrinterModel& model,
                const ErrorField& field, const Lab& white, const SmoothParameters& parameters)
{
    const unsigned channels = model.channels();
    std::vector<double> aim(3 * (last - first)), drift(3 * (last - first), 0.0);
    field.aim(&g.printed[3 * first], aim.data(), last - first, parameters.aimIterations);
    if (g.solve.drift)
        g.solve.drift->evaluate(&g.originalDevice[first * channels], drift.data(), last - first);
    std::vector<std::size_t> moving;
    std::vector<double> start, target;
    for (std::size_t n = first; n < last; ++n) {
        const double* y = &aim[3 * (n - first)];
        const double* c = &g.printed[3 * n];
        double* e = &drift[3 * (n - first)];
        taperAtWhite(c, white, parameters, e);
        const double shift = std::max(
            {std::abs(y[0] - c[0] - e[0]), std::abs(y[1] - c[1] - e[1]), std::abs(y[2] - c[2] - e[2])});
        if (g.paper[n] || !(shift > parameters.minShift))
            continue;
        moving.push_back(n);
        start.insert(start.end(), &g.originalDevice[n * channels], &g.originalDevice[(n + 1) * channels]);
        const double t[3] = {y[0] - e[0], y[1] - e[1], y[2] - e[2]};
        target.insert(target.end(), t, t + 3);
    }
    // The device field enters at the node's own values: following it through
    // every step costs half the run again and gains nothing measurable
    // between the patches; the local fit follows it at the patches.
    DeviceSolveSettings settings = g.solve;
    settings.drift = nullptr;
    const DeviceSolution solved = g.pure.empty() ? solveDevices(model, start, target, settings)
                                                 : solveKeepingPure(model, pureOf(moving, g.pure), start, target, settings);
    g.report.blackFreed += int(solved.blackFreed);
    for (std::size_t k = 0; k < moving.size(); ++k) {
        const std::size_t n = moving[k];
        if (solved.miss[k] > outOfReach)
            ++g.report.nodesOutOfReach;
        const double* d = &solved.device[k * channels];
        if (std::equal(d, d + channels, &g.originalDevice[n * channels]))
            continue;
        for (unsigned c = 0; c < channels; ++c)
            g.clut[n * channels + c] = g.access->clutValueOf(c, d[c]);
        g.touched[n] = 1;
    }
}

// The values as the tag will store them; nodes left alone keep their codes.
void roundTable(TableGroup& g, const PrinterModel& model)
{
    const unsigned channels = model.channels();
    double device[maxCorrectedChannels];
    for (std::size_t n = 0; n < g.access->nodeCount(); ++n) {
        if (!g.touched[n])
            continue;
        double* v = &g.clut[n * channels];
        double raw[maxCorrectedChannels];
        std::copy(v, v + channels, raw);
        for (unsigned c = 0; c < channels; ++c)
            v[c] = g.access->quantised(v[c]);
        if (std::isfinite(g.solve.inkLimit))
            roundUnderInkLimit(*g.access, model, raw, v, g.highestInk);
        if (std::equal(v, v + channels, &g.originalClut[n * channels]))
            continue;
        g.changed.push_back(n);
        g.access->device(v, device, 1);
        for (unsigned c = 0; c < channels; ++c)
            g.report.largestMove =
                std::max(g.report.largestMove, std::abs(device[c] - g.originalDevice[n * channels + c]));
    }
}

// Writes the group's changed nodes into every tag of it, and reports each.
void writeTables(const TableGroup& g, unsigned channels, std::vector<SmoothTableReport>& reports)
{
    for (csICCTag* tag : g.tags) {
        B2ATableAccess access(*tag);
        for (std::size_t n : g.changed)
            access.setNode(n, &g.clut[n * channels]);
    }
    for (std::size_t k = 0; k < g.intents.size(); ++k) {
        SmoothTableReport report = g.report;
        report.intent = g.intents[k];
        report.corrected = !g.changed.empty();
        report.sharedWith = k == 0 ? std::string() : b2aName(g.intents.front());
        report.nodes = int(g.access->nodeCount());
        report.nodesMoved = int(g.changed.size());
        reports.push_back(report);
    }
}

// The model of the drifted printer at the device values B2A1 gives now,
// plus what it missed at each patch before, less the reference.
std::vector<Lab> remainingErrors(csICCProfile& profile, const PrinterModel& model, const ErrorField& field,
                                 const DeviceField* drift, const ChartPatches& chart)
{
    csICCProfileConverter corrected(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    corrected.init();
    const std::size_t n = chart.reference.size();
    const std::vector<double> device = lookupDevice(corrected, chart.reference);
    std::vector<double> before(3 * n), after(3 * n), errorBefore(3 * n), errorAfter(3 * n);
    model.lab(chart.printedDevice.data(), before.data(), n);
    model.lab(device.data(), after.data(), n);
    field.evaluate(before.data(), errorBefore.data(), n);
    field.evaluate(after.data(), errorAfter.data(), n);
    if (drift) {
        drift->addTo(chart.printedDevice.data(), errorBefore.data(), n);
        drift->addTo(device.data(), errorAfter.data(), n);
    }
    std::vector<Lab> remaining(n);
    for (std::size_t k = 0; k < n; ++k) {
        const Lab& ref = chart.reference[k];
        const Lab& meas = chart.measured[k];
        const double* b = &before[3 * k];
        const double* a = &after[3 * k];
        const double* eb = &errorBefore[3 * k];
        const double* ea = &errorAfter[3 * k];
        // Grouped so that an unchanged table gives measured - reference exactly.
        remaining[k] = {(meas.L - ref.L) + ((a[0] - b[0]) + (ea[0] - eb[0])),
                        (meas.a - ref.a) + ((a[1] - b[1]) + (ea[1] - eb[1])),
                        (meas.b - ref.b) + ((a[2] - b[2]) + (ea[2] - eb[2]))};
    }
    return remaining;
}

} // namespace

EngineText correctionStopped()
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the correction was stopped; no table was changed"));
}

SmoothOutcome runSmoothCorrection(csICCProfile& profile, const std::vector<SmoothPatch>& patches,
                                  const SmoothParameters& parameters, const std::vector<int>& intents,
                                  const std::function<bool(double)>& progress)
{
    auto carryOn = [&progress](double fraction) { return !progress || progress(fraction); };
    const EngineText stopped = correctionStopped();

    EngineText problem = inputProblem(profile, patches, parameters, intents);
    if (!problem.empty())
        return SmoothOutcome::refused(problem);
    csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    if (a2b.init() != 0 || !a2b.interpolator())
        return SmoothOutcome::refused(
            EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile's A2B table cannot be evaluated")));
    const unsigned channels = a2b.numInputChannels();
    if (channels < 1 || channels > maxCorrectedChannels)
        return SmoothOutcome::refused(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "device spaces of %1 channels cannot be corrected"), std::to_string(channels)));
    std::vector<SmoothTableReport> leftAlone;
    std::vector<std::unique_ptr<TableGroup>> groups = groupTables(profile, channels, intents, leftAlone, problem);
    if (groups.empty())
        return SmoothOutcome::refused(problem);
    csICCProfileConverter b2a1(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    if (b2a1.init() != 0 || !b2a1.interpolator())
        return SmoothOutcome::refused(
            EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile's B2A1 table cannot be evaluated")));
    if (!carryOn(0.0))
        return SmoothOutcome::refused(stopped);

    // The patches in one canonical order, so that the order they come in
    // changes nothing.
    std::vector<std::size_t> order(patches.size());
    std::iota(order.begin(), order.end(), 0);
    auto key = [&patches](std::size_t i) {
        const SmoothPatch& p = patches[i];
        return std::make_tuple(p.reference.L, p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b);
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return key(x) < key(y); });
    ChartPatches chart;
    std::vector<Lab> errors;
    for (std::size_t i : order) {
        const SmoothPatch& p = patches[i];
        chart.reference.push_back(p.reference);
        chart.measured.push_back(p.measured);
        errors.push_back({p.measured.L - p.reference.L, p.measured.a - p.reference.a, p.measured.b - p.reference.b});
    }
    chart.printedDevice = lookupDevice(b2a1, chart.reference);

    const PrinterModel model(a2b);
    double white[3];
    encodeLabV4({100.0, 0.0, 0.0}, white);
    a2b.PCSToAbs(white, 1);
    const Lab paperWhite = decodeLabV4(white);
    const DriftFields fields = fitDrift(model, chart.printedDevice, chart.reference, errors, paperWhite, parameters);
    const DeviceField* drift = fields.device.get();
    ErrorField& field = *fields.lab;
    // The drift alone, for the colours held between the patches: measured
    // less what the profile says the printed device values print.
    DriftFields driftOnly;
    if (parameters.localFit && parameters.localAnchors > 0 && parameters.localOwnShare > 0) {
        std::vector<double> printed(3 * errors.size());
        model.lab(chart.printedDevice.data(), printed.data(), errors.size());
        std::vector<Lab> at(errors.size()), miss(errors.size());
        for (std::size_t i = 0; i < errors.size(); ++i) {
            at[i] = {printed[3 * i], printed[3 * i + 1], printed[3 * i + 2]};
            miss[i] = {chart.measured[i].L - at[i].L, chart.measured[i].a - at[i].a, chart.measured[i].b - at[i].b};
        }
        driftOnly = fitDrift(model, chart.printedDevice, at, miss, paperWhite, parameters);
    }

    // The field is asked for near the colours the nodes and patches print.
    const bool cmyk = profile.header().colorSpace() == csSig("CMYK") && channels == maxCorrectedChannels;
    std::vector<double> everyColour = labValues(chart.reference);
    std::size_t totalNodes = 0;
    for (auto& group : groups) {
        readTable(*group, model, parameters, cmyk);
        group->solve.drift = drift;
        everyColour.insert(everyColour.end(), group->printed.begin(), group->printed.end());
        totalNodes += group->access->nodeCount();
    }
    field.tabulate(everyColour.data(), everyColour.size() / 3);
    if (driftOnly.lab)
        driftOnly.lab->tabulate(everyColour.data(), everyColour.size() / 3);

    std::size_t solvedNodes = 0;
    for (auto& group : groups) {
        const std::size_t nodes = group->access->nodeCount();
        for (std::size_t first = 0; first < nodes; first += nodesPerReport) {
            const std::size_t last = std::min(nodes, first + nodesPerReport);
            solveNodes(*group, first, last, model, field, paperWhite, parameters);
            solvedNodes += last - first;
            if (!carryOn(solveShare * solvedNodes / totalNodes))
                return SmoothOutcome::refused(stopped);
        }
    }
    if (parameters.localFit) {
        LocalFitSettings local = {parameters.localKappa,       parameters.localSmooth, parameters.localSize,
                                  parameters.localBlackWeight, parameters.localRingSpan, parameters.localSameDevice,
                                  parameters.aimIterations,    parameters.localAnchors};
        local.driftOnly = driftOnly.lab.get();
        local.deviceDriftOnly = driftOnly.device.get();
        local.ownShare = parameters.localOwnShare;
        local.rounds = parameters.localRounds;
        for (std::size_t k = 0; k < groups.size(); ++k) {
            TableGroup& g = *groups[k];
            fitChart(model, field, *g.access, *g.b2a, g.originalDevice, chart, g.solve, local, g.clut, g.touched);
            if (!g.pure.empty())
                restorePureNodes(g.pure, channels, g.originalClut, g.clut);
            if (!carryOn(solveShare + (1.0 - solveShare) * double(k + 1) / double(groups.size())))
                return SmoothOutcome::refused(stopped);
        }
    }
    for (auto& group : groups)
        roundTable(*group, model);
    if (!carryOn(1.0))
        return SmoothOutcome::refused(stopped);

    // Only now are the tags written.
    SmoothOutcome outcome;
    for (const auto& group : groups)
        writeTables(*group, channels, outcome.tables);
    outcome.tables.insert(outcome.tables.end(), leftAlone.begin(), leftAlone.end());
    std::sort(outcome.tables.begin(), outcome.tables.end(),
              [](const SmoothTableReport& x, const SmoothTableReport& y) { return x.intent < y.intent; });
    const std::vector<Lab> remaining = remainingErrors(profile, model, field, drift, chart);
    outcome.remaining.resize(remaining.size());
    for (std::size_t k = 0; k < remaining.size(); ++k)
        outcome.remaining[order[k]] = remaining[k];
    outcome.ok = true;
    return outcome;
}
