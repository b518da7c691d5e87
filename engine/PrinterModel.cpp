#include "PrinterModel.h"

#include "ColorDifference.h"
#include "csICCProfileConverter.h"

namespace {

constexpr double fullScale = 65535.0;

} // namespace

PrinterModel::PrinterModel(csICCProfileConverter& a2b)
    : a2b_(a2b), channels_(a2b.numInputChannels())
{
    std::vector<double> corners(2 * channels_, 0.0), labs(6);
    for (unsigned c = 0; c < channels_; ++c)
        corners[channels_ + c] = 1.0;
    lab(corners.data(), labs.data(), 2);
    paperAtZero_ = labs[0] >= labs[3];
}

void PrinterModel::lab(const double* device, double* lab, std::size_t count) const
{
    input_.resize(count * channels_);
    output_.resize(count * 3);
    for (std::size_t i = 0; i < input_.size(); ++i)
        input_[i] = device[i] * fullScale;
    a2b_.convert(input_.data(), output_.data(), count);
    for (std::size_t i = 0; i < count; ++i) {
        const Lab v = decodeLabV4(output_.data() + 3 * i);
        lab[3 * i] = v.L;
        lab[3 * i + 1] = v.a;
        lab[3 * i + 2] = v.b;
    }
}
