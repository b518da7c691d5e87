// The version 4 copy of a test profile for the outcome scripts, and the way
// back: outcome.py reads lut8/lut16 tables only, so a corrected copy is
// scored through its original, whose B2A CLUTs take the copy's nodes. The
// copy ('Same') keeps every CLUT as it was and changes only the Lab
// encoding around it, so its nodes mean in the original what they mean in
// the copy; a copy whose grid the correction refined goes into the
// original's table refined alike.
//
// usage: v4copy make FILE OUT          FILE from tests/data
//        v4copy reshaped FILE OUT      tables reshaped (curves, matrix, grids per input)
//        v4copy back COPY ORIGINAL OUT

#include "ClutRefinement.h"
#include "ClutSnapshot.h"
#include "TestSupport.h"
#include "V4Profiles.h"
#include "csICCProfile.h"
#include "csICCmABTag.h"

#include <cstdio>
#include <string>

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "v4copy: %s\n", message.c_str());
    return 1;
}

bool load(const std::string& path, csICCProfile& profile)
{
    const std::vector<uint8_t> bytes = readBytes(path);
    return !bytes.empty() && profile.setProfile(bytes.data(), bytes.size()) == 0;
}

int back(const std::string& copyPath, const std::string& originalPath, const std::string& out)
{
    csICCProfile copy, original;
    if (!load(copyPath, copy) || !load(originalPath, original))
        return fail("cannot read " + copyPath + " or " + originalPath);
    for (csSignature signature : {csSig("B2A0"), csSig("B2A1"), csSig("B2A2")}) {
        const std::string name = csSigText(signature).text;
        csICCTag* from = copy.tagTable().find(signature);
        csICCTag* to = original.tagTable().find(signature);
        if (!from && !to)
            continue;
        if (!dynamic_cast<csICCmABTag*>(from) || !to)
            return fail(name + " of " + copyPath + " is not an 'mBA ' table with an original");
        // Smooth refines a coarse grid: the original's table is refined alike
        // (which changes nothing it does) to take the copy's nodes.
        const ClutNodes source(from), coarse(to);
        if (source && coarse && source.gridPoints()[0] != coarse.gridPoints()[0] && coarse.gridPoints()[0] > 1) {
            const unsigned factor = (source.gridPoints()[0] - 1) / (coarse.gridPoints()[0] - 1);
            const std::vector<uint8_t> refined = refinedClutBytes(*to, factor);
            const auto tag = csICCTagTable::tagFactory(signature, uint32_t(refined.size()), refined.data());
            if (refined.empty() || !tag || original.tagTable().replace(signature, *tag) < 0)
                return fail(name + ": the original's grid cannot be refined to the copy's");
            to = original.tagTable().find(signature);
        }
        ClutSnapshot nodes;
        nodes.capture(ClutNodes(from));
        ClutNodes target(to);
        if (nodes.empty() || !nodes.restore(target))
            return fail(name + ": the grids of copy and original differ");
    }
    std::vector<uint8_t> block;
    if (original.writeToMemory(block) != 0)
        return fail("cannot write " + out);
    writeBytes(out, block);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 4) {
        writeBytes(argv[3], testProfile(argv[2], V4Tables::Same));
        return 0;
    }
    if (command == "reshaped" && argc == 4) {
        writeBytes(argv[3], testProfile(argv[2], V4Tables::Reshaped));
        return 0;
    }
    if (command == "back" && argc == 5)
        return back(argv[2], argv[3], argv[4]);
    return fail("usage: v4copy make|reshaped FILE OUT | v4copy back COPY ORIGINAL OUT");
}
