#include "PatchPairing.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace {

enum class Key { Id, Name, Location, Position };

const char* keyField(Key key)
{
    switch (key) {
    case Key::Id: return "SAMPLE_ID";
    case Key::Name: return "SAMPLE_NAME";
    case Key::Location: return "SAMPLE_LOC";
    default: return "position";
    }
}

bool fileHas(const PatchFile& file, Key key)
{
    switch (key) {
    case Key::Id: return file.hasId;
    case Key::Name: return file.hasName;
    case Key::Location: return file.hasLocation;
    default: return false;
    }
}

const std::string& keyText(const PatchRecord& record, Key key)
{
    return key == Key::Id ? record.id : key == Key::Name ? record.name : record.location;
}

std::string trimmed(const std::string& text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// Whole numbers compare by value ("007" is "7"); everything else as written.
std::string canonical(const std::string& text)
{
    std::string t = trimmed(text);
    std::size_t digits = t.size() > 1 && (t[0] == '-' || t[0] == '+') ? 1 : 0;
    const bool integer = digits < t.size() && std::all_of(t.begin() + static_cast<std::ptrdiff_t>(digits), t.end(),
                                                          [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (!integer)
        return "t" + t;
    const bool negative = t[0] == '-';
    std::size_t start = digits;
    while (start + 1 < t.size() && t[start] == '0')
        ++start;
    const std::string magnitude = t.substr(start);
    return std::string("n") + (negative && magnitude != "0" ? "-" : "") + magnitude;
}

// Refuses a file in which two records share an identity.
bool indexRecords(const PatchSide& side, Key key, const char* role,
                  std::unordered_map<std::string, std::size_t>& index, std::string& problem)
{
    const std::vector<PatchRecord>& records = side.file->records;
    index.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!side.hasColour(records[i]))
            continue;
        const auto [it, inserted] = index.emplace(canonical(keyText(records[i], key)), i);
        if (!inserted) {
            problem = std::string("the ") + role + " file has " + keyField(key) + " " +
                      trimmed(keyText(records[i], key)) + " twice (lines " +
                      std::to_string(records[it->second].line) + " and " + std::to_string(records[i].line) + ")";
            return false;
        }
    }
    return true;
}

std::string shownId(const PatchSide& side, const PatchRecord& record, Key key, std::size_t position)
{
    if (key != Key::Position)
        return trimmed(keyText(record, key));
    if (side.file->hasId)
        return trimmed(record.id);
    return std::to_string(position + 1);
}

void takeReference(Patch& patch, const PatchSide& side, std::size_t i)
{
    const PatchRecord& record = side.file->records[i];
    patch.hasReference = true;
    patch.reference = side.colour(record);
    patch.referenceName = side.file->displayName(record);
    patch.referenceRecord = static_cast<int>(i);
    if (patch.device.empty())
        patch.device = record.device;
}

void takeMeasurement(Patch& patch, const PatchSide& side, std::size_t i)
{
    const PatchRecord& record = side.file->records[i];
    patch.hasMeasured = true;
    patch.measured = record.lab;
    patch.measuredName = side.file->displayName(record);
    patch.measuredRecord = static_cast<int>(i);
    // A combined file without TOL_FAILED marks every patch as passed.
    patch.hasToleranceMark = record.hasToleranceMark || (side.file->combined && !side.file->hasToleranceMarks);
    patch.toleranceMark = record.hasToleranceMark ? record.toleranceMark : 0;
    if (!record.device.empty())
        patch.device = record.device;
}

// The patches of one side alone, in file order.
void oneSide(const PatchSide& side, bool reference, Pairing& pairing)
{
    const std::vector<PatchRecord>& records = side.file->records;
    const Key key = side.file->hasId ? Key::Id : side.file->hasName ? Key::Name
                                            : side.file->hasLocation ? Key::Location : Key::Position;
    pairing.pairedBy = keyField(key);
    pairing.patches.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!side.hasColour(records[i]))
            continue;
        Patch patch;
        patch.id = shownId(side, records[i], key, i);
        if (reference)
            takeReference(patch, side, i);
        else
            takeMeasurement(patch, side, i);
        pairing.patches.push_back(std::move(patch));
    }
}

} // namespace

bool pairPatches(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing, std::string& problem)
{
    pairing = Pairing();
    if (!reference && !measurement)
        return true;
    if (!measurement) {
        oneSide(reference, true, pairing);
        return true;
    }
    if (!reference) {
        oneSide(measurement, false, pairing);
        return true;
    }

    const std::vector<PatchRecord>& refs = reference.file->records;
    const std::vector<PatchRecord>& meas = measurement.file->records;
    if (reference.file == measurement.file) {
        // A combined file: each row carries both.
        oneSide(measurement, false, pairing);
        pairing.pairedBy = "row";
        for (Patch& patch : pairing.patches) {
            const std::size_t row = static_cast<std::size_t>(patch.measuredRecord);
            if (reference.hasColour(meas[row]))
                takeReference(patch, reference, row);
        }
        pairing.patches.erase(std::remove_if(pairing.patches.begin(), pairing.patches.end(),
                                             [](const Patch& p) { return !p.hasReference; }),
                              pairing.patches.end());
        if (pairing.patches.empty()) {
            problem = "no row of the combined file has both reference and measured values";
            return false;
        }
        return true;
    }

    Key key = Key::Position;
    for (Key k : {Key::Id, Key::Name, Key::Location})
        if (fileHas(*reference.file, k) && fileHas(*measurement.file, k)) {
            key = k;
            break;
        }
    pairing.pairedBy = keyField(key);

    if (key == Key::Position) {
        const bool refNamed = reference.file->hasId || reference.file->hasName || reference.file->hasLocation;
        const bool measNamed = measurement.file->hasId || measurement.file->hasName || measurement.file->hasLocation;
        if (refNamed || measNamed) {
            problem = std::string("the patches cannot be paired: the ") + (refNamed ? "measurement" : "reference") +
                      " file has no SAMPLE_ID, SAMPLE_NAME or SAMPLE_LOC matching the other file's";
            return false;
        }
        if (refs.size() != meas.size()) {
            problem = "without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as many "
                      "measured as reference patches (" +
                      std::to_string(meas.size()) + " and " + std::to_string(refs.size()) + ")";
            return false;
        }
        for (std::size_t i = 0; i < refs.size(); ++i) {
            Patch patch;
            patch.id = shownId(reference, refs[i], key, i);
            takeReference(patch, reference, i);
            takeMeasurement(patch, measurement, i);
            pairing.patches.push_back(std::move(patch));
        }
        return true;
    }

    std::unordered_map<std::string, std::size_t> refIndex, measIndex;
    if (!indexRecords(reference, key, "reference", refIndex, problem) ||
        !indexRecords(measurement, key, "measurement", measIndex, problem))
        return false;

    pairing.patches.reserve(refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (!reference.hasColour(refs[i]))
            continue;
        const auto found = measIndex.find(canonical(keyText(refs[i], key)));
        if (found == measIndex.end()) {
            pairing.unmeasured.push_back(shownId(reference, refs[i], key, i));
            continue;
        }
        Patch patch;
        patch.id = shownId(reference, refs[i], key, i);
        takeReference(patch, reference, i);
        takeMeasurement(patch, measurement, found->second);
        pairing.patches.push_back(std::move(patch));
    }
    for (std::size_t i = 0; i < meas.size(); ++i)
        if (!refIndex.count(canonical(keyText(meas[i], key))))
            pairing.unreferenced.push_back(shownId(measurement, meas[i], key, i));

    if (pairing.patches.empty()) {
        problem = "none of the " + std::to_string(measIndex.size()) + " measured patches has a reference with the same " +
                  keyField(key);
        return false;
    }
    return true;
}

std::string describeIds(const std::vector<std::string>& ids, std::size_t shown)
{
    // Runs of consecutive whole numbers become "101–112".
    auto number = [](const std::string& id, long& value) {
        if (id.empty() || id.size() > 9 ||
            !std::all_of(id.begin(), id.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return false;
        value = std::stol(id);
        return true;
    };
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < ids.size()) {
        long first;
        std::size_t j = i + 1;
        if (number(ids[i], first)) {
            long next;
            while (j < ids.size() && number(ids[j], next) && next == first + static_cast<long>(j - i))
                ++j;
        }
        if (j - i >= 3)
            parts.push_back(ids[i] + "\u2013" + ids[j - 1]);
        else
            for (std::size_t k = i; k < j; ++k)
                parts.push_back(ids[k]);
        i = j;
    }
    std::string text = ids.size() == 1 ? "id " : "ids ";
    for (std::size_t k = 0; k < parts.size() && k < shown; ++k)
        text += (k ? ", " : "") + parts[k];
    if (parts.size() > shown)
        text += " and " + std::to_string(parts.size() - shown) + " more";
    return text;
}
