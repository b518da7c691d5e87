// The PDF report's own parts: text in any script set by Pango, the canvas
// on an image surface, the content's way to vestrel-pdf-report and what a
// missing or refusing program gives. PDFs are read back by Poppler.

#include "CairoCanvas.h"
#include "CorrectionSession.h"
#include "PdfHelper.h"
#include "PdfText.h"
#include "Plots.h"
#include "Report.h"
#include "ReportTransfer.h"
#include "TestSupport.h"
#include "TextEncoding.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/wait.h>

namespace {

// Whether some font here has every letter of text.
bool fontsCover(const std::string& text)
{
    for (char32_t c : utf8CodePoints(text)) {
        if (c == U' ')
            continue;
        FcPattern* pattern = FcPatternCreate();
        FcCharSet* letters = FcCharSetCreate();
        FcCharSetAddChar(letters, c);
        FcPatternAddCharSet(pattern, FC_CHARSET, letters);
        FcObjectSet* family = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* fonts = FcFontList(nullptr, pattern, family);
        const bool found = fonts && fonts->nfont > 0;
        if (fonts)
            FcFontSetDestroy(fonts);
        FcObjectSetDestroy(family);
        FcCharSetDestroy(letters);
        FcPatternDestroy(pattern);
        if (!found)
            return false;
    }
    return true;
}

// A measurement file of one patch per name.
std::string patchFile(const std::vector<std::string>& names)
{
    std::string file = "CGATS.17\nNUMBER_OF_FIELDS 8\nBEGIN_DATA_FORMAT\n"
                       "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\nEND_DATA_FORMAT\n"
                       "BEGIN_DATA\n";
    for (std::size_t k = 0; k < names.size(); ++k)
        file += std::to_string(k + 1) + " \"" + names[k] + "\" " + std::to_string(40 + k) + " 1 2 41 1 2\n";
    return file + "END_DATA\n";
}

int exitStatus(int systemResult)
{
    return WIFEXITED(systemResult) ? WEXITSTATUS(systemResult) : -1;
}

// The PDF report of the test profile saved as profileName with a patch of
// each name, as Poppler reads it; nothing without Poppler.
std::optional<PdfReading> namesReport(const std::string& profileName, const std::vector<std::string>& names)
{
    TempDir dir;
    writeBytes(dir.path(profileName), readBytes(testDataPath("cmyk_v2.icc")));
    CorrectionSession session;
    EXPECT_TRUE(session.openProfile(dir.path(profileName)).ok);
    EXPECT_TRUE(session.loadPatchText(patchFile(names), "names.txt", PatchFileRole::Measurement).ok);
    std::string problem;
    const std::string pdf = reportText(session, ReportOptions(), ReportFormat::Pdf, &problem);
    EXPECT_EQ(problem, "");
    return readPdf(pdf);
}

} // namespace

// Letters of every script come back from the PDF as written, each in a
// font that has it (Pango's fallback). A profile file name in Latin-1, not
// UTF-8, is the title with a replacement character, on the pages and in the
// document's information.
TEST(PdfReport, NamesInAnyScriptComeBackAsWritten)
{
    const std::vector<std::string> names = {"\xC5\x81\xC3\xB3" "d\xC5\xBA papier",
                                            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
                                            "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1", "Stra\xC3\x9F" "e \xE2\x82\xAC 5"};
    const std::optional<PdfReading> read = namesReport("caf\xE9.icc", names);
    if (!read)
        GTEST_SKIP() << "no pdftotext";
    EXPECT_EQ(read->problems, "");
    for (const std::string& name : names) {
        if (!fontsCover(name))
            ADD_FAILURE() << "no font for " << name << ": fonts-liberation or fonts-dejavu-core has them";
        EXPECT_NE(read->text.find(name), std::string::npos) << name;
    }
    EXPECT_NE(read->text.find("Correction report: caf\xEF\xBF\xBD.icc"), std::string::npos);
    EXPECT_EQ(read->title, "Correction report: caf\xEF\xBF\xBD.icc");
}

// A Japanese profile file name (the report's title on every page and in
// the document's information) and Japanese and Chinese patch names. They
// need a CJK font (fonts-droid-fallback, fonts-noto-cjk...).
TEST(PdfReport, JapaneseAndChineseShow)
{
    const std::string profile = "\xE5\x8D\xB0\xE5\x88\xB7\xE6\xA9\x9F.icc"; // 印刷機.icc
    const std::vector<std::string> names = {
        "\xE6\xA0\xA1\xE6\xAD\xA3\xE7\x94\xA8\xE7\xB4\x99",                      // 校正用紙
        "\xE3\x81\xB2\xE3\x82\x89\xE3\x81\x8C\xE3\x81\xAA",                      // ひらがな
        "\xE8\x89\xB2\xE5\xBD\xA9\xE6\xA0\xA1\xE6\xAD\xA3\xE7\xBA\xB8\xE5\xBC\xA0", // 色彩校正纸张
    };
    for (const std::string& text : {profile, names[0], names[1], names[2]})
        if (!fontsCover(text))
            GTEST_SKIP() << "no font here has the letters of " << text;
    const std::optional<PdfReading> read = namesReport(profile, names);
    if (!read)
        GTEST_SKIP() << "no pdftotext";
    EXPECT_EQ(read->problems, "");
    EXPECT_EQ(read->text.find('?'), std::string::npos) << read->text;
    for (const std::string& name : names)
        EXPECT_NE(read->text.find(name), std::string::npos) << name;
    EXPECT_NE(read->text.find("Correction report: " + profile), std::string::npos);
    EXPECT_NE(read->text.find("Page 4 of 4"), std::string::npos);
}

// On an image surface: shapes where and in the colour asked, text on the
// side of its point its anchor says, lines broken within their width.
TEST(CairoCanvas, DrawsWhereAskedAndBreaksLines)
{
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 120), cairo_surface_destroy);
    const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(surface.get()), cairo_destroy);
    CairoCanvas canvas(cairo.get());
    canvas.fillRect({0, 0, 300, 120}, {255, 255, 255});
    canvas.fillRect({10, 10, 30, 20}, {200, 40, 10});
    canvas.circle({80, 20}, 8, {10, 150, 60}, {0, 0, 0}, 1);
    canvas.fillPolygon({{120, 10}, {140, 10}, {130, 30}}, {20, 30, 220});
    canvas.text({150, 100}, "WWW", 24, {0, 0, 0}, TextAnchor::End);
    canvas.text({150, 100}, "MMM", 24, {0, 0, 0}, TextAnchor::Start);
    cairo_surface_flush(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    auto pixel = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, data + y * stride + 4 * x, 4);
        return Rgb8{int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)};
    };
    auto is = [](const Rgb8& a, const Rgb8& b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    EXPECT_TRUE(is(pixel(25, 20), {200, 40, 10}));
    EXPECT_TRUE(is(pixel(45, 20), {255, 255, 255}));
    EXPECT_TRUE(is(pixel(80, 20), {10, 150, 60}));
    EXPECT_TRUE(is(pixel(130, 14), {20, 30, 220}));
    EXPECT_TRUE(is(pixel(130, 32), {255, 255, 255}));
    // Ink on both sides of x = 150, none below the baseline (no descenders).
    int left = 0, right = 0, below = 0;
    for (int y = 70; y < 120; ++y)
        for (int x = 60; x < 250; ++x)
            if (!is(pixel(x, y), {255, 255, 255}))
                (y > 101 ? below : x < 150 ? left : right)++;
    EXPECT_GT(left, 50);
    EXPECT_GT(right, 50);
    EXPECT_EQ(below, 0);
    // Widths add up and scale with the size, within what kerning takes
    // (the face is whichever Helvetica twin the machine has).
    const double w = canvas.textWidth("WWW", 24);
    EXPECT_NEAR(w, 3 * canvas.textWidth("W", 24), 0.03 * w);
    EXPECT_NEAR(canvas.textWidth("WWW", 12), w / 2, 0.03 * w);

    struct Case { std::string text; double width; std::vector<std::string> lines; };
    const double word = canvas.textWidth("aaaa", 10);
    const Case cases[] = {
        {"aaaa bbbb cccc", canvas.textWidth("aaaa bbbb", 10) + 1, {"aaaa bbbb", "cccc"}},
        {"aaaa bbbb", 1000, {"aaaa bbbb"}},
        {"", 100, {""}},
        // A word wider than the line, as a path or a digest, breaks within.
        {"aaaabbbb", word + 1, {"aaaa", "bbbb"}},
        // Text without spaces, as Japanese, breaks between letters.
        {"\xE6\xA0\xA1\xE6\xAD\xA3\xE7\x94\xA8\xE7\xB4\x99",
         canvas.textWidth("\xE6\xA0\xA1\xE6\xAD\xA3", 10) + 1,
         {"\xE6\xA0\xA1\xE6\xAD\xA3", "\xE7\x94\xA8\xE7\xB4\x99"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(canvas.lines(c.text, 10, c.width), c.lines) << c.text;
}

namespace {

ReportContent sampleContent()
{
    ReportContent c;
    c.title = "Correction report: \xE5\x8D\xB0.icc";
    c.created = "2023-11-14 22:13";
    c.sections = {{"Profile", {{"File", "/a/b.icc"}, {"MD5", "00ff"}}}, {"Data", {}}};
    c.metric = DeltaEMetric::CIE2000;
    c.summary = {{"Mean", {"1.00", "0.50", "0.90", "-"}, "2.00", Verdict::Pass, Verdict::Fail},
                 {"Near-neutral", {"-", "-", "-", "-"}, "1.50", Verdict::None, Verdict::None}};
    c.verdict = "Verdict in Delta E 2000: before fail, after the correction pass";
    c.plots.metric = DeltaEMetric::CIE2000;
    c.plots.limits = {1.5, 4.5, 1.25};
    c.plots.patches = {{{50, 1, 2}, {51, -1, 2}, true, {50.5, 0, 2}, 2.25, 0.5, true},
                       {{20, 0, 0}, {20, 0, -0.0}, false, {0, 0, 0}, std::nan(""), 0, false}};
    c.plots.anySelected = true;
    c.plots.anyResult = true;
    c.plots.words.maximumLimit = "Grenze %1";
    c.patches = {{"A1", "white \"paper\"", true, true, true, {95, 0, -2}, {94, 1, -1}, {95, 0, -1.5}, 1.5, 1.2, 0.5,
                  0.4, 0},
                 {"A2", "", false, true, false, {}, {50, 60, 70}, {}, 0, 0, 0, 0, 7.25}};
    return c;
}

} // namespace

// The content reaches the program bit for bit; anything shorter, longer or
// of another version is refused, and damaged counts allocate nothing
// ahead of the bytes (AddressSanitizer watches the reads).
TEST(ReportTransfer, EveryFieldCrossesAndDamageIsRefused)
{
    const std::string bytes = encodeReportContent(sampleContent());
    ReportContent back;
    std::string problem;
    ASSERT_TRUE(decodeReportContent(bytes, back, problem)) << problem;
    EXPECT_EQ(encodeReportContent(back), bytes);
    EXPECT_EQ(back.title, sampleContent().title);
    EXPECT_EQ(back.patches[1].leftOutBy, 7.25);
    EXPECT_EQ(back.summary[0].after, Verdict::Fail);
    EXPECT_EQ(back.plots.words.maximumLimit, "Grenze %1");
    EXPECT_TRUE(std::isnan(back.plots.patches[1].before));
    EXPECT_TRUE(std::signbit(back.plots.patches[1].measured.b));

    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(decodeReportContent(bytes.substr(0, n), back, problem)) << n;
    EXPECT_FALSE(decodeReportContent(bytes + '\0', back, problem));
    EXPECT_FALSE(decodeReportContent("vestrel report content 2\n" + bytes.substr(25), back, problem));
    EXPECT_EQ(problem, "the report content is of another version");
    for (std::size_t n = 25; n < bytes.size(); ++n) {
        std::string damaged = bytes;
        damaged[n] = static_cast<char>(damaged[n] ^ 0xFF);
        decodeReportContent(damaged, back, problem);
    }
}

// The program refuses input that is no report content with one line on
// stderr and a failure status, and writes nothing on stdout.
TEST(PdfHelper, RefusesWhatIsNoReportContent)
{
    TempDir dir;
    const std::string content = encodeReportContent(sampleContent());
    struct Case { std::string input; const char* message; }; // no message: the PDF on stdout
    const Case cases[] = {
        {"%PDF-1.4\n", "the report content is of another version"},
        {"", "the report content is of another version"},
        {content.substr(0, content.size() - 3), "the report content is incomplete or damaged"},
        {content, nullptr},
    };
    for (const Case& c : cases) {
        writeText(dir.path("in"), c.input);
        const std::string command = pdfHelperPath() + " <" + dir.path("in") + " >" + dir.path("out") + " 2>" +
                                    dir.path("err");
        EXPECT_EQ(exitStatus(std::system(command.c_str())), c.message ? 1 : 0) << c.input.size() << " bytes";
        EXPECT_EQ(readText(dir.path("err")), c.message ? std::string("vestrel-pdf-report: ") + c.message + "\n" : "");
        EXPECT_EQ(readText(dir.path("out")).substr(0, 5), c.message ? "" : "%PDF-");
    }
}

// vestrel-cli finds the program from the build folder as from an
// installed package; a copy of it without lib/vestrel beside its folder
// says so in one line and fails, after saving the profile, the report
// not written.
TEST(PdfHelper, VestrelCliWithoutItSaysSoInOneLine)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path("bin"));
    std::filesystem::copy_file(VESTREL_CLI, dir.path("bin/vestrel-cli"));
    struct Case { std::string program; int status; bool pdf; };
    const Case cases[] = {{VESTREL_CLI, 0, true}, {dir.path("bin/vestrel-cli"), 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        std::filesystem::remove(dir.path("report.pdf"));
        const std::string command = c.program + " correct -i " + testDataPath("cmyk_v2.icc") + " -m " +
                                    testDataPath("cmyk_meas.txt") + " -r " + testDataPath("cmyk_ref.txt") + " -o " +
                                    dir.path("out.icc") + " --report " + dir.path("report.pdf") + " >/dev/null 2>" +
                                    dir.path("err");
        EXPECT_EQ(exitStatus(std::system(command.c_str())), c.status);
        const std::string err = readText(dir.path("err"));
        EXPECT_TRUE(std::filesystem::exists(dir.path("out.icc")));
        EXPECT_EQ(std::filesystem::exists(dir.path("report.pdf")), c.pdf);
        if (c.pdf) {
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_NE(err.find("Could not write " + dir.path("report.pdf") + ": PDF reports are made by "),
                      std::string::npos) << err;
            EXPECT_NE(err.find("vestrel-pdf-report, which is not installed"), std::string::npos) << err;
        }
    }
}
