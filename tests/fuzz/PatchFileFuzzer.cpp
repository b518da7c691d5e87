// The patch file reader on arbitrary text, then what the session does with
// what it read: pairing (the text as measurement against itself as
// reference, or within rows of a combined file) and a short correction of
// the shared CMYK profile, so that any value that slips through the reader
// meets the engine under the sanitizers.

#include "CorrectionSession.h"
#include "FuzzTargets.h"

#include <string_view>

int fuzzPatchFile(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // One session for all inputs: opening the profile costs more than the rest.
    static CorrectionSession session;
    static const bool opened = session.openProfile(VESTREL_TEST_DATA "/cmyk_v2.icc").ok;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    session.clearPatches();
    if (data[0] & 1)
        session.loadPatchText(text, "reference", PatchFileRole::Reference);
    session.loadPatchText(text, "measurement", PatchFileRole::Measurement);
    session.before();
    if (!opened)
        return 0;
    CorrectionRequest request;
    // A few patches keep each input fast; which ones comes from the input.
    for (std::size_t i = data[0] >> 1; i < session.patches().size() && request.selection.size() < 8; i += 3)
        request.selection.push_back(i);
    session.correct(request);
    session.after();
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPatchFile(data, size);
}
#endif
