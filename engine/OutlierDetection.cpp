#include "OutlierDetection.h"

#include "TextEncoding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double length(const Lab& d)
{
    return std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
}

double median(std::vector<double> values)
{
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    return values[middle];
}

// Apart in kernel lengths, with L* weighted as the field weighs it.
bool farApart(const Lab& x, const Lab& y, const ErrorFieldSettings& field, double lengths)
{
    const double dL = (x.L - y.L) * field.lWeight, da = x.a - y.a, db = x.b - y.b;
    return dL * dL + da * da + db * db > lengths * lengths * field.length * field.length;
}

// The spread of the detection fit: the RMS error per component of the
// median patch, at least the field's floor.
double robustSpread(const std::vector<Lab>& errors, double floor)
{
    std::vector<double> squares;
    squares.reserve(errors.size());
    for (const Lab& e : errors)
        squares.push_back(e.L * e.L + e.a * e.a + e.b * e.b);
    return std::max(floor, std::sqrt(median(std::move(squares)) / 3.0));
}

} // namespace

OutlierSearch findOutliers(const std::vector<Lab>& references, const std::vector<Lab>& errors, const Lab& white,
                           const std::vector<char>& trusted, const OutlierSettings& settings)
{
    OutlierSearch search;
    const std::size_t n = references.size();
    if (n < settings.fewestPatches || errors.size() != n)
        return search;
    const auto allowed = static_cast<std::size_t>(settings.largestShare * static_cast<double>(n));
    const double noiseFloor = std::max(settings.smallest, settings.noiseMultiple * settings.field.noise);

    std::vector<std::size_t> kept(n), left;
    std::vector<double> sizeWhenLeft;
    for (std::size_t i = 0; i < n; ++i)
        kept[i] = i;
    for (;;) {
        ++search.rounds;
        std::vector<Lab> points, keptErrors, leftPoints;
        points.reserve(kept.size());
        keptErrors.reserve(kept.size());
        for (std::size_t i : kept) {
            points.push_back(references[i]);
            keptErrors.push_back(errors[i]);
        }
        for (std::size_t i : left)
            leftPoints.push_back(references[i]);
        ErrorFieldSettings field = settings.field;
        field.spread = robustSpread(keptErrors, field.minSpread);
        const LeaveOneOut fit = leaveOneOut(points, keptErrors, white, field, leftPoints);

        std::vector<double> sizes(kept.size());
        for (std::size_t k = 0; k < kept.size(); ++k)
            sizes[k] = length(fit.residuals[k]);
        const double threshold = std::max(noiseFloor, settings.typicalMultiple * median(sizes));
        std::vector<std::size_t> candidates;
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (sizes[k] > threshold && !(kept[k] < trusted.size() && trusted[kept[k]]))
                candidates.push_back(k);

        if (candidates.empty()) {
            // What the kept patches predict at each one left out.
            for (std::size_t k = 0; k < left.size(); ++k) {
                const Lab& e = errors[left[k]];
                const Lab& p = fit.predicted[k];
                search.outliers.push_back({left[k], length({e.L - p.L, e.a - p.a, e.b - p.b})});
            }
            std::sort(search.outliers.begin(), search.outliers.end(),
                      [](const Outlier& x, const Outlier& y) { return x.patch < y.patch; });
            return search;
        }
        std::sort(candidates.begin(), candidates.end(),
                  [&sizes](std::size_t x, std::size_t y) { return sizes[x] > sizes[y]; });
        // A candidate near a worse one may only be pulled by it.
        std::vector<std::size_t> going;
        for (std::size_t c = 0; c < candidates.size(); ++c) {
            const Lab& x = references[kept[candidates[c]]];
            const bool alone = std::all_of(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(c),
                                           [&](std::size_t worse) {
                                               return farApart(x, references[kept[worse]], settings.field,
                                                               settings.apart);
                                           });
            if (alone)
                going.push_back(candidates[c]);
        }
        if (left.size() + going.size() > allowed) {
            search.tooMany = true;
            for (std::size_t k = 0; k < left.size(); ++k)
                search.outliers.push_back({left[k], sizeWhenLeft[k]});
            for (std::size_t k : going)
                search.outliers.push_back({kept[k], sizes[k]});
            std::sort(search.outliers.begin(), search.outliers.end(),
                      [](const Outlier& x, const Outlier& y) { return x.patch < y.patch; });
            return search;
        }
        std::sort(going.begin(), going.end());
        for (std::size_t g = going.size(); g-- > 0;) {
            left.push_back(kept[going[g]]);
            sizeWhenLeft.push_back(sizes[going[g]]);
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(going[g]));
        }
    }
}

std::string describeOutliers(const std::vector<std::string>& ids, const std::vector<double>& sizes, std::size_t shown)
{
    std::string text;
    for (std::size_t k = 0; k < ids.size() && k < shown && k < sizes.size(); ++k) {
        char size[32];
        std::snprintf(size, sizeof size, "%.1f", sizes[k]);
        text += (k ? ", " : "") + printable(ids[k]) + " (" + size +
                (k == 0 ? " from what its neighbours predict)" : ")");
    }
    if (ids.size() > shown)
        text += " and " + std::to_string(ids.size() - shown) + " more";
    return text;
}
