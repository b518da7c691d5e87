#pragma once
// New device values for many colours at once: damped Gauss-Newton through
// the printer model from given start values towards target Lab values,
// with numeric Jacobians, within the device range, a largest move per
// channel from the start and a total ink limit. With a black channel, black
// is held first and freed only where the other channels alone miss by more
// than a threshold (and the result with black misses less): the profile's
// black generation is deliberate.

#include "PrinterModel.h"

class DeviceField;

#include <cstddef>
#include <limits>
#include <vector>

struct DeviceSolveSettings
{
    int iterations;
    double damping;      // Levenberg term
    double jacobianStep; // finite-difference step on the 0..1 scale
    double maxMove;      // largest change of one channel from its start
    double freeBlackAbove;
    double inkLimit = std::numeric_limits<double>::infinity(); // highest total ink, 1 per full channel
    int blackChannel = -1;                                      // -1: none
    // Bit c set: channel c keeps its start value (a pure ink's node moves
    // along that ink alone).
    unsigned heldChannels = 0;
    // The drifted printer prints the model's colour plus this field at the
    // same device values; the steps follow the model's slopes alone, so each
    // one takes up the field at the values it starts from.
    const DeviceField* drift = nullptr;
};

// The original table's nodes as a solve over them needs them: which lay no
// ink beyond a trace, and the highest total ink of any node.
struct NodeInks
{
    std::vector<char> paper;
    double highestInk = 0;
};
NodeInks nodeInks(const PrinterModel& model, const std::vector<double>& device);
// Limits a solve to what the original table prints: total ink just above
// its highest (where the model counts ink from 0), black freed for CMYK.
void limitToOriginal(DeviceSolveSettings& settings, const PrinterModel& model, double highestInk, bool cmyk);

struct DeviceSolution
{
    std::vector<double> device; // channels interleaved, 0..1
    std::vector<double> miss;   // dE76 from the target per colour
    std::size_t blackFreed = 0;
};

// start: channels per colour; target: three Lab values per colour. The
// steps begin at from when given (within maxMove of start), else at start;
// the limits are always taken from start.
DeviceSolution solveDevices(const PrinterModel& model, const std::vector<double>& start,
                            const std::vector<double>& target, const DeviceSolveSettings& settings,
                            const std::vector<double>* from = nullptr);

// The Lab of each device value (3 per colour) and its Jacobian by finite
// differences (3 x channels per colour, row by row), stepping down where a
// channel is at the top.
void labJacobians(const PrinterModel& model, const std::vector<double>& device, double step,
                  std::vector<double>& lab, std::vector<double>& jacobian);

// Within 0..1 and maxMove of start, then under the ink limit: the free
// channels give up the excess in proportion to the ink each may still lose
// within its move (held channels keep theirs).
void limitDevice(const PrinterModel& model, double* device, const double* start, double maxMove,
                 const bool* freeChannels, double inkLimit);
