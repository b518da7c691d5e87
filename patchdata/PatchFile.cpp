#include "PatchFile.h"

#include "SpectralColorimetry.h"
#include "TextEncoding.h"
#include "WholeFile.h"

#include <algorithm>
#include <numeric>
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

// Empty when lab is a colour a chart can hold; what names it ("the colour",
// "the reference").
EngineText labRangeProblem(const Lab& lab, const EngineText& what)
{
    if (!std::isfinite(lab.L) || !std::isfinite(lab.a) || !std::isfinite(lab.b))
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 is not a finite colour"), what);
    if (lab.L < 0.0 || lab.L > PatchFileReader::maxL)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 L* %2 is outside 0 to 110"), what, formatValue(lab.L));
    if (std::abs(lab.a) > PatchFileReader::maxAbsAB)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 a* %2 is outside -150 to 150"), what, formatValue(lab.a));
    if (std::abs(lab.b) > PatchFileReader::maxAbsAB)
        return EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 b* %2 is outside -150 to 150"), what, formatValue(lab.b));
    return {};
}

EngineText theColour()
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the colour"));
}

EngineText theReference()
{
    return EngineText::of(QT_TRANSLATE_NOOP("Engine", "the reference"));
}

// The value that a share of the values does not exceed (0.5: the median).
double quantile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * double(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Reflectance a print can have, as a fraction: a little below zero from
// instrument noise, above one only from fluorescence.
constexpr double lowestReflectance = -0.05;
// Enough of a file's description to tell what it is.
constexpr std::size_t maxDescription = 1000;
constexpr double highestReflectance = 1.6;
// Most patches of a chart reflect at most about all the light in their
// brightest band; papers with brighteners a few percent more.
constexpr double highestTypicalPeak = 1.05;
// A chart read in 0..1 has its paper or light tints among the brightest
// tenth of its patches; one whose brightest tenth stays below this is, in
// percent, a chart of near-blacks: the values alone cannot tell which.
constexpr double lightestTenthPeak = 0.5;
// Likewise its solids and shadows among the darkest tenth; one whose darkest
// tenth reflects more than this on average is, in percent, a chart of
// near-blacks all within a factor of three.
constexpr double darkestTenthMean = 0.3;
// XYZ with white Y = 1: nearly all Y up to this, the brightest patch at
// least half of it.
constexpr double unitWhiteMaxY = 1.1;
constexpr double unitWhiteBrightestY = 0.5;
constexpr double unitWhiteShare = 0.9;

// Turns the rows of one file into records as they arrive.
class RecordBuilder : public CgatsReader::Handler
{
public:
    explicit RecordBuilder(PatchFile& file)
        : file_(file)
    {
    }

    bool fields(const std::vector<std::string>& names, EngineText& problem) override
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

    bool row(int line, const std::vector<std::string_view>& values, EngineText& problem) override
    {
        // A row refused after its colour was kept takes the colour back.
        const std::size_t spectrumMark = spectra_.size(), xyzMark = xyz_.size();
        if (!buildRecord(line, values, problem)) {
            spectra_.resize(spectrumMark);
            xyz_.resize(xyzMark);
            return false;
        }
        return true;
    }

    void declaredSets(long sets) override { file_.declaredSets = sets; }

    void keyword(const std::string& name, std::string_view value) override
    {
        if (name == "SPECTRAL_NORM")
            spectralNorm_ = std::string(value);
        else if ((name == "DESCRIPTOR" || name == "ORIGINATOR") && file_.description.size() < maxDescription)
            file_.description.append(file_.description.empty() ? "" : " ").append(value.substr(0, maxDescription));
    }

private:
    bool buildRecord(int line, const std::vector<std::string_view>& values, EngineText& problem)
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
            if (file_.colourFields == ColourFields::XYZ) {
                // Converted when the file's scale is known.
                xyz_.push_back({v[0], v[1], v[2]});
            } else {
                record.lab = {v[0], v[1], v[2]};
                problem = labRangeProblem(record.lab, theColour());
                if (!problem.empty())
                    return false;
            }
        }

        if (file_.combined) {
            double v[3];
            for (int k = 0; k < 3; ++k)
                if (!number(values, reference_[k], v[k], problem))
                    return false;
            record.referenceLab = {v[0], v[1], v[2]};
            problem = labRangeProblem(record.referenceLab, theReference());
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
    // XYZ and spectra are kept until the whole file is read: their scale
    // (white Y = 1 or 100, reflectance in 0..1 or in percent) shows in the
    // bulk of the rows, and one odd row must not decide it for the others.
    // False with problem when the scale cannot be told.
    bool finish(EngineText& problem)
    {
        if (file_.colourFields == ColourFields::XYZ)
            return finishXYZ(problem);
        if (file_.colourFields == ColourFields::Spectral)
            return finishSpectra(problem);
        return true;
    }

private:
    // Keeps the records for which keep(index, record) is true; the others
    // are listed as skipped by the reason it set.
    template <typename Keep>
    void filterRecords(Keep keep)
    {
        std::vector<PatchRecord> kept;
        kept.reserve(file_.records.size());
        EngineText reason;
        for (std::size_t r = 0; r < file_.records.size(); ++r) {
            reason.clear();
            if (keep(r, file_.records[r], reason))
                kept.push_back(std::move(file_.records[r]));
            else
                file_.skipped.push_back({file_.records[r].line, reason});
        }
        file_.records = std::move(kept);
    }

    bool finishXYZ(EngineText& problem)
    {
        std::vector<double> ys;
        for (const auto& xyz : xyz_)
            ys.push_back(xyz[1]);
        double scale = 1;
        const std::size_t small = static_cast<std::size_t>(
            std::count_if(ys.begin(), ys.end(), [](double y) { return y <= unitWhiteMaxY; }));
        if (!ys.empty() && double(small) >= unitWhiteShare * double(ys.size())) {
            double brightest = 0;
            for (double y : ys)
                if (y <= unitWhiteMaxY)
                    brightest = std::max(brightest, y);
            // On the usual scale every patch would be darker than L* 10:
            // no chart is, every one has its paper.
            if (brightest < unitWhiteBrightestY) {
                problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "the XYZ values are all near 0 (the brightest "
                                                                     "patch has Y %1): neither white Y = 100 nor white "
                                                                     "Y = 1 fits; give XYZ with white Y = 100"),
                                         formatValue(brightest));
                return false;
            }
            scale = 100;
            file_.notes.push_back(EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "XYZ values read on a 0..1 scale (white Y = 1; the brightest patch has Y %1)"),
                formatValue(brightest)));
        }
        filterRecords([&](std::size_t r, PatchRecord& record, EngineText& reason) {
            const auto& v = xyz_[r];
            record.lab = xyzToLab({v[0] * scale, v[1] * scale, v[2] * scale});
            reason = labRangeProblem(record.lab, theColour());
            return reason.empty();
        });
        xyz_.clear();
        xyz_.shrink_to_fit();
        return true;
    }

    // What one reflectance of the file is: SPECTRAL_NORM where the file
    // states it, else 1 or 100 from the peaks of most rows.
    bool spectralScale(double& scale, EngineText& problem) const
    {
        if (!spectralNorm_.empty()) {
            if (!parseNumber(spectralNorm_, scale) || scale <= 0) {
                problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "SPECTRAL_NORM \"%1\" is not a positive number"),
                                         printable(spectralNorm_));
                return false;
            }
            return true;
        }
        const std::size_t n = spectralColumns_.size();
        std::vector<double> peaks, means;
        peaks.reserve(file_.records.size());
        means.reserve(file_.records.size());
        for (std::size_t r = 0; r < file_.records.size(); ++r) {
            const auto first = spectra_.begin() + static_cast<std::ptrdiff_t>(r * n);
            peaks.push_back(*std::max_element(first, first + static_cast<std::ptrdiff_t>(n)));
            means.push_back(std::accumulate(first, first + static_cast<std::ptrdiff_t>(n), 0.0) / double(n));
        }
        // The bulk decides, so that a few glitched rows do not: the median
        // patch, and the brightest tenth for whether the chart is light.
        const double typicalPeak = quantile(peaks, 0.5), lightPeak = quantile(peaks, 0.9);
        if (typicalPeak > highestReflectance || lightPeak > highestReflectance) {
            scale = 100;
        } else if (lightPeak >= lightestTenthPeak && lightPeak <= highestTypicalPeak &&
                   quantile(means, 0.1) <= darkestTenthMean) {
            scale = 1;
        } else {
            // Too bright for a print in 0..1, too dark to be sure of percent,
            // or dark either way: a chart of dark patches measured in percent
            // looks like this.
            problem = EngineText::of(
                QT_TRANSLATE_NOOP("Engine", "the spectral values fit reflectance in 0..1 and in percent alike (the "
                                            "brightest tenth of the patches peak at %1); state the scale with a "
                                            "keyword line SPECTRAL_NORM \"1\" or SPECTRAL_NORM \"100\" before the data"),
                formatValue(lightPeak));
            return false;
        }
        return true;
    }

    EngineText scaleName(double scale) const
    {
        if (!spectralNorm_.empty())
            return "SPECTRAL_NORM " + formatValue(scale);
        return scale == 100 ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "reflectance in percent"))
                            : EngineText::of(QT_TRANSLATE_NOOP("Engine", "reflectance in 0..1"));
    }

    bool finishSpectra(EngineText& problem)
    {
        double scale = 1;
        if (!file_.records.empty() && !spectralScale(scale, problem))
            return false;
        const std::size_t n = spectralColumns_.size();
        std::vector<double> reflectance(n);
        filterRecords([&](std::size_t r, PatchRecord& record, EngineText& reason) {
            for (std::size_t k = 0; k < n; ++k) {
                const double value = spectra_[r * n + k];
                reflectance[k] = value / scale;
                // Values are kept as float: 1.6 is a hair above 1.6.
                const double margin = 1e-6;
                if (reflectance[k] < lowestReflectance - margin || reflectance[k] > highestReflectance + margin) {
                    reason = EngineText::of(
                        QT_TRANSLATE_NOOP("Engine", "spectral value %1 at %2 nm is outside %3 to %4 (%5)"),
                        formatValue(value), std::to_string(int(firstNm_ + stepNm_ * double(k))),
                        formatValue(lowestReflectance * scale), formatValue(highestReflectance * scale),
                        scaleName(scale));
                    return false;
                }
            }
            XYZ xyz;
            std::string why;
            if (!reflectanceToXYZ(firstNm_, stepNm_, reflectance.data(), n, xyz, why)) {
                reason = why;
                return false;
            }
            record.lab = xyzToLab(xyz);
            reason = labRangeProblem(record.lab, theColour());
            return reason.empty();
        });
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

    bool number(const std::vector<std::string_view>& values, int column, double& value, EngineText& problem) const
    {
        const std::string_view text = values[static_cast<std::size_t>(column)];
        if (parseNumber(text, value))
            return true;
        problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "'%1' is not a number"), printable(text));
        return false;
    }

    bool spectralFields(const std::vector<std::string>& names, EngineText& problem)
    {
        std::vector<std::pair<int, int>> bands; // wavelength, column
        for (std::size_t c = 0; c < names.size(); ++c)
            if (const int nm = CgatsFields::spectralWavelength(names[c]); nm > 0)
                bands.emplace_back(nm, static_cast<int>(c));
        if (bands.empty()) {
            problem = EngineText::of(QT_TRANSLATE_NOOP(
                "Engine", "no colour fields: the file needs LAB_L LAB_A LAB_B, XYZ_X XYZ_Y XYZ_Z or SPECTRAL_ fields"));
            return false;
        }
        std::sort(bands.begin(), bands.end());
        if (bands.size() < 2) {
            problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "a spectrum needs at least two wavelengths"));
            return false;
        }
        const int step = bands[1].first - bands[0].first;
        for (std::size_t k = 1; k < bands.size(); ++k) {
            if (bands[k].first - bands[k - 1].first != step || step <= 0) {
                problem = EngineText::of(
                    QT_TRANSLATE_NOOP("Engine", "the spectral fields are not evenly spaced (%1 nm, then %2 nm)"),
                    std::to_string(bands[k - 1].first), std::to_string(bands[k].first));
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
        std::string why;
        if (!reflectanceToXYZ(firstNm_, stepNm_, flat.data(), flat.size(), xyz, why)) {
            problem = why;
            return false;
        }
        file_.colourFields = ColourFields::Spectral;
        return true;
    }

    bool readSpectrum(const std::vector<std::string_view>& values, EngineText& problem)
    {
        const std::size_t start = spectra_.size();
        for (int c : spectralColumns_) {
            double v;
            if (!number(values, c, v, problem)) {
                spectra_.resize(start);
                return false;
            }
            spectra_.push_back(static_cast<float>(v));
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
    std::vector<std::array<double, 3>> xyz_;
    std::string spectralNorm_;
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

bool parse(std::string_view text, PatchFile& file, EngineText& problem)
{
    file = PatchFile();
    RecordBuilder builder(file);
    CgatsReader reader;
    if (!reader.read(text, builder, problem))
        return false;
    file.skipped = reader.skipped();
    if (!builder.finish(problem))
        return false;
    std::sort(file.skipped.begin(), file.skipped.end(),
              [](const LineProblem& x, const LineProblem& y) { return x.line < y.line; });
    if (file.records.empty()) {
        const std::string lines = std::to_string(reader.dataLines());
        problem = file.skipped.empty()
                      ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "no usable patch: all %1 data lines were skipped"),
                                       lines)
                      : EngineText::of(QT_TRANSLATE_NOOP("Engine", "no usable patch: all %1 data lines were skipped "
                                                                   "(line %2: %3)"),
                                       lines, std::to_string(file.skipped.front().line), file.skipped.front().reason);
        return false;
    }
    return true;
}

bool read(const std::string& path, PatchFile& file, EngineText& problem)
{
    std::string text, unread;
    if (!readWholeFile(path, maxFileBytes, "patch file", text, unread)) {
        problem = unread;
        return false;
    }
    return parse(text, file, problem);
}

} // namespace PatchFileReader
