#include "csICCcurvTag.h"

#include "cs1DInterpolate.h"
#include "csErrorLog.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t tableSize = cs1DInterpolate::fullTableSize;
constexpr uint32_t gammaTagSize = 14;

// floor(v + 0.5) of a value the caller keeps within 0..65535.
inline uint16_t roundCode(double v)
{
    const double r = std::floor(v + 0.5);
    return static_cast<uint16_t>(r >= 65535.0 ? 65535.0 : r > 0.0 ? r : 0.0);
}

// v limited to lo..hi; NaN gives lo.
inline double limit(double v, double lo, double hi)
{
    return v >= lo ? (v <= hi ? v : hi) : lo;
}

} // namespace

bool csICCcurvTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    const csSigText name(signature);
    if (size < headerSize) {
        csErrorLog::error("corrupt tag data", "curv tag '%4s' of %u bytes is shorter than its %u-byte header",
                          name.text, size, headerSize);
        return false;
    }
    const uint32_t count = csGetUInt32(bytes + 8);
    if (count > maxEntries) {
        csErrorLog::error("corrupt tag data", "curv tag '%4s' has %u entries; at most %u are supported",
                          name.text, count, maxEntries);
        return false;
    }
    const uint64_t needed = headerSize + 2 * uint64_t(count);
    if (needed > size) {
        csErrorLog::error("corrupt tag data", "curv tag '%4s' with %u entries does not fit in its %u bytes",
                          name.text, count, size);
        return false;
    }
    return true;
}

csICCcurvTag::csICCcurvTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
    setup();
}

csICCcurvTag::csICCcurvTag(csSignature signature, double gamma)
    : csICCTag(signature, 0, nullptr)
{
    uint8_t bytes[gammaTagSize] = {};
    csSetSignature(bytes, csSig("curv"));
    csSetUInt32(bytes + 8, 1);
    csSetU8Fixed8(bytes + 12, gamma);
    setData(gammaTagSize, bytes);
    setup();
}

csICCcurvTag::csICCcurvTag(const csICCcurvTag& other)
    : csICCTag(other), gamma_(other.gamma_), identity_(other.identity_), analytic_(other.analytic_)
{
    if (!other.tablesBuilt_)
        return;
    forward_.reset(new uint16_t[tableSize]);
    inverse_.reset(new uint16_t[tableSize]);
    std::memcpy(forward_.get(), other.forward_.get(), tableSize * sizeof(uint16_t));
    std::memcpy(inverse_.get(), other.inverse_.get(), tableSize * sizeof(uint16_t));
    tablesBuilt_ = true;
}

void csICCcurvTag::ensureTables() const
{
    if (tablesBuilt_)
        return;
    if (!forward_) {
        forward_.reset(new uint16_t[tableSize]);
        inverse_.reset(new uint16_t[tableSize]);
    }
    if (identity_) {
        for (std::size_t k = 0; k < tableSize; ++k)
            forward_[k] = inverse_[k] = static_cast<uint16_t>(k);
    } else if (analytic_) {
        const double inverseGamma = 1.0 / gamma_;
        for (std::size_t k = 0; k < tableSize; ++k) {
            const double x = static_cast<double>(k) / 65535.0;
            forward_[k] = roundCode(std::pow(x, gamma_) * 65535.0);
            inverse_[k] = roundCode(std::pow(x, inverseGamma) * 65535.0);
        }
    } else {
        // Bytes replaced since setup may no longer hold the samples.
        const uint32_t count = numEntries();
        if (count >= 2 && headerSize + 2 * uint64_t(count) <= size_) {
            cs1DInterpolate::expand16BE(data_.get() + headerSize, count, forward_.get());
        } else {
            for (std::size_t k = 0; k < tableSize; ++k)
                forward_[k] = static_cast<uint16_t>(k);
        }
        cs1DInterpolate::invertTable(forward_.get(), inverse_.get());
    }
    tablesBuilt_ = true;
}

const uint16_t* csICCcurvTag::forwardTable() const
{
    ensureTables();
    return forward_.get();
}

const uint16_t* csICCcurvTag::inverseTable() const
{
    ensureTables();
    return inverse_.get();
}

uint32_t csICCcurvTag::numEntries() const
{
    return size_ >= headerSize ? csGetUInt32(data_.get() + 8) : 0;
}

void csICCcurvTag::setIdentity()
{
    identity_ = 1;
    analytic_ = 1;
    gamma_ = 1.0;
    tablesBuilt_ = false;
}

void csICCcurvTag::setup()
{
    // Bytes that were not checked (direct construction, setData) are held to
    // the same rules as a file's; the identity keeps the tag usable.
    if (!checkLayout(signature_, size_, data_.get())) {
        setIdentity();
        return;
    }
    const uint32_t count = numEntries();
    if (count == 0) {
        setIdentity();
    } else if (count == 1) {
        setupFromGamma();
    } else {
        identity_ = 0;
        analytic_ = 0;
        gamma_ = 1.0;
        tablesBuilt_ = false;
    }
}

void csICCcurvTag::setupFromGamma()
{
    if (size_ < gammaTagSize) {
        csErrorLog::error("corrupt tag data", "curv tag '%4s' of %u bytes has no gamma value",
                          csSigText(signature_).text, size_);
        return;
    }
    gamma_ = csGetU8Fixed8(data_.get() + headerSize);
    if (gamma_ == 0.0) {
        csErrorLog::warning("bad gamma", "gamma value in TRC is 0. continuing with 1.");
        setIdentity();
    } else if (gamma_ == 1.0) {
        setIdentity();
    } else {
        identity_ = 0;
        analytic_ = 1;
        tablesBuilt_ = false;
    }
}

void csICCcurvTag::forward16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
                             std::size_t outStride) const
{
    cs1DInterpolate::lookup16(forwardTable(), in, out, n, inStride, outStride);
}

void csICCcurvTag::inverse16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
                             std::size_t outStride) const
{
    cs1DInterpolate::lookup16(inverseTable(), in, out, n, inStride, outStride);
}

void csICCcurvTag::forwardDouble(const double* in, double* out, std::size_t n, std::size_t inStride,
                                 std::size_t outStride) const
{
    inStride = inStride ? inStride : 1;
    outStride = outStride ? outStride : 1;
    if (identity_) {
        for (std::size_t i = 0; i < n; ++i)
            out[i * outStride] = in[i * inStride];
    } else if (analytic_) {
        for (std::size_t i = 0; i < n; ++i) {
            const double v = std::floor(std::pow(in[i * inStride] / 65535.0, gamma_) * 65535.0 + 0.5);
            // The wrap of a 16-bit result; an undefined power (a negative
            // input) or an infinite one gives 0.
            const double wrapped = std::isfinite(v) ? std::fmod(v, 65536.0) : 0.0;
            out[i * outStride] = wrapped < 0.0 ? wrapped + 65536.0 : wrapped;
        }
    } else {
        const uint32_t count = numEntries();
        if (count < 2 || headerSize + 2 * uint64_t(count) > size_) {
            // The bytes were changed behind setup's back; the forward table
            // still describes the curve.
            for (std::size_t i = 0; i < n; ++i)
                out[i * outStride] = cs1DInterpolate::interpolate16(forwardTable(), tableSize, in[i * inStride]);
            return;
        }
        const uint8_t* samples = data_.get() + headerSize;
        for (std::size_t i = 0; i < n; ++i)
            out[i * outStride] = cs1DInterpolate::interpolate16BE(samples, count, in[i * inStride]);
    }
}

void csICCcurvTag::inverseDouble(const double* in, double* out, std::size_t n, std::size_t inStride,
                                 std::size_t outStride) const
{
    inStride = inStride ? inStride : 1;
    outStride = outStride ? outStride : 1;
    if (identity_) {
        for (std::size_t i = 0; i < n; ++i)
            out[i * outStride] = in[i * inStride];
    } else if (analytic_) {
        const double inverseGamma = 1.0 / gamma_;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = limit(in[i * inStride] / 65535.0, 0.0, 1.0);
            out[i * outStride] = std::pow(x, inverseGamma) * 65535.0;
        }
    } else {
        const uint16_t* table = inverseTable();
        for (std::size_t i = 0; i < n; ++i) {
            const double x = limit(in[i * inStride], 0.0, 65535.0);
            // The last segment serves 65535 itself, with f = 1.
            const std::size_t k = x >= 65534.0 ? 65534 : static_cast<std::size_t>(x);
            const double f = x - static_cast<double>(k);
            out[i * outStride] = (1.0 - f) * table[k] + f * table[k + 1];
        }
    }
}
