#include "Plots.h"

#include "FixedNumber.h"
#include "Patch.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Sizes in canvas units and the colours of every plot.
constexpr double titleSize = 11;
constexpr double labelSize = 8.5;
constexpr double marginLeft = 36;
constexpr double marginRight = 12;
constexpr double marginTop = 24;
constexpr double marginBottom = 30;
constexpr double legendSpacing = 62;
const Rgb8 paper{255, 255, 255};
const Rgb8 ink{40, 40, 40};
const Rgb8 gridColour{228, 228, 228};
const Rgb8 axisColour{140, 140, 140};
const Rgb8 beforeColour{120, 146, 184};
const Rgb8 afterColour{236, 150, 60};
const Rgb8 beforeSelected{30, 58, 110};
const Rgb8 afterSelected{150, 70, 0};
const Rgb8 limitColour{200, 40, 40};
const Rgb8 black{0, 0, 0};
// Share of white mixed into the marks of unselected patches while others
// are selected.
constexpr double dimmed = 0.72;
// The a*b* arrows are magnified to about this share of the plane's reach.
constexpr double arrowShare = 1.0 / 6.0;

// Lightness ramp from dark violet (L* 0) through blue and green to yellow
// (L* 100): even steps in perceived lightness, readable on white.
const Rgb8 lightnessRamp[] = {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {236, 216, 30}};

Rgb8 mix(const Rgb8& c, double white)
{
    auto channel = [white](int v) { return static_cast<int>(v + (255 - v) * white + 0.5); };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

Rgb8 lightnessColour(double L)
{
    constexpr int last = static_cast<int>(std::size(lightnessRamp)) - 1;
    const double t = std::clamp(std::isfinite(L) ? L / 100.0 : 0.0, 0.0, 1.0) * last;
    const int k = std::min(static_cast<int>(t), last - 1);
    const double f = t - k;
    const Rgb8& a = lightnessRamp[k];
    const Rgb8& b = lightnessRamp[k + 1];
    auto channel = [f](int x, int y) { return static_cast<int>(x + (y - x) * f + 0.5); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// 1, 2 or 5 times a power of ten, so that range takes at most maxSteps steps.
double niceStep(double range, int maxSteps)
{
    if (!(range > 0) || !std::isfinite(range))
        return 1;
    const double raw = range / maxSteps;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

std::string tickText(double value, double step)
{
    return fixedNumber(value, step >= 1 ? 0 : step >= 0.1 ? 1 : 2);
}

struct Scale
{
    double v0, v1, p0, p1;
    double operator()(double v) const { return p0 + (v - v0) * (p1 - p0) / (v1 - v0); }
};

// Clears the area, writes the title and returns the plot's inner area.
PlotRect frame(PlotCanvas& canvas, const PlotRect& area, const std::string& title)
{
    canvas.fillRect(area, paper);
    canvas.text({area.x + area.width / 2, area.y + titleSize + 4}, title, titleSize, ink, TextAnchor::Middle, true);
    return {area.x + marginLeft, area.y + marginTop, std::max(1.0, area.width - marginLeft - marginRight),
            std::max(1.0, area.height - marginTop - marginBottom)};
}

bool nothingToShow(PlotCanvas& canvas, const PlotRect& plot, const PlotData& data)
{
    if (!data.patches.empty())
        return false;
    canvas.text({plot.x + plot.width / 2, plot.y + plot.height / 2}, data.words.nothingToShow, labelSize, axisColour, TextAnchor::Middle);
    return true;
}

// Grid lines and labels of the value axis, 0 to top.
void valueAxis(PlotCanvas& canvas, const PlotRect& plot, const Scale& y, double step, double top)
{
    for (int k = 0; k * step <= top + step * 1e-9; ++k) {
        const double v = k * step;
        const double py = y(v);
        canvas.line({plot.x, py}, {plot.right(), py}, gridColour, 0.6);
        canvas.text({plot.x - 4, py + labelSize * 0.35}, tickText(v, step), labelSize, ink, TextAnchor::End);
    }
    canvas.line({plot.x, plot.y}, {plot.x, plot.bottom()}, axisColour, 0.8);
}

// Labels along the bottom at every labelled position, and the axis title.
void bottomAxis(PlotCanvas& canvas, const PlotRect& plot, const Scale& x, double step, double last, int every,
                const std::string& title)
{
    canvas.line({plot.x, plot.bottom()}, {plot.right(), plot.bottom()}, axisColour, 0.8);
    for (int k = 0; k * step <= last + step * 1e-9; k += every) {
        const double px = x(k * step);
        canvas.line({px, plot.bottom()}, {px, plot.bottom() + 3}, axisColour, 0.8);
        canvas.text({px, plot.bottom() + 4 + labelSize}, tickText(k * step, step), labelSize, ink, TextAnchor::Middle);
    }
    canvas.text({plot.x + plot.width / 2, plot.bottom() + 6 + 2 * labelSize}, title, labelSize, ink,
                TextAnchor::Middle);
}

// The value axis's title, above its labels and level with the plot's title.
void axisTitle(PlotCanvas& canvas, const PlotRect& plot, const std::string& text)
{
    canvas.text({plot.x - marginLeft + 2, plot.y - 9}, text, labelSize, ink);
}

struct LegendEntry
{
    std::string label;
    Rgb8 colour;
};

// Entries in a row just inside the plot's top, where its data leave room:
// at the left or ending at the right edge.
void legend(PlotCanvas& canvas, const PlotRect& plot, const std::vector<LegendEntry>& entries, bool atLeft)
{
    double x = atLeft ? plot.x + 6 : plot.right() - legendSpacing * entries.size();
    for (const LegendEntry& entry : entries) {
        canvas.fillRect({x, plot.y + 3, 8, 8}, entry.colour);
        canvas.text({x + 11, plot.y + 3 + labelSize * 0.9}, entry.label, labelSize, ink);
        x += legendSpacing;
    }
}

// text with its "%1" replaced by value.
std::string filledIn(const std::string& text, const std::string& value)
{
    const std::size_t at = text.find("%1");
    return at == std::string::npos ? text : text.substr(0, at) + value + text.substr(at + 2);
}

std::string metricTitle(const PlotData& data, const std::string& title)
{
    return filledIn(title, metricName(data.metric));
}

// A bar of count patches, the selected ones at its foot in a darker shade.
void bar(PlotCanvas& canvas, double x, double width, const Scale& y, int count, int selected, const Rgb8& colour,
         const Rgb8& selectedColour)
{
    if (count > 0)
        canvas.fillRect({x, y(count), width, y(0) - y(count)}, colour);
    if (selected > 0)
        canvas.fillRect({x, y(selected), width, y(0) - y(selected)}, selectedColour);
}

void arrow(PlotCanvas& canvas, PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::hypot(dx, dy);
    const double head = 3.0 + 1.5 * width;
    if (length < 0.5) {
        canvas.circle(from, 0.6 + width * 0.5, colour, colour, 0);
        return;
    }
    if (length < head * 1.5) {
        canvas.line(from, to, colour, width);
        return;
    }
    const double ux = dx / length, uy = dy / length;
    const PlotPoint base{to.x - ux * head, to.y - uy * head};
    const double side = head * 0.45;
    canvas.arrow(from, base, to, {base.x - uy * side, base.y + ux * side}, {base.x + uy * side, base.y - ux * side},
                 colour, width);
}

} // namespace

PlotData plotDataOf(const std::vector<Patch>& patches, DeltaEMetric metric, const ToleranceLimits& limits,
                    const std::vector<std::size_t>& selection)
{
    PlotData data;
    data.metric = metric;
    data.limits = limits;
    std::vector<bool> selected(patches.size(), false);
    for (std::size_t index : selection)
        if (index < patches.size())
            selected[index] = true;
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const Patch& p = patches[i];
        if (!p.paired())
            continue;
        const double after = p.hasResult ? p.remainingDeltaE(metric) : 0.0;
        data.patches.push_back({p.reference, p.measured, p.hasResult, p.predicted(), p.measuredDeltaE(metric), after,
                                selected[i]});
        data.anySelected = data.anySelected || selected[i];
        data.anyResult = data.anyResult || p.hasResult;
    }
    // After a correction of some patches the others print as measured:
    // "after" shows the whole chart, as the summary does.
    if (data.anyResult)
        for (PlotPatch& p : data.patches)
            if (!p.hasResult) {
                p.hasResult = true;
                p.predicted = p.measured;
                p.after = p.before;
            }
    return data;
}

void drawHistogram(PlotCanvas& canvas, const PlotRect& area, const PlotData& data)
{
    const PlotRect plot = frame(canvas, area, metricTitle(data, data.words.histogram));
    if (nothingToShow(canvas, plot, data))
        return;
    double top = 0;
    for (const PlotPatch& p : data.patches)
        top = std::max({top, p.before, p.hasResult ? p.after : 0.0});
    const double binWidth = niceStep(std::max(top, 0.5), 12);
    const int bins = static_cast<int>(top / binWidth) + 1;
    std::vector<int> before(bins), after(bins), beforeChosen(bins), afterChosen(bins);
    auto bin = [&](double dE) { return std::clamp(static_cast<int>(dE / binWidth), 0, bins - 1); };
    for (const PlotPatch& p : data.patches) {
        const int k = bin(p.before);
        ++before[k];
        beforeChosen[k] += p.selected;
        if (p.hasResult) {
            const int j = bin(p.after);
            ++after[j];
            afterChosen[j] += p.selected;
        }
    }
    const int most = std::max(*std::max_element(before.begin(), before.end()),
                              *std::max_element(after.begin(), after.end()));
    const double countStep = std::max(1.0, niceStep(most, 5));
    const double countTop = std::ceil(most / countStep) * countStep;
    const Scale x{0, bins * binWidth, plot.x, plot.right()};
    const Scale y{0, countTop, plot.bottom(), plot.y};
    valueAxis(canvas, plot, y, countStep, countTop);

    const double slot = plot.width / bins;
    const double barWidth = slot * (data.anyResult ? 0.42 : 0.86);
    for (int k = 0; k < bins; ++k) {
        const double left = plot.x + k * slot + slot * 0.07;
        bar(canvas, left, barWidth, y, before[k], beforeChosen[k], beforeColour, beforeSelected);
        if (data.anyResult)
            bar(canvas, left + barWidth, barWidth, y, after[k], afterChosen[k], afterColour, afterSelected);
    }
    bottomAxis(canvas, plot, x, binWidth, bins * binWidth, (bins + 8) / 9, metricName(data.metric));
    axisTitle(canvas, plot, data.words.patchCount);
    std::vector<LegendEntry> entries{{data.words.before, beforeColour}};
    if (data.anyResult)
        entries.push_back({data.words.after, afterColour});
    if (data.anySelected)
        entries.push_back({data.words.selected, beforeSelected});
    // Most patches sit in the low bins on the left.
    legend(canvas, plot, entries, false);
}

AbPlane abPlaneOf(const PlotRect& area, const PlotData& data)
{
    AbPlane plane;
    // Differences of a few units vanish on a plane a hundred units wide;
    // they are drawn magnified by a round factor the title states.
    double reach = 10, typical = 0;
    for (const PlotPatch& p : data.patches) {
        reach = std::max({reach, std::fabs(p.reference.a), std::fabs(p.reference.b)});
        typical += std::hypot(p.measured.a - p.reference.a, p.measured.b - p.reference.b);
    }
    if (!data.patches.empty())
        typical /= data.patches.size();
    for (double m : {2.0, 5.0, 10.0, 20.0, 50.0})
        if (typical > 0 && m * typical <= reach * arrowShare)
            plane.magnification = m;
    for (const PlotPatch& p : data.patches) {
        const Lab m = plane.tip(p.reference, p.measured), q = plane.tip(p.reference, p.predicted);
        reach = std::max({reach, std::fabs(m.a), std::fabs(m.b)});
        if (p.hasResult)
            reach = std::max({reach, std::fabs(q.a), std::fabs(q.b)});
    }
    plane.area = area;
    const PlotRect inner{area.x + marginLeft, area.y + marginTop, std::max(1.0, area.width - marginLeft - marginRight),
                         std::max(1.0, area.height - marginTop - marginBottom)};
    const double side = std::min(inner.width, inner.height);
    plane.plot = {inner.x + (inner.width - side) / 2, inner.y, side, side};
    // Fewer ticks on a small plot, so that labels such as "-80" keep apart.
    const int ticks = std::clamp(static_cast<int>(side / (3.0 * labelSize)), 2, 8);
    plane.step = niceStep(2 * reach, ticks);
    plane.range = std::ceil(reach / plane.step) * plane.step;
    return plane;
}

Lab AbPlane::tip(const Lab& from, const Lab& to) const
{
    return Lab{to.L, from.a + (to.a - from.a) * magnification, from.b + (to.b - from.b) * magnification};
}

PlotPoint AbPlane::at(double a, double b) const
{
    const Scale x{-range, range, plot.x, plot.right()};
    const Scale y{-range, range, plot.bottom(), plot.y};
    return {x(a), y(b)};
}

void drawAbPlaneFrame(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data)
{
    // Short enough for a narrow dock: the longer titles were cut at both ends.
    const std::string title = plane.magnification > 1
                                  ? filledIn(data.words.planeMagnified, fixedNumber(plane.magnification, 0))
                                  : data.words.plane;
    frame(canvas, plane.area, title);
    const PlotRect& plot = plane.plot;
    if (nothingToShow(canvas, plot, data))
        return;
    const double step = plane.step;
    const int half = static_cast<int>(std::lround(plane.range / step));
    for (int k = -half; k <= half; ++k) {
        const double v = k * step;
        const bool axis = k == 0;
        const PlotPoint p = plane.at(v, v);
        canvas.line({p.x, plot.y}, {p.x, plot.bottom()}, axis ? axisColour : gridColour, axis ? 0.8 : 0.6);
        canvas.line({plot.x, p.y}, {plot.right(), p.y}, axis ? axisColour : gridColour, axis ? 0.8 : 0.6);
        canvas.text({plot.x - 4, p.y + labelSize * 0.35}, tickText(v, step), labelSize, ink, TextAnchor::End);
        canvas.text({p.x, plot.bottom() + 4 + labelSize}, tickText(v, step), labelSize, ink, TextAnchor::Middle);
    }
    // Axis names beside the axes' ends, clear of the tick labels.
    const PlotPoint origin = plane.at(0, 0);
    canvas.text({plot.right() - 3, origin.y - 4}, "a*", labelSize, ink, TextAnchor::End);
    canvas.text({origin.x + 4, plot.y + labelSize + 2}, "b*", labelSize, ink);
}

void drawAbPlaneMarks(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data, PlaneMarks marks)
{
    // Unselected first, so that the selected ones are drawn on top.
    for (bool selectedPass : {false, true}) {
        for (const PlotPatch& p : data.patches) {
            bool selected = p.selected, faint = data.anySelected && !p.selected;
            switch (marks) {
            case PlaneMarks::AsSelected:
                break;
            case PlaneMarks::AllPlain:
                selected = faint = false;
                break;
            case PlaneMarks::AllFaint:
                selected = false;
                faint = true;
                break;
            case PlaneMarks::AllSelected:
                selected = true;
                faint = false;
                break;
            case PlaneMarks::SelectedOnly:
                if (!p.selected)
                    continue;
                break;
            }
            if (selected != selectedPass)
                continue;
            const Rgb8 colour = faint ? mix(lightnessColour(p.reference.L), dimmed) : lightnessColour(p.reference.L);
            const double width = selected ? 1.8 : 1.0;
            const PlotPoint from = plane.at(p.reference.a, p.reference.b);
            if (selected)
                canvas.circle(from, 3.5, paper, black, 1.0);
            const Lab m = plane.tip(p.reference, p.measured);
            arrow(canvas, from, plane.at(m.a, m.b), colour, width);
            if (p.hasResult) {
                const Lab q = plane.tip(p.reference, p.predicted);
                arrow(canvas, from, plane.at(q.a, q.b), faint ? mix(black, dimmed) : black, width * 0.7);
            }
        }
    }
}

void drawAbPlaneKey(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data)
{
    if (data.patches.empty())
        return;
    // The lightness key in the upper left corner.
    const PlotRect& plot = plane.plot;
    const double keyWidth = 12;
    for (int k = 0; k < 5; ++k)
        canvas.fillRect({plot.x + 4 + k * keyWidth, plot.y + 4, keyWidth, 7}, lightnessColour(k * 25.0));
    canvas.text({plot.x + 4, plot.y + 13 + labelSize}, "L* 0", labelSize, ink);
    canvas.text({plot.x + 4 + 5 * keyWidth, plot.y + 13 + labelSize}, "100", labelSize, ink, TextAnchor::End);
    if (data.anyResult)
        canvas.text({plot.x + 4, plot.y + 15 + 2 * labelSize}, data.words.predicted, labelSize, ink);
}

void drawAbPlane(PlotCanvas& canvas, const PlotRect& area, const PlotData& data)
{
    const AbPlane plane = abPlaneOf(area, data);
    drawAbPlaneFrame(canvas, plane, data);
    if (data.patches.empty())
        return;
    drawAbPlaneMarks(canvas, plane, data, PlaneMarks::AsSelected);
    drawAbPlaneKey(canvas, plane, data);
}

void drawSortedDeltaE(PlotCanvas& canvas, const PlotRect& area, const PlotData& data)
{
    const PlotRect plot = frame(canvas, area, metricTitle(data, data.words.sorted));
    if (nothingToShow(canvas, plot, data))
        return;
    struct Ranked
    {
        double dE;
        bool selected;
    };
    std::vector<Ranked> before, after;
    for (const PlotPatch& p : data.patches) {
        before.push_back({p.before, p.selected});
        if (p.hasResult)
            after.push_back({p.after, p.selected});
    }
    auto ascending = [](const Ranked& a, const Ranked& b) { return a.dE < b.dE; };
    std::sort(before.begin(), before.end(), ascending);
    std::sort(after.begin(), after.end(), ascending);

    // Room above the limit for the legend.
    double top = std::max(before.back().dE, data.limits.maximum * 1.3);
    if (!after.empty())
        top = std::max(top, after.back().dE);
    const double step = niceStep(top, 6);
    top = std::ceil(top / step) * step;
    // Ranks as a share of the patches, so that a correction of some
    // patches compares with the whole chart.
    const Scale x{0, 100, plot.x, plot.right()};
    const Scale y{0, top, plot.bottom(), plot.y};
    valueAxis(canvas, plot, y, step, top);
    bottomAxis(canvas, plot, x, 10, 100, 2, data.words.patchShare);

    const double limitY = y(data.limits.maximum);
    canvas.line({plot.x, limitY}, {plot.right(), limitY}, limitColour, 0.8);
    // Below the line at the left, where ascending curves are lowest.
    canvas.text({plot.x + 6, limitY + labelSize + 2}, filledIn(data.words.maximumLimit, fixedNumber(data.limits.maximum, 2)),
                labelSize, limitColour);

    auto curve = [&](const std::vector<Ranked>& ranked, const Rgb8& colour, const Rgb8& selectedColour) {
        if (ranked.empty())
            return;
        const double n = static_cast<double>(ranked.size());
        auto share = [n](std::size_t i) { return n > 1 ? 100.0 * i / (n - 1) : 50.0; };
        std::vector<PlotPoint> points;
        for (std::size_t i = 0; i < ranked.size(); ++i)
            points.push_back({x(share(i)), y(ranked[i].dE)});
        if (points.size() > 1)
            canvas.polyline(points, colour, 1.6);
        else
            canvas.circle(points[0], 2, colour, colour, 0);
        for (std::size_t i = 0; i < ranked.size(); ++i)
            if (ranked[i].selected)
                canvas.circle(points[i], 2.6, selectedColour, paper, 0.6);
    };
    curve(before, beforeColour, beforeSelected);
    curve(after, afterColour, afterSelected);
    std::vector<LegendEntry> entries{{data.words.before, beforeColour}};
    if (data.anyResult)
        entries.push_back({data.words.after, afterColour});
    if (data.anySelected)
        entries.push_back({data.words.selected, beforeSelected});
    // Ascending curves leave the upper left free.
    legend(canvas, plot, entries, true);
}
