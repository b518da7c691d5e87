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

// The numbers of one line; false when anything else stands in it. A
// number may carry a plus sign, as the C library's reading allows.
bool parseNumbers(const char* p, const char* end, std::vector<double>& numbers)
{
    numbers.clear();
    for (;;) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return true;
        if (*p == '+' && p + 1 < end && p[1] != '-')
            ++p;
        double v;
        const std::from_chars_result read = std::from_chars(p, end, v);
        if (read.ec != std::errc() || !std::isfinite(v) || (read.ptr < end && !isSeparator(*read.ptr)))
            return false;
        numbers.push_back(v);
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

    void add(const std::vector<double>& values)
    {
        values_.insert(values_.end(), values.begin(), values.end());
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
            for (std::size_t i = 0; i < results_.size(); ++i)
                results_[i] = codesOut_[i] / 65535.0 * 100.0;
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
    // zero print as 0.0000, not -0.0000.
    void writeResults()
    {
        text_.resize(results_.size() * 32);
        char* p = text_.data();
        char* const end = p + text_.size();
        for (std::size_t i = 0; i < results_.size(); ++i) {
            const double v = results_[i];
            p = std::to_chars(p, end, std::abs(v) < 0.00005 ? 0.0 : v, std::chars_format::fixed, 4).ptr;
            *p++ = (i + 1) % outChannels_ ? ' ' : '\n';
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
const char* rangeProblem(const std::vector<double>& values, bool device)
{
    for (std::size_t c = 0; c < values.size(); ++c) {
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
    std::vector<double> values;
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
        if (!parseNumbers(first, end, values) || values.size() != expected) {
            refuse(lineNumber, "expected %zu numbers", expected);
            continue;
        }
        if (const char* problem = rangeProblem(values, toLab)) {
            refuse(lineNumber, "%s", problem);
            continue;
        }
        batch.add(values);
    }
    batch.flush();
    return failed ? Failure : Success;
}
