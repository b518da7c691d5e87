#include "csICCSpace.h"

#include <gtest/gtest.h>

namespace {

TEST(ICCSpace, ChannelCountsOfTheSpaceTable)
{
    struct Case { csSignature signature; int index; unsigned channels; };
    const Case cases[] = {
        {csSig("GRAY"), 0, 1},  {csSig("XYZ "), 1, 3},  {csSig("Lab "), 2, 3},   {csSig("RGB "), 6, 3},
        {csSig("CMY "), 9, 3},  {csSig("CMYK"), 10, 4}, {csSig("1CLR"), 11, 1},  {csSig("9CLR"), 19, 9},
        {csSig("ACLR"), 20, 10}, {csSig("GCLR"), 26, 16}, {csSig("MCH1"), 27, 1}, {csSig("MCH9"), 35, 9},
        {csSig("MCHA"), 36, 10}, {csSig("MCHG"), 42, 16},
        {csSig("cmyk"), -1, 0}, {csSig("HCLR"), -1, 0}, {0, -1, 0},
    };
    for (const Case& c : cases) {
        const csICCSpace space(c.signature);
        EXPECT_EQ(space.index(), c.index) << csSigText(c.signature).text;
        EXPECT_EQ(space.numChannels(), c.channels) << csSigText(c.signature).text;
        EXPECT_EQ(space.isKnown(), c.index >= 0);
    }
}

TEST(ICCSpace, RangesDefaultTo0To100AndLabHasSignedAxes)
{
    const csICCSpace cmyk(csSig("CMYK"));
    for (unsigned i = 0; i < cmyk.numChannels(); ++i) {
        EXPECT_EQ(cmyk.minValue(i), 0.0f);
        EXPECT_EQ(cmyk.maxValue(i), 100.0f);
    }
    csICCSpace lab(csSig("Lab "));
    EXPECT_EQ(lab.minValue(0), 0.0f);
    EXPECT_EQ(lab.maxValue(0), 100.0f);
    EXPECT_EQ(lab.minValue(1), -128.0f);
    EXPECT_EQ(lab.maxValue(2), 127.0f);
    lab.resetRanges();
    EXPECT_EQ(lab.minValues()[1], 0.0f);
    EXPECT_EQ(lab.maxValues()[2], 100.0f);
}

} // namespace
