// The reports of a fixed run read back. Built with the Qt tests for Qt's
// XML reader and MD5, which are independent of the code under test.

#include "CorrectionSession.h"
#include "FixedNumber.h"
#include "Report.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// RFC 4180 records: quoted fields with doubled quotes, CRLF line ends.
Rows parseCsv(const std::string& text)
{
    Rows rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    rows.pop_back(); // after the last line end
    return rows;
}

std::string md5Of(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5).toHex().toStdString();
}

std::string text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// The cell texts of the rows of the table with this id, and problems
// found on the way: malformed XML, or a reference to anything outside.
struct ParsedHtml
{
    std::string error;
    std::vector<std::string> outside;
    std::map<std::string, Rows> tables;
};

ParsedHtml parseHtml(const std::string& html)
{
    ParsedHtml parsed;
    QXmlStreamReader xml(QByteArray::fromStdString(html));
    std::string table;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const std::string name = xml.name().toString().toStdString();
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                const std::string value = a.value().toString().toStdString();
                const std::string attribute = a.name().toString().toStdString();
                if ((attribute == "src" || attribute == "href") && value.rfind('#', 0) != 0 &&
                    value.rfind("data:", 0) != 0)
                    parsed.outside.push_back(name + " " + attribute + "=" + value);
            }
            if (name == "script" || name == "link" || name == "iframe" || name == "object")
                parsed.outside.push_back(name);
            if (name == "style" && xml.readElementText().contains(QLatin1String("url(")))
                parsed.outside.push_back("style with url()");
            if (name == "table")
                table = xml.attributes().value(QLatin1String("id")).toString().toStdString();
            if (name == "tr" && !table.empty())
                parsed.tables[table].emplace_back();
            if ((name == "td" || name == "th") && !table.empty())
                parsed.tables[table].back().push_back(xml.readElementText().toStdString());
        } else if (xml.isEndElement() && xml.name() == QLatin1String("table")) {
            table.clear();
        }
    }
    if (xml.hasError())
        parsed.error = xml.errorString().toStdString() + " at line " + std::to_string(xml.lineNumber());
    return parsed;
}

// The text of a PDF as Poppler's pdftotext reads it (glyphs mapped back to
// Unicode through the fonts' maps), or nothing without pdftotext.
std::optional<std::string> pdfText(const std::string& pdf)
{
    if (std::system("pdftotext -v > /dev/null 2>&1") != 0)
        return std::nullopt;
    TempDir dir;
    writeBytes(dir.path("report.pdf"), std::vector<uint8_t>(pdf.begin(), pdf.end()));
    const std::string command = "pdftotext -raw " + dir.path("report.pdf") + " " + dir.path("report.txt");
    if (std::system(command.c_str()) != 0)
        return std::string("pdftotext failed");
    return text(readBytes(dir.path("report.txt")));
}

class ReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        ASSERT_TRUE(session.openProfile(testDataPath("cmyk_v2.icc")).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_ref.txt"), PatchFileRole::Reference).ok);
        ASSERT_TRUE(session.loadPatches(testDataPath("cmyk_meas.txt"), PatchFileRole::Measurement).ok);
        ASSERT_TRUE(session.correct({}).ok);
        ASSERT_TRUE(session.saveAs(dir.path("corrected.icc")).ok);
    }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    TempDir dir;
    CorrectionSession session;
    ReportOptions options{DeltaEMetric::CIE2000, {}};
};

TEST_F(ReportTest, CsvRowsAreTheSessionsNumbers)
{
    const Rows rows = parseCsv(reportText(session, options, ReportFormat::Csv));
    const std::vector<Patch>& patches = session.patches();
    ASSERT_EQ(rows.size(), patches.size() + 1);
    ASSERT_EQ(rows[0].size(), 16u);
    EXPECT_EQ(rows[0][0], "id");
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const Patch& p = patches[i];
        const std::vector<std::string>& row = rows[i + 1];
        ASSERT_EQ(row.size(), 16u) << i;
        EXPECT_EQ(row[0], p.id);
        EXPECT_EQ(row[1], std::string(p.referenceName));
        const double expected[] = {p.reference.L,
                                   p.reference.a,
                                   p.reference.b,
                                   p.measured.L,
                                   p.measured.a,
                                   p.measured.b,
                                   p.measuredDeltaE(DeltaEMetric::CIE1976),
                                   p.measuredDeltaE(DeltaEMetric::CIE2000),
                                   p.remaining.L,
                                   p.remaining.a,
                                   p.remaining.b,
                                   p.remainingDeltaE(DeltaEMetric::CIE1976),
                                   p.remainingDeltaE(DeltaEMetric::CIE2000)};
        for (std::size_t k = 0; k < std::size(expected); ++k)
            EXPECT_NEAR(std::strtod(row[k + 2].c_str(), nullptr), expected[k], 0.5e-4) << "patch " << i << " column " << k + 2;
        EXPECT_EQ(row[15], "") << "a clean measurement leaves nothing out";
    }
}

TEST_F(ReportTest, HtmlIsWellFormedSelfContainedAndShowsTheSessionsNumbers)
{
    const std::string html = reportText(session, options, ReportFormat::Html);
    const ParsedHtml parsed = parseHtml(html);
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.outside.empty()) << parsed.outside.front();
    EXPECT_EQ(std::count(html.begin(), html.end(), '\0'), 0);
    EXPECT_NE(html.find("<svg"), std::string::npos);

    // The digests of the file as opened and as saved, by Qt's MD5.
    EXPECT_NE(html.find(md5Of(text(readBytes(testDataPath("cmyk_v2.icc"))))), std::string::npos);
    EXPECT_NE(html.find(md5Of(text(readBytes(dir.path("corrected.icc")))) + " (the file saved as"), std::string::npos);

    const Rows& rows = parsed.tables.at("patches");
    const std::vector<Patch>& patches = session.patches();
    ASSERT_EQ(rows.size(), patches.size() + 1);
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const Patch& p = patches[i];
        const std::vector<std::string> expected = {p.id,
                                                   std::string(p.referenceName),
                                                   fixedNumber(p.reference.L, 2),
                                                   fixedNumber(p.reference.a, 2),
                                                   fixedNumber(p.reference.b, 2),
                                                   fixedNumber(p.measured.L, 2),
                                                   fixedNumber(p.measured.a, 2),
                                                   fixedNumber(p.measured.b, 2),
                                                   fixedNumber(p.measuredDeltaE(DeltaEMetric::CIE1976), 2),
                                                   fixedNumber(p.measuredDeltaE(DeltaEMetric::CIE2000), 2),
                                                   fixedNumber(p.remainingDeltaE(DeltaEMetric::CIE1976), 2),
                                                   fixedNumber(p.remainingDeltaE(DeltaEMetric::CIE2000), 2)};
        EXPECT_EQ(rows[i + 1], expected) << "patch " << i;
    }

    // Mean, maximum and near-neutral mean in both metrics, before and after,
    // then the limit and the verdicts in the chosen metric.
    const Rows& summary = parsed.tables.at("summary");
    ASSERT_EQ(summary.size(), 4u);
    const DeltaESummary figures[] = {session.before(DeltaEMetric::CIE1976), session.after(DeltaEMetric::CIE1976),
                                     session.before(DeltaEMetric::CIE2000), session.after(DeltaEMetric::CIE2000)};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(summary[1][k + 1], fixedNumber(figures[k].mean, 2)) << k;
        EXPECT_EQ(summary[2][k + 1], fixedNumber(figures[k].maximum, 2)) << k;
        EXPECT_EQ(summary[3][k + 1], fixedNumber(figures[k].neutralMean, 2)) << k;
    }
    const ToleranceVerdict before = judge(figures[2], options.limits), after = judge(figures[3], options.limits);
    EXPECT_EQ(summary[1][6], verdictText(before.mean));
    EXPECT_EQ(summary[2][7], verdictText(after.maximum));
}

// The byte offsets of the PDF's objects as its cross-reference table gives
// them, each checked to begin its object; the page count from the page tree.
TEST_F(ReportTest, PdfPagesAndCrossReferences)
{
    struct Case { bool withPatches; int pages; };
    // Title page, two pages of plots, then the patch rows: 100 take two pages.
    const Case cases[] = {{true, 5}, {false, 4}};
    for (const Case& c : cases) {
        if (!c.withPatches)
            session.clearPatches();
        const std::string pdf = reportText(session, options, ReportFormat::Pdf);
        ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
        const std::size_t startxref = pdf.rfind("startxref\n");
        ASSERT_NE(startxref, std::string::npos);
        const std::size_t xref = std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10);
        ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
        int first = 0, count = 0;
        ASSERT_EQ(std::sscanf(pdf.c_str() + xref, "xref\n%d %d", &first, &count), 2);
        const std::size_t entries = pdf.find('\n', xref + 5) + 1;
        for (int k = 1; k < count; ++k) {
            const std::size_t offset = std::strtoul(pdf.c_str() + entries + 20 * k, nullptr, 10);
            EXPECT_EQ(pdf.compare(offset, std::to_string(k).size() + 6, std::to_string(k) + " 0 obj"), 0) << k;
        }
        const std::string kidsCount = "/Count " + std::to_string(c.pages) + " >>";
        EXPECT_NE(pdf.find(kidsCount), std::string::npos) << c.withPatches;
        std::size_t pages = 0;
        for (std::size_t at = pdf.find("/Type /Page "); at != std::string::npos; at = pdf.find("/Type /Page ", at + 1))
            ++pages;
        EXPECT_EQ(pages, static_cast<std::size_t>(c.pages));
        const std::string last = "(Page " + std::to_string(c.pages) + " of " + std::to_string(c.pages) + ")";
        EXPECT_NE(pdf.find(last), std::string::npos);
    }
}

TEST(Report, FormatFromTheSuffixAndNumbersWithADot)
{
    struct Case { const char* path; bool known; ReportFormat format; };
    const Case cases[] = {{"a.html", true, ReportFormat::Html}, {"dir/A.HTM", true, ReportFormat::Html},
                          {"x.Pdf", true, ReportFormat::Pdf},   {"x.csv", true, ReportFormat::Csv},
                          {"x.txt", false, {}},                 {"report", false, {}},
                          {"dir.html/report", false, {}}};
    for (const Case& c : cases) {
        ReportFormat format = ReportFormat::Csv;
        EXPECT_EQ(reportFormatFor(c.path, format), c.known) << c.path;
        EXPECT_EQ(format, c.known ? c.format : ReportFormat::Csv) << c.path;
    }
    struct Number { double value; int decimals; const char* text; };
    const Number numbers[] = {{-0.004, 2, "0.00"}, {-0.006, 2, "-0.01"}, {1234.56789, 4, "1234.5679"},
                              {std::nan(""), 2, "-"}};
    for (const Number& n : numbers)
        EXPECT_EQ(fixedNumber(n.value, n.decimals), n.text) << n.value;
}

// Names as files may write them: markup characters, a comma, bytes that
// are no UTF-8, a control character and PDF string delimiters.
TEST(Report, NamesFromFilesCannotBreakAnyFormat)
{
    const std::string file = "CGATS.17\nNUMBER_OF_FIELDS 8\nBEGIN_DATA_FORMAT\n"
                             "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\nEND_DATA_FORMAT\n"
                             "NUMBER_OF_SETS 4\nBEGIN_DATA\n"
                             "1 \"A&B <i>\" 50 1 2 50.5 1 2\n"
                             "2 \"comma,name\" 60 -1 2 60 0 0\n"
                             "3 \xff\xfe(x)\\ 70 1 1 70 1 2\n"
                             "4 \"t\x01" "ab\" 40 0 0 41 0 0\nEND_DATA\n";
    CorrectionSession session;
    ASSERT_TRUE(session.loadPatchText(file, "names.txt", PatchFileRole::Measurement).ok);
    const ReportOptions options;

    const ParsedHtml html = parseHtml(reportText(session, options, ReportFormat::Html));
    ASSERT_EQ(html.error, "");
    const Rows& rows = html.tables.at("patches");
    ASSERT_EQ(rows.size(), 5u);
    const std::string names[] = {"A&B <i>", "comma,name", "\xEF\xBF\xBD\xEF\xBF\xBD(x)\\", "tab"};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rows[k + 1][1], names[k]) << k;

    const Rows csv = parseCsv(reportText(session, options, ReportFormat::Csv));
    ASSERT_EQ(csv.size(), 5u);
    EXPECT_EQ(csv[2][1], "comma,name");
    EXPECT_EQ(csv[2].size(), 16u);

    // Delimiters escaped; the replacement characters are set in the
    // embedded font, or shown as '?' where the system has none.
    const std::string pdf = reportText(session, options, ReportFormat::Pdf);
    if (const std::optional<std::string> shown = pdfText(pdf)) {
        for (const char* name : {"A&B <i>", "comma,name", "(x)\\"})
            EXPECT_NE(shown->find(name), std::string::npos) << name;
    }
    EXPECT_TRUE(pdf.find("/FontFile2") != std::string::npos || pdf.find("(??\\(x\\)\\\\)") != std::string::npos);
}

// Names in scripts beyond the standard fonts come back from the PDF as
// written; a letter no font here has becomes '?'. Only a report that needs
// them carries the embedded fonts.
TEST(Report, PdfSetsNamesInAnyScript)
{
    const std::string file = "CGATS.17\nNUMBER_OF_FIELDS 8\nBEGIN_DATA_FORMAT\n"
                             "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\nEND_DATA_FORMAT\n"
                             "NUMBER_OF_SETS 3\nBEGIN_DATA\n"
                             "1 \"\xC5\x81\xC3\xB3" "d\xC5\xBA papier\" 50 1 2 50.5 1 2\n"
                             "2 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 60 -1 2 60 0 0\n"
                             "3 \"\xE6\xBC\xA2 \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1\" 70 1 1 70 1 2\nEND_DATA\n";
    CorrectionSession session;
    ASSERT_TRUE(session.loadPatchText(file, "names.txt", PatchFileRole::Measurement).ok);
    const std::string pdf = reportText(session, ReportOptions(), ReportFormat::Pdf);
    if (pdf.find("/FontFile2") == std::string::npos)
        GTEST_SKIP() << "no TrueType font for letters beyond WinAnsi on this system";
    EXPECT_NE(pdf.find("/Subtype /Type0"), std::string::npos);
    EXPECT_NE(pdf.find("/ToUnicode"), std::string::npos);
    const std::optional<std::string> shown = pdfText(pdf);
    if (!shown)
        GTEST_SKIP() << "no pdftotext";
    const char* names[] = {"\xC5\x81\xC3\xB3" "d\xC5\xBA papier", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
                           "? \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"};
    for (const char* name : names)
        EXPECT_NE(shown->find(name), std::string::npos) << name;

    CorrectionSession plain;
    ASSERT_TRUE(plain.loadPatchText(file.substr(0, file.find("1 \"")) + "1 A 50 1 2 50.5 1 2\nEND_DATA\n", "plain.txt",
                                    PatchFileRole::Measurement)
                    .ok);
    EXPECT_EQ(reportText(plain, ReportOptions(), ReportFormat::Pdf).find("/FontFile2"), std::string::npos);
}

// Names and ids a spreadsheet would run as formulas are shown as text: a
// leading apostrophe on any text cell that begins with = + - @, a tab or a
// carriage return. Number columns stay numbers, negative ones too.
TEST(Report, CsvTextCannotRunAsAFormula)
{
    struct Case { const char* id; const char* name; const char* idCell; const char* nameCell; };
    const Case cases[] = {
        {"1", "=HYPERLINK(A1)", "1", "'=HYPERLINK(A1)"},
        {"+2", "+cmd|' /C calc'!A0", "'+2", "'+cmd|' /C calc'!A0"},
        {"-3", "-2+3", "'-3", "'-2+3"},
        {"@4", "@SUM(A1)", "'@4", "'@SUM(A1)"},
        {"5", "\tTab", "5", "'\tTab"},
        {"6", "a=b, +c", "6", "a=b, +c"},
        {"7", "'quoted", "7", "'quoted"},
    };
    std::string file = "CGATS.17\nNUMBER_OF_FIELDS 8\nBEGIN_DATA_FORMAT\n"
                       "SAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B REFLAB_L REFLAB_A REFLAB_B\nEND_DATA_FORMAT\n"
                       "BEGIN_DATA\n";
    for (const Case& c : cases)
        file += std::string(c.id) + " \"" + c.name + "\" 50 -1.5 -2 50.5 -1 -2\n";
    file += "END_DATA\n";
    CorrectionSession session;
    ASSERT_TRUE(session.loadPatchText(file, "hostile.txt", PatchFileRole::Measurement).ok);
    const Rows csv = parseCsv(reportText(session, ReportOptions(), ReportFormat::Csv));
    ASSERT_EQ(csv.size(), std::size(cases) + 1);
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.name);
        const std::vector<std::string>& row = csv[k + 1];
        ASSERT_EQ(row.size(), 16u);
        EXPECT_EQ(row[0], c.idCell);
        EXPECT_EQ(row[1], c.nameCell);
        EXPECT_EQ(row[6], "-1.5000") << "a negative number stays a number";
        EXPECT_EQ(row[3], "-1.0000");
    }
}

} // namespace
