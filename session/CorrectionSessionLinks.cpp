// The session's parts for device links and the correction as an abstract
// profile: the printer profile a link prints through, the link's
// correction, and the export of a printer profile's correction.

#include "CorrectionSession.h"

#include "AbstractCorrection.h"
#include "B2ATableAccess.h"
#include "FixedNumber.h"
#include "LibraryLog.h"
#include "LinkCorrection.h"
#include "PathNames.h"
#include "ProfileStamp.h"
#include "SafeFileWriter.h"
#include "WholeFile.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCSpace.h"

#include <cmath>

namespace {

// Why bytes are no ICC profile at all, or empty when they may be one.
EngineText notAProfile(std::string_view bytes)
{
    if (bytes.size() >= 40 && bytes.substr(36, 4) == "acsp")
        return {};
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is not an ICC profile"));
}

} // namespace

SessionReport CorrectionSession::setPrinterProfile(const std::string& path)
{
    SessionReport report;
    std::string bytes, problem;
    const EngineText refused = EngineText::of(QT_TRANSLATE_NOOP("Engine", "Failed to open the printer profile %1"), path);
    if (!readWholeFile(path, csICCProfile::maxProfileSize, "profile", bytes, problem)) {
        report.say(refused);
        report.fail(problem);
        return report;
    }
    const EngineText notProfile = notAProfile(bytes);
    if (!notProfile.empty()) {
        report.say(refused);
        report.fail(notProfile);
        return report;
    }
    const LibraryLog::Mark mark = LibraryLog::mark();
    auto printer = std::make_unique<csICCProfile>();
    csICCProfileConverter a2b(printer.get(), csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    if (printer->setProfile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) != 0 ||
        LibraryLog::errorsSince(mark) || a2b.init() != 0) {
        report.say(refused);
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    if (printer->header().deviceClass() == csSig("link") || printer->header().pcs() != csSig("Lab ")) {
        report.say(refused);
        report.fail(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "the printer profile must be an output profile whose tables give Lab")));
        return report;
    }
    printer_ = std::move(printer);
    printerPath_ = path;
    report.ok = true;
    report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Loaded the printer profile %1"), path));
    return report;
}

CorrectionReport CorrectionSession::correctLink(const CorrectionRequest& request,
                                               const std::vector<Outlier>& outliers, const Progress& progress)
{
    CorrectionReport report;
    report.outliers = outliers;
    const unsigned inputs = csICCSpace(profile_->header().colorSpace()).numChannels();
    if (!reference_ || reference_.file->deviceChannels != inputs) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Not corrected: the reference file gives no %1 device "
                                                              "values per patch (%2), the device link's source values"),
                                  std::to_string(inputs), std::string(profile_->header().colorSpaceText())));
        return report;
    }
    std::vector<LinkPatch> patches;
    std::vector<std::size_t> used;
    auto outlier = outliers.begin();
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        const Patch& patch = patches_[i];
        if (!patch.paired() || patch.referenceRecord < 0)
            continue;
        while (outlier != outliers.end() && outlier->patch < i)
            ++outlier;
        if (outlier != outliers.end() && outlier->patch == i)
            continue;
        std::vector<double> source =
            reference_.file->device(reference_.file->records[static_cast<std::size_t>(patch.referenceRecord)]);
        if (source.size() != inputs)
            continue;
        for (double& v : source)
            v /= 100.0;
        patches.push_back({source, patch.reference, patch.measured});
        used.push_back(i);
    }
    restoreOpenedTables();
    LinkParameters parameters;
    const double kappa = parameters.smooth.localKappa;
    parameters.smooth = request.smooth;
    parameters.smooth.localKappa = kappa;
    return runWholeChart(
        std::move(report), used, request.smooth.keepPure,
        [&](csICCProfile& link, bool keepPure, const std::function<bool(double)>& fraction) {
            LinkParameters run = parameters;
            run.smooth.keepPure = keepPure;
            return runLinkCorrection(link, *printer_, patches, run, fraction);
        },
        progress, [](std::size_t patches, const std::string& average) {
            return patches == 1 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "Corrected the device link from 1 patch; "
                                                                             "predicted average Delta E 1976 %1"),
                                                 average)
                                : EngineText::of(QT_TRANSLATE_NOOP("Engine", "Corrected the device link from %1 patches; "
                                                                             "predicted average Delta E 1976 %2"),
                                                 withThousands(patches), average);
        });
}

SessionReport CorrectionSession::exportAbstract(const std::string& path)
{
    SessionReport report;
    if (!profile_) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Open a profile first")));
        return report;
    }
    if (link_) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not export the correction: an abstract profile is "
                                                              "made from a printer profile's correction, not from a "
                                                              "device link's")));
        return report;
    }
    const EngineText role = fileRoleOf(path);
    if (!role.empty()) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Did not save over %1"), path));
        report.fail(EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is %1"), role));
        return report;
    }
    const LibraryLog::Mark mark = LibraryLog::mark();
    // The profile as opened: the corrected one with the opened tables put back.
    std::vector<uint8_t> bytes;
    auto opened = std::make_unique<csICCProfile>();
    if (profile_->writeToMemory(bytes) != 0 || opened->setProfile(bytes.data(), bytes.size()) != 0) {
        report.say(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "Could not export the correction: the profile could not be copied")));
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    for (const B2ATable& t : tables_) {
        ClutNodes nodes(opened->tagTable().find(b2aSignature(t.intent)));
        t.opened.restore(nodes);
    }
    std::vector<Lab> chart, measured;
    for (const Patch& patch : patches_)
        if (patch.paired() && correctedIds_.count(patch.id)) {
            chart.push_back(patch.reference);
            measured.push_back(patch.measured);
        }
    AbstractOutcome outcome = correctionAsAbstract(*opened, *profile_, AbstractSettings(), chart, measured);
    if (!outcome.profile) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not export the correction: %1"), outcome.message));
        return report;
    }
    stampProfile(*outcome.profile, fileNameOf(path), profileCopyright);
    std::vector<uint8_t> block;
    EngineText reason;
    if (outcome.profile->writeToMemory(block) != 0 || !writeFileSafely(path, block, reason)) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Failed to open %1"), path));
        report.fail(reason.empty()
                        ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "the abstract profile could not be written"))
                        : std::move(reason));
        return report;
    }
    report.ok = true;
    const std::string largest = fixedNumber(outcome.largestShift, 2);
    report.say(outcome.nodesShifted == 1
                   ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "Exported the correction as an abstract profile to %1 "
                                                                "(1 node moved, by up to %2)"),
                                    path, largest)
                   : EngineText::of(QT_TRANSLATE_NOOP("Engine", "Exported the correction as an abstract profile to %1 "
                                                                "(%2 nodes moved, by up to %3)"),
                                    path, withThousands(outcome.nodesShifted), largest));
    return report;
}
