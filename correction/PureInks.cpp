#include "PureInks.h"

#include "PrinterModel.h"

namespace {

// Below this every channel counts as bare paper.
constexpr double paperInk = 1e-6;

} // namespace

int pureInkOf(const double* ink, unsigned channels)
{
    int pure = mixedInks;
    for (unsigned c = 0; c < channels; ++c) {
        if (ink[c] <= pureOtherInk)
            continue;
        if (pure != mixedInks)
            return mixedInks;
        pure = int(c);
    }
    if (pure != mixedInks)
        return pure;
    // Every ink at most the threshold: a faint tint of the largest, unless it is paper.
    unsigned largest = 0;
    for (unsigned c = 1; c < channels; ++c)
        if (ink[c] > ink[largest])
            largest = c;
    return channels > 0 && ink[largest] > paperInk ? int(largest) : mixedInks;
}

std::vector<int> pureInks(const PrinterModel& model, const std::vector<double>& device, unsigned channels)
{
    const std::size_t nodes = channels ? device.size() / channels : 0;
    std::vector<int> pure(nodes, mixedInks);
    std::vector<double> ink(channels);
    for (std::size_t n = 0; n < nodes; ++n) {
        for (unsigned c = 0; c < channels; ++c)
            ink[c] = model.ink(device[n * channels + c]);
        pure[n] = pureInkOf(ink.data(), channels);
    }
    return pure;
}

unsigned heldChannelsFor(int ink, unsigned channels)
{
    if (ink < 0 || unsigned(ink) >= channels)
        return 0;
    return ((1u << channels) - 1u) & ~(1u << unsigned(ink));
}

void restorePureNodes(const std::vector<int>& pure, unsigned channels, const std::vector<double>& original,
                      std::vector<double>& values)
{
    for (std::size_t n = 0; n < pure.size(); ++n) {
        const unsigned held = heldChannelsFor(pure[n], channels);
        for (unsigned c = 0; c < channels; ++c)
            if (held >> c & 1u)
                values[n * channels + c] = original[n * channels + c];
    }
}
