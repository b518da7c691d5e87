#include "RepeatedMeasurements.h"

#include "FixedNumber.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cstdio>

namespace {

// What a refusal calls the files: the first stands for all paired so far.
const PairingRoles repeatRoles{
    QT_TRANSLATE_NOOP("Engine", "first measurement"),
    QT_TRANSLATE_NOOP("Engine", "repeated measurement"),
    QT_TRANSLATE_NOOP("Engine", "first measurement file"),
    QT_TRANSLATE_NOOP("Engine", "repeated measurement file"),
    QT_TRANSLATE_NOOP("Engine", "none of the %1 repeated patches has a patch of the first measurement with the same %2"),
    QT_TRANSLATE_NOOP("Engine",
                      "pairing by position needs as many repeated as first measurement's patches (%1 and %2)"),
    QT_TRANSLATE_NOOP("Engine", "without SAMPLE_ID or SAMPLE_NAME the patches pair by position, which needs as "
                                "many repeated as first measurement's patches (%1 and %2)"),
};

// Identities in messages, as a patch list shows them.
std::string shownId(const PatchFile& file, const PatchRecord& record, std::size_t position)
{
    const std::string_view id = file.hasId     ? file.id(record)
                                : file.hasName ? file.name(record)
                                : file.hasLocation ? file.location(record)
                                                   : std::string_view();
    return file.hasId || file.hasName || file.hasLocation ? std::string(id) : std::to_string(position + 1);
}

// A record of another file, its texts and device values moved into file.
PatchRecord adopt(PatchFile& file, const PatchFile& from, const PatchRecord& record)
{
    PatchRecord copy = record;
    copy.id = file.keep(from.id(record));
    copy.name = file.keep(from.name(record));
    copy.location = file.keep(from.location(record));
    copy.device = -1;
    if (record.device >= 0 && from.deviceChannels == file.deviceChannels) {
        const std::vector<double> values = from.device(record);
        copy.device = static_cast<int32_t>(file.deviceValues.size());
        file.deviceValues.insert(file.deviceValues.end(), values.begin(), values.end());
    }
    return copy;
}

} // namespace

Lab averageReadings(std::vector<Lab> readings)
{
    if (readings.size() < 3) {
        Lab sum{0, 0, 0};
        for (const Lab& r : readings) {
            sum.L += r.L;
            sum.a += r.a;
            sum.b += r.b;
        }
        const double n = readings.empty() ? 1.0 : static_cast<double>(readings.size());
        return {sum.L / n, sum.a / n, sum.b / n};
    }
    auto median = [&](double Lab::*component) {
        std::vector<double> values;
        for (const Lab& r : readings)
            values.push_back(r.*component);
        std::sort(values.begin(), values.end());
        const std::size_t half = values.size() / 2;
        return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2.0;
    };
    return {median(&Lab::L), median(&Lab::a), median(&Lab::b)};
}

double readingsSpread(const std::vector<Lab>& readings)
{
    double spread = 0;
    for (std::size_t i = 0; i < readings.size(); ++i)
        for (std::size_t j = i + 1; j < readings.size(); ++j)
            spread = std::max(spread, deltaE(readings[i], readings[j]));
    return spread;
}

bool averageRepeats(const std::vector<std::shared_ptr<PatchFile>>& files, PairBy by, AveragedMeasurement& result,
                    EngineText& problem)
{
    result = AveragedMeasurement();
    if (files.empty()) {
        problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "no measurement file"));
        return false;
    }
    auto merged = std::make_shared<PatchFile>(*files.front());
    merged->skipped.clear();
    merged->notes.clear();
    // Every reading of each merged record, in the order of the files.
    std::vector<std::vector<Lab>> readings;
    for (const PatchRecord& record : merged->records)
        readings.push_back({record.lab});

    for (std::size_t k = 1; k < files.size(); ++k) {
        const PatchFile& repeat = *files[k];
        Pairing pairing;
        if (!pairPatches({merged, false}, {files[k], false}, pairing, problem, by, repeatRoles))
            return false;
        result.notes.insert(result.notes.end(), pairing.notes.begin(), pairing.notes.end());
        std::vector<bool> paired(repeat.records.size(), false);
        for (const Patch& patch : pairing.patches) {
            const auto row = static_cast<std::size_t>(patch.measuredRecord);
            readings[static_cast<std::size_t>(patch.referenceRecord)].push_back(repeat.records[row].lab);
            paired[row] = true;
        }
        // Patches the files before did not have join in this file's order.
        for (std::size_t row = 0; row < repeat.records.size(); ++row) {
            if (paired[row])
                continue;
            merged->records.push_back(adopt(*merged, repeat, repeat.records[row]));
            readings.push_back({repeat.records[row].lab});
        }
    }

    // Which file a reading came from is not kept, only how many there are.
    std::vector<PatchRecord> kept;
    kept.reserve(merged->records.size());
    for (std::size_t i = 0; i < merged->records.size(); ++i) {
        PatchRecord record = merged->records[i];
        if (readings[i].size() < files.size())
            result.incomplete.push_back(shownId(*merged, record, i));
        const double spread = readingsSpread(readings[i]);
        if (spread > repeatsDisagree) {
            result.leftOut.push_back({shownId(*merged, record, i), spread});
            continue;
        }
        record.lab = averageReadings(readings[i]);
        kept.push_back(record);
    }
    if (kept.empty()) {
        problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "every patch was measured differently in the repeats"));
        return false;
    }
    merged->records = std::move(kept);
    result.file = std::move(merged);
    return true;
}

EngineText describeLeftOut(const std::vector<DisagreeingPatch>& leftOut)
{
    if (leftOut.empty())
        return {};
    constexpr std::size_t shown = 20;
    EngineText list;
    for (std::size_t i = 0; i < leftOut.size() && i < shown; ++i) {
        const std::string id = printable(leftOut[i].id), spread = fixedNumber(leftOut[i].spread, 1);
        list = i == 0 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 (%2 apart)"), id, spread)
                      : EngineText::joined("%1, %2 (%3)", std::move(list), id, spread);
    }
    if (leftOut.size() > shown)
        list = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 and %2 more"), std::move(list),
                              std::to_string(leftOut.size() - shown));
    return leftOut.size() == 1
               ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 patch was measured differently in the repeats and was "
                                                            "left out: %1"),
                                std::move(list))
               : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 patches were measured differently in the repeats and "
                                                            "were left out: %2"),
                                std::to_string(leftOut.size()), std::move(list));
}

EngineText describeIncomplete(const std::vector<std::string>& ids)
{
    if (ids.empty())
        return {};
    return ids.size() == 1
               ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 patch was not in every measurement file (%1); it is the "
                                                            "average of the files that have it"),
                                describedIds(ids))
               : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 patches were not in every measurement file (%2); each "
                                                            "is the average of the files that have it"),
                                std::to_string(ids.size()), describedIds(ids));
}
