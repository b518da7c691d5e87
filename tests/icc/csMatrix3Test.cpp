#include "csMatrix3.h"

#include "TestSupport.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

namespace {

class Matrix3Test : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};

void expectEntries(const csMatrix3& m, const float (&expected)[3][3], float tolerance)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(m[i][j], expected[i][j], tolerance) << "entry " << i << "," << j;
}

TEST_F(Matrix3Test, SingularMatricesAreRefusedAndDestinationKept)
{
    const csMatrix3 singular[] = {
        csMatrix3(1, 2, 3, 0, 0, 0, 7, 8, 9),    // zero row
        csMatrix3(1, 2, 3, 2, 4, 6, 0, 1, 5),    // rows 0 and 1 in proportion
        csMatrix3(1, 2, 3, 4, 5, 6, 5, 7, 9),    // row 2 = row 0 + row 1
    };
    for (const csMatrix3& m : singular) {
        csErrorLog::clear();
        csMatrix3 destination(9, 8, 7, 6, 5, 4, 3, 2, 1);
        EXPECT_EQ(csMatrix3::invert(m, destination), -1);
        const float kept[3][3] = {{9, 8, 7}, {6, 5, 4}, {3, 2, 1}};
        expectEntries(destination, kept, 0);
        EXPECT_TRUE(logHas('E', "cannot invert matrix",
                           "determinant == 0, matrix inversion not possible")) << logText();
    }
}

TEST_F(Matrix3Test, InverseTimesMatrixIsIdentity)
{
    const float identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    csMatrix3 inverse;
    // sRGB colorants adapted to D50, rows red, green, blue, as in a matrix/TRC profile.
    const csMatrix3 rgb(0.4361f, 0.2225f, 0.0139f,
                        0.3851f, 0.7169f, 0.0971f,
                        0.1431f, 0.0606f, 0.7141f);
    ASSERT_EQ(csMatrix3::invert(rgb, inverse), 0);
    csMatrix3 product;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            product[i][j] = rgb[i][0] * inverse[0][j] + rgb[i][1] * inverse[1][j] +
                            rgb[i][2] * inverse[2][j];
    expectEntries(product, identity, 1e-6f);

    // In place: the source is read completely before it is overwritten.
    csMatrix3 m(2, 0, 0, 0, 4, 1, 0, 0, 0.5f);
    ASSERT_EQ(csMatrix3::invert(m, m), 0);
    const float expected[3][3] = {{0.5f, 0, 0}, {0, 0.25f, -0.5f}, {0, 0, 2}};
    expectEntries(m, expected, 0);
    EXPECT_EQ(csErrorLog::count(), 0u);
}

} // namespace
