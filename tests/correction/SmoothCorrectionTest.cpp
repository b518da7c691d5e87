#include "B2ATableAccess.h"
#include "DeviceSolver.h"
#include "ErrorField.h"
#include "LocalFit.h"
#include "PrinterModel.h"
#include "SmoothCorrection.h"
#include "TestCharts.h"
#include "TestSupport.h"
#include "LutBuilder.h"
#include "V4Profiles.h"
#include "csICCLutInterpolator.h"
#include "csICCmABInterpolator.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

const SmoothParameters defaults;

struct LoadedProfile
{
    explicit LoadedProfile(const std::vector<uint8_t>& bytes)
    {
        EXPECT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    }
    explicit LoadedProfile(const std::string& name, V4Tables tables = V4Tables::None)
        : LoadedProfile(testProfile(name, tables))
    {
    }
    std::vector<uint8_t> written()
    {
        std::vector<uint8_t> block;
        profile.writeToMemory(block);
        return block;
    }
    csICCProfile profile;
};

struct Case
{
    const char* profile;
    V4Tables tables;
    const char* ref;
    const char* meas;
};
const Case cases[] = {
    {"cmyk_v2.icc", V4Tables::None, "cmyk_ref.txt", "cmyk_meas.txt"},    // lut16 tables shared by all intents
    {"rgb_v2_lut8.icc", V4Tables::None, "rgb_ref.txt", "rgb_meas.txt"}, // lut8 B2A1, lut16 B2A0/B2A2
    // 'mBA ': parametric curves and a matrix before a CLUT of 33x29x31 nodes
    {"cmyk_v2.icc", V4Tables::Reshaped, "cmyk_ref.txt", "cmyk_meas.txt"},
};

TEST(B2ATableAccess, InterpolatesAndInvertsAsTheConverterEvaluates)
{
    // Output curves read as tables agree to rounding; a parametric one,
    // sampled, to a fraction of a code.
    auto check = [](const std::string& what, csICCLutInterpolator& lut, double tolerance) {
        ASSERT_TRUE(B2ATableAccess::serves(lut.tag(), lut.numOutputs())) << what;
        const B2ATableAccess table(*lut.tag());
        const std::vector<double> clut = table.clut();
        const unsigned channels = table.channels();
        std::mt19937 random(5);
        std::uniform_real_distribution<double> code(0.0, 65535.0);
        for (int i = 0; i < 200; ++i) {
            // Grid points, the ends of the range and anywhere in a cell.
            double position[3];
            for (unsigned k = 0; k < 3; ++k) {
                const double last = table.gridPoints(k) - 1;
                position[k] = i % 5 == 0 ? std::round(code(random) / 65535.0 * last) * 65535.0 / last : code(random);
            }
            std::size_t nodes[B2ATableAccess::simplexNodes];
            double weights[B2ATableAccess::simplexNodes], value[4] = {}, ours[4], theirs[4];
            table.simplex(position, nodes, weights);
            for (unsigned v = 0; v < B2ATableAccess::simplexNodes; ++v)
                for (unsigned c = 0; c < channels; ++c)
                    value[c] += weights[v] * clut[nodes[v] * channels + c];
            table.device(value, ours, 1);
            lut.clutStage(position, theirs, 1);
            lut.afterClut(theirs, 1);
            // The inverse may land elsewhere on a flat stretch, never on another device value.
            double inverse[4], again[4];
            for (unsigned c = 0; c < channels; ++c)
                inverse[c] = table.clutValueOf(c, ours[c]);
            table.device(inverse, again, 1);
            for (unsigned c = 0; c < channels; ++c) {
                EXPECT_NEAR(ours[c], theirs[c] / 65535.0, tolerance) << what << " " << i;
                EXPECT_NEAR(again[c], ours[c], 1e-9) << what << " " << i;
            }
        }
    };

    struct Table { const char* file; V4Tables tables; int intent; };
    const Table tables[] = {
        {"cmyk_v2.icc", V4Tables::None, 1},      // lut16
        {"rgb_v2_lut8.icc", V4Tables::None, 1},  // lut8
        {"rgb_v2_lut8.icc", V4Tables::None, 0},  // lut16
        {"cmyk_v2.icc", V4Tables::Reshaped, 1},  // 'mBA ', a grid of its own per input
        {"rgb_v2_lut8.icc", V4Tables::Same, 1},  // 'mBA ' from lut8
    };
    for (const auto& [file, v4, intent] : tables) {
        LoadedProfile loaded(file, v4);
        csICCProfileConverter b2a(&loaded.profile, csICCProfileConverter::BToA, intent, csICCProfileConverter::Relative);
        ASSERT_EQ(b2a.init(), 0);
        check(file, *b2a.interpolator(), 1e-12);
    }

    // 8-bit nodes; A curves of no entries, gamma 2.2 as "para", no entries.
    std::vector<uint8_t> bytes = buildLutAB({true, 3, 3, {5, 3, 4}, 1, true, {}, {}}, countingNode);
    const uint32_t aCurves = csGetUInt32(&bytes[28]);
    csSetS15Fixed16(&bytes[aCurves + csICCcurvTag::headerSize + 12], 2.2);
    csICCmABTag tag(csSig("B2A1"), static_cast<uint32_t>(bytes.size()), bytes.data());
    csICCmABInterpolator lut(&tag);
    check("built 'mBA '", lut, 1e-5);
}

TEST(ErrorField, ConstantErrorNearThePatchesFadingFarAwayAndAtWhite)
{
    const Lab error = {2.0, -1.5, 1.0}, white = {95.0, 0.5, -2.0};
    std::vector<Lab> points, errors;
    for (double L = 30; L <= 70; L += 10)
        for (double a = -30; a <= 30; a += 15)
            for (double b = -30; b <= 30; b += 15) {
                points.push_back({L, a, b});
                errors.push_back(error);
            }
    ErrorField field(points, errors, white, {20, 1.5, 0.3, 0.5, 0.05});
    struct Probe { Lab at; double share; double tolerance; };
    const Probe probes[] = {
        {{50, 0, 0}, 1.0, 0.05},    // among the patches
        {{42, 7, -12}, 1.0, 0.05},  // between them
        {{50, 0, 130}, 0.0, 0.02},  // far away: the prior mean
        {{95, 0.5, -2}, 0.0, 0.05}, // the paper white is held at zero
    };
    std::vector<double> labs;
    for (const Probe& p : probes)
        labs.insert(labs.end(), {p.at.L, p.at.a, p.at.b});
    std::vector<double> exact(labs.size()), tabulated(labs.size());
    field.evaluate(labs.data(), exact.data(), std::size(probes));
    field.tabulate(labs.data(), std::size(probes));
    field.evaluate(labs.data(), tabulated.data(), std::size(probes));
    for (std::size_t i = 0; i < std::size(probes); ++i) {
        const Probe& p = probes[i];
        const double want[3] = {error.L * p.share, error.a * p.share, error.b * p.share};
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(exact[3 * i + c], want[c], p.tolerance) << i << " " << c;
            EXPECT_NEAR(tabulated[3 * i + c], exact[3 * i + c], 2e-3) << i << " " << c;
        }
    }

    const ErrorField none(points, std::vector<Lab>(points.size(), {0, 0, 0}), white, {20, 1.5, 0.3, 0.5, 0.05});
    const Lab zero = none.at({50, 10, 10});
    EXPECT_EQ(zero.L, 0.0);
    EXPECT_EQ(zero.a, 0.0);
    EXPECT_EQ(zero.b, 0.0);
}

TEST(ErrorField, LargeChartsThroughInducingPointsFollowTheExactField)
{
    // A dense chart with a drift that varies over Lab, and measurement noise.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> L(20, 90), ab(-60, 60);
    std::normal_distribution<double> noise(0.0, 0.2);
    std::vector<Lab> points, errors;
    for (int i = 0; i < 1200; ++i) {
        const Lab p = {L(random), ab(random), ab(random)};
        points.push_back(p);
        errors.push_back({-2.0 + 0.02 * p.a + noise(random), 0.03 * p.b + noise(random), 1.5 - 0.01 * p.L + noise(random)});
    }
    const Lab white = {95.0, 0.5, -2.0};
    ErrorFieldSettings settings{20, 1.5, 0.3, 0.5, 0.05};
    const ErrorField exact(points, errors, white, settings);
    settings.maxExactPoints = 100;
    const ErrorField approximated(points, errors, white, settings);
    EXPECT_LT(approximated.terms(), exact.terms() * 3 / 4);
    double largest = 0;
    for (int i = 0; i < 500; ++i) {
        const Lab x = {L(random), ab(random), ab(random)};
        const Lab e = exact.at(x), f = approximated.at(x);
        largest = std::max(largest, deltaE(e, f));
    }
    // Far below the measurement noise of one patch.
    EXPECT_LT(largest, 0.05);
}

class DeviceSolve : public ::testing::Test
{
protected:
    LoadedProfile cmyk{"cmyk_v2.icc"};
    csICCProfileConverter a2b{&cmyk.profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored};
    DeviceSolveSettings settings{8, 1e-4, 1e-3, 0.15, 0.5, 2.6, 3};
};

TEST_F(DeviceSolve, ConstantShiftIsReproduced)
{
    ASSERT_EQ(a2b.init(), 0);
    const PrinterModel model(a2b);
    EXPECT_TRUE(model.paperAtZero());
    // Mid-range separations well inside the gamut and the ink limit.
    const std::vector<double> start = {0.3, 0.2, 0.2, 0.1, 0.5, 0.4, 0.1, 0.0, 0.1, 0.5, 0.6, 0.2, 0.2, 0.2, 0.2, 0.2};
    const double shift[3] = {1.5, -1.0, 1.0};
    std::vector<double> target(12);
    model.lab(start.data(), target.data(), 4);
    for (std::size_t i = 0; i < target.size(); ++i)
        target[i] += shift[i % 3];
    const DeviceSolution solved = solveDevices(model, start, target, settings);
    std::vector<double> reached(12);
    model.lab(solved.device.data(), reached.data(), 4);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_LT(solved.miss[i], 0.1) << i;
        const double d = std::hypot(reached[3 * i] - target[3 * i], reached[3 * i + 1] - target[3 * i + 1],
                                    reached[3 * i + 2] - target[3 * i + 2]);
        EXPECT_LT(d, 0.1) << i;
    }
}

TEST_F(DeviceSolve, BoundsMoveAndInkLimitHoldForAimsOutOfReach)
{
    ASSERT_EQ(a2b.init(), 0);
    const PrinterModel model(a2b);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0), shift(-30.0, 30.0);
    std::vector<double> start, target(3 * 200);
    for (int i = 0; i < 200; ++i) {
        // Corners, edges and heavy separations as well as the middle.
        for (int c = 0; c < 4; ++c)
            start.push_back(i % 4 == 0 ? std::round(unit(random)) : unit(random));
        double total = 0;
        for (int c = 0; c < 4; ++c)
            total += start[4 * i + c];
        for (int c = 0; c < 4 && total > settings.inkLimit; ++c)
            start[4 * i + c] *= settings.inkLimit / total;
    }
    model.lab(start.data(), target.data(), 200);
    for (double& t : target)
        t += shift(random);
    const DeviceSolution solved = solveDevices(model, start, target, settings);
    for (int i = 0; i < 200; ++i) {
        double total = 0;
        for (int c = 0; c < 4; ++c) {
            const double d = solved.device[4 * i + c];
            EXPECT_GE(d, 0.0);
            EXPECT_LE(d, 1.0);
            EXPECT_LE(std::abs(d - start[4 * i + c]), settings.maxMove + 1e-12);
            total += d;
        }
        EXPECT_LE(total, settings.inkLimit + 1e-9) << i;
    }
}

TEST(LocalFit, PatchesWhoseCornersSitAtTheTopStillGetTheirInk)
{
    // Every ink prints as if 4 % less of it came out: each patch asks for
    // 4 % more of every ink it has. The field knows nothing of it, so the
    // fit alone must take it up, also where a corner of the patch's cell
    // holds an ink at its top already and the other corners must take over.
    LoadedProfile cmyk("cmyk_v2.icc");
    csICCProfileConverter a2b(&cmyk.profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    csICCProfileConverter b2a(&cmyk.profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    ASSERT_EQ(a2b.init(), 0);
    ASSERT_EQ(b2a.init(), 0);
    const PrinterModel model(a2b);
    csICCTag& tag = *cmyk.profile.tagTable().find(csSig("B2A1"));
    const B2ATableAccess table(tag);
    std::vector<Lab> references;
    for (const SmoothPatch& p : patchesOf("cmyk_ref.txt", "cmyk_ref.txt"))
        references.push_back(p.reference);
    ChartPatches chart;
    chart.reference = references;
    chart.printedDevice = lookupDevice(b2a, references);
    const std::size_t n = references.size();
    std::vector<double> weaker = chart.printedDevice, measured(3 * n);
    for (double& d : weaker)
        d *= 0.96;
    model.lab(weaker.data(), measured.data(), n);
    for (std::size_t i = 0; i < n; ++i)
        chart.measured.push_back({measured[3 * i], measured[3 * i + 1], measured[3 * i + 2]});
    const ErrorField none(references, std::vector<Lab>(n, {0, 0, 0}), {95.2, 0.6, -2.4}, {20, 1.5, 0.3, 0.5, 0.05});

    const std::vector<double> original = table.clut();
    std::vector<double> device(original.size()), clut = original;
    table.device(original.data(), device.data(), table.nodeCount());
    std::vector<char> touched(table.nodeCount(), 0);
    const DeviceSolveSettings solve{8, 1e-4, 1e-3, 0.15, 0.5, 4.0, 3};
    const LocalFitSettings settings{1.0, 0.003, 0.0003, 4.0, 0.09, 0.02, 6, 0.0};
    fitChart(model, none, table, b2a, device, chart, solve, settings, clut, touched);
    B2ATableAccess written(tag);
    for (std::size_t node = 0; node < table.nodeCount(); ++node)
        written.setNode(node, &clut[node * 4]);
    csICCProfileConverter after(&cmyk.profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
    ASSERT_EQ(after.init(), 0);
    const std::vector<double> now = lookupDevice(after, references);

    // Where the inks are few, the colour asks for each of them; in the
    // darks they may trade with each other.
    int checked = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double* was = &chart.printedDevice[4 * i];
        if (was[0] + was[1] + was[2] + was[3] > 2.0)
            continue;
        for (unsigned c = 0; c < 3; ++c) { // black is dearer: it may trade with the others
            if (was[c] < 0.2 || was[c] > 0.85)
                continue;
            ++checked;
            EXPECT_GT(now[4 * i + c] - was[c], 0.5 * 0.04 * was[c]) << "patch " << i << " channel " << c;
        }
    }
    EXPECT_GT(checked, 50);
}

TEST(LocalFit, FindsTheColourOfAnyCLUTPosition)
{
    // The colours held between the patches are known by their CLUT
    // positions: the Lab found for a position must lead back to it through
    // absolute white scaling, every Lab encoding and 'mBA ' curves with a
    // matrix, from guesses a few dE off.
    // A lut8 table takes its input in 8 bits: a position stands for a
    // step of colours, and any colour of the step will do.
    struct Table { const char* file; V4Tables tables; double lab, codes; };
    const Table tables[] = {
        {"cmyk_v2.icc", V4Tables::None, 1e-3, 0.01},     // lut16, legacy Lab
        {"rgb_v2_lut8.icc", V4Tables::None, 1.5, 257},   // lut8
        {"cmyk_v2.icc", V4Tables::Reshaped, 1e-3, 0.01}, // 'mBA ': parametric curves and a matrix before the CLUT
    };
    std::mt19937 random(3);
    std::uniform_real_distribution<double> L(5.0, 95.0), ab(-90.0, 90.0), off(-4.0, 4.0);
    for (const auto& [file, v4, labTolerance, codeTolerance] : tables) {
        LoadedProfile loaded(file, v4);
        csICCProfileConverter b2a(&loaded.profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
        ASSERT_EQ(b2a.init(), 0);
        // Positions inside the grid, as the anchors' are (a quarter of a cell
        // in at least); at its faces the encoding clips.
        std::vector<Lab> labs, guesses;
        std::vector<double> positions;
        while (labs.size() < 300) {
            const Lab x = {L(random), ab(random), ab(random)};
            const std::vector<double> p = clutPositions(b2a, {x});
            if (std::all_of(p.begin(), p.end(), [](double v) { return v > 0.02 * 65535 && v < 0.98 * 65535; })) {
                labs.push_back(x);
                guesses.push_back({x.L + off(random), x.a + off(random), x.b + off(random)});
                positions.insert(positions.end(), p.begin(), p.end());
            }
        }
        const std::vector<Lab> found = labsAtPositions(b2a, positions, guesses);
        const std::vector<double> back = clutPositions(b2a, found);
        for (std::size_t i = 0; i < labs.size(); ++i) {
            EXPECT_LT(deltaE(found[i], labs[i]), labTolerance) << file << " " << i;
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(back[3 * i + k], positions[3 * i + k], codeTolerance) << file << " " << i;
        }
    }
}

TEST(SmoothCorrection, CorrectsEveryTableOnceWhateverThePatchOrder)
{
    for (const Case& c : cases) {
        std::vector<SmoothPatch> patches = patchesOf(c.ref, c.meas);
        LoadedProfile first(c.profile, c.tables), shuffled(c.profile, c.tables), original(c.profile, c.tables);
        const SmoothOutcome outcome = runSmoothCorrection(first.profile, patches, defaults, {});
        ASSERT_TRUE(outcome.ok) << c.profile << outcome.message.english();
        ASSERT_EQ(outcome.tables.size(), 3u);
        for (const SmoothTableReport& t : outcome.tables) {
            EXPECT_TRUE(t.corrected) << c.profile << t.intent;
            EXPECT_LE(t.largestMove, defaults.maxMove + 1e-4) << c.profile << t.intent;
        }
        double before = 0, after = 0;
        for (std::size_t i = 0; i < patches.size(); ++i) {
            before += deltaE(patches[i].measured, patches[i].reference);
            after += std::hypot(outcome.remaining[i].L, outcome.remaining[i].a, outcome.remaining[i].b);
        }
        EXPECT_LT(after, before / 4) << c.profile;

        // Bare paper stays bare paper.
        for (csSignature sig : {csSig("B2A0"), csSig("B2A1"), csSig("B2A2")}) {
            B2ATableAccess was(*original.profile.tagTable().find(sig));
            B2ATableAccess is(*first.profile.tagTable().find(sig));
            const std::vector<double> v0 = was.clut(), v1 = is.clut();
            std::vector<double> d0(v0.size()), d1(v1.size());
            was.device(v0.data(), d0.data(), was.nodeCount());
            is.device(v1.data(), d1.data(), is.nodeCount());
            const bool cmyk = was.channels() == 4;
            for (std::size_t n = 0; n < was.nodeCount(); ++n) {
                bool paper = true;
                for (unsigned k = 0; k < was.channels(); ++k)
                    paper = paper && d0[n * was.channels() + k] == (cmyk ? 0.0 : 1.0);
                if (paper) {
                    EXPECT_TRUE(std::equal(&v0[n * was.channels()], &v0[(n + 1) * was.channels()],
                                           &v1[n * was.channels()])) << c.profile << " node " << n;
                }
            }
        }

        std::shuffle(patches.begin(), patches.end(), std::mt19937(17));
        ASSERT_TRUE(runSmoothCorrection(shuffled.profile, patches, defaults, {}).ok);
        EXPECT_EQ(first.written(), shuffled.written()) << c.profile << ": the patch order changed the tables";
    }
}

TEST(SmoothCorrection, Version4CopyIsCorrectedAsItsOriginal)
{
    // The same CLUTs behind another Lab encoding: the same device values at
    // the patches, but for a code or two that the encoding's rounding tips.
    const std::vector<SmoothPatch> patches = patchesOf("cmyk_ref.txt", "cmyk_meas.txt");
    std::vector<Lab> references;
    for (const SmoothPatch& p : patches)
        references.push_back(p.reference);
    std::vector<double> device[2];
    int k = 0;
    for (V4Tables tables : {V4Tables::None, V4Tables::Same}) {
        LoadedProfile loaded("cmyk_v2.icc", tables);
        ASSERT_TRUE(runSmoothCorrection(loaded.profile, patches, defaults, {}).ok);
        csICCProfileConverter b2a1(&loaded.profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
        ASSERT_EQ(b2a1.init(), 0);
        device[k++] = lookupDevice(b2a1, references);
    }
    for (std::size_t i = 0; i < device[0].size(); ++i)
        EXPECT_LE(std::abs(device[0][i] - device[1][i]), 2 / 65535.0) << "patch " << i / 4 << " channel " << i % 4;
}

TEST(SmoothCorrection, ChangesNothingWithoutErrorOrWhenStopped)
{
    for (const Case& c : cases) {
        LoadedProfile original(c.profile, c.tables);
        const std::vector<uint8_t> bytes = original.written();
        std::vector<SmoothPatch> exact = patchesOf(c.ref, c.ref);
        for (bool local : {false, true}) {
            SmoothParameters parameters;
            parameters.localFit = local;
            LoadedProfile same(c.profile, c.tables);
            const SmoothOutcome outcome = runSmoothCorrection(same.profile, exact, parameters, {});
            ASSERT_TRUE(outcome.ok) << outcome.message.english();
            EXPECT_EQ(same.written(), bytes) << c.profile << " local " << local;
            for (const Lab& r : outcome.remaining)
                EXPECT_EQ(std::abs(r.L) + std::abs(r.a) + std::abs(r.b), 0.0);
        }
        for (int stopAt : {1, 2, 3}) {
            LoadedProfile stopped(c.profile, c.tables);
            int calls = 0;
            const SmoothOutcome outcome = runSmoothCorrection(stopped.profile, patchesOf(c.ref, c.meas), defaults, {},
                                                              [&](double) { return ++calls < stopAt; });
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(calls, stopAt);
            EXPECT_EQ(stopped.written(), bytes) << c.profile << " stopped at call " << stopAt;
        }
    }
}

TEST(SmoothCorrection, RefusalsChangeNothing)
{
    const std::vector<SmoothPatch> patches = patchesOf("cmyk_ref.txt", "cmyk_meas.txt");
    std::vector<SmoothPatch> withNaN = patches;
    withNaN[5].measured.a = std::nan("");
    SmoothParameters noNoise;
    noNoise.fieldNoise = 0;
    SmoothParameters noRound, pastOwnColour;
    noRound.localRounds = 0;
    pastOwnColour.localOwnShare = 1.5;
    const std::vector<uint8_t> cmyk = testProfile("cmyk_v2.icc", V4Tables::None);
    const std::vector<SmoothPatch> rgbPatches = patchesOf("rgb_ref.txt", "rgb_meas.txt");
    struct Refusal { std::vector<uint8_t> profile; std::vector<SmoothPatch> patches; SmoothParameters parameters;
                     std::vector<int> intents; const char* message; };
    const Refusal refusals[] = {
        {cmyk, {patches.begin(), patches.begin() + 2}, defaults, {}, "at least 3 patches"},
        {cmyk, withNaN, defaults, {}, "not a number"},
        {cmyk, patches, defaults, {1, 3}, "no B2A table for intent 3"},
        {cmyk, patches, noNoise, {}, "noise parameter"},
        {cmyk, patches, noRound, {}, "local rounds parameter"},
        {cmyk, patches, pastOwnColour, {}, "own-colour share parameter"},
        {testProfile("rgb_xyz_pcs.icc", V4Tables::None), patches, defaults, {}, "do not take Lab"},
        // Curves and a matrix alone: nothing to correct in B2A1, or in all that was chosen.
        {testProfile("rgb_v2_lut8.icc", V4Tables::Same, "B2A1"), rgbPatches, defaults, {}, "B2A1 has no CLUT"},
        {testProfile("rgb_v2_lut8.icc", V4Tables::Same, "B2A0"), rgbPatches, defaults, {0, 2}, "B2A0 has no CLUT"},
    };
    for (const Refusal& r : refusals) {
        LoadedProfile loaded(r.profile), original(r.profile);
        const SmoothOutcome outcome = runSmoothCorrection(loaded.profile, r.patches, r.parameters, r.intents);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.message.english().find(r.message), std::string::npos) << outcome.message.english();
        EXPECT_EQ(loaded.written(), original.written()) << r.message;
    }
}

} // namespace
