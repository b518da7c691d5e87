#include "csCLUTCube.h"

#include "csICCLutInterpolator.h"
#include "csICCPCS.h"
#include "csICCProfileConverter.h"
#include "csICCmftTag.h"

#include <algorithm>
#include <cmath>

namespace {

double cornerDeltaE(const Lab16& nominal, const Lab16& actual)
{
    return deltaE(decodeLab16(nominal), decodeLab16(actual));
}

} // namespace

csCLUTCube::csCLUTCube(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1)
    : b2a1_(b2a1), a2b1_(a2b1)
{
    if (b2a1_)
        interpolator_ = b2a1_->interpolator();
    if (interpolator_)
        nodes_ = ClutNodes(interpolator_->tag());
    inputCurvesOnly_ = interpolator_ && dynamic_cast<const csICCmftTag*>(interpolator_->tag());
    uint16_t probe[3] = {0, 0x8000, 0xFFFF};
    if (!a2b1_)
        problem_ = EngineText::of(QT_TRANSLATE_NOOP("Engine", "there is no A2B1 table to predict the print with"));
    else if (!interpolator_)
        problem_ = EngineText::of(QT_TRANSLATE_NOOP("Engine", "it is not a lookup table"));
    else if (!interpolator_->hasClut())
        problem_ = EngineText::of(QT_TRANSLATE_NOOP("Engine", "it has no CLUT (only curves and a matrix)"));
    else if (!nodes_ || interpolator_->numInputs() != 3 || interpolator_->numOutputs() > maxOutputs ||
             a2b1_->numInputChannels() != interpolator_->numOutputs())
        problem_ = EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "it does not take Lab to the device channels of A2B1 (at most %1)"),
            std::to_string(maxOutputs));
    else if (!interpolator_->inverseBeforeClut(probe, probe, 1))
        problem_ = EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "its matrix before the CLUT cannot be inverted, so its nodes' colours are unknown"));
}

void csCLUTCube::cornerIndices(int corner, uint16_t indices[3]) const
{
    indices[0] = static_cast<uint16_t>(baseIndex_[0] + ((corner >> 2) & 1));
    indices[1] = static_cast<uint16_t>(baseIndex_[1] + ((corner >> 1) & 1));
    indices[2] = static_cast<uint16_t>(baseIndex_[2] + (corner & 1));
}

void csCLUTCube::setReference(double L, double a, double b)
{
    if (!usable())
        return;
    absCol_ = encodeLab16({L, a, b});
    uint16_t rel[3] = {absCol_.L, absCol_.a, absCol_.b};
    b2a1_->PCSFromAbs(rel, 1);
    relCol_ = {rel[0], rel[1], rel[2]};

    if (b2a1_->legacyInput()) {
        uint16_t probe[3] = {0xFF00, 0x8000, 0x8000};
        interpolator_->beforeClut(probe, 1);
        if (probe[0] != 0xFFFF)
            findings_ |= WrongLegacyLScaling;
        csICCPCS::LabV4toLegacy(rel, preInput_, 1);
    } else {
        findings_ |= NotLegacyInput;
        std::copy(rel, rel + 3, preInput_);
    }
    uint16_t pre[3] = {preInput_[0], preInput_[1], preInput_[2]};
    interpolator_->beforeClut(pre, 1);
    locate(pre);
}

void csCLUTCube::locate(const uint16_t preCLUT[3])
{
    if (!usable())
        return;
    double fraction[3];
    for (int d = 0; d < 3; ++d) {
        preCLUT_[d] = preCLUT[d];
        const uint32_t grid = interpolator_->gridPoints()[d];
        const double position = (grid - 1) * preCLUT[d] / 65535.0;
        uint32_t base;
        if (position < 0.0)
            base = 0;
        else if (position >= grid - 1)
            base = grid - 2;
        else
            base = static_cast<uint32_t>(std::floor(position));
        baseIndex_[d] = static_cast<uint16_t>(base);
        fraction[d] = position - base;
    }
    for (int c = 0; c < corners; ++c) {
        const double wi = (c >> 2) & 1 ? fraction[0] : 1.0 - fraction[0];
        const double wj = (c >> 1) & 1 ? fraction[1] : 1.0 - fraction[1];
        const double wk = c & 1 ? fraction[2] : 1.0 - fraction[2];
        weight_[c] = wi * wj * wk;

        uint16_t indices[3];
        cornerIndices(c, indices);
        const Lab16 nominal = nodeLab(indices[0], indices[1], indices[2]);
        uint16_t device[maxOutputs] = {};
        nodes_.get(indices, device);
        interpolator_->afterClut(device, 1);
        uint16_t actual[3];
        a2b1_->convert(device, actual, 1);
        nodeDeltaE_[c] = cornerDeltaE(nominal, {actual[0], actual[1], actual[2]});
        factor_[c] = nodeFactor(nodeDeltaE_[c], weight_[c]);
    }
}

Lab16 csCLUTCube::nodeLab(uint16_t gx, uint16_t gy, uint16_t gz) const
{
    if (!usable())
        return {0, 0, 0};
    const uint16_t grid[3] = {gx, gy, gz};
    uint16_t v[3];
    for (int d = 0; d < 3; ++d)
        v[d] = csRoundToCode16(grid[d] * 65535.0 / (interpolator_->gridPoints()[d] - 1));
    uint16_t pre[3];
    interpolator_->inverseBeforeClut(v, pre, 1);
    uint16_t check[3] = {pre[0], pre[1], pre[2]};
    interpolator_->beforeClut(check, 1);
    // Only input curves alone should invert exactly. Through curves, a
    // matrix and curves codes round on the way, and grid corners may lie
    // beyond every PCS value (a*, b* beyond 127, or outside the matrix's
    // range); those nodes stand for the nearest colour there is.
    if (inputCurvesOnly_ && (check[0] != v[0] || check[1] != v[1] || check[2] != v[2]))
        findings_ |= InverseMismatch;
    if (b2a1_->legacyInput())
        csICCPCS::LabLegacytoV4(pre, pre, 1);
    a2b1_->PCSToAbs(pre, 1);
    return {pre[0], pre[1], pre[2]};
}

std::vector<EngineText> csCLUTCube::describe(unsigned findings)
{
    std::vector<EngineText> lines;
    if (findings & WrongLegacyLScaling)
        lines.push_back(EngineText::of(QT_TRANSLATE_NOOP("Engine", "B2A1 warning: wrong legacy L scaling")));
    if (findings & InverseMismatch)
        lines.push_back(EngineText::of(
            QT_TRANSLATE_NOOP("Engine", "B2A1 warning: an input curve does not invert exactly at a grid node")));
    return lines;
}

double csCLUTCube::nodeFactor(double nodeDeltaE, double weight)
{
    const double f1 = std::max(1.0, 1.0 + std::log10(nodeDeltaE));
    const double f2 = std::max(0.5, 1.0 + 0.5 * std::log10(weight));
    return f1 * f2;
}

double csCLUTCube::applyStep(unsigned channel, double step, bool dryRun)
{
    if (!usable() || channel >= interpolator_->numOutputs())
        return 0.0;
    double result = 0.0;
    for (int c = 0; c < corners; ++c) {
        uint16_t indices[3];
        cornerIndices(c, indices);
        uint16_t value[maxOutputs] = {};
        nodes_.get(indices, value);
        const double old = value[channel];
        const double moved = std::min(65535.0, std::max(0.0, old + factor_[c] * step));
        result += (moved - old) * weight_[c];
        if (!dryRun) {
            value[channel] = static_cast<uint16_t>(moved);
            nodes_.set(indices, value);
        }
    }
    return result;
}
