#pragma once
// The PDF of a report is set by a program of its own, vestrel-pdf-report,
// which links cairo and Pango: the programs that write reports, the window
// and vestrel-cli, load none of that at start and vestrel-cli starts as
// fast as before. The program stands in lib/vestrel beside the bin folder
// of the running program, in the build folder as when installed.

#include "ReportContent.h"

#include <string>

// Where the program is looked for.
std::string pdfHelperPath();

// Runs the program on content. False with one line of reason when it is
// missing, fails or gives no PDF.
bool pdfByHelper(const ReportContent& content, std::string& pdf, std::string& problem);
