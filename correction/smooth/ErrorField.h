#pragma once
// The drift of a printer as a smooth error field over absolute Lab:
// Gaussian-process regression (the posterior mean) of the patch errors,
// measured - reference, with one squared-exponential kernel shared by L*,
// a* and b*, and a zero error held at the paper white. Far from every
// patch the field fades to zero, so colours without evidence stay alone.
//
// Lab values travel as three doubles per colour. Evaluation sums one kernel
// term per patch; tabulate() puts the field on a grid over the colours it
// will be asked for and reads it back by tricubic interpolation, which is
// far cheaper and accurate to about 1e-3 of the field's size; colours
// outside the grid are summed exactly.
//
// A chart of many patches is solved through inducing points (see
// KernelSolve.h) as soon as that costs less than the exact solve: both are
// of the same quality, so the choice follows the cost alone.

#include "ColorDifference.h"

#include <cstddef>
#include <vector>

struct ErrorFieldSettings
{
    double length;     // kernel length (weighted Lab units)
    double lWeight;    // weight of L* differences
    double noise;      // per component, of one patch error
    double minSpread;  // floor of the prior spread
    double whiteNoise; // how tightly the white is held at zero
    // Above this many points the field is always solved through inducing
    // points; below, when that costs less than the exact solve.
    std::size_t maxExactPoints = 2500;
    // When positive, the prior spread; else it is taken from the errors.
    double spread = 0;
};

// Every patch's error against what the field fitted to all the other
// patches predicts there (its leave-one-out residual), from one
// factorisation of the kernel matrix: r_i = [K^-1 E]_i / [K^-1]_ii, no refit
// per patch. Always the exact solve, whatever maxExactPoints says: its cost
// grows with the cube of the patches.
struct LeaveOneOut
{
    std::vector<Lab> residuals; // per patch
    std::vector<Lab> predicted; // the field of every patch at each colour asked for
    double spread = 0;          // the prior spread the field had
};
LeaveOneOut leaveOneOut(const std::vector<Lab>& points, const std::vector<Lab>& errors, const Lab& white,
                        const ErrorFieldSettings& settings, const std::vector<Lab>& elsewhere = {});

class ErrorField
{
public:
    // errors[i] belongs to points[i]; needs at least one point.
    ErrorField(const std::vector<Lab>& points, const std::vector<Lab>& errors, const Lab& white,
               const ErrorFieldSettings& settings);

    // The prior spread: the RMS patch error per component, at least the floor.
    double spread() const { return spread_; }
    // The points the field is a sum over: every patch and the white, or
    // the inducing points of a large chart.
    std::size_t terms() const { return beta_.size() / 3; }

    void evaluate(const double* labs, double* errors, std::size_t count) const;
    Lab at(const Lab& x) const;
    // y with y + e(y) = c, by fixed-point steps from y = c - e(c): what to
    // ask the profiled printer for so that the drifted one prints c.
    void aim(const double* c, double* y, std::size_t count, int iterations) const;

    // Tabulates the field over the box that holds labs, widened by how far
    // an aim can move from them.
    void tabulate(const double* labs, std::size_t count);

private:
    void exact(const double* lab, double* error) const;
    bool interpolated(const double* lab, double* error) const;

    double weights_[3];       // per axis, over the kernel length
    double spread_ = 0;
    std::vector<double> scaled_; // the points in kernel units
    std::vector<double> beta_;   // per point and component: spread^2 x the solved weights
    double largestError_ = 0;

    // The grid, in kernel units: origin, step, counts and values
    // (first axis slowest, three components per node).
    double origin_[3] = {};
    double step_ = 0;
    std::size_t count_[3] = {};
    std::vector<double> grid_;
};
