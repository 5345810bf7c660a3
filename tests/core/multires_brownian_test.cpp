#include "jgrid.h"
#include "multires_test_support.h"
#include "normal_random.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

using multires_test::fillGrid;
using multires_test::hilly;
using multires_test::quietly;

namespace {

float plane(unsigned r, unsigned c)
{
    return float(2 * r + 3 * c); // every midpoint residual is 0
}

float displaced(float a, float b, float deviate, double s)
{
    return float((double(a) + double(b)) / 2.0 + double(deviate) * s);
}

} // namespace

TEST(BrownianRefinement, KeepsEveryOldSampleAtEvenPositions)
{
    JGrid g;
    fillGrid(g, 5, 4, hilly);
    g.details = {DetailLevel{FloatArray2D(2, 2), FloatArray2D(4, 1)}};
    ASSERT_TRUE(quietly(g, &JGrid::subdivideBrownian));
    ASSERT_EQ(g.width, 9u);
    ASSERT_EQ(g.height, 7u);
    for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 5; ++j)
            EXPECT_EQ(g.heights[2 * i][2 * j], hilly(i, j));
    EXPECT_TRUE(g.details.empty());
    // The new level's normals wait until something draws it.
    EXPECT_FALSE(g.normalsValid);
    EXPECT_TRUE(g.normals.empty());
}

// The deviates are drawn down column 0, then column 1, ..., then along row
// 0, row 1, ...; each new sample is the mean of its neighbours plus the
// deviate times the level's deviation. 70 columns span several of the blocks
// in which the vertical pass writes its rows.
TEST(BrownianRefinement, DrawsDeviatesColumnsFirstThenRows)
{
    constexpr unsigned w = 70, h = 6;
    JGrid g;
    fillGrid(g, w, h, plane); // a plane: the deviation falls back to 300
    NormalRandom expected = sharedNormalRandom();
    expected.seedGaussian(1);
    ASSERT_TRUE(quietly(g, &JGrid::subdivideBrownian));
    ASSERT_EQ(g.stdDev, 300.0f);
    FloatArray2D vertical(2 * h - 1, w);
    for (unsigned j = 0; j < w; ++j) {
        for (unsigned i = 0; i + 1 < h; ++i) {
            vertical[2 * i][j] = plane(i, j);
            vertical[2 * i + 1][j] = displaced(plane(i, j), plane(i + 1, j), expected.gaussian(), 300.0);
        }
        vertical[2 * h - 2][j] = plane(h - 1, j);
    }
    for (unsigned r = 0; r < 2 * h - 1; ++r) {
        for (unsigned j = 0; j < w; ++j)
            ASSERT_EQ(g.heights[r][2 * j], vertical[r][j]) << r << "," << j;
        for (unsigned j = 0; j + 1 < w; ++j)
            ASSERT_EQ(g.heights[r][2 * j + 1],
                      displaced(vertical[r][j], vertical[r][j + 1], expected.gaussian(), 300.0))
                << r << "," << j;
    }
}

TEST(BrownianRefinement, DeviationShrinksByPointFourFivePerLevel)
{
    JGrid g;
    fillGrid(g, 3, 3, hilly);
    g.stdDev = 10.0f;
    g.cellSize = 90.0f;
    {
        ConsoleCapture console;
        ASSERT_TRUE(g.subdivideBrownian());
        EXPECT_EQ(console.text().rfind("Performing one level of subdivision with fractional brownian with std dev "
                                       "of 4.500 (4.500)\n",
                                       0),
                  0u);
    }
    EXPECT_EQ(g.stdDev, 4.5f);
    EXPECT_EQ(g.cellSize, 45.0f);
    ASSERT_TRUE(quietly(g, &JGrid::subdivideBrownian));
    EXPECT_EQ(double(g.stdDev), 2.0249998569488525);
    EXPECT_EQ(g.cellSize, 22.5f);
}

TEST(BrownianRefinement, FirstLevelEstimatesTheDeviationOrFallsBackTo300)
{
    JGrid g;
    fillGrid(g, 3, 3, plane);
    ConsoleCapture console;
    ASSERT_TRUE(g.subdivideBrownian());
    const std::string text = console.text();
    const std::string start = "the mean difference is 0.000\n"
                              "the standard deviation is 0.00000\n"
                              "Performing one level of subdivision with fractional brownian with std dev of "
                              "300.000 (300.000)\n"
                              "adjusting width from 3 to 5\n"
                              "adjusting height from 3 to 5\n"
                              "\tg is now 5 X 5\n"
                              "\tRecalculating normals\n"
                              "the mean difference is ";
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_NE(text.find("\nDone! - residual Standard Deviation is "), std::string::npos) << text;
    EXPECT_EQ(g.stdDev, 300.0f);
    EXPECT_EQ(g.cellSize, 640.0f); // -1 becomes 1280, then halves
}

TEST(BrownianRefinement, TinyGridsRefineWithTheFallbackAndSmallerOnesAreRefused)
{
    JGrid g;
    fillGrid(g, 2, 2, hilly);
    ASSERT_TRUE(quietly(g, &JGrid::subdivideBrownian));
    EXPECT_EQ(g.width, 3u);
    EXPECT_EQ(g.stdDev, 300.0f);

    JGrid thin;
    fillGrid(thin, 1, 5, hilly);
    const FloatArray2D before = thin.heights;
    ConsoleCapture console;
    EXPECT_FALSE(thin.subdivideBrownian());
    EXPECT_EQ(console.text(), "Cannot refine by fractional brownian subdivision a 1 X 5 grid: at least 2 X 2 samples "
                              "are needed\n");
    EXPECT_EQ(thin.heights, before);
    EXPECT_EQ(thin.stdDev, -1.0f);
}

TEST(Decimation, KeepsEverySecondSampleAndGivesBackTheGridBeforeBrownianRefinement)
{
    JGrid g;
    fillGrid(g, 5, 4, hilly);
    ASSERT_TRUE(quietly(g, &JGrid::subdivideBrownian));
    const float stdDev = g.stdDev;
    const std::optional<float> cellSize = g.cellSize;
    g.details = {DetailLevel{FloatArray2D(2, 2), FloatArray2D(4, 1)}};
    ConsoleCapture console;
    ASSERT_TRUE(g.decimate());
    EXPECT_EQ(console.text(), "adjusting width from 9 to 5\nadjusting height from 7 to 4\n");
    ASSERT_EQ(g.width, 5u);
    ASSERT_EQ(g.height, 4u);
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 5; ++c)
            EXPECT_EQ(g.heights[r][c], hilly(r, c));
    EXPECT_EQ(g.stdDev, 2 * stdDev);
    EXPECT_EQ(g.cellSize, 2 * cellSize.value());
    EXPECT_TRUE(g.details.empty());
    EXPECT_FALSE(g.normalsValid);
    EXPECT_TRUE(g.normals.empty());
}

TEST(Decimation, UnsetDeviationStaysUnsetAndSmallGridsAreRefused)
{
    JGrid g;
    fillGrid(g, 6, 4, hilly);
    ASSERT_TRUE(quietly(g, &JGrid::decimate));
    EXPECT_EQ(g.stdDev, -2.0f); // still "not estimated"
    EXPECT_FALSE(g.cellSize.has_value());
    EXPECT_EQ(g.width, 3u);
    EXPECT_EQ(g.height, 2u);

    JGrid small;
    fillGrid(small, 3, 5, hilly);
    const FloatArray2D before = small.heights;
    ConsoleCapture console;
    EXPECT_FALSE(small.decimate());
    EXPECT_EQ(console.text(), "Cannot decimate a 3 X 5 grid: at least 4 X 4 samples are needed\n");
    EXPECT_EQ(small.heights, before);
    EXPECT_EQ(small.stdDev, -1.0f);
}

TEST(ResidualDeviation, WorkedExample)
{
    // One even position (0, 0): horizontal residual (0 + 4)/2 - 2 = 0,
    // vertical residual (0 + 4)/2 - 1 = 1: mean 0.5, deviation 0.5.
    JGrid g;
    const float values[3][3] = {{0, 2, 4}, {1, 9, 9}, {4, 9, 9}};
    fillGrid(g, 3, 3, [&](unsigned r, unsigned c) { return values[r][c]; });
    ConsoleCapture console;
    EXPECT_EQ(g.residualStdDev(), 0.5f);
    EXPECT_EQ(console.text(), "the mean difference is 0.500\nthe standard deviation is 0.50000\n");
}

TEST(ResidualDeviation, GridsWithoutResidualsGiveZero)
{
    JGrid g;
    fillGrid(g, 2, 5, hilly);
    ConsoleCapture console;
    EXPECT_EQ(g.residualStdDev(), 0.0f);
    EXPECT_EQ(console.text(), "no midpoint residuals: the grid has fewer than 3 rows or columns\n");
    EXPECT_EQ(g.width, 2u);
}
