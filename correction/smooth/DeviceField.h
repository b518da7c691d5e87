#pragma once
// The drift of a printer as a smooth error field over its device values:
// Gaussian-process regression (the posterior mean) of the patch errors at
// the device values each patch was printed with, one squared-exponential
// kernel over the channels, and a zero error held at the bare paper.
//
// A drift of the inks themselves (every ink weaker, more dot gain) is a
// function of the ink amounts: small on light tints, large on solids and
// overprints. Over Lab such an error changes fastest where the gamut is
// narrowest (the darks), and beyond the outermost patches the Lab field
// fades to zero, so the solids that need the most get the least. Over the
// device values the same error is smooth everywhere, and the device range
// is bounded, so nothing lies beyond the chart's reach for long.
//
// Device values travel as `channels` doubles per colour (0..1), errors as
// three (L*, a*, b*). The field is tabulated on a grid over the whole
// device cube and read back by multilinear interpolation: the solver asks
// for it at every step of every node.

#include "ColorDifference.h"

#include <cstddef>
#include <vector>

struct DeviceFieldSettings
{
    double length;     // kernel length, device units (0..1)
    double noise;      // per component, of one patch error
    double minSpread;  // floor of the prior spread
    double paperNoise; // how tightly the bare paper is held at zero
    // Above this many points the field is always solved through inducing
    // points (see KernelSolve.h); below, when that costs less than the
    // exact solve. A few hundred cells cover the device cube at the usual
    // lengths, so the exact solve pays off only for small charts.
    std::size_t maxExactPoints = 500;
};

class DeviceField
{
public:
    // devices: channels values per patch (1..4 channels); errors[i] belongs
    // to patch i; paper: the device values of bare paper. Needs a patch.
    DeviceField(unsigned channels, const std::vector<double>& devices, const std::vector<Lab>& errors,
                const std::vector<double>& paper, const DeviceFieldSettings& settings);

    unsigned channels() const { return channels_; }
    double spread() const { return spread_; }

    // Adds the field at each device value to the Lab values given.
    void addTo(const double* devices, double* labs, std::size_t count) const;
    void evaluate(const double* devices, double* errors, std::size_t count) const;
    // The exact sum over the kernel terms, without the grid.
    void exact(const double* device, double* error) const;

private:
    void tabulate();

    unsigned channels_;
    double scale_ = 1;           // 1 / length
    double spread_ = 0;
    std::vector<double> scaled_; // the kernel centres in kernel units
    std::vector<double> beta_;   // per centre and component: spread^2 x the solved weights
    std::size_t perAxis_ = 0;    // grid points per channel
    std::vector<double> grid_;   // last channel fastest, three components per point
};
