#include "OutlierDetection.h"

#include "TextEncoding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include <Eigen/Dense>

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

// Leave-one-out residuals of the patches still kept. A chart of up to
// exactUpTo patches gets the exact ones from one factorisation; a larger
// one the residual of each patch's neighbourhood: the field of its nearest
// patches (and the white) predicts it. A factorisation of the whole chart
// would cost as much as the Smooth field itself, while the kernel falls
// off fast enough that the nearest few dozen patches decide nearly all of
// the prediction (on the test charts the residuals' median stays within
// 0.05 and the largest within half a Delta E of the exact ones).
class Residuals
{
public:
    Residuals(const std::vector<Lab>& references, const std::vector<Lab>& errors, const Lab& white,
              const OutlierSettings& settings, double spread)
        : references_(references), errors_(errors), white_(white), field_(settings.field),
          neighbours_(settings.neighbours), exact_(references.size() + 1 <= settings.exactUpTo),
          kept_(references.size(), 1), sizes_(references.size(), 0.0), near_(references.size())
    {
        field_.spread = spread;
        weights_[0] = field_.lWeight / field_.length;
        weights_[1] = weights_[2] = 1.0 / field_.length;
        scaled_.resize(3 * (references.size() + 1));
        for (std::size_t i = 0; i <= references.size(); ++i) {
            const Lab& p = i < references.size() ? references[i] : white;
            scaled_[3 * i] = p.L * weights_[0];
            scaled_[3 * i + 1] = p.a * weights_[1];
            scaled_[3 * i + 2] = p.b * weights_[2];
        }
        if (exact_) {
            solveExactly();
            return;
        }
        indexCells();
        for (std::size_t i = 0; i < references.size(); ++i)
            solveNeighbourhood(i);
    }

    double size(std::size_t patch) const { return sizes_[patch]; }

    // Takes patches out, and solves again where they counted.
    void leaveOut(const std::vector<std::size_t>& patches)
    {
        for (std::size_t p : patches)
            kept_[p] = 0;
        if (exact_) {
            solveExactly();
            return;
        }
        for (std::size_t i = 0; i < references_.size(); ++i)
            if (kept_[i] && std::any_of(near_[i].begin(), near_[i].end(), [this](std::size_t j) {
                    return j < references_.size() && !kept_[j];
                }))
                solveNeighbourhood(i);
    }

    // A patch left out against what the kept ones predict at it.
    double offBy(std::size_t patch)
    {
        if (exact_) {
            const LeaveOneOut fit = leaveOneOut(keptOf(references_), keptOf(errors_), white_, field_, {references_[patch]});
            return length(minus(errors_[patch], fit.predicted.front()));
        }
        return length(minus(errors_[patch], predictFromNeighbours(patch)));
    }

private:
    static Lab minus(const Lab& x, const Lab& y) { return {x.L - y.L, x.a - y.a, x.b - y.b}; }

    std::vector<Lab> keptOf(const std::vector<Lab>& all) const
    {
        std::vector<Lab> kept;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (kept_[i])
                kept.push_back(all[i]);
        return kept;
    }

    void solveExactly()
    {
        const LeaveOneOut fit = leaveOneOut(keptOf(references_), keptOf(errors_), white_, field_);
        std::size_t k = 0;
        for (std::size_t i = 0; i < references_.size(); ++i)
            if (kept_[i])
                sizes_[i] = length(fit.residuals[k++]);
    }

    double kernelBetween(std::size_t i, std::size_t j) const
    {
        const double* u = &scaled_[3 * i];
        const double* v = &scaled_[3 * j];
        const double d0 = u[0] - v[0], d1 = u[1] - v[1], d2 = u[2] - v[2];
        return std::exp(-0.5 * (d0 * d0 + d1 * d1 + d2 * d2));
    }

    // The nearest kept patches other than the patch, then the white: the
    // cells of one kernel length around it, ring by ring, until every
    // patch nearer than the last ring's reach is in and there are enough.
    std::vector<std::size_t> nearestTo(std::size_t patch) const
    {
        const double* u = &scaled_[3 * patch];
        const std::array<long, 3> centre = cellOf(u);
        std::vector<std::pair<double, std::size_t>> found;
        auto visit = [&](long x, long y, long z) {
            const long c[3] = {centre[0] + x - low_[0], centre[1] + y - low_[1], centre[2] + z - low_[2]};
            for (int k = 0; k < 3; ++k)
                if (c[k] < 0 || c[k] >= span_[k])
                    return;
            const std::size_t cell = static_cast<std::size_t>((c[0] * span_[1] + c[1]) * span_[2] + c[2]);
            for (std::size_t at = cellStart_[cell]; at < cellStart_[cell + 1]; ++at) {
                const std::size_t j = byCell_[at];
                if (j == patch || !kept_[j])
                    continue;
                const double* v = &scaled_[3 * j];
                const double d0 = u[0] - v[0], d1 = u[1] - v[1], d2 = u[2] - v[2];
                found.push_back({d0 * d0 + d1 * d1 + d2 * d2, j});
            }
        };
        for (long ring = 0;; ++ring) {
            // The shell of cells at this ring: the two faces across z whole,
            // the rest of the rows only at their ends.
            for (long x = -ring; x <= ring; ++x)
                for (long y = -ring; y <= ring; ++y) {
                    if (std::labs(x) == ring || std::labs(y) == ring)
                        for (long z = -ring; z <= ring; ++z)
                            visit(x, y, z);
                    else if (ring == 0)
                        visit(x, y, 0);
                    else {
                        visit(x, y, -ring);
                        visit(x, y, ring);
                    }
                }
            const double reach = double(ring) * cellSize;
            bool enough = false;
            if (found.size() >= neighbours_) {
                std::nth_element(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(neighbours_ - 1),
                                 found.end());
                enough = found[neighbours_ - 1].first <= reach * reach;
            }
            if (enough || ring > lastRing_) {
                const std::size_t count = std::min(neighbours_, found.size());
                std::vector<std::size_t> nearest;
                for (std::size_t k = 0; k < count; ++k)
                    nearest.push_back(found[k].second);
                nearest.push_back(references_.size());
                return nearest;
            }
        }
    }

    // The patches sorted by cell over the box that holds them.
    void indexCells()
    {
        const std::size_t n = references_.size();
        std::array<long, 3> high = cellOf(&scaled_[0]);
        std::copy(high.begin(), high.end(), low_);
        std::vector<std::array<long, 3>> cells(n);
        for (std::size_t i = 0; i < n; ++i) {
            cells[i] = cellOf(&scaled_[3 * i]);
            for (int k = 0; k < 3; ++k) {
                low_[k] = std::min(low_[k], cells[i][k]);
                high[k] = std::max(high[k], cells[i][k]);
            }
        }
        for (int k = 0; k < 3; ++k)
            span_[k] = high[k] - low_[k] + 1;
        // Beyond this ring every cell has been seen.
        lastRing_ = std::max({span_[0], span_[1], span_[2]});
        std::vector<std::size_t> cellOfPatch(n);
        cellStart_.assign(static_cast<std::size_t>(span_[0] * span_[1] * span_[2]) + 1, 0);
        for (std::size_t i = 0; i < n; ++i) {
            cellOfPatch[i] = static_cast<std::size_t>(((cells[i][0] - low_[0]) * span_[1] + cells[i][1] - low_[1]) *
                                                          span_[2] +
                                                      cells[i][2] - low_[2]);
            ++cellStart_[cellOfPatch[i] + 1];
        }
        for (std::size_t c = 1; c < cellStart_.size(); ++c)
            cellStart_[c] += cellStart_[c - 1];
        byCell_.resize(n);
        std::vector<std::size_t> next(cellStart_.begin(), cellStart_.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            byCell_[next[cellOfPatch[i]]++] = i;
    }

    static std::array<long, 3> cellOf(const double* u)
    {
        return {static_cast<long>(std::floor(u[0] / cellSize)), static_cast<long>(std::floor(u[1] / cellSize)),
                static_cast<long>(std::floor(u[2] / cellSize))};
    }

    // The field of the neighbours alone at the patch.
    Lab predict(std::size_t patch, const std::vector<std::size_t>& near) const
    {
        const auto m = static_cast<Eigen::Index>(near.size());
        const double variance = field_.spread * field_.spread;
        Eigen::MatrixXd K(m, m);
        Eigen::MatrixXd E(m, 3);
        Eigen::VectorXd k(m);
        for (Eigen::Index a = 0; a < m; ++a) {
            const std::size_t i = near[static_cast<std::size_t>(a)];
            for (Eigen::Index b = 0; b < a; ++b)
                K(a, b) = K(b, a) = variance * kernelBetween(i, near[static_cast<std::size_t>(b)]);
            const bool white = i == references_.size();
            const double noise = white ? field_.whiteNoise : field_.noise;
            K(a, a) = variance + noise * noise;
            const Lab e = white ? Lab{0, 0, 0} : errors_[i];
            E(a, 0) = e.L;
            E(a, 1) = e.a;
            E(a, 2) = e.b;
            k(a) = variance * kernelBetween(patch, i);
        }
        const Eigen::RowVector3d p = k.transpose() * K.llt().solve(E);
        return {p(0), p(1), p(2)};
    }

    void solveNeighbourhood(std::size_t patch)
    {
        near_[patch] = nearestTo(patch);
        sizes_[patch] = length(minus(errors_[patch], predict(patch, near_[patch])));
    }

    Lab predictFromNeighbours(std::size_t patch) const { return predict(patch, nearestTo(patch)); }

    const std::vector<Lab>& references_;
    const std::vector<Lab>& errors_;
    Lab white_;
    ErrorFieldSettings field_;
    std::size_t neighbours_;
    bool exact_;
    double weights_[3];
    std::vector<double> scaled_; // the patches, then the white, in kernel units
    std::vector<char> kept_;
    std::vector<double> sizes_;
    std::vector<std::vector<std::size_t>> near_;
    // The patches by cell of one kernel length.
    static constexpr double cellSize = 0.5;
    long low_[3] = {};
    long span_[3] = {};
    long lastRing_ = 0;
    std::vector<std::size_t> cellStart_, byCell_;
};

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

    // The spread stays as the whole chart gives it: the median hardly
    // moves when a few patches go.
    Residuals residuals(references, errors, white, settings, robustSpread(errors, settings.field.minSpread));
    std::vector<std::size_t> kept(n), left;
    std::vector<double> sizeWhenLeft;
    for (std::size_t i = 0; i < n; ++i)
        kept[i] = i;
    auto finish = [&search, &left, &sizeWhenLeft]() {
        for (std::size_t k = 0; k < left.size(); ++k)
            search.outliers.push_back({left[k], sizeWhenLeft[k]});
        std::sort(search.outliers.begin(), search.outliers.end(),
                  [](const Outlier& x, const Outlier& y) { return x.patch < y.patch; });
        return search;
    };
    for (;;) {
        ++search.rounds;
        std::vector<double> sizes(kept.size());
        for (std::size_t k = 0; k < kept.size(); ++k)
            sizes[k] = residuals.size(kept[k]);
        const double threshold = std::max(noiseFloor, settings.typicalMultiple * median(sizes));
        std::vector<std::size_t> candidates;
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (sizes[k] > threshold && !(kept[k] < trusted.size() && trusted[kept[k]]))
                candidates.push_back(k);

        if (candidates.empty()) {
            // Told against what the patches kept predict at each.
            for (std::size_t k = 0; k < left.size(); ++k)
                sizeWhenLeft[k] = residuals.offBy(left[k]);
            return finish();
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
        std::vector<std::size_t> patches;
        for (std::size_t k : going) {
            patches.push_back(kept[k]);
            left.push_back(kept[k]);
            sizeWhenLeft.push_back(sizes[k]);
        }
        if (left.size() > allowed) {
            search.tooMany = true;
            return finish();
        }
        std::sort(going.begin(), going.end());
        for (std::size_t g = going.size(); g-- > 0;)
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(going[g]));
        residuals.leaveOut(patches);
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
