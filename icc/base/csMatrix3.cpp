#include "csMatrix3.h"

#include "csErrorLog.h"

csMatrix3::csMatrix3()
    : m_{}
{
}

csMatrix3::csMatrix3(float m00, float m01, float m02,
                     float m10, float m11, float m12,
                     float m20, float m21, float m22)
    : m_{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}}
{
}

csMatrix3::csMatrix3(const float row0[3], const float row1[3], const float row2[3])
    : m_{{row0[0], row0[1], row0[2]}, {row1[0], row1[1], row1[2]}, {row2[0], row2[1], row2[2]}}
{
}

int csMatrix3::invert(const csMatrix3& source, csMatrix3& destination)
{
    const float (&m)[3][3] = source.m_;
    // Cofactors c[i][j] of the source, in double from the float entries.
    double c[3][3];
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            // The cyclic order of the minor's rows and columns carries the sign.
            c[i][j] = double(m[i1][j1]) * m[i2][j2] - double(m[i1][j2]) * m[i2][j1];
        }
    }
    const double determinant = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
    if (determinant == 0.0) {
        csErrorLog::error("cannot invert matrix",
                          "determinant == 0, matrix inversion not possible");
        return -1;
    }
    // The adjugate (the transposed cofactors) over the determinant; written
    // only now because destination may be source.
    const double scale = 1.0 / determinant;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            destination.m_[i][j] = static_cast<float>(c[j][i] * scale);
    return 0;
}
