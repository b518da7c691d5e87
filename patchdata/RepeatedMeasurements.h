#pragma once
// Several measurements of one print, taken to beat the instrument's noise,
// made into one. Patches pair across the files by the rules that pair a
// reference with a measurement (PatchPairing), and each patch's colour is
// the mean of two readings or the median of three or more, per L*, a*, b*:
// with three, one slip of the instrument does not move the result.
//
// A patch whose readings lie further apart than repeatsDisagree is left
// out: one of them is wrong (a strip read crooked, a speck of dust) and no
// average mends that. A patch missing from some files is the average of
// the files that have it.

#include "PatchFile.h"
#include "PatchPairing.h"

#include <memory>
#include <string>
#include <vector>

// Delta E 1976 between two readings of one patch beyond which they are not
// the same colour measured twice. An instrument repeats within a few tenths
// (the Smooth method's noise is 0.3 per L*, a*, b*, so two readings differ
// by about 0.7); 3 is several times that and still below what a printer's
// drift moves a patch.
constexpr double repeatsDisagree = 3.0;

struct DisagreeingPatch
{
    std::string id;
    double spread; // largest Delta E 1976 between two of its readings
};

struct AveragedMeasurement
{
    // The averaged patches: those of the first file in its order, then
    // those the later files add. Keywords, fields and flags are the first
    // file's; no lines skipped, no notes.
    std::shared_ptr<PatchFile> file;
    std::vector<DisagreeingPatch> leftOut;
    // Patches not in every file, by id.
    std::vector<std::string> incomplete;
    // How the files were paired where another key was at hand.
    std::vector<EngineText> notes;
};

// Averages two or more measurement files, pairing them as by says. False
// with problem when a file cannot be paired with those before it.
bool averageRepeats(const std::vector<std::shared_ptr<PatchFile>>& files, PairBy by, AveragedMeasurement& result,
                    EngineText& problem);

// The mean of two readings, the median of three or more, per component;
// one reading is itself.
Lab averageReadings(std::vector<Lab> readings);
// The largest Delta E 1976 between two of the readings.
double readingsSpread(const std::vector<Lab>& readings);

// "2 patches were measured differently in the repeats and were left out:
// 17 (4.2 apart), 33 (6.0)"; empty for none.
EngineText describeLeftOut(const std::vector<DisagreeingPatch>& leftOut);
// "3 patches were not in every measurement file (ids 5, 7, 9); each is the
// average of the files that have it"; empty for none.
EngineText describeIncomplete(const std::vector<std::string>& ids);
