#pragma once
// The content of a report as bytes, for the program that sets the PDF
// (PdfHelper.h): every field, numbers bit for bit. The bytes are read back
// only by the same build, but checked as any input is.

#include "ReportContent.h"

#include <string>

std::string encodeReportContent(const ReportContent& content);

// False with the reason, content unspecified, when bytes are not one
// complete content of this encoding.
bool decodeReportContent(const std::string& bytes, ReportContent& content, std::string& problem);
