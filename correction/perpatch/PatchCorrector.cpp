#include "PatchCorrector.h"

#include "csICCLutInterpolator.h"
#include "csICCPCS.h"
#include "csICCProfileConverter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

double twoDecimals(double value)
{
    // The shortest exact conversions: the same digits as "%.2f" and strtod,
    // a tenth of the time.
    char text[400];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    double back = 0;
    std::from_chars(text, written.ptr, back);
    return back;
}

namespace {

Lab shown(const Lab& lab)
{
    return {twoDecimals(lab.L), twoDecimals(lab.a), twoDecimals(lab.b)};
}

// The L* axis of Lab16 counts 655.35 per unit, a* and b* 257: dividing the
// L gradient by 2.55 puts all three on one scale.
constexpr double lScale = 2.55;
// Steps are whole 8-bit device levels on the 16-bit scale.
constexpr double codesPerLevel = 257.0;
// A step of one channel is limited to about 5 % of the range.
constexpr double largestStep = 3277.0;

} // namespace

PatchCorrector::PatchCorrector(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1)
    : b2a1_(b2a1), a2b1_(a2b1)
{
}

PatchCorrector::~PatchCorrector() = default;

void PatchCorrector::setConverters(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1)
{
    cube_.reset();
    b2a1_ = b2a1;
    a2b1_ = a2b1;
    hasAim_ = hasDelta_ = false;
}

bool PatchCorrector::setReference(const Lab& reference)
{
    if (!b2a1_ || !a2b1_)
        return false;
    if (!cube_)
        cube_ = std::make_unique<csCLUTCube>(b2a1_, a2b1_);
    if (!cube_->usable())
        return false;
    reference_ = reference;
    cube_->setReference(reference.L, reference.a, reference.b);
    refresh();
    return true;
}

bool PatchCorrector::setPatch(const Lab& reference, const Lab& measured, double threshold)
{
    threshold_ = threshold;
    if (!setReference(reference))
        return false;
    offset_ = {measured.L - reference.L, measured.a - reference.a, measured.b - reference.b};

    // The round-trip prediction of the reference, moved against the offset:
    // printing there puts the print on the reference.
    uint16_t pcs[3] = {cube_->absCol().L, cube_->absCol().a, cube_->absCol().b};
    uint16_t device[csCLUTCube::maxOutputs] = {};
    uint16_t roundTrip[3];
    b2a1_->convert(pcs, device, 1);
    a2b1_->convert(device, roundTrip, 1);
    const Lab16 aim = {csRoundToCode16(roundTrip[0] - csICCPCS::labV4LScale * offset_.L),
                       csRoundToCode16(roundTrip[1] - csICCPCS::labV4ABScale * offset_.a),
                       csRoundToCode16(roundTrip[2] - csICCPCS::labV4ABScale * offset_.b)};
    aim_ = shown(decodeLab16(aim));
    hasAim_ = true;
    refresh();
    return true;
}

void PatchCorrector::refresh()
{
    if (!cube_ || !cube_->usable())
        return;
    csICCLutInterpolator* interpolator = cube_->interpolator();

    // The CLUT alone, then the whole table with its output curves.
    uint16_t pre[3] = {cube_->preInput()[0], cube_->preInput()[1], cube_->preInput()[2]};
    interpolator->beforeClut(pre, 1);
    interpolator->clutStage(pre, clutResult_, 1);
    Lab roundTrip;
    predict(deviceResult_, roundTrip);
    result_ = shown(roundTrip);

    hasDelta_ = hasAim_;
    if (hasDelta_)
        delta_ = shown({result_.L - aim_.L, result_.a - aim_.a, result_.b - aim_.b});
}

double PatchCorrector::deltaE() const
{
    return twoDecimals(std::sqrt(delta_.L * delta_.L + delta_.a * delta_.a + delta_.b * delta_.b));
}

void PatchCorrector::predict(uint16_t* dev, Lab& current) const
{
    const Lab16& absCol = cube_->absCol();
    uint16_t pcs[3] = {absCol.L, absCol.a, absCol.b};
    b2a1_->convert(pcs, dev, 1);
    uint16_t device[csCLUTCube::maxOutputs];
    std::copy(dev, dev + csCLUTCube::maxOutputs, device);
    uint16_t lab[3];
    a2b1_->convert(device, lab, 1);
    current = decodeLab16({lab[0], lab[1], lab[2]});
}

void PatchCorrector::calculateA2BGradient(const uint16_t* dev, double dlab_d[][3], double gradstep) const
{
    const unsigned n = a2b1_->numInputChannels();
    rfloat x[csCLUTCube::maxOutputs];
    rfloat base[3];
    std::copy(dev, dev + n, x);
    a2b1_->convert(x, base, 1);
    for (unsigned i = 0; i < n; ++i) {
        std::copy(dev, dev + n, x);
        // Forward where there is headroom, backward at the top of the range.
        const double offset = x[i] <= 65535.0 - gradstep ? gradstep : -gradstep;
        x[i] += offset;
        rfloat out[3];
        a2b1_->convert(x, out, 1);
        for (int k = 0; k < 3; ++k)
            dlab_d[i][k] = (out[k] - base[k]) / offset;
    }
}

double PatchCorrector::channelProjection(double dot, double dE, uint16_t device)
{
    // A channel at 0 is never changed; one at the top may only decrease.
    if (dot > 0 && device > 0)
        return dot / dE;
    if (dot <= 0 && device > 0 && device < 65535)
        return -dot / dE;
    return -1.0;
}

double PatchCorrector::rawStep(double dot, double norm)
{
    const double step0 = std::floor(std::abs(dot) / norm) * codesPerLevel;
    return dot > 0 ? -step0 : step0;
}

double PatchCorrector::scaledStep(double scale, double step0, double r, bool decrease)
{
    const double s = std::min(scale * 0.05 * step0 * (step0 / std::abs(r)), largestStep);
    return decrease ? -s : s;
}

int PatchCorrector::iterate(bool roundTrip)
{
    if (!hasAim_ || !cube_ || !cube_->usable())
        return -1;
    const int limit = roundTrip ? 20 : 10;
    const double stopThreshold = roundTrip ? threshold_ : 0.0;
    const unsigned n = b2a1_->numOutputChannels();

    // The state of one prediction: device values, gradient and difference.
    struct Prediction
    {
        uint16_t dev[csCLUTCube::maxOutputs] = {};
        double gradient[csCLUTCube::maxOutputs][3] = {};
        Lab d = {0, 0, 0};
        double dE = 0;
    };
    auto predictAll = [this](Prediction& p) {
        Lab current;
        predict(p.dev, current);
        calculateA2BGradient(p.dev, p.gradient, gradientStep);
        p.d = {current.L - aim_.L, current.a - aim_.a, current.b - aim_.b};
        p.dE = std::sqrt(p.d.L * p.d.L + p.d.a * p.d.a + p.d.b * p.d.b);
    };

    Prediction now;
    predictAll(now);
    int iterations = 0;
    if (roundTrip && threshold_ > now.dE) {
        refresh();
        return iterations;
    }

    double scale = 10.0;
    for (; iterations < limit; ++iterations) {
        double proj[csCLUTCube::maxOutputs], dot[csCLUTCube::maxOutputs], norm[csCLUTCube::maxOutputs];
        for (unsigned i = 0; i < n; ++i) {
            proj[i] = -1.0;
            const double* g = now.gradient[i];
            norm[i] = std::sqrt(g[0] / lScale * g[0] / lScale + g[1] * g[1] + g[2] * g[2]);
            dot[i] = (now.d.L * g[0] / lScale + now.d.a * g[1] + now.d.b * g[2]) / norm[i];
            proj[i] = channelProjection(dot[i], now.dE, now.dev[i]);
        }

        int best = -1;
        double step0 = 0, r = 0;
        for (;;) {
            best = -1;
            for (unsigned i = 0; i < n; ++i)
                if (proj[i] > 0 && (best < 0 || proj[i] > proj[best]))
                    best = static_cast<int>(i);
            if (best < 0)
                break;
            step0 = rawStep(dot[best], norm[best]);
            r = cube_->applyStep(static_cast<unsigned>(best), step0, true);
            if (std::abs(r) >= 1.0)
                break;
            proj[best] = -1.0;
        }
        if (best < 0)
            break;

        const double s = scaledStep(scale, step0, r, dot[best] > 0);
        cube_->applyStep(static_cast<unsigned>(best), s, false);
        const Prediction before = now;
        predictAll(now);
        if (now.dE <= stopThreshold) {
            if (scale == 1.0) {
                ++iterations;
                break;
            }
            // Past the threshold: take the step back and approach from above
            // in steps a tenth of the size, from the state before the step.
            cube_->applyStep(static_cast<unsigned>(best), -s, false);
            now = before;
            scale = 1.0;
        }
    }
    refresh();
    return iterations;
}
