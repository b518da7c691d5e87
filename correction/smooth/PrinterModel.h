#pragma once
// The printer as profiled: device values to the absolute Lab they print,
// through the profile's A2B table and converter exactly as every other part
// of the program evaluates it, so finite differences of it inherit no
// mismatch. Device values are 0..1 per channel, interleaved; Lab values are
// three doubles (L*, a*, b*) per colour.
//
// Absolute Lab is the relative result with the converter's own white
// scaling applied. Solvers that probe many device values for a Jacobian
// evaluate the probes relative and scale only the base point: the scaling
// is a smooth map whose derivative (absoluteSlope) is known in closed form.
//
// Also knows which end of the device range is the bare paper: the corner
// (all channels 0 or all 1) that prints lighter. Ink is counted from there,
// so CMYK values are ink and RGB 1 is no ink.

#include <cstddef>
#include <memory>
#include <vector>

class csICCProfileConverter;

class PrinterModel
{
public:
    // a2b: an initialised device-to-PCS converter with an absolute white
    // mode on a Lab PCS. The converter must outlive the model.
    explicit PrinterModel(csICCProfileConverter& a2b);
    ~PrinterModel();

    unsigned channels() const { return channels_; }
    void lab(const double* device, double* lab, std::size_t count) const;
    void relativeLab(const double* device, double* lab, std::size_t count) const;
    // In place: relative to absolute Lab.
    void toAbsolute(double* lab, std::size_t count) const;
    // d(absolute Lab) / d(relative Lab) at a relative Lab value, row by row.
    void absoluteSlope(const double* relativeLab, double slope[3][3]) const;

    bool paperAtZero() const { return paperAtZero_; }
    double ink(double device) const { return paperAtZero_ ? device : 1.0 - device; }
    double deviceOfInk(double ink) const { return paperAtZero_ ? ink : 1.0 - ink; }
    // Ink below this (0..1) is a trace, none at all.
    static constexpr double traceInk = 1e-6;
    // Whether device values (channels() of them) lay no ink beyond a trace.
    bool barePaper(const double* device) const
    {
        for (unsigned c = 0; c < channels_; ++c)
            if (ink(device[c]) >= traceInk)
                return false;
        return true;
    }

private:
    csICCProfileConverter& absolute_;
    std::unique_ptr<csICCProfileConverter> relative_;
    unsigned channels_;
    bool paperAtZero_ = true;
    // Per X, Y, Z: the cube root of the white scaling, the factor by which
    // it multiplies f(X/Xn) in the cube-root range of the Lab formula.
    double rootScale_[3] = {1.0, 1.0, 1.0};
    // The converter works in place on its input.
    mutable std::vector<double> input_;
    mutable std::vector<double> output_;
};
