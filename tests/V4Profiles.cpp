#include "V4Profiles.h"

#include "TestSupport.h"
#include "csICCProfile.h"
#include "csMatrix3.h"

#include <lcms2.h>

#include <algorithm>

namespace {

// Lab v4 codes per legacy code.
constexpr double legacyToV4 = 65535.0 / 65280.0;

cmsStage* scaling(double factor)
{
    const double m[9] = {factor, 0, 0, 0, factor, 0, 0, 0, factor};
    return cmsStageAllocMatrix(nullptr, 3, 3, m, nullptr);
}

// Parametric curves, one of each ICC function type but 2, all rising from
// about 0 to 1 so that Little CMS can reverse them.
cmsStage* parametric(bool first, bool reversed)
{
    struct Curve { int type; double parameters[7]; };
    static const Curve curves[2][3] = {
        {{3, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}}, {0, {1.25}}, {1, {1.5, 0.95, 0.05}}},
        {{0, {0.8}}, {4, {2.0, 0.9, 0.1, 0.261, 0.1, 0.0, 0.01}}, {3, {1.8, 1.0, 0.0, 0.0251189, 0.01}}},
    };
    cmsToneCurve* made[3];
    for (int c = 0; c < 3; ++c) {
        const Curve& curve = curves[first ? 0 : 1][c];
        cmsToneCurve* forward = cmsBuildParametricToneCurve(nullptr, curve.type + 1, curve.parameters);
        made[c] = reversed ? cmsReverseToneCurve(forward) : cmsDupToneCurve(forward);
        cmsFreeToneCurve(forward);
    }
    cmsStage* stage = cmsStageAllocToneCurves(nullptr, 3, made);
    for (cmsToneCurve* curve : made)
        cmsFreeToneCurve(curve);
    return stage;
}

// x -> M x + offset, or its inverse. Rows add up to below 1, so 0..1 stays
// inside 0..1.
cmsStage* mixing(bool inverse)
{
    const csMatrix3 forward(0.9f, 0.05f, 0.0f, 0.0f, 0.9f, 0.05f, 0.05f, 0.0f, 0.9f);
    const double offset[3] = {0.02, 0.03, 0.01};
    csMatrix3 m = forward;
    if (inverse)
        csMatrix3::invert(forward, m);
    double entries[9], shift[3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            entries[3 * r + c] = m[r][c];
        shift[r] = inverse ? -(m[r][0] * offset[0] + m[r][1] * offset[1] + m[r][2] * offset[2]) : offset[r];
    }
    return cmsStageAllocMatrix(nullptr, 3, 3, entries, shift);
}

cmsPipeline* pipelineOf(unsigned in, unsigned out, std::initializer_list<cmsStage*> stages)
{
    cmsPipeline* p = cmsPipelineAlloc(nullptr, in, out);
    for (cmsStage* s : stages)
        cmsPipelineInsertStage(p, cmsAT_END, s);
    return p;
}

// A lut8/lut16 pipeline: a matrix (three inputs, not identity), input
// curves, CLUT, output curves.
struct LutStages
{
    cmsStage* matrix = nullptr;
    cmsStage* input = nullptr;
    cmsStage* clut = nullptr;
    cmsStage* output = nullptr;
    explicit LutStages(const cmsPipeline* p)
    {
        for (cmsStage* s = cmsPipelineGetPtrToFirstStage(p); s; s = cmsStageNext(s)) {
            if (cmsStageType(s) == cmsSigMatrixElemType)
                matrix = s;
            else if (cmsStageType(s) == cmsSigCLutElemType)
                clut = s;
            else
                (clut ? output : input) = s;
        }
    }
};

// The CLUT is sampled through first, then second; values in between are
// limited to 0..1.
struct Sampling
{
    const cmsPipeline* first;
    const cmsPipeline* second;
};

int sample(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo)
{
    const Sampling& s = *static_cast<const Sampling*>(cargo);
    cmsFloat32Number x[cmsMAXCHANNELS], middle[cmsMAXCHANNELS], y[cmsMAXCHANNELS];
    for (cmsUInt32Number k = 0; k < cmsPipelineInputChannels(s.first); ++k)
        x[k] = in[k] / 65535.0f;
    cmsPipelineEvalFloat(x, middle, s.first);
    for (cmsUInt32Number k = 0; k < cmsPipelineOutputChannels(s.first); ++k)
        middle[k] = std::min(1.0f, std::max(0.0f, middle[k]));
    cmsPipelineEvalFloat(middle, y, s.second);
    for (cmsUInt32Number k = 0; k < cmsPipelineOutputChannels(s.second); ++k)
        out[k] = static_cast<cmsUInt16Number>(std::min(1.0f, std::max(0.0f, y[k])) * 65535.0f + 0.5f);
    return 1;
}

cmsStage* resampled(bool bToA, unsigned in, unsigned out, const cmsPipeline* first, const cmsPipeline* second)
{
    static const cmsUInt32Number pcsGrid[3] = {33, 29, 31};
    static const cmsUInt32Number deviceGrid[4] = {9, 11, 7, 13};
    cmsStage* clut = cmsStageAllocCLut16bitGranular(nullptr, bToA ? pcsGrid : deviceGrid, in, out, nullptr);
    Sampling s = {first, second};
    cmsStageSampleCLut16bit(clut, sample, &s, 0);
    return clut;
}

cmsPipeline* sameTable(const cmsPipeline* lut, bool bToA, bool legacy)
{
    const LutStages s(lut);
    const unsigned in = cmsPipelineInputChannels(lut), out = cmsPipelineOutputChannels(lut);
    cmsPipeline* made = pipelineOf(in, out, {cmsStageDup(s.input), cmsStageDup(s.clut), cmsStageDup(s.output)});
    // The Lab scaling, or a lut16 matrix, goes between identity curves.
    if (bToA && (legacy || s.matrix)) {
        cmsPipelineInsertStage(made, cmsAT_BEGIN, legacy ? scaling(1 / legacyToV4) : cmsStageDup(s.matrix));
        cmsPipelineInsertStage(made, cmsAT_BEGIN, cmsStageAllocToneCurves(nullptr, in, nullptr));
    } else if (!bToA && legacy) {
        cmsPipelineInsertStage(made, cmsAT_END, scaling(legacyToV4));
        cmsPipelineInsertStage(made, cmsAT_END, cmsStageAllocToneCurves(nullptr, out, nullptr));
    }
    return made;
}

cmsPipeline* reshapedTable(const cmsPipeline* lut, bool bToA, bool legacy)
{
    const LutStages s(lut);
    const unsigned in = cmsPipelineInputChannels(lut), out = cmsPipelineOutputChannels(lut);
    // The device-side curves stay; the new CLUT takes in the rest of the
    // table and undoes the new curves and matrix on the PCS side.
    cmsPipeline* original = sameTable(lut, bToA, legacy);
    cmsPipelineUnlinkStage(original, bToA ? cmsAT_END : cmsAT_BEGIN, nullptr);
    cmsPipeline* made;
    if (bToA) {
        cmsPipeline* undo = pipelineOf(3, 3, {parametric(false, true), mixing(true), parametric(true, true)});
        made = pipelineOf(in, out, {parametric(true, false), mixing(false), parametric(false, false),
                                    resampled(true, in, out, undo, original), cmsStageDup(s.output)});
        cmsPipelineFree(undo);
    } else {
        // The inverse mixing after the CLUT, so that the whole PCS range,
        // paper white included, stays within reach of the CLUT's 0..1.
        cmsPipeline* undo = pipelineOf(3, 3, {parametric(true, true), mixing(false), parametric(false, true)});
        made = pipelineOf(in, out, {cmsStageDup(s.input), resampled(false, in, out, original, undo),
                                    parametric(false, false), mixing(true), parametric(true, false)});
        cmsPipelineSetSaveAs8bitsFlag(made, TRUE);
        cmsPipelineFree(undo);
    }
    cmsPipelineFree(original);
    return made;
}

} // namespace

std::vector<uint8_t> testProfile(const std::string& file, V4Tables tables, const std::string& withoutClut)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath(file));
    if (tables == V4Tables::None)
        return bytes;
    csICCProfile ours;
    ours.setProfile(bytes.data(), bytes.size());
    cmsHPROFILE profile = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
    const bool lab = cmsGetPCS(profile) == cmsSigLabData;
    cmsSetProfileVersion(profile, 4.3);
    const cmsTagSignature tables16[] = {cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag,
                                        cmsSigBToA0Tag, cmsSigBToA1Tag, cmsSigBToA2Tag};
    for (cmsTagSignature sig : tables16) {
        uint8_t name[4];
        csSetUInt32(name, sig);
        const csICCTag* tag = ours.tagTable().find(csGetSignature(name));
        // A tag that shares another's data follows it when that is written.
        if (!tag || cmsTagLinkedTo(profile, sig) != 0)
            continue;
        const bool legacy = lab && tag->getType() == csSig("mft2");
        const bool bToA = name[0] == 'B';
        const cmsPipeline* lut = static_cast<const cmsPipeline*>(cmsReadTag(profile, sig));
        cmsPipeline* made = withoutClut == csSigText(csGetSignature(name)).text
                                ? pipelineOf(3, 3, {parametric(true, false), mixing(false), parametric(false, false)})
                            : tables == V4Tables::Same ? sameTable(lut, bToA, legacy)
                                                       : reshapedTable(lut, bToA, legacy);
        cmsWriteTag(profile, sig, made);
        cmsPipelineFree(made);
    }
    cmsMD5computeID(profile);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> written(size);
    cmsSaveProfileToMem(profile, written.data(), &size);
    cmsCloseProfile(profile);
    return written;
}
