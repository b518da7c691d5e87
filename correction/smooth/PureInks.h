#pragma once
// Pure inks kept pure: a node that prints one ink alone (every other ink at
// most half a percent) is a solid or tint of that ink, and a press or proof
// must print it without a trace of the others, whatever the drift. Such a
// node is corrected along its own ink only; the others keep what they had.

#include "DeviceSolver.h"

#include <cstddef>
#include <vector>

class PrinterModel;

// Ink up to this (0..1) counts as none beside a pure ink.
constexpr double pureOtherInk = 0.005;
// No pure ink: the node may move in every channel.
constexpr int mixedInks = -1;

// The channel of each node's one ink, or mixedInks: device holds channels
// values per node (0..1); ink is counted from the paper as the model says.
// Bare paper is no pure ink.
std::vector<int> pureInks(const PrinterModel& model, const std::vector<double>& device, unsigned channels);

// The same from the ink amounts themselves (0..1, paper at 0), for tables
// whose values are ink without a model, such as a link's source side.
int pureInkOf(const double* ink, unsigned channels);

// The channels a node of the given pure ink holds: every other one, as the
// bit mask of DeviceSolveSettings::heldChannels; 0 for mixedInks.
unsigned heldChannelsFor(int ink, unsigned channels);

// Puts the held channels of every pure node back to the original values
// (both channels values per node).
void restorePureNodes(const std::vector<int>& pure, unsigned channels, const std::vector<double>& original,
                      std::vector<double>& values);

// solveDevices with the colours of each pure ink solved apart, every other
// ink held and no black freed; pure has one entry per colour.
DeviceSolution solveKeepingPure(const PrinterModel& model, const std::vector<int>& pure, const std::vector<double>& start,
                                const std::vector<double>& target, const DeviceSolveSettings& settings);
