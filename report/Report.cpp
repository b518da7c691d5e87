#include "Report.h"

#include "FixedNumber.h"
#include "PathNames.h"
#include "PdfHelper.h"
#include "ReportColumns.h"
#include "SafeFileWriter.h"
#include "csICCProfile.h"

#include <algorithm>
#include <cstdio>

namespace {

// The CSV carries more decimals than the pages, for checking by program.
constexpr int csvDecimals = 4;

std::string deviceClassText(csSignature signature)
{
    struct Name
    {
        const char* signature;
        const char* text;
    };
    static const Name names[] = {{"prtr", "output device"}, {"scnr", "input device"}, {"mntr", "display"},
                                 {"link", "device link"},   {"spac", "colour space"}, {"abst", "abstract"},
                                 {"nmcl", "named colour"}};
    const std::string code = csSigText(signature).text;
    for (const Name& name : names)
        if (code == name.signature)
            return std::string(name.text) + " ('" + code + "')";
    return "'" + code + "'";
}

std::string dateText(const csDateTime& d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", d.year, d.month, d.day, d.hours, d.minutes);
    return text;
}

std::string count(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

ReportSection profileSection(const CorrectionSession& session)
{
    ReportSection section{"Profile", {}};
    const csICCProfile* profile = session.profile();
    if (!profile) {
        section.fields.push_back({"File", "no profile open"});
        return section;
    }
    const csICCProfileHeader& header = profile->header();
    const csICCVersion version = header.version();
    const ProfileDigests digests = session.digests();
    section.fields = {
        {"File", session.profilePath()},
        {"Description", session.openedDescription().empty() ? "-" : session.openedDescription()},
        {"Class", deviceClassText(header.deviceClass())},
        {"Colour space", std::string(header.colorSpaceText()) + ", PCS " + header.pcsText()},
        {"Version", std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                        std::to_string(version.fix)},
        {"MD5 as opened", digests.original},
        {"MD5 corrected",
         digests.corrected.empty() ? "-"
         : digests.correctedSaved  ? digests.corrected + " (the file saved as " + digests.savedPath + ")"
                                   : digests.corrected + " (not saved: the profile as it would be written now; "
                                                         "saving stamps it, which changes the digest)"},
    };
    return section;
}

ReportSection dataSection(const CorrectionSession& session)
{
    ReportSection section{"Data", {}};
    const std::vector<Patch>& patches = session.patches();
    const std::size_t paired = std::count_if(patches.begin(), patches.end(), [](const Patch& p) { return p.paired(); });
    section.fields = {{"Reference", session.referencePath().empty() ? "-" : session.referencePath()}};
    const std::vector<std::string>& measurements = session.measurementPaths();
    if (measurements.size() > 1) {
        for (std::size_t i = 0; i < measurements.size(); ++i)
            section.fields.push_back({"Measurement " + std::to_string(i + 1), measurements[i]});
        section.fields.push_back({"Repeats", count(measurements.size(), "file", "files") + " averaged per patch (" +
                                                 (measurements.size() == 2 ? "the mean" : "the median") +
                                                 "); patches whose readings lie more than " +
                                                 fixedNumber(repeatsDisagree, 1) +
                                                 " Delta E 1976 apart are left out"});
    } else {
        section.fields.push_back(
            {"Measurement", session.measurementPath().empty() ? "-" : session.measurementPath()});
    }
    section.fields.push_back({"Patches", std::to_string(paired) + " of " + count(patches.size(), "patch", "patches") +
                                             " with reference and measured values"});
    const std::string covered = describeCoverage(session.coverage()).english();
    if (!covered.empty())
        section.fields.push_back({"Coverage", covered});
    if (session.roundTripOn())
        section.fields.push_back({"Measured values", "replaced by the profile's own round-trip prediction"});
    return section;
}

ReportSection methodSection(const CorrectionSession& session)
{
    ReportSection section{"Correction", {}};
    const AppliedCorrection& applied = session.applied();
    if (!applied.done) {
        section.fields.push_back({"Method", "none applied"});
        return section;
    }
    if (applied.method == CorrectionMethod::Smooth) {
        section.fields.push_back({"Method", "Smooth: all patches solved together, every chosen B2A table corrected"});
        section.fields.push_back({"Instrument noise", fixedNumber(applied.smooth.fieldNoise, 2) + " per L*, a*, b*"});
        for (const SmoothTableReport& t : applied.tables) {
            std::string text = std::to_string(t.nodesMoved) + " of " + std::to_string(t.nodes) +
                               " nodes moved, largest move " + fixedNumber(100.0 * t.largestMove, 1) + " %";
            if (!t.sharedWith.empty())
                text += ", shared with " + t.sharedWith;
            section.fields.push_back({"B2A" + std::to_string(t.intent), text});
        }
    } else {
        section.fields.push_back({"Method", "Per patch: the nodes around each chosen patch in B2A1"});
    }
    section.fields.push_back({"Patches corrected", std::to_string(applied.patches)});
    std::vector<std::string> ids;
    std::vector<double> sizes;
    for (std::size_t i = 0; i < session.patches().size(); ++i)
        if (session.leftOut(i)) {
            ids.push_back(session.patches()[i].id);
            sizes.push_back(session.outlierSize(i));
        }
    if (!ids.empty())
        section.fields.push_back(
            {"Left out (disagree with their neighbours)", describeOutliers(ids, sizes, ids.size())});
    if (session.handEditedNodes() > 0)
        section.fields.push_back({"Nodes edited by hand", std::to_string(session.handEditedNodes())});
    section.fields.push_back({"After", "predicted through the corrected profile; a new print and measurement "
                                       "confirm it"});
    return section;
}

ReportContent gather(const CorrectionSession& session, const ReportOptions& options)
{
    ReportContent content;
    content.title = "Correction report" + (session.hasProfile() ? ": " + fileNameOf(session.profilePath()) : "");
    content.created = dateText(csCurrentDateTime());
    content.sections = {profileSection(session), dataSection(session), methodSection(session)};
    content.metric = options.metric;

    const DeltaESummary summaries[4] = {session.before(DeltaEMetric::CIE1976), session.after(DeltaEMetric::CIE1976),
                                        session.before(DeltaEMetric::CIE2000), session.after(DeltaEMetric::CIE2000)};
    const int chosen = options.metric == DeltaEMetric::CIE2000 ? 2 : 0;
    const ToleranceVerdict before = judge(summaries[chosen], options.limits);
    const ToleranceVerdict after = judge(summaries[chosen + 1], options.limits);
    bool all[4], neutral[4];
    for (int k = 0; k < 4; ++k) {
        all[k] = summaries[k].count > 0;
        neutral[k] = summaries[k].neutralCount > 0;
    }
    // One row per limit: its figure in both metrics, before and after.
    auto row = [&](std::string label, double DeltaESummary::*figure, Verdict ToleranceVerdict::*verdict,
                   double limit, const bool (&shown)[4]) {
        ReportSummaryRow r{std::move(label), {}, fixedNumber(limit, 2), before.*verdict, after.*verdict};
        for (int k = 0; k < 4; ++k)
            r.figures[k] = shown[k] ? fixedNumber(summaries[k].*figure, 2) : "-";
        return r;
    };
    const ToleranceLimits& limits = options.limits;
    content.summary = {
        row("Mean", &DeltaESummary::mean, &ToleranceVerdict::mean, limits.mean, all),
        row("Maximum", &DeltaESummary::maximum, &ToleranceVerdict::maximum, limits.maximum, all),
        row("Near-neutral mean (" + count(summaries[0].neutralCount, "patch", "patches") + ", C*ab < " +
                fixedNumber(neutralChromaLimit, 0) + ")",
            &DeltaESummary::neutralMean, &ToleranceVerdict::neutralMean, limits.neutralMean, neutral),
    };
    auto overall = [](const ToleranceVerdict& v, bool any) {
        return !any ? "-" : v.passed() ? "pass" : "fail";
    };
    const std::string scope = verdictScope(session.coverage());
    content.verdict = std::string("Verdict in ") + metricName(options.metric) + (scope.empty() ? "" : " " + scope) +
                      ": before " +
                      overall(before, summaries[chosen].count > 0) + ", after the correction " +
                      overall(after, summaries[chosen + 1].count > 0);
    content.plots = plotDataOf(session.patches(), options.metric, options.limits, {});

    for (const Patch& p : session.patches()) {
        ReportPatchRow row{p.id, std::string(p.hasReference ? p.referenceName : p.measuredName), p.hasReference,
                           p.hasMeasured, p.hasResult, p.reference, p.measured, p.remaining, 0, 0, 0, 0};
        if (p.paired()) {
            row.before1976 = p.measuredDeltaE(DeltaEMetric::CIE1976);
            row.before2000 = p.measuredDeltaE(DeltaEMetric::CIE2000);
        }
        if (p.hasResult) {
            row.after1976 = p.remainingDeltaE(DeltaEMetric::CIE1976);
            row.after2000 = p.remainingDeltaE(DeltaEMetric::CIE2000);
        }
        row.leftOutBy = session.outlierSize(content.patches.size());
        content.patches.push_back(std::move(row));
    }
    return content;
}

// RFC 4180: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Text a spreadsheet would run as a formula when it begins with one of
// these gets a leading apostrophe, which shows the text as written.
std::string csvTextField(const std::string& text)
{
    static const std::string formulaStarts = "=+-@\t\r";
    const bool formulaLike = !text.empty() && formulaStarts.find(text[0]) != std::string::npos;
    return csvField(formulaLike ? "'" + text : text);
}

std::string csvReport(const ReportContent& content)
{
    std::string text;
    for (const PatchColumn& column : patchColumns)
        text += (text.empty() ? "" : ",") + std::string(column.csvName);
    text += "\r\n";
    for (const ReportPatchRow& row : content.patches) {
        bool first = true;
        for (const PatchColumn& column : patchColumns) {
            if (!first)
                text += ',';
            first = false;
            if (column.text) {
                text += csvTextField(column.text(row));
            } else if (const std::optional<double> value = column.number(row)) {
                text += fixedNumber(*value, csvDecimals);
            }
        }
        text += "\r\n";
    }
    return text;
}

} // namespace

bool reportFormatFor(const std::string& path, ReportFormat& format)
{
    const std::string suffix = lowerSuffix(path);
    if (suffix == "html" || suffix == "htm")
        format = ReportFormat::Html;
    else if (suffix == "pdf")
        format = ReportFormat::Pdf;
    else if (suffix == "csv")
        format = ReportFormat::Csv;
    else
        return false;
    return true;
}

std::string reportText(const CorrectionSession& session, const ReportOptions& options, ReportFormat format,
                       std::string* problem)
{
    const ReportContent content = gather(session, options);
    switch (format) {
    case ReportFormat::Html: return htmlReport(content);
    case ReportFormat::Csv: return csvReport(content);
    case ReportFormat::Pdf: {
        std::string pdf, reason;
        if (!pdfByHelper(content, pdf, reason) && problem)
            *problem = reason;
        return pdf;
    }
    }
    return {};
}

SessionReport writeReport(const CorrectionSession& session, const ReportOptions& options, const std::string& path)
{
    SessionReport report;
    ReportFormat format;
    if (!reportFormatFor(path, format)) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not write %1: a report file ends in .html, .pdf or .csv"),
                                  path));
        return report;
    }
    // A report never takes the place of a file the session depends on.
    const EngineText role = session.fileRoleOf(path);
    if (!role.empty()) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not write %1: it is %2"), path, role));
        return report;
    }
    std::string unmade;
    const std::string text = reportText(session, options, format, &unmade);
    EngineText reason(unmade);
    if (text.empty() || !writeFileSafely(path, std::vector<uint8_t>(text.begin(), text.end()), reason)) {
        report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Could not write %1"), path));
        report.fail(reason);
        return report;
    }
    report.ok = true;
    report.say(EngineText::of(QT_TRANSLATE_NOOP("Engine", "Report written to %1"), path));
    return report;
}
