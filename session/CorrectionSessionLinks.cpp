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
#include <cstdio>

namespace {

std::string plural(std::size_t n, const char* one, const char* many)
{
    return withThousands(n) + ' ' + (n == 1 ? one : many);
}

// Why bytes are no ICC profile at all, or empty when they may be one.
std::string notAProfile(std::string_view bytes)
{
    if (bytes.size() >= 40 && bytes.substr(36, 4) == "acsp")
        return {};
    return "it is not an ICC profile";
}

} // namespace

SessionReport CorrectionSession::setPrinterProfile(const std::string& path)
{
    SessionReport report;
    std::string bytes, problem;
    const std::string refused = "Failed to open the printer profile " + path;
    if (!readWholeFile(path, csICCProfile::maxProfileSize, "profile", bytes, problem)) {
        report.summary = refused;
        report.fail(problem);
        return report;
    }
    const std::string notProfile = notAProfile(bytes);
    if (!notProfile.empty()) {
        report.summary = refused;
        report.fail(notProfile);
        return report;
    }
    const LibraryLog::Mark mark = LibraryLog::mark();
    auto printer = std::make_unique<csICCProfile>();
    csICCProfileConverter a2b(printer.get(), csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    if (printer->setProfile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) != 0 ||
        LibraryLog::errorsSince(mark) || a2b.init() != 0) {
        report.summary = refused;
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    if (printer->header().deviceClass() == csSig("link") || printer->header().pcs() != csSig("Lab ")) {
        report.summary = refused;
        report.fail("the printer profile must be an output profile whose tables give Lab");
        return report;
    }
    printer_ = std::move(printer);
    printerPath_ = path;
    report.ok = true;
    report.summary = "Loaded the printer profile " + path;
    return report;
}

CorrectionReport CorrectionSession::correctLink(const CorrectionRequest& request,
                                               const std::vector<Outlier>& outliers, const Progress& progress)
{
    CorrectionReport report;
    report.outliers = outliers;
    const unsigned inputs = csICCSpace(profile_->header().colorSpace()).numChannels();
    if (!reference_ || reference_.file->deviceChannels != inputs) {
        report.summary = "Not corrected: the reference file gives no " + std::to_string(inputs) +
                         " device values per patch (" + std::string(profile_->header().colorSpaceText()) +
                         "), the device link's source values";
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
        progress, [](const std::string& patches) { return "Corrected the device link from " + patches; });
}

SessionReport CorrectionSession::exportAbstract(const std::string& path)
{
    SessionReport report;
    if (!profile_) {
        report.summary = "Open a profile first";
        return report;
    }
    if (link_) {
        report.summary = "Could not export the correction: an abstract profile is made from a printer profile's "
                         "correction, not from a device link's";
        return report;
    }
    const std::string role = fileRoleOf(path);
    if (!role.empty()) {
        report.summary = "Did not save over " + path;
        report.fail("it is " + role);
        return report;
    }
    const LibraryLog::Mark mark = LibraryLog::mark();
    // The profile as opened: the corrected one with the opened tables put back.
    std::vector<uint8_t> bytes;
    auto opened = std::make_unique<csICCProfile>();
    if (profile_->writeToMemory(bytes) != 0 || opened->setProfile(bytes.data(), bytes.size()) != 0) {
        report.summary = "Could not export the correction: the profile could not be copied";
        report.add(LibraryLog::findingsSince(mark));
        return report;
    }
    for (const B2ATable& t : tables_) {
        ClutNodes nodes(opened->tagTable().find(b2aSignature(t.intent)));
        t.opened.restore(nodes);
    }
    std::vector<Lab> chart;
    for (const Patch& patch : patches_)
        if (patch.paired() && correctedIds_.count(patch.id))
            chart.push_back(patch.reference);
    AbstractOutcome outcome = correctionAsAbstract(*opened, *profile_, AbstractSettings(), chart);
    if (!outcome.profile) {
        report.summary = "Could not export the correction: " + outcome.message;
        return report;
    }
    stampProfile(*outcome.profile, fileNameOf(path), profileCopyright);
    std::vector<uint8_t> block;
    std::string reason;
    if (outcome.profile->writeToMemory(block) != 0 || !writeFileSafely(path, block, reason)) {
        report.summary = "Failed to open " + path;
        report.fail(reason.empty() ? "the abstract profile could not be written" : reason);
        return report;
    }
    report.ok = true;
    char text[256];
    std::snprintf(text, sizeof text, "Exported the correction as an abstract profile to %s (%s moved, by up to %.2f)",
                  path.c_str(), plural(outcome.nodesShifted, "node", "nodes").c_str(), outcome.largestShift);
    report.summary = text;
    return report;
}
