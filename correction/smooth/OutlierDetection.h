#pragma once
// Patches read wrongly: a strip read one row off, a patch measured on dust
// or a crease, one patch's values typed onto another. A smooth correction
// spreads such an error over the whole colour space, so they are found and
// left out first.
//
// A patch is an outlier when its error disagrees with what the error field
// of the other patches predicts there (its leave-one-out residual) by more
// than the largest of: a multiple of the chart's typical residual (the
// median), a multiple of the instrument's noise, and a few Delta E.
// A gross error also pulls its neighbours' predictions, and many of them
// raise the median they would hide behind. So suspects go first, by the
// fixed part of the threshold alone: the worst, with others as bad that
// lie well away from it, then the residuals are solved again without
// them, until no suspect is left. Each suspect is then judged by the whole
// threshold (the median now over the patches kept and the suspects'
// distances from what the kept ones predict) against what the patches
// kept predict at it; those within it were only pulled by a worse one and
// stay. More than a share of the chart refuses the measurement.
//
// Up to 300 points the residuals are the exact ones, from one
// factorisation of the kernel matrix. A larger chart is cut into cells of
// half a kernel length, and the patches of a cell get their exact
// residuals within one neighbourhood: themselves, the 40 patches nearest
// the cell's centre and the white. A factorisation of the whole chart
// would cost as much as the Smooth field itself; the kernel falls off fast
// enough that the nearest patches decide nearly all of a prediction (the
// tests hold the neighbourhood residuals to the exact ones). Later rounds
// solve again only the cells whose neighbourhood lost a patch.
//
// The fit here takes its prior spread from the median patch error, not the
// RMS the Smooth field uses: a few gross errors would otherwise inflate the
// spread, make the field follow them closely and spread their pull over
// many neighbours.

#include "ColorDifference.h"
#include "ErrorField.h"

#include <cstddef>
#include <string>
#include <vector>

struct OutlierSettings
{
    ErrorFieldSettings field;      // as the Smooth field: length, weights, noise (the instrument's)
    double typicalMultiple = 8.0;  // times the median leave-one-out residual
    int rounds = 40;               // of taking suspects out, at most
    double noiseMultiple = 6.0;    // times the noise per component
    double smallest = 5.0;         // dE76: nothing smaller is an outlier
    double largestShare = 0.2;     // more than this share of the chart refuses the measurement
    double apart = 2.0;            // kernel lengths between outliers taken out in one round
    std::size_t fewestPatches = 6; // below this many patches none has neighbours enough
    // Up to this many points (patches and the white) the residuals are the
    // exact ones; beyond, each patch's comes from its nearest neighbours.
    std::size_t exactUpTo = 300;
    std::size_t neighbours = 40;   // at most 48
};

struct Outlier
{
    std::size_t patch; // index into the patches given
    double size;       // dE76 between its error and what the other patches predict there
};

struct OutlierSearch
{
    std::vector<Outlier> outliers; // in patch order
    // More than the largest share would go: the measurement does not fit
    // a smooth drift at all (outliers then holds those found so far).
    bool tooMany = false;
    int rounds = 0;
};

// errors[i] = measured - reference at references[i]; white is the paper
// (error 0). Patches with trusted[i] set (put back by the user) are never
// flagged but take part in every fit; trusted may be empty.
OutlierSearch findOutliers(const std::vector<Lab>& references, const std::vector<Lab>& errors, const Lab& white,
                           const std::vector<char>& trusted, const OutlierSettings& settings);

// The leave-one-out residual (dE76) of every patch as the search's first
// round sees it: exact, or within its cell's neighbourhood.
std::vector<double> leaveOneOutSizes(const std::vector<Lab>& references, const std::vector<Lab>& errors,
                                     const Lab& white, const OutlierSettings& settings);

// "20 (19.8 from what its neighbours predict), 75 (24.1)": the ids with
// their sizes, made printable, the first `shown` of them and a count of the rest.
std::string describeOutliers(const std::vector<std::string>& ids, const std::vector<double>& sizes,
                             std::size_t shown = 10);
