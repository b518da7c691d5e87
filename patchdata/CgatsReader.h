#pragma once
// Splits CGATS text (the exchange format of measurement instruments and
// colour programs) into its field list and data rows, as the rows arrive.
//
// What real files do and this reader takes: a file-type line ("CGATS.17",
// "IT8.7/2", "CTI3"), keyword lines before and after the data, the field
// list between BEGIN_DATA_FORMAT and END_DATA_FORMAT over any number of
// lines, data between BEGIN_DATA and END_DATA, leading and trailing white
// space, tabs and runs of spaces between values, quoted values with spaces,
// "#" comments on their own line or after values, CR, LF and CRLF line
// ends and a UTF-8 byte order mark. Older files without the framing name
// their fields on one plain line; that line is recognised by a complete set
// of colour fields and no quotes. Keyword lines ("NAME value", and names
// declared by KEYWORD "NAME") are handed over as keywords and never taken
// for the field list, whatever their names.
//
// NUMBER_OF_SETS and NUMBER_OF_FIELDS are only hints: a data line belongs
// to the data when it has exactly as many values as the field list names,
// and is otherwise skipped and reported by its line number, so one bad line
// never shifts another. A last data line that ends without a line end in
// a file without END_DATA may have been cut inside a number; it is skipped
// too. Only the first table of a file is read.

#include "EngineText.h"

#include <string>
#include <string_view>
#include <vector>

// What a field name means, one rule for the reader and for what reads its
// rows. Names are upper-cased.
namespace CgatsFields {
// The wavelength of a spectral field: SPECTRAL_NM380, SPECTRAL_NM_380,
// SPECTRAL_380 (CGATS) and SPEC_380 (ArgyllCMS); -1 for any other name,
// such as the keywords SPECTRAL_BANDS or SPECTRAL_NORM.
int spectralWavelength(std::string_view name);
// Whether the names hold a whole colour: LAB_L LAB_A LAB_B, XYZ_X XYZ_Y
// XYZ_Z, REFLAB_L REFLAB_A REFLAB_B, or at least two spectral fields.
bool namesColour(const std::vector<std::string>& names);
} // namespace CgatsFields

// A line that was not used, and why.
struct LineProblem
{
    int line;
    EngineText reason;
};

class CgatsReader
{
public:
    class Handler
    {
    public:
        virtual ~Handler() = default;
        // The field names, upper-cased, once, before the first row. False,
        // with problem set, refuses the file.
        virtual bool fields(const std::vector<std::string>& names, EngineText& problem) = 0;
        // One data row with exactly one value per field; quotes removed.
        // A row the handler cannot use is reported through problem and
        // false, and is listed like a malformed line.
        virtual bool row(int line, const std::vector<std::string_view>& values, EngineText& problem) = 0;
        // NUMBER_OF_SETS, when the file states one.
        virtual void declaredSets(long) {}
        // A keyword line before the data: its name upper-cased, its first
        // value without quotes.
        virtual void keyword(const std::string& /*name*/, std::string_view /*value*/) {}
    };

    // Reads the whole text. False, with problem set, when it holds no field
    // list, the handler refuses the fields, or no data line follows; lines
    // that were skipped are in skipped().
    bool read(std::string_view text, Handler& handler, EngineText& problem);

    const std::vector<LineProblem>& skipped() const { return skipped_; }
    // The data lines that reached the handler, used or not.
    long dataLines() const { return dataLines_; }

    // Splits one line into values: white space separates, quotes group and
    // "#" outside quotes ends the line. Exposed for the tests.
    static void splitLine(std::string_view line, std::vector<std::string_view>& tokens);

private:
    std::vector<LineProblem> skipped_;
    long dataLines_ = 0;
};
