// A profile as the window's "Auto" meets it: A2B1 and B2A1 prepared with
// the absolute white, one colour each way on the 16-bit path, and one patch
// corrected on the CLUT cube of B2A1. Every 16-bit conversion expands the
// table's curves to 65536 entries first, the bulk of the time per input.

#include "FuzzTargets.h"
#include "PatchCorrector.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

// Only a round-trip iteration stops at the threshold; the plain one
// ignores it, so any value serves.
constexpr double unusedThreshold = 442;

int fuzzPatchCorrector(const uint8_t* data, size_t size)
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
    }
    if (b2aReady) {
        uint16_t in[16] = {30000, 32896, 32896}, out[16];
        b2a1.convert(in, out, 1);
    }
    if (a2bReady && b2aReady && *b2a1.inputSpace() == csSig("Lab ")) {
        PatchCorrector corrector(&b2a1, &a2b1);
        if (corrector.setPatch({50, 10, -10}, {52, 8, -7}, unusedThreshold))
            corrector.iterate(false);
    }
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPatchCorrector(data, size);
}
#endif
