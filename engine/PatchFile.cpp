#include "PatchFile.h"

#include "SpectralColorimetry.h"
#include "WholeFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>

namespace {

// A number as instrument files write it: dot decimals, an optional sign and
// exponent. Locale plays no part; "1,5" and "inf" are not numbers here.
bool parseNumber(std::string_view text, double& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool parseInteger(std::string_view text, int& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::string formatValue(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Empty when lab is a colour a chart can hold.
std::string labRangeProblem(const Lab& lab, const char* what)
{
    if (!std::isfinite(lab.L) || !std::isfinite(lab.a) || !std::isfinite(lab.b))
        return std::string(what) + " is not a finite colour";
    if (lab.L < 0.0 || lab.L > PatchFileReader::maxL)
        return std::string(what) + " L* " + formatValue(lab.L) + " is outside 0 to 110";
    if (std::abs(lab.a) > PatchFileReader::maxAbsAB)
        return std::string(what) + " a* " + formatValue(lab.a) + " is outside -150 to 150";
    if (std::abs(lab.b) > PatchFileReader::maxAbsAB)
        return std::string(what) + " b* " + formatValue(lab.b) + " is outside -150 to 150";
    return {};
}

// The wavelength of a spectral field: SPECTRAL_NM380, SPECTRAL_380,
// SPECTRAL_NM_380; -1 for other names.
int spectralWavelength(const std::string& name)
{
    static const std::string prefix = "SPECTRAL_";
    if (name.rfind(prefix, 0) != 0)
        return -1;
    std::string_view rest(name);
    rest.remove_prefix(prefix.size());
    if (rest.rfind("NM", 0) == 0)
        rest.remove_prefix(2);
    if (!rest.empty() && rest.front() == '_')
        rest.remove_prefix(1);
    int nm = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), nm);
    if (ec != std::errc() || end != rest.data() + rest.size() || nm <= 0)
        return -1;
    return nm;
}

// Turns the rows of one file into records as they arrive.
class RecordBuilder : public CgatsReader::Handler
{
public:
    explicit RecordBuilder(PatchFile& file)
        : file_(file)
    {
    }

    bool fields(const std::vector<std::string>& names, std::string& problem) override
    {
        auto column = [&names](const char* name) {
            const auto it = std::find(names.begin(), names.end(), name);
            return it == names.end() ? -1 : static_cast<int>(it - names.begin());
        };
        id_ = column("SAMPLE_ID");
        name_ = column("SAMPLE_NAME");
        location_ = column("SAMPLE_LOC");
        file_.hasId = id_ >= 0;
        file_.hasName = name_ >= 0;
        file_.hasLocation = location_ >= 0;
        tolerance_ = column("TOL_FAILED");
        file_.hasToleranceMarks = tolerance_ >= 0;
        const int refL = column("REFLAB_L"), refA = column("REFLAB_A"), refB = column("REFLAB_B");
        if (refL >= 0 && refA >= 0 && refB >= 0) {
            file_.combined = true;
            reference_ = {refL, refA, refB};
        }

        const int L = column("LAB_L"), a = column("LAB_A"), b = column("LAB_B");
        const int X = column("XYZ_X"), Y = column("XYZ_Y"), Z = column("XYZ_Z");
        if (L >= 0 && a >= 0 && b >= 0) {
            file_.colourFields = ColourFields::Lab;
            colour_ = {L, a, b};
        } else if (X >= 0 && Y >= 0 && Z >= 0) {
            file_.colourFields = ColourFields::XYZ;
            colour_ = {X, Y, Z};
        } else if (!spectralFields(names, problem)) {
            return false;
        }

        for (const auto& [space, channels] : deviceFieldSets()) {
            std::vector<int> found;
            for (const char* channel : channels)
                if (const int c = column(channel); c >= 0)
                    found.push_back(c);
            if (found.size() == channels.size()) {
                file_.deviceSpace = space;
                file_.deviceChannels = static_cast<unsigned>(found.size());
                device_ = found;
                break;
            }
        }
        return true;
    }

    bool row(int line, const std::vector<std::string_view>& values, std::string& problem) override
    {
        // A row refused after its spectrum was kept takes the spectrum back.
        const std::size_t spectrumMark = spectra_.size();
        if (!buildRecord(line, values, problem)) {
            spectra_.resize(spectrumMark);
            return false;
        }
        return true;
    }

    void declaredSets(long sets) override { file_.declaredSets = sets; }

private:
    bool buildRecord(int line, const std::vector<std::string_view>& values, std::string& problem)
    {
        PatchRecord record;
        record.line = line;
        if (id_ >= 0)
            record.id = file_.keep(values[static_cast<std::size_t>(id_)]);
        if (name_ >= 0)
            record.name = file_.keep(values[static_cast<std::size_t>(name_)]);
        if (location_ >= 0)
            record.location = file_.keep(values[static_cast<std::size_t>(location_)]);

        if (file_.colourFields == ColourFields::Spectral) {
            if (!readSpectrum(values, problem))
                return false;
        } else {
            double v[3];
            for (int k = 0; k < 3; ++k)
                if (!number(values, colour_[k], v[k], problem))
                    return false;
            if (file_.colourFields == ColourFields::Lab)
                record.lab = {v[0], v[1], v[2]};
            else
                record.lab = xyzToLab({v[0], v[1], v[2]});
            problem = labRangeProblem(record.lab, "the colour");
            if (!problem.empty())
                return false;
        }

        if (file_.combined) {
            double v[3];
            for (int k = 0; k < 3; ++k)
                if (!number(values, reference_[k], v[k], problem))
                    return false;
            record.referenceLab = {v[0], v[1], v[2]};
            problem = labRangeProblem(record.referenceLab, "the reference");
            if (!problem.empty())
                return false;
            record.hasReferenceLab = true;
        }
        if (tolerance_ >= 0)
            record.hasToleranceMark =
                parseInteger(values[static_cast<std::size_t>(tolerance_)], record.toleranceMark);
        // Device values that do not parse are left out; the colour stays.
        const std::size_t first = file_.deviceValues.size();
        for (int c : device_) {
            double v;
            if (!parseNumber(values[static_cast<std::size_t>(c)], v)) {
                file_.deviceValues.resize(first);
                break;
            }
            file_.deviceValues.push_back(static_cast<float>(v));
        }
        if (file_.deviceValues.size() > first)
            record.device = static_cast<int32_t>(first);
        file_.records.push_back(std::move(record));
        return true;
    }

public:
    // Spectra are kept until the whole file is read, because whether the
    // file counts reflectance in 0..1 or in percent shows only over all rows.
    bool finishSpectra(std::vector<LineProblem>& skipped)
    {
        if (file_.colourFields != ColourFields::Spectral)
            return true;
        const bool percent = largestReflectance_ > 1.5;
        const std::size_t n = spectralColumns_.size();
        std::vector<PatchRecord> kept;
        kept.reserve(file_.records.size());
        std::vector<double> reflectance(n);
        for (std::size_t r = 0; r < file_.records.size(); ++r) {
            PatchRecord& record = file_.records[r];
            for (std::size_t k = 0; k < n; ++k)
                reflectance[k] = spectra_[r * n + k] / (percent ? 100.0 : 1.0);
            XYZ xyz;
            std::string problem;
            if (reflectanceToXYZ(firstNm_, stepNm_, reflectance.data(), n, xyz, problem)) {
                record.lab = xyzToLab(xyz);
                problem = labRangeProblem(record.lab, "the colour");
            }
            if (!problem.empty()) {
                skipped.push_back({record.line, problem});
                continue;
            }
            kept.push_back(std::move(record));
        }
        file_.records = std::move(kept);
        spectra_.clear();
        spectra_.shrink_to_fit();
        return true;
    }

private:
    static const std::vector<std::pair<std::string, std::vector<const char*>>>& deviceFieldSets()
    {
        static const std::vector<std::pair<std::string, std::vector<const char*>>> sets = {
            {"CMYK", {"CMYK_C", "CMYK_M", "CMYK_Y", "CMYK_K"}},
            {"RGB", {"RGB_R", "RGB_G", "RGB_B"}},
        };
        return sets;
    }

    bool number(const std::vector<std::string_view>& values, int column, double& value, std::string& problem) const
    {
        const std::string_view text = values[static_cast<std::size_t>(column)];
        if (parseNumber(text, value))
            return true;
        problem = "'" + std::string(text) + "' is not a number";
        return false;
    }

    bool spectralFields(const std::vector<std::string>& names, std::string& problem)
    {
        std::vector<std::pair<int, int>> bands; // wavelength, column
        for (std::size_t c = 0; c < names.size(); ++c)
            if (const int nm = spectralWavelength(names[c]); nm > 0)
                bands.emplace_back(nm, static_cast<int>(c));
        if (bands.empty()) {
            problem = "no colour fields: the file needs LAB_L LAB_A LAB_B, XYZ_X XYZ_Y XYZ_Z or SPECTRAL_ fields";
            return false;
        }
        std::sort(bands.begin(), bands.end());
        if (bands.size() < 2) {
            problem = "a spectrum needs at least two wavelengths";
            return false;
        }
        const int step = bands[1].first - bands[0].first;
        for (std::size_t k = 1; k < bands.size(); ++k) {
            if (bands[k].first - bands[k - 1].first != step || step <= 0) {
                problem = "the spectral fields are not evenly spaced (" + std::to_string(bands[k - 1].first) +
                          " nm, then " + std::to_string(bands[k].first) + " nm)";
                return false;
            }
        }
        firstNm_ = bands.front().first;
        stepNm_ = step;
        for (const auto& band : bands)
            spectralColumns_.push_back(band.second);
        // Refuse a spacing or range the colorimetry cannot weigh, before any row.
        std::vector<double> flat(bands.size(), 0.5);
        XYZ xyz;
        if (!reflectanceToXYZ(firstNm_, stepNm_, flat.data(), flat.size(), xyz, problem))
            return false;
        file_.colourFields = ColourFields::Spectral;
        return true;
    }

    bool readSpectrum(const std::vector<std::string_view>& values, std::string& problem)
    {
        const std::size_t start = spectra_.size();
        for (int c : spectralColumns_) {
            double v;
            if (!number(values, c, v, problem)) {
                spectra_.resize(start);
                return false;
            }
            spectra_.push_back(static_cast<float>(v));
            largestReflectance_ = std::max(largestReflectance_, v);
        }
        return true;
    }

    PatchFile& file_;
    int id_ = -1, name_ = -1, location_ = -1, tolerance_ = -1;
    std::array<int, 3> colour_ = {-1, -1, -1};
    std::array<int, 3> reference_ = {-1, -1, -1};
    std::vector<int> device_;
    std::vector<int> spectralColumns_;
    double firstNm_ = 0, stepNm_ = 0;
    std::vector<float> spectra_;
    double largestReflectance_ = 0;
};

} // namespace

std::string_view PatchFile::displayName(const PatchRecord& record) const
{
    return text(hasName ? record.name : hasLocation ? record.location : record.id);
}

std::vector<double> PatchFile::device(const PatchRecord& record) const
{
    if (record.device < 0)
        return {};
    const auto first = deviceValues.begin() + record.device;
    return {first, first + deviceChannels};
}

TextRef PatchFile::keep(std::string_view text)
{
    const TextRef ref{static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(text.size())};
    texts.append(text);
    return ref;
}

namespace PatchFileReader {

bool parse(std::string_view text, PatchFile& file, std::string& problem)
{
    file = PatchFile();
    RecordBuilder builder(file);
    CgatsReader reader;
    if (!reader.read(text, builder, problem))
        return false;
    file.skipped = reader.skipped();
    builder.finishSpectra(file.skipped);
    std::sort(file.skipped.begin(), file.skipped.end(),
              [](const LineProblem& x, const LineProblem& y) { return x.line < y.line; });
    if (file.records.empty()) {
        problem = "no usable patch: all " + std::to_string(reader.dataLines()) + " data lines were skipped";
        if (!file.skipped.empty())
            problem += " (line " + std::to_string(file.skipped.front().line) + ": " + file.skipped.front().reason + ")";
        return false;
    }
    return true;
}

bool read(const std::string& path, PatchFile& file, std::string& problem)
{
    std::string text;
    if (!readWholeFile(path, maxFileBytes, "patch file", text, problem))
        return false;
    return parse(text, file, problem);
}

} // namespace PatchFileReader
