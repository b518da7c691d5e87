// A profile as the main window meets it: read from memory, both converters
// prepared, a conversion each way in 16 bits and in rfloat, the CLUT cube of
// a patch set up on B2A1, and the profile written and read back.

#include "FuzzTargets.h"
#include "PatchCorrector.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <vector>

int fuzzProfile(const uint8_t* data, size_t size)
{
    csErrorLog::clear();
    csICCProfile profile;
    if (profile.setProfile(data, size) != 0)
        return 0;
    csICCProfileConverter a2b1(&profile, 0, 1, 1), b2a1(&profile, 1, 1, 1);
    const bool a2bReady = a2b1.init() == 0;
    const bool b2aReady = b2a1.init() == 0;
    if (a2bReady) {
        uint16_t in[16] = {0, 1000, 30000, 65535, 500, 7, 9, 11, 13, 17, 19, 23, 29, 31, 37, 41}, out[16];
        a2b1.convert(in, out, 1);
        rfloat inF[16] = {0, 65535, 32767.5, 1e6, -5}, outF[16];
        a2b1.convert(inF, outF, 1);
    }
    if (b2aReady) {
        uint16_t in[16] = {30000, 32896, 32896}, out[16];
        b2a1.convert(in, out, 1);
        rfloat inF[16] = {65535, 0, 65535}, outF[16];
        b2a1.convert(inF, outF, 1);
    }
    if (a2bReady && b2aReady && *b2a1.inputSpace() == csSig("Lab ")) {
        PatchCorrector corrector(&b2a1, &a2b1);
        if (corrector.setPatch({50, 10, -10}, {52, 8, -7}, 442))
            corrector.iterate(false);
    }
    std::vector<uint8_t> block;
    if (profile.writeToMemory(block) == 0) {
        csICCProfile again;
        again.setProfile(block.data(), block.size());
    }
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzProfile(data, size);
}
#endif
