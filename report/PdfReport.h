#pragma once
// The report on A4 pages, drawn by cairo with text set by Pango. Only the
// program vestrel-pdf-report links this (see PdfHelper.h).

#include "ReportContent.h"

#include <string>

// The PDF file; empty when cairo could not make it.
std::string pdfReport(const ReportContent& content);
