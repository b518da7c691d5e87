#include "DeviceField.h"
#include "ErrorField.h"
#include "LocalFit.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const DeviceFieldSettings deviceSettings{0.7, 0.3, 0.5, 0.05};
const ErrorFieldSettings labSettings{20, 1.5, 0.3, 0.5, 0.05};

// A chart printed through the test CMYK profile: references are colours it
// prints (A2B1 of separations within its ink limit), device values what its
// B2A1 gives them.
struct Chart
{
    Chart(std::size_t count, unsigned seed)
    {
        const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", V4Tables::None);
        EXPECT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
        csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
        csICCProfileConverter b2a(&profile, csICCProfileConverter::BToA, 1, csICCProfileConverter::AbsoluteStored);
        EXPECT_EQ(a2b.init(), 0);
        EXPECT_EQ(b2a.init(), 0);
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        while (reference.size() < count) {
            rfloat device[4], lab[3];
            double total = 0;
            for (rfloat& d : device)
                total += d = unit(random);
            for (rfloat& d : device)
                d = rfloat((total > 2.6 ? d * 2.6 / total : d) * 65535.0);
            a2b.convert(device, lab, 1);
            reference.push_back(decodeLabV4(lab));
        }
        device = lookupDevice(b2a, reference);
    }
    csICCProfile profile;
    std::vector<Lab> reference;
    std::vector<double> device; // four per patch
};

double rms(const std::vector<Lab>& a, const std::vector<Lab>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::pow(deltaE(a[i], b[i]), 2);
    return std::sqrt(sum / double(a.size()));
}

} // namespace

// An ink that prints weaker or spreads more: the error is a function of
// that ink's amount. The device field and the Lab field of what it leaves
// predict it at patches they were not fitted to far better than the Lab
// field alone, which blurs it over colours with different amounts.
TEST(DeviceField, ErrorsOfOneInkAreFollowedBetterThanOverLab)
{
    struct Case { const char* name; unsigned ink; Lab (*error)(double amount); };
    const Case cases[] = {
        {"cyan weaker", 0, [](double c) { return Lab{6.0 * c * c, 4.0 * c * c, 3.0 * c * c}; }},
        {"magenta spreads", 1, [](double m) { return Lab{-8.0 * m * (1 - m), -6.0 * m * (1 - m), 0.0}; }},
        {"yellow weaker", 2, [](double y) { return Lab{1.0 * y, 1.0 * y, -9.0 * y * y}; }},
        {"black weaker", 3, [](double k) { return Lab{10.0 * k * k * k, 0.0, 0.0}; }},
    };
    const Chart fitted(300, 5), held(150, 9);
    const Lab white = {95.2, 0.6, -2.4};
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 0.2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Lab> errors;
        for (std::size_t i = 0; i < fitted.reference.size(); ++i) {
            const Lab e = c.error(fitted.device[4 * i + c.ink]);
            errors.push_back({e.L + noise(random), e.a + noise(random), e.b + noise(random)});
        }
        const ErrorField labOnly(fitted.reference, errors, white, labSettings);
        const DeviceField device(4, fitted.device, errors, {0, 0, 0, 0}, deviceSettings);
        std::vector<double> explained(3 * errors.size());
        device.evaluate(fitted.device.data(), explained.data(), errors.size());
        std::vector<Lab> rest;
        for (std::size_t i = 0; i < errors.size(); ++i)
            rest.push_back({errors[i].L - explained[3 * i], errors[i].a - explained[3 * i + 1],
                            errors[i].b - explained[3 * i + 2]});
        const ErrorField restOverLab(fitted.reference, rest, white, labSettings);

        std::vector<Lab> truth, overLab, both;
        for (std::size_t i = 0; i < held.reference.size(); ++i) {
            truth.push_back(c.error(held.device[4 * i + c.ink]));
            overLab.push_back(labOnly.at(held.reference[i]));
            double e[3];
            device.evaluate(&held.device[4 * i], e, 1);
            const Lab r = restOverLab.at(held.reference[i]);
            both.push_back({e[0] + r.L, e[1] + r.a, e[2] + r.b});
        }
        const double before = rms(overLab, truth), after = rms(both, truth);
        EXPECT_LT(after, 0.7 * before) << "over Lab " << before << ", device and Lab " << after;
    }
}

TEST(DeviceField, ZeroAtThePaperGridAsTheExactSumNothingWithoutError)
{
    const Chart chart(200, 5);
    std::vector<Lab> errors;
    for (std::size_t i = 0; i < chart.reference.size(); ++i) {
        const double* d = &chart.device[4 * i];
        errors.push_back({3.0 * d[0] + 2.0 * d[3], -2.0 * d[1], 4.0 * d[2] * d[2]});
    }
    const DeviceField field(4, chart.device, errors, {0, 0, 0, 0}, deviceSettings);
    const double paper[4] = {0, 0, 0, 0};
    double e[3];
    field.evaluate(paper, e, 1);
    for (double v : e)
        EXPECT_NEAR(v, 0.0, 0.1);
    // The grid against the exact sum, at the patches and between the grid's nodes.
    std::mt19937 random(1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double largest = 0;
    for (int i = 0; i < 300; ++i) {
        double d[4];
        for (double& v : d)
            v = i < 100 ? chart.device[4 * i + (&v - d)] : unit(random);
        double grid[3], exact[3];
        field.evaluate(d, grid, 1);
        field.exact(d, exact);
        for (int k = 0; k < 3; ++k)
            largest = std::max(largest, std::abs(grid[k] - exact[k]));
    }
    EXPECT_LT(largest, 0.1); // of errors up to 5: 2 %, below the noise of one patch

    DeviceFieldSettings few = deviceSettings;
    few.maxExactPoints = 50;
    const DeviceField approximated(4, chart.device, errors, {0, 0, 0, 0}, few);
    double apart = 0;
    for (std::size_t i = 0; i < chart.reference.size(); ++i) {
        double x[3], y[3];
        field.exact(&chart.device[4 * i], x);
        approximated.exact(&chart.device[4 * i], y);
        apart = std::max(apart, std::hypot(x[0] - y[0], x[1] - y[1], x[2] - y[2]));
    }
    EXPECT_LT(apart, 0.3); // the measurement noise of one patch

    const DeviceField none(4, chart.device, std::vector<Lab>(errors.size(), {0, 0, 0}), {0, 0, 0, 0}, deviceSettings);
    const double middle[4] = {0.4, 0.3, 0.2, 0.1};
    none.evaluate(middle, e, 1);
    EXPECT_EQ(e[0], 0.0);
    EXPECT_EQ(e[1], 0.0);
    EXPECT_EQ(e[2], 0.0);
}
