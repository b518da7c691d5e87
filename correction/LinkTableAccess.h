#pragma once
// The CLUT of a device link's A2B0 as the link correction edits it: any
// number of inputs (a CMYK source has four), its nodes on a 0..1 scale
// (node after node, last input fastest, the outputs of a node adjacent),
// the output curves and their inverse, the node positions of source values
// and the simplex weights of the interpolation there. Everything goes
// through the table's own interpolator, so the fit sees the table as it is
// evaluated. Works on the tag in place; the curves are sampled once, as
// the edits leave them alone.

#include "ClutNodes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class csICCLutInterpolator;

class LinkTableAccess
{
public:
    static constexpr unsigned maxInputs = 8;

    // Whether the interpolator's tag has a CLUT whose output side is one
    // curve per channel (no matrix after it).
    static bool serves(csICCLutInterpolator& lut);

    // lut must be one that serves() accepts and outlive this.
    explicit LinkTableAccess(csICCLutInterpolator& lut);

    unsigned inputs() const { return inputs_; }
    unsigned channels() const { return channels_; }
    std::size_t nodeCount() const { return nodeCount_; }
    unsigned gridPoints(unsigned input) const { return grid_[input]; }

    std::vector<double> clut() const;
    void device(const double* clut, double* device, std::size_t count) const;
    double outputSlope(unsigned channel, double clutValue) const;
    double clutValueOf(unsigned channel, double device) const;
    double quantised(double clutValue) const;
    double codeStep() const;
    void setNode(std::size_t node, const double* clutValues);

    // The source values (0..1) each node stands for: the input curves read backwards.
    std::vector<double> nodeSources() const;
    // CLUT positions (0..65535 per input) of source values (0..1).
    std::vector<double> positions(const std::vector<double>& sources) const;
    // Corners and weights of the simplex interpolation at a position; inputs + 1 of each.
    void simplex(const double* position, std::size_t* nodes, double* weights) const;
    void neighbours(std::size_t node, std::vector<std::size_t>& out) const;

private:
    csICCLutInterpolator& lut_;
    ClutNodes nodes_;
    unsigned inputs_, channels_;
    unsigned grid_[maxInputs] = {};
    std::size_t stride_[maxInputs] = {};
    std::size_t nodeCount_ = 1;
    // Per channel: the output side sampled on an even ramp of CLUT values,
    // and its rising form for the inverse.
    std::vector<std::vector<double>> curves_, rising_, risingAt_;
    // Per input: the input side sampled on an even ramp of source values.
    std::vector<std::vector<double>> inputCurves_;
};
