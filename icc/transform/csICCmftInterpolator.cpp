#include "csICCmftInterpolator.h"

#include "csICCPCS.h"

#include <algorithm>
#include <cmath>
#include <functional>

csICCmftInterpolator::csICCmftInterpolator(csICCmftTag* tag)
    : tag_(tag)
{
    setup();
}

csICCmftInterpolator::~csICCmftInterpolator() = default;

void csICCmftInterpolator::setup()
{
    if (!tag_)
        return;
    raw_ = tag_->data();
    precision_ = tag_->precision();
    numInputs_ = tag_->numInputs();
    numOutputs_ = tag_->numOutputs();
    inputEntries_ = tag_->inputEntries();
    outputEntries_ = tag_->outputEntries();
    clut_ = tag_->clut();
    for (unsigned c = 0; c < maxChannels; ++c) {
        gridPoints_[c] = tag_->gridPoints()[c];
        clutStride_[c] = tag_->clutStride()[c];
        elementStride_[c] = clutStride_[c] / precision_;
        inputTable_[c] = tag_->inputTable(c);
        outputTable_[c] = tag_->outputTable(c);
    }
    for (int i = 0; i < 9; ++i)
        matrix_[i] = csGetS15Fixed16Raw(raw_ + csICCmftTag::matrixOffset + 4 * i);
    matrixIsIdentity_ = tag_->matrixIsIdentity();
}

template <typename Value>
void csICCmftInterpolator::convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride,
                                         std::size_t outStride)
{
    if (!tag_)
        return;
    if (useMatrix_)
        applyMatrix(in, count, inStride);
    if (useInputCurves_)
        inputCurves(in, in, count, inStride, inStride);
    clut(in, out, count, inStride, outStride);
    if (useOutputCurves_)
        outputCurves(out, out, count, outStride, outStride);
}

void csICCmftInterpolator::convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    convert(in, out, count, inStride, outStride, CodeChange(), CodeChange());
}

// The change before folds into the input curves only where no matrix
// stands between them; the change after always follows the output curves.
// Large enough conversions run as one pipeline where the processor has
// vector kernels, with the same codes.
void csICCmftInterpolator::convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride, const CodeChange& before, const CodeChange& after)
{
    if (!tag_)
        return;
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    if (kernel_ != cs1DInterpolate::ClutKernel::Scalar && count >= csICCPipeline16::minPixels) {
        csICCPipeline16 pipeline;
        pipeline.inputs = numInputs_;
        pipeline.outputs = numOutputs_;
        if (appendTo(pipeline, before, after) && pipeline.runnable()) {
            pipeline.run(kernel_, in, out, count, inStride, outStride);
            return;
        }
    }
    const bool matrix = useMatrix_ && numInputs_ == 3 && !matrixIsIdentity_;
    const bool foldBefore = before.kind != CodeChange::None && useInputCurves_ && !matrix;
    if (!foldBefore)
        before.run(in, count, inStride);
    if (matrix)
        applyMatrix(in, count, inStride);
    if (useInputCurves_)
        curves(foldBefore ? foldedSide(true, before) : inputSide(), in, in, count, inStride, inStride);

    const bool foldAfter = after.kind != CodeChange::None && useOutputCurves_;
    const uint16_t* outputCurves[maxChannels];
    if (useOutputCurves_) {
        const CurveSide side = foldAfter ? foldedSide(false, after) : outputSide();
        for (unsigned k = 0; k < numOutputs_; ++k)
            outputCurves[k] = cachedCurve(side, k);
    }
    cs1DInterpolate::clut16(kernel_, clutTable16(), in, out, count, inStride, outStride,
                            useOutputCurves_ ? outputCurves : nullptr);
    if (!foldAfter)
        after.run(out, count, outStride);
}

namespace {

// A code change as a stage; false when there is no room.
bool addChange(csICCPipeline16& pipeline, const csICCmftInterpolator::CodeChange& change)
{
    using Change = csICCmftInterpolator::CodeChange;
    using Kind = csICCPipeline16::Kind;
    if (change.kind == Change::None)
        return true;
    const Kind kind = change.kind == Change::LabV4toLegacy   ? Kind::LabV4toLegacy
                      : change.kind == Change::LabLegacytoV4 ? Kind::LabLegacytoV4
                                                             : Kind::ScaleXYZ;
    csICCPipeline16::Stage* stage = pipeline.add(kind, 3);
    if (!stage)
        return false;
    for (int c = 0; c < 3; ++c)
        stage->factor[c] = change.factor[c];
    return true;
}

} // namespace

// The stages of convert with the same folding of the changes into the
// curve caches. A curve of two entries from 0 to 65535 is the identity and
// is left out, which changes no code.
bool csICCmftInterpolator::appendTo(csICCPipeline16& pipeline, const CodeChange& before, const CodeChange& after)
{
    using Kind = csICCPipeline16::Kind;
    if (!tag_)
        return false;
    auto addCurves = [&](const CurveSide& side) {
        csICCPipeline16::Stage* stage = pipeline.add(Kind::Curves, side.channels);
        if (!stage)
            return false;
        for (unsigned c = 0; c < side.channels; ++c) {
            const uint16_t* cache = cachedCurve(side, c);
            const bool identity = !side.change && side.entries == 2 && cache[0] == 0 && cache[65535] == 65535;
            stage->curves[c] = identity ? nullptr : cache;
        }
        return true;
    };
    const bool matrix = useMatrix_ && numInputs_ == 3 && !matrixIsIdentity_;
    const bool foldBefore = before.kind != CodeChange::None && useInputCurves_ && !matrix;
    if (!foldBefore && !addChange(pipeline, before))
        return false;
    if (matrix) {
        csICCPipeline16::Stage* stage = pipeline.add(Kind::MftMatrix, 3);
        if (!stage)
            return false;
        std::copy(matrix_, matrix_ + 9, stage->matrix);
    }
    if (useInputCurves_ && !addCurves(foldBefore ? foldedSide(true, before) : inputSide()))
        return false;
    csICCPipeline16::Stage* stage = pipeline.add(Kind::Clut, numInputs_);
    if (!stage)
        return false;
    stage->clut = clutTable16();
    const bool foldAfter = after.kind != CodeChange::None && useOutputCurves_;
    if (useOutputCurves_ && !addCurves(foldAfter ? foldedSide(false, after) : outputSide()))
        return false;
    return foldAfter || addChange(pipeline, after);
}

bool csICCmftInterpolator::CodeChange::operator==(const CodeChange& other) const
{
    return kind == other.kind && factor[0] == other.factor[0] && factor[1] == other.factor[1] &&
           factor[2] == other.factor[2];
}

void csICCmftInterpolator::CodeChange::applyAll(unsigned channel, uint16_t* codes, std::size_t count) const
{
    switch (kind) {
    case LabV4toLegacy:
        for (std::size_t i = 0; i < count; ++i)
            codes[i] = csICCPCS::labV4toLegacyCode(codes[i]);
        break;
    case LabLegacytoV4:
        for (std::size_t i = 0; i < count; ++i)
            codes[i] = csICCPCS::labLegacytoV4Code(codes[i]);
        break;
    case ScaleXYZ:
        for (std::size_t i = 0; i < count; ++i)
            codes[i] = csICCPCS::scaleXYZCode(codes[i], factor[channel]);
        break;
    case None: break;
    }
}

uint16_t csICCmftInterpolator::CodeChange::apply(unsigned channel, uint16_t code) const
{
    switch (kind) {
    case LabV4toLegacy: return csICCPCS::labV4toLegacyCode(code);
    case LabLegacytoV4: return csICCPCS::labLegacytoV4Code(code);
    case ScaleXYZ: return csICCPCS::scaleXYZCode(code, factor[channel]);
    case None: break;
    }
    return code;
}

void csICCmftInterpolator::CodeChange::run(uint16_t* values, std::size_t count, std::size_t stride) const
{
    switch (kind) {
    case LabV4toLegacy: csICCPCS::LabV4toLegacy(values, values, count, stride, stride); break;
    case LabLegacytoV4: csICCPCS::LabLegacytoV4(values, values, count, stride, stride); break;
    case ScaleXYZ: csICCPCS::scaleXYZ(values, values, count, factor[0], factor[1], factor[2], stride, stride); break;
    case None: break;
    }
}

csICCmftInterpolator::CurveSide csICCmftInterpolator::foldedSide(bool input, const CodeChange& change)
{
    CodeChange& folded = input ? foldedInput_ : foldedOutput_;
    std::unique_ptr<uint16_t[]>* caches = input ? foldedInputCache_ : foldedOutputCache_;
    if (!(folded == change)) {
        for (unsigned c = 0; c < maxChannels; ++c)
            caches[c].reset();
        folded = change;
    }
    CurveSide side = input ? inputSide() : outputSide();
    side.caches = caches;
    side.change = &folded;
    return side;
}

void csICCmftInterpolator::convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    convertPixels(in, out, count, inStride, outStride);
}

// The ICC defines the matrix for three inputs only; an identity matrix is
// left out, which gives the same result to the bit.
void csICCmftInterpolator::applyMatrix(uint16_t* values, std::size_t count, std::size_t stride) const
{
    if (numInputs_ != 3 || matrixIsIdentity_)
        return;
    stride = strideOr(stride, numInputs_);
    for (std::size_t i = 0; i < count; ++i, values += stride) {
        int64_t sum[3];
        for (int r = 0; r < 3; ++r)
            sum[r] = int64_t(matrix_[3 * r]) * values[0] + int64_t(matrix_[3 * r + 1]) * values[1] +
                     int64_t(matrix_[3 * r + 2]) * values[2];
        for (int r = 0; r < 3; ++r) {
            const int64_t limited = sum[r] < 0 ? 0 : sum[r] >= (int64_t(1) << 32) ? 0xFFFFFFFF : sum[r];
            values[r] = static_cast<uint16_t>(limited >> 16);
        }
    }
}

void csICCmftInterpolator::applyMatrix(rfloat* values, std::size_t count, std::size_t stride) const
{
    if (numInputs_ != 3 || matrixIsIdentity_)
        return;
    stride = strideOr(stride, numInputs_);
    double e[9];
    for (int i = 0; i < 9; ++i)
        e[i] = matrix_[i] / 65536.0;
    for (std::size_t i = 0; i < count; ++i, values += stride) {
        const double x = values[0], y = values[1], z = values[2];
        for (int r = 0; r < 3; ++r)
            values[r] = e[3 * r] * x + e[3 * r + 1] * y + e[3 * r + 2] * z;
    }
}

const uint16_t* csICCmftInterpolator::cachedCurve(const CurveSide& side, unsigned channel)
{
    std::unique_ptr<uint16_t[]>& cache = side.caches[channel];
    if (cache)
        return cache.get();
    cache.reset(new uint16_t[cs1DInterpolate::fullTableSize]);
    uint16_t* const folded = cache.get();
    if (!side.change) {
        prepareTag();
        expandCurve(side.tables[channel], side.entries, folded);
    } else if (side.caches == foldedInputCache_) {
        const uint16_t* curve = cachedCurve(inputSide(), channel);
        for (std::size_t v = 0; v < cs1DInterpolate::fullTableSize; ++v)
            folded[v] = static_cast<uint16_t>(v);
        side.change->applyAll(channel, folded, cs1DInterpolate::fullTableSize);
        for (std::size_t v = 0; v < cs1DInterpolate::fullTableSize; ++v)
            folded[v] = curve[folded[v]];
    } else {
        const uint16_t* curve = cachedCurve(outputSide(), channel);
        std::copy(curve, curve + cs1DInterpolate::fullTableSize, folded);
        side.change->applyAll(channel, folded, cs1DInterpolate::fullTableSize);
    }
    return folded;
}

// One channel at a time, so only one 65536-entry cache is in use at once.
void csICCmftInterpolator::curves(const CurveSide& side, const uint16_t* in, uint16_t* out, std::size_t count,
                                  std::size_t inStride, std::size_t outStride)
{
    inStride = strideOr(inStride, side.channels);
    outStride = strideOr(outStride, side.channels);
    for (unsigned c = 0; c < side.channels; ++c) {
        const uint16_t* cache = cachedCurve(side, c);
        for (std::size_t i = 0; i < count; ++i)
            out[i * outStride + c] = cache[in[i * inStride + c]];
    }
}

void csICCmftInterpolator::curves(const CurveSide& side, const rfloat* in, rfloat* out, std::size_t count,
                                  std::size_t inStride, std::size_t outStride)
{
    prepareTag();
    inStride = strideOr(inStride, side.channels);
    outStride = strideOr(outStride, side.channels);
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride)
        for (unsigned c = 0; c < side.channels; ++c)
            out[c] = curveValue(side.tables[c], side.entries, in[c]);
}

void csICCmftInterpolator::inputCurves(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                       std::size_t outStride)
{
    curves(inputSide(), in, out, count, inStride, outStride);
}

void csICCmftInterpolator::outputCurves(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                        std::size_t outStride)
{
    curves(outputSide(), in, out, count, inStride, outStride);
}

void csICCmftInterpolator::inputCurves(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                       std::size_t outStride)
{
    curves(inputSide(), in, out, count, inStride, outStride);
}

void csICCmftInterpolator::outputCurves(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                        std::size_t outStride)
{
    curves(outputSide(), in, out, count, inStride, outStride);
}

void csICCmftInterpolator::simplex(const double* in, double* out) const
{
    if (precision_ == 1)
        cs1DInterpolate::simplex(cs1DInterpolate::Clut8{clut_, numInputs_, numOutputs_, gridPoints_, elementStride_}, in,
                                 out);
    else
        cs1DInterpolate::simplex(cs1DInterpolate::Clut16{reinterpret_cast<const uint16_t*>(clut_), numInputs_,
                                                         numOutputs_, gridPoints_, elementStride_},
                                 in, out);
}

void csICCmftInterpolator::clut(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                std::size_t outStride)
{
    if (!tag_)
        return;
    prepareTag();
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride)
        simplex(in, out);
}

void csICCmftInterpolator::inverseInputCurves(const uint16_t* in, uint16_t* out, std::size_t count,
                                              std::size_t inStride, std::size_t outStride)
{
    constexpr std::size_t last = cs1DInterpolate::fullTableSize - 1;
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numInputs_);
    for (unsigned c = 0; c < numInputs_; ++c) {
        const uint16_t* table = cachedCurve(inputSide(), c);
        const uint16_t* end = table + cs1DInterpolate::fullTableSize;
        // A monotone table (as curves nearly always are) is searched by
        // halving; the first index found is the same as a walk would find.
        if (inputShape_[c] == CurveShape::Unknown)
            inputShape_[c] = std::is_sorted(table, end)                            ? CurveShape::Rising
                             : std::is_sorted(table, end, std::greater<uint16_t>()) ? CurveShape::Falling
                                                                                    : CurveShape::Neither;
        const CurveShape shape = inputShape_[c];
        for (std::size_t i = 0; i < count; ++i) {
            const uint16_t v = in[i * inStride + c];
            std::size_t k = 1;
            if (v == table[0]) {
                // The end of a flat start.
                if (shape == CurveShape::Rising)
                    k = static_cast<std::size_t>(std::upper_bound(table, end, v) - table) - 1;
                else if (shape == CurveShape::Falling)
                    k = static_cast<std::size_t>(std::upper_bound(table, end, v, std::greater<uint16_t>()) - table) - 1;
                else
                    for (k = 0; k < last && table[k + 1] == table[0]; ++k) {
                    }
            } else if (v > table[0]) {
                if (shape == CurveShape::Rising)
                    k = static_cast<std::size_t>(std::lower_bound(table + 1, end, v) - table);
                else
                    while (k <= last && table[k] < v)
                        ++k;
            } else {
                if (shape == CurveShape::Falling)
                    k = static_cast<std::size_t>(std::lower_bound(table + 1, end, v, std::greater<uint16_t>()) - table);
                else
                    while (k <= last && table[k] > v)
                        ++k;
            }
            out[i * outStride + c] = static_cast<uint16_t>(k > last ? last : k);
        }
    }
}

template <typename Value>
void csICCmftInterpolator::stagesBefore(Value* values, std::size_t count, std::size_t stride)
{
    if (useMatrix_)
        applyMatrix(values, count, stride);
    if (useInputCurves_)
        inputCurves(values, values, count, stride, stride);
}

void csICCmftInterpolator::beforeClut(uint16_t* values, std::size_t count, std::size_t stride)
{
    stagesBefore(values, count, stride);
}

void csICCmftInterpolator::beforeClut(rfloat* values, std::size_t count, std::size_t stride)
{
    stagesBefore(values, count, stride);
}

void csICCmftInterpolator::afterClut(uint16_t* values, std::size_t count, std::size_t stride)
{
    if (useOutputCurves_)
        outputCurves(values, values, count, stride, stride);
}

void csICCmftInterpolator::afterClut(rfloat* values, std::size_t count, std::size_t stride)
{
    if (useOutputCurves_)
        outputCurves(values, values, count, stride, stride);
}

bool csICCmftInterpolator::inverseBeforeClut(const uint16_t* in, uint16_t* out, std::size_t count)
{
    const bool matrix = useMatrix_ && numInputs_ == 3 && !matrixIsIdentity_;
    double inverse[9];
    if (matrix) {
        double m[9];
        for (int i = 0; i < 9; ++i)
            m[i] = matrix_[i] / 65536.0;
        if (!invert3x3(m, inverse))
            return false;
    }
    if (useInputCurves_)
        inverseInputCurves(in, out, count);
    else
        std::copy(in, in + count * numInputs_, out);
    if (matrix)
        for (std::size_t i = 0; i < count; ++i, out += 3) {
            const double x = out[0], y = out[1], z = out[2];
            for (int r = 0; r < 3; ++r)
                out[r] = csRoundToCode16(inverse[3 * r] * x + inverse[3 * r + 1] * y + inverse[3 * r + 2] * z);
        }
    return true;
}
