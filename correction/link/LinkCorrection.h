#pragma once
// The correction of a device link (a source printing condition's device
// values straight to the printer's) from a chart printed through it and
// measured. The same three steps as Smooth, with the printer's own profile
// as the model of the printer: the patch errors (measured - what the
// source condition says) become a field over the printer's device values
// (the drift of the inks) and one over the source values (what the link
// itself misses, with device-space neighbours instead of Lab ones); every
// node of the link's CLUT is solved again so that the printer as measured
// prints what the source condition asks for there, within the original
// highest total ink and the largest move, paper left unprinted, pure inks
// kept pure by default; a last sparse least-squares fit over the nodes of
// the chart's cells takes up part of what the fields leave.

#include "SmoothCorrection.h"

#include <functional>
#include <string>
#include <vector>

class csICCProfile;

struct LinkPatch
{
    std::vector<double> source; // the chart's source values, 0..1 per channel of the link's input
    Lab reference;              // what the source condition says they print as (absolute)
    Lab measured;               // what printing them through the link measured
};

struct LinkParameters
{
    // Fields, node solve and chart fit as for Smooth; keepPure on, and the
    // chart fit takes all of what the fields leave: a link's own misses
    // change from cell to cell, which no smooth field follows.
    SmoothParameters smooth;
    // Smoothing radius of the field over the source values (device units),
    // and its noise: the link's own misses come from the profiles, not from
    // the instrument.
    double sourceLength = 0.15;
    double sourceNoise = 0.05;
    // The chart fit's smoothness and size weights (as localSmooth and
    // localSize). A link's fit has no anchors between the patches, so its
    // nodes hold their neighbours more firmly than a profile's: the chart
    // re-prints at 0.139 of uncorrected with 0.04, 0.149 with 0.01, 0.164
    // with Smooth's 0.003 (three measurement seeds agree within 0.01).
    double chartSmooth = 0.04;
    double chartSize = 0.001;
    LinkParameters()
    {
        smooth.keepPure = true;
        smooth.localKappa = 1.0;
    }
};

// Why link and printer cannot be corrected together; empty when they can:
// link a device link whose A2B0 has a CLUT, printer an output profile with
// an A2B1 (or A2B0) table from as many channels as the link gives to Lab.
EngineText linkProblem(csICCProfile& link, csICCProfile& printer);

// Corrects link's A2B0 in place; one table report (intent 0). remaining is
// as for Smooth: the model of the drifted printer at the new device values
// plus what it missed before, less the reference. A refusal or a stop
// (progress returns false) changes nothing.
SmoothOutcome runLinkCorrection(csICCProfile& link, csICCProfile& printer, const std::vector<LinkPatch>& patches,
                                const LinkParameters& parameters, const std::function<bool(double)>& progress = {});
