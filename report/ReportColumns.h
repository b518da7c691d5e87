#pragma once
// The columns of the report's tables, one list for every format: the patch
// rows' title on the pages (HTML and PDF) and name in the CSV, how each
// cell comes from a row, and the column's width on the PDF page.

#include "ReportContent.h"

#include <optional>
#include <string>

struct PatchColumn
{
    const char* title;   // on the pages; nullptr: in the CSV only
    const char* csvName;
    double pdfWidth;     // points
    bool graded;         // a Delta E: its cell on its grade colour
    // A column holds text or numbers: one of the two is set. No number
    // where the row has no value there.
    std::string (*text)(const ReportPatchRow& row);
    std::optional<double> (*number)(const ReportPatchRow& row);
};

extern const PatchColumn patchColumns[16];

// Titles of the summary table.
extern const char* const summaryColumns[8];

// A cell as the pages show it: numbers to two decimals, right-aligned; a
// Delta E on the grade colour the window gives it.
struct PageCell
{
    std::string text;
    bool number = false;
    bool filled = false;
    Rgb8 fill = {255, 255, 255};
};

PageCell pageCell(const PatchColumn& column, const ReportPatchRow& row);
