#include "ClutRefinement.h"

#include "B2ATableAccess.h"
#include "ClutNodes.h"
#include "csICCNumber.h"
#include "csICCProfile.h"
#include "csICCmABTag.h"
#include "csICCmftTag.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Where a CLUT's nodes lie in a tag's file bytes and how they are stored.
struct ClutLayout
{
    std::size_t offset = 0; // of the first node
    unsigned inputs = 0;
    unsigned outputs = 0;
    unsigned precision = 0; // bytes per value
    std::vector<uint32_t> grid;

    std::size_t nodeCount() const
    {
        std::size_t n = 1;
        for (uint32_t g : grid)
            n *= g;
        return n;
    }
    std::size_t bytes() const { return nodeCount() * outputs * precision; }
};

constexpr uint32_t mabClutOffsetField = 24;
// Offsets of the five elements of an "mAB "/"mBA " header.
constexpr uint32_t mabFirstOffsetField = 12;
constexpr unsigned mabOffsetFields = 5;

bool layoutOf(const csICCTag& tag, const std::vector<uint8_t>& bytes, ClutLayout& layout)
{
    const ClutNodes nodes(const_cast<csICCTag*>(&tag));
    if (!nodes)
        return false;
    layout.inputs = nodes.numInputs();
    layout.outputs = nodes.numOutputs();
    layout.precision = nodes.precision();
    layout.grid.assign(nodes.gridPoints(), nodes.gridPoints() + layout.inputs);
    if (const auto* mft = dynamic_cast<const csICCmftTag*>(&tag)) {
        const std::size_t tablesOffset = mft->precision() == 2 ? 52 : 48;
        layout.offset = tablesOffset + std::size_t(mft->precision()) * mft->inputEntries() * layout.inputs;
    } else {
        layout.offset = std::size_t(csGetUInt32(bytes.data() + mabClutOffsetField)) + csICCmABTag::clutHeaderSize;
    }
    return layout.offset + layout.bytes() <= bytes.size();
}

double readValue(const uint8_t* p, unsigned precision)
{
    return precision == 2 ? double(uint32_t(p[0]) << 8 | p[1]) : double(p[0]);
}

void writeValue(uint8_t* p, unsigned precision, double v)
{
    const double top = precision == 2 ? 65535.0 : 255.0;
    const auto code = static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, top)));
    if (precision == 2) {
        p[0] = uint8_t(code >> 8);
        p[1] = uint8_t(code);
    } else {
        p[0] = uint8_t(code);
    }
}

// The refined nodes, stored as the original ones. Each new node is the
// simplex interpolation of the old grid at its position: the walk from the
// cell's base corner along the inputs in the order of falling fractions.
std::vector<uint8_t> refinedNodes(const ClutLayout& from, const uint8_t* nodes, unsigned factor)
{
    const unsigned n = from.inputs;
    std::vector<std::size_t> stride(n);
    std::vector<uint32_t> grid(n);
    std::size_t s = from.outputs;
    for (unsigned d = n; d-- > 0;) {
        stride[d] = s;
        s *= from.grid[d];
        grid[d] = factor * (from.grid[d] - 1) + 1;
    }
    std::size_t count = 1;
    for (uint32_t g : grid)
        count *= g;

    std::vector<uint8_t> out(count * from.outputs * from.precision);
    std::vector<uint32_t> index(n, 0);
    std::vector<std::size_t> base(n);
    std::vector<double> frac(n);
    std::vector<unsigned> order(n);
    std::vector<double> value(from.outputs);
    for (std::size_t node = 0; node < count; ++node) {
        std::size_t corner = 0;
        for (unsigned d = 0; d < n; ++d) {
            const uint32_t cell = std::min(index[d] / factor, from.grid[d] - 2);
            base[d] = cell;
            frac[d] = double(index[d] - cell * factor) / factor;
            corner += cell * stride[d];
        }
        for (unsigned d = 0; d < n; ++d)
            order[d] = d;
        std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return frac[a] > frac[b]; });
        double weight = 1.0 - frac[order[0]];
        for (unsigned c = 0; c < from.outputs; ++c)
            value[c] = weight * readValue(nodes + (corner + c) * from.precision, from.precision);
        for (unsigned k = 0; k < n; ++k) {
            corner += stride[order[k]];
            weight = frac[order[k]] - (k + 1 < n ? frac[order[k + 1]] : 0.0);
            if (weight == 0.0)
                continue;
            for (unsigned c = 0; c < from.outputs; ++c)
                value[c] += weight * readValue(nodes + (corner + c) * from.precision, from.precision);
        }
        for (unsigned c = 0; c < from.outputs; ++c)
            writeValue(out.data() + (node * from.outputs + c) * from.precision, from.precision, value[c]);
        // Odometer, last input fastest as the CLUT is laid out.
        for (unsigned d = n; d-- > 0;) {
            if (++index[d] < grid[d])
                break;
            index[d] = 0;
        }
    }
    return out;
}

} // namespace

unsigned clutRefinementFactor(const csICCTag& tag, unsigned maxPoints)
{
    const ClutNodes nodes(const_cast<csICCTag*>(&tag));
    if (!nodes || nodes.numInputs() == 0)
        return 1;
    uint32_t widest = 0;
    for (unsigned d = 0; d < nodes.numInputs(); ++d)
        widest = std::max(widest, nodes.gridPoints()[d]);
    if (widest < 2 || widest >= maxPoints)
        return 1;
    // One factor for every input: then each new cell's simplices lie within
    // one of the old cell's, which is what keeps the interpolation exact.
    return std::max(1u, (maxPoints - 1) / (widest - 1));
}

std::vector<uint8_t> refinedClutBytes(const csICCTag& tag, unsigned factor)
{
    std::vector<uint8_t> bytes(tag.size());
    if (factor < 2 || bytes.empty())
        return {};
    tag.copyFileBytes(bytes.data());
    ClutLayout layout;
    if (!layoutOf(tag, bytes, layout))
        return {};
    for (uint32_t g : layout.grid)
        if (factor * (g - 1) + 1 > 255)
            return {};
    const std::vector<uint8_t> nodes = refinedNodes(layout, bytes.data() + layout.offset, factor);

    const std::size_t oldEnd = layout.offset + layout.bytes();
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + long(layout.offset));
    out.insert(out.end(), nodes.begin(), nodes.end());
    if (dynamic_cast<const csICCmftTag*>(&tag)) {
        out[10] = uint8_t(factor * (layout.grid[0] - 1) + 1);
        out.insert(out.end(), bytes.begin() + long(oldEnd), bytes.end());
        return out;
    }
    // "mAB "/"mBA ": grid bytes in the CLUT header; the elements after the
    // CLUT move by the growth, kept a multiple of 4 so they stay aligned.
    const std::size_t header = layout.offset - csICCmABTag::clutHeaderSize;
    for (unsigned d = 0; d < layout.inputs; ++d)
        out[header + d] = uint8_t(factor * (layout.grid[d] - 1) + 1);
    while ((out.size() - oldEnd) % 4)
        out.push_back(0);
    const std::size_t growth = out.size() - oldEnd;
    out.insert(out.end(), bytes.begin() + long(oldEnd), bytes.end());
    for (unsigned f = 0; f < mabOffsetFields; ++f) {
        uint8_t* field = out.data() + mabFirstOffsetField + 4 * f;
        const uint32_t offset = csGetUInt32(field);
        if (offset > header)
            csSetUInt32(field, uint32_t(offset + growth));
    }
    return out;
}

std::vector<ClutRefined> refineB2ATables(csICCProfile& profile, unsigned maxPoints)
{
    std::vector<ClutRefined> done;
    csICCTagTable& tags = profile.tagTable();
    for (int intent = 0; intent < 3; ++intent) {
        const csSignature signature = b2aSignature(intent);
        csICCTag* tag = tags.find(signature);
        const ClutNodes nodes(tag);
        if (!nodes || nodes.numInputs() != B2ATableAccess::inputs)
            continue;
        const unsigned factor = clutRefinementFactor(*tag, maxPoints);
        const std::vector<uint8_t> bytes = refinedClutBytes(*tag, factor);
        if (bytes.empty())
            continue;
        const unsigned from = nodes.gridPoints()[0];
        std::vector<uint8_t> original(tag->size());
        tag->copyFileBytes(original.data());
        std::unique_ptr<csICCTag> refined =
            csICCTagTable::tagFactory(signature, static_cast<uint32_t>(bytes.size()), bytes.data());
        if (!refined || tags.replace(signature, *refined) < 0)
            continue;
        done.push_back({intent, from, factor * (from - 1) + 1, std::move(original)});
    }
    return done;
}
