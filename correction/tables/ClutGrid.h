#pragma once
// A CLUT addressed the way the corrections think of it: nodes numbered one
// after another (last input fastest, the outputs of a node adjacent),
// values on a 0..1 scale written back at the tag's precision, and the
// simplex corners and weights the interpolators use at a CLUT position.
// Any number of inputs up to maxInputs; each input has its own grid count.

#include "ClutNodes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ClutGrid
{
public:
    static constexpr unsigned maxInputs = 8;

    // nodes must have a CLUT of 1..maxInputs inputs, each of two points or more.
    explicit ClutGrid(const ClutNodes& nodes);

    unsigned inputs() const { return inputs_; }
    unsigned channels() const { return channels_; }
    unsigned gridPoints(unsigned input) const { return grid_[input]; }
    std::size_t nodeCount() const { return nodeCount_; }
    bool eightBit() const { return nodes_.precision() == 1; }
    // The grid index of node along one input.
    unsigned index(std::size_t node, unsigned input) const
    {
        return static_cast<unsigned>(node / stride_[input] % grid_[input]);
    }

    // Every node's values, 0..1.
    std::vector<double> values() const;
    // Writes one node's values (0..1, clamped) at the tag's precision.
    void setNode(std::size_t node, const double* values);
    // The value as the tag stores it: rounded to 16 or 8 bits; one code apart.
    double quantised(double value) const;
    double codeStep() const;

    // Corners and weights of the simplex interpolation at a CLUT position
    // (0..65535 per input): inputs() + 1 of each.
    void simplex(const double* position, std::size_t* nodes, double* weights) const;
    // The nodes one grid step away along each input.
    void neighbours(std::size_t node, std::vector<std::size_t>& out) const;
    // The nodes given and rings of their neighbours around them, sorted, once each.
    std::vector<std::size_t> withRings(std::vector<std::size_t> nodes, int rings) const;
    // The rings that reach span (a share of an input's range) on the widest
    // input; at least one for any span above 0, so a coarse grid and a fine
    // one free the same stretch of colours around a node.
    int ringsFor(double span) const;

private:
    void indices(std::size_t node, uint16_t* out) const;

    ClutNodes nodes_;
    unsigned inputs_, channels_;
    unsigned grid_[maxInputs] = {};
    std::size_t stride_[maxInputs] = {};
    std::size_t nodeCount_ = 1;
};
