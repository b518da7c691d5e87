#pragma once
// The local stage of the Smooth correction: the smooth error field does not
// follow single patches on purpose; this fit takes up a share of what it
// leaves at each patch, for all patches in one regularised sparse
// least-squares problem over the CLUT nodes of the patches' cells and a ring
// of their neighbours, so that patches sharing nodes are balanced and the
// changes taper off smoothly. Anchors inside those cells hold the colours
// between the patches to the smooth correction: a patch's own error (much
// of it the table's interpolation between its nodes) then goes into the
// nodes in the way that disturbs the unmeasured colours around it least.
// The anchors lean a share towards their own colours, and the fit runs in
// rounds, each linearised at the table the last one left.
// Every change stays within the device range and the largest move: one
// that would leave them is held at the bound while the others are solved
// again, so the patch does not lose its share to clipping.

#include "B2ATableAccess.h"
#include "ColorDifference.h"
#include "DeviceSolver.h"
#include "ErrorField.h"

#include <cstddef>
#include <vector>

class csICCProfileConverter;
class DeviceField;

struct LocalFitSettings
{
    double kappa;       // share of the unexplained error taken up
    double smooth;      // neighbour-difference weight
    double size;        // change-size weight
    double blackWeight; // extra cost of black changes
    double ringSpan;    // reach of the nodes freed around the patches' cells, share of an input's range
    double sameDevice;  // device agreement with B2A1 for a patch to count
    int aimIterations;
    double anchors = 0; // weight of the colours inside the free cells held to the smooth correction
    int rounds = 1;     // the fit is linear in the node changes: each round starts from the table the last one left
    // The drift alone (measured - what the profile says the printed device
    // values print), and how far an anchor within its reach moves from
    // the colour the original table printed there towards its own colour.
    const ErrorField* driftOnly = nullptr;
    const DeviceField* deviceDriftOnly = nullptr;
    double ownShare = 0;
};

struct ChartPatches
{
    std::vector<Lab> reference;
    std::vector<Lab> measured;
    std::vector<double> printedDevice; // what B2A1 gave each patch when the chart was printed
};

// Device values (0..1, clipped) of absolute Lab values through a B2A converter.
std::vector<double> lookupDevice(csICCProfileConverter& b2a, const std::vector<Lab>& labs);

// The CLUT input positions (0..65535 per input) of absolute Lab values: the
// steps of a B2A converter before its CLUT.
std::vector<double> clutPositions(csICCProfileConverter& b2a, const std::vector<Lab>& labs);
// The absolute Lab values at CLUT input positions, by Newton steps from the
// guesses (one per position); a guess whose step cannot be solved is kept.
std::vector<Lab> labsAtPositions(csICCProfileConverter& b2a, const std::vector<double>& positions,
                                 std::vector<Lab> guesses);

// Adds the fit to clut (the table after the node solve, 0..1 values) and
// marks the nodes it changed in touched. table and b2a are the original
// table and its converter; originalDevice its nodes' device values, from
// which the largest move and the ink limit of solve are kept.
void fitChart(const PrinterModel& model, const ErrorField& field, const B2ATableAccess& table,
              csICCProfileConverter& b2a, const std::vector<double>& originalDevice, const ChartPatches& patches,
              const DeviceSolveSettings& solve, const LocalFitSettings& settings, std::vector<double>& clut,
              std::vector<char>& touched);
