#pragma once
// The correction of one patch: its cube of B2A1 nodes, the offset between
// measurement and reference, the aim that the profile's round-trip
// prediction has to reach, and the optimisation that steps the nodes until
// the prediction gets there. The separation details window shows what this
// holds; vestrel-cli and the tests use it directly.
//
// Values that the window shows with two decimals and reads back (the aim,
// the round-trip result, the remaining difference) are kept rounded the
// same way, so that every caller gets the same numbers to the last digit.

#include "ColorDifference.h"
#include "csCLUTCube.h"

#include <memory>

class csICCProfileConverter;

// value as it reads back from "%.2f" text.
double twoDecimals(double value);

class PatchCorrector
{
public:
    static constexpr double gradientStep = 10.0;

    PatchCorrector(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1);
    ~PatchCorrector();

    // Replaces the converters; the cube, which points into the old ones, goes.
    void setConverters(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1);

    // Loads one patch: the cube at the reference, the offset and the aim.
    // False when the converters cannot serve (missing, or a table the cube
    // cannot work on).
    bool setPatch(const Lab& reference, const Lab& measured, double threshold);
    // Re-reads the reference (after a hand edit of it); false as setPatch.
    bool setReference(const Lab& reference);
    // The round-trip result and the remaining difference to the aim, from
    // the tables as they stand now.
    void refresh();
    // The optimisation of this patch; returns the number of iterations run.
    int iterate(bool roundTrip);

    // The arithmetic of one iteration, on its own so that it can be checked:
    // a channel's claim to be moved (-1 when it may not move), the
    // least-squares change in whole 8-bit levels (negative to decrease), and
    // the step applied from it after the dry run answered r.
    static double channelProjection(double dot, double dE, uint16_t device);
    static double rawStep(double dot, double norm);
    static double scaledStep(double scale, double step0, double r, bool decrease);

    // Finite-difference gradient of the A2B1 prediction at dev, in Lab16
    // units per device unit: dlab_d[channel][L, a, b].
    void calculateA2BGradient(const uint16_t* dev, double dlab_d[][3], double gradstep) const;

    const csCLUTCube* cube() const { return cube_.get(); }
    csCLUTCube* cube() { return cube_.get(); }
    const Lab& reference() const { return reference_; }
    const Lab& offset() const { return offset_; }
    double threshold() const { return threshold_; }
    bool hasAim() const { return hasAim_; }
    const Lab& aim() const { return aim_; }
    // The CLUT interpolation result alone and the final device values of the
    // reference; the round-trip Lab and the remaining difference as shown.
    const uint16_t* clutResult() const { return clutResult_; }
    const uint16_t* deviceResult() const { return deviceResult_; }
    const Lab& result() const { return result_; }
    bool hasDelta() const { return hasDelta_; }
    const Lab& delta() const { return delta_; }
    double deltaE() const;

private:
    // dev = B2A1(absCol), cur = A2B1(dev) decoded.
    void predict(uint16_t* dev, Lab& current) const;

    csICCProfileConverter* b2a1_;
    csICCProfileConverter* a2b1_;
    std::unique_ptr<csCLUTCube> cube_;
    Lab reference_ = {0, 0, 0};
    Lab offset_ = {0, 0, 0};
    double threshold_ = 0;
    bool hasAim_ = false;
    Lab aim_ = {0, 0, 0};
    uint16_t clutResult_[csCLUTCube::maxOutputs] = {};
    uint16_t deviceResult_[csCLUTCube::maxOutputs] = {};
    Lab result_ = {0, 0, 0};
    bool hasDelta_ = false;
    Lab delta_ = {0, 0, 0};
};
