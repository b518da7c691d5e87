#include "PdfText.h"

#include "TestSupport.h"

#include <cstdlib>

std::optional<PdfReading> readPdf(const std::string& pdf)
{
    if (std::system("pdftotext -v > /dev/null 2>&1") != 0 || std::system("pdfinfo -v > /dev/null 2>&1") != 0)
        return std::nullopt;
    TempDir dir;
    writeBytes(dir.path("report.pdf"), std::vector<uint8_t>(pdf.begin(), pdf.end()));
    PdfReading reading;
    const std::string text = "pdftotext -raw " + dir.path("report.pdf") + " " + dir.path("report.txt") + " 2>" +
                             dir.path("text.err");
    const std::string info = "pdfinfo " + dir.path("report.pdf") + " >" + dir.path("info.txt") + " 2>" +
                             dir.path("info.err");
    if (std::system(text.c_str()) != 0 || std::system(info.c_str()) != 0)
        reading.problems = "Poppler could not read the file; ";
    auto fileText = [&](const char* name) {
        const std::vector<uint8_t> bytes = readBytes(dir.path(name));
        return std::string(bytes.begin(), bytes.end());
    };
    reading.text = fileText("report.txt");
    reading.problems += fileText("text.err") + fileText("info.err");
    const std::string infoText = fileText("info.txt");
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
