#include "csICCparaTag.h"

#include "cs1DInterpolate.h"
#include "csErrorLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t tableSize = cs1DInterpolate::fullTableSize;
constexpr uint32_t parametersOffset = 12;
// Rounding slack when a closed-form x is matched against the ends of a piece.
constexpr float domainSlack = 1e-6f;

inline float power(float base, float exponent)
{
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

// Limited to 0..1; NaN gives 0.
inline float clamp01(float v)
{
    return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f;
}

inline uint16_t tableCode(float y)
{
    if (!(y >= 0.0f))
        return 0;
    if (y > 1.0f)
        return 0xFFFF;
    return static_cast<uint16_t>(y * 65535.0f + 0.5f);
}

inline double roundedCode(float y)
{
    if (!(y >= 0.0f))
        return 0.0;
    if (y > 1.0f)
        return 65535.0;
    return std::floor(static_cast<double>(y) * 65535.0 + 0.5);
}

// An input on the 0..65535 scale as x in 0..1, in single precision.
inline float unitInput(double v)
{
    const double limited = v >= 0.0 ? (v <= 65535.0 ? v : 65535.0) : 0.0;
    return static_cast<float>(limited) / 65535.0f;
}

} // namespace

uint32_t csICCparaTag::bytesForType(uint32_t functionType)
{
    static const uint32_t bytes[5] = {16, 24, 28, 32, 40};
    return functionType < 5 ? bytes[functionType] : 0;
}

bool csICCparaTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    csICCparaTag probe(signature);
    return probe.readParameters(bytes, bytes ? size : 0) != 0;
}

csICCparaTag::csICCparaTag(csSignature signature)
    : csICCTag(signature, 0, nullptr)
{
}

csICCparaTag::csICCparaTag(csSignature signature, uint32_t size, const uint8_t* bytes, bool buildForward,
                           bool buildInverse)
    : csICCTag(signature, size, bytes)
{
    const uint32_t needed = readParameters(data_.get(), size_);
    if (needed != 0 && needed != size_)
        csErrorLog::warning("tag size mismatch", "parametricCurveType: specified tag size (%u) != actual tag size (%u)",
                            size_, needed);
    buildTables(buildForward, buildInverse);
}

csICCparaTag::csICCparaTag(const uint8_t* bytes, uint32_t sizeLimit, bool buildForward, bool buildInverse)
    : csICCTag(0, 0, nullptr)
{
    const uint32_t needed = readParameters(bytes, bytes ? sizeLimit : 0);
    if (needed <= 3) {
        csErrorLog::warning("parametricCurveType corrupt",
                            "trying to construct parametricCurveType from memory (size limit %u, recognized %u bytes)",
                            sizeLimit, needed);
    } else {
        setData(needed, bytes);
        if (getType() != csSig("para"))
            csErrorLog::error("wrong tag type", "tag type is not 'para' but'%c%c%c%c'", bytes[0], bytes[1], bytes[2],
                              bytes[3]);
        else
            csErrorLog::info("parametricCurveType constructed",
                             "constructed parametricCurveType (actual size %u) from memory (size limit %u)", needed,
                             sizeLimit);
    }
    buildTables(buildForward, buildInverse);
}

csICCparaTag::csICCparaTag(const csICCparaTag& other)
    : csICCTag(other),
      functionType_(other.functionType_),
      gamma_(other.gamma_),
      a_(other.a_),
      b_(other.b_),
      c_(other.c_),
      d_(other.d_),
      e_(other.e_),
      f_(other.f_),
      preferLow_(other.preferLow_),
      preferHigh_(other.preferHigh_),
      warnedNotInjective_(other.warnedNotInjective_)
{
    if (other.forward_) {
        forward_.reset(new uint16_t[tableSize]);
        std::memcpy(forward_.get(), other.forward_.get(), tableSize * sizeof(uint16_t));
    }
    if (other.inverse_) {
        inverse_.reset(new uint16_t[tableSize]);
        std::memcpy(inverse_.get(), other.inverse_.get(), tableSize * sizeof(uint16_t));
    }
}

void csICCparaTag::resetParameters()
{
    gamma_ = 1.0f;
    a_ = 1.0f;
    b_ = c_ = d_ = e_ = f_ = 0.0f;
}

uint32_t csICCparaTag::readParameters(const uint8_t* bytes, uint32_t limit)
{
    resetParameters();
    functionType_ = unreadType;
    if (readAndCheck(bytes, limit))
        return bytesForType(functionType_);
    // A refused curve stays usable as the identity.
    resetParameters();
    functionType_ = 0;
    return 0;
}

bool csICCparaTag::readAndCheck(const uint8_t* bytes, uint32_t limit)
{
    const csSigText name(signature_);
    if (limit < parametersOffset) {
        csErrorLog::error("corrupt tag data", "para tag '%4s' of %u bytes is too short to hold a function type",
                          name.text, limit);
        return false;
    }
    const uint32_t type = csGetUInt16(bytes + 8);
    const uint32_t needed = bytesForType(type);
    if (needed == 0) {
        csErrorLog::error("unsupported function type", "function type '%u' is not supported for parametricCurveType",
                          type);
        return false;
    }
    if (needed > limit) {
        csErrorLog::error("corrupt tag data", "para tag '%4s': function type %u needs %u bytes, the tag has %u",
                          name.text, type, needed, limit);
        return false;
    }

    functionType_ = type;
    float* const fields[7] = {&gamma_, &a_, &b_, &c_, &d_, &e_, &f_};
    for (uint32_t i = 0; i < (needed - parametersOffset) / 4; ++i)
        *fields[i] = static_cast<float>(csGetS15Fixed16(bytes + parametersOffset + 4 * i));

    const char* problem = nullptr;
    if (!(gamma_ > 0.0f))
        problem = "curve is hyperbolic or constant and thus not invertible";
    else if ((type == 1 || type == 2) && !(a_ > 0.0f))
        problem = "results might be complex";
    // For the two-piece types the power must not see a negative base
    // between d and 1.
    else if (type >= 3 &&
             !(a_ <= 0.0f ? d_ > 1.0f || a_ + b_ >= 0.0f : d_ > 1.0f || b_ >= 0.0f || a_ * d_ + b_ >= 0.0f))
        problem = "results might be complex";
    if (problem) {
        csErrorLog::error("bad parameters", "para tag '%4s': bad parameters (%s)", name.text, problem);
        return false;
    }
    if (type >= 3 && d_ > 0.0f && d_ <= 1.0f) {
        const float powerAtD = eval_clamped(d_);
        const float lineAtD = clamp01(c_ * d_ + (type == 4 ? f_ : 0.0f));
        if (!(std::fabs(powerAtD - lineAtD) < PARA_EPSILON)) {
            csErrorLog::error("bad parameters", "para tag '%4s': curve not continuous at d = %f (%f against %f)",
                              name.text, double(d_), double(powerAtD), double(lineAtD));
            return false;
        }
    }
    return true;
}

void csICCparaTag::buildTables(bool buildForward, bool buildInverse) const
{
    if (buildForward)
        buildForwardTable();
    if (buildInverse)
        buildInverseTable();
}

void csICCparaTag::buildForwardTable() const
{
    if (!forward_)
        forward_.reset(new uint16_t[tableSize]);
    for (std::size_t k = 0; k < tableSize; ++k)
        forward_[k] = tableCode(eval_clamped(static_cast<float>(k) / 65535.0f));
}

void csICCparaTag::buildInverseTable() const
{
    if (!inverse_)
        inverse_.reset(new uint16_t[tableSize]);
    for (std::size_t k = 0; k < tableSize; ++k)
        inverse_[k] = tableCode(invert(static_cast<float>(k) / 65535.0f));
}

void csICCparaTag::setPreference(bool preferLow, bool preferHigh)
{
    preferLow_ = preferLow ? 1 : 0;
    preferHigh_ = preferHigh ? 1 : 0;
    if (inverse_)
        buildInverseTable();
}

float csICCparaTag::eval_clamped(float x) const
{
    float y;
    switch (functionType_) {
    case 0:
        y = power(x, gamma_);
        break;
    case 1:
        y = x >= -b_ / a_ ? power(a_ * x + b_, gamma_) : 0.0f;
        break;
    case 2:
        y = x >= -b_ / a_ ? power(a_ * x + b_, gamma_) + c_ : c_;
        break;
    case 3:
        y = x >= d_ ? power(a_ * x + b_, gamma_) : c_ * x;
        break;
    case 4:
        y = x >= d_ ? power(a_ * x + b_, gamma_) + e_ : c_ * x + f_;
        break;
    default:
        csErrorLog::error("unsupported function type", "function type '%u' is not supported for parametricCurveType",
                          functionType_);
        return 0.0f;
    }
    return clamp01(y);
}

float csICCparaTag::resolve(float x1, float x2) const
{
    const float lo = clamp01(x1);
    const float hi = clamp01(x2);
    if (!(hi > lo))
        return lo;
    if (preferLow_ == preferHigh_)
        return 0.5f * (lo + hi);
    return preferLow_ ? lo : hi;
}

float csICCparaTag::invert(float y) const
{
    y = clamp01(y);
    switch (functionType_) {
    case 0:
        return power(y, 1.0f / gamma_);
    case 1:
    case 2:
        return invertRising(y);
    case 3:
    case 4:
        return invertTwoPiece(y);
    default:
        csErrorLog::error("unsupported function type", "function type '%u' is not supported for parametricCurveType",
                          functionType_);
        return 0.0f;
    }
}

// Types 1 and 2: the constant c (0 for type 1) up to -b/a, then a rising
// power.
float csICCparaTag::invertRising(float y) const
{
    const float c = functionType_ == 2 ? c_ : 0.0f;
    const float inverseGamma = 1.0f / gamma_;
    if (y <= c)
        return resolve(0.0f, -b_ / a_);
    if (y >= 1.0f)
        return resolve((power(1.0f - c, inverseGamma) - b_) / a_, 1.0f);
    const float x = (power(y - c, inverseGamma) - b_) / a_;
    // A negative c clamps the start of the power to 0 as well.
    return y <= 0.0f ? resolve(0.0f, x) : x;
}

csICCparaTag::Stretch csICCparaTag::sideOf(float x0, bool below, float lo, float hi)
{
    const float l = below ? lo : std::max(lo, x0);
    const float h = below ? std::min(hi, x0) : hi;
    return {l <= h, l, h};
}

csICCparaTag::Stretch csICCparaTag::pointIn(float x0, float lo, float hi)
{
    if (!(x0 >= lo - domainSlack && x0 <= hi + domainSlack))
        return {false, 0.0f, 0.0f};
    const float x = std::min(std::max(x0, lo), hi);
    return {true, x, x};
}

csICCparaTag::Stretch csICCparaTag::linearStretch(float y, float f, float lo, float hi) const
{
    if (c_ == 0.0f)
        return {clamp01(f) == y, lo, hi};
    const float x0 = (y - f) / c_;
    // The clamped line stays at 0, or at 1, on one side of x0.
    if (y <= 0.0f || y >= 1.0f)
        return sideOf(x0, (y <= 0.0f) == (c_ > 0.0f), lo, hi);
    return pointIn(x0, lo, hi);
}

float csICCparaTag::powerInverse(float y, float e) const
{
    return (power(std::max(y - e, 0.0f), 1.0f / gamma_) - b_) / a_;
}

csICCparaTag::Stretch csICCparaTag::powerStretch(float y, float e, float lo, float hi) const
{
    if (a_ == 0.0f)
        return {eval_clamped(std::max(lo, d_)) == y, lo, hi};
    // Without its offset the power is never negative, so the piece is at
    // least e.
    if (y <= 0.0f)
        return e > 0.0f ? Stretch{false, 0.0f, 0.0f} : sideOf(powerInverse(0.0f, e), a_ > 0.0f, lo, hi);
    if (y >= 1.0f)
        return e >= 1.0f ? Stretch{true, lo, hi} : sideOf(powerInverse(1.0f, e), a_ < 0.0f, lo, hi);
    if (y < e)
        return {false, 0.0f, 0.0f};
    return pointIn(powerInverse(y, e), lo, hi);
}

// Types 3 and 4: the line c x + f on [0, d), the power (a x + b)^g + e from
// d on. The value is looked for in the line first, then in the power; where
// the clamped curve holds it on a whole stretch, across both pieces if they
// meet there, the stretch decides.
float csICCparaTag::invertTwoPiece(float y) const
{
    const float e = functionType_ == 4 ? e_ : 0.0f;
    const float f = functionType_ == 4 ? f_ : 0.0f;
    // A line alone that never rises: its lower end unless only the upper
    // one is preferred.
    if (functionType_ == 3 && d_ > 1.0f && c_ <= 0.0f)
        return preferHigh_ && !preferLow_ ? 1.0f : 0.0f;

    const bool hasLine = d_ > 0.0f;
    const bool hasPower = d_ <= 1.0f;
    const float lineEnd = std::min(d_, 1.0f);
    float tl = std::max(d_, 0.0f);
    if (a_ > 0.0f)
        tl = std::max(tl, -b_ / a_);

    const Stretch line = hasLine ? linearStretch(y, f, 0.0f, lineEnd) : Stretch{false, 0.0f, 0.0f};
    if (hasPower && a_ >= 0.0f) {
        const Stretch piece = powerStretch(y, e, tl, 1.0f);
        if (line.found && piece.found && piece.lo <= line.hi + domainSlack)
            return resolve(line.lo, piece.hi);
        if (line.found)
            return resolve(line.lo, line.hi);
        if (piece.found)
            return resolve(piece.lo, piece.hi);
    } else if (line.found) {
        return resolve(line.lo, line.hi);
    } else if (hasPower) {
        const float vl = eval_clamped(tl);
        if (y <= vl) {
            if (!warnedNotInjective_) {
                csErrorLog::warning("function is not injective",
                                    "reason: exp. part of curve is decreasing, y=%f, tl=%f, vl=%f", double(y),
                                    double(tl), double(vl));
                warnedNotInjective_ = 1;
            }
            return powerInverse(y, e);
        }
    }

    // No x in 0..1 gives y (a jump at d within PARA_EPSILON, or a value
    // beyond the curve's range): the closed form of the piece that y lies
    // nearest to.
    const float lineValue = clamp01(c_ * lineEnd + f);
    if (hasLine && c_ != 0.0f && (!hasPower || y < lineValue))
        return (y - f) / c_;
    if (hasPower && a_ != 0.0f)
        return powerInverse(y, e);
    return hasPower && y >= eval_clamped(tl) ? 1.0f : tl;
}

const uint16_t* csICCparaTag::forwardTable() const
{
    if (!forward_)
        buildForwardTable();
    return forward_.get();
}

void csICCparaTag::forward16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
                             std::size_t outStride) const
{
    cs1DInterpolate::lookup16(forwardTable(), in, out, n, inStride, outStride);
}

void csICCparaTag::inverse16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride,
                             std::size_t outStride) const
{
    if (!inverse_)
        buildInverseTable();
    cs1DInterpolate::lookup16(inverse_.get(), in, out, n, inStride, outStride);
}

void csICCparaTag::forwardDouble(const double* in, double* out, std::size_t n, std::size_t inStride,
                                 std::size_t outStride) const
{
    inStride = inStride ? inStride : 1;
    outStride = outStride ? outStride : 1;
    for (std::size_t i = 0; i < n; ++i)
        out[i * outStride] = roundedCode(eval_clamped(unitInput(in[i * inStride])));
}

void csICCparaTag::inverseDouble(const double* in, double* out, std::size_t n, std::size_t inStride,
                                 std::size_t outStride) const
{
    inStride = inStride ? inStride : 1;
    outStride = outStride ? outStride : 1;
    for (std::size_t i = 0; i < n; ++i)
        out[i * outStride] = roundedCode(invert(unitInput(in[i * inStride])));
}
