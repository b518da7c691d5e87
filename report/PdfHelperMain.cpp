// vestrel-pdf-report: the content of a report on standard input (as
// ReportTransfer encodes it), its PDF on standard output. Run by the window
// and vestrel-cli (PdfHelper.h), not by people.

#include "PdfReport.h"
#include "ReportTransfer.h"

#include <cstdio>
#include <string>

namespace {

// Far more than the content of the largest chart.
constexpr std::size_t maxContentBytes = std::size_t(256) << 20;

int fail(const std::string& problem)
{
    std::fprintf(stderr, "vestrel-pdf-report: %s\n", problem.c_str());
    return 1;
}

} // namespace

int main()
{
    std::string bytes;
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        if (bytes.size() + n > maxContentBytes)
            return fail("the report content is larger than " + std::to_string(maxContentBytes >> 20) + " MiB");
        bytes.append(buffer, n);
    }
    if (std::ferror(stdin))
        return fail("could not read the report content");
    ReportContent content;
    std::string problem;
    if (!decodeReportContent(bytes, content, problem))
        return fail(problem);
    const std::string pdf = pdfReport(content);
    if (pdf.empty())
        return fail("cairo could not make the PDF");
    if (std::fwrite(pdf.data(), 1, pdf.size(), stdout) != pdf.size() || std::fflush(stdout) != 0)
        return fail("could not write the PDF");
    return 0;
}
