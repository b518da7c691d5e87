#pragma once
// A 3x3 matrix of floats. For matrix/TRC profiles row 0 holds the XYZ of the
// red colorant, row 1 green and row 2 blue, so X = m[0][0]·R + m[1][0]·G + m[2][0]·B.

class csMatrix3
{
public:
    // All entries 0.
    csMatrix3();
    // Nine entries, row by row.
    csMatrix3(float m00, float m01, float m02,
              float m10, float m11, float m12,
              float m20, float m21, float m22);
    csMatrix3(const float row0[3], const float row1[3], const float row2[3]);

    // m[row][column].
    float* operator[](int row) { return m_[row]; }
    const float* operator[](int row) const { return m_[row]; }

    // The inverse of source into destination (which may be source). A
    // singular source leaves destination as it was, logs an error and gives -1.
    static int invert(const csMatrix3& source, csMatrix3& destination);

private:
    float m_[3][3];
};
