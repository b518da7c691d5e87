#pragma once
// The Smooth correction of a printer profile's B2A tables from one chart
// measurement. The patch errors (measured - reference) become one smooth
// error field over Lab; every node of every B2A table is then solved again
// through the profile's A2B table so that the drifted printer prints what
// the node printed before the drift; a last sparse least-squares fit at the
// chart's cells takes up part of what the smooth field leaves at the
// patches. It corrects the drift, not the profile: each node keeps the
// colour the original table meant it to print, gamut mapping included.

#include "EngineText.h"
#include "ColorDifference.h"

#include <functional>
#include <string>
#include <vector>

class csICCProfile;

struct SmoothParameters
{
    // The error field over the device values the patches were printed with
    // (Gaussian-process regression); 0 leaves it out.
    double deviceLength = 0.7;     // smoothing radius, device units 0..1
    // The error field (Gaussian-process regression over absolute Lab) of
    // what the device field leaves.
    double fieldLength = 20.0;     // smoothing radius, weighted Lab units
    double fieldLWeight = 1.5;     // L* differences count this much more than a*, b*
    double fieldNoise = 0.3;       // expected noise of one patch error per component (the instrument's repeatability)
    double fieldMinSpread = 0.5;   // floor of the prior spread (RMS error per component)
    double whiteNoise = 0.05;      // how tightly the paper white is held at zero error
    int aimIterations = 6;         // fixed-point steps for y + e(y) = c

    // The device solve of every node.
    int newtonIterations = 8;
    double newtonDamping = 1e-4;   // keeps flat directions solvable, picks the shortest step
    double jacobianStep = 1e-3;    // finite-difference step, device 0..1
    double maxMove = 0.15;         // largest change of one channel of one node per pass
    double freeBlackAbove = 0.5;   // dE76 miss with black held that lets black move
    double minShift = 1e-3;        // nodes whose aim moves less keep their stored codes
    // Nodes that print one ink alone move along that ink only (PureInks.h).
    bool keepPure = false;

    // The local fit at the chart's cells.
    bool localFit = true;
    double localKappa = 1.0;       // share of each patch's unexplained error taken up
    double localSmooth = 0.003;    // weight of differences between neighbouring nodes
    double localSize = 0.0003;     // weight of the size of each node change
    double localAnchors = 0.35;    // weight of each colour inside the fitted cells held to the smooth correction
    double localBlackWeight = 4.0; // black changes cost this much more
    // How far the nodes freed around the patches' cells reach, as a share
    // of each input's range: one layer of a 17-point grid, three of 33.
    double localRingSpan = 0.09;
    double localSameDevice = 0.02; // another table uses a patch only where it agrees with B2A1 this closely
    int localRounds = 2;           // rounds of the fit, each linearised at the table the last one left
    // How far the colours held between the patches move from what the
    // original table printed there towards their own colours (LocalFit.cpp).
    double localOwnShare = 0.3;
};

// Absolute D50 Lab.
struct SmoothPatch
{
    Lab reference;
    Lab measured;
};

struct SmoothTableReport
{
    int intent = 0;
    bool corrected = false;       // whether any stored value changed
    std::string sharedWith;       // the tag whose identical bytes this one kept sharing, e.g. "B2A1"
    int nodes = 0;
    int nodesMoved = 0;           // nodes whose stored values changed
    int nodesOutOfReach = 0;      // nodes whose aim stays more than 0.5 dE76 away
    int blackFreed = 0;           // nodes where black had to move
    double largestMove = 0;       // largest change of one device channel, 0..1
    int pureNodes = 0;            // nodes kept to their one ink (keepPure)
    EngineText leftAlone;         // why the table could not be corrected, for the user; empty when it could
};

struct SmoothOutcome
{
    bool ok = false;
    EngineText message;           // why it refused, one line, for the user
    std::vector<Lab> remaining;   // per patch, in input order: predicted print - reference after the correction
    std::vector<SmoothTableReport> tables;

    static SmoothOutcome refused(EngineText why)
    {
        SmoothOutcome outcome;
        outcome.message = std::move(why);
        return outcome;
    }
};

// Why a run that progress stopped refused: the same words for every method.
EngineText correctionStopped();

// Corrects the B2A tables of the given intents in place (intents empty =
// every B2A tag the profile has). The tables in the profile are taken as the
// ones the measurement was printed with (through B2A1, absolute
// colorimetric). Tags whose bytes were identical stay identical. A B2A
// table of curves and a matrix without CLUT is left as it is and reported
// (leftAlone); the run is refused when that table is B2A1 or no other is
// left. progress(fraction) is called now and then; when it returns false the run
// stops and no table is changed. A refusal changes nothing either.
//
// "remaining" is the model of the drifted printer at the new device values:
// A2B1(d_new) + e(A2B1(d_new)) plus what the model missed at the patch
// before (measured - A2B1(d_old) - e(A2B1(d_old))), less the reference; for
// an unchanged table it is measured - reference.
SmoothOutcome runSmoothCorrection(csICCProfile& profile, const std::vector<SmoothPatch>& patches,
                                  const SmoothParameters& parameters, const std::vector<int>& intents,
                                  const std::function<bool(double)>& progress = {});
