#pragma once
// One B2A table as the corrections edit it: its CLUT nodes on a 0..1 scale
// (node after node, last input fastest, the channels of a node adjacent),
// the grid (its own count per input), the output curves and their inverse,
// and writing nodes back at the tag's precision. The table is a lut8/lut16
// tag or an "mBA " tag with a CLUT; the output curves are the A curves of
// the latter. The simplex weights and grid neighbours follow the
// interpolators' own rules, so a fit over nodes sees the table as it is
// evaluated.
//
// Works on the tag in place and does not own it; the output curves are
// copied once, as the edits leave them alone. Gamma and parametric output
// curves are sampled finely, within a fraction of a code of the curve.

#include "ClutGrid.h"
#include "RisingCurve.h"
#include "csICCNumber.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// "B2A0", "B2A1" or "B2A2" for intent 0, 1 or 2.
csSignature b2aSignature(int intent);

class B2ATableAccess
{
public:
    static constexpr unsigned inputs = 3;
    // A simplex of a three-input grid has four corners.
    static constexpr unsigned simplexNodes = inputs + 1;

    // Whether tag is a table this class serves: a lut8/lut16 or "mBA " tag
    // with a CLUT, three inputs and the given number of outputs.
    static bool serves(csICCTag* tag, unsigned channels);

    // The tag must be one that serves() accepts.
    explicit B2ATableAccess(csICCTag& tag);

    unsigned channels() const { return grid_.channels(); }
    unsigned gridPoints(unsigned input) const { return grid_.gridPoints(input); }
    std::size_t nodeCount() const { return grid_.nodeCount(); }
    bool eightBit() const { return grid_.eightBit(); }

    std::vector<double> clut() const { return grid_.values(); }
    // Device values (0..1) of count nodes' CLUT values: the output curves.
    void device(const double* clut, double* device, std::size_t count) const;
    // Change of the device value per change of the CLUT value.
    double outputSlope(unsigned channel, double clutValue) const;
    // The CLUT value whose output is device; flat or turning stretches of a
    // curve are read as the monotone curve through its running maximum.
    double clutValueOf(unsigned channel, double device) const;
    // The value as the tag stores it: rounded to 16 or 8 bits; one code apart.
    double quantised(double clutValue) const { return grid_.quantised(clutValue); }
    double codeStep() const { return grid_.codeStep(); }
    // Writes one node's values at the tag's precision.
    void setNode(std::size_t node, const double* clutValues) { grid_.setNode(node, clutValues); }

    // Corners and weights of the simplex interpolation at a CLUT input
    // position (after the input curves, 0..65535 per input).
    void simplex(const double position[inputs], std::size_t nodes[simplexNodes],
                 double weights[simplexNodes]) const
    {
        grid_.simplex(position, nodes, weights);
    }
    // The nodes one grid step away along each axis.
    void neighbours(std::size_t node, std::vector<std::size_t>& out) const { grid_.neighbours(node, out); }
    std::vector<std::size_t> withRings(std::vector<std::size_t> nodes, int rings) const
    {
        return grid_.withRings(std::move(nodes), rings);
    }
    int ringsFor(double span) const { return grid_.ringsFor(span); }

private:
    ClutGrid grid_;
    // Output curve entries (0..65535) per channel, and their inverses.
    std::vector<std::vector<uint16_t>> curves_;
    std::vector<RisingCurve> inverses_;
};
