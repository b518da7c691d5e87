#include "SmoothCorrection.h"

#include "B2ATableAccess.h"
#include "DeviceSolver.h"
#include "ErrorField.h"
#include "LocalFit.h"
#include "PrinterModel.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <tuple>

namespace {

constexpr int intentCount = 3;
constexpr unsigned maxDeviceChannels = 4;
// dE76 by which a node may miss its aim and still count as reached.
constexpr double outOfReach = 0.5;
// Ink below this in every channel is bare paper.
constexpr double paperInk = 1e-6;
// The ink limit sits just above the original table's highest total, so the
// nodes that make it are not pushed down by rounding.
constexpr double inkLimitSlack = 1e-6;
// Nodes solved between two progress reports.
constexpr std::size_t nodesPerReport = 4096;
// Shares of the progress: the node solve, then the local fit.
constexpr double solveShare = 0.9;
// The black channel of a CMYK device.
constexpr int cmykBlack = 3;

csSignature b2aSignature(int intent)
{
    const csSignature names[intentCount] = {csSig("B2A0"), csSig("B2A1"), csSig("B2A2")};
    return names[intent];
}

std::string b2aName(int intent)
{
    return "B2A" + std::to_string(intent);
}

SmoothOutcome refusal(const std::string& message)
{
    SmoothOutcome outcome;
    outcome.message = message;
    return outcome;
}

bool finite(const Lab& lab)
{
    return std::isfinite(lab.L) && std::isfinite(lab.a) && std::isfinite(lab.b);
}

std::vector<uint8_t> fileBytes(const csICCTag& tag)
{
    std::vector<uint8_t> bytes(tag.size());
    if (!bytes.empty())
        tag.copyFileBytes(bytes.data());
    return bytes;
}

// The parameters that would make the method meaningless or its solves singular.
std::string parameterProblem(const SmoothParameters& p)
{
    struct Check { const char* name; bool ok; };
    const Check checks[] = {
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
        {"local black weight", p.localBlackWeight > 0},
        {"local ring", p.localRing >= 0 && p.localRing <= 8},
        {"local device agreement", p.localSameDevice >= 0},
    };
    for (const Check& c : checks)
        if (!c.ok)
            return std::string("the ") + c.name + " parameter is out of range";
    return {};
}

// One distinct B2A table: the tags of the selected intents that hold it,
// the leader's converter, and the work on it.
struct TableGroup
{
    std::vector<int> intents; // the leader first
    std::vector<csICCmftTag*> tags;
    std::unique_ptr<csICCProfileConverter> b2a;
    std::unique_ptr<B2ATableAccess> access;
    std::vector<double> originalClut, originalDevice, printed;
    std::vector<char> paper;
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
    double device[maxDeviceChannels];
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

} // namespace

SmoothOutcome runSmoothCorrection(csICCProfile& profile, const std::vector<SmoothPatch>& patches,
                                  const SmoothParameters& parameters, const std::vector<int>& intents,
                                  const std::function<bool(double)>& progress)
{
    auto carryOn = [&progress](double fraction) { return !progress || progress(fraction); };
    const std::string stopped = "the correction was stopped; no table was changed";

    const std::string problem = parameterProblem(parameters);
    if (!problem.empty())
        return refusal(problem);
    if (patches.size() < 3)
        return refusal("at least 3 patches with reference and measured values are needed, " +
                       std::to_string(patches.size()) + " given");
    for (const SmoothPatch& p : patches)
        if (!finite(p.reference) || !finite(p.measured))
            return refusal("a patch has a reference or measured value that is not a number");

    const csICCProfileHeader& header = profile.header();
    const csICCTagTable& tags = profile.tagTable();
    if (header.pcs() != csSig("Lab "))
        return refusal("the profile's B2A tables do not take Lab (its PCS is not Lab)");
    if (!tags.contains(csSig("A2B1")) && !tags.contains(csSig("A2B0")))
        return refusal("the profile has no A2B1 or A2B0 table to model the printer");
    csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    if (a2b.init() != 0 || !a2b.interpolator())
        return refusal("the profile's A2B table cannot be evaluated");
    const unsigned channels = a2b.numInputChannels();
    if (channels < 1 || channels > maxDeviceChannels)
        return refusal("device spaces of " + std::to_string(channels) + " channels cannot be corrected");

    // The tables to correct; identical bytes make one group.
    for (int intent : intents) {
        if (intent < 0 || intent >= intentCount)
            return refusal("there is no B2A table for intent " + std::to_string(intent));
        if (!tags.contains(b2aSignature(intent)))
            return refusal("the profile has no " + b2aName(intent));
    }
    std::vector<int> selected;
    for (int intent = 0; intent < intentCount; ++intent) {
        const bool wanted = intents.empty() || std::find(intents.begin(), intents.end(), intent) != intents.end();
        if (wanted && tags.contains(b2aSignature(intent)))
            selected.push_back(intent);
    }
    if (selected.empty())
        return refusal("the profile has no B2A table");
    std::vector<std::unique_ptr<TableGroup>> groups;
    std::vector<std::vector<uint8_t>> groupBytes;
    // B2A1 leads its group: it is the table the chart was printed with.
    std::stable_sort(selected.begin(), selected.end(), [](int x, int y) { return (x == 1) > (y == 1); });
    for (int intent : selected) {
        csICCTag* tag = tags.find(b2aSignature(intent));
        if (!B2ATableAccess::serves(tag, channels))
            return refusal(b2aName(intent) + " is not a lut8/lut16 table from Lab to the " +
                           std::to_string(channels) + " device channels");
        std::vector<uint8_t> bytes = fileBytes(*tag);
        std::size_t g = 0;
        while (g < groups.size() && groupBytes[g] != bytes)
            ++g;
        if (g == groups.size()) {
            groups.push_back(std::make_unique<TableGroup>());
            groupBytes.push_back(std::move(bytes));
        }
        groups[g]->intents.push_back(intent);
        groups[g]->tags.push_back(static_cast<csICCmftTag*>(tag));
    }
    for (auto& group : groups) {
        group->b2a = std::make_unique<csICCProfileConverter>(&profile, csICCProfileConverter::BToA,
                                                             group->intents.front(),
                                                             csICCProfileConverter::AbsoluteStored);
        if (group->b2a->init() != 0 || !group->b2a->interpolator())
            return refusal(b2aName(group->intents.front()) + " cannot be evaluated");
    }
    csICCProfileConverter b2a1(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    if (b2a1.init() != 0 || !b2a1.interpolator())
        return refusal("the profile's B2A1 table cannot be evaluated");
    if (!carryOn(0.0))
        return refusal(stopped);

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
    ErrorField field(chart.reference, errors, decodeLabV4(white),
                           {parameters.fieldLength, parameters.fieldLWeight, parameters.fieldNoise,
                            parameters.fieldMinSpread, parameters.whiteNoise});

    // What every node prints now on the printer as profiled.
    std::vector<double> everyColour = labValues(chart.reference);
    std::size_t totalNodes = 0;
    for (auto& group : groups) {
        TableGroup& g = *group;
        g.access = std::make_unique<B2ATableAccess>(*g.tags.front());
        const std::size_t nodes = g.access->nodeCount();
        g.originalClut = g.access->clut();
        g.originalDevice.resize(g.originalClut.size());
        g.access->device(g.originalClut.data(), g.originalDevice.data(), nodes);
        g.printed.resize(3 * nodes);
        model.lab(g.originalDevice.data(), g.printed.data(), nodes);
        everyColour.insert(everyColour.end(), g.printed.begin(), g.printed.end());
        totalNodes += nodes;

        g.paper.assign(nodes, 1);
        double highestInk = 0;
        for (std::size_t n = 0; n < nodes; ++n) {
            double total = 0;
            for (unsigned c = 0; c < channels; ++c) {
                const double ink = model.ink(g.originalDevice[n * channels + c]);
                total += ink;
                if (ink >= paperInk)
                    g.paper[n] = 0;
            }
            highestInk = std::max(highestInk, total);
        }
        g.highestInk = highestInk;
        g.solve = {parameters.newtonIterations, parameters.newtonDamping, parameters.jacobianStep,
                   parameters.maxMove, parameters.freeBlackAbove};
        // The ink limit the profile was made with: only where device values are ink.
        if (model.paperAtZero())
            g.solve.inkLimit = highestInk + inkLimitSlack;
        if (header.colorSpace() == csSig("CMYK") && channels == maxDeviceChannels)
            g.solve.blackChannel = cmykBlack;
    }
    field.tabulate(everyColour.data(), everyColour.size() / 3);

    // Every node: aim at what the drifted printer needs to print the colour
    // the node prints now, and solve for it.
    std::size_t solvedNodes = 0;
    for (auto& group : groups) {
        TableGroup& g = *group;
        const std::size_t nodes = g.access->nodeCount();
        g.clut = g.originalClut;
        g.touched.assign(nodes, 0);
        int outOfReachCount = 0;
        std::size_t blackFreed = 0;
        for (std::size_t first = 0; first < nodes; first += nodesPerReport) {
            const std::size_t last = std::min(nodes, first + nodesPerReport);
            std::vector<double> aim(3 * (last - first));
            field.aim(&g.printed[3 * first], aim.data(), last - first, parameters.aimIterations);
            std::vector<std::size_t> moving;
            std::vector<double> start, target;
            for (std::size_t n = first; n < last; ++n) {
                const double* y = &aim[3 * (n - first)];
                const double* c = &g.printed[3 * n];
                const double shift = std::max({std::abs(y[0] - c[0]), std::abs(y[1] - c[1]), std::abs(y[2] - c[2])});
                if (g.paper[n] || !(shift > parameters.minShift))
                    continue;
                moving.push_back(n);
                start.insert(start.end(), &g.originalDevice[n * channels], &g.originalDevice[(n + 1) * channels]);
                target.insert(target.end(), y, y + 3);
            }
            const DeviceSolution solved = solveDevices(model, start, target, g.solve);
            blackFreed += solved.blackFreed;
            for (std::size_t k = 0; k < moving.size(); ++k) {
                const std::size_t n = moving[k];
                if (solved.miss[k] > outOfReach)
                    ++outOfReachCount;
                const double* d = &solved.device[k * channels];
                if (std::equal(d, d + channels, &g.originalDevice[n * channels]))
                    continue;
                for (unsigned c = 0; c < channels; ++c)
                    g.clut[n * channels + c] = g.access->clutValueOf(c, d[c]);
                g.touched[n] = 1;
            }
            solvedNodes += last - first;
            if (!carryOn(solveShare * solvedNodes / totalNodes))
                return refusal(stopped);
        }
        g.report.nodesOutOfReach = outOfReachCount;
        g.report.blackFreed = int(blackFreed);
    }

    if (parameters.localFit) {
        const LocalFitSettings local = {parameters.localKappa, parameters.localSmooth,    parameters.localSize,
                                        parameters.localBlackWeight, parameters.localRing, parameters.localSameDevice,
                                        parameters.aimIterations};
        for (std::size_t k = 0; k < groups.size(); ++k) {
            TableGroup& g = *groups[k];
            fitChart(model, field, *g.access, *g.b2a, g.originalDevice, chart, g.solve, local, g.clut, g.touched);
            if (!carryOn(solveShare + (1.0 - solveShare) * (k + 1) / groups.size()))
                return refusal(stopped);
        }
    }

    // The values as the tags will store them; nodes left alone keep their codes.
    for (auto& group : groups) {
        TableGroup& g = *group;
        std::vector<double> device(channels);
        for (std::size_t n = 0; n < g.access->nodeCount(); ++n) {
            if (!g.touched[n])
                continue;
            double* v = &g.clut[n * channels];
            double raw[maxDeviceChannels];
            std::copy(v, v + channels, raw);
            for (unsigned c = 0; c < channels; ++c)
                v[c] = g.access->quantised(v[c]);
            if (std::isfinite(g.solve.inkLimit))
                roundUnderInkLimit(*g.access, model, raw, v, g.highestInk);
            bool differs = false;
            for (unsigned c = 0; c < channels; ++c)
                differs = differs || v[c] != g.originalClut[n * channels + c];
            if (!differs)
                continue;
            g.changed.push_back(n);
            g.access->device(v, device.data(), 1);
            for (unsigned c = 0; c < channels; ++c)
                g.report.largestMove =
                    std::max(g.report.largestMove, std::abs(device[c] - g.originalDevice[n * channels + c]));
        }
    }
    if (!carryOn(1.0))
        return refusal(stopped);

    // Only now are the tags written.
    SmoothOutcome outcome;
    for (auto& group : groups) {
        TableGroup& g = *group;
        for (csICCmftTag* tag : g.tags) {
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
            outcome.tables.push_back(report);
        }
    }
    std::sort(outcome.tables.begin(), outcome.tables.end(),
              [](const SmoothTableReport& x, const SmoothTableReport& y) { return x.intent < y.intent; });

    // The model of the drifted printer at the new device values, plus what
    // it missed at each patch before.
    csICCProfileConverter corrected(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    corrected.init();
    const std::size_t n = chart.reference.size();
    const std::vector<double> newDevice = lookupDevice(corrected, chart.reference);
    std::vector<double> before(3 * n), after(3 * n), errorBefore(3 * n), errorAfter(3 * n);
    model.lab(chart.printedDevice.data(), before.data(), n);
    model.lab(newDevice.data(), after.data(), n);
    field.evaluate(before.data(), errorBefore.data(), n);
    field.evaluate(after.data(), errorAfter.data(), n);
    outcome.remaining.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const Lab& ref = chart.reference[k];
        const Lab& meas = chart.measured[k];
        const double* b = &before[3 * k];
        const double* a = &after[3 * k];
        const double* eb = &errorBefore[3 * k];
        const double* ea = &errorAfter[3 * k];
        // Grouped so that an unchanged table gives measured - reference exactly.
        outcome.remaining[order[k]] = {(meas.L - ref.L) + ((a[0] - b[0]) + (ea[0] - eb[0])),
                                       (meas.a - ref.a) + ((a[1] - b[1]) + (ea[1] - eb[1])),
                                       (meas.b - ref.b) + ((a[2] - b[2]) + (ea[2] - eb[2]))};
    }
    outcome.ok = true;
    return outcome;
}
