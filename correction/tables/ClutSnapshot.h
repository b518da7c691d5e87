#pragma once
// The node values of one lookup table's CLUT, kept so that the table can be
// put back exactly: the tables as opened, before a correction that may be
// aborted, or a state to undo to. Values go through the tag's node
// accessors, so the tag's type, byte order and precision do not matter.

#include "ClutNodes.h"

#include <cstdint>
#include <vector>

class ClutSnapshot
{
public:
    void capture(const ClutNodes& nodes);
    // Writes the values back; false (and nothing written) when the grid is
    // not the one captured.
    bool restore(ClutNodes& nodes) const;
    // Whether the nodes hold exactly the captured values.
    bool matches(const ClutNodes& nodes) const;
    bool empty() const { return values_.empty(); }

private:
    bool sameGrid(const ClutNodes& nodes) const;
    // Visits every node in CLUT order with its grid indices.
    template <typename Visit>
    static void forEachNode(const ClutNodes& nodes, Visit visit);

    std::vector<uint16_t> values_;
    std::vector<uint32_t> grid_;
    uint32_t outputs_ = 0;
};
