#pragma once
// PDF reports read back by Poppler (pdftotext, pdfinfo): glyphs mapped
// back to Unicode through the fonts' maps, independently of cairo.

#include <optional>
#include <string>

struct PdfReading
{
    std::string text;     // pdftotext -raw: one line per baseline, in drawing order
    int pages = 0;
    std::string title;    // of the document's information
    std::string problems; // what Poppler said on stderr about the file
};

// Nothing when Poppler's tools are not installed.
std::optional<PdfReading> readPdf(const std::string& pdf);
