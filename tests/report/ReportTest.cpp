// The reports of a fixed run read back. Built with the Qt tests for Qt's
// XML reader and MD5, which are independent of the code under test.

#include "CorrectionSession.h"
#include "FixedNumber.h"
#include "PdfText.h"
#include "Report.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
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

// The numbers of a patch's row in the HTML and PDF tables.
std::vector<double> rowNumbers(const Patch& p)
{
    return {p.reference.L, p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b,
            p.measuredDeltaE(DeltaEMetric::CIE1976), p.measuredDeltaE(DeltaEMetric::CIE2000),
            p.remainingDeltaE(DeltaEMetric::CIE1976), p.remainingDeltaE(DeltaEMetric::CIE2000)};
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
        const double expected[] = {p.reference.L, p.reference.a, p.reference.b, p.measured.L, p.measured.a, p.measured.b,
                                   p.measuredDeltaE(DeltaEMetric::CIE1976), p.measuredDeltaE(DeltaEMetric::CIE2000),
                                   p.remaining.L, p.remaining.a, p.remaining.b,
                                   p.remainingDeltaE(DeltaEMetric::CIE1976), p.remainingDeltaE(DeltaEMetric::CIE2000)};
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
    EXPECT_NE(html.find(md5Of(readText(testDataPath("cmyk_v2.icc")))), std::string::npos);
    EXPECT_NE(html.find(md5Of(readText(dir.path("corrected.icc"))) + " (the file saved as"), std::string::npos);

    const Rows& rows = parsed.tables.at("patches");
    const std::vector<Patch>& patches = session.patches();
    ASSERT_EQ(rows.size(), patches.size() + 1);
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const Patch& p = patches[i];
        std::vector<std::string> expected = {p.id, std::string(p.referenceName)};
        for (double v : rowNumbers(p))
            expected.push_back(fixedNumber(v, 2));
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

// The PDF as Poppler reads it: the pages, the footer on each, and the
// same numbers as the HTML: each patch's row one line of text.
TEST_F(ReportTest, PdfPagesFootersAndPatchRows)
{
    struct Case { bool withPatches; int pages; };
    // Title page, two pages of plots, then the patch rows: 100 take two pages.
    const Case cases[] = {{true, 5}, {false, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.withPatches);
        if (!c.withPatches)
            session.clearPatches();
        std::string problem;
        const std::string pdf = reportText(session, options, ReportFormat::Pdf, &problem);
        ASSERT_EQ(problem, "");
        ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
        const std::optional<PdfReading> read = readPdf(pdf);
        if (!read)
            GTEST_SKIP() << "no pdftotext and pdfinfo";
        EXPECT_EQ(read->problems, "");
        EXPECT_EQ(read->pages, c.pages);
        for (int page = 1; page <= c.pages; ++page)
            EXPECT_NE(read->text.find("Page " + std::to_string(page) + " of " + std::to_string(c.pages)),
                      std::string::npos) << page;
        EXPECT_NE(read->text.find("Correction report: cmyk_v2.icc"), std::string::npos);
        EXPECT_NE(read->text.find("Verdict in Delta E 2000"), std::string::npos);
        for (const Patch& p : session.patches()) {
            std::string row = p.id + " " + std::string(p.referenceName);
            for (double v : rowNumbers(p))
                row += " " + fixedNumber(v, 2);
            EXPECT_NE(read->text.find("\n" + row + "\n"), std::string::npos) << row;
        }
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

    // PDF string delimiters and markup come back as written.
    std::string problem;
    const std::string pdf = reportText(session, options, ReportFormat::Pdf, &problem);
    ASSERT_EQ(problem, "");
    if (const std::optional<PdfReading> read = readPdf(pdf)) {
        EXPECT_EQ(read->problems, "");
        for (const std::string& name : names)
            EXPECT_NE(read->text.find(name), std::string::npos) << name;
    }
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
