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
#include <vector>

struct Patch;

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
};

// selection: indices into patches, in any order.
PlotData plotDataOf(const std::vector<Patch>& patches, DeltaEMetric metric, const ToleranceLimits& limits,
                    const std::vector<std::size_t>& selection);

void drawHistogram(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);
void drawAbPlane(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);
void drawSortedDeltaE(PlotCanvas& canvas, const PlotRect& area, const PlotData& data);
