#pragma once
// The inverse of a sampled curve on 0..1: the position where the curve
// reaches a value. A falling curve is read backwards, and flat or turning
// stretches as the monotone curve through its running maximum, so every
// value has one answer.

#include <algorithm>
#include <cstddef>
#include <vector>

class RisingCurve
{
public:
    RisingCurve() = default;
    // samples are the curve at even steps from 0 to 1; two or more.
    explicit RisingCurve(std::vector<double> samples) : y_(std::move(samples)), x_(y_.size())
    {
        for (std::size_t e = 0; e < y_.size(); ++e)
            x_[e] = double(e) / (y_.size() - 1);
        if (y_.back() < y_.front()) {
            std::reverse(y_.begin(), y_.end());
            std::reverse(x_.begin(), x_.end());
        }
        for (std::size_t e = 1; e < y_.size(); ++e)
            y_[e] = std::max(y_[e], y_[e - 1]);
    }

    double positionOf(double value) const
    {
        const std::size_t k = static_cast<std::size_t>(std::lower_bound(y_.begin(), y_.end(), value) - y_.begin());
        if (k == 0)
            return x_.front();
        if (k == y_.size())
            return x_.back();
        // y[k - 1] < value <= y[k], so the segment is not flat.
        const double t = (value - y_[k - 1]) / (y_[k] - y_[k - 1]);
        return x_[k - 1] + t * (x_[k] - x_[k - 1]);
    }

private:
    std::vector<double> y_, x_;
};
