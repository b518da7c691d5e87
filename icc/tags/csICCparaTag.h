#pragma once
// parametricCurveType ("para", ICC version 4): "para", four reserved bytes,
// function type (uInt16 at 8), two reserved bytes, then the parameters g, a,
// b, c, d, e, f as s15Fixed16Number from byte 12, as many as the type needs:
//
//   type 0  16 bytes  x^g
//   type 1  24 bytes  (a x + b)^g        for x >= -b/a, 0 below
//   type 2  28 bytes  (a x + b)^g + c    for x >= -b/a, c below
//   type 3  32 bytes  (a x + b)^g        for x >= d,    c x below
//   type 4  40 bytes  (a x + b)^g + e    for x >= d,    c x + f below
//
// The curve is evaluated in single precision (powers in double from single
// arguments), clamped to 0..1. 16-bit lookup tables of the curve and of its
// inverse are built on first use, once per tag.

#include "csICCTag.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class csICCparaTag : public csICCTag
{
public:
    // How far apart the two pieces of types 3 and 4 may lie at d.
    static constexpr float PARA_EPSILON = 0.001f;
    static constexpr uint32_t unreadType = 0xFFFFFFFF;

    // Whether the bytes hold a supported function type with all its
    // parameters, and parameters that give a real, continuous curve on 0..1.
    // A refusal leaves one log entry.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);
    // The bytes a function type needs, or 0 for an unsupported type.
    static uint32_t bytesForType(uint32_t functionType);

    // The factory's form. Bytes that fail checkLayout are logged and give the
    // identity curve; a size other than the type needs is only a warning.
    csICCparaTag(csSignature signature, uint32_t size, const uint8_t* bytes, bool buildForward = true,
                 bool buildInverse = false);
    // Reads a curve that begins at bytes and may be followed by other data:
    // only the bytes the type needs are taken, and the directory signature
    // is left 0 for the caller to set.
    csICCparaTag(const uint8_t* bytes, uint32_t sizeLimit, bool buildForward = true, bool buildInverse = false);
    // The copy has tables of its own.
    csICCparaTag(const csICCparaTag& other);
    csICCparaTag& operator=(const csICCparaTag& other) = delete;

    // 0 to 4 once read; unreadType only while a constructor runs.
    uint32_t functionType() const { return functionType_; }
    float gamma() const { return gamma_; }
    float a() const { return a_; }
    float b() const { return b_; }
    float c() const { return c_; }
    float d() const { return d_; }
    float e() const { return e_; }
    float f() const { return f_; }

    // Which end of a flat stretch invert answers with: the midpoint when both
    // or neither are set (the default), otherwise the lower or upper end.
    bool preferLow() const { return preferLow_ != 0; }
    bool preferHigh() const { return preferHigh_ != 0; }
    void setPreference(bool preferLow, bool preferHigh);

    // x in 0..1; the result is limited to 0..1, an undefined value giving 0.
    float eval_clamped(float x) const;
    // y in 0..1 (limited to it); the x at which the curve takes the value y.
    // It may lie outside 0..1 where the curve does not reach y.
    float invert(float y) const;

    // The 65,536-entry table of forward16, built on first use.
    const uint16_t* forwardTable() const;

    // Strides in elements; 0 counts as 1. The tables are built on first use.
    void forward16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride = 1,
                   std::size_t outStride = 1) const;
    void inverse16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride = 1,
                   std::size_t outStride = 1) const;
    // Values on the 0..65535 scale, rounded to whole codes.
    void forwardDouble(const double* in, double* out, std::size_t n, std::size_t inStride = 1,
                       std::size_t outStride = 1) const;
    void inverseDouble(const double* in, double* out, std::size_t n, std::size_t inStride = 1,
                       std::size_t outStride = 1) const;

private:
    // A tag without bytes, for checkLayout to read parameters into.
    explicit csICCparaTag(csSignature signature);

    // Reads the type and parameters from at most limit bytes; the bytes the
    // type needs, or 0 after logging why the curve was refused, in which
    // case the tag holds the identity (type 0, g = 1).
    uint32_t readParameters(const uint8_t* bytes, uint32_t limit);
    // Whether the curve is sound; logs the reason when it is not.
    bool readAndCheck(const uint8_t* bytes, uint32_t limit);
    void resetParameters();
    void buildTables(bool buildForward, bool buildInverse) const;
    void buildForwardTable() const;
    void buildInverseTable() const;

    struct Stretch
    {
        bool found;
        float lo, hi;
    };
    // The part of lo..hi on one side of x0 (up to x0 when below).
    static Stretch sideOf(float x0, bool below, float lo, float hi);
    // x0 as a single point of lo..hi, allowing for rounding at the ends.
    static Stretch pointIn(float x0, float lo, float hi);
    // Where the clamped linear piece c x + f, or the clamped power piece
    // (a x + b)^g + e, takes the value y within lo..hi.
    Stretch linearStretch(float y, float f, float lo, float hi) const;
    Stretch powerStretch(float y, float e, float lo, float hi) const;
    // x of the power piece for the value y, y taken as at least e.
    float powerInverse(float y, float e) const;
    // One answer for a stretch, by the preference; the ends are limited to
    // 0..1 first.
    float resolve(float x1, float x2) const;
    float invertRising(float y) const;
    float invertTwoPiece(float y) const;

    uint32_t functionType_ = unreadType;
    float gamma_ = 1.0f;
    float a_ = 1.0f;
    float b_ = 0.0f;
    float c_ = 0.0f;
    float d_ = 0.0f;
    float e_ = 0.0f;
    float f_ = 0.0f;
    // Built on demand by const evaluation; owned by the tag.
    mutable std::unique_ptr<uint16_t[]> forward_;
    mutable std::unique_ptr<uint16_t[]> inverse_;
    uint8_t preferLow_ = 0;
    uint8_t preferHigh_ = 0;
    // The warning about a decreasing power piece is given once per tag: the
    // inverse table alone would otherwise log it for thousands of codes.
    mutable uint8_t warnedNotInjective_ = 0;
};
