#pragma once
// Pairs the patches of a reference and a measurement by identity: by
// SAMPLE_ID, else SAMPLE_NAME, else SAMPLE_LOC (the first both files have),
// and by position only when neither file has any of them and both hold the
// same number of patches. Identities compare as written after trimming, and
// as numbers when both are integers ("01" is "1", "A01" is not "A1").
// A combined file pairs within each of its rows.
//
// Pairs that disagree are not trusted: when both files carry ids and names
// and more than a tenth of the id pairs differ in name (a running counter
// for an id, say), the names pair instead if they pair every patch, and
// otherwise the files are refused with examples. A file that has one
// SAMPLE_ID twice is refused, whatever pairs it.

#include "EngineText.h"
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

// How the two files pair: Auto as above, or by the one key named.
enum class PairBy { Auto, Id, Name, Location, Position };

struct Pairing
{
    std::vector<Patch> patches; // in reference order
    std::string pairedBy;       // "SAMPLE_ID", "SAMPLE_NAME", "SAMPLE_LOC", "position", "row"
    std::vector<std::string> unmeasured;   // reference ids without a measurement
    std::vector<std::string> unreferenced; // measured ids without a reference
    // How the pairing was decided where another key was at hand; not warnings.
    std::vector<EngineText> notes;
};

// What the two sides are called in refusals: a reference and a
// measurement, or two measurements of one print. The refusals that speak of
// both sides' patches are whole sentences per pair of roles, so that a
// translation can decline them.
struct PairingRoles
{
    const char* first = QT_TRANSLATE_NOOP("Engine", "reference");
    const char* second = QT_TRANSLATE_NOOP("Engine", "measurement");
    const char* firstFile = QT_TRANSLATE_NOOP("Engine", "reference file");
    const char* secondFile = QT_TRANSLATE_NOOP("Engine", "measurement file");
    // %1 patches of the second side, %2 the key.
    const char* noPartner =
        QT_TRANSLATE_NOOP("Engine", "none of the %1 measured patches has a reference with the same %2");
    // %1 and %2 the second and first side's counts.
    const char* countsDiffer =
        QT_TRANSLATE_NOOP("Engine", "pairing by position needs as many measured as reference patches (%1 and %2)");
    const char* countsDifferUnnamed =
        QT_TRANSLATE_NOOP("Engine", "without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as "
                                    "many measured as reference patches (%1 and %2)");
};

// With one side missing, the patches of the other. False with problem when
// the sides cannot be paired at all (duplicate identities, nothing to pair
// by, no patch in common).
// Messages hold file text made printable.
bool pairPatches(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing, EngineText& problem,
                 PairBy by = PairBy::Auto, const PairingRoles& roles = {});

// "ids 7, 9, 40" or "ids 101–112": runs of whole numbers are shortened, and
// long lists end with a count of the rest. The ids are made printable.
std::string describeIds(const std::vector<std::string>& ids, std::size_t shown = 20);
// The same, ready for translation.
EngineText describedIds(const std::vector<std::string>& ids, std::size_t shown = 20);
