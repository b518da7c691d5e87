#pragma once
// The interface of a colour conversion in one direction. Buffers are
// (input, output, count, inputStride, outputStride), strides in elements
// with 0 meaning the channel count; conversions may modify their input.

#include "csICCNumber.h"

#include <cstddef>
#include <cstdint>

class csColorConverter
{
public:
    virtual ~csColorConverter();

    // Prepares the conversion; 0 on success.
    virtual int init() = 0;
    virtual int convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                        std::size_t outStride = 0) = 0;
    virtual int convert(uint16_t* const in[], uint16_t* const out[], std::size_t count) = 0;
    virtual int convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                        std::size_t outStride = 0) = 0;
    virtual int convert(rfloat* const in[], rfloat* const out[], std::size_t count) = 0;
    // One line describing the settings.
    virtual const char* describe() = 0;
    virtual const char* name() = 0;
    virtual unsigned numInputChannels() const = 0;
    virtual unsigned numOutputChannels() const = 0;
    virtual const csSignature* inputSpace() const = 0;
    virtual const csSignature* outputSpace() const = 0;
};
