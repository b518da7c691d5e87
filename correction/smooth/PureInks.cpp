#include "PureInks.h"

#include "PrinterModel.h"

#include <algorithm>

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
    return channels > 0 && ink[largest] > PrinterModel::traceInk ? int(largest) : mixedInks;
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

DeviceSolution solveKeepingPure(const PrinterModel& model, const std::vector<int>& pure, const std::vector<double>& start,
                                const std::vector<double>& target, const DeviceSolveSettings& settings)
{
    const unsigned channels = model.channels();
    DeviceSolution all;
    all.device.resize(start.size());
    all.miss.resize(pure.size());
    for (int ink = mixedInks; ink < int(channels); ++ink) {
        std::vector<std::size_t> which;
        std::vector<double> from, to;
        for (std::size_t k = 0; k < pure.size(); ++k) {
            if (pure[k] != ink)
                continue;
            which.push_back(k);
            from.insert(from.end(), &start[k * channels], &start[(k + 1) * channels]);
            to.insert(to.end(), &target[3 * k], &target[3 * k + 3]);
        }
        if (which.empty())
            continue;
        DeviceSolveSettings own = settings;
        own.heldChannels = heldChannelsFor(ink, channels);
        if (ink != mixedInks)
            own.blackChannel = -1;
        const DeviceSolution solved = solveDevices(model, from, to, own);
        all.blackFreed += solved.blackFreed;
        for (std::size_t j = 0; j < which.size(); ++j) {
            std::copy(&solved.device[j * channels], &solved.device[(j + 1) * channels],
                      &all.device[which[j] * channels]);
            all.miss[which[j]] = solved.miss[j];
        }
    }
    return all;
}

