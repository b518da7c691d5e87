#pragma once
// The printer as profiled: device values to the absolute Lab they print,
// through the profile's A2B table and converter exactly as every other part
// of the program evaluates it, so finite differences of it inherit no
// mismatch. Device values are 0..1 per channel, interleaved; Lab values are
// three doubles (L*, a*, b*) per colour.
//
// Also knows which end of the device range is the bare paper: the corner
// (all channels 0 or all 1) that prints lighter. Ink is counted from there,
// so CMYK values are ink and RGB 1 is no ink.

#include <cstddef>
#include <vector>

class csICCProfileConverter;

class PrinterModel
{
public:
    // a2b: an initialised device-to-PCS converter with an absolute white
    // mode on a Lab PCS. The converter must outlive the model.
    explicit PrinterModel(csICCProfileConverter& a2b);

    unsigned channels() const { return channels_; }
    void lab(const double* device, double* lab, std::size_t count) const;

    bool paperAtZero() const { return paperAtZero_; }
    double ink(double device) const { return paperAtZero_ ? device : 1.0 - device; }
    double deviceOfInk(double ink) const { return paperAtZero_ ? ink : 1.0 - ink; }

private:
    csICCProfileConverter& a2b_;
    unsigned channels_;
    bool paperAtZero_ = true;
    // The converter works in place on its input.
    mutable std::vector<double> input_;
    mutable std::vector<double> output_;
};
