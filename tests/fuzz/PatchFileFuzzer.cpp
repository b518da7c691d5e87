// Patch files and profiles as the correction session meets them: the text
// read as measurement (and as reference, or within the rows of a combined
// file), paired, and corrected by both methods, so that any value that
// slips through a reader meets the engine under the sanitizers.
//
// Input: a flag byte, then the patch text. With the high bit of the flag
// set, a 32-bit little-endian length and that many bytes of profile come
// first; otherwise the shared CMYK profile on small grids is used, which
// keeps each correction to milliseconds.

#include "CorrectionSession.h"
#include "FuzzTargets.h"

#include <string_view>

namespace {

constexpr uint8_t ownProfile = 0x80;
constexpr uint8_t alsoReference = 0x01;
// More patches add time, not paths.
constexpr std::size_t patchesCorrected = 8;

void correctBoth(CorrectionSession& session, uint8_t flags)
{
    if (!session.hasProfile())
        return;
    CorrectionRequest patch;
    patch.method = CorrectionMethod::PerPatch;
    for (std::size_t i = (flags >> 1) & 7; i < session.patches().size() && patch.selection.size() < patchesCorrected;
         i += 3)
        patch.selection.push_back(i);
    session.correct(patch);
    CorrectionRequest smooth;
    session.correct(smooth);
    session.after();
}

} // namespace

int fuzzPatchFile(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

    // Tables refined at most to 9 points: the refinement meets every
    // fuzzed table, and a correction still takes milliseconds.
    constexpr unsigned refineTo = 9;
    static CorrectionSession shared;
    static const bool sharedOpened = [] {
        shared.setRefineGrid(refineTo);
        return shared.openProfile(VESTREL_TEST_DATA "/cmyk_small.icc").ok;
    }();
    CorrectionSession own;
    own.setRefineGrid(refineTo);
    CorrectionSession& session = flags & ownProfile ? own : shared;
    if (flags & ownProfile) {
        if (rest.size() < 4)
            return 0;
        const uint32_t length = uint32_t(uint8_t(rest[0])) | uint32_t(uint8_t(rest[1])) << 8 |
                                uint32_t(uint8_t(rest[2])) << 16 | uint32_t(uint8_t(rest[3])) << 24;
        rest.remove_prefix(4);
        const std::size_t profileSize = std::min<std::size_t>(length, rest.size());
        own.openProfileBytes(rest.substr(0, profileSize), "fuzzed.icc");
        rest.remove_prefix(profileSize);
    } else if (!sharedOpened) {
        return 0;
    }

    session.clearPatches();
    if (flags & alsoReference)
        session.loadPatchText(rest, "reference", PatchFileRole::Reference);
    session.loadPatchText(rest, "measurement", PatchFileRole::Measurement);
    session.before();
    correctBoth(session, flags);
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPatchFile(data, size);
}
#endif
