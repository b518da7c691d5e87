// The report on A4 pages: the sections and the summary, the plots, then
// the patch rows with their column titles on every page; each page numbered.

#include "PdfReport.h"

#include "CairoCanvas.h"
#include "ReportColumns.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <memory>

namespace {

// A4 in points.
constexpr double pageWidth = 595.28;
constexpr double pageHeight = 841.89;
// Page geometry and type sizes in points.
constexpr double marginX = 50;
constexpr double marginTop = 56;
constexpr double marginBottom = 60;
constexpr double contentWidth = pageWidth - 2 * marginX;
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

// One page, recorded: the footer's "of N" is known only once every page
// is laid out, and a PDF surface takes its pages in order.
struct Page
{
    Page()
        : surface(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &area), cairo_surface_destroy),
          cairo(cairo_create(surface.get()), cairo_destroy), canvas(cairo.get())
    {
    }
    static constexpr cairo_rectangle_t area{0, 0, pageWidth, pageHeight};
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface;
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo;
    CairoCanvas canvas;
};

cairo_status_t append(void* file, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(file)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

class Layout
{
public:
    Layout() { newPage(); }

    void newPage()
    {
        pages_.push_back(std::make_unique<Page>());
        page_ = &pages_.back()->canvas;
        y_ = marginTop;
    }
    // Starts a new page unless height fits on this one.
    void need(double height)
    {
        if (y_ + height > pageHeight - marginBottom)
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
        for (const std::string& line : page_->lines(text, bodySize, contentWidth, bold)) {
            need(bodySize * lineGap);
            y_ += bodySize * lineGap;
            page_->text({marginX, y_}, line, bodySize, ink, TextAnchor::Start, bold);
        }
        y_ += 3;
    }
    void field(const std::string& label, const std::string& value)
    {
        const std::vector<std::string> lines = page_->lines(value, bodySize, contentWidth - labelWidth);
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
            lines.push_back(page_->lines(cells[k].text, size, widths[k] - 2 * cellPadding, cells[k].bold));
            if (lines.back().size() > cellLines)
                lines.back().resize(cellLines);
            most = std::max(most, lines.back().size());
        }
        const double height = size * lineGap * most + 2;
        if (y_ + height > pageHeight - marginBottom)
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
    CairoCanvas& page() { return *page_; }
    double y() const { return y_; }
    void advance(double height) { y_ += height; }

    std::string finish(const std::string& title)
    {
        std::string file;
        const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> pdf(
            cairo_pdf_surface_create_for_stream(append, &file, pageWidth, pageHeight), cairo_surface_destroy);
        // A file name in another encoding would put cairo in an error state.
        cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_TITLE, CairoCanvas::settable(title).c_str());
        cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_CREATOR, "Vestrel");
        const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(pdf.get()), cairo_destroy);
        const std::size_t count = pages_.size();
        for (std::size_t i = 0; i < count; ++i) {
            Page& p = *pages_[i];
            const double baseline = pageHeight - marginBottom / 2;
            p.canvas.text({marginX, baseline}, title, tableSize, muted);
            p.canvas.text({marginX + contentWidth, baseline},
                          "Page " + std::to_string(i + 1) + " of " + std::to_string(count), tableSize, muted,
                          TextAnchor::End);
            cairo_set_source_surface(cairo.get(), p.surface.get(), 0, 0);
            cairo_paint(cairo.get());
            cairo_show_page(cairo.get());
        }
        cairo_surface_finish(pdf.get());
        return cairo_status(cairo.get()) == CAIRO_STATUS_SUCCESS &&
                       cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS
                   ? file
                   : std::string();
    }

private:
    std::vector<std::unique_ptr<Page>> pages_;
    CairoCanvas* page_ = nullptr;
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
