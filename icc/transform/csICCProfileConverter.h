#pragma once
// One ICC profile as a colour conversion: device to PCS (A2B), PCS to
// device (B2A) or PCS to gamut flag, for a rendering intent and a white
// mode. It evaluates the profile's LUT tag for the intent (falling back to
// intent 0): "mft1" and "mft2" with the Lab encodings of their own, "mAB "
// and "mBA " in Lab v4 throughout; or the colorant matrix and tone curves of a matrix/TRC RGB
// profile, and wraps that with the encoding steps the program relies on:
// all Lab at its interface is Lab v4, and with a non-relative white mode the
// PCS side is scaled between relative and absolute colorimetry with the
// media white point.
//
// Ownership: the converter owns its interpolator, which points into a tag
// of the profile; the profile must outlive the converter, and whoever keeps
// interpolator() (the CLUT node correction does) must let go of it before
// the converter is destroyed or init() runs again.

#include "csColorConverter.h"
#include "csICCLutInterpolator.h"
#include "csICCPCS.h"
#include "csICCPipeline16.h"
#include "csMatrix3.h"

#include <memory>

class csICCProfile;
class csICCmftInterpolator;
class csICCcurvTag;

class csICCProfileConverter : public csColorConverter
{
public:
    enum Direction { AToB = 0, BToA = 1, BToGamut = 2 };
    enum WhiteMode { Relative = 0, AbsoluteStored = 1, AbsoluteNormalised = 2 };

    // Nothing is read from the profile until init().
    csICCProfileConverter(csICCProfile* profile, int direction, int intent, int whiteMode);
    ~csICCProfileConverter() override;
    csICCProfileConverter(const csICCProfileConverter&) = delete;
    csICCProfileConverter& operator=(const csICCProfileConverter&) = delete;

    // Each needs init() again afterwards.
    int setDirection(int direction);
    int setIntent(int intent);
    int setWhiteMode(int whiteMode);

    int init() override;
    int convert(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                std::size_t outStride = 0) override;
    int convert(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                std::size_t outStride = 0) override;
    // Planar conversions are not offered: a fatal entry and 1.
    int convert(uint16_t* const in[], uint16_t* const out[], std::size_t count) override;
    int convert(rfloat* const in[], rfloat* const out[], std::size_t count) override;

    const char* describe() override;
    const char* name() override;
    unsigned numInputChannels() const override { return numIn_; }
    unsigned numOutputChannels() const override { return numOut_; }
    const csSignature* inputSpace() const override { return &inSpace_; }
    const csSignature* outputSpace() const override { return &outSpace_; }

    // Absolute to relative colorimetry on the input side, and relative to
    // absolute on the output side, in place.
    void PCSFromAbs(uint16_t* values, std::size_t count, std::size_t stride = 0) const;
    void PCSFromAbs(rfloat* values, std::size_t count, std::size_t stride = 0) const;
    void PCSToAbs(uint16_t* values, std::size_t count, std::size_t stride = 0) const;
    void PCSToAbs(rfloat* values, std::size_t count, std::size_t stride = 0) const;
    // The matrix/TRC path; the forward curves run in place on the input.
    void RGBtoXYZ(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                  std::size_t outStride = 0) const;
    void RGBtoXYZ(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                  std::size_t outStride = 0) const;
    void XYZtoRGB(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride = 0,
                  std::size_t outStride = 0) const;
    void XYZtoRGB(rfloat* in, rfloat* out, std::size_t count, std::size_t inStride = 0,
                  std::size_t outStride = 0) const;

    // The white scaling of 16-bit Lab one way, made on first use.
    const csICCPCS::LabScaling& labScaling(bool toAbsolute) const;

    csICCProfile* profile() const { return profile_; }
    int direction() const { return direction_; }
    int intent() const { return intent_; }
    int whiteMode() const { return whiteMode_; }
    // Null for the matrix/TRC path and before init().
    csICCLutInterpolator* interpolator() const { return interpolator_.get(); }
    const double* mediaWhite() const { return mediaWhite_; }
    bool legacyInput() const { return legacyInput_; }
    bool legacyOutput() const { return legacyOutput_; }
    bool applyTRC() const { return applyTRC_; }
    void setApplyTRC(bool on) { applyTRC_ = on; }

    // The steps of a 16-bit conversion as one pipeline for the vector
    // kernels, valid until the profile or the converter changes; false where
    // the tables are not of a shape they take.
    bool pipeline16(csICCPipeline16& pipeline);

    // The form of the fixed-point kernels for 16-bit conversions (see
    // csICCLutInterpolator::setKernel), kept across init().
    cs1DInterpolate::ClutKernel kernel() const { return kernel_; }
    void setKernel(cs1DInterpolate::ClutKernel kernel);

private:
    // The steps of convert on rfloat, each a pass over the buffer.
    template <typename Value>
    int convertPixels(Value* in, Value* out, std::size_t count, std::size_t inStride, std::size_t outStride);
    // The same steps on 16-bit codes, a block of pixels at a time so that
    // the buffer stays in the first-level cache from step to step; the
    // Lab encoding changes go into the curve caches of an mft table, the
    // white scaling of Lab into one pass.
    void convertBlock(uint16_t* in, uint16_t* out, std::size_t count, std::size_t inStride, std::size_t outStride);
    void scalePCS16(bool toAbsolute, uint16_t* values, std::size_t count, std::size_t stride) const;
    // Refuses, with a log entry, a LUT matrix with entries beyond use or
    // that is singular.
    bool plausibleMatrix(csSignature tagName) const;
    int initInterpolator(csSignature tagName);
    int initMatrixAndCurves(csSignature tagName);
    // 0 also when the profile has none (with a warning); -1 for a white no
    // medium has.
    int readMediaWhite();
    void setLegacyFlags();
    // PCS side given by space; factors multiply X, Y, Z.
    static void scalePCS(csSignature space, uint16_t* values, std::size_t count, std::size_t stride,
                         const double factor[3]);
    static void scalePCS(csSignature space, rfloat* values, std::size_t count, std::size_t stride,
                         const double factor[3]);
    void fromAbsFactors(double factor[3]) const;
    void toAbsFactors(double factor[3]) const;

    csICCProfile* profile_;
    int direction_;
    int intent_;
    int whiteMode_;
    unsigned numIn_ = 0;
    unsigned numOut_ = 0;
    csSignature inSpace_ = 0;
    csSignature outSpace_ = 0;
    std::unique_ptr<csICCLutInterpolator> interpolator_;
    // The interpolator when it evaluates an mft table, which takes the Lab
    // encoding changes into its curves.
    csICCmftInterpolator* mftInterpolator_ = nullptr;
    // The white scaling of Lab, from absolute colorimetry and to it.
    mutable std::unique_ptr<csICCPCS::LabScaling> labScaling_[2];
    double mediaWhite_[3] = {1.0, 1.0, 1.0};
    csMatrix3 rgbToXYZ_;
    csMatrix3 xyzToRGB_;
    const csICCcurvTag* trc_[3] = {};
    bool applyTRC_ = true;
    bool legacyInput_ = false;
    bool legacyOutput_ = false;
    cs1DInterpolate::ClutKernel kernel_ = cs1DInterpolate::fastestKernel();
};
