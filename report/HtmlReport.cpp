// The report as one XHTML file that needs nothing else: the style sheet
// inline, the plots as inline SVG, no script and no link to anything.

#include "FixedNumber.h"
#include "ReportColumns.h"
#include "SvgCanvas.h"
#include "TextEncoding.h"

#include <cstdio>

namespace {

// Plot sizes in CSS pixels.
constexpr double plotWidth = 520;
constexpr double chartHeight = 300;

const char styleSheet[] = R"(
body { font-family: Helvetica, Arial, sans-serif; font-size: 14px; color: #222; margin: 24px; }
h1 { font-size: 22px; margin-bottom: 2px; }
h2 { font-size: 17px; margin-top: 26px; border-bottom: 1px solid #ccc; }
p.created { color: #666; margin-top: 0; }
table { border-collapse: collapse; }
table.fields th { text-align: left; font-weight: normal; color: #555; padding: 2px 16px 2px 0; vertical-align: top; }
table.fields td { padding: 2px 0; word-break: break-all; }
table.summary th, table.summary td, table.patches th, table.patches td { border: 1px solid #ddd; padding: 3px 7px; }
table.summary th, table.patches th { background: #f2f2f2; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
td.pass { color: #16692c; font-weight: bold; }
td.fail { color: #b00020; font-weight: bold; }
p.verdict { font-weight: bold; }
div.plots { display: flex; flex-wrap: wrap; gap: 16px; }
div.plots svg { width: 640px; max-width: 100%; height: auto; border: 1px solid #eee; }
table.patches { font-size: 12px; }
@media print { div.plots svg { page-break-inside: avoid; } tr { page-break-inside: avoid; } }
)";

std::string cell(const std::string& text, const char* cls = nullptr)
{
    return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + xmlEscaped(text) + "</td>";
}

// Numbers right-aligned; a Delta E on its grade colour, as in the window.
std::string cell(const PageCell& c)
{
    if (!c.filled)
        return cell(c.text, c.number ? "n" : nullptr);
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c.fill.r & 0xFF, c.fill.g & 0xFF, c.fill.b & 0xFF);
    return std::string("<td class=\"n\" style=\"background:") + colour + "\">" + xmlEscaped(c.text) + "</td>";
}

std::string section(const ReportSection& s)
{
    std::string html = "<h2>" + xmlEscaped(s.title) + "</h2>\n<table class=\"fields\">\n";
    for (const ReportField& f : s.fields)
        html += "<tr><th>" + xmlEscaped(f.label) + "</th>" + cell(f.value) + "</tr>\n";
    return html + "</table>\n";
}

std::string summary(const ReportContent& content)
{
    std::string html = "<h2>Summary</h2>\n<p>Delta E of the patches measured against their references (before) and "
                       "as predicted after the correction (after). Limits and verdict in " +
                       std::string(metricName(content.metric)) + ".</p>\n<table class=\"summary\" id=\"summary\">\n<tr>";
    for (const char* column : summaryColumns)
        html += "<th>" + xmlEscaped(column) + "</th>";
    html += "</tr>\n";
    for (const ReportSummaryRow& row : content.summary) {
        html += "<tr>" + cell(row.label);
        for (const std::string& figure : row.figures)
            html += cell(figure, "n");
        html += cell(row.limit, "n") + cell(verdictText(row.before), verdictText(row.before)) +
                cell(verdictText(row.after), verdictText(row.after)) + "</tr>\n";
    }
    return html + "</table>\n<p class=\"verdict\">" + xmlEscaped(content.verdict) + "</p>\n";
}

std::string plots(const ReportContent& content)
{
    std::string html = "<h2>Plots</h2>\n<div class=\"plots\">\n";
    SvgCanvas histogram(plotWidth, chartHeight);
    drawHistogram(histogram, {0, 0, plotWidth, chartHeight}, content.plots);
    SvgCanvas sorted(plotWidth, chartHeight);
    drawSortedDeltaE(sorted, {0, 0, plotWidth, chartHeight}, content.plots);
    SvgCanvas plane(plotWidth, plotWidth);
    drawAbPlane(plane, {0, 0, plotWidth, plotWidth}, content.plots);
    return html + histogram.finish() + sorted.finish() + plane.finish() + "</div>\n";
}

std::string patchTable(const ReportContent& content)
{
    std::string html = "<h2>Patches</h2>\n<table class=\"patches\" id=\"patches\">\n<tr>";
    for (const PatchColumn& column : patchColumns)
        if (column.title)
            html += "<th>" + xmlEscaped(column.title) + "</th>";
    html += "</tr>\n";
    for (const ReportPatchRow& row : content.patches) {
        html += "<tr>";
        for (const PatchColumn& column : patchColumns)
            if (column.title)
                html += cell(pageCell(column, row));
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::string htmlReport(const ReportContent& content)
{
    std::string html = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\" xml:lang=\"en\">\n<head>\n"
                       "<meta charset=\"UTF-8\"/>\n<title>" +
                       xmlEscaped(content.title) + "</title>\n<style>" + styleSheet + "</style>\n</head>\n<body>\n";
    html += "<h1>" + xmlEscaped(content.title) + "</h1>\n<p class=\"created\">Created " + xmlEscaped(content.created) +
            " by Vestrel</p>\n";
    for (const ReportSection& s : content.sections)
        html += section(s);
    html += summary(content) + plots(content) + patchTable(content);
    return html + "</body>\n</html>\n";
}
