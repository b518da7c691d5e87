#include "ConvertCommand.h"

#include "CliSupport.h"
#include "ColorDifference.h"
#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool parseInt(const char* text, int low, int high, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || v < low || v > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The numbers of one line, exactly wanted of them; false when anything
// else stands in it or there are more or fewer. A number may carry a plus
// sign, as the C library's reading allows.
bool parseNumbers(const char* p, const char* end, double* numbers, std::size_t wanted)
{
    std::size_t count = 0;
    for (;;) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return count == wanted;
        if (count == wanted)
            return false;
        if (*p == '+' && p + 1 < end && p[1] != '-')
            ++p;
        double v;
        const std::from_chars_result read = readNumber(p, end, v);
        if (read.ec != std::errc() || !std::isfinite(v) || (read.ptr < end && !isSeparator(*read.ptr)))
            return false;
        numbers[count++] = v;
        p = read.ptr;
    }
}

// Lab v4 on the 16-bit scale, as rfloat, without limits.
void encodeLabFloat(const double* lab, rfloat* codes)
{
    codes[0] = lab[0] * csICCPCS::labV4LScale;
    codes[1] = lab[1] * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset;
    codes[2] = lab[2] * csICCPCS::labV4ABScale + csICCPCS::labV4ABOffset;
}

void decodeLabFloat(const rfloat* codes, double* lab)
{
    lab[0] = codes[0] / csICCPCS::labV4LScale;
    lab[1] = (codes[1] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale;
    lab[2] = (codes[2] - csICCPCS::labV4ABOffset) / csICCPCS::labV4ABScale;
}

// The lines of a stream, read in large blocks. A line longer than
// maxLength characters is reported as such and passed over.
class LineReader
{
public:
    static constexpr std::size_t maxLength = 4094;

    explicit LineReader(std::FILE* in)
        : in_(in), buffer_(1 << 16)
    {
    }

    enum class Line { Text, TooLong, End };
    // The next line without its newline in [begin, end).
    Line next(const char*& begin, const char*& end)
    {
        for (;;) {
            const char* first = buffer_.data() + start_;
            const char* newline = static_cast<const char*>(std::memchr(first, '\n', filled_ - start_));
            const std::size_t length = newline ? static_cast<std::size_t>(newline - first) : filled_ - start_;
            if (newline || (atEnd_ && length > 0) || length > maxLength) {
                // A whole line, or enough of one to know it is too long.
                const bool whole = newline || atEnd_;
                start_ += length + (newline ? 1 : 0);
                if (skipping_) {
                    skipping_ = !whole;
                    continue;
                }
                if (length > maxLength) {
                    skipping_ = !whole;
                    return Line::TooLong;
                }
                begin = first;
                end = first + length;
                return Line::Text;
            }
            if (atEnd_)
                return Line::End;
            refill();
        }
    }

private:
    void refill()
    {
        std::memmove(buffer_.data(), buffer_.data() + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
        const std::size_t read = std::fread(buffer_.data() + filled_, 1, buffer_.size() - filled_, in_);
        filled_ += read;
        atEnd_ = read == 0;
    }

    std::FILE* in_;
    std::vector<char> buffer_;
    std::size_t start_ = 0;
    std::size_t filled_ = 0;
    bool atEnd_ = false;
    // The rest of a line too long, already reported.
    bool skipping_ = false;
};

// Colours gathered from many lines and converted together; written out
// before any message about a later line, so the two streams keep the
// order of the input.
class BatchConverter
{
public:
    static constexpr std::size_t batchSize = 4096;

    BatchConverter(csICCProfileConverter& converter, bool xyzPCS, bool useFloat, bool toLab, std::FILE* out)
        : converter_(converter), xyzPCS_(xyzPCS), useFloat_(useFloat), toLab_(toLab), out_(out),
          inChannels_(toLab ? converter.numInputChannels() : 3), outChannels_(toLab ? 3 : converter.numOutputChannels())
    {
        values_.reserve(batchSize * inChannels_);
    }

    void add(const double* values)
    {
        values_.insert(values_.end(), values, values + inChannels_);
        if (values_.size() == batchSize * inChannels_)
            flush();
    }

    void flush()
    {
        const std::size_t count = values_.size() / inChannels_;
        if (count == 0)
            return;
        results_.resize(count * outChannels_);
        if (useFloat_)
            convertFloat(count);
        else
            convert16(count);
        if (!useFloat_ && !toLab_)
            writeCodes(count);
        else
            writeResults();
        values_.clear();
    }

private:
    void convert16(std::size_t count)
    {
        codesIn_.resize(count * std::max(inChannels_, 3u));
        codesOut_.resize(count * std::max(outChannels_, 3u));
        if (toLab_) {
            for (std::size_t i = 0; i < values_.size(); ++i)
                codesIn_[i] = static_cast<uint16_t>(std::lround(values_[i] / 100.0 * 65535.0));
            converter_.convert(codesIn_.data(), codesOut_.data(), count);
            if (xyzPCS_)
                csICCPCS::XYZtoLab(codesOut_.data(), codesOut_.data(), count);
            for (std::size_t i = 0; i < count; ++i) {
                const Lab lab = decodeLab16({codesOut_[3 * i], codesOut_[3 * i + 1], codesOut_[3 * i + 2]});
                results_[3 * i] = lab.L;
                results_[3 * i + 1] = lab.a;
                results_[3 * i + 2] = lab.b;
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                const Lab16 code = encodeLab16({values_[3 * i], values_[3 * i + 1], values_[3 * i + 2]});
                codesIn_[3 * i] = code.L;
                codesIn_[3 * i + 1] = code.a;
                codesIn_[3 * i + 2] = code.b;
            }
            if (xyzPCS_)
                csICCPCS::LabtoXYZ(codesIn_.data(), codesIn_.data(), count);
            converter_.convert(codesIn_.data(), codesOut_.data(), count);
        }
    }

    void convertFloat(std::size_t count)
    {
        floatIn_.resize(count * std::max(inChannels_, 3u));
        floatOut_.resize(count * std::max(outChannels_, 3u));
        if (toLab_) {
            for (std::size_t i = 0; i < values_.size(); ++i)
                floatIn_[i] = values_[i] / 100.0 * 65535.0;
            converter_.convert(floatIn_.data(), floatOut_.data(), count);
            if (xyzPCS_)
                csICCPCS::XYZtoLab(floatOut_.data(), floatOut_.data(), count);
            for (std::size_t i = 0; i < count; ++i)
                decodeLabFloat(&floatOut_[3 * i], &results_[3 * i]);
        } else {
            for (std::size_t i = 0; i < count; ++i)
                encodeLabFloat(&values_[3 * i], &floatIn_[3 * i]);
            if (xyzPCS_)
                csICCPCS::LabtoXYZ(floatIn_.data(), floatIn_.data(), count);
            converter_.convert(floatIn_.data(), floatOut_.data(), count);
            for (std::size_t i = 0; i < results_.size(); ++i)
                results_[i] = floatOut_[i] / 65535.0 * 100.0;
        }
    }

    // Four decimals, as printf's %.4f gives them; values that round to
    // zero print as 0.0000, not -0.0000. The room is what the largest
    // double takes.
    void writeResults()
    {
        text_.resize(results_.size() * 32 + 320);
        char* p = text_.data();
        char* const end = p + text_.size();
        for (std::size_t i = 0; i < results_.size(); ++i) {
            p = writeFixed4(p, end - 1, results_[i]);
            *p++ = (i + 1) % outChannels_ ? ' ' : '\n';
        }
        std::fwrite(text_.data(), 1, static_cast<std::size_t>(p - text_.data()), out_);
    }

    // Device codes of the 16-bit path, straight from the codes.
    void writeCodes(std::size_t count)
    {
        text_.resize(count * outChannels_ * 9);
        char* p = text_.data();
        const uint16_t* code = codesOut_.data();
        for (std::size_t i = 0; i < count; ++i) {
            for (unsigned c = 0; c < outChannels_; ++c) {
                p = writeCodePercent(p, *code++);
                *p++ = ' ';
            }
            p[-1] = '\n';
        }
        std::fwrite(text_.data(), 1, static_cast<std::size_t>(p - text_.data()), out_);
    }

    csICCProfileConverter& converter_;
    bool xyzPCS_;
    bool useFloat_;
    bool toLab_;
    std::FILE* out_;
    unsigned inChannels_;
    unsigned outChannels_;
    std::vector<double> values_;
    std::vector<double> results_;
    std::vector<uint16_t> codesIn_, codesOut_;
    std::vector<rfloat> floatIn_, floatOut_;
    std::vector<char> text_;
};

// Why a line's values cannot be converted, or null.
const char* rangeProblem(const double* values, std::size_t count, bool device)
{
    for (std::size_t c = 0; c < count; ++c) {
        const double v = values[c];
        if (device && (v < 0.0 || v > 100.0))
            return "device values must lie in 0..100";
        if (!device && c == 0 && (v < 0.0 || v > 100.0))
            return "L* must lie in 0..100";
        if (!device && c > 0 && (v < -128.0 || v > 127.0))
            return "a* and b* must lie in -128..127";
    }
    return nullptr;
}

} // namespace

std::from_chars_result readNumber(const char* first, const char* last, double& value)
{
    // Digits, optionally a point and digits, optionally after a minus, up
    // to 15 digits: the decimal (below 2^53) over an exact power of ten is
    // one correctly rounded division, the double nearest the number, as
    // std::from_chars gives. Unsigned arithmetic: a longer run of digits
    // wraps harmlessly before it is sent on.
    const char* p = first;
    const bool negative = p < last && *p == '-';
    p += negative;
    const char* const start = p;
    uint64_t digits = 0;
    for (; p < last && static_cast<unsigned char>(*p - '0') < 10; ++p)
        digits = digits * 10 + static_cast<unsigned char>(*p - '0');
    const std::ptrdiff_t whole = p - start;
    std::ptrdiff_t decimals = 0;
    if (whole > 0 && p < last && *p == '.') {
        const char* const point = p;
        for (++p; p < last && static_cast<unsigned char>(*p - '0') < 10; ++p)
            digits = digits * 10 + static_cast<unsigned char>(*p - '0');
        decimals = p - point - 1;
        if (decimals == 0)
            return std::from_chars(first, last, value);
    }
    if (whole == 0 || whole + decimals > 15 || (p < last && !isSeparator(*p)))
        return std::from_chars(first, last, value);
    const double magnitude = static_cast<double>(digits) / powersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return {p, std::errc()};
}

namespace {

// "00" to "99".
constexpr char digitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

inline char* twoDigits(char* p, unsigned value)
{
    std::memcpy(p, digitPairs + 2 * value, 2);
    return p + 2;
}

} // namespace

char* writeFixed4(char* first, char* last, double value)
{
    const double magnitude = std::abs(value);
    if (magnitude < 0.00005) {
        std::memcpy(first, "0.0000", 6);
        return first + 6;
    }
    // Beyond 1e12, and for what is no number, the standard library.
    if (!(magnitude < 1e12))
        return std::to_chars(first, last, value, std::chars_format::fixed, 4).ptr;
    // The value times 10^4 rounded to the nearest whole number, ties to
    // even, exactly: the significand times 625 (below 2^63) shifted by the
    // exponent plus 4.
    uint64_t bits;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int exponent = static_cast<int>(bits >> 52);
    const uint64_t significand = (bits & ((uint64_t(1) << 52) - 1)) | (exponent ? uint64_t(1) << 52 : 0);
    const uint64_t product = significand * 625;
    const int shift = (exponent ? exponent : 1) - 1075 + 4;
    uint64_t units;
    if (shift >= 0) {
        units = product << shift;
    } else if (-shift >= 64) {
        units = 0;
    } else {
        const int k = -shift;
        units = product >> k;
        const uint64_t rest = product & ((uint64_t(1) << k) - 1), half = uint64_t(1) << (k - 1);
        units += rest > half || (rest == half && (units & 1));
    }
    char* p = first;
    if (value < 0)
        *p++ = '-';
    const uint64_t whole = units / 10000;
    const unsigned decimals = static_cast<unsigned>(units - whole * 10000);
    if (whole < 10) {
        *p++ = static_cast<char>('0' + whole);
    } else if (whole < 100) {
        p = twoDigits(p, static_cast<unsigned>(whole));
    } else if (whole < 1000) {
        *p++ = static_cast<char>('0' + whole / 100);
        p = twoDigits(p, static_cast<unsigned>(whole % 100));
    } else {
        char digits[20];
        int n = 0;
        for (uint64_t rest = whole; rest; rest /= 10)
            digits[n++] = static_cast<char>('0' + rest % 10);
        while (n)
            *p++ = digits[--n];
    }
    *p++ = '.';
    p = twoDigits(p, decimals / 100);
    return twoDigits(p, decimals % 100);
}

// 10^6·code/65535 rounded, in integers: an even over an odd number is
// never half-way, and lies at least 1/131070 from it, far beyond the error
// of code / 65535.0 * 100.0 in double precision, so both round alike.
char* writeCodePercent(char* first, uint16_t code)
{
    const auto units = static_cast<uint32_t>((uint64_t(code) * 2000000 + 65535) / 131070);
    const uint32_t whole = units / 10000, decimals = units - whole * 10000;
    char* p = first;
    if (whole == 100) {
        std::memcpy(p, "100", 3);
        p += 3;
    } else if (whole >= 10) {
        p = twoDigits(p, whole);
    } else {
        *p++ = static_cast<char>('0' + whole);
    }
    *p++ = '.';
    p = twoDigits(p, decimals / 100);
    return twoDigits(p, decimals % 100);
}

bool parseConvertOptions(int argc, const char* const* argv, ConvertOptions& options, std::string& problem)
{
    if (argc < 2) {
        problem = "convert needs a profile and a direction";
        return false;
    }
    options.profilePath = argv[0];
    const std::string direction = argv[1];
    if (direction == "a2b")
        options.direction = 0;
    else if (direction == "b2a")
        options.direction = 1;
    else {
        problem = "direction must be a2b or b2a, not '" + direction + "'";
        return false;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--float") {
            options.useFloat = true;
        } else if (option == "--intent" && i + 1 < argc) {
            if (!parseInt(argv[++i], 0, 3, options.intent)) {
                problem = std::string("--intent takes 0 to 3, not '") + argv[i] + "'";
                return false;
            }
        } else if (option == "--white" && i + 1 < argc) {
            if (!parseInt(argv[++i], 0, 2, options.whiteMode)) {
                problem = std::string("--white takes 0, 1 or 2, not '") + argv[i] + "'";
                return false;
            }
        } else {
            problem = "unknown option '" + option + "'";
            return false;
        }
    }
    return true;
}

int runConvert(const ConvertOptions& options, std::FILE* in, std::FILE* out, std::FILE* err)
{
    std::vector<uint8_t> block;
    csICCProfile profile;
    if (readProfile(options.profilePath.c_str(), block, profile, err) == ReadResult::Refused)
        return Failure;
    const uint32_t logged = csErrorLog::mark();
    csICCProfileConverter converter(&profile, options.direction, options.intent, options.whiteMode);
    const int initialised = converter.init();
    printLogEntries(err, logged);
    if (initialised != 0)
        return Failure;
    const csSignature pcs = profile.header().pcs();
    if (pcs != csSig("Lab ") && pcs != csSig("XYZ ")) {
        std::fprintf(err, "vestrel-cli: the profile's connection space is neither Lab nor XYZ\n");
        return Failure;
    }

    const bool toLab = options.direction == 0;
    const std::size_t expected = toLab ? converter.numInputChannels() : 3;
    BatchConverter batch(converter, pcs == csSig("XYZ "), options.useFloat, toLab, out);
    LineReader reader(in);
    bool failed = false;
    // A message waits for the results of the lines before it.
    auto refuse = [&](std::size_t lineNumber, const char* format, auto value) {
        batch.flush();
        std::fprintf(err, "vestrel-cli: line %zu: ", lineNumber);
        std::fprintf(err, format, value);
        std::fputc('\n', err);
        failed = true;
    };
    double values[csICCLutInterpolator::maxChannels];
    std::size_t lineNumber = 0;
    const char* begin;
    const char* end;
    for (LineReader::Line line; (line = reader.next(begin, end)) != LineReader::Line::End;) {
        ++lineNumber;
        if (line == LineReader::Line::TooLong) {
            refuse(lineNumber, "longer than %zu characters", LineReader::maxLength);
            continue;
        }
        const char* first = begin;
        while (first < end && isSeparator(*first))
            ++first;
        if (first == end || *first == '#')
            continue;
        if (!parseNumbers(first, end, values, expected)) {
            refuse(lineNumber, "expected %zu numbers", expected);
            continue;
        }
        if (const char* problem = rangeProblem(values, expected, toLab)) {
            refuse(lineNumber, "%s", problem);
            continue;
        }
        batch.add(values);
    }
    batch.flush();
    return failed ? Failure : Success;
}
