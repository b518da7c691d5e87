#include "AbstractCorrection.h"

#include "ColorDifference.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double fullScale = 65535.0;
// The Lab encodings of the two table types: lut16's legacy one (L* 100 at
// 0xFF00, a* b* 256 codes per unit) and version 4's.
constexpr double legacyLScale = 652.8, legacyABScale = 256.0;
constexpr double v4LScale = 655.35, v4ABScale = 257.0;
constexpr double abOffset = 128.0;
// The largest colour the converters take.
constexpr double largestL = 100.0, largestAB = 127.0;

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

} // namespace

AbstractOutcome correctionAsAbstract(csICCProfile& original, csICCProfile& corrected, const AbstractSettings& settings)
{
    AbstractOutcome outcome;
    using C = csICCProfileConverter;
    C b2aOriginal(&original, C::BToA, 1, C::AbsoluteStored), b2aCorrected(&corrected, C::BToA, 1, C::AbsoluteStored),
        a2b(&original, C::AToB, 1, C::AbsoluteStored);
    if (b2aOriginal.init() != 0 || b2aCorrected.init() != 0 || a2b.init() != 0 ||
        *b2aOriginal.inputSpace() != csSig("Lab ") ||
        b2aOriginal.numOutputChannels() != b2aCorrected.numOutputChannels()) {
        outcome.message = "the profile's B2A1 and A2B1 tables from and to Lab are needed for an abstract profile";
        return outcome;
    }
    if (settings.gridPoints < 2 || settings.gridPoints > 255) {
        outcome.message = "the grid of an abstract profile has 2 to 255 points";
        return outcome;
    }
    const unsigned channels = b2aOriginal.numOutputChannels();
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

    // What the nominal printer makes of each route's device values.
    const std::vector<double> lab = encoded(asked);
    const std::vector<double> deviceOriginal = through(b2aOriginal, lab, nodes);
    const std::vector<double> deviceCorrected = through(b2aCorrected, lab, nodes);
    std::vector<std::size_t> changed;
    for (std::size_t n = 0; n < nodes; ++n)
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
    const std::vector<Lab> wanted = decoded(through(a2b, pickedCorrected, changed.size()));
    const std::vector<Lab> given = decoded(through(a2b, pickedOriginal, changed.size()));

    // y from x plus the difference, then steps on what the original route
    // prints at y; the best y of every node is kept.
    std::vector<Lab> y(changed.size()), best(changed.size());
    std::vector<double> bestMiss(changed.size());
    for (std::size_t k = 0; k < changed.size(); ++k) {
        const Lab& from = asked[changed[k]];
        y[k] = inRange({from.L + wanted[k].L - given[k].L, from.a + wanted[k].a - given[k].a,
                        from.b + wanted[k].b - given[k].b});
        best[k] = y[k];
        bestMiss[k] = std::numeric_limits<double>::infinity();
    }
    // Beyond the gamut too: there the corrected table's own clipping is
    // what the steps follow.
    for (int step = 0; step < settings.steps && !changed.empty(); ++step) {
        const std::vector<Lab> printed = decoded(through(a2b, through(b2aOriginal, encoded(y), y.size()), y.size()));
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

    std::size_t counted = 0;
    for (std::size_t k = 0; k < changed.size(); ++k)
        if (std::isfinite(bestMiss[k])) {
            outcome.meanMiss += bestMiss[k];
            outcome.largestMiss = std::max(outcome.largestMiss, bestMiss[k]);
            ++counted;
        }
    if (counted)
        outcome.meanMiss /= double(counted);
    std::vector<Lab> result = x;
    for (std::size_t k = 0; k < changed.size(); ++k) {
        const std::size_t n = changed[k];
        const Lab& from = asked[n];
        // Beyond the range the converters take the shift is that of its edge.
        result[n] = {x[n].L + best[k].L - from.L, x[n].a + best[k].a - from.a, x[n].b + best[k].b - from.b};
        const double shift = distance(result[n], x[n]);
        outcome.largestShift = std::max(outcome.largestShift, shift);
        outcome.nodesShifted += shift > 0;
    }
    table.nodes.resize(3 * nodes);
    for (std::size_t n = 0; n < nodes; ++n)
        encoding.encode(result[n], &table.nodes[3 * n]);
    outcome.profile = csAbstractProfile(original.header().majorVersion(), table);
    if (!outcome.profile)
        outcome.message = "the abstract profile could not be made";
    return outcome;
}
