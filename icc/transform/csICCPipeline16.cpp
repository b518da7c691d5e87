#include "csICCPipeline16.h"

#include "cs1DInterpolateSIMD.h"

csICCPipeline16::Stage* csICCPipeline16::add(Kind kind, unsigned channels)
{
    if (count == maxStages)
        return nullptr;
    Stage& stage = stages[count++];
    stage = Stage();
    stage.kind = kind;
    stage.channels = channels;
    return &stage;
}

bool csICCPipeline16::runnable() const
{
    if (count == 0 || inputs == 0 || inputs > maxChannels || outputs == 0 || outputs > maxChannels)
        return false;
    unsigned channels = inputs;
    for (unsigned i = 0; i < count; ++i) {
        const Stage& s = stages[i];
        if (s.kind == Kind::Clut) {
            if (s.clut.numInputs != channels || !cs1DInterpolate::simd::handles(s.clut))
                return false;
            channels = s.clut.numOutputs;
        } else if (s.channels != channels || (s.kind != Kind::Curves && channels != 3)) {
            return false;
        }
    }
    return channels == outputs;
}

void csICCPipeline16::run(cs1DInterpolate::ClutKernel kernel, const uint16_t* in, uint16_t* out, std::size_t pixels,
                          std::size_t inStride, std::size_t outStride) const
{
    inStride = inStride ? inStride : inputs;
    outStride = outStride ? outStride : outputs;
    if (kernel == cs1DInterpolate::ClutKernel::AVX2)
        cs1DInterpolate::simd::runAVX2(*this, in, out, pixels, inStride, outStride);
    else
        cs1DInterpolate::simd::runSSE41(*this, in, out, pixels, inStride, outStride);
}
