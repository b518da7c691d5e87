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
// exactUpTo patches gets the exact ones from one factorisation. A larger
// one is cut into cells of half a kernel length; the patches of a cell
// share one neighbourhood (the patches nearest the cell's centre, its own
// and the white), and each gets its exact leave-one-out residual within
// it from that neighbourhood's one factorisation. A factorisation of the
// whole chart would cost as much as the Smooth field itself, while the
// kernel falls off fast enough that the nearest few dozen patches decide
// nearly all of a prediction.
class Residuals
{
public:
    Residuals(const std::vector<Lab>& references, const std::vector<Lab>& errors, const Lab& white,
              const OutlierSettings& settings, double spread)
        : references_(references), errors_(errors), white_(white), field_(settings.field),
          neighbours_(std::min<std::size_t>(settings.neighbours, maxNear / 2)),
          exact_(references.size() + 1 <= settings.exactUpTo), kept_(references.size(), 1),
          sizes_(references.size(), 0.0)
    {
        field_.spread = spread;
        const double weights[3] = {field_.lWeight / field_.length, 1.0 / field_.length, 1.0 / field_.length};
        scaled_.resize(3 * (references.size() + 1));
        for (std::size_t i = 0; i <= references.size(); ++i) {
            const Lab& p = i < references.size() ? references[i] : white;
            scaled_[3 * i] = p.L * weights[0];
            scaled_[3 * i + 1] = p.a * weights[1];
            scaled_[3 * i + 2] = p.b * weights[2];
        }
        if (exact_) {
            solveExactly();
            return;
        }
        indexCells();
        cellNear_.resize(cellStart_.size() - 1);
        for (std::size_t cell = 0; cell + 1 < cellStart_.size(); ++cell)
            solveCell(cell);
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
        for (std::size_t cell = 0; cell < cellNear_.size(); ++cell)
            if (std::any_of(cellNear_[cell].begin(), cellNear_[cell].end(),
                            [this](std::size_t j) { return j < references_.size() && !kept_[j]; }))
                solveCell(cell);
    }

    // A patch left out against what the kept ones predict at it.
    double offBy(std::size_t patch) const
    {
        if (exact_) {
            const LeaveOneOut fit =
                leaveOneOut(keptOf(references_), keptOf(errors_), white_, field_, {references_[patch]});
            return length(minus(errors_[patch], fit.predicted.front()));
        }
        const double* centre = &scaled_[3 * patch];
        std::vector<std::size_t> near = nearestTo(centre, cellOf(centre));
        near.push_back(references_.size());
        const Neighbourhood hood(*this, near, centre);
        return length(minus(errors_[patch], hood.predictionAtCentre()));
    }

private:
    // Neighbours and the white, at most.
    static constexpr int maxNear = 96;
    static constexpr std::size_t maxGroup = 32;
    using Points = Eigen::Matrix<float, Eigen::Dynamic, 3, 0, maxNear, 3>;
    using Square = Eigen::Matrix<float, Eigen::Dynamic, Eigen::Dynamic, 0, maxNear, maxNear>;
    using Column = Eigen::Matrix<float, Eigen::Dynamic, 1, 0, maxNear, 1>;

    // The field of some patches (and the white), factorised once. In
    // float, the kernel through vectorised exp: a few dozen points with the
    // noise on the diagonal leave the solve well conditioned, and the
    // residuals are wanted to a hundredth.
    class Neighbourhood
    {
    public:
        Neighbourhood(const Residuals& r, const std::vector<std::size_t>& points, const double* centre)
        {
            const auto m = static_cast<Eigen::Index>(points.size());
            variance_ = static_cast<float>(r.field_.spread * r.field_.spread);
            X_.resize(m, 3);
            E_.resize(m, 3);
            for (Eigen::Index a = 0; a < m; ++a) {
                const std::size_t i = points[static_cast<std::size_t>(a)];
                for (int c = 0; c < 3; ++c)
                    X_(a, c) = static_cast<float>(r.scaled_[3 * i + c] - centre[c]);
                const Lab e = i == r.references_.size() ? Lab{0, 0, 0} : r.errors_[i];
                E_.row(a) << static_cast<float>(e.L), static_cast<float>(e.a), static_cast<float>(e.b);
            }
            squares_ = X_.rowwise().squaredNorm();
            Square K = X_ * X_.transpose();
            K = (K.array().colwise() - 0.5f * squares_.array()).rowwise() - 0.5f * squares_.transpose().array();
            K = variance_ * K.array().exp();
            for (Eigen::Index a = 0; a < m; ++a) {
                const bool white = points[static_cast<std::size_t>(a)] == r.references_.size();
                const double noise = white ? r.field_.whiteNoise : r.field_.noise;
                K(a, a) += static_cast<float>(noise * noise);
            }
            llt_.compute(K);
        }

        // The field of every point at the centre.
        Lab predictionAtCentre() const
        {
            const Column k = variance_ * (-0.5f * squares_.array()).exp();
            const Eigen::RowVector3f p = llt_.solve(k).transpose() * E_;
            return {p(0), p(1), p(2)};
        }

        // Point a's error against the field of all the others:
        // [K^-1 E]_a / [K^-1]_aa, with [K^-1]_aa the squared length of
        // column a of L^-1.
        Lab residualOf(Eigen::Index a, const Points& weights) const
        {
            Column unit = Column::Zero(X_.rows());
            unit(a) = 1.0f;
            llt_.matrixL().solveInPlace(unit);
            const Eigen::RowVector3f r = weights.row(a) / unit.squaredNorm();
            return {r(0), r(1), r(2)};
        }

        Points weights() const { return llt_.solve(E_); }

    private:
        float variance_;
        Points X_, E_;
        Column squares_;
        Eigen::LLT<Square> llt_;
    };

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

    // The cell's kept patches and the kept patches nearest its centre, the
    // white last; every patch of the cell gets its residual among them.
    void solveCell(std::size_t cell)
    {
        std::vector<std::size_t> own;
        for (std::size_t at = cellStart_[cell]; at < cellStart_[cell + 1]; ++at)
            if (kept_[byCell_[at]])
                own.push_back(byCell_[at]);
        cellNear_[cell].clear();
        if (own.empty())
            return;
        const std::array<long, 3> index = cellIndex(cell);
        double centre[3];
        for (int k = 0; k < 3; ++k)
            centre[k] = (double(index[k]) + 0.5) * cellSize;
        const std::vector<std::size_t> nearest = nearestTo(centre, index);
        // A cell of many patches (a colour printed over and over) is taken
        // a group at a time, so that a neighbourhood stays small.
        for (std::size_t first = 0; first < own.size(); first += maxGroup) {
            const std::size_t last = std::min(own.size(), first + maxGroup);
            const std::vector<std::size_t> group(own.begin() + static_cast<std::ptrdiff_t>(first),
                                                 own.begin() + static_cast<std::ptrdiff_t>(last));
            std::vector<std::size_t> near = group;
            for (std::size_t j : nearest)
                if (near.size() + 1 < std::size_t(maxNear) &&
                    std::find(group.begin(), group.end(), j) == group.end())
                    near.push_back(j);
            near.push_back(references_.size());
            const Neighbourhood hood(*this, near, centre);
            const Points weights = hood.weights();
            for (std::size_t a = 0; a < group.size(); ++a)
                sizes_[group[a]] = length(hood.residualOf(static_cast<Eigen::Index>(a), weights));
            cellNear_[cell].insert(cellNear_[cell].end(), near.begin(), near.end());
        }
    }

    // The nearest kept patches to a point: the cells around it, ring by
    // ring, until every patch nearer than the last ring's reach is in and
    // there are enough.
    std::vector<std::size_t> nearestTo(const double* u, const std::array<long, 3>& centre) const
    {
        std::vector<std::pair<double, std::size_t>> found;
        auto visit = [&](long x, long y, long z) {
            const long c[3] = {centre[0] + x - low_[0], centre[1] + y - low_[1], centre[2] + z - low_[2]};
            for (int k = 0; k < 3; ++k)
                if (c[k] < 0 || c[k] >= span_[k])
                    return;
            const std::size_t cell = static_cast<std::size_t>((c[0] * span_[1] + c[1]) * span_[2] + c[2]);
            for (std::size_t at = cellStart_[cell]; at < cellStart_[cell + 1]; ++at) {
                const std::size_t j = byCell_[at];
                if (!kept_[j])
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

    std::array<long, 3> cellIndex(std::size_t cell) const
    {
        const long c = static_cast<long>(cell);
        return {c / (span_[1] * span_[2]) + low_[0], c / span_[2] % span_[1] + low_[1], c % span_[2] + low_[2]};
    }

    const std::vector<Lab>& references_;
    const std::vector<Lab>& errors_;
    Lab white_;
    ErrorFieldSettings field_;
    std::size_t neighbours_;
    bool exact_;
    std::vector<double> scaled_; // the patches, then the white, in kernel units
    std::vector<char> kept_;
    std::vector<double> sizes_;
    // The patches by cell of half a kernel length, and each cell's neighbourhood.
    static constexpr double cellSize = 0.5;
    long low_[3] = {};
    long span_[3] = {};
    long lastRing_ = 0;
    std::vector<std::size_t> cellStart_, byCell_;
    std::vector<std::vector<std::size_t>> cellNear_;
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
    for (std::size_t i = 0; i < n; ++i)
        kept[i] = i;
    // Suspects go by the fixed part of the threshold alone: misread
    // patches raise their neighbours' residuals, many of them the median,
    // and would hide behind it.
    bool settled = false;
    while (left.size() <= n / 2 && search.rounds < settings.rounds) {
        ++search.rounds;
        const double threshold = noiseFloor;
        std::vector<std::size_t> candidates;
        for (std::size_t i : kept)
            if (residuals.size(i) > threshold && !(i < trusted.size() && trusted[i]))
                candidates.push_back(i);
        if (candidates.empty()) {
            settled = true;
            break;
        }
        std::sort(candidates.begin(), candidates.end(),
                  [&residuals](std::size_t x, std::size_t y) { return residuals.size(x) > residuals.size(y); });
        // A candidate near a worse one may only be pulled by it.
        std::vector<std::size_t> going;
        for (std::size_t c = 0; c < candidates.size(); ++c) {
            const Lab& x = references[candidates[c]];
            const bool alone = std::all_of(
                candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(c),
                [&](std::size_t worse) { return farApart(x, references[worse], settings.field, settings.apart); });
            if (alone)
                going.push_back(candidates[c]);
        }
        for (std::size_t i : going) {
            left.push_back(i);
            kept.erase(std::find(kept.begin(), kept.end(), i));
        }
        residuals.leaveOut(going);
    }
    // The suspects that still disagree, by the strict threshold, with what
    // the patches kept predict are the outliers; the others were only
    // pulled by them.
    std::vector<double> sizes;
    for (std::size_t i : kept)
        sizes.push_back(residuals.size(i));
    std::vector<double> offBy;
    for (std::size_t i : left) {
        offBy.push_back(residuals.offBy(i));
        sizes.push_back(offBy.back());
    }
    const double threshold = std::max(noiseFloor, settings.typicalMultiple * median(sizes));
    for (std::size_t k = 0; k < left.size(); ++k)
        if (offBy[k] > threshold)
            search.outliers.push_back({left[k], offBy[k]});
    // Suspects the rounds did not get to count as they stand.
    for (std::size_t i : kept)
        if (residuals.size(i) > noiseFloor && !(i < trusted.size() && trusted[i]) && !settled)
            search.outliers.push_back({i, residuals.size(i)});
    std::sort(search.outliers.begin(), search.outliers.end(),
              [](const Outlier& x, const Outlier& y) { return x.patch < y.patch; });
    // Suspects all over, more than the rounds could take out, are a
    // measurement that fits no smooth drift.
    search.tooMany = search.outliers.size() > allowed || !settled;
    return search;
}

std::vector<double> leaveOneOutSizes(const std::vector<Lab>& references, const std::vector<Lab>& errors,
                                     const Lab& white, const OutlierSettings& settings)
{
    const Residuals residuals(references, errors, white, settings, robustSpread(errors, settings.field.minSpread));
    std::vector<double> sizes(references.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        sizes[i] = residuals.size(i);
    return sizes;
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
