#pragma once
// The patches of one reference, measurement or combined file, as numbers:
// each patch's identity (SAMPLE_ID, SAMPLE_NAME, SAMPLE_LOC), the file's
// colour of it as Lab D50 (from Lab, XYZ or spectral fields, Lab first),
// the reference Lab of a combined file, its tolerance mark and device values.
//
// Reading never guesses silently: a data line with a value that does not
// parse or lies outside the Lab range is skipped and listed with its line
// number, and a file with nothing usable is refused with one reason.

#include "CgatsReader.h"
#include "ColorDifference.h"

#include <cstdint>
#include <string>
#include <vector>

// A text of a record, kept once in its file's pool: a hundred thousand
// patches are not a hundred thousand strings each.
struct TextRef
{
    uint32_t offset = 0;
    uint32_t length = 0;
};

struct PatchRecord
{
    int line = 0;
    TextRef id;          // SAMPLE_ID as written, without quotes
    TextRef name;        // SAMPLE_NAME
    TextRef location;    // SAMPLE_LOC
    Lab lab = {0, 0, 0}; // the file's colour: LAB, else from XYZ, else from the spectrum
    bool hasReferenceLab = false;
    bool hasToleranceMark = false;
    int toleranceMark = 0;        // TOL_FAILED
    Lab referenceLab = {0, 0, 0}; // REFLAB of a combined file
    int32_t device = -1;          // first of its device values, -1 without
};

enum class ColourFields { Lab, XYZ, Spectral };

struct PatchFile
{
    std::vector<PatchRecord> records;
    bool hasId = false;
    bool hasName = false;
    bool hasLocation = false;
    // REFLAB fields: a combined file that fills both sides.
    bool combined = false;
    bool hasToleranceMarks = false;
    ColourFields colourFields = ColourFields::Lab;
    // "CMYK", "RGB" or empty, with the channel fields in device order.
    std::string deviceSpace;
    unsigned deviceChannels = 0;
    std::vector<float> deviceValues;
    std::string texts;
    std::vector<LineProblem> skipped;
    // How the file was read where it could have been read otherwise (XYZ
    // on a 0..1 scale); not warnings.
    std::vector<EngineText> notes;
    long declaredSets = -1;
    // The file's own words about itself: its DESCRIPTOR and ORIGINATOR
    // keywords, one after the other.
    std::string description;

    std::string_view text(TextRef ref) const { return std::string_view(texts).substr(ref.offset, ref.length); }
    std::string_view id(const PatchRecord& record) const { return text(record.id); }
    std::string_view name(const PatchRecord& record) const { return text(record.name); }
    std::string_view location(const PatchRecord& record) const { return text(record.location); }
    // The name a table shows for a record: SAMPLE_NAME, else SAMPLE_LOC,
    // else SAMPLE_ID.
    std::string_view displayName(const PatchRecord& record) const;
    // Its device values in the file's channel order; empty without.
    std::vector<double> device(const PatchRecord& record) const;
    // Appends a text to the pool.
    TextRef keep(std::string_view text);
};

namespace PatchFileReader {

// Larger files are refused before they are read: a million patches with
// spectra fit well below it.
constexpr std::uintmax_t maxFileBytes = 512u * 1024u * 1024u;

// Light above L* 100 is allowed for fluorescent papers.
constexpr double maxL = 110.0;
constexpr double maxAbsAB = 150.0;

// Parses text; false with problem when nothing usable came out of it.
bool parse(std::string_view text, PatchFile& file, EngineText& problem);
// Reads and parses a file; the problem names the file's own trouble
// (missing, a folder, too large, unreadable) or the content's.
bool read(const std::string& path, PatchFile& file, EngineText& problem);

} // namespace PatchFileReader
