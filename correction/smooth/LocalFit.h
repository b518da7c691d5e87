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

struct LocalFitSettings
{
    double kappa;       // share of the unexplained error taken up
    double smooth;      // neighbour-difference weight
    double size;        // change-size weight
    double blackWeight; // extra cost of black changes
    int ring;           // neighbour layers around the patches' nodes
    double sameDevice;  // device agreement with B2A1 for a patch to count
    int aimIterations;
    double anchors = 0; // weight of the colours inside the free cells held to the smooth correction
};

struct ChartPatches
{
    std::vector<Lab> reference;
    std::vector<Lab> measured;
    std::vector<double> printedDevice; // what B2A1 gave each patch when the chart was printed
};

// Device values (0..1, clipped) of absolute Lab values through a B2A converter.
std::vector<double> lookupDevice(csICCProfileConverter& b2a, const std::vector<Lab>& labs);

// Adds the fit to clut (the table after the node solve, 0..1 values) and
// marks the nodes it changed in touched. table and b2a are the original
// table and its converter; originalDevice its nodes' device values, from
// which the largest move and the ink limit of solve are kept.
void fitChart(const PrinterModel& model, const ErrorField& field, const B2ATableAccess& table,
              csICCProfileConverter& b2a, const std::vector<double>& originalDevice, const ChartPatches& patches,
              const DeviceSolveSettings& solve, const LocalFitSettings& settings, std::vector<double>& clut,
              std::vector<char>& touched);
