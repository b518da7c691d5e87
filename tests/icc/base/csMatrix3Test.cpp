#include "csMatrix3.h"

#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"

#include <gtest/gtest.h>

namespace {

using Matrix3Test = LogTest;

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

} // namespace
