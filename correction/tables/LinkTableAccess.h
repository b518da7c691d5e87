#pragma once
// The CLUT of a device link's A2B0 as the link correction edits it: any
// number of inputs (a CMYK source has four), its nodes on a 0..1 scale
// (node after node, last input fastest, the outputs of a node adjacent),
// the output curves and their inverse, the node positions of source values
// and the simplex weights of the interpolation there. Everything goes
// through the table's own interpolator, so the fit sees the table as it is
// evaluated. Works on the tag in place; the curves are sampled once, as
// the edits leave them alone.

#include "ClutGrid.h"
#include "RisingCurve.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class csICCLutInterpolator;

class LinkTableAccess
{
public:
    static constexpr unsigned maxInputs = ClutGrid::maxInputs;

    // Whether the interpolator's tag has a CLUT whose output side is one
    // curve per channel (no matrix after it).
    static bool serves(csICCLutInterpolator& lut);

    // lut must be one that serves() accepts and outlive this.
    explicit LinkTableAccess(csICCLutInterpolator& lut);

    unsigned inputs() const { return grid_.inputs(); }
    unsigned channels() const { return grid_.channels(); }
    std::size_t nodeCount() const { return grid_.nodeCount(); }
    unsigned gridPoints(unsigned input) const { return grid_.gridPoints(input); }

    std::vector<double> clut() const { return grid_.values(); }
    void device(const double* clut, double* device, std::size_t count) const;
    double outputSlope(unsigned channel, double clutValue) const;
    double clutValueOf(unsigned channel, double device) const { return inverses_[channel].positionOf(device); }
    double quantised(double clutValue) const { return grid_.quantised(clutValue); }
    double codeStep() const { return grid_.codeStep(); }
    void setNode(std::size_t node, const double* clutValues) { grid_.setNode(node, clutValues); }

    // The source values (0..1) each node stands for: the input curves read backwards.
    std::vector<double> nodeSources() const;
    // CLUT positions (0..65535 per input) of source values (0..1).
    std::vector<double> positions(const std::vector<double>& sources) const;
    // Corners and weights of the simplex interpolation at a position; inputs + 1 of each.
    void simplex(const double* position, std::size_t* nodes, double* weights) const
    {
        grid_.simplex(position, nodes, weights);
    }
    void neighbours(std::size_t node, std::vector<std::size_t>& out) const { grid_.neighbours(node, out); }
    std::vector<std::size_t> withRings(std::vector<std::size_t> nodes, int rings) const
    {
        return grid_.withRings(std::move(nodes), rings);
    }
    int ringsFor(double span) const { return grid_.ringsFor(span); }

private:
    csICCLutInterpolator& lut_;
    ClutGrid grid_;
    // Per channel: the output side sampled on an even ramp of CLUT values,
    // and its inverse.
    std::vector<std::vector<double>> curves_;
    std::vector<RisingCurve> inverses_;
    // Per input: the inverse of the input side, sampled on an even ramp of source values.
    std::vector<RisingCurve> inputInverses_;
};
