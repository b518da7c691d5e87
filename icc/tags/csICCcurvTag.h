#pragma once
// curveType ("curv"): type signature, four reserved bytes, entry count c
// (uInt32 at 8), then c uInt16 entries from byte 12. c = 0 is the identity,
// c = 1 a u8Fixed8Number gamma (y = x^gamma), c > 1 a curve sampled evenly
// over 0..65535.
//
// The curve and its inverse are kept as 65,536-entry tables, so that 16-bit
// evaluation is a lookup and never a power or an interpolation. They are
// built on first use: a profile read for its header or written back as it
// came never pays for them. The tables follow the bytes only through setup().

#include "csICCTag.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class csICCcurvTag : public csICCTag
{
public:
    static constexpr uint32_t headerSize = 12;
    // Counts from here on cannot be evaluated through a 16-bit table.
    static constexpr uint32_t maxEntries = 65535;

    // Whether the bytes hold a count below 65,536 and every entry it names
    // (count 1: the gamma). A refusal leaves one log entry naming the tag.
    static bool checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes);

    // The bytes should have passed checkLayout; bytes that do not are logged
    // and give the identity.
    csICCcurvTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    // A 14-byte gamma curve; gamma is stored as u8Fixed8Number.
    csICCcurvTag(csSignature signature, double gamma);
    // The copy takes over the source's tables as they stand.
    csICCcurvTag(const csICCcurvTag& other);
    csICCcurvTag& operator=(const csICCcurvTag& other) = delete;

    uint32_t numEntries() const;

    // Rebuilds the tables and flags from the bytes.
    void setup();
    // Rebuilds the tables from the u8Fixed8Number at byte 12 whatever the
    // count says; a tag too short to hold it is logged and left as it is.
    void setupFromGamma();
    // Tables and flags of the identity; the bytes are not changed.
    void setIdentity();

    bool isIdentity() const { return identity_ != 0; }
    // Identity or gamma, as opposed to a sampled curve.
    bool isAnalytic() const { return analytic_ != 0; }
    // 1.0 for the identity and for sampled curves.
    double gamma() const { return gamma_; }
    const uint16_t* forwardTable() const;
    const uint16_t* inverseTable() const;

    // Strides in elements; 0 counts as 1.
    void forward16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride = 1,
                   std::size_t outStride = 1) const;
    void inverse16(const uint16_t* in, uint16_t* out, std::size_t n, std::size_t inStride = 1,
                   std::size_t outStride = 1) const;
    // Values on the 0..65535 scale. The forward gamma curve is rounded to a
    // whole code and wraps modulo 65536 for inputs beyond the range, as a
    // 16-bit result would; the inverse is not rounded.
    void forwardDouble(const double* in, double* out, std::size_t n, std::size_t inStride = 1,
                       std::size_t outStride = 1) const;
    void inverseDouble(const double* in, double* out, std::size_t n, std::size_t inStride = 1,
                       std::size_t outStride = 1) const;

private:
    // Builds both tables from the flags and bytes if not yet done. The tag
    // is used from one thread, so the lazy build needs no lock.
    void ensureTables() const;

    mutable std::unique_ptr<uint16_t[]> forward_;
    mutable std::unique_ptr<uint16_t[]> inverse_;
    mutable bool tablesBuilt_ = false;
    double gamma_ = 1.0;
    uint8_t identity_ = 1;
    uint8_t analytic_ = 1;
};
