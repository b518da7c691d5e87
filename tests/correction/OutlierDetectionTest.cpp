#include "ErrorField.h"
#include "OutlierDetection.h"
#include "PatchFile.h"
#include "TestSupport.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>

namespace {

const Lab paper = {95.2, 0.63, -2.36};
const ErrorFieldSettings field = {20, 1.5, 0.3, 0.5, 0.05};

OutlierSettings settingsWithNoise(double noise)
{
    OutlierSettings s;
    s.field = field;
    s.field.noise = noise;
    return s;
}

Lab minus(const Lab& x, const Lab& y)
{
    return {x.L - y.L, x.a - y.a, x.b - y.b};
}

// A chart: references and errors (measured - reference).
struct Chart
{
    std::vector<Lab> references, errors;
};

// A drifted printer: dot gain in the mid-tones, a hue turn in the greens
// and blues, a density loss in the darks; noise per component.
Lab drift(const Lab& ref, double noise, std::mt19937& random)
{
    std::normal_distribution<double> n(0.0, noise);
    return {-3.0 * std::sin(ref.L / 100.0 * M_PI) + 0.02 * (100.0 - ref.L) + n(random),
            1.5 + 0.03 * ref.b + n(random), -1.0 + 0.02 * ref.a - 0.01 * ref.L + n(random)};
}

// count colours the test CMYK profile prints (random separations within
// its ink limit), drifted, with the profile's own error of 0.15 on the
// references as well.
Chart printedChart(std::size_t count, double noise, unsigned seed)
{
    static const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    csICCProfile profile;
    profile.setProfile(bytes.data(), bytes.size());
    csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    a2b.init();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> own(0.0, 0.15);
    Chart chart;
    while (chart.references.size() < count) {
        rfloat device[4], lab[3];
        double total = 0;
        for (rfloat& d : device) {
            d = unit(random);
            total += d;
        }
        for (rfloat& d : device)
            d = (total > 2.6 ? d * 2.6 / total : d) * 65535.0;
        a2b.convert(device, lab, 1);
        const Lab printed = decodeLabV4(lab);
        const Lab ref = {printed.L + own(random), printed.a + own(random), printed.b + own(random)};
        chart.references.push_back(ref);
        chart.errors.push_back(drift(ref, noise, random));
    }
    return chart;
}

// The three ways a patch is misread: lightness read 20 off, another
// patch's values (the first at least 15 away), the hue turned.
struct Misread
{
    std::size_t lightness, swapped, hue;
};

Misread damage(Chart& chart)
{
    const std::size_t n = chart.references.size();
    const Misread m = {n / 7, n / 2, n - 2};
    chart.errors[m.lightness].L += 20;
    const Lab measured = {chart.references[m.swapped].L + chart.errors[m.swapped].L,
                          chart.references[m.swapped].a + chart.errors[m.swapped].a,
                          chart.references[m.swapped].b + chart.errors[m.swapped].b};
    for (std::size_t other = 0; other < n; ++other) {
        const Lab printed = {chart.references[other].L + chart.errors[other].L,
                             chart.references[other].a + chart.errors[other].a,
                             chart.references[other].b + chart.errors[other].b};
        if (other != m.lightness && other != m.hue && deltaE(printed, measured) > 15) {
            chart.errors[m.swapped] = minus(printed, chart.references[m.swapped]);
            break;
        }
    }
    chart.errors[m.hue].a += 25;
    chart.errors[m.hue].b -= 25;
    return m;
}

std::set<std::size_t> patchesOf(const OutlierSearch& search)
{
    std::set<std::size_t> patches;
    for (const Outlier& o : search.outliers)
        patches.insert(o.patch);
    return patches;
}

// Reference and measurement of the shared files, paired by id.
Chart sharedChart(const std::string& reference, const std::string& measurement)
{
    PatchFile ref, meas;
    EngineText problem;
    EXPECT_TRUE(PatchFileReader::read(testDataPath(reference), ref, problem)) << problem.english();
    EXPECT_TRUE(PatchFileReader::read(testDataPath(measurement), meas, problem)) << problem.english();
    std::map<std::string, Lab> measured;
    for (const PatchRecord& r : meas.records)
        measured[std::string(meas.text(r.id))] = r.lab;
    Chart chart;
    for (const PatchRecord& r : ref.records) {
        const auto m = measured.find(std::string(ref.text(r.id)));
        if (m == measured.end())
            continue;
        const Lab reference = r.hasReferenceLab ? r.referenceLab : r.lab;
        chart.references.push_back(reference);
        chart.errors.push_back(minus(m->second, reference));
    }
    return chart;
}

// The chart of tests/data/cmyk_chart.ti3 as the reference, drifted.
Chart ti3Chart(const std::string& name, double noise)
{
    PatchFile file;
    EngineText problem;
    EXPECT_TRUE(PatchFileReader::read(testDataPath(name), file, problem)) << problem.english();
    std::mt19937 random(5);
    Chart chart;
    for (const PatchRecord& r : file.records) {
        chart.references.push_back(r.lab);
        chart.errors.push_back(drift(r.lab, noise, random));
    }
    return chart;
}

TEST(LeaveOneOut, ExactResidualsAreWhatARefitWithoutThePatchLeaves)
{
    struct Case
    {
        const char* what;
        Chart chart;
        double noise;
    };
    Chart shared = sharedChart("cmyk_ref.txt", "cmyk_meas.txt");
    shared.references.resize(40);
    shared.errors.resize(40);
    Chart damaged = printedChart(25, 0.3, 3);
    damage(damaged);
    const Case cases[] = {
        {"the shared CMYK chart, 40 patches", shared, 0.3},
        {"25 printed patches, three misread", damaged, 0.3},
        {"12 printed patches, a noisy instrument", printedChart(12, 1.0, 4), 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ErrorFieldSettings settings = field;
        settings.noise = c.noise;
        settings.spread = 2.5; // a refit must not take another spread from fewer errors
        const LeaveOneOut fast = leaveOneOut(c.chart.references, c.chart.errors, paper, settings);
        ASSERT_EQ(fast.residuals.size(), c.chart.references.size());
        for (std::size_t i = 0; i < c.chart.references.size(); ++i) {
            std::vector<Lab> points = c.chart.references, errors = c.chart.errors;
            points.erase(points.begin() + static_cast<std::ptrdiff_t>(i));
            errors.erase(errors.begin() + static_cast<std::ptrdiff_t>(i));
            const ErrorField refit(points, errors, paper, settings);
            const Lab expected = minus(c.chart.errors[i], refit.at(c.chart.references[i]));
            EXPECT_NEAR(deltaE(fast.residuals[i], expected), 0.0, 1e-6 * (1.0 + deltaE(expected, {0, 0, 0})))
                << "patch " << i;
        }
    }
}

TEST(LeaveOneOut, NeighbourhoodsOfLargeChartsFollowTheExactResiduals)
{
    struct Case
    {
        const char* what;
        Chart chart;
    };
    Chart damaged = printedChart(1000, 0.3, 8);
    const Misread m = damage(damaged);
    const Case cases[] = {
        {"400 printed patches", printedChart(400, 0.2, 6)},
        {"1,000 printed patches, three misread", damaged},
        {"the CMYK .ti3 chart, 1,200 patches", ti3Chart("cmyk_chart.ti3", 0.2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OutlierSettings exact = settingsWithNoise(0.3);
        exact.exactUpTo = 100000;
        const std::vector<double> want = leaveOneOutSizes(c.chart.references, c.chart.errors, paper, exact);
        const std::vector<double> got =
            leaveOneOutSizes(c.chart.references, c.chart.errors, paper, settingsWithNoise(0.3));
        std::vector<double> apart(want.size());
        for (std::size_t i = 0; i < want.size(); ++i)
            apart[i] = std::abs(got[i] - want[i]);
        auto quantile = [](std::vector<double> v, double q) {
            std::sort(v.begin(), v.end());
            return v[static_cast<std::size_t>(q * double(v.size() - 1))];
        };
        // The threshold's two figures, and every patch of a clean chart
        // within a Delta E; next to a misread patch the exact residuals
        // feel its pull from farther away.
        EXPECT_NEAR(quantile(got, 0.5), quantile(want, 0.5), 0.05);
        EXPECT_NEAR(quantile(got, 1.0), quantile(want, 1.0), 0.5);
        if (c.chart.references.size() != 1000) {
            EXPECT_LT(quantile(apart, 0.99), 0.5);
            EXPECT_LT(quantile(apart, 1.0), 1.0);
        } else {
            for (std::size_t i : {m.lightness, m.swapped, m.hue})
                EXPECT_NEAR(got[i], want[i], 0.05 * want[i]) << "patch " << i;
        }
    }
}

TEST(OutlierSearch, FindsEachKindOfMisreadPatch)
{
    struct Case
    {
        std::size_t patches;
        double noise;
    };
    const Case cases[] = {{60, 0.2}, {100, 0.3}, {150, 0.2}, {150, 0.3}, {500, 0.25}, {1600, 0.2}, {1600, 0.3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.patches) + " patches, noise " + std::to_string(c.noise));
        Chart chart = printedChart(c.patches, c.noise, unsigned(c.patches));
        const Misread m = damage(chart);
        const OutlierSearch search =
            findOutliers(chart.references, chart.errors, paper, {}, settingsWithNoise(c.noise));
        EXPECT_FALSE(search.tooMany);
        EXPECT_EQ(patchesOf(search), (std::set<std::size_t>{m.lightness, m.swapped, m.hue}));
        for (const Outlier& o : search.outliers) {
            // Told against what the patches kept predict there.
            EXPECT_GT(o.size, 14.0) << "patch " << o.patch;
            EXPECT_LT(o.size, 60.0) << "patch " << o.patch;
        }
    }
    // Three in the shared CMYK measurement, each as far off as it was made.
    Chart shared = sharedChart("cmyk_ref.txt", "cmyk_meas_outliers.txt");
    const OutlierSearch search = findOutliers(shared.references, shared.errors, paper, {}, settingsWithNoise(0.3));
    ASSERT_EQ(search.outliers.size(), 3u);
    EXPECT_NEAR(search.outliers[0].size, 20.0, 1.5);  // L* + 20
    EXPECT_NEAR(search.outliers[2].size, 35.4, 1.5);  // a* + 25, b* - 25
}

TEST(OutlierSearch, FlagsNothingOnNoiseAlone)
{
    struct Case
    {
        std::string what;
        Chart chart;
        double noise;
    };
    std::vector<Case> cases = {
        {"shared CMYK", sharedChart("cmyk_ref.txt", "cmyk_meas.txt"), 0.3},
        {"shared RGB", sharedChart("rgb_ref.txt", "rgb_meas.txt"), 0.3},
        {"shared CMYK combined", sharedChart("cmyk_combined.txt", "cmyk_combined.txt"), 0.3},
        {"shared RGB combined", sharedChart("rgb_combined.txt", "rgb_combined.txt"), 0.3},
        {"CMYK .ti3 chart drifted", ti3Chart("cmyk_chart.ti3", 0.2), 0.3},
        {"RGB .ti3 chart drifted", ti3Chart("rgb_chart.ti3", 0.3), 0.3},
    };
    for (std::size_t size : {15, 30, 60, 150, 300, 500, 1000, 1600})
        for (double noise : {0.2, 0.3})
            for (unsigned seed : {1u, 2u})
                cases.push_back({std::to_string(size) + " printed patches, noise " + std::to_string(noise) +
                                     ", seed " + std::to_string(seed),
                                 printedChart(size, noise, seed * 1000 + unsigned(size)), 0.3});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.chart.references.empty());
        const OutlierSearch search =
            findOutliers(c.chart.references, c.chart.errors, paper, {}, settingsWithNoise(c.noise));
        EXPECT_TRUE(search.outliers.empty())
            << search.outliers.front().patch << " by " << search.outliers.front().size;
        EXPECT_EQ(search.rounds, 1);
    }
}

TEST(OutlierSearch, MoreThanAFifthRefusesTheMeasurement)
{
    struct Case
    {
        std::size_t every; // one patch in this many read 20 off in L*
        bool tooMany;
    };
    for (const Case c : {Case{4, true}, Case{3, true}, Case{12, false}}) {
        SCOPED_TRACE("one in " + std::to_string(c.every));
        Chart chart = printedChart(200, 0.2, 21);
        std::size_t damaged = 0;
        for (std::size_t i = 0; i < chart.errors.size(); i += c.every, ++damaged)
            chart.errors[i].L += (damaged % 2 ? 20 : -20);
        const OutlierSearch search = findOutliers(chart.references, chart.errors, paper, {}, settingsWithNoise(0.2));
        EXPECT_EQ(search.tooMany, c.tooMany)
            << search.outliers.size() << " of " << damaged << " in " << search.rounds << " rounds";
        if (!c.tooMany) {
            // Every one, and next to so many at most a sound patch or two
            // whose neighbours all went.
            std::size_t found = 0;
            for (const Outlier& o : search.outliers)
                found += o.patch % c.every == 0;
            EXPECT_EQ(found, damaged) << search.rounds << " rounds";
            EXPECT_LE(search.outliers.size(), damaged + 2);
        }
    }
}

TEST(OutlierSearch, TrustedPatchesAreNeverLeftOut)
{
    // Put back by the user: kept whatever it disagrees by (its neighbours
    // may then look off, but it never does).
    Chart chart = printedChart(150, 0.2, 150);
    const Misread m = damage(chart);
    std::vector<char> trusted(chart.references.size(), 0);
    trusted[m.swapped] = 1;
    const std::set<std::size_t> found =
        patchesOf(findOutliers(chart.references, chart.errors, paper, trusted, settingsWithNoise(0.2)));
    EXPECT_EQ(found.count(m.swapped), 0u);
    EXPECT_EQ(found.count(m.lightness), 1u);
    EXPECT_EQ(found.count(m.hue), 1u);
}

TEST(OutlierSearch, DescribedByIdWithTheirSizes)
{
    EXPECT_EQ(describeOutliers({"20"}, {19.84}), "20 (19.8 from what its neighbours predict)");
    EXPECT_EQ(describeOutliers({"20", "75", "130"}, {19.8, 24.1, 33.46}),
              "20 (19.8 from what its neighbours predict), 75 (24.1), 130 (33.5)");
    EXPECT_EQ(describeOutliers({"A1", "A\x1b", "C3"}, {10, 11, 12}, 2),
              "A1 (10.0 from what its neighbours predict), A\\x1b (11.0) and 1 more");
}

} // namespace
