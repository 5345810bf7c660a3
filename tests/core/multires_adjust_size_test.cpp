#include "jgrid.h"
#include "multires_test_support.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

using multires_test::fillGrid;

namespace {

float cellValue(unsigned r, unsigned c)
{
    return float(10 * r + c);
}

void fourByFour(JGrid& g)
{
    fillGrid(g, 4, 4, cellValue);
}

} // namespace

TEST(AdjustSize, SameSizeOrZeroDoesNothing)
{
    JGrid g;
    fourByFour(g);
    g.details.push_back(DetailLevel{FloatArray2D(2, 2), FloatArray2D(4, 1)});
    ConsoleCapture console;
    g.adjustSize(4, 4);
    g.adjustSize(0, 0);
    EXPECT_EQ(console.text(), "");
    EXPECT_EQ(g.details.size(), 1u);
    EXPECT_EQ(g.width, 4u);
    EXPECT_EQ(g.height, 4u);
}

TEST(AdjustSize, EmptyGridGrowsFromTwoByTwoZeros)
{
    JGrid g;
    ConsoleCapture console;
    g.adjustSize(5, 4);
    EXPECT_EQ(console.text(), "adjusting width from 2 to 5\nadjusting height from 2 to 4\n");
    ASSERT_EQ(g.width, 5u);
    ASSERT_EQ(g.height, 4u);
    ASSERT_EQ(g.heights.rows(), 4u);
    ASSERT_EQ(g.heights.cols(), 5u);
    ASSERT_EQ(g.normals.rows(), 4u);
    EXPECT_TRUE(g.loaded);
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 5; ++c)
            EXPECT_EQ(g.heights[r][c], 0.0f);
    EXPECT_EQ(g.minHeight, 0.0f);
    EXPECT_EQ(g.maxHeight, 0.0f);
}

TEST(AdjustSize, GrowingRepeatsTheLastColumnAndRow)
{
    JGrid g;
    fourByFour(g);
    g.adjustSize(6, 4);
    ASSERT_EQ(g.width, 6u);
    for (unsigned r = 0; r < 4; ++r) {
        EXPECT_EQ(g.heights[r][4], cellValue(r, 3));
        EXPECT_EQ(g.heights[r][5], cellValue(r, 3));
        EXPECT_EQ(g.normals[r][5], gmVec3(0, 0, 1));
    }
    fourByFour(g);
    g.adjustSize(4, 6);
    ASSERT_EQ(g.height, 6u);
    for (unsigned c = 0; c < 4; ++c) {
        EXPECT_EQ(g.heights[4][c], cellValue(3, c));
        EXPECT_EQ(g.heights[5][c], cellValue(3, c));
        EXPECT_EQ(g.normals[5][c], gmVec3(0, 0, 1));
    }
    // Width first: the new rows already have the new width.
    fourByFour(g);
    g.adjustSize(5, 5);
    EXPECT_EQ(g.heights[4][4], cellValue(3, 3));
}

TEST(AdjustSize, ShrinkingCropsAndKeepsOverlap)
{
    JGrid g;
    fourByFour(g);
    g.calcNormals();
    const gmVec3 kept = g.normals[1][1];
    ConsoleCapture console;
    g.adjustSize(3, 2);
    EXPECT_EQ(console.text(), "adjusting width from 4 to 3\nadjusting height from 4 to 2\n");
    ASSERT_EQ(g.heights.rows(), 2u);
    ASSERT_EQ(g.heights.cols(), 3u);
    EXPECT_EQ(g.heights[1][2], cellValue(1, 2));
    EXPECT_EQ(g.normals[1][1], kept);
    EXPECT_TRUE(g.normalsValid); // adjustSize leaves the flag alone
    EXPECT_EQ(g.maxHeight, cellValue(1, 2));
}

TEST(AdjustSize, RequestsBelowTwoBecomeTwo)
{
    JGrid g;
    fourByFour(g);
    g.adjustSize(1, -7);
    ASSERT_EQ(g.width, 2u);
    ASSERT_EQ(g.height, 2u);
    EXPECT_EQ(g.heights[0][0], cellValue(0, 0));
    EXPECT_EQ(g.heights[0][1], cellValue(0, 1));
    EXPECT_EQ(g.heights[1][0], cellValue(1, 0));
    EXPECT_EQ(g.heights[1][1], cellValue(1, 1));
}

TEST(AdjustSize, ChangeDiscardsDetailsButNotCellSizeOrStdDev)
{
    JGrid g;
    fourByFour(g);
    g.details.push_back(DetailLevel{FloatArray2D(2, 2), FloatArray2D(4, 1)});
    g.cellSize = 90.0f;
    g.stdDev = 4.5f;
    g.adjustSize(5, 4);
    EXPECT_TRUE(g.details.empty());
    EXPECT_EQ(g.cellSize, 90.0f);
    EXPECT_EQ(g.stdDev, 4.5f);
}

// A grid of two columns holds real samples: growing it repeats them instead
// of replacing them by zeros.
TEST(AdjustSize, NarrowGridKeepsItsSamples)
{
    JGrid g;
    fillGrid(g, 2, 3, cellValue);
    ConsoleCapture console;
    g.adjustSize(4, 3);
    EXPECT_EQ(console.text(), "adjusting width from 2 to 4\n");
    ASSERT_EQ(g.width, 4u);
    for (unsigned r = 0; r < 3; ++r) {
        EXPECT_EQ(g.heights[r][0], cellValue(r, 0));
        EXPECT_EQ(g.heights[r][1], cellValue(r, 1));
        EXPECT_EQ(g.heights[r][3], cellValue(r, 1));
    }
}

TEST(AdjustSize, SizesBeyondTheSampleLimitAreRefused)
{
    JGrid g;
    fourByFour(g);
    g.details.push_back(DetailLevel{FloatArray2D(2, 2)});
    ConsoleCapture console;
    g.adjustSize(100000, 100000);
    EXPECT_EQ(console.text(), "Cannot adjust the size: the result of 100000 X 100000 samples would exceed the limit "
                              "of 268435456 samples\n");
    EXPECT_EQ(g.width, 4u);
    EXPECT_EQ(g.height, 4u);
    EXPECT_EQ(g.heights.rows(), 4u);
    EXPECT_EQ(g.details.size(), 1u);
}
