#include "PdfText.h"

#include "TestSupport.h"

#include <cstdlib>

std::optional<PdfReading> readPdf(const std::string& pdf)
{
    if (std::system("pdftotext -v > /dev/null 2>&1") != 0 || std::system("pdfinfo -v > /dev/null 2>&1") != 0)
        return std::nullopt;
    TempDir dir;
    writeText(dir.path("report.pdf"), pdf);
    PdfReading reading;
    const std::string text = "pdftotext -raw " + dir.path("report.pdf") + " " + dir.path("report.txt") + " 2>" +
                             dir.path("text.err");
    const std::string info = "pdfinfo " + dir.path("report.pdf") + " >" + dir.path("info.txt") + " 2>" +
                             dir.path("info.err");
    if (std::system(text.c_str()) != 0 || std::system(info.c_str()) != 0)
        reading.problems = "Poppler could not read the file; ";
    reading.text = readText(dir.path("report.txt"));
    reading.problems += readText(dir.path("text.err")) + readText(dir.path("info.err"));
    const std::string infoText = readText(dir.path("info.txt"));
    const std::size_t pages = infoText.find("\nPages:");
    if (pages != std::string::npos)
        reading.pages = std::atoi(infoText.c_str() + pages + 7);
    const std::size_t title = infoText.rfind("Title:", 0) == 0 ? 0 : infoText.find("\nTitle:");
    if (title != std::string::npos) {
        const std::size_t start = infoText.find_first_not_of(' ', infoText.find(':', title) + 1);
        reading.title = infoText.substr(start, infoText.find('\n', start) - start);
    }
    return reading;
}
