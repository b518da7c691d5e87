#pragma once
// The Per patch method over a selection of patches. Patches whose cells
// share B2A1 nodes are solved together: one regularised least-squares
// problem over the nodes of the selected patches' cells, each patch's row
// weighted by the interpolation weights of its nodes, so that two patches
// pulling one node apart meet in the middle instead of undoing each other.
//
// The aim of a patch is its measured error turned round: the print of the
// moved nodes should differ from the print as measured by what the printer
// model says the move changes, so
//   predicted print - reference = (measured - reference) + P(after) - P(before),
// where P is the profile's A2B1 plus the drift as a smooth field over the
// device values, fitted to every patch given (measured - A2B1 of the
// values printed): inks that fade answer a move with less than A2B1 says.
// That prediction is checked at every patch given, selected or not, and a
// move that makes any of them worse than measured is scaled back at the
// nodes of that patch until none is.

#include "ColorDifference.h"

#include <cstddef>
#include <functional>
#include <vector>

class csICCProfileConverter;
class csICCTag;

struct JointPatch
{
    Lab reference; // absolute D50 Lab
    Lab measured;
    bool selected = true; // aimed at; the others are only checked
};

struct JointPatchSettings
{
    double smooth = 0.02;     // weight of differences between neighbouring nodes, per percent
    double size = 0.03;       // weight of the size of each node change, per percent
    double largestMove = 0.2; // of a CLUT value, 0..1
    int passes = 10;          // linearised solves, each from the tables as the last one left them
    double worseBy = 0.0;     // rise of a patch's predicted Delta E 1976 that counts as worse
    int scaleSteps = 4;       // halvings of a harmful move before it is taken back whole
    // The drift over the device values, fitted to every patch given:
    // kernel length (device units 0..1; 0 leaves it out) and the noise of
    // one patch error per component.
    double driftLength = 0.7;
    double driftNoise = 0.3;
};

struct JointPatchResult
{
    std::vector<Lab> remaining;   // per patch given: predicted print - reference
    std::size_t nodesMoved = 0;   // nodes whose stored values changed
    std::size_t nodesScaled = 0;  // nodes whose move the check scaled back
    bool stopped = false;         // progress asked to stop
    unsigned findings = 0;        // csCLUTCube's findings about the table
};

// Told done of total steps; returns false to stop, and then the table is
// left half done for the caller to put back.
using JointPatchProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Moves the CLUT nodes of tag, the B2A1 table that b2a1 evaluates, in place.
// The caller has checked that the table is one csCLUTCube and
// B2ATableAccess serve, with as many outputs as a2b1 has inputs.
JointPatchResult correctPatchesJointly(csICCProfileConverter& b2a1, csICCProfileConverter& a2b1, csICCTag& tag,
                                       const std::vector<JointPatch>& patches,
                                       const JointPatchSettings& settings = {},
                                       const JointPatchProgress& progress = {});
