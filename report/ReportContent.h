#pragma once
// The figures and texts of a report, gathered once from the session;
// each format lays them out its own way.

#include "ColorDifference.h"
#include "Plots.h"
#include "Tolerance.h"

#include <string>
#include <vector>

struct ReportField
{
    std::string label;
    std::string value;
};

struct ReportSection
{
    std::string title;
    std::vector<ReportField> fields;
};

struct ReportSummaryRow
{
    std::string label;
    // Delta E 1976 before and after, Delta E 2000 before and after.
    std::string figures[4];
    std::string limit;
    Verdict before;
    Verdict after;
};

struct ReportPatchRow
{
    std::string id;
    std::string name;
    bool hasReference, hasMeasured, hasResult;
    Lab reference, measured, remaining;
    double before1976, before2000; // when both values are there
    double after1976, after2000;   // with a result
    double leftOutBy = 0;          // left out of the correction: how far from what its neighbours predict
};

struct ReportContent
{
    std::string title;
    std::string created;
    std::vector<ReportSection> sections;
    DeltaEMetric metric;
    std::vector<ReportSummaryRow> summary;
    std::string verdict;
    PlotData plots;
    std::vector<ReportPatchRow> patches;
};

std::string htmlReport(const ReportContent& content);
