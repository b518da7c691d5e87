#pragma once
// Pairs the patches of a reference and a measurement by identity: by
// SAMPLE_ID, else SAMPLE_NAME, else SAMPLE_LOC (the first both files have),
// and by position only when neither file has any of them and both hold the
// same number of patches. Identities compare as written after trimming, and
// as numbers when both are integers ("01" is "1", "A01" is not "A1").
// A combined file pairs within each of its rows.

#include "Patch.h"
#include "PatchFile.h"

#include <memory>
#include <string>
#include <vector>

// One side of the pairing: a file, and whether its reference columns
// (REFLAB of a combined file) or its own colour are meant.
struct PatchSide
{
    std::shared_ptr<PatchFile> file;
    bool referenceColumns = false;

    explicit operator bool() const { return file != nullptr; }
    bool hasColour(const PatchRecord& record) const { return !referenceColumns || record.hasReferenceLab; }
    const Lab& colour(const PatchRecord& record) const { return referenceColumns ? record.referenceLab : record.lab; }
};

struct Pairing
{
    std::vector<Patch> patches; // in reference order
    std::string pairedBy;       // "SAMPLE_ID", "SAMPLE_NAME", "SAMPLE_LOC", "position", "row"
    std::vector<std::string> unmeasured;   // reference ids without a measurement
    std::vector<std::string> unreferenced; // measured ids without a reference
};

// With one side missing, the patches of the other. False with problem when
// the sides cannot be paired at all (duplicate identities, nothing to pair
// by, no patch in common).
bool pairPatches(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing, std::string& problem);

// "ids 7, 9, 40" or "ids 101–112": runs of whole numbers are shortened, and
// long lists end with a count of the rest.
std::string describeIds(const std::vector<std::string>& ids, std::size_t shown = 20);
