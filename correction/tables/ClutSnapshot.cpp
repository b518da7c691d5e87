#include "ClutSnapshot.h"

#include "csICCmftTag.h"

#include <algorithm>

template <typename Visit>
void ClutSnapshot::forEachNode(const ClutNodes& nodes, Visit visit)
{
    const unsigned inputs = nodes.numInputs();
    if (inputs == 0)
        return;
    uint16_t index[csICCmftTag::maxChannels] = {};
    for (;;) {
        visit(index);
        // Odometer over the grid, last input fastest as the CLUT is laid out.
        int d = static_cast<int>(inputs) - 1;
        while (d >= 0 && ++index[d] == nodes.gridPoints()[d]) {
            index[d] = 0;
            --d;
        }
        if (d < 0)
            return;
    }
}

void ClutSnapshot::capture(const ClutNodes& nodes)
{
    outputs_ = nodes.numOutputs();
    grid_.assign(nodes.gridPoints(), nodes.gridPoints() + nodes.numInputs());
    values_.clear();
    uint16_t node[csICCmftTag::maxChannels];
    forEachNode(nodes, [&](const uint16_t* index) {
        nodes.get(index, node);
        values_.insert(values_.end(), node, node + outputs_);
    });
}

bool ClutSnapshot::sameGrid(const ClutNodes& nodes) const
{
    return nodes.numOutputs() == outputs_ && grid_.size() == nodes.numInputs() &&
           std::equal(grid_.begin(), grid_.end(), nodes.gridPoints());
}

bool ClutSnapshot::restore(ClutNodes& nodes) const
{
    if (!sameGrid(nodes))
        return false;
    const uint16_t* value = values_.data();
    forEachNode(nodes, [&](const uint16_t* index) {
        nodes.set(index, value);
        value += outputs_;
    });
    return true;
}

bool ClutSnapshot::matches(const ClutNodes& nodes) const
{
    if (!sameGrid(nodes))
        return false;
    const uint16_t* value = values_.data();
    bool same = true;
    uint16_t node[csICCmftTag::maxChannels];
    forEachNode(nodes, [&](const uint16_t* index) {
        nodes.get(index, node);
        same = same && std::equal(node, node + outputs_, value);
        value += outputs_;
    });
    return same;
}
