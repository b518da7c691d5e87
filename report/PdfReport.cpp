// The report on A4 pages: the sections and the summary, the plots, then
// the patch rows with their column titles on every page; each page numbered.

#include "FixedNumber.h"
#include "PdfWriter.h"
#include "ReportColumns.h"

#include <algorithm>

namespace {

// Page geometry and type sizes in points.
constexpr double marginX = 50;
constexpr double marginTop = 56;
constexpr double marginBottom = 60;
constexpr double contentWidth = PdfPage::width - 2 * marginX;
constexpr double bodySize = 9;
constexpr double tableSize = 7.5;
constexpr double headingSize = 13;
constexpr double titleSize = 18;
constexpr double lineGap = 1.35; // line height per type size
constexpr double cellPadding = 3;
constexpr double labelWidth = 110;
// A table cell shows at most this many lines, so that any row fits a page.
constexpr std::size_t cellLines = 4;
const Rgb8 ink{34, 34, 34};
const Rgb8 muted{100, 100, 100};
const Rgb8 rule{200, 200, 200};
const Rgb8 headerFill{238, 238, 238};
const Rgb8 passColour{22, 105, 44};
const Rgb8 failColour{176, 0, 32};

// Greedy line breaking at spaces; a word wider than the line is broken
// between characters (paths, digests).
std::vector<std::string> wrap(const std::string& text, double size, double width, bool bold = false)
{
    std::vector<std::string> lines;
    std::string line, word;
    auto fits = [&](const std::string& s) { return PdfPage::textWidth(s, size, bold) <= width; };
    auto place = [&](const std::string& w) {
        const std::string joined = line.empty() ? w : line + " " + w;
        if (fits(joined)) {
            line = joined;
            return;
        }
        if (!line.empty())
            lines.push_back(line);
        line.clear();
        std::size_t start = 0;
        while (start < w.size()) {
            // Whole UTF-8 sequences only: continuation bytes stay with their lead.
            std::size_t end = start + 1;
            while (end < w.size() && (fits(w.substr(start, end + 1 - start)) ||
                                      (static_cast<unsigned char>(w[end]) & 0xC0) == 0x80))
                ++end;
            line = w.substr(start, end - start);
            if (end < w.size())
                lines.push_back(line);
            start = end;
        }
    };
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty())
                place(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        place(word);
    if (!line.empty() || lines.empty())
        lines.push_back(line);
    return lines;
}

enum class Align { Left, Right };

struct Cell
{
    std::string text;
    Align align = Align::Left;
    Rgb8 colour = ink;
    bool bold = false;
    bool filled = false;
    Rgb8 fill = {255, 255, 255};
};

class Layout
{
public:
    Layout() { newPage(); }

    void newPage()
    {
        page_ = &document_.addPage();
        y_ = marginTop;
    }
    // Starts a new page unless height fits on this one.
    void need(double height)
    {
        if (y_ + height > PdfPage::height - marginBottom)
            newPage();
    }
    void title(const std::string& text, const std::string& created)
    {
        y_ += titleSize;
        page_->text({marginX, y_}, text, titleSize, ink, TextAnchor::Start, true);
        y_ += bodySize * lineGap + 2;
        page_->text({marginX, y_}, created, bodySize, muted);
        y_ += 6;
    }
    void heading(const std::string& text)
    {
        need(headingSize * 2 + bodySize * 3);
        y_ += headingSize * 1.6;
        page_->text({marginX, y_}, text, headingSize, ink, TextAnchor::Start, true);
        y_ += 4;
        page_->line({marginX, y_}, {marginX + contentWidth, y_}, rule, 0.5);
        y_ += 4;
    }
    void paragraph(const std::string& text, bool bold = false)
    {
        for (const std::string& line : wrap(text, bodySize, contentWidth, bold)) {
            need(bodySize * lineGap);
            y_ += bodySize * lineGap;
            page_->text({marginX, y_}, line, bodySize, ink, TextAnchor::Start, bold);
        }
        y_ += 3;
    }
    void field(const std::string& label, const std::string& value)
    {
        const std::vector<std::string> lines = wrap(value, bodySize, contentWidth - labelWidth);
        need(bodySize * lineGap * lines.size());
        page_->text({marginX, y_ + bodySize * lineGap}, label, bodySize, muted);
        for (const std::string& line : lines) {
            y_ += bodySize * lineGap;
            page_->text({marginX + labelWidth, y_}, line, bodySize, ink);
        }
    }
    // One table row; cells wrap within their widths. Returns false, drawing
    // nothing, when the row does not fit on this page.
    bool row(const std::vector<Cell>& cells, const std::vector<double>& widths, double size)
    {
        std::vector<std::vector<std::string>> lines;
        std::size_t most = 1;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            lines.push_back(wrap(cells[k].text, size, widths[k] - 2 * cellPadding, cells[k].bold));
            if (lines.back().size() > cellLines)
                lines.back().resize(cellLines);
            most = std::max(most, lines.back().size());
        }
        const double height = size * lineGap * most + 2;
        if (y_ + height > PdfPage::height - marginBottom)
            return false;
        double x = marginX;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            const Cell& c = cells[k];
            if (c.filled)
                page_->fillRect({x, y_, widths[k], height}, c.fill);
            double baseline = y_ + 1;
            for (const std::string& line : lines[k]) {
                baseline += size * lineGap;
                const bool right = c.align == Align::Right;
                page_->text({right ? x + widths[k] - cellPadding : x + cellPadding, baseline - size * 0.3}, line, size,
                            c.colour, right ? TextAnchor::End : TextAnchor::Start, c.bold);
            }
            x += widths[k];
        }
        y_ += height;
        page_->line({marginX, y_}, {x, y_}, rule, 0.4);
        return true;
    }
    PdfPage& page() { return *page_; }
    double y() const { return y_; }
    void advance(double height) { y_ += height; }

    std::string finish(const std::string& title)
    {
        const std::size_t pages = document_.pageCount();
        for (std::size_t i = 0; i < pages; ++i) {
            PdfPage& p = document_.page(i);
            const double baseline = PdfPage::height - marginBottom / 2;
            p.text({marginX, baseline}, title, tableSize, muted);
            p.text({marginX + contentWidth, baseline},
                   "Page " + std::to_string(i + 1) + " of " + std::to_string(pages), tableSize, muted,
                   TextAnchor::End);
        }
        return document_.finish(title);
    }

private:
    PdfDocument document_;
    PdfPage* page_ = nullptr;
    double y_ = 0;
};

Cell header(const char* text, Align align = Align::Left)
{
    return {text, align, ink, true, true, headerFill};
}

Cell number(const std::string& text)
{
    return {text, Align::Right};
}

Cell verdictCell(Verdict v)
{
    return {verdictText(v), Align::Left, v == Verdict::Pass ? passColour : v == Verdict::Fail ? failColour : ink,
            true};
}

void summaryTable(Layout& layout, const ReportContent& content)
{
    layout.heading("Summary");
    layout.paragraph("Delta E of the patches measured against their references (before) and as predicted after the "
                     "correction (after). Limits and verdict in " +
                     std::string(metricName(content.metric)) + ".");
    const std::vector<double> widths = {150, 48, 48, 48, 48, 42, 40, 40};
    std::vector<Cell> titles;
    for (int k = 0; k < 8; ++k)
        titles.push_back(header(summaryColumns[k], k > 0 && k < 6 ? Align::Right : Align::Left));
    layout.need(bodySize * 12);
    layout.row(titles, widths, bodySize);
    for (const ReportSummaryRow& r : content.summary) {
        std::vector<Cell> cells = {{r.label}};
        for (const std::string& figure : r.figures)
            cells.push_back(number(figure));
        cells.push_back(number(r.limit));
        cells.push_back(verdictCell(r.before));
        cells.push_back(verdictCell(r.after));
        layout.row(cells, widths, bodySize);
    }
    layout.advance(4);
    layout.paragraph(content.verdict, true);
}

void plots(Layout& layout, const ReportContent& content)
{
    constexpr double chartHeight = 300;
    layout.newPage();
    layout.heading("Plots");
    drawHistogram(layout.page(), {marginX, layout.y() + 4, contentWidth, chartHeight}, content.plots);
    layout.advance(chartHeight + 20);
    drawSortedDeltaE(layout.page(), {marginX, layout.y(), contentWidth, chartHeight}, content.plots);
    layout.newPage();
    drawAbPlane(layout.page(), {marginX, layout.y(), contentWidth, contentWidth + 20}, content.plots);
}

void patchTable(Layout& layout, const ReportContent& content)
{
    std::vector<double> widths;
    std::vector<Cell> titles;
    for (const PatchColumn& column : patchColumns)
        if (column.title) {
            widths.push_back(column.pdfWidth);
            titles.push_back(header(column.title, column.text ? Align::Left : Align::Right));
        }
    layout.newPage();
    layout.heading("Patches");
    layout.row(titles, widths, tableSize);
    for (const ReportPatchRow& r : content.patches) {
        std::vector<Cell> cells;
        for (const PatchColumn& column : patchColumns)
            if (column.title) {
                PageCell c = pageCell(column, r);
                cells.push_back({std::move(c.text), c.number ? Align::Right : Align::Left, ink, false, c.filled, c.fill});
            }
        if (layout.row(cells, widths, tableSize))
            continue;
        layout.newPage();
        layout.row(titles, widths, tableSize);
        layout.row(cells, widths, tableSize);
    }
}

} // namespace

std::string pdfReport(const ReportContent& content)
{
    Layout layout;
    layout.title(content.title, "Created " + content.created + " by Vestrel");
    for (const ReportSection& section : content.sections) {
        layout.heading(section.title);
        for (const ReportField& f : section.fields)
            layout.field(f.label, f.value);
    }
    summaryTable(layout, content);
    plots(layout, content);
    patchTable(layout, content);
    return layout.finish(content.title);
}
