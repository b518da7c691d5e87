#pragma once
// The correction as an abstract profile: for RIPs and colour management
// that apply their own abstract profile in front of a printer profile they
// may not change. It maps each absolute Lab colour x to the Lab y to ask
// the unchanged profile for, so that the drifted printer prints x: the y
// whose device values through the original B2A1 print, by the original
// A2B1, what the corrected B2A1's device values for x print. Where the
// correction left the tables alone, y = x; the paper white stays itself.
//
// A pure function of two profiles: the one as opened (the tables the chart
// was printed with) and the corrected one; both keep their tables.

#include "ColorDifference.h"
#include "DeviceField.h"
#include "EngineText.h"
#include "csICCLutWriter.h"

#include <memory>
#include <string>
#include <vector>

class csICCProfile;

struct AbstractSettings
{
    unsigned gridPoints = 33;
    // Steps of y <- y + (A2B1(B2A1'(x)) - A2B1(B2A1(y))).
    int steps = 20;
    // Weight of a node's own value against the chart's colours when the
    // nodes of the chart's cells are fitted.
    double nodeWeight = 0.3;
    // Weight of the paper white, which must map to itself, against a chart colour's.
    double paperWeight = 30.0;
    // Device values closer than this (0..1) count as unchanged.
    double unchanged = 0.5 / 65535.0;
    // The drift over the device values, fitted to the measured chart
    // (Smooth's device field and its settings).
    DeviceFieldSettings drift = {0.7, 0.3, 0.5, 0.05};
};

struct AbstractOutcome
{
    std::unique_ptr<csICCProfile> profile; // null with message
    EngineText message;
    double largestShift = 0; // largest |y - x| over the nodes, dE76
    std::size_t nodesShifted = 0;
    // How far the original route at y still prints from the corrected one
    // at x, by A2B1 (dE76), mean and largest over the moved nodes.
    double meanMiss = 0, largestMiss = 0;
};

// The abstract profile of the version of the original (mft2 below 4, mAB
// from 4), without desc and cprt. chart: the colours the correction was
// measured at (absolute Lab), where the corrected table may change from
// cell to cell; the nodes around them are fitted to give what each asks for.
// measured: what the chart printed as, one per colour. With it the two
// routes are compared on the printer as measured (A2B1 plus the drift
// over the device values) rather than on A2B1 alone: where they reach a
// colour with different black, the drifted printer tells them apart.
AbstractOutcome correctionAsAbstract(csICCProfile& original, csICCProfile& corrected,
                                     const AbstractSettings& settings = {}, const std::vector<Lab>& chart = {},
                                     const std::vector<Lab>& measured = {});
