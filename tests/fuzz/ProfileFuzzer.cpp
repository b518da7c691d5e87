// A profile as the program reads it: from memory, the converters of both
// directions prepared in every white mode, one colour each way on the
// floating-point path, and the profile written and read back. The 16-bit
// path expands every curve to 65536 entries, so it runs with the patch
// correction in PatchCorrectorFuzzer, where that cost is paid once per input.

#include "FuzzTargets.h"
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
    for (int whiteMode : {0, 1, 2}) {
        csICCProfileConverter a2b1(&profile, 0, 1, whiteMode), b2a1(&profile, 1, 1, whiteMode);
        if (a2b1.init() == 0) {
            rfloat in[16] = {0, 65535, 32767.5, 1e6, -5}, out[16];
            a2b1.convert(in, out, 1);
        }
        if (b2a1.init() == 0) {
            rfloat in[16] = {65535, 0, 65535}, out[16];
            b2a1.convert(in, out, 1);
        }
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
