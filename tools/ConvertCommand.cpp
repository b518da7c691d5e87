#include "ConvertCommand.h"

#include "CliSupport.h"
#include "ColorDifference.h"
#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfileConverter.h"

#include <cerrno>
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

// The numbers of one line; false when anything else stands in it.
bool parseNumbers(const char* line, std::vector<double>& numbers)
{
    numbers.clear();
    const char* p = line;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
        if (*p == 0)
            return true;
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p || !std::isfinite(v) || (*end != 0 && !std::strchr(" \t\r\n", *end)))
            return false;
        numbers.push_back(v);
        p = end;
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

class LineConverter
{
public:
    LineConverter(csICCProfileConverter& converter, bool xyzPCS, bool useFloat)
        : converter_(converter), xyzPCS_(xyzPCS), useFloat_(useFloat)
    {
    }

    // Device percentages to L*a*b*.
    void toLab(const std::vector<double>& device, double lab[3])
    {
        const std::size_t n = device.size();
        if (useFloat_) {
            std::vector<rfloat> in(n);
            rfloat pcs[3];
            for (std::size_t c = 0; c < n; ++c)
                in[c] = device[c] / 100.0 * 65535.0;
            converter_.convert(in.data(), pcs, 1);
            if (xyzPCS_)
                csICCPCS::XYZtoLab(pcs, pcs, 1);
            decodeLabFloat(pcs, lab);
        } else {
            std::vector<uint16_t> in(n);
            uint16_t pcs[3];
            for (std::size_t c = 0; c < n; ++c)
                in[c] = static_cast<uint16_t>(std::lround(device[c] / 100.0 * 65535.0));
            converter_.convert(in.data(), pcs, 1);
            if (xyzPCS_)
                csICCPCS::XYZtoLab(pcs, pcs, 1);
            const Lab decoded = decodeLab16({pcs[0], pcs[1], pcs[2]});
            lab[0] = decoded.L;
            lab[1] = decoded.a;
            lab[2] = decoded.b;
        }
    }

    // L*a*b* to device percentages.
    void toDevice(const double lab[3], std::vector<double>& device)
    {
        const std::size_t n = device.size();
        if (useFloat_) {
            rfloat pcs[3];
            std::vector<rfloat> out(n);
            encodeLabFloat(lab, pcs);
            if (xyzPCS_)
                csICCPCS::LabtoXYZ(pcs, pcs, 1);
            converter_.convert(pcs, out.data(), 1);
            for (std::size_t c = 0; c < n; ++c)
                device[c] = out[c] / 65535.0 * 100.0;
        } else {
            const Lab16 code = encodeLab16({lab[0], lab[1], lab[2]});
            uint16_t pcs[3] = {code.L, code.a, code.b};
            std::vector<uint16_t> out(n);
            if (xyzPCS_)
                csICCPCS::LabtoXYZ(pcs, pcs, 1);
            converter_.convert(pcs, out.data(), 1);
            for (std::size_t c = 0; c < n; ++c)
                device[c] = out[c] / 65535.0 * 100.0;
        }
    }

private:
    csICCProfileConverter& converter_;
    bool xyzPCS_;
    bool useFloat_;
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
    const uint32_t logged = csErrorLog::count();
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

    LineConverter lines(converter, pcs == csSig("XYZ "), options.useFloat);
    const bool toLab = options.direction == 0;
    const std::size_t expected = toLab ? converter.numInputChannels() : 3;
    const std::size_t produced = toLab ? 3 : converter.numOutputChannels();
    bool failed = false;
    std::vector<double> values;
    std::vector<double> results(produced);
    char buffer[4096];
    std::size_t lineNumber = 0;
    while (std::fgets(buffer, sizeof buffer, in)) {
        ++lineNumber;
        const std::size_t length = std::strlen(buffer);
        if (length + 1 == sizeof buffer && buffer[length - 1] != '\n') {
            std::fprintf(err, "vestrel-cli: line %zu: longer than %zu characters\n", lineNumber, sizeof buffer - 2);
            failed = true;
            int c;
            while ((c = std::fgetc(in)) != EOF && c != '\n') {
            }
            continue;
        }
        const char* first = buffer + std::strspn(buffer, " \t\r\n");
        if (*first == 0 || *first == '#')
            continue;
        if (!parseNumbers(buffer, values) || values.size() != expected) {
            std::fprintf(err, "vestrel-cli: line %zu: expected %zu numbers\n", lineNumber, expected);
            failed = true;
            continue;
        }
        if (const char* problem = rangeProblem(values, toLab)) {
            std::fprintf(err, "vestrel-cli: line %zu: %s\n", lineNumber, problem);
            failed = true;
            continue;
        }
        if (toLab)
            lines.toLab(values, results.data());
        else
            lines.toDevice(values.data(), results);
        // Values that round to zero print as 0.0000, not -0.0000.
        for (std::size_t c = 0; c < produced; ++c)
            std::fprintf(out, c ? " %.4f" : "%.4f", std::abs(results[c]) < 0.00005 ? 0.0 : results[c]);
        std::fputc('\n', out);
    }
    return failed ? Failure : Success;
}
