#include "csICCProfileConverter.h"

#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfile.h"
#include "csICCSpace.h"
#include "csICCXYZTag.h"
#include "csICCcurvTag.h"
#include "csICCmABInterpolator.h"
#include "csICCmft1Interpolator.h"
#include "csICCmft2Interpolator.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>

namespace {

// The CIE D50 of relative/absolute scaling (it differs in Z from the ICC
// D50 that the Lab formulas use; both are what profiles expect).
constexpr double d50X = 0.96422;
constexpr double d50Y = 1.0;
constexpr double d50Z = 0.82521;

// A media white darker than L* 9 or brighter than twice D50 is no paper or
// display white; scaling with it would push every colour out of range.
constexpr float minWhiteComponent = 0.01f;
constexpr float maxWhiteComponent = 2.0f;
// XYZ encodings end below 2, so a LUT matrix entry beyond this sends nearly
// every colour to the table's edge.
constexpr double maxMatrixEntry = 4.0;
// Far below any matrix a profile maker writes (the smallest, a scaling of
// XYZ by 0.5, has 0.125), far above the rounding of 15.16 entries.
constexpr double minMatrixDeterminant = 1e-4;

bool isOneOf(csSignature value, std::initializer_list<csSignature> set)
{
    for (csSignature s : set)
        if (s == value)
            return true;
    return false;
}

// The 16.16 form of a scaling factor, limited to what 32 bits hold.
uint32_t fixed16(double factor)
{
    const double v = std::trunc(factor * 65536.0 + 0.5);
    return v <= 0.0 ? 0 : v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

uint16_t roundLimited(double v)
{
    return csRoundToCode16(v);
}

inline std::size_t strideOr(std::size_t stride, unsigned channels)
{
    return stride ? stride : channels;
}

} // namespace

csICCProfileConverter::csICCProfileConverter(csICCProfile* profile, int direction, int intent, int whiteMode)
    : profile_(profile), direction_(direction), intent_(intent), whiteMode_(whiteMode)
{
}

csICCProfileConverter::~csICCProfileConverter() = default;

int csICCProfileConverter::setDirection(int direction)
{
    assert(direction >= 0 && direction <= 2);
    direction_ = direction;
    return 0;
}

int csICCProfileConverter::setIntent(int intent)
{
    assert(intent >= 0 && intent <= 9);
    intent_ = intent;
    return 0;
}

int csICCProfileConverter::setWhiteMode(int whiteMode)
{
    assert(whiteMode >= 0 && whiteMode <= 2);
    whiteMode_ = whiteMode;
    return 0;
}

int csICCProfileConverter::init()
{
    if (!profile_) {
        csErrorLog::fatal("null pointer", "converter initialised without a profile");
        return -1;
    }
    const csICCProfileHeader& header = profile_->header();
    if (header.deviceClass() == csSig("nmcl")) {
        csErrorLog::error("wrong profile class", "conversion requested but profile class is named color");
        return -1;
    }

    const csSignature dataSpace = header.colorSpace();
    const csSignature pcs = header.pcs();
    const unsigned dataChannels = csICCSpace(dataSpace).numChannels();
    const unsigned pcsChannels = csICCSpace(pcs).numChannels();
    csSignature tagName;
    switch (direction_) {
    case AToB:
        tagName = csSig("A2B0");
        numIn_ = dataChannels;
        numOut_ = pcsChannels;
        inSpace_ = dataSpace;
        outSpace_ = pcs;
        break;
    case BToA:
        tagName = csSig("B2A0");
        numIn_ = pcsChannels;
        numOut_ = dataChannels;
        inSpace_ = pcs;
        outSpace_ = dataSpace;
        break;
    case BToGamut:
        tagName = csSig("gamt");
        numIn_ = pcsChannels;
        numOut_ = 1;
        inSpace_ = pcs;
        outSpace_ = csSig("gamt");
        break;
    default:
        csErrorLog::fatal("bad conversion direction", "should be A2B, B2A, or B2Gamut; is %d", direction_);
        return -1;
    }

    if (direction_ != BToGamut && pcs != csSig("Lab ") && pcs != csSig("XYZ "))
        whiteMode_ = Relative;
    if (static_cast<unsigned>(intent_) > 9)
        csErrorLog::fatal("bad intent", "should be 0-9; is %d", intent_);
    if (static_cast<unsigned>(whiteMode_) > 2)
        csErrorLog::fatal("bad white mode", "should be 0-2; is %d", whiteMode_);

    mediaWhite_[0] = mediaWhite_[1] = mediaWhite_[2] = 1.0;
    if (whiteMode_ != Relative && readMediaWhite() != 0)
        return -1;

    interpolator_.reset();
    mftInterpolator_ = nullptr;
    labScaling_[0].reset();
    labScaling_[1].reset();
    trc_[0] = trc_[1] = trc_[2] = nullptr;
    legacyInput_ = legacyOutput_ = false;

    // The gamut tag has no intent variants, so its name stays as it is.
    if (direction_ != BToGamut && static_cast<unsigned>(intent_) <= 9) {
        uint8_t name[4];
        csSetSignature(name, tagName);
        name[3] = static_cast<uint8_t>('0' + intent_);
        tagName = csGetSignature(name);
    }
    const csICCTagTable& tags = profile_->tagTable();
    if (!tags.contains(tagName) && direction_ != BToGamut) {
        uint8_t name[4];
        csSetSignature(name, tagName);
        name[3] = '0';
        tagName = csGetSignature(name);
    }
    const int result = tags.contains(tagName) ? initInterpolator(tagName) : initMatrixAndCurves(tagName);
    if (result != 0)
        return result;
    mftInterpolator_ = dynamic_cast<csICCmftInterpolator*>(interpolator_.get());
    if (interpolator_)
        interpolator_->setKernel(kernel_);
    setLegacyFlags();
    return 0;
}

void csICCProfileConverter::setKernel(cs1DInterpolate::ClutKernel kernel)
{
    kernel_ = kernel;
    if (interpolator_)
        interpolator_->setKernel(kernel);
}

int csICCProfileConverter::readMediaWhite()
{
    const auto* white = dynamic_cast<const csICCXYZTag*>(profile_->tagTable().find(csSig("wtpt")));
    float xyz[3];
    if (!white || white->getXYZ(0, xyz) != 0) {
        csErrorLog::warning("media white point missing", "non-relative conversion requested but no wtpt tag found");
        return 0;
    }
    for (float v : xyz) {
        if (!(v >= minWhiteComponent && v <= maxWhiteComponent)) {
            csErrorLog::error("implausible media white point", "wtpt %g %g %g; each of X, Y, Z must lie in %g to %g",
                              xyz[0], xyz[1], xyz[2], minWhiteComponent, maxWhiteComponent);
            return -1;
        }
    }
    mediaWhite_[0] = xyz[0];
    mediaWhite_[1] = xyz[1];
    mediaWhite_[2] = xyz[2];
    if (whiteMode_ == AbsoluteNormalised) {
        mediaWhite_[0] = xyz[0] * 100.0 / xyz[1];
        mediaWhite_[2] = xyz[2] * 100.0 / xyz[1];
        mediaWhite_[1] = 100.0;
    }
    return 0;
}

int csICCProfileConverter::initInterpolator(csSignature tagName)
{
    csICCTag* tag = profile_->tagTable().find(tagName);
    if (auto* mft2 = dynamic_cast<csICCmft2Tag*>(tag))
        interpolator_ = std::make_unique<csICCmft2Interpolator>(mft2);
    else if (auto* mft1 = dynamic_cast<csICCmft1Tag*>(tag))
        interpolator_ = std::make_unique<csICCmft1Interpolator>(mft1);
    else if (auto* lutAB = dynamic_cast<csICCmABTag*>(tag))
        interpolator_ = std::make_unique<csICCmABInterpolator>(lutAB);
    if (!interpolator_) {
        csErrorLog::error("unsupported mft tag type", "cannot create an interpolator for an '%4s' tag",
                          csSigText(tag->getType()).text);
        return -1;
    }
    // Callers size their buffers by the profile's colour spaces; a table of
    // other channel counts would read or write past them.
    if (interpolator_->numInputs() != numIn_ || interpolator_->numOutputs() != numOut_) {
        csErrorLog::error("LUT does not match profile",
                          "tag '%4s' converts %u to %u channels, but the profile's spaces have %u and %u",
                          csSigText(tagName).text, interpolator_->numInputs(), interpolator_->numOutputs(), numIn_,
                          numOut_);
        interpolator_.reset();
        return -1;
    }
    if (!plausibleMatrix(tagName)) {
        interpolator_.reset();
        return -1;
    }
    return 0;
}

bool csICCProfileConverter::plausibleMatrix(csSignature tagName) const
{
    // The matrix of every LUT type, entries and then (mAB/mBA) offsets, in
    // 15.16 as stored; an identity or absent matrix needs no look.
    double entries[12] = {};
    int count = 0;
    if (const auto* mft = dynamic_cast<const csICCmftTag*>(interpolator_->tag())) {
        if (numIn_ != 3 || mft->matrixIsIdentity())
            return true;
        for (int i = 0; i < 9; ++i)
            entries[i] = csGetS15Fixed16Raw(mft->data() + csICCmftTag::matrixOffset + 4 * i) / 65536.0;
        count = 9;
    } else if (const auto* lutAB = dynamic_cast<const csICCmABTag*>(interpolator_->tag())) {
        if (!lutAB->hasMatrix())
            return true;
        for (int i = 0; i < 12; ++i)
            entries[i] = lutAB->matrix()[i] / 65536.0;
        count = 12;
    }
    if (count == 0)
        return true;
    for (int i = 0; i < count; ++i)
        if (std::abs(entries[i]) > maxMatrixEntry) {
            csErrorLog::error("implausible matrix", "tag '%4s': matrix entry %d is %g; at most %g is usable",
                              csSigText(tagName).text, i + 1, entries[i], maxMatrixEntry);
            return false;
        }
    // A matrix that flattens colour space sends every colour to one plane
    // (an all-zero one to a single point): no table is usable behind it.
    const double* m = entries;
    const double determinant = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                               m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (std::abs(determinant) < minMatrixDeterminant) {
        csErrorLog::error("implausible matrix", "tag '%4s': the matrix is singular (determinant %g)",
                          csSigText(tagName).text, determinant);
        return false;
    }
    return true;
}

int csICCProfileConverter::initMatrixAndCurves(csSignature tagName)
{
    const csICCProfileHeader& header = profile_->header();
    if (header.colorSpace() != csSig("RGB ") || header.pcs() != csSig("XYZ ") || direction_ == BToGamut) {
        csErrorLog::error("missing tags", "cannot find '%4s' tag for requested conversion", csSigText(tagName).text);
        return -1;
    }
    const csICCTagTable& tags = profile_->tagTable();
    const csSignature colorants[3] = {csSig("rXYZ"), csSig("gXYZ"), csSig("bXYZ")};
    const csSignature curves[3] = {csSig("rTRC"), csSig("gTRC"), csSig("bTRC")};
    for (int i = 0; i < 3; ++i) {
        const auto* colorant = dynamic_cast<const csICCXYZTag*>(tags.find(colorants[i]));
        if (!colorant || colorant->getXYZ(0, rgbToXYZ_[i]) != 0) {
            csErrorLog::error("missing tags", "not all three of the rXYZ, gXYZ, bXYZ tags are present");
            return -1;
        }
        for (int k = 0; k < 3; ++k) {
            if (!(std::abs(rgbToXYZ_[i][k]) <= maxMatrixEntry)) {
                csErrorLog::error("implausible matrix", "tag '%4s': %g; at most %g is usable",
                                  csSigText(colorants[i]).text, rgbToXYZ_[i][k], maxMatrixEntry);
                return -1;
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        trc_[i] = dynamic_cast<const csICCcurvTag*>(tags.find(curves[i]));
        if (!trc_[i]) {
            trc_[0] = trc_[1] = trc_[2] = nullptr;
            csErrorLog::error("missing tags", "not all three of the rTRC, gTRC, bTRC tags are present");
            return -1;
        }
    }
    if (direction_ != AToB) {
        const int inverted = csMatrix3::invert(rgbToXYZ_, xyzToRGB_);
        if (inverted != 0) {
            csErrorLog::error("B2A matrix failed", "could not invert RGB-to-XYZ matrix");
            return inverted;
        }
    }
    return 0;
}

void csICCProfileConverter::setLegacyFlags()
{
    if (!interpolator_ || !dynamic_cast<const csICCmft2Tag*>(interpolator_->tag()))
        return;
    const csICCProfileHeader& header = profile_->header();
    const csSignature deviceClass = header.deviceClass();
    const bool labPCS = header.pcs() == csSig("Lab ");
    const bool labData = header.colorSpace() == csSig("Lab ");
    const auto classes = {csSig("abst"), csSig("scnr"), csSig("mntr"), csSig("prtr"), csSig("spac")};
    switch (direction_) {
    case AToB:
        legacyOutput_ = isOneOf(deviceClass, classes) && labPCS;
        legacyInput_ = deviceClass == csSig("abst") && labData;
        break;
    case BToA:
        legacyInput_ = isOneOf(deviceClass, classes) && labPCS;
        legacyOutput_ = deviceClass == csSig("abst") && labData;
        break;
    default:
        legacyInput_ = labPCS;
        break;
    }
}

template <typename Value>
int csICCProfileConverter::convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride,
                                         std::size_t outStride)
{
    inStride = strideOr(inStride, numIn_);
    outStride = strideOr(outStride, numOut_);
    if (direction_ == AToB) {
        if (legacyInput_)
            csICCPCS::LabV4toLegacy(in, in, count, inStride, inStride);
        if (interpolator_)
            interpolator_->convert(in, out, count, inStride, outStride);
        else if (trc_[0])
            RGBtoXYZ(in, out, count, inStride, outStride);
        if (legacyOutput_)
            csICCPCS::LabLegacytoV4(out, out, count, outStride, outStride);
        if (whiteMode_ != Relative)
            PCSToAbs(out, count, outStride);
    } else {
        if (whiteMode_ != Relative)
            PCSFromAbs(in, count, inStride);
        if (legacyInput_)
            csICCPCS::LabV4toLegacy(in, in, count, inStride, inStride);
        if (interpolator_)
            interpolator_->convert(in, out, count, inStride, outStride);
        else if (trc_[0])
            XYZtoRGB(in, out, count, inStride, outStride);
        if (legacyOutput_)
            csICCPCS::LabLegacytoV4(out, out, count, outStride, outStride);
    }
    return 0;
}

int csICCProfileConverter::convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    inStride = strideOr(inStride, numIn_);
    outStride = strideOr(outStride, numOut_);
    if (kernel_ != cs1DInterpolate::ClutKernel::Scalar && count >= csICCPipeline16::minPixels) {
        csICCPipeline16 pipeline;
        if (pipeline16(pipeline)) {
            pipeline.run(kernel_, in, out, count, inStride, outStride);
            return 0;
        }
    }
    // 1024 pixels of up to four channels take 8 KB on either side.
    constexpr std::size_t blockPixels = 1024;
    for (std::size_t done = 0; done < count; done += blockPixels)
        convertBlock(in + done * inStride, out + done * outStride, std::min(blockPixels, count - done), inStride,
                     outStride);
    return 0;
}

// The white scaling of XYZ and the legacy Lab encoding work channel by
// channel and go into an mft table's curve caches; the white scaling of Lab
// does not, and runs as a pass of its own.
void csICCProfileConverter::convertBlock(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                         std::size_t outStride)
{
    using Change = csICCmftInterpolator::CodeChange;
    const bool absolute = whiteMode_ != Relative;
    const bool toPCS = direction_ == AToB;
    const bool scaleLab = absolute && (toPCS ? outSpace_ : inSpace_) == csSig("Lab ");
    const bool scalingPass = scaleLab || (absolute && !mftInterpolator_);
    if (!toPCS && scaleLab)
        labScaling(false).apply(in, in, count, inStride, inStride);
    else if (!toPCS && scalingPass)
        scalePCS16(false, in, count, inStride);
    if (mftInterpolator_) {
        Change before, after;
        if (legacyInput_)
            before.kind = Change::LabV4toLegacy;
        if (legacyOutput_)
            after.kind = Change::LabLegacytoV4;
        if (absolute && !scaleLab) {
            Change& scale = toPCS ? after : before;
            scale.kind = Change::ScaleXYZ;
            double factor[3];
            if (toPCS)
                toAbsFactors(factor);
            else
                fromAbsFactors(factor);
            for (int c = 0; c < 3; ++c)
                scale.factor[c] = fixed16(factor[c]);
        }
        mftInterpolator_->convert(in, out, count, inStride, outStride, before, after);
    } else if (interpolator_) {
        // Only mft tables have the legacy encoding; the flags stay clear here.
        interpolator_->convert(in, out, count, inStride, outStride);
    } else if (trc_[0] && toPCS) {
        RGBtoXYZ(in, out, count, inStride, outStride);
    } else if (trc_[0]) {
        XYZtoRGB(in, out, count, inStride, outStride);
    }
    if (toPCS && scaleLab)
        labScaling(true).apply(out, out, count, outStride, outStride);
    else if (toPCS && scalingPass)
        scalePCS16(true, out, count, outStride);
}

bool csICCProfileConverter::pipeline16(csICCPipeline16& pipeline)
{
    using Change = csICCmftInterpolator::CodeChange;
    using Kind = csICCPipeline16::Kind;
    const auto* lutAB = dynamic_cast<const csICCmABInterpolator*>(interpolator_.get());
    if (!mftInterpolator_ && !lutAB)
        return false;
    const bool absolute = whiteMode_ != Relative;
    const bool toPCS = direction_ == AToB;
    const csSignature pcs = toPCS ? outSpace_ : inSpace_;
    const bool scaleLab = absolute && pcs == csSig("Lab ");
    pipeline.inputs = numIn_;
    pipeline.outputs = numOut_;
    double factor[3];
    if (toPCS)
        toAbsFactors(factor);
    else
        fromAbsFactors(factor);
    // The white scaling: of Lab a stage of its own; of XYZ one folded into an
    // mft table's curves, or a stage before or after an 'mAB '/'mBA ' table.
    Change scaleXYZ;
    if (absolute && !scaleLab) {
        scaleXYZ.kind = Change::ScaleXYZ;
        for (int c = 0; c < 3; ++c)
            scaleXYZ.factor[c] = fixed16(factor[c]);
    }
    auto addScaling = [&]() {
        if (scaleLab) {
            csICCPipeline16::Stage* stage = pipeline.add(Kind::LabScaling, 3);
            if (stage)
                stage->scaling = &labScaling(toPCS);
            return stage != nullptr;
        }
        if (absolute && !mftInterpolator_) {
            csICCPipeline16::Stage* stage = pipeline.add(Kind::ScaleXYZ, 3);
            if (stage)
                std::copy(scaleXYZ.factor, scaleXYZ.factor + 3, stage->factor);
            return stage != nullptr;
        }
        return true;
    };
    if (!toPCS && !addScaling())
        return false;
    if (mftInterpolator_) {
        Change before, after;
        if (legacyInput_)
            before.kind = Change::LabV4toLegacy;
        if (legacyOutput_)
            after.kind = Change::LabLegacytoV4;
        if (absolute && !scaleLab)
            (toPCS ? after : before) = scaleXYZ;
        if (!mftInterpolator_->appendTo(pipeline, before, after))
            return false;
    } else if (!lutAB->appendTo(pipeline)) {
        return false;
    }
    if (toPCS && !addScaling())
        return false;
    return pipeline.runnable();
}

void csICCProfileConverter::scalePCS16(bool toAbsolute, uint16_t* values, std::size_t count, std::size_t stride) const
{
    const csSignature space = toAbsolute ? outSpace_ : inSpace_;
    if (space == csSig("Lab ")) {
        labScaling(toAbsolute).apply(values, values, count, stride, stride);
        return;
    }
    double factor[3];
    if (toAbsolute)
        toAbsFactors(factor);
    else
        fromAbsFactors(factor);
    scalePCS(space, values, count, stride, factor);
}

const csICCPCS::LabScaling& csICCProfileConverter::labScaling(bool toAbsolute) const
{
    std::unique_ptr<csICCPCS::LabScaling>& scaling = labScaling_[toAbsolute];
    if (!scaling) {
        double factor[3];
        if (toAbsolute)
            toAbsFactors(factor);
        else
            fromAbsFactors(factor);
        scaling = std::make_unique<csICCPCS::LabScaling>(factor[0], factor[1], factor[2]);
    }
    return *scaling;
}

int csICCProfileConverter::convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                   std::size_t outStride)
{
    return convertPixels(in, out, count, inStride, outStride);
}

int csICCProfileConverter::convert(uint16_t* const[], uint16_t* const[], std::size_t)
{
    csErrorLog::fatal("not implemented", "convert/uint16/planar not implemented");
    return 1;
}

int csICCProfileConverter::convert(rfloat* const[], rfloat* const[], std::size_t)
{
    csErrorLog::fatal("not implemented", "convert/rfloat/planar not implemented");
    return 1;
}

const char* csICCProfileConverter::describe()
{
    static char text[128];
    std::snprintf(text, sizeof text, "Dir %d Int %d Wht %d in %u Out %u Interp...", direction_, intent_, whiteMode_,
                  numIn_, numOut_);
    return text;
}

const char* csICCProfileConverter::name()
{
    return describe();
}

void csICCProfileConverter::fromAbsFactors(double factor[3]) const
{
    factor[0] = d50X / mediaWhite_[0];
    factor[1] = d50Y / mediaWhite_[1];
    factor[2] = d50Z / mediaWhite_[2];
}

void csICCProfileConverter::toAbsFactors(double factor[3]) const
{
    factor[0] = mediaWhite_[0] / d50X;
    factor[1] = mediaWhite_[1] / d50Y;
    factor[2] = mediaWhite_[2] / d50Z;
}

void csICCProfileConverter::scalePCS(csSignature space, uint16_t* values, std::size_t count, std::size_t stride,
                                     const double factor[3])
{
    const bool lab = space == csSig("Lab ");
    if (lab)
        csICCPCS::LabtoXYZ(values, values, count, stride, stride);
    csICCPCS::scaleXYZ(values, values, count, fixed16(factor[0]), fixed16(factor[1]), fixed16(factor[2]), stride,
                       stride);
    if (lab)
        csICCPCS::XYZtoLab(values, values, count, stride, stride);
}

void csICCProfileConverter::scalePCS(csSignature space, rfloat* values, std::size_t count, std::size_t stride,
                                     const double factor[3])
{
    const bool lab = space == csSig("Lab ");
    if (lab)
        csICCPCS::LabtoXYZ(values, values, count, stride, stride);
    csICCPCS::scaleXYZ(values, values, count, factor[0], factor[1], factor[2], stride, stride);
    if (lab)
        csICCPCS::XYZtoLab(values, values, count, stride, stride);
}

void csICCProfileConverter::PCSFromAbs(uint16_t* values, std::size_t count, std::size_t stride) const
{
    scalePCS16(false, values, count, strideOr(stride, numIn_));
}

void csICCProfileConverter::PCSFromAbs(rfloat* values, std::size_t count, std::size_t stride) const
{
    double factor[3];
    fromAbsFactors(factor);
    scalePCS(inSpace_, values, count, strideOr(stride, numIn_), factor);
}

void csICCProfileConverter::PCSToAbs(uint16_t* values, std::size_t count, std::size_t stride) const
{
    scalePCS16(true, values, count, strideOr(stride, numOut_));
}

void csICCProfileConverter::PCSToAbs(rfloat* values, std::size_t count, std::size_t stride) const
{
    double factor[3];
    toAbsFactors(factor);
    scalePCS(outSpace_, values, count, strideOr(stride, numOut_), factor);
}

void csICCProfileConverter::RGBtoXYZ(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                     std::size_t outStride) const
{
    inStride = strideOr(inStride, 3);
    outStride = strideOr(outStride, 3);
    if (applyTRC_)
        for (int c = 0; c < 3; ++c)
            trc_[c]->forward16(in + c, in + c, count, inStride, inStride);
    const csMatrix3& m = rgbToXYZ_;
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        const double r = in[0] / 65535.0 * 32768.0, g = in[1] / 65535.0 * 32768.0, b = in[2] / 65535.0 * 32768.0;
        for (int k = 0; k < 3; ++k)
            out[k] = roundLimited(m[0][k] * r + m[1][k] * g + m[2][k] * b);
    }
}

void csICCProfileConverter::RGBtoXYZ(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                     std::size_t outStride) const
{
    inStride = strideOr(inStride, 3);
    outStride = strideOr(outStride, 3);
    if (applyTRC_)
        for (int c = 0; c < 3; ++c)
            trc_[c]->forwardDouble(in + c, in + c, count, inStride, inStride);
    const csMatrix3& m = rgbToXYZ_;
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        const double r = in[0] / 65535.0, g = in[1] / 65535.0, b = in[2] / 65535.0;
        for (int k = 0; k < 3; ++k)
            out[k] = (m[0][k] * r + m[1][k] * g + m[2][k] * b) * 32768.0;
    }
}

void csICCProfileConverter::XYZtoRGB(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride,
                                     std::size_t outStride) const
{
    inStride = strideOr(inStride, 3);
    outStride = strideOr(outStride, 3);
    const csMatrix3& n = xyzToRGB_;
    uint16_t* const first = out;
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        const double x = in[0] / 32768.0 * 65535.0, y = in[1] / 32768.0 * 65535.0, z = in[2] / 32768.0 * 65535.0;
        for (int k = 0; k < 3; ++k)
            out[k] = roundLimited(n[0][k] * x + n[1][k] * y + n[2][k] * z);
    }
    if (applyTRC_)
        for (int c = 0; c < 3; ++c)
            trc_[c]->inverse16(first + c, first + c, count, outStride, outStride);
}

void csICCProfileConverter::XYZtoRGB(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride,
                                     std::size_t outStride) const
{
    inStride = strideOr(inStride, 3);
    outStride = strideOr(outStride, 3);
    const csMatrix3& n = xyzToRGB_;
    rfloat* const first = out;
    for (std::size_t i = 0; i < count; ++i, in += inStride, out += outStride) {
        const double x = in[0] / 32768.0, y = in[1] / 32768.0, z = in[2] / 32768.0;
        for (int k = 0; k < 3; ++k)
            out[k] = (n[0][k] * x + n[1][k] * y + n[2][k] * z) * 65535.0;
    }
    if (applyTRC_)
        for (int c = 0; c < 3; ++c)
            trc_[c]->inverseDouble(first + c, first + c, count, outStride, outStride);
}
