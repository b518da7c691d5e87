#pragma once
// The plots of a correction, drawn once for every canvas: how the Delta E
// is distributed before and after (histogram), where on the a*b* plane
// each patch missed its reference and where it is predicted to land
// (arrows coloured by the reference's lightness), and every patch's
// Delta E in ascending order, before and after. Selected patches stand out.

#include "ColorDifference.h"
#include "PlotCanvas.h"
#include "Tolerance.h"

#include <cstddef>
#include <string>
#include <vector>

struct Patch;

// The words the plots are labelled with, English unless the caller gives
// its own: reports keep these, the window gives them in the user's
// language. "%1" stands for the metric's name, the magnification or the
// limit.
struct PlotWords
{
    std::string histogram = "%1 histogram";
    std::string sorted = "%1 per patch, sorted";
    std::string plane = "a*b*, reference to measured";
    std::string planeMagnified = "a*b*, reference to measured (x%1)";
    std::string nothingToShow = "No patch with reference and measured values";
    std::string patchCount = "patches";
    std::string patchShare = "share of the patches, %";
    std::string before = "before";
    std::string after = "after";
    std::string selected = "selected";
    std::string predicted = "black: predicted after correction";
    std::string maximumLimit = "maximum limit %1";
};

struct PlotPatch
{
    Lab reference;
    Lab measured;
    bool hasResult;
    Lab predicted;
    double before; // Delta E in the plot's metric
    double after;
    bool selected;
};

struct PlotData
{
    DeltaEMetric metric = DeltaEMetric::CIE1976;
    ToleranceLimits limits;
    std::vector<PlotPatch> patches; // the paired ones
    bool anySelected = false;
    bool anyResult = false;
    PlotWords words;
};

// selection: indices into patches, in any order.
PlotData plotDataOf(const std::vector<Patch>& patches, DeltaEMetric metric, const ToleranceLimits& limits,
                    const std::vector<std::size_t>& selection);

void drawHistogram(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);
void drawAbPlane(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);

// The a*b* plane in its three layers, for a canvas that keeps the marks of
// thousands of patches as images and changes only what a new selection
// changes: the frame (title, grid, axes), the patches' marks, and the key
// drawn over them. drawAbPlane draws the three.
struct AbPlane
{
    PlotRect area;
    PlotRect plot; // the square inside the frame
    double magnification = 1;
    double range = 10; // a* and b* run from -range to range
    double step = 5;
    Lab tip(const Lab& from, const Lab& to) const;
    PlotPoint at(double a, double b) const;
};
AbPlane abPlaneOf(const PlotRect& area, const PlotData& data);
// Which marks, and how: as the patches' selection says; every patch as if
// none were selected, faint as the unselected beside a selection, or as
// selected; or only the selected patches, as selected.
enum class PlaneMarks { AsSelected, AllPlain, AllFaint, AllSelected, SelectedOnly };
void drawAbPlaneFrame(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data);
void drawAbPlaneMarks(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data, PlaneMarks marks);
void drawAbPlaneKey(PlotCanvas& canvas, const AbPlane& plane, const PlotData& data);
void drawSortedDeltaE(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);
