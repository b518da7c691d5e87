#include "csICCmABTag.h"

#include "csErrorLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

// The header's offsets, in the order they stand there from byte 12.
enum Element { BCurvesElement, MatrixElement, MCurvesElement, ClutElement, ACurvesElement, elementCount };
const char* const elementNames[elementCount] = {"B curves", "matrix", "M curves", "CLUT", "A curves"};
constexpr uint32_t offsetsStart = 12;
constexpr Element elementOfSet[3] = {ACurvesElement, MCurvesElement, BCurvesElement};

uint64_t roundUpTo4(uint64_t value)
{
    return (value + 3) & ~uint64_t(3);
}

unsigned sideChannels(bool bToA, csICCmABTag::CurveSet set, unsigned inputs, unsigned outputs)
{
    // A curves face the device, M and B curves the PCS.
    const bool inputSide = (set == csICCmABTag::ACurves) != bToA;
    return inputSide ? inputs : outputs;
}

void refuse(csSignature signature, csSignature type, const char* format, ...) CS_PRINTF_FORMAT(3, 4);

void refuse(csSignature signature, csSignature type, const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    csErrorLog::error("bad LUT tag", "tag '%4s' (%4s) %s", csSigText(signature).text, csSigText(type).text, text);
}

struct Extent
{
    uint64_t begin, end;
    Element element;
};

} // namespace

struct csICCmABTag::Layout
{
    bool bToA = false;
    unsigned inputs = 0;
    unsigned outputs = 0;
    uint32_t offset[elementCount] = {};
    uint32_t curveStart[3][maxChannels] = {};
    uint32_t curveSize[3][maxChannels] = {};
    uint32_t precision = 0;
    uint32_t gridPoints[maxChannels] = {};
};

bool csICCmABTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    Layout layout;
    return readLayout(signature, size, bytes, layout);
}

bool csICCmABTag::readLayout(csSignature signature, uint32_t size, const uint8_t* bytes, Layout& layout)
{
    const csSignature type = size >= 4 ? csGetSignature(bytes) : 0;
    if (size < headerSize) {
        refuse(signature, type, "of %u bytes is shorter than its %u-byte header", size, headerSize);
        return false;
    }
    layout.bToA = type == csSig("mBA ");
    layout.inputs = bytes[8];
    layout.outputs = bytes[9];
    if (layout.inputs < 1 || layout.inputs > maxChannels || layout.outputs < 1 || layout.outputs > maxChannels) {
        refuse(signature, type, "has %u inputs and %u outputs; 1 to %u are supported", layout.inputs, layout.outputs,
               maxChannels);
        return false;
    }
    for (int e = 0; e < elementCount; ++e) {
        const uint32_t offset = csGetUInt32(bytes + offsetsStart + 4 * e);
        layout.offset[e] = offset;
        if (offset != 0 && (offset < headerSize || offset >= size)) {
            refuse(signature, type, "has its %s at offset %u, outside the %u bytes after its %u-byte header",
                   elementNames[e], offset, size - headerSize, headerSize);
            return false;
        }
        if (offset % 4 != 0) {
            refuse(signature, type, "has its %s at offset %u, not on a 4-byte boundary", elementNames[e], offset);
            return false;
        }
    }

    std::vector<Extent> extents;
    for (CurveSet set : {ACurves, MCurves, BCurves}) {
        const Element element = elementOfSet[set];
        const uint32_t start = layout.offset[element];
        if (start == 0)
            continue;
        const unsigned channels = sideChannels(layout.bToA, set, layout.inputs, layout.outputs);
        uint64_t at = start;
        for (unsigned c = 0; c < channels; ++c) {
            at = roundUpTo4(at);
            if (at + csICCcurvTag::headerSize > size) {
                refuse(signature, type, "has %u %s, but curve %u would start at byte %llu of %u", channels,
                       elementNames[element], c, static_cast<unsigned long long>(at), size);
                return false;
            }
            const uint8_t* curve = bytes + at;
            const csSignature curveType = csGetSignature(curve);
            uint64_t needed;
            if (curveType == csSig("curv")) {
                const uint32_t entries = csGetUInt32(curve + 8);
                if (entries > csICCcurvTag::maxEntries) {
                    refuse(signature, type, "%s curve %u has %u entries; at most %u are supported",
                           elementNames[element], c, entries, csICCcurvTag::maxEntries);
                    return false;
                }
                needed = csICCcurvTag::headerSize + 2 * uint64_t(entries);
            } else if (curveType == csSig("para")) {
                needed = csICCparaTag::bytesForType(csGetUInt16(curve + 8));
                if (needed == 0) {
                    refuse(signature, type, "%s curve %u has parametric function type %u", elementNames[element], c,
                           csGetUInt16(curve + 8));
                    return false;
                }
            } else {
                refuse(signature, type, "%s curve %u has type '%4s'; curv and para are read", elementNames[element], c,
                       csSigText(curveType).text);
                return false;
            }
            if (at + needed > size) {
                refuse(signature, type, "%s curve %u (%4s) needs %llu bytes from byte %llu, past the tag's %u",
                       elementNames[element], c, csSigText(curveType).text, static_cast<unsigned long long>(needed),
                       static_cast<unsigned long long>(at), size);
                return false;
            }
            if (curveType == csSig("para") && !csICCparaTag::checkLayout(signature, static_cast<uint32_t>(needed), curve)) {
                refuse(signature, type, "%s curve %u has parameters that give no usable curve", elementNames[element], c);
                return false;
            }
            layout.curveStart[set][c] = static_cast<uint32_t>(at);
            layout.curveSize[set][c] = static_cast<uint32_t>(needed);
            at += needed;
        }
        extents.push_back({start, at, element});
    }

    if (const uint32_t offset = layout.offset[MatrixElement]) {
        const unsigned channels = layout.bToA ? layout.inputs : layout.outputs;
        if (channels != 3) {
            refuse(signature, type, "has a matrix on a side of %u channels; a matrix needs 3", channels);
            return false;
        }
        if (uint64_t(offset) + matrixSize > size) {
            refuse(signature, type, "has its matrix at offset %u, which does not fit in its %u bytes", offset, size);
            return false;
        }
        extents.push_back({offset, uint64_t(offset) + matrixSize, MatrixElement});
    }

    if (const uint32_t offset = layout.offset[ClutElement]) {
        if (uint64_t(offset) + clutHeaderSize > size) {
            refuse(signature, type, "has its CLUT at offset %u, which does not fit in its %u bytes", offset, size);
            return false;
        }
        const uint8_t* clut = bytes + offset;
        std::string grid;
        for (unsigned c = 0; c < layout.inputs; ++c) {
            layout.gridPoints[c] = clut[c];
            grid += (c ? "x" : "") + std::to_string(clut[c]);
            if (clut[c] < 2) {
                refuse(signature, type, "has %u CLUT grid points for input %u; at least 2 are needed", clut[c], c);
                return false;
            }
        }
        layout.precision = clut[maxChannels];
        if (layout.precision != 1 && layout.precision != 2) {
            refuse(signature, type, "has CLUT precision %u; 1 or 2 bytes per value are supported", layout.precision);
            return false;
        }
        // Checked after every factor, so it never overflows: it stays below
        // 2^32 before a multiplication by at most 255.
        const uint64_t nodesStart = uint64_t(offset) + clutHeaderSize;
        uint64_t clutBytes = uint64_t(layout.precision) * layout.outputs;
        for (unsigned c = 0; c < layout.inputs && nodesStart + clutBytes <= size; ++c)
            clutBytes *= layout.gridPoints[c];
        if (nodesStart + clutBytes > size) {
            refuse(signature, type, "has a CLUT of %s grid points and %u outputs that does not fit in its %u bytes",
                   grid.c_str(), layout.outputs, size);
            return false;
        }
        extents.push_back({offset, nodesStart + clutBytes, ClutElement});
    } else if (layout.inputs != layout.outputs) {
        refuse(signature, type, "has no CLUT to take %u inputs to %u outputs", layout.inputs, layout.outputs);
        return false;
    }

    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    for (std::size_t i = 1; i < extents.size(); ++i) {
        const Extent& first = extents[i - 1];
        const Extent& second = extents[i];
        if (second.begin < first.end) {
            refuse(signature, type, "has its %s (bytes %llu to %llu) and its %s (from byte %llu) overlapping",
                   elementNames[first.element], static_cast<unsigned long long>(first.begin),
                   static_cast<unsigned long long>(first.end), elementNames[second.element],
                   static_cast<unsigned long long>(second.begin));
            return false;
        }
    }
    return true;
}

csICCmABTag::csICCmABTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
    setup();
}

// The bytes hold every edit, so the copy is read from them afresh.
csICCmABTag::csICCmABTag(const csICCmABTag& other)
    : csICCTag(other)
{
    setup();
}

csICCmABTag::~csICCmABTag() = default;

void csICCmABTag::setup()
{
    bToA_ = false;
    numInputs_ = numOutputs_ = 0;
    hasMatrix_ = false;
    precision_ = 0;
    clut_ = nullptr;
    nodes_.clear();
    for (unsigned c = 0; c < maxChannels; ++c)
        gridPoints_[c] = clutStride_[c] = 0;
    for (int set = 0; set < 3; ++set) {
        hasCurves_[set] = false;
        for (Curve& curve : curves_[set])
            curve = Curve();
    }

    Layout layout;
    if (!readLayout(signature_, size_, data_.get(), layout))
        return;
    uint8_t* const d = data_.get();
    bToA_ = layout.bToA;
    numInputs_ = layout.inputs;
    numOutputs_ = layout.outputs;

    for (CurveSet set : {ACurves, MCurves, BCurves}) {
        hasCurves_[set] = layout.offset[elementOfSet[set]] != 0;
        for (unsigned c = 0; hasCurves_[set] && c < channels(set); ++c) {
            const uint8_t* bytes = d + layout.curveStart[set][c];
            const uint32_t size = layout.curveSize[set][c];
            Curve& curve = curves_[set][c];
            if (csGetSignature(bytes) == csSig("curv"))
                curve.curv = std::make_unique<csICCcurvTag>(signature_, size, bytes);
            else
                curve.para = std::make_unique<csICCparaTag>(signature_, size, bytes, false);
        }
    }

    hasMatrix_ = layout.offset[MatrixElement] != 0;
    for (int i = 0; i < 12; ++i)
        matrix_[i] = hasMatrix_ ? csGetS15Fixed16Raw(d + layout.offset[MatrixElement] + 4 * i) : 0;

    if (layout.offset[ClutElement] == 0)
        return;
    precision_ = layout.precision;
    clut_ = d + layout.offset[ClutElement] + clutHeaderSize;
    // The last input varies fastest: its stride is one node.
    std::size_t values = numOutputs_;
    for (unsigned c = numInputs_; c-- > 0;) {
        gridPoints_[c] = layout.gridPoints[c];
        clutStride_[c] = static_cast<uint32_t>(values);
        values *= gridPoints_[c];
    }
    nodes_.resize(values);
    for (std::size_t i = 0; i < values; ++i)
        nodes_[i] = precision_ == 2 ? csGetUInt16(clut_ + 2 * i) : static_cast<uint16_t>(clut_[i] * 257);
}

unsigned csICCmABTag::channels(CurveSet set) const
{
    return sideChannels(bToA_, set, numInputs_, numOutputs_);
}

const csICCTag* csICCmABTag::curve(CurveSet set, unsigned channel) const
{
    if (channel >= maxChannels)
        return nullptr;
    const Curve& c = curves_[set][channel];
    return c.curv ? static_cast<const csICCTag*>(c.curv.get()) : c.para.get();
}

std::size_t csICCmABTag::nodeIndex(const uint16_t* gridIndices) const
{
    std::size_t index = 0;
    for (unsigned c = 0; c < numInputs_; ++c)
        index += std::size_t(gridIndices[c]) * clutStride_[c];
    return index;
}

void csICCmABTag::getClutNode(const uint16_t* gridIndices, uint16_t* values) const
{
    const uint16_t* node = nodes_.data() + nodeIndex(gridIndices);
    std::copy(node, node + numOutputs_, values);
}

void csICCmABTag::getClutNodeDouble(const uint16_t* gridIndices, double* values) const
{
    const uint16_t* node = nodes_.data() + nodeIndex(gridIndices);
    std::copy(node, node + numOutputs_, values);
}

void csICCmABTag::setClutNode(const uint16_t* gridIndices, const uint16_t* values)
{
    const std::size_t index = nodeIndex(gridIndices);
    for (unsigned k = 0; k < numOutputs_; ++k) {
        if (precision_ == 2) {
            nodes_[index + k] = values[k];
            csSetUInt16(clut_ + 2 * (index + k), values[k]);
        } else {
            // Truncating, as 8-bit LUT tags do: 0x80FF is stored as 0x80.
            const uint8_t high = static_cast<uint8_t>(values[k] >> 8);
            nodes_[index + k] = static_cast<uint16_t>(high * 257);
            clut_[index + k] = high;
        }
    }
}

const uint16_t* csICCmABTag::curveTable(CurveSet set, unsigned channel) const
{
    if (!hasCurves_[set] || channel >= channels(set))
        return nullptr;
    const Curve& curve = curves_[set][channel];
    if (curve.curv)
        return curve.curv->isIdentity() ? nullptr : curve.curv->forwardTable();
    return curve.para ? curve.para->forwardTable() : nullptr;
}

// The tag is used from one thread, as its curves' lazy tables are.
const cs1DInterpolate::CompactCurve16* csICCmABTag::compactCurve(CurveSet set, unsigned channel) const
{
    const uint16_t* full = curveTable(set, channel);
    if (!full)
        return nullptr;
    const Curve& curve = curves_[set][channel];
    if (!curve.compactTried) {
        auto made = std::make_unique<cs1DInterpolate::CompactCurve16>();
        if (cs1DInterpolate::makeCompact(full, compactBound, *made))
            curve.compact = std::move(made);
        curve.compactTried = true;
    }
    return curve.compact.get();
}

template <typename Value, typename Evaluate>
void csICCmABTag::eachCurve(CurveSet set, const Value* in, Value* out, std::size_t count, std::size_t inStride,
                            std::size_t outStride, Evaluate evaluate) const
{
    const unsigned n = channels(set);
    inStride = inStride ? inStride : n;
    outStride = outStride ? outStride : n;
    for (unsigned c = 0; c < n; ++c) {
        const Curve& curve = curves_[set][c];
        if (curve.curv)
            evaluate(*curve.curv, in + c, out + c, inStride, outStride);
        else if (curve.para)
            evaluate(*curve.para, in + c, out + c, inStride, outStride);
        else if (in != out)
            for (std::size_t i = 0; i < count; ++i)
                out[i * outStride + c] = in[i * inStride + c];
    }
}

namespace {

// rfloat inputs limited to 0..65535 into out, where the curve then runs in
// place: sampled and gamma curves are not defined beyond the range.
void limited(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride, std::size_t outStride)
{
    for (std::size_t i = 0; i < count; ++i) {
        const rfloat v = in[i * inStride];
        out[i * outStride] = v >= 0.0 ? (v <= 65535.0 ? v : 65535.0) : 0.0;
    }
}

// Parametric curves in rfloat keep their fraction of a code, which the
// tag's own rfloat forms round away.
void forward(const csICCcurvTag& curve, rfloat* v, std::size_t count, std::size_t stride)
{
    curve.forwardDouble(v, v, count, stride, stride);
}

void forward(const csICCparaTag& curve, rfloat* v, std::size_t count, std::size_t stride)
{
    for (std::size_t i = 0; i < count; ++i, v += stride)
        *v = curve.eval_clamped(static_cast<float>(*v / 65535.0)) * 65535.0;
}

void inverse(const csICCcurvTag& curve, rfloat* v, std::size_t count, std::size_t stride)
{
    curve.inverseDouble(v, v, count, stride, stride);
}

void inverse(const csICCparaTag& curve, rfloat* v, std::size_t count, std::size_t stride)
{
    for (std::size_t i = 0; i < count; ++i, v += stride) {
        const rfloat x = curve.invert(static_cast<float>(*v / 65535.0)) * 65535.0;
        *v = x >= 0.0 ? (x <= 65535.0 ? x : 65535.0) : 0.0;
    }
}

} // namespace

void csICCmABTag::curves(CurveSet set, const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                         std::size_t outStride) const
{
    eachCurve(set, in, out, count, inStride, outStride,
              [count](const auto& curve, const uint16_t* from, uint16_t* to, std::size_t fromStride,
                      std::size_t toStride) { curve.forward16(from, to, count, fromStride, toStride); });
}

void csICCmABTag::inverseCurves(CurveSet set, const uint16_t* in, uint16_t* out, std::size_t count,
                                std::size_t inStride, std::size_t outStride) const
{
    eachCurve(set, in, out, count, inStride, outStride,
              [count](const auto& curve, const uint16_t* from, uint16_t* to, std::size_t fromStride,
                      std::size_t toStride) { curve.inverse16(from, to, count, fromStride, toStride); });
}

void csICCmABTag::curves(CurveSet set, const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                         std::size_t outStride) const
{
    eachCurve(set, in, out, count, inStride, outStride,
              [count](const auto& curve, const rfloat* from, rfloat* to, std::size_t fromStride, std::size_t toStride) {
                  limited(from, to, count, fromStride, toStride);
                  forward(curve, to, count, toStride);
              });
}

void csICCmABTag::inverseCurves(CurveSet set, const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                std::size_t outStride) const
{
    eachCurve(set, in, out, count, inStride, outStride,
              [count](const auto& curve, const rfloat* from, rfloat* to, std::size_t fromStride, std::size_t toStride) {
                  limited(from, to, count, fromStride, toStride);
                  inverse(curve, to, count, toStride);
              });
}
