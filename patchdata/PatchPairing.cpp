#include "PatchPairing.h"

#include "TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <utility>

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

std::string_view keyText(const PatchFile& file, const PatchRecord& record, Key key)
{
    return key == Key::Id ? file.id(record) : key == Key::Name ? file.name(record) : file.location(record);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// An identity as it compares: whole numbers by value ("007" is "7"),
// everything else as written after trimming. It points into the file.
struct IdKey
{
    bool integer = false;
    bool negative = false;
    std::string_view text; // for whole numbers the digits without leading zeros

    static IdKey of(std::string_view raw)
    {
        IdKey key;
        key.text = trimmed(raw);
        std::string_view digits = key.text;
        const bool sign = digits.size() > 1 && (digits[0] == '-' || digits[0] == '+');
        if (sign)
            digits.remove_prefix(1);
        key.integer = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
        if (!key.integer)
            return key;
        while (digits.size() > 1 && digits.front() == '0')
            digits.remove_prefix(1);
        key.negative = sign && key.text[0] == '-' && digits != "0";
        key.text = digits;
        return key;
    }
    // Any strict order serves; equal identities must sort together.
    bool operator<(const IdKey& o) const
    {
        if (integer != o.integer)
            return integer < o.integer;
        if (negative != o.negative)
            return negative < o.negative;
        return text < o.text;
    }
    bool operator==(const IdKey& o) const { return integer == o.integer && negative == o.negative && text == o.text; }
};

using KeyIndex = std::vector<std::pair<IdKey, std::size_t>>;

// The identities of one side, sorted; refuses a file in which two records
// share one.
// fileName: how refusals name the file ("reference file").
bool indexRecords(const PatchSide& side, Key key, const char* fileName, KeyIndex& index, EngineText& problem)
{
    const PatchFile& file = *side.file;
    index.reserve(file.records.size());
    for (std::size_t i = 0; i < file.records.size(); ++i)
        if (side.hasColour(file.records[i]))
            index.emplace_back(IdKey::of(keyText(file, file.records[i], key)), i);
    std::stable_sort(index.begin(), index.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    const auto twice =
        std::adjacent_find(index.begin(), index.end(), [](const auto& x, const auto& y) { return x.first == y.first; });
    if (twice == index.end())
        return true;
    const PatchRecord& first = file.records[twice->second];
    const PatchRecord& second = file.records[(twice + 1)->second];
    problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "the %1 has %2 %3 twice (lines %4 and %5)"),
                             EngineText::of(fileName), keyField(key), printable(trimmed(keyText(file, second, key))),
                             std::to_string(first.line), std::to_string(second.line));
    return false;
}

// The entry with this identity, or null.
const std::pair<IdKey, std::size_t>* findKey(const KeyIndex& index, const IdKey& key)
{
    const auto it = std::lower_bound(index.begin(), index.end(), key,
                                     [](const auto& entry, const IdKey& k) { return entry.first < k; });
    return it != index.end() && it->first == key ? &*it : nullptr;
}

std::string shownId(const PatchSide& side, const PatchRecord& record, Key key, std::size_t position)
{
    if (key != Key::Position)
        return std::string(trimmed(keyText(*side.file, record, key)));
    if (side.file->hasId)
        return std::string(trimmed(side.file->id(record)));
    return std::to_string(position + 1);
}

void takeReference(Patch& patch, const PatchSide& side, std::size_t i)
{
    const PatchRecord& record = side.file->records[i];
    patch.hasReference = true;
    patch.reference = side.colour(record);
    patch.referenceName = side.file->displayName(record);
    patch.referenceRecord = static_cast<int>(i);
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

// Pairs two different files by one key.
bool pairByKey(const PatchSide& reference, const PatchSide& measurement, Key key, Pairing& pairing,
               EngineText& problem, const PairingRoles& roles)
{
    const std::vector<PatchRecord>& refs = reference.file->records;
    const std::vector<PatchRecord>& meas = measurement.file->records;
    pairing = Pairing();
    pairing.pairedBy = keyField(key);
    KeyIndex refIndex, measIndex;
    if (!indexRecords(reference, key, roles.firstFile, refIndex, problem) ||
        !indexRecords(measurement, key, roles.secondFile, measIndex, problem))
        return false;

    pairing.patches.reserve(refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (!reference.hasColour(refs[i]))
            continue;
        const auto* found = findKey(measIndex, IdKey::of(keyText(*reference.file, refs[i], key)));
        if (!found) {
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
        if (!findKey(refIndex, IdKey::of(keyText(*measurement.file, meas[i], key))))
            pairing.unreferenced.push_back(shownId(measurement, meas[i], key, i));

    if (pairing.patches.empty()) {
        problem = EngineText::of(roles.noPartner, std::to_string(measIndex.size()), keyField(key));
        return false;
    }
    return true;
}

bool pairByPosition(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing, EngineText& problem,
                    const PairingRoles& roles)
{
    const std::vector<PatchRecord>& refs = reference.file->records;
    const std::vector<PatchRecord>& meas = measurement.file->records;
    pairing = Pairing();
    pairing.pairedBy = keyField(Key::Position);
    if (refs.size() != meas.size()) {
        problem = EngineText::of(roles.countsDiffer, std::to_string(meas.size()), std::to_string(refs.size()));
        return false;
    }
    for (std::size_t i = 0; i < refs.size(); ++i) {
        Patch patch;
        patch.id = shownId(reference, refs[i], Key::Position, i);
        takeReference(patch, reference, i);
        takeMeasurement(patch, measurement, i);
        pairing.patches.push_back(std::move(patch));
    }
    return true;
}

// More than this share of id pairs naming different patches means the ids
// do not identify patches (a running counter, a renumbered chart).
constexpr double trustedNameMismatch = 0.1;
constexpr std::size_t mismatchExamples = 3;

// With ids and names on both sides: the id pairing when the names agree,
// the name pairing when they do not and it pairs every patch, else a
// refusal that shows where they disagree.
bool checkIdsAgainstNames(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing,
                          EngineText& problem, const PairingRoles& roles)
{
    std::size_t mismatches = 0;
    EngineText examples;
    for (const Patch& patch : pairing.patches) {
        if (IdKey::of(patch.referenceName) == IdKey::of(patch.measuredName))
            continue;
        if (++mismatches > mismatchExamples)
            continue;
        EngineText example = EngineText::of(QT_TRANSLATE_NOOP("Engine", "id %1: '%2' in the %3, '%4' in the %5"),
                                            printable(patch.id), printable(trimmed(patch.referenceName)),
                                            EngineText::of(roles.first), printable(trimmed(patch.measuredName)),
                                            EngineText::of(roles.second));
        examples = examples.empty() ? std::move(example)
                                    : EngineText::joined("%1; %2", std::move(examples), std::move(example));
    }
    if (mismatches < 2 || double(mismatches) <= trustedNameMismatch * double(pairing.patches.size()))
        return true;
    EngineText disagree = EngineText::of(QT_TRANSLATE_NOOP("Engine", "SAMPLE_ID and SAMPLE_NAME disagree in %1 of %2 pairs (%3)"),
                                         std::to_string(mismatches), std::to_string(pairing.patches.size()),
                                         std::move(examples));
    Pairing byName;
    EngineText nameProblem;
    const std::size_t everyPatch = std::max(reference.file->records.size(), measurement.file->records.size());
    if (pairByKey(reference, measurement, Key::Name, byName, nameProblem, roles) && byName.unmeasured.empty() &&
        byName.unreferenced.empty() && byName.patches.size() == everyPatch) {
        pairing = std::move(byName);
        pairing.notes.push_back(
            EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1; paired by SAMPLE_NAME, which pairs every patch"),
                           std::move(disagree)));
        return true;
    }
    problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1; choose to pair them by id or by name"), std::move(disagree));
    return false;
}

const char* fileWords(const PatchSide& side, const char* fileName)
{
    return side.file->combined ? QT_TRANSLATE_NOOP("Engine", "combined file") : fileName;
}

} // namespace

bool pairPatches(const PatchSide& reference, const PatchSide& measurement, Pairing& pairing, EngineText& problem,
                 PairBy by, const PairingRoles& roles)
{
    pairing = Pairing();
    // One SAMPLE_ID twice makes every id of the file doubtful, whatever pairs it.
    for (const auto& [side, fileName] : {std::make_pair(&reference, roles.firstFile), std::make_pair(&measurement, roles.secondFile)}) {
        if (!*side || !side->file->hasId || (side == &measurement && measurement.file == reference.file))
            continue;
        KeyIndex index;
        const PatchSide all{side->file, false};
        if (!indexRecords(all, Key::Id, fileWords(*side, fileName), index, problem))
            return false;
    }
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
            problem = EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "no row of the combined file has both reference and measured values"));
            return false;
        }
        return true;
    }

    if (by == PairBy::Position)
        return pairByPosition(reference, measurement, pairing, problem, roles);
    if (by != PairBy::Auto) {
        const Key key = by == PairBy::Id ? Key::Id : by == PairBy::Name ? Key::Name : Key::Location;
        for (const auto& [side, fileName] : {std::make_pair(&reference, roles.firstFile), std::make_pair(&measurement, roles.secondFile)})
            if (!fileHas(*side->file, key)) {
                problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "cannot pair by %1: the %2 has no %1"),
                                         keyField(key), EngineText::of(fileWords(*side, fileName)));
                return false;
            }
        return pairByKey(reference, measurement, key, pairing, problem, roles);
    }

    Key key = Key::Position;
    for (Key k : {Key::Id, Key::Name, Key::Location})
        if (fileHas(*reference.file, k) && fileHas(*measurement.file, k)) {
            key = k;
            break;
        }

    if (key == Key::Position) {
        const bool refNamed = reference.file->hasId || reference.file->hasName || reference.file->hasLocation;
        const bool measNamed = measurement.file->hasId || measurement.file->hasName || measurement.file->hasLocation;
        if (refNamed || measNamed) {
            problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "the patches cannot be paired: the %1 has no "
                                                                 "SAMPLE_ID, SAMPLE_NAME or SAMPLE_LOC matching the "
                                                                 "other file's"),
                                     EngineText::of(refNamed ? roles.secondFile : roles.firstFile));
            return false;
        }
        if (!pairByPosition(reference, measurement, pairing, problem, roles)) {
            problem = EngineText::of(roles.countsDifferUnnamed, std::to_string(meas.size()),
                                     std::to_string(reference.file->records.size()));
            return false;
        }
        return true;
    }

    if (!pairByKey(reference, measurement, key, pairing, problem, roles))
        return false;
    if (key == Key::Id && reference.file->hasName && measurement.file->hasName)
        return checkIdsAgainstNames(reference, measurement, pairing, problem, roles);
    return true;
}

std::string describeIds(const std::vector<std::string>& ids, std::size_t shown)
{
    return describedIds(ids, shown).english();
}

EngineText describedIds(const std::vector<std::string>& ids, std::size_t shown)
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
    std::string list;
    for (std::size_t k = 0; k < parts.size() && k < shown; ++k)
        list += (k ? ", " : "") + printable(parts[k]);
    if (parts.size() > shown)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "ids %1 and %2 more"), list,
                              std::to_string(parts.size() - shown));
    return ids.size() == 1 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "id %1"), list)
                           : EngineText::of(QT_TRANSLATE_NOOP("Engine", "ids %1"), list);
}
