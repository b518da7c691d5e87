#pragma once
// The report of a correction, to archive or hand to the customer: the
// profile with its digests, the data files, the method and its parameters,
// the summary before and after with the verdict, the plots, and one row
// per patch. An HTML file that holds everything it shows, an A4 PDF, and a
// CSV of the patch rows all come from the same figures.

#include "ColorDifference.h"
#include "CorrectionSession.h"
#include "Tolerance.h"

#include <string>

enum class ReportFormat { Html, Pdf, Csv };

// The format a file name asks for by its suffix (.html or .htm, .pdf, .csv,
// in any case); false for any other.
bool reportFormatFor(const std::string& path, ReportFormat& format);

struct ReportOptions
{
    // The metric of the verdict and the plots; the summary and the rows
    // give both.
    DeltaEMetric metric = DeltaEMetric::CIE1976;
    ToleranceLimits limits;
};

// The report's bytes. A PDF is set by a program of its own (see PdfHelper.h);
// when that fails the text is empty, with the reason in problem.
std::string reportText(const CorrectionSession& session, const ReportOptions& options, ReportFormat format,
                       std::string* problem = nullptr);

// Writes the report safely (an existing file is replaced only by a
// complete one), in the format the suffix of path asks for.
SessionReport writeReport(const CorrectionSession& session, const ReportOptions& options, const std::string& path);
