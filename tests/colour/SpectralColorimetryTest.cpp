#include "SpectralColorimetry.h"
#include "TestSupport.h"
#include "csICCPCS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double pcsWhite[3] = {csICCPCS::whiteXNatural, 100.0, csICCPCS::whiteZNatural};

std::vector<double> samples(double firstNm, double stepNm, double lastNm, double (*f)(double nm))
{
    std::vector<double> r;
    for (double nm = firstNm; nm <= lastNm; nm += stepNm)
        r.push_back(f(nm));
    return r;
}

XYZ toXYZ(double firstNm, double stepNm, const std::vector<double>& r)
{
    XYZ xyz{nan, nan, nan};
    std::string problem;
    EXPECT_TRUE(reflectanceToXYZ(firstNm, stepNm, r.data(), r.size(), xyz, problem)) << problem;
    return xyz;
}

void expectNear(const XYZ& a, const XYZ& b, double tolerance, const std::string& what)
{
    EXPECT_TRUE(std::fabs(a.X - b.X) <= tolerance && std::fabs(a.Y - b.Y) <= tolerance && std::fabs(a.Z - b.Z) <= tolerance)
        << what << ": " << a.X << " " << a.Y << " " << a.Z << " against " << b.X << " " << b.Y << " " << b.Z;
}

TEST(SpectralColorimetry, ConstantReflectanceIsThatShareOfTheWhite)
{
    struct Case { double firstNm, stepNm, lastNm; };
    const Case cases[] = {
        {400, 1, 700}, {380, 5, 730}, {380, 10, 730}, {400, 10, 700}, {380, 20, 720},
        {400, 20, 700}, {360, 10, 830}, {300, 5, 1000},
    };
    for (const Case& c : cases) {
        const std::size_t count = std::size_t((c.lastNm - c.firstNm) / c.stepNm) + 1;
        const std::string what = std::to_string(c.firstNm) + " step " + std::to_string(c.stepNm);
        expectNear(toXYZ(c.firstNm, c.stepNm, std::vector<double>(count, 0.2)),
                   {0.2 * pcsWhite[0], 0.2 * pcsWhite[1], 0.2 * pcsWhite[2]}, 1e-9, what);
        const Lab white = xyzToLab(toXYZ(c.firstNm, c.stepNm, std::vector<double>(count, 1.0)));
        EXPECT_LT(deltaE(white, {100, 0, 0}), 1e-6) << what;
    }
}

// Straight lines (up to 5 nm) reproduce a straight spectrum exactly, and
// four-point Lagrange (coarser) a cubic, in the end intervals too; so each
// spacing over the same range must give what 1 nm samples give.
TEST(SpectralColorimetry, ReproducedShapesAgreeAtEverySpacing)
{
    const auto line = [](double nm) { return 0.2 + 0.6 * (nm - 400) / 300; };
    const auto cubic = [](double nm) {
        const double u = (nm - 550) / 150;
        return 0.45 + 0.25 * u + 0.1 * u * u - 0.2 * u * u * u;
    };
    struct Case { const char* what; double (*f)(double); std::vector<double> steps; };
    const Case cases[] = {
        {"straight", line, {2, 4, 5, 10, 15, 20}},
        {"cubic", cubic, {10, 15, 20}},
    };
    for (const Case& c : cases) {
        const XYZ reference = toXYZ(400, 1, samples(400, 1, 700, c.f));
        for (double step : c.steps)
            expectNear(toXYZ(400, step, samples(400, step, 700, c.f)), reference, 1e-9,
                       std::string(c.what) + " at " + std::to_string(step));
    }
}

TEST(SpectralColorimetry, RefusesWhatItCannotWeight)
{
    struct Case { const char* name; double firstNm, stepNm; std::size_t count, badAt; double bad; const char* reason; };
    const Case cases[] = {
        {"one sample", 400, 10, 1, 99, 0, "fewer than 2 spectral samples"},
        {"none", 400, 10, 0, 99, 0, "fewer than 2 spectral samples"},
        {"fractional step", 380, 3.5, 101, 999, 0, "spacing of 3.5 nm is not supported"},
        {"zero step", 400, 0, 31, 999, 0, "spacing of 0 nm"},
        {"descending", 730, -10, 36, 999, 0, "spacing of -10 nm"},
        {"too coarse", 400, 25, 13, 999, 0, "spacing of 25 nm"},
        {"starts late", 410, 10, 30, 999, 0, "range 410 nm to 700 nm does not cover 400 to 700 nm"},
        {"ends early", 400, 10, 30, 999, 0, "range 400 nm to 690 nm"},
        {"no start", nan, 10, 36, 999, 0, "range nan nm"},
        {"NaN value", 380, 10, 36, 5, nan, "value at 430 nm is not a number"},
        {"infinite value", 380, 10, 36, 35, std::numeric_limits<double>::infinity(), "value at 730 nm is not a number"},
    };
    for (const Case& c : cases) {
        std::vector<double> r(c.count + 1, 0.5);
        if (c.badAt < c.count)
            r[c.badAt] = c.bad;
        XYZ xyz{1, 2, 3};
        std::string problem;
        EXPECT_FALSE(reflectanceToXYZ(c.firstNm, c.stepNm, r.data(), c.count, xyz, problem)) << c.name;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << c.name << ": " << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << c.name;
        EXPECT_TRUE(xyz.X == 1 && xyz.Y == 2 && xyz.Z == 3) << c.name << " changed the result";
    }

    // Wavelengths as a file names them: even steps go through, uneven ones not.
    std::vector<double> nm = {380, 390, 400, 410, 420, 430, 440, 450, 460, 470, 480, 490, 500, 510, 520, 530, 540, 550,
                              560, 570, 580, 590, 600, 610, 620, 630, 640, 650, 660, 670, 680, 690, 700};
    const std::vector<double> r = samples(380, 10, 700, [](double x) { return 0.3 + 0.001 * (x - 380); });
    const XYZ expected = toXYZ(380, 10, r);
    XYZ xyz{};
    std::string problem;
    ASSERT_TRUE(reflectanceToXYZ(nm.data(), r.data(), nm.size(), xyz, problem)) << problem;
    EXPECT_TRUE(xyz.X == expected.X && xyz.Y == expected.Y && xyz.Z == expected.Z);
    nm[3] = 405;
    EXPECT_FALSE(reflectanceToXYZ(nm.data(), r.data(), nm.size(), xyz, problem));
    EXPECT_EQ(problem, "spectral wavelengths are not evenly spaced: 405 nm after 400 nm");
}

// The perfect reflector, smooth curves (a level and three random bumps) and
// one- and two-band spikes at every band, written as a spectral CGATS file for ArgyllCMS's spec2cie.
std::vector<std::vector<double>> crossCheckCurves(std::size_t bands, double firstNm, double stepNm)
{
    std::minstd_rand random(7);
    const auto uniform = [&random](double lo, double hi) {
        return lo + (hi - lo) * double(random() - random.min()) / double(random.max() - random.min());
    };
    std::vector<std::vector<double>> curves = {std::vector<double>(bands, 1.0)};
    for (int n = 0; n < 24; ++n) {
        std::vector<double> r(bands, uniform(0.05, 0.95));
        for (int bump = 0; bump < 3; ++bump) {
            const double centre = uniform(380, 730), width = uniform(15, 90), height = uniform(-0.6, 0.6);
            for (std::size_t i = 0; i < bands; ++i) {
                const double d = (firstNm + stepNm * double(i) - centre) / width;
                r[i] += height * std::exp(-0.5 * d * d);
            }
        }
        for (double& v : r)
            v = std::min(1.0, std::max(0.01, v));
        curves.push_back(r);
    }
    for (std::size_t spike = 0; spike < bands; ++spike) {
        std::vector<double> r(bands, 0.05);
        r[spike] = 0.9;
        if (spike % 2 && spike + 1 < bands)
            r[spike + 1] = 0.6;
        curves.push_back(r);
    }
    return curves;
}

// Three columns of a CGATS file, in the order of its rows.
std::vector<std::array<double, 3>> columns(const std::string& path, const std::array<const char*, 3>& names)
{
    std::ifstream in(path);
    std::vector<std::string> fields;
    std::vector<double> values;
    std::string token, section;
    while (in >> token) {
        if (token == "BEGIN_DATA_FORMAT" || token == "BEGIN_DATA" || token == "END_DATA_FORMAT" || token == "END_DATA")
            section = token;
        else if (section == "BEGIN_DATA_FORMAT")
            fields.push_back(token);
        else if (section == "BEGIN_DATA")
            values.push_back(std::atof(token.c_str()));
    }
    std::array<std::size_t, 3> at{};
    for (int c = 0; c < 3; ++c)
        at[c] = std::size_t(std::find(fields.begin(), fields.end(), names[c]) - fields.begin());
    std::vector<std::array<double, 3>> rows;
    if (*std::max_element(at.begin(), at.end()) >= fields.size())
        return rows;
    for (std::size_t row = 0; (row + 1) * fields.size() <= values.size(); ++row)
        rows.push_back({values[row * fields.size() + at[0]], values[row * fields.size() + at[1]],
                        values[row * fields.size() + at[2]]});
    return rows;
}

TEST(SpectralColorimetry, AgreesWithArgyllSpec2cie)
{
    if (std::system("command -v spec2cie >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ArgyllCMS spec2cie is not installed; SpectralColorimetry.AgreesWithStoredSpec2cieAt5nm checks 5 nm";
    for (double stepNm : {5.0, 10.0, 20.0}) {
        const double firstNm = 380;
        const std::size_t bands = std::size_t((730 - firstNm) / stepNm) + 1;
        const double lastNm = firstNm + stepNm * double(bands - 1);
        const auto curves = crossCheckCurves(bands, firstNm, stepNm);

        TempDir dir;
        std::ostringstream file;
        file << "CTI3\n\nDESCRIPTOR \"spectral cross-check\"\nORIGINATOR \"Vestrel tests\"\n"
             << "DEVICE_CLASS \"OUTPUT\"\nCOLOR_REP \"RGB_XYZ\"\nSPECTRAL_BANDS \"" << bands << "\"\n"
             << "SPECTRAL_START_NM \"" << firstNm << "\"\nSPECTRAL_END_NM \"" << lastNm << "\"\nSPECTRAL_NORM \"100\"\n"
             << "NUMBER_OF_FIELDS " << bands + 4 << "\nBEGIN_DATA_FORMAT\nSAMPLE_ID RGB_R RGB_G RGB_B";
        for (std::size_t i = 0; i < bands; ++i)
            file << " SPEC_" << firstNm + stepNm * double(i);
        file << "\nEND_DATA_FORMAT\nNUMBER_OF_SETS " << curves.size() << "\nBEGIN_DATA\n";
        file.precision(17);
        for (std::size_t n = 0; n < curves.size(); ++n) {
            file << n + 1 << " 0 0 0";
            for (double v : curves[n])
                file << ' ' << v * 100;
            file << '\n';
        }
        file << "END_DATA\n";
        std::ofstream(dir.path("in.ti3")) << file.str();
        const std::string command = "spec2cie -i D50 -o 1931_2 " + dir.path("in.ti3") + " " + dir.path("out.ti3");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        const auto argyllLab = columns(dir.path("out.ti3"), {"LAB_L", "LAB_A", "LAB_B"});
        const auto argyllXYZ = columns(dir.path("out.ti3"), {"XYZ_X", "XYZ_Y", "XYZ_Z"});
        ASSERT_EQ(argyllLab.size(), curves.size());
        ASSERT_EQ(argyllXYZ.size(), curves.size());
        // Argyll keeps the weights' own white (96.424, 100, 82.513) where we map it
        // onto the PCS white, a difference of up to 0.02. Taken back to its white,
        // our values show how closely the weighting itself agrees.
        const std::array<double, 3> argyllWhite = argyllXYZ[0];
        double worst = 0, total = 0, worstWeighting = 0;
        for (std::size_t n = 0; n < curves.size(); ++n) {
            const XYZ xyz = toXYZ(firstNm, stepNm, curves[n]);
            const Lab argyll = {argyllLab[n][0], argyllLab[n][1], argyllLab[n][2]};
            const double dE = deltaE(xyzToLab(xyz), argyll);
            const double dEWeighting = deltaE(xyzToLab({xyz.X * argyllWhite[0] / pcsWhite[0], xyz.Y,
                                                        xyz.Z * argyllWhite[2] / pcsWhite[2]}), argyll);
            EXPECT_LT(dE, 0.05) << stepNm << " nm, curve " << n;
            // Argyll prints six digits.
            EXPECT_LT(dEWeighting, 0.005) << stepNm << " nm, curve " << n;
            worst = std::max(worst, dE);
            worstWeighting = std::max(worstWeighting, dEWeighting);
            total += dE;
        }
        std::printf("spec2cie at %g nm: %zu curves, Delta E 1976 max %.4f, mean %.4f; weighting alone max %.4f\n",
                    stepNm, curves.size(), worst, total / double(curves.size()), worstWeighting);
    }
}

// spec2cie_5nm.ti3 is ArgyllCMS's own output (spec2cie -i D50 -o 1931_2) for
// 96 spectra at 5 nm in percent: the perfect reflector, smooth curves
// clipped at 0.01 and 1, and one- and two-band spikes at every band. Its
// Lab values stand, so the check needs no ArgyllCMS.
TEST(SpectralColorimetry, AgreesWithStoredSpec2cieAt5nm)
{
    const std::string path = testDataPath("spec2cie_5nm.ti3");
    std::vector<std::string> fields;
    {
        std::ifstream in(path);
        std::string line;
        bool inFormat = false;
        while (std::getline(in, line)) {
            if (line.rfind("END_DATA_FORMAT", 0) == 0)
                break;
            if (inFormat) {
                std::istringstream names(line);
                for (std::string name; names >> name;)
                    fields.push_back(name);
            }
            inFormat = inFormat || line.rfind("BEGIN_DATA_FORMAT", 0) == 0;
        }
    }
    std::vector<std::size_t> bands;
    for (std::size_t c = 0; c < fields.size(); ++c)
        if (fields[c].rfind("SPEC_", 0) == 0)
            bands.push_back(c);
    ASSERT_EQ(bands.size(), 71u);
    ASSERT_EQ(fields[bands[0]], "SPEC_380");

    std::ifstream in(path);
    std::vector<double> values;
    std::string token, section;
    while (in >> token) {
        if (token == "BEGIN_DATA" || token == "END_DATA")
            section = token;
        else if (section == "BEGIN_DATA")
            values.push_back(std::atof(token.c_str()));
    }
    const std::size_t labAt = std::size_t(std::find(fields.begin(), fields.end(), "LAB_L") - fields.begin());
    ASSERT_LT(labAt + 2, fields.size());
    const std::size_t rows = values.size() / fields.size();
    ASSERT_EQ(rows, 96u);
    double worst = 0, total = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const double* v = &values[row * fields.size()];
        std::vector<double> r;
        for (std::size_t c : bands)
            r.push_back(v[c] / 100);
        const Lab ours = xyzToLab(toXYZ(380, 5, r));
        const double dE = deltaE(ours, {v[labAt], v[labAt + 1], v[labAt + 2]});
        EXPECT_LT(dE, 0.02) << "row " << row + 1;
        worst = std::max(worst, dE);
        total += dE;
    }
    std::printf("stored spec2cie at 5 nm: %zu spectra, Delta E 1976 max %.4f, mean %.4f\n", rows, worst,
                total / double(rows));
}

} // namespace
