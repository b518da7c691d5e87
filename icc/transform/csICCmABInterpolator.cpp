#include "csICCmABInterpolator.h"

#include "cs1DInterpolate.h"

#include <algorithm>
#include <vector>

csICCmABInterpolator::csICCmABInterpolator(csICCmABTag* tag)
    : tag_(tag)
{
    if (!tag_)
        return;
    numInputs_ = tag_->numInputs();
    numOutputs_ = tag_->numOutputs();
    for (unsigned c = 0; c < maxChannels; ++c)
        gridPoints_[c] = tag_->gridPoints()[c];
}

template <typename Value>
void csICCmABInterpolator::convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride,
                                         std::size_t outStride)
{
    if (!tag_)
        return;
    beforeClut(in, count, inStride);
    clut(in, out, count, inStride, outStride);
    afterClut(out, count, outStride);
}

template <typename Value>
void csICCmABInterpolator::beforeClut(Value* values, std::size_t count, std::size_t stride) const
{
    if (!tag_)
        return;
    stride = strideOr(stride, numInputs_);
    if (tag_->bToA()) {
        tag_->curves(csICCmABTag::BCurves, values, values, count, stride, stride);
        applyMatrix(values, count, stride);
        tag_->curves(csICCmABTag::MCurves, values, values, count, stride, stride);
    } else {
        tag_->curves(csICCmABTag::ACurves, values, values, count, stride, stride);
    }
}

template <typename Value>
void csICCmABInterpolator::afterClut(Value* values, std::size_t count, std::size_t stride) const
{
    if (!tag_)
        return;
    stride = strideOr(stride, numOutputs_);
    if (tag_->bToA()) {
        tag_->curves(csICCmABTag::ACurves, values, values, count, stride, stride);
    } else {
        tag_->curves(csICCmABTag::MCurves, values, values, count, stride, stride);
        applyMatrix(values, count, stride);
        tag_->curves(csICCmABTag::BCurves, values, values, count, stride, stride);
    }
}

void csICCmABInterpolator::convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    if (tag_ && kernel_ != cs1DInterpolate::ClutKernel::Scalar && count >= csICCPipeline16::minPixels) {
        csICCPipeline16 pipeline;
        pipeline.inputs = numInputs_;
        pipeline.outputs = numOutputs_;
        if (appendTo(pipeline) && pipeline.runnable()) {
            pipeline.run(kernel_, in, out, count, inStride, outStride);
            return;
        }
    }
    if (tag_ && compactCurves_ && tag_->bToA())
        convertCompact(in, out, count, inStride, outStride);
    else
        convertPixels(in, out, count, inStride, outStride);
}

// The passes with the curves the pipeline reads, so that a pixel's codes
// do not depend on the size of the call it comes in or the kernel form.
void csICCmABInterpolator::convertCompact(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                          std::size_t outStride) const
{
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    readCompactCurves(csICCmABTag::BCurves, in, count, inStride);
    applyMatrix(in, count, inStride);
    readCompactCurves(csICCmABTag::MCurves, in, count, inStride);
    clut(in, out, count, inStride, outStride);
    readCompactCurves(csICCmABTag::ACurves, out, count, outStride);
}

// Each channel through its compact form where the tag has one, else its
// full table; a channel without a table (the identity) is left alone.
void csICCmABInterpolator::readCompactCurves(csICCmABTag::CurveSet set, uint16_t* values, std::size_t count,
                                             std::size_t stride) const
{
    if (!tag_->hasCurves(set))
        return;
    for (unsigned c = 0; c < tag_->channels(set); ++c) {
        if (const cs1DInterpolate::CompactCurve16* compact = tag_->compactCurve(set, c))
            cs1DInterpolate::lookupCompact(*compact, values + c, values + c, count, stride, stride);
        else if (const uint16_t* table = tag_->curveTable(set, c))
            cs1DInterpolate::lookup16(table, values + c, values + c, count, stride, stride);
    }
}

namespace {

// A curve set as a stage (none for an absent set or one of identities),
// with the compact curves where asked for and the tag has them.
bool addCurves(csICCPipeline16& pipeline, const csICCmABTag& tag, csICCmABTag::CurveSet set, bool compact)
{
    if (!tag.hasCurves(set))
        return true;
    const unsigned channels = tag.channels(set);
    const uint16_t* tables[csICCPipeline16::maxChannels] = {};
    bool any = false;
    for (unsigned c = 0; c < channels && c < csICCPipeline16::maxChannels; ++c)
        any |= (tables[c] = tag.curveTable(set, c)) != nullptr;
    if (!any)
        return true;
    csICCPipeline16::Stage* stage = pipeline.add(csICCPipeline16::Kind::Curves, channels);
    if (!stage)
        return false;
    std::copy(tables, tables + csICCPipeline16::maxChannels, stage->curves);
    for (unsigned c = 0; compact && c < channels && c < csICCPipeline16::maxChannels; ++c)
        stage->compact[c] = tag.compactCurve(set, c);
    return true;
}

bool addMatrix(csICCPipeline16& pipeline, const csICCmABTag& tag)
{
    if (!tag.hasMatrix())
        return true;
    csICCPipeline16::Stage* stage = pipeline.add(csICCPipeline16::Kind::LutMatrix, 3);
    if (!stage)
        return false;
    std::copy(tag.matrix(), tag.matrix() + 12, stage->matrix);
    return true;
}

} // namespace

bool csICCmABInterpolator::appendTo(csICCPipeline16& pipeline) const
{
    if (!tag_)
        return false;
    const bool bToA = tag_->bToA();
    // Only "mBA " tables: their ten curves per pixel are what keeps them
    // slow, where "mAB " ones run fast enough with their full tables and
    // keep the passes' codes.
    const bool compact = compactCurves_ && bToA;
    if (bToA && !(addCurves(pipeline, *tag_, csICCmABTag::BCurves, compact) && addMatrix(pipeline, *tag_) &&
                  addCurves(pipeline, *tag_, csICCmABTag::MCurves, compact)))
        return false;
    if (!bToA && !addCurves(pipeline, *tag_, csICCmABTag::ACurves, compact))
        return false;
    if (tag_->hasClut()) {
        csICCPipeline16::Stage* stage = pipeline.add(csICCPipeline16::Kind::Clut, numInputs_);
        if (!stage)
            return false;
        stage->clut = {tag_->clutNodes(), numInputs_, numOutputs_, gridPoints_, tag_->clutStride()};
    }
    if (!addCurves(pipeline, *tag_, bToA ? csICCmABTag::ACurves : csICCmABTag::MCurves, compact))
        return false;
    return bToA || (addMatrix(pipeline, *tag_) && addCurves(pipeline, *tag_, csICCmABTag::BCurves, compact));
}

void csICCmABInterpolator::convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    convertPixels(in, out, count, inStride, outStride);
}

template void csICCmABInterpolator::beforeClut(uint16_t*, std::size_t, std::size_t) const;
template void csICCmABInterpolator::beforeClut(rfloat*, std::size_t, std::size_t) const;
template void csICCmABInterpolator::afterClut(uint16_t*, std::size_t, std::size_t) const;
template void csICCmABInterpolator::afterClut(rfloat*, std::size_t, std::size_t) const;

// Entries and offsets are s15Fixed16; an offset counts in units of the full
// range, 65535 codes.
void csICCmABInterpolator::applyMatrix(uint16_t* values, std::size_t count, std::size_t stride) const
{
    if (!tag_ || !tag_->hasMatrix())
        return;
    const int32_t* m = tag_->matrix();
    stride = strideOr(stride, 3);
    for (std::size_t i = 0; i < count; ++i, values += stride) {
        int64_t sum[3];
        for (int r = 0; r < 3; ++r)
            sum[r] = int64_t(m[3 * r]) * values[0] + int64_t(m[3 * r + 1]) * values[1] +
                     int64_t(m[3 * r + 2]) * values[2] + int64_t(m[9 + r]) * 65535 + 0x8000;
        for (int r = 0; r < 3; ++r)
            values[r] = static_cast<uint16_t>(sum[r] <= 0 ? 0 : sum[r] >= (int64_t(65535) << 16) ? 65535 : sum[r] >> 16);
    }
}

void csICCmABInterpolator::applyMatrix(rfloat* values, std::size_t count, std::size_t stride) const
{
    if (!tag_ || !tag_->hasMatrix())
        return;
    double e[12];
    for (int i = 0; i < 12; ++i)
        e[i] = tag_->matrix()[i] / 65536.0;
    stride = strideOr(stride, 3);
    for (std::size_t i = 0; i < count; ++i, values += stride) {
        const double x = values[0], y = values[1], z = values[2];
        for (int r = 0; r < 3; ++r)
            values[r] = e[3 * r] * x + e[3 * r + 1] * y + e[3 * r + 2] * z + e[9 + r] * 65535.0;
    }
}

void csICCmABInterpolator::clut(const uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                std::size_t outStride) const
{
    if (!tag_)
        return;
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    if (tag_->hasClut()) {
        cs1DInterpolate::clut16(kernel_, {tag_->clutNodes(), numInputs_, numOutputs_, gridPoints_, tag_->clutStride()}, in, out,
                                count, inStride, outStride);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        for (unsigned c = 0; c < numInputs_; ++c)
            out[i * outStride + c] = in[i * inStride + c];
}

void csICCmABInterpolator::clut(const rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                std::size_t outStride) const
{
    if (!tag_)
        return;
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    const cs1DInterpolate::Clut16 table = {tag_->clutNodes(), numInputs_, numOutputs_, gridPoints_,
                                           tag_->clutStride()};
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        if (tag_->hasClut())
            cs1DInterpolate::simplex(table, in, out);
        else
            for (unsigned c = 0; c < numInputs_; ++c)
                out[c] = in[c];
    }
}

bool csICCmABInterpolator::inverseBeforeClut(const uint16_t* in, uint16_t* out, std::size_t count)
{
    if (!tag_)
        return false;
    const bool matrix = tag_->bToA() && tag_->hasMatrix();
    double inverse[9];
    if (matrix) {
        double m[9];
        for (int i = 0; i < 9; ++i)
            m[i] = tag_->matrix()[i] / 65536.0;
        if (!invert3x3(m, inverse))
            return false;
    }
    const unsigned n = numInputs_;
    std::vector<rfloat> v(in, in + count * n);
    if (tag_->bToA()) {
        tag_->inverseCurves(csICCmABTag::MCurves, v.data(), v.data(), count);
        for (std::size_t i = 0; matrix && i < count; ++i) {
            rfloat* p = &v[3 * i];
            double shifted[3];
            for (int r = 0; r < 3; ++r)
                shifted[r] = p[r] - tag_->matrix()[9 + r] / 65536.0 * 65535.0;
            for (int r = 0; r < 3; ++r)
                p[r] = inverse[3 * r] * shifted[0] + inverse[3 * r + 1] * shifted[1] + inverse[3 * r + 2] * shifted[2];
        }
        tag_->inverseCurves(csICCmABTag::BCurves, v.data(), v.data(), count);
    } else {
        tag_->inverseCurves(csICCmABTag::ACurves, v.data(), v.data(), count);
    }
    for (std::size_t i = 0; i < v.size(); ++i)
        out[i] = csRoundToCode16(v[i]);
    return true;
}
