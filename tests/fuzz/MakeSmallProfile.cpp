// Writes tests/data/cmyk_small.icc: the shared CMYK profile with its A2B and
// B2A tables sampled onto small grids (4 and 5 points), so that a fuzz
// input can run both correction methods in milliseconds. Run it again only
// to remake that file: make-small-profile IN.icc OUT.icc

#include "LutBuilder.h"
#include "TestSupport.h"
#include "csICCProfile.h"
#include "csICCmft2Interpolator.h"
#include "csICCmft2Tag.h"

#include <cstdio>

namespace {

// The tag's whole pipeline sampled at every node of a grid of this size.
std::vector<uint8_t> resampled(csICCmft2Tag& tag, unsigned grid)
{
    csICCmft2Interpolator lut(&tag);
    LutShape shape;
    shape.inputs = tag.numInputs();
    shape.outputs = tag.numOutputs();
    shape.gridPoints = grid;
    return buildLut(shape, [&](const std::vector<unsigned>& node, unsigned output) {
        uint16_t in[csICCmftTag::maxChannels], out[csICCmftTag::maxChannels];
        for (unsigned k = 0; k < shape.inputs; ++k)
            in[k] = static_cast<uint16_t>((node[k] * 65535u + (grid - 1) / 2) / (grid - 1));
        lut.convert(in, out, 1);
        return out[output];
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-small-profile IN.icc OUT.icc\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = readBytes(argv[1]);
    csICCProfile profile;
    if (profile.setProfile(bytes.data(), bytes.size()) != 0)
        return 1;
    csICCTagTable& tags = profile.tagTable();
    for (const char* name : {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2"}) {
        const csSignature signature = csGetSignature(reinterpret_cast<const uint8_t*>(name));
        auto* tag = dynamic_cast<csICCmft2Tag*>(tags.find(signature));
        if (!tag)
            return 1;
        const std::vector<uint8_t> small = resampled(*tag, name[0] == 'A' ? 4 : 5);
        tags.replace(signature, csICCmft2Tag(signature, static_cast<uint32_t>(small.size()), small.data()));
    }
    std::vector<uint8_t> written;
    if (profile.writeToMemory(written) != 0)
        return 1;
    writeBytes(argv[2], written);
    return 0;
}
