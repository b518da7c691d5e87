#include "ClutSnapshot.h"

#include "csICCmftTag.h"

#include <algorithm>

template <typename Visit>
void ClutSnapshot::forEachNode(const csICCmftTag& tag, Visit visit)
{
    const uint32_t inputs = tag.numInputs();
    if (inputs == 0)
        return;
    uint16_t index[csICCmftTag::maxChannels] = {};
    for (;;) {
        visit(index);
        // Odometer over the grid, last input fastest as the CLUT is laid out.
        int d = static_cast<int>(inputs) - 1;
        while (d >= 0 && ++index[d] == tag.gridPoints()[d]) {
            index[d] = 0;
            --d;
        }
        if (d < 0)
            return;
    }
}

void ClutSnapshot::capture(const csICCmftTag& tag)
{
    outputs_ = tag.numOutputs();
    grid_.assign(tag.gridPoints(), tag.gridPoints() + tag.numInputs());
    values_.clear();
    uint16_t node[csICCmftTag::maxChannels];
    forEachNode(tag, [&](const uint16_t* index) {
        tag.getClutNode(index, node);
        values_.insert(values_.end(), node, node + outputs_);
    });
}

bool ClutSnapshot::restore(csICCmftTag& tag) const
{
    if (tag.numOutputs() != outputs_ || !std::equal(grid_.begin(), grid_.end(), tag.gridPoints()) ||
        grid_.size() != tag.numInputs())
        return false;
    const uint16_t* value = values_.data();
    forEachNode(tag, [&](const uint16_t* index) {
        tag.setClutNode(index, value);
        value += outputs_;
    });
    return true;
}

bool ClutSnapshot::matches(const csICCmftTag& tag) const
{
    if (tag.numOutputs() != outputs_ || grid_.size() != tag.numInputs() ||
        !std::equal(grid_.begin(), grid_.end(), tag.gridPoints()))
        return false;
    const uint16_t* value = values_.data();
    bool same = true;
    uint16_t node[csICCmftTag::maxChannels];
    forEachNode(tag, [&](const uint16_t* index) {
        tag.getClutNode(index, node);
        same = same && std::equal(node, node + outputs_, value);
        value += outputs_;
    });
    return same;
}
