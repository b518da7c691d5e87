#pragma once
// The node values of one lookup table's CLUT, kept so that the table can be
// put back exactly: the tables as opened, before a correction that may be
// aborted, or a state to undo to. Values go through the tag's node
// accessors, so the tag's byte order and precision do not matter.

#include <cstdint>
#include <vector>

class csICCmftTag;

class ClutSnapshot
{
public:
    void capture(const csICCmftTag& tag);
    // Writes the values back; false (and nothing written) when the tag's
    // grid is not the one captured.
    bool restore(csICCmftTag& tag) const;
    // Whether the tag holds exactly the captured values.
    bool matches(const csICCmftTag& tag) const;
    bool empty() const { return values_.empty(); }

private:
    // Visits every node in CLUT order with its grid indices.
    template <typename Visit>
    static void forEachNode(const csICCmftTag& tag, Visit visit);

    std::vector<uint16_t> values_;
    std::vector<uint32_t> grid_;
    uint32_t outputs_ = 0;
};
