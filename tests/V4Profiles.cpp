#include "V4Profiles.h"

#include "TestSupport.h"
#include "csICCProfile.h"

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
    const double m[9] = {0.9, 0.05, 0.0, 0.0, 0.9, 0.05, 0.05, 0.0, 0.9};
    const double offset[3] = {0.02, 0.03, 0.01};
    if (!inverse)
        return cmsStageAllocMatrix(nullptr, 3, 3, m, offset);
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    const double inv[9] = {(m[4] * m[8] - m[5] * m[7]) / det, (m[2] * m[7] - m[1] * m[8]) / det,
                           (m[1] * m[5] - m[2] * m[4]) / det, (m[5] * m[6] - m[3] * m[8]) / det,
                           (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
                           (m[3] * m[7] - m[4] * m[6]) / det, (m[1] * m[6] - m[0] * m[7]) / det,
                           (m[0] * m[4] - m[1] * m[3]) / det};
    double back[3];
    for (int r = 0; r < 3; ++r)
        back[r] = -(inv[3 * r] * offset[0] + inv[3 * r + 1] * offset[1] + inv[3 * r + 2] * offset[2]);
    return cmsStageAllocMatrix(nullptr, 3, 3, inv, back);
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

cmsStage* dup(cmsStage* s)
{
    return cmsStageDup(s);
}

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
    static const cmsUInt32Number pcsGrid[3] = {33, 17, 21};
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
    if (bToA) {
        if (!legacy && !s.matrix)
            return pipelineOf(in, out, {dup(s.input), dup(s.clut), dup(s.output)});
        return pipelineOf(in, out, {cmsStageAllocToneCurves(nullptr, in, nullptr),
                                    legacy ? scaling(1 / legacyToV4) : dup(s.matrix), dup(s.input), dup(s.clut),
                                    dup(s.output)});
    }
    if (!legacy)
        return pipelineOf(in, out, {dup(s.input), dup(s.clut), dup(s.output)});
    return pipelineOf(in, out, {dup(s.input), dup(s.clut), dup(s.output), scaling(legacyToV4),
                                cmsStageAllocToneCurves(nullptr, out, nullptr)});
}

cmsPipeline* reshapedTable(const cmsPipeline* lut, bool bToA, bool legacy)
{
    const LutStages s(lut);
    const unsigned in = cmsPipelineInputChannels(lut), out = cmsPipelineOutputChannels(lut);
    cmsPipeline* made;
    if (bToA) {
        // PCS -> B, matrix, M -> CLUT: the CLUT undoes them before the original table.
        cmsPipeline* undo = pipelineOf(3, 3, {parametric(false, true), mixing(true), parametric(true, true)});
        cmsPipeline* original = pipelineOf(in, out, {});
        if (legacy)
            cmsPipelineInsertStage(original, cmsAT_END, scaling(1 / legacyToV4));
        for (cmsStage* stage : {s.matrix, s.input, s.clut})
            if (stage)
                cmsPipelineInsertStage(original, cmsAT_END, dup(stage));
        made = pipelineOf(in, out, {parametric(true, false), mixing(false), parametric(false, false),
                                    resampled(true, in, out, undo, original), dup(s.output)});
        cmsPipelineFree(undo);
        cmsPipelineFree(original);
    } else {
        // CLUT -> M, matrix, B -> PCS: the CLUT holds the PCS values with them undone.
        cmsPipeline* original = pipelineOf(in, out, {dup(s.clut), dup(s.output)});
        if (legacy)
            cmsPipelineInsertStage(original, cmsAT_END, scaling(legacyToV4));
        cmsPipeline* undo = pipelineOf(3, 3, {parametric(true, true), mixing(true), parametric(false, true)});
        made = pipelineOf(in, out, {dup(s.input), resampled(false, in, out, original, undo), parametric(false, false),
                                    mixing(false), parametric(true, false)});
        cmsPipelineSetSaveAs8bitsFlag(made, TRUE);
        cmsPipelineFree(undo);
        cmsPipelineFree(original);
    }
    return made;
}

} // namespace

std::vector<uint8_t> testProfile(const std::string& file, V4Tables tables)
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
        cmsPipeline* made = tables == V4Tables::Same ? sameTable(lut, bToA, legacy) : reshapedTable(lut, bToA, legacy);
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
