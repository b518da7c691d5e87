#include "csICCLutInterpolator.h"

#include <cmath>

csICCLutInterpolator::~csICCLutInterpolator() = default;

bool csICCLutInterpolator::invert3x3(const double m[9], double inverse[9])
{
    const double cofactor[9] = {
        m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
        m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
        m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3],
    };
    const double determinant = m[0] * cofactor[0] + m[1] * cofactor[3] + m[2] * cofactor[6];
    // Entries are s15Fixed16: a determinant below one step of them is none.
    if (!std::isfinite(determinant) || std::abs(determinant) < 1.0 / 65536.0)
        return false;
    for (int i = 0; i < 9; ++i)
        inverse[i] = cofactor[i] / determinant;
    return true;
}
