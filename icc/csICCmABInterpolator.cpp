#include "csICCmABInterpolator.h"

#include "cs1DInterpolate.h"

namespace {

inline std::size_t strideOr(std::size_t stride, unsigned channels)
{
    return stride ? stride : channels;
}

} // namespace

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
    inStride = strideOr(inStride, numInputs_);
    outStride = strideOr(outStride, numOutputs_);
    const csICCmABTag& t = *tag_;
    if (t.bToA()) {
        t.curves(csICCmABTag::BCurves, in, in, count, inStride, inStride);
        applyMatrix(in, count, inStride);
        t.curves(csICCmABTag::MCurves, in, in, count, inStride, inStride);
        clut(in, out, count, inStride, outStride);
        t.curves(csICCmABTag::ACurves, out, out, count, outStride, outStride);
    } else {
        t.curves(csICCmABTag::ACurves, in, in, count, inStride, inStride);
        clut(in, out, count, inStride, outStride);
        t.curves(csICCmABTag::MCurves, out, out, count, outStride, outStride);
        applyMatrix(out, count, outStride);
        t.curves(csICCmABTag::BCurves, out, out, count, outStride, outStride);
    }
}

void csICCmABInterpolator::convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    convertPixels(in, out, count, inStride, outStride);
}

void csICCmABInterpolator::convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    convertPixels(in, out, count, inStride, outStride);
}

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
        cs1DInterpolate::clut16({tag_->clutNodes(), numInputs_, numOutputs_, gridPoints_, tag_->clutStride()}, in, out,
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
