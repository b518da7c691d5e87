#pragma once
// What a session holds that a change can alter, as one value: undo steps
// keep two of these, the state before and the state after.

#include "ClutSnapshot.h"
#include "Patch.h"
#include "PatchPairing.h"
#include "SmoothCorrection.h"
#include "csICCmftTag.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Smooth solves every patch together and corrects every B2A table; Per
// patch moves the nodes of each selected patch's cell in B2A1.
enum class CorrectionMethod { Smooth, PerPatch };

// The last correction applied, for the record.
struct AppliedCorrection
{
    bool done = false;
    CorrectionMethod method = CorrectionMethod::Smooth;
    SmoothParameters smooth;
    std::vector<int> intents;
    std::size_t patches = 0;
    std::vector<SmoothTableReport> tables;
};

// A node's values in a table of any width an ICC LUT may have.
using NodeValues = std::array<uint16_t, csICCmftTag::maxChannels>;

// Everything a change made in a session can be taken back to: the B2A
// tables' nodes, the patch data and which patches were corrected.
struct SessionState
{
    uint64_t profileGeneration = 0;
    std::vector<ClutSnapshot> tables; // one per B2A table, in the session's order
    PatchSide reference;
    PatchSide measurement;
    std::vector<std::shared_ptr<PatchFile>> measurementRepeats;
    std::vector<std::string> measurementPaths;
    std::vector<Patch> patches;
    bool roundTripOn = false;
    PairBy pairBy = PairBy::Auto;
    std::set<std::string> correctedIds;
    std::map<std::array<uint16_t, 3>, NodeValues> handEdits;
    AppliedCorrection applied;
    std::map<std::string, double> outliers;
    std::set<std::string> putBack;
};
