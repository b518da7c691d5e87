#include "CorrectionSession.h"

#include "PatchEdit.h"

#include "B2ATableAccess.h"
#include "FileIdentity.h"
#include "FixedNumber.h"
#include "JointPatchCorrection.h"
#include "LinkCorrection.h"
#include "LibraryLog.h"
#include "Md5Digest.h"
#include "PatchFileKind.h"
#include "PathNames.h"
#include "ProfileStamp.h"
#include "SafeFileWriter.h"
#include "TextEncoding.h"
#include "WholeFile.h"
#include "csCLUTCube.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

std::vector<uint8_t> fileBytesOf(const csICCTag& tag)
{
    std::vector<uint8_t> bytes(tag.size());
    if (!bytes.empty())
        tag.copyFileBytes(bytes.data());
    return bytes;
}

// "3 lines skipped (12, 40, 41)", at most a few numbers in one line.
EngineText skippedSummary(const std::vector<LineProblem>& skipped)
{
    std::string lines;
    const std::size_t shown = std::min<std::size_t>(skipped.size(), 5);
    for (std::size_t i = 0; i < shown; ++i)
        lines += (i ? ", " : "") + std::to_string(skipped[i].line);
    if (skipped.size() > shown)
        lines += ", ...";
    return skipped.size() == 1 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 line skipped (%1)"), lines)
                               : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 lines skipped (%2)"),
                                                withThousands(skipped.size()), lines);
}

EngineText lineProblem(const LineProblem& line)
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "line %1: %2"), std::to_string(line.line), line.reason);
}

EngineText failedToOpen(const std::string& path)
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "Failed to open %1"), path);
}

EngineText couldNotLoad(const std::string& name, const EngineText& problem)
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not load %1: %2"), name, problem);
}

double length(const Lab& d)
{
    return std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
}

// Where the paper is, absolute Lab: the error field holds it at zero.
Lab mediaWhite(csICCProfileConverter& a2b)
{
    double white[3];
    encodeLabV4({100.0, 0.0, 0.0}, white);
    a2b.PCSToAbs(white, 1);
    return decodeLabV4(white);
}

// "3 patches disagree with their neighbours and were left out: 20 (19.8 from
// what its neighbours predict), 75 (24.1)", at most ten of them by id.
EngineText outlierLine(const std::vector<Patch>& patches, const std::vector<Outlier>& outliers)
{
    constexpr std::size_t shown = 10;
    auto size = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", value);
        return std::string(text);
    };
    EngineText list;
    std::string rest;
    for (std::size_t k = 0; k < outliers.size() && k < shown; ++k) {
        const std::string id = printable(patches[outliers[k].patch].id);
        if (k == 0)
            list = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 (%2 from what its neighbours predict)"), id,
                                  size(outliers[k].size));
        else
            rest += ", " + id + " (" + size(outliers[k].size) + ")";
    }
    list = EngineText::joined("%1%2", std::move(list), rest);
    if (outliers.size() > shown)
        list = EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 and %2 more"), std::move(list),
                              std::to_string(outliers.size() - shown));
    return outliers.size() == 1
               ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 patch disagrees with its neighbours and was left out: %1"),
                                list)
               : EngineText::of(QT_TRANSLATE_NOOP("Engine",
                                                  "%1 patches disagree with their neighbours and were left out: %2"),
                                withThousands(outliers.size()), list);
}

// L* of the paper and of the darkest colour a profile prints: its A2B1 at
// every device channel at one end and at the other.
void lightnessReach(csICCProfileConverter& a2b1, double (&reach)[2])
{
    uint16_t ends[2][csICCmftTag::maxChannels];
    std::fill(std::begin(ends[0]), std::end(ends[0]), uint16_t(0));
    std::fill(std::begin(ends[1]), std::end(ends[1]), uint16_t(0xFFFF));
    double L[2];
    for (int k = 0; k < 2; ++k) {
        uint16_t lab[3] = {};
        a2b1.convert(ends[k], lab, 1);
        L[k] = decodeLab16({lab[0], lab[1], lab[2]}).L;
    }
    reach[0] = std::min(L[0], L[1]);
    reach[1] = std::max(L[0], L[1]);
}

SessionReport refusedFile(const std::string& name, const EngineText& problem, const PatchFile& file)
{
    SessionReport report;
    report.say(couldNotLoad(name, problem));
    for (const LineProblem& line : file.skipped)
        report.warn(lineProblem(line), line.line);
    return report;
}

// Why bytes are no ICC profile at all, or empty when they may be one: every
// profile has its signature at byte 36.
EngineText notAProfile(std::string_view bytes)
{
    if (bytes.size() >= 40 && bytes.substr(36, 4) == "acsp")
        return {};
    const bool patchData = bytes.find("BEGIN_DATA") != std::string_view::npos ||
                           bytes.substr(0, 8) == "CGATS.17" || bytes.substr(0, 4) == "CTI3";
    return patchData ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is a patch data file, not an ICC profile"))
                     : EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is not an ICC profile"));
}

bool sameLab(const Lab& x, const Lab& y)
{
    return x.L == y.L && x.a == y.a && x.b == y.b;
}

} // namespace

CorrectionSession::CorrectionSession() = default;
CorrectionSession::~CorrectionSession() = default;

template <class Apply, class Changed>
auto CorrectionSession::recordStep(Change change, Apply&& apply, Changed&& changed)
{
    // Only the outermost change is a step: one that loads several files
    // is undone as one.
    if (stepDepth_ > 0)
        return apply();
    SessionState before = state();
    ++stepDepth_;
    auto result = apply();
    --stepDepth_;
    if (changed(result)) {
        history_.push(change, std::move(before), state());
        tell(Event::Recorded, change);
    }
    return result;
}

void CorrectionSession::tell(Event::Kind kind, Change change)
{
    for (const Listener& listener : listeners_)
        listener({kind, change});
}

bool CorrectionSession::detailsStep(const std::function<bool()>& apply)
{
    return recordStep(Change::Details, apply, [](bool done) { return done; });
}

bool CorrectionSession::undo()
{
    const SessionHistory::Step* step = history_.undo();
    if (!step || !restore(step->before))
        return false;
    tell(Event::Undone, step->change);
    return true;
}

bool CorrectionSession::redo()
{
    const SessionHistory::Step* step = history_.redo();
    if (!step || !restore(step->after))
        return false;
    tell(Event::Redone, step->change);
    return true;
}

bool CorrectionSession::predict(const uint16_t* device, uint16_t lab[3]) const
{
    if (!a2b1_)
        return false;
    uint16_t in[csICCmftTag::maxChannels] = {};
    std::copy(device, device + a2b1_->numInputChannels(), in);
    return a2b1_->convert(in, lab, 1) == 0;
}

std::unique_ptr<PatchEdit> CorrectionSession::editPatch(std::size_t patch, double threshold)
{
    if (!profile_ || link_ || patch >= patches_.size() || !patches_[patch].paired())
        return nullptr;
    return std::make_unique<PatchEdit>(*this, patch, threshold);
}

SessionReport CorrectionSession::openProfile(const std::string& path)
{
    std::string bytes, problem;
    if (!readWholeFile(path, csICCProfile::maxProfileSize, "profile", bytes, problem)) {
        SessionReport report;
        report.say(failedToOpen(path));
        report.fail(problem);
        return report;
    }
    return openProfileBytes(bytes, path);
}

SessionReport CorrectionSession::openProfileBytes(std::string_view bytes, const std::string& path)
{
    SessionReport report;
    const EngineText refused = failedToOpen(path);
    // A file of another kind is one sentence, not the reader's complaints
    // about a header that never was one.
    const EngineText notProfile = notAProfile(bytes);
    if (!notProfile.empty()) {
        report.say(refused);
        report.fail(notProfile);
        return report;
    }
    std::string problem;
    const LibraryLog::Mark mark = LibraryLog::mark();
    auto profile = std::make_unique<csICCProfile>();
    const bool read = profile->setProfile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) == 0;
    // A device link prints through the printer profile, which models the printer.
    const bool link = read && profile->header().deviceClass() == csSig("link");
    if (link && !printer_) {
        report.say(refused);
        report.fail(EngineText::of(QT_TRANSLATE_NOOP(
            "Engine", "it is a device link: give the printer's own profile too (vestrel-cli correct -p)")));
        return report;
    }
    if (link) {
        const EngineText why = linkProblem(*profile, *printer_);
        if (!why.empty()) {
            report.say(refused);
            report.fail(why);
            return report;
        }
    }
    // Before the converters, which read the tables as they stand.
    std::vector<ClutRefined> refined;
    if (read && !link && refineGrid_ > 0 && !LibraryLog::errorsSince(mark))
        refined = refineB2ATables(*profile, refineGrid_);
    csICCProfile* model = link ? printer_.get() : profile.get();
    auto a2b1 = std::make_unique<csICCProfileConverter>(model, csICCProfileConverter::AToB, 1,
                                                        csICCProfileConverter::AbsoluteStored);
    auto b2a1 = std::make_unique<csICCProfileConverter>(model, csICCProfileConverter::BToA, 1,
                                                        csICCProfileConverter::AbsoluteStored);
    // A profile with parts refused (a table that does not fit its tag) could
    // be shown but must not be corrected and passed on.
    if (!read || LibraryLog::errorsSince(mark) || a2b1->init() != 0 || b2a1->init() != 0) {
        report.say(refused);
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    if (*b2a1->inputSpace() != csSig("Lab ")) {
        report.say(refused);
        report.fail(EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile's B2A1 table does not take Lab (its PCS is %1)"),
                                   std::string(csSigText(*b2a1->inputSpace()).text)));
        return report;
    }

    std::vector<B2ATable> tables;
    for (int intent = 0; intent < 3 && !link; ++intent) {
        // Tables without CLUT have no nodes a correction could change.
        const ClutNodes nodes(profile->tagTable().find(b2aSignature(intent)));
        if (!nodes)
            continue;
        B2ATable table{intent, nodes, {}};
        table.opened.capture(nodes);
        tables.push_back(std::move(table));
    }

    if (link) {
        // The link's one table is what a correction changes, undo restores and Save writes.
        const ClutNodes nodes(profile->tagTable().find(csSig("A2B0")));
        B2ATable table{0, nodes, {}};
        table.opened.capture(nodes);
        tables.push_back(std::move(table));
    }
    link_ = link;
    b2a1_ = std::move(b2a1);
    a2b1_ = std::move(a2b1);
    profile_ = std::move(profile);
    tables_ = std::move(tables);
    refined_ = std::move(refined);
    profilePath_ = path;
    ++profileGeneration_;
    openedDescription_ = profileDescription(*profile_);
    lightnessReach(*a2b1_, profileLightness_);
    originalDigest_ = md5Hex(bytes.data(), bytes.size());
    savedPath_.clear();
    savedDigest_.clear();
    applied_ = {};
    correctedIds_.clear();
    handEdits_.clear();
    rememberSaved();
    toldFindings_ = 0;
    for (Patch& patch : patches_)
        patch.hasResult = false;
    // Steps recorded on the old profile cannot be undone on this one.
    history_.clear();
    tell(Event::ProfileOpened, Change::Correction);
    report.ok = true;
    report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Loaded %1"), path));
    return report;
}

SessionReport CorrectionSession::loadPatches(const std::string& path, PatchFileRole role)
{
    return loadParsed(fileNameOf(path), path, role, false, [&](PatchFile& file, EngineText& problem) {
        return PatchFileReader::read(path, file, problem);
    });
}

SessionReport CorrectionSession::addMeasurement(const std::string& path)
{
    return loadParsed(fileNameOf(path), path, PatchFileRole::Measurement, true,
                      [&](PatchFile& file, EngineText& problem) { return PatchFileReader::read(path, file, problem); });
}

SessionReport CorrectionSession::addMeasurementText(std::string_view text, const std::string& name)
{
    return loadParsed(name, name, PatchFileRole::Measurement, true, [&](PatchFile& file, EngineText& problem) {
        return PatchFileReader::parse(text, file, problem);
    });
}

SessionReport CorrectionSession::loadPatchText(std::string_view text, const std::string& name, PatchFileRole role)
{
    return loadParsed(name, name, role, false, [&](PatchFile& file, EngineText& problem) {
        return PatchFileReader::parse(text, file, problem);
    });
}

SessionReport CorrectionSession::loadParsed(const std::string& name, const std::string& path, PatchFileRole role,
                                            bool repeat, const std::function<bool(PatchFile&, EngineText&)>& parse)
{
    const Change change = repeat && measurement_ ? Change::AddMeasurement
                          : role == PatchFileRole::Reference ? Change::LoadReference
                                                             : Change::LoadMeasurement;
    return recordStep(
        change, [&] { return loadParsedNow(name, path, role, repeat, parse); },
        [](const SessionReport& report) { return report.ok; });
}

SessionReport CorrectionSession::loadParsedNow(const std::string& name, const std::string& path, PatchFileRole role,
                                            bool repeat, const std::function<bool(PatchFile&, EngineText&)>& parse)
{
    // A file with more patches than memory holds is refused like any other
    // unusable file: the session stays as it was.
    try {
        auto file = std::make_shared<PatchFile>();
        EngineText problem;
        if (!parse(*file, problem))
            return refusedFile(name, problem, *file);
        return repeat ? addRepeat(std::move(file), path) : takePatches(std::move(file), path, role);
    } catch (const std::bad_alloc&) {
        SessionReport report;
        report.say(couldNotLoad(name, EngineText::of(QT_TRANSLATE_NOOP("Engine", "not enough memory for its patches"))));
        return report;
    }
}

SessionReport CorrectionSession::addRepeat(std::shared_ptr<PatchFile> file, const std::string& path)
{
    if (!measurement_ || measurementRepeats_.empty())
        return takePatches(std::move(file), path, PatchFileRole::Measurement);
    Repeats repeats;
    // One file alone is averaged as it stands, hand edits included.
    repeats.files = measurementRepeats_.size() == 1 ? std::vector<std::shared_ptr<PatchFile>>{measurement_.file}
                                                    : measurementRepeats_;
    repeats.files.push_back(file);
    repeats.paths = measurementPaths_;
    repeats.paths.push_back(path);
    EngineText problem;
    if (!averageRepeats(repeats.files, pairBy_, repeats.averaged, problem)) {
        SessionReport report;
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not add %1: %2"), fileNameOf(path), problem));
        return report;
    }
    // The new file's own findings; those of the files before were told.
    repeats.averaged.file->skipped = file->skipped;
    repeats.averaged.file->notes = file->notes;
    std::shared_ptr<PatchFile> averaged = repeats.averaged.file;
    return takePatches(std::move(averaged), path, PatchFileRole::Measurement, &repeats);
}

SessionReport CorrectionSession::takePatches(std::shared_ptr<PatchFile> file, const std::string& path,
                                             PatchFileRole role, const Repeats* repeats)
{
    SessionReport report;
    const std::string name = fileNameOf(path);
    EngineText problem;
    PatchSide reference = reference_, measurement = measurement_;
    // A reference that came with a combined measurement is no file of its own.
    const bool referenceFile = reference_ && reference_.file != measurement_.file;
    EngineText what;
    const EngineText bothValues =
        EngineText::of(QT_TRANSLATE_NOOP("Engine", "patches with reference and measured values"));
    if (role == PatchFileRole::Reference) {
        reference = {file, file->combined};
        what = file->combined ? EngineText::of(QT_TRANSLATE_NOOP(
                                    "Engine", "reference patches (the reference values of a combined file)"))
                              : EngineText::of(QT_TRANSLATE_NOOP("Engine", "reference patches"));
        if (measurement_ && measurement_.file->combined && !referenceFile)
            report.note(EngineText::of(QT_TRANSLATE_NOOP("Engine", "the reference values of %1 replace those of %2"),
                                       name, fileNameOf(measurementPath_)));
    } else {
        measurement = {file, false};
        if (file->combined && referenceFile) {
            what = bothValues;
            report.note(EngineText::of(QT_TRANSLATE_NOOP("Engine", "the reference values of %1 are used, not those of %2"),
                                       fileNameOf(referencePath_), name));
        } else if (file->combined) {
            reference = {file, true};
            what = bothValues;
        } else {
            what = EngineText::of(QT_TRANSLATE_NOOP("Engine", "measured patches"));
        }
    }

    EngineText summary =
        repeats ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "Averaged %1 measurement files into %2 %3"),
                                 withThousands(repeats->files.size()), withThousands(file->records.size()), what)
                : EngineText::of(QT_TRANSLATE_NOOP("Engine", "Loaded %1 %2"), withThousands(file->records.size()), what);
    // Whatever goes wrong further on is added to the summary.
    auto addToSummary = [&](EngineText more) {
        summary = EngineText::joined("%1; %2", std::move(summary), std::move(more));
        report.say(summary);
    };
    report.say(summary);
    if (!file->skipped.empty())
        addToSummary(skippedSummary(file->skipped));
    for (const LineProblem& line : file->skipped)
        report.warn(lineProblem(line), line.line);

    for (const EngineText& note : file->notes)
        report.note(EngineText::joined("%1: %2", name, note));

    Pairing pairing;
    if (!pairPatches(reference, measurement, pairing, problem, pairBy_)) {
        report.say(couldNotLoad(name, problem));
        report.findings.erase(std::remove_if(report.findings.begin(), report.findings.end(),
                                             [](const Finding& f) { return f.severity == Severity::Note; }),
                              report.findings.end());
        return report;
    }
    for (const EngineText& note : pairing.notes)
        report.note(note);
    if (!pairing.unreferenced.empty()) {
        const EngineText ids = describedIds(pairing.unreferenced);
        const EngineText line =
            pairing.unreferenced.size() == 1
                ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 measured patch has no reference (%1)"), ids)
                : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 measured patches have no reference (%2)"),
                                 withThousands(pairing.unreferenced.size()), ids);
        addToSummary(line);
        report.warn(line);
    }
    if (!pairing.unmeasured.empty()) {
        const EngineText ids = describedIds(pairing.unmeasured);
        const EngineText line =
            pairing.unmeasured.size() == 1
                ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 reference patch was not measured (%1)"), ids)
                : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 reference patches were not measured (%2)"),
                                 withThousands(pairing.unmeasured.size()), ids);
        addToSummary(line);
        report.warn(line);
    }
    if (repeats) {
        for (const EngineText& line :
             {describeLeftOut(repeats->averaged.leftOut), describeIncomplete(repeats->averaged.incomplete)}) {
            if (line.empty())
                continue;
            addToSummary(line);
            report.warn(line);
        }
        for (const EngineText& note : repeats->averaged.notes)
            report.note(note);
        std::string names;
        for (const std::string& each : repeats->paths)
            names += (names.empty() ? "" : ", ") + fileNameOf(each);
        const std::string files = std::to_string(repeats->files.size());
        report.note(repeats->files.size() == 2
                        ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "the measured values are the mean of %1 files (%2)"),
                                         files, names)
                        : EngineText::of(
                              QT_TRANSLATE_NOOP("Engine", "the measured values are the median of %1 files (%2)"), files,
                              names));
    }

    reference_ = reference;
    measurement_ = measurement;
    // Which patches disagree is a question about these values.
    outliers_.clear();
    putBack_.clear();
    if (role == PatchFileRole::Reference || (file->combined && !referenceFile))
        referencePath_ = path;
    if (role == PatchFileRole::Measurement) {
        measurementPath_ = repeats ? repeats->paths.front() : path;
        measurementPaths_ = repeats ? repeats->paths : std::vector<std::string>{path};
        measurementRepeats_ = repeats ? repeats->files : std::vector<std::shared_ptr<PatchFile>>{file};
    }
    patches_ = std::move(pairing.patches);
    if (role == PatchFileRole::Measurement)
        roundTripOn_ = false;
    else if (roundTripOn_)
        for (Patch& patch : patches_)
            applyRoundTrip(patch);
    report.ok = true;
    return report;
}

bool CorrectionSession::hasToleranceMarks() const
{
    return measurement_ && measurement_.file->hasToleranceMarks;
}

void CorrectionSession::clearPatches()
{
    recordStep(
        Change::Clear,
        [this] {
            clearPatchesNow();
            return true;
        },
        [](bool) { return true; });
}

void CorrectionSession::clearPatchesNow()
{
    reference_ = {};
    measurement_ = {};
    referencePath_.clear();
    measurementPath_.clear();
    measurementPaths_.clear();
    measurementRepeats_.clear();
    patches_.clear();
    roundTripOn_ = false;
    correctedIds_.clear();
    outliers_.clear();
    putBack_.clear();
}

bool CorrectionSession::setReference(std::size_t index, const Lab& lab)
{
    // The value it has already: nothing to do, and no step to undo.
    if (index < patches_.size() && patches_[index].hasReference && sameLab(patches_[index].reference, lab))
        return true;
    return recordStep(
        Change::PatchValues, [&] { return setReferenceNow(index, lab); }, [](bool done) { return done; });
}

bool CorrectionSession::setReferenceNow(std::size_t index, const Lab& lab)
{
    if (index >= patches_.size())
        return false;
    ownFiles();
    Patch& patch = patches_[index];
    patch.reference = lab;
    patch.hasReference = true;
    patch.hasResult = false;
    if (reference_ && patch.referenceRecord >= 0) {
        PatchRecord& record = reference_.file->records[static_cast<std::size_t>(patch.referenceRecord)];
        (reference_.referenceColumns ? record.referenceLab : record.lab) = lab;
    }
    if (roundTripOn_)
        applyRoundTrip(patch);
    return true;
}

bool CorrectionSession::setMeasured(std::size_t index, const Lab& lab)
{
    if (index < patches_.size() && patches_[index].hasMeasured && sameLab(patches_[index].measured, lab))
        return true;
    return recordStep(
        Change::PatchValues, [&] { return setMeasuredNow(index, lab); }, [](bool done) { return done; });
}

bool CorrectionSession::setMeasuredNow(std::size_t index, const Lab& lab)
{
    if (index >= patches_.size())
        return false;
    ownFiles();
    Patch& patch = patches_[index];
    patch.measured = lab;
    patch.hasMeasured = true;
    patch.hasResult = false;
    if (measurement_ && patch.measuredRecord >= 0)
        measurement_.file->records[static_cast<std::size_t>(patch.measuredRecord)].lab = lab;
    return true;
}

void CorrectionSession::ownFiles()
{
    std::shared_ptr<PatchFile> oldReference = reference_.file, oldMeasurement = measurement_.file;
    for (PatchSide* side : {&reference_, &measurement_}) {
        if (!side->file || side->file.use_count() <= 1)
            continue;
        const std::shared_ptr<PatchFile> old = side->file;
        auto copy = std::make_shared<PatchFile>(*old);
        // A combined file is both sides: both move to the one copy.
        if (reference_.file == old)
            reference_.file = copy;
        if (measurement_.file == old)
            measurement_.file = copy;
    }
    if (reference_.file == oldReference && measurement_.file == oldMeasurement)
        return;
    // The names point into the files' texts: into the copies now.
    for (Patch& patch : patches_) {
        if (reference_ && patch.referenceRecord >= 0)
            patch.referenceName =
                reference_.file->displayName(reference_.file->records[static_cast<std::size_t>(patch.referenceRecord)]);
        if (measurement_ && patch.measuredRecord >= 0)
            patch.measuredName =
                measurement_.file->displayName(measurement_.file->records[static_cast<std::size_t>(patch.measuredRecord)]);
    }
}

SessionState CorrectionSession::state() const
{
    SessionState s;
    s.profileGeneration = profileGeneration_;
    s.tables.resize(tables_.size());
    for (std::size_t i = 0; i < tables_.size(); ++i)
        s.tables[i].capture(tables_[i].nodes);
    s.reference = reference_;
    s.measurement = measurement_;
    s.measurementRepeats = measurementRepeats_;
    s.measurementPaths = measurementPaths_;
    s.patches = patches_;
    s.roundTripOn = roundTripOn_;
    s.pairBy = pairBy_;
    s.correctedIds = correctedIds_;
    s.handEdits = handEdits_;
    s.applied = applied_;
    s.outliers = outliers_;
    s.putBack = putBack_;
    return s;
}

bool CorrectionSession::restore(const SessionState& s)
{
    if (s.profileGeneration != profileGeneration_ || s.tables.size() != tables_.size())
        return false;
    for (std::size_t i = 0; i < tables_.size(); ++i)
        s.tables[i].restore(tables_[i].nodes);
    reference_ = s.reference;
    measurement_ = s.measurement;
    measurementRepeats_ = s.measurementRepeats;
    measurementPaths_ = s.measurementPaths;
    if (!measurementPaths_.empty())
        measurementPath_ = measurementPaths_.front();
    patches_ = s.patches;
    roundTripOn_ = s.roundTripOn;
    pairBy_ = s.pairBy;
    correctedIds_ = s.correctedIds;
    handEdits_ = s.handEdits;
    applied_ = s.applied;
    outliers_ = s.outliers;
    putBack_ = s.putBack;
    updateUnsaved();
    return true;
}

void CorrectionSession::revertToOpened()
{
    if (!hasAnythingToRevert())
        return;
    recordStep(
        Change::Revert,
        [this] {
            revertToOpenedNow();
            return true;
        },
        [](bool) { return true; });
}

bool CorrectionSession::hasAnythingToRevert() const
{
    if (applied_.done || !correctedIds_.empty() || !handEdits_.empty() || !outliers_.empty())
        return true;
    for (const B2ATable& table : tables_)
        if (!table.opened.matches(table.nodes))
            return true;
    return std::any_of(patches_.begin(), patches_.end(), [](const Patch& p) { return p.hasResult; });
}

void CorrectionSession::revertToOpenedNow()
{
    restoreOpenedTables();
    correctedIds_.clear();
    handEdits_.clear();
    applied_ = {};
    outliers_.clear();
    for (Patch& patch : patches_)
        patch.hasResult = false;
    updateUnsaved();
}

void CorrectionSession::rememberSaved()
{
    saved_.resize(tables_.size());
    for (std::size_t i = 0; i < tables_.size(); ++i)
        saved_[i].capture(tables_[i].nodes);
    unsavedChanges_ = false;
}

void CorrectionSession::updateUnsaved()
{
    unsavedChanges_ = false;
    for (std::size_t i = 0; i < tables_.size() && !unsavedChanges_; ++i)
        unsavedChanges_ = !saved_[i].matches(tables_[i].nodes);
}

Lab CorrectionSession::roundTrip(const Lab& reference) const
{
    const Lab16 code = encodeLab16(reference);
    uint16_t pcs[3] = {code.L, code.a, code.b};
    uint16_t device[csICCmftTag::maxChannels] = {};
    uint16_t back[3];
    b2a1_->convert(pcs, device, 1);
    a2b1_->convert(device, back, 1);
    return decodeLab16({back[0], back[1], back[2]});
}

void CorrectionSession::applyRoundTrip(Patch& patch) const
{
    if (!patch.hasReference || !b2a1_ || !a2b1_)
        return;
    patch.measured = roundTrip(patch.reference);
    patch.hasMeasured = true;
}

bool CorrectionSession::useRoundTrip()
{
    if (!profile_)
        return false;
    return recordStep(
        Change::RoundTrip,
        [this] {
            for (Patch& patch : patches_)
                applyRoundTrip(patch);
            roundTripOn_ = true;
            return true;
        },
        [](bool) { return true; });
}

bool CorrectionSession::corrected(std::size_t patch) const
{
    return patch < patches_.size() && correctedIds_.count(patches_[patch].id) > 0;
}

double CorrectionSession::outlierSize(std::size_t patch) const
{
    if (patch >= patches_.size())
        return 0;
    const auto found = outliers_.find(patches_[patch].id);
    return found == outliers_.end() ? 0 : found->second;
}

bool CorrectionSession::putBack(std::size_t patch)
{
    if (!leftOut(patch))
        return false;
    return recordStep(
        Change::PutBack,
        [&] {
            outliers_.erase(patches_[patch].id);
            putBack_.insert(patches_[patch].id);
            return true;
        },
        [](bool) { return true; });
}

bool CorrectionSession::isPutBack(std::size_t patch) const
{
    return patch < patches_.size() && putBack_.count(patches_[patch].id) > 0;
}

CorrectionSession::B2ATable* CorrectionSession::table(int intent)
{
    for (B2ATable& t : tables_)
        if (t.intent == intent)
            return &t;
    return nullptr;
}

void CorrectionSession::restoreOpenedTables()
{
    for (B2ATable& t : tables_)
        t.opened.restore(t.nodes);
}

void CorrectionSession::applyHandEdits()
{
    B2ATable* b2a1 = table(1);
    if (!b2a1)
        return;
    for (const auto& [node, values] : handEdits_)
        b2a1->nodes.set(node.data(), values.data());
}

void CorrectionSession::keepHandEdits(const std::vector<std::array<uint16_t, 3>>& nodes)
{
    B2ATable* b2a1 = table(1);
    if (!b2a1)
        return;
    for (const auto& node : nodes) {
        NodeValues values{};
        b2a1->nodes.get(node.data(), values.data());
        handEdits_[node] = values;
    }
    updateUnsaved();
}

void CorrectionSession::setResult(std::size_t patch, const Lab& remaining)
{
    if (patch >= patches_.size())
        return;
    patches_[patch].hasResult = true;
    patches_[patch].remaining = remaining;
}

CorrectionReport CorrectionSession::correct(const CorrectionRequest& request, const Progress& progress)
{
    return recordStep(
        Change::Correction, [&] { return correctNow(request, progress); },
        [](const CorrectionReport& report) { return report.ok; });
}

SessionReport CorrectionSession::pairAgain(PairBy by)
{
    const std::vector<std::string> paths = measurementPaths_.empty() && !measurementPath_.empty()
                                               ? std::vector<std::string>{measurementPath_}
                                               : measurementPaths_;
    if (paths.empty()) {
        SessionReport report;
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "No measurement to pair")));
        return report;
    }
    return recordStep(
        Change::PairAgain,
        [&] {
            const SessionState before = state();
            pairBy_ = by;
            SessionReport report;
            // Repeated measurements pair among themselves too: all are read
            // anew and averaged again.
            for (std::size_t i = 0; i < paths.size() && (i == 0 || report.ok); ++i)
                report = i == 0 ? loadPatches(paths[i], PatchFileRole::Measurement) : addMeasurement(paths[i]);
            if (!report.ok)
                restore(before);
            return report;
        },
        [](const SessionReport& report) { return report.ok; });
}

CorrectionReport CorrectionSession::correctNow(const CorrectionRequest& request, const Progress& progress)
{
    CorrectionReport report;
    if (!profile_) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Open a profile first")));
        return report;
    }
    if (std::none_of(patches_.begin(), patches_.end(), [](const Patch& p) { return p.paired(); })) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "No patch has both reference and measured values")));
        return report;
    }
    // Tables as they stand, to go back to when the run is aborted or refused.
    std::vector<ClutSnapshot> current(tables_.size());
    for (std::size_t i = 0; i < tables_.size(); ++i)
        current[i].capture(tables_[i].nodes);
    const std::set<std::string> correctedBefore = correctedIds_;
    auto keepCurrent = [&]() {
        for (std::size_t i = 0; i < tables_.size(); ++i)
            current[i].restore(tables_[i].nodes);
        correctedIds_ = correctedBefore;
    };

    // The checks judge the tables the measurement was printed with.
    restoreOpenedTables();
    // A B2A1 without nodes is refused by either method with its own reason,
    // which says more than a round trip through it.
    if (!request.force && (table(1) || link_)) {
        report = checkBeforeCorrecting();
        if (!report.ok) {
            keepCurrent();
            return report;
        }
    }
    try {
        // The round trip stands in for the measurement: nothing was misread.
        std::vector<Outlier> outliers;
        if (!request.keepOutliers && !roundTripOn_) {
            CorrectionReport found = findOutliersFor(request);
            if (found.failedCheck != CorrectionCheck::Passed && !request.force) {
                keepCurrent();
                return found;
            }
            if (found.failedCheck == CorrectionCheck::Passed)
                outliers = std::move(found.outliers);
        }
        if (link_ && request.method != CorrectionMethod::Smooth) {
            report = {};
            report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Not corrected: a device link is corrected by the Smooth method only")));
        }
        else if (link_)
            report = correctLink(request, outliers, progress);
        else
            report = request.method == CorrectionMethod::Smooth ? correctSmooth(request, outliers, progress)
                                                                : correctPerPatch(request, outliers, progress);
    } catch (const std::bad_alloc&) {
        // A large chart's solve may not fit; the session and its tables
        // outlive the attempt.
        report = {};
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Not corrected: not enough memory for this correction")));
    }
    if (report.ok && !request.force)
        refuseWorsePrediction(report);
    if (report.aborted || !report.ok) {
        keepCurrent();
        return report;
    }
    applyHandEdits();
    for (Patch& patch : patches_)
        patch.hasResult = false;
    for (const PatchOutcome& outcome : report.outcomes) {
        patches_[outcome.patch].hasResult = true;
        patches_[outcome.patch].remaining = outcome.remaining;
    }
    updateUnsaved();
    applied_ = {true, request.method, request.smooth, request.intents, report.outcomes.size(), report.tables};
    outliers_.clear();
    for (const Outlier& outlier : report.outliers)
        outliers_[patches_[outlier.patch].id] = outlier.size;
    if (!report.outliers.empty())
        report.findings.insert(report.findings.begin(), {Severity::Warning, outlierLine(patches_, report.outliers)});
    EngineText covered = describeCoverage(coverage());
    if (!covered.empty())
        report.note(std::move(covered));
    return report;
}

CorrectionReport CorrectionSession::findOutliersFor(const CorrectionRequest& request) const
{
    CorrectionReport report;
    std::vector<std::size_t> paired;
    std::vector<Lab> references, errors;
    std::vector<char> trusted;
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        const Patch& p = patches_[i];
        if (!p.paired())
            continue;
        paired.push_back(i);
        references.push_back(p.reference);
        errors.push_back({p.measured.L - p.reference.L, p.measured.a - p.reference.a, p.measured.b - p.reference.b});
        trusted.push_back(putBack_.count(p.id) ? 1 : 0);
    }
    const SmoothParameters& smooth = request.smooth;
    OutlierSettings settings;
    settings.field = {smooth.fieldLength, smooth.fieldLWeight, smooth.fieldNoise, smooth.fieldMinSpread,
                      smooth.whiteNoise};
    const OutlierSearch search = findOutliers(references, errors, mediaWhite(*a2b1_), trusted, settings);
    for (const Outlier& o : search.outliers)
        report.outliers.push_back({paired[o.patch], o.size});
    report.ok = !search.tooMany;
    if (search.tooMany) {
        report.failedCheck = CorrectionCheck::TooManyOutliers;
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Not corrected: %1 of %2 patches disagree with their "
                                                              "neighbours, more than a fifth: wrong chart, or strips "
                                                              "read out of order?"),
                                  withThousands(search.outliers.size()), withThousands(paired.size())));
    }
    return report;
}

bool CorrectionSession::filesSayTheyAreSwapped() const
{
    if (!reference_ || !measurement_ || reference_.file == measurement_.file)
        return false;
    return patchFileKind(*measurement_.file, measurementPath_) == PatchFileKind::Reference &&
           patchFileKind(*reference_.file, referencePath_) == PatchFileKind::Measurement;
}

CorrectionReport CorrectionSession::checkBeforeCorrecting() const
{
    CorrectionReport report;
    double measuredOff = 0, roundTripOff = 0;
    std::size_t paired = 0;
    for (const Patch& patch : patches_) {
        if (!patch.paired())
            continue;
        measuredOff += deltaE(patch.reference, patch.measured);
        roundTripOff += deltaE(patch.reference, roundTrip(patch.reference));
        ++paired;
    }
    measuredOff /= static_cast<double>(paired);
    roundTripOff /= static_cast<double>(paired);
    // With the round trip standing in for the measurement, the first check
    // is the second.
    if (!roundTripOn_ && filesSayTheyAreSwapped()) {
        report.failedCheck = CorrectionCheck::FilesSwapped;
        report.say(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "Not corrected: %1, loaded as the measurement, says it holds reference values, "
                                        "and %2, loaded as the reference, says it holds measured ones: are the two "
                                        "files swapped?"),
            printable(fileNameOf(measurementPath_)), printable(fileNameOf(referencePath_))));
    } else if (!roundTripOn_ && measuredOff > CorrectionLimits::measurementFarOff) {
        report.failedCheck = CorrectionCheck::MeasurementFarOff;
        report.say(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "Not corrected: the measurement is %1 Delta E from the reference on average; "
                                        "the files do not belong together: wrong chart, scale or order?"),
            fixedNumber(measuredOff, 2)));
    } else if (roundTripOff > CorrectionLimits::roundTripFarOff) {
        report.failedCheck = CorrectionCheck::TablesDoNotInvert;
        report.say(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "Not corrected: the profile's own round trip misses the reference by %1 Delta E "
                                        "on average; the B2A table does not invert the A2B table"),
            fixedNumber(roundTripOff, 2)));
    } else {
        report.ok = true;
    }
    return report;
}

CorrectionCheck checkPrediction(const std::vector<PatchOutcome>& outcomes, double& meanBefore, double& meanAfter)
{
    meanBefore = meanAfter = 0;
    for (const PatchOutcome& outcome : outcomes) {
        meanBefore += outcome.before;
        meanAfter += length(outcome.remaining);
    }
    if (outcomes.empty())
        return CorrectionCheck::Passed;
    meanBefore /= static_cast<double>(outcomes.size());
    meanAfter /= static_cast<double>(outcomes.size());
    return meanAfter > meanBefore + CorrectionLimits::worseBy ? CorrectionCheck::PredictionWorse
                                                              : CorrectionCheck::Passed;
}

void CorrectionSession::refuseWorsePrediction(CorrectionReport& report)
{
    double before, after;
    if (checkPrediction(report.outcomes, before, after) == CorrectionCheck::Passed)
        return;
    CorrectionReport refused;
    refused.failedCheck = CorrectionCheck::PredictionWorse;
    refused.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Not corrected: the correction's own prediction is worse "
                                                           "than before (mean Delta E 1976 %1 before, %2 after)"),
                               fixedNumber(before, 2), fixedNumber(after, 2)));
    report = refused;
}

CorrectionReport CorrectionSession::correctPerPatch(const CorrectionRequest& request,
                                                   const std::vector<Outlier>& outliers, const Progress& progress)
{
    CorrectionReport report;
    // Patches corrected one by one before are corrected again; after a
    // Smooth run, which touched every patch, only the selection is.
    std::set<std::string> ids;
    if (applied_.done && applied_.method == CorrectionMethod::PerPatch)
        ids = correctedIds_;
    for (std::size_t index : request.selection)
        if (index < patches_.size() && patches_[index].paired())
            ids.insert(patches_[index].id);
    std::vector<std::size_t> chosen;
    auto outlier = outliers.begin();
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        if (!patches_[i].paired() || !ids.count(patches_[i].id))
            continue;
        while (outlier != outliers.end() && outlier->patch < i)
            ++outlier;
        if (outlier != outliers.end() && outlier->patch == i) {
            report.outliers.push_back(*outlier);
            ids.erase(patches_[i].id);
            continue;
        }
        chosen.push_back(i);
    }
    if (chosen.empty()) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Please select some patches to be optimized")));
        return report;
    }
    const csCLUTCube cube(b2a1_.get(), a2b1_.get());
    if (!cube.usable()) {
        report.say(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "The profile's B2A1 table cannot be corrected patch by patch: %1"),
            cube.problem()));
        return report;
    }

    restoreOpenedTables();
    B2ATable* b2a1 = table(1);
    csICCTag* tag = b2a1 ? b2a1->nodes.tag() : nullptr;
    if (!tag || !B2ATableAccess::serves(tag, a2b1_->numInputChannels())) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "The profile's B2A1 table cannot be corrected patch by patch")));
        return report;
    }
    // Tables that share B2A1's bytes as opened go on sharing them. In file
    // byte order: a tag in use may hold its values in the machine's.
    std::vector<B2ATable*> sharing;
    const std::vector<uint8_t> b2a1Bytes = fileBytesOf(*tag);
    for (B2ATable& t : tables_)
        if (t.intent != 1 && fileBytesOf(*t.nodes.tag()) == b2a1Bytes)
            sharing.push_back(&t);

    // Every paired patch is checked, the chosen ones are aimed at; patches
    // left out as misread are neither.
    std::vector<JointPatch> patches;
    std::vector<std::size_t> used;
    std::vector<std::size_t> chosenAt;
    const std::set<std::size_t> chosenSet(chosen.begin(), chosen.end());
    std::set<std::size_t> leftOut;
    for (const Outlier& o : outliers)
        leftOut.insert(o.patch);
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        if (!patches_[i].paired() || leftOut.count(i))
            continue;
        if (chosenSet.count(i))
            chosenAt.push_back(patches.size());
        patches.push_back({patches_[i].reference, patches_[i].measured, chosenSet.count(i) > 0});
        used.push_back(i);
    }
    bool stopped = false;
    const JointPatchResult solved =
        correctPatchesJointly(*b2a1_, *a2b1_, *tag, patches, {}, [&](std::size_t done, std::size_t total) {
            // On the same scale as Smooth's.
            constexpr std::size_t steps = 1000;
            stopped = progress && !progress(done * steps / total, steps);
            return !stopped;
        });
    if (stopped) {
        report.aborted = true;
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Correction aborted; the profile is as it was")));
        return report;
    }
    const unsigned findings = solved.findings;
    for (std::size_t k : chosenAt)
        report.outcomes.push_back(
            {used[k], deltaE(patches[k].reference, patches[k].measured), solved.remaining[k]});

    ClutSnapshot corrected;
    corrected.capture(b2a1->nodes);
    for (B2ATable* t : sharing)
        corrected.restore(t->nodes);

    correctedIds_ = ids;
    for (EngineText& note : csCLUTCube::describe(findings & ~toldFindings_))
        report.note(std::move(note));
    toldFindings_ |= findings;
    report.ok = true;
    double sum = 0;
    for (const PatchOutcome& outcome : report.outcomes)
        sum += length(outcome.remaining);
    const std::string average = fixedNumber(sum / report.outcomes.size(), 2);
    report.say(report.outcomes.size() == 1
                   ? EngineText::of(QT_TRANSLATE_NOOP("Engine",
                                                      "Corrected 1 patch patch by patch; predicted average Delta E 1976 %1"),
                                    average)
                   : EngineText::of(QT_TRANSLATE_NOOP(
                                        "Engine", "Corrected %1 patches patch by patch; predicted average Delta E 1976 %2"),
                                    withThousands(report.outcomes.size()), average));
    return report;
}

CorrectionReport CorrectionSession::correctSmooth(const CorrectionRequest& request,
                                                 const std::vector<Outlier>& outliers, const Progress& progress)
{
    CorrectionReport report;
    report.outliers = outliers;
    std::vector<SmoothPatch> patches;
    std::vector<std::size_t> used;
    auto outlier = outliers.begin();
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        if (!patches_[i].paired())
            continue;
        while (outlier != outliers.end() && outlier->patch < i)
            ++outlier;
        if (outlier != outliers.end() && outlier->patch == i)
            continue;
        patches.push_back({patches_[i].reference, patches_[i].measured});
        used.push_back(i);
    }
    restoreOpenedTables();
    return runWholeChart(
        std::move(report), used, request.smooth.keepPure,
        [&](csICCProfile& profile, bool keepPure, const std::function<bool(double)>& fraction) {
            SmoothParameters parameters = request.smooth;
            parameters.keepPure = keepPure;
            return runSmoothCorrection(profile, patches, parameters, request.intents, fraction);
        },
        progress, [](std::size_t patches, const std::string& average) {
            return patches == 1
                       ? EngineText::of(
                             QT_TRANSLATE_NOOP("Engine", "Corrected 1 patch together; predicted average Delta E 1976 %1"),
                             average)
                       : EngineText::of(QT_TRANSLATE_NOOP(
                                            "Engine", "Corrected %1 patches together; predicted average Delta E 1976 %2"),
                                        withThousands(patches), average);
        });
}

CorrectionReport CorrectionSession::runWholeChart(CorrectionReport report, const std::vector<std::size_t>& used,
                                                  bool keepPure, const WholeChartRun& run, const Progress& progress,
                                                  const std::function<EngineText(std::size_t, const std::string&)>& lead)
{
    constexpr std::size_t steps = 1000;
    bool stopped = false;
    auto fraction = [&](double done) {
        stopped = progress && !progress(static_cast<std::size_t>(done * steps), steps);
        return !stopped;
    };
    // What keeping the pure inks pure costs: the same run with them free, on a copy.
    std::unique_ptr<csICCProfile> mixed;
    if (keepPure) {
        std::vector<uint8_t> bytes;
        mixed = std::make_unique<csICCProfile>();
        if (profile_->writeToMemory(bytes) != 0 || mixed->setProfile(bytes.data(), bytes.size()) != 0)
            mixed.reset();
    }
    const SmoothOutcome outcome = run(*profile_, keepPure, fraction);
    if (!outcome.ok) {
        report.aborted = stopped;
        report.say(stopped ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "Correction aborted; the profile is as it was"))
                           : EngineText(outcome.message));
        return report;
    }
    double sum = 0;
    for (std::size_t k = 0; k < used.size(); ++k) {
        const Patch& patch = patches_[used[k]];
        report.outcomes.push_back({used[k], deltaE(patch.reference, patch.measured), outcome.remaining[k]});
        sum += length(outcome.remaining[k]);
    }
    if (mixed) {
        const SmoothOutcome other = run(*mixed, false, {});
        if (other.ok) {
            report.keptPureMean = sum / used.size();
            report.mixedMean = 0;
            for (const Lab& r : other.remaining)
                report.mixedMean += length(r) / used.size();
            int pure = 0;
            for (const SmoothTableReport& table : outcome.tables)
                pure += table.sharedWith.empty() ? table.pureNodes : 0;
            const std::string kept = fixedNumber(report.keptPureMean, 2), free = fixedNumber(report.mixedMean, 2);
            report.note(pure == 1 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 pure node kept to their one ink; "
                                                                               "predicted mean Delta E 1976 %1 (%2 "
                                                                               "with them free)"),
                                                   kept, free)
                                  : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 pure nodes kept to their one ink; "
                                                                               "predicted mean Delta E 1976 %2 (%3 "
                                                                               "with them free)"),
                                                   withThousands(std::size_t(pure)), kept, free));
        }
    }
    report.tables = outcome.tables;
    for (const SmoothTableReport& table : outcome.tables)
        if (!table.leftAlone.empty())
            report.warn(table.leftAlone);
    correctedIds_.clear();
    for (std::size_t i : used)
        correctedIds_.insert(patches_[i].id);
    report.ok = true;
    report.say(lead(used.size(), fixedNumber(sum / used.size(), 2)));
    return report;
}

SessionReport CorrectionSession::saveAs(const std::string& path)
{
    SessionReport report;
    if (!profile_) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Open a profile first")));
        return report;
    }
    std::vector<const std::string*> inputs{&referencePath_, &printerPath_};
    for (const std::string& each : measurementPaths_)
        inputs.push_back(&each);
    for (const std::string* input : inputs)
        if (sameFile(path, *input)) {
            report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Did not save over %1"), path));
            report.fail(EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is %1 the patches were read from"),
                                       fileRoleOf(path)));
            return report;
        }
    const LibraryLog::Mark mark = LibraryLog::mark();
    stampProfile(*profile_, fileNameOf(path), profileCopyright);
    std::vector<uint8_t> block;
    // "open" as the window has always said: the file could not be opened for writing.
    if (profile_->writeToMemory(block) != 0 || !unrefineUnchanged(block)) {
        report.say(failedToOpen(path));
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    EngineText reason;
    if (!writeFileSafely(path, block, reason)) {
        report.say(failedToOpen(path));
        report.fail(reason);
        return report;
    }
    rememberSaved();
    savedPath_ = path;
    savedDigest_ = md5Hex(block.data(), block.size());
    report.ok = true;
    report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Saved as %1"), path));
    return report;
}

bool CorrectionSession::unrefineUnchanged(std::vector<uint8_t>& block) const
{
    std::vector<const ClutRefined*> unchanged;
    for (const ClutRefined& r : refined_)
        for (const B2ATable& t : tables_)
            if (t.intent == r.intent && t.opened.matches(t.nodes))
                unchanged.push_back(&r);
    if (unchanged.empty())
        return true;
    csICCProfile copy;
    if (copy.setProfile(block.data(), block.size()) != 0)
        return false;
    for (const ClutRefined* r : unchanged) {
        const csSignature signature = b2aSignature(r->intent);
        const auto tag = csICCTagTable::tagFactory(signature, uint32_t(r->original.size()), r->original.data());
        if (!tag || copy.tagTable().replace(signature, *tag) < 0)
            return false;
    }
    return copy.writeToMemory(block) == 0;
}

EngineText CorrectionSession::fileRoleOf(const std::string& path) const
{
    const auto measurementRole = [this] {
        return measurement_ && measurement_.file->combined
                   ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "the combined patch file"))
                   : EngineText::of(QT_TRANSLATE_NOOP("Engine", "the measurement file"));
    };
    for (const std::string& each : measurementPaths_)
        if (sameFile(path, each))
            return measurementRole();
    if (sameFile(path, measurementPath_))
        return measurementRole();
    if (sameFile(path, referencePath_))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the reference file"));
    if (sameFile(path, profilePath_))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the profile as opened"));
    if (!printerPath_.empty() && sameFile(path, printerPath_))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the printer profile"));
    if (sameFile(path, savedPath_))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the corrected profile as saved"));
    return {};
}

DeltaESummary CorrectionSession::before(DeltaEMetric metric) const
{
    return summarizeDeltaE(patches_, Stage::Before, metric);
}

DeltaESummary CorrectionSession::after(DeltaEMetric metric) const
{
    return summarizeDeltaE(patches_, Stage::After, metric);
}

PatchCoverage CorrectionSession::coverage() const
{
    std::vector<double> lightness;
    if (reference_)
        for (const PatchRecord& record : reference_.file->records)
            if (reference_.hasColour(record))
                lightness.push_back(reference_.colour(record).L);
    const bool reach = profile_ != nullptr;
    const double low = reach ? profileLightness_[0] : lightness.empty() ? 0.0 : lightness.front();
    const double high = reach ? profileLightness_[1] : low;
    return coverageOf(patches_, lightness, low, high);
}

ProfileDigests CorrectionSession::digests() const
{
    ProfileDigests digests;
    digests.original = originalDigest_;
    if (!profile_)
        return digests;
    if (!unsavedChanges_ && !savedDigest_.empty()) {
        digests.corrected = savedDigest_;
        digests.correctedSaved = true;
        digests.savedPath = savedPath_;
        return digests;
    }
    std::vector<uint8_t> block;
    if (profile_->writeToMemory(block) == 0 && unrefineUnchanged(block))
        digests.corrected = md5Hex(block.data(), block.size());
    return digests;
}
