#include "CairoCanvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>

namespace {

// The reports' face as the HTML report names it; fontconfig takes a
// metric twin of Helvetica (Liberation Sans) where there is one, else the
// system's sans-serif.
constexpr char family[] = "Helvetica, Arial, sans-serif";

} // namespace

#ifdef __SANITIZE_ADDRESS__
// fontconfig's patterns keep what they point to as offsets, which the leak
// check cannot follow; the font caches Pango and cairo keep for the whole
// run would be reported at every exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
// Quietly: the program's standard error is for what went wrong.
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}
#endif

// Pango refuses invalid bytes, and control characters from a patch file
// would show as boxes.
std::string CairoCanvas::settable(const std::string& text)
{
    const std::unique_ptr<gchar, decltype(&g_free)> valid(g_utf8_make_valid(text.data(), text.size()), g_free);
    std::string line;
    for (const char* c = valid.get(); *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '\t' || byte == '\n' || byte == '\r')
            line += ' ';
        else if (byte >= 0x20 && byte != 0x7F)
            line += *c;
    }
    return line;
}

CairoCanvas::CairoCanvas(cairo_t* cairo)
    : cairo_(cairo), layout_(pango_cairo_create_layout(cairo))
{
    PangoContext* context = pango_layout_get_context(layout_);
    const std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> options(
        cairo_font_options_create(), cairo_font_options_destroy);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options.get());
    // Glyphs at their own positions, not rounded to whole points.
    pango_context_set_round_glyph_positions(context, FALSE);
    pango_layout_context_changed(layout_);
    // A word broken within, a path or a digest, gets no hyphen that is not in it.
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
    cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_ROUND);
}

CairoCanvas::~CairoCanvas()
{
    g_object_unref(layout_);
}

void CairoCanvas::layOut(const std::string& text, double size, bool bold, double width)
{
    const std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> font(
        pango_font_description_from_string(family), pango_font_description_free);
    pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout_, font.get());
    pango_layout_set_width(layout_, width < 0 ? -1 : static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    const std::string line = settable(text);
    pango_layout_set_text(layout_, line.data(), static_cast<int>(line.size()));
}

double CairoCanvas::textWidth(const std::string& text, double size, bool bold)
{
    layOut(text, size, bold);
    PangoRectangle logical;
    pango_layout_line_get_extents(pango_layout_get_line_readonly(layout_, 0), nullptr, &logical);
    return static_cast<double>(logical.width) / PANGO_SCALE;
}

std::vector<std::string> CairoCanvas::lines(const std::string& text, double size, double width, bool bold)
{
    layOut(text, size, bold, width);
    const std::string laidOut = pango_layout_get_text(layout_);
    std::vector<std::string> lines;
    for (GSList* l = pango_layout_get_lines_readonly(layout_); l; l = l->next) {
        const PangoLayoutLine* line = static_cast<const PangoLayoutLine*>(l->data);
        std::string part = laidOut.substr(static_cast<std::size_t>(line->start_index),
                                          static_cast<std::size_t>(line->length));
        // The space a line was broken at stays with the line before.
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        lines.push_back(std::move(part));
    }
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

void CairoCanvas::setColour(const Rgb8& colour)
{
    cairo_set_source_rgb(cairo_, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
}

void CairoCanvas::stroke(const Rgb8& colour, double width)
{
    setColour(colour);
    cairo_set_line_width(cairo_, width);
    cairo_stroke(cairo_);
}

void CairoCanvas::line(PlotPoint from, PlotPoint to, const Rgb8& colour, double width)
{
    cairo_move_to(cairo_, from.x, from.y);
    cairo_line_to(cairo_, to.x, to.y);
    stroke(colour, width);
}

void CairoCanvas::polyline(const std::vector<PlotPoint>& points, const Rgb8& colour, double width)
{
    if (points.empty())
        return;
    for (const PlotPoint& p : points)
        cairo_line_to(cairo_, p.x, p.y);
    stroke(colour, width);
}

void CairoCanvas::fillRect(const PlotRect& rect, const Rgb8& colour)
{
    cairo_rectangle(cairo_, rect.x, rect.y, rect.width, rect.height);
    setColour(colour);
    cairo_fill(cairo_);
}

void CairoCanvas::fillPolygon(const std::vector<PlotPoint>& points, const Rgb8& colour)
{
    if (points.empty())
        return;
    for (const PlotPoint& p : points)
        cairo_line_to(cairo_, p.x, p.y);
    cairo_close_path(cairo_);
    setColour(colour);
    cairo_fill(cairo_);
}

void CairoCanvas::circle(PlotPoint centre, double radius, const Rgb8& fill, const Rgb8& outline, double outlineWidth)
{
    cairo_new_sub_path(cairo_);
    cairo_arc(cairo_, centre.x, centre.y, radius, 0, 2 * M_PI);
    setColour(fill);
    if (outlineWidth > 0) {
        cairo_fill_preserve(cairo_);
        stroke(outline, outlineWidth);
    } else {
        cairo_fill(cairo_);
    }
}

void CairoCanvas::text(PlotPoint at, const std::string& text, double size, const Rgb8& colour, TextAnchor anchor,
                       bool bold)
{
    layOut(text, size, bold);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout_, 0);
    PangoRectangle logical;
    pango_layout_line_get_extents(line, nullptr, &logical);
    const double width = static_cast<double>(logical.width) / PANGO_SCALE;
    const double x = at.x - (anchor == TextAnchor::Middle ? width / 2 : anchor == TextAnchor::End ? width : 0);
    setColour(colour);
    // A line is drawn from its baseline's left end.
    cairo_move_to(cairo_, x, at.y);
    pango_cairo_show_layout_line(cairo_, line);
    cairo_new_path(cairo_);
}
