#include "jgrid.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void fill(JGrid& g, unsigned w, unsigned h, std::initializer_list<float> values)
{
    g.resize(w, h);
    auto it = values.begin();
    for (unsigned r = 0; r < h; ++r)
        for (unsigned c = 0; c < w; ++c)
            g.heights[r][c] = *it++;
    g.loaded = true;
}

} // namespace

TEST(JGridModel, NewGridHasInitialValues)
{
    const JGrid g;
    EXPECT_EQ(g.width, 0u);
    EXPECT_EQ(g.height, 0u);
    EXPECT_FALSE(g.loaded);
    EXPECT_FALSE(g.normalsValid);
    EXPECT_FALSE(g.cellSize.has_value());
    EXPECT_EQ(g.stdDev, -1.0f);
    EXPECT_EQ(g.minHeight, 1.0e10f);
    EXPECT_EQ(g.maxHeight, -1.0e10f);
    EXPECT_EQ(g.averageHeight, 0.0f);
    EXPECT_EQ(g.name, QString("null"));
    EXPECT_EQ(g.heights.rows(), 0u);
    EXPECT_TRUE(g.details.empty());
}

TEST(JGridModel, ResizeCreatesZeroSamplesAndNormals)
{
    JGrid g;
    g.resize(4, 3);
    EXPECT_EQ(g.width, 4u);
    EXPECT_EQ(g.height, 3u);
    ASSERT_EQ(g.heights.rows(), 3u);
    ASSERT_EQ(g.heights.cols(), 4u);
    ASSERT_EQ(g.normals.rows(), 3u);
    ASSERT_EQ(g.normals.cols(), 4u);
    for (unsigned r = 0; r < 3; ++r)
        for (unsigned c = 0; c < 4; ++c) {
            EXPECT_EQ(g.heights[r][c], 0.0f);
            EXPECT_EQ(g.normals[r][c], gmVec3());
        }
}

TEST(JGridModel, ResizeKeepsOverlapAndDropsTheRest)
{
    JGrid g;
    g.resize(3, 2);
    g.heights[0][2] = 7.0f;
    g.heights[1][1] = 5.0f;
    g.resize(2, 3);
    EXPECT_EQ(g.heights[1][1], 5.0f);
    EXPECT_EQ(g.heights[0][1], 0.0f);
    EXPECT_EQ(g.heights[2][0], 0.0f);
    g.resize(4, 3);
    EXPECT_EQ(g.heights[0][2], 0.0f); // dropped by the narrower size, not restored
}

TEST(JGridModel, ResizeWithAZeroSideCreatesNoArrays)
{
    JGrid g;
    g.resize(0, 5);
    EXPECT_EQ(g.height, 5u);
    EXPECT_EQ(g.heights.rows(), 0u);
    EXPECT_EQ(g.normals.rows(), 0u);
}

TEST(JGridModel, ResizeWhileLoadedIsRefused)
{
    JGrid g;
    fill(g, 2, 2, {1, 2, 3, 4});
    ConsoleCapture console;
    g.resize(5, 5);
    EXPECT_EQ(console.text(), "JGrid::You are a bad person for trying to resize when data is present\n");
    EXPECT_EQ(g.width, 2u);
    EXPECT_EQ(g.heights.cols(), 2u);
    EXPECT_EQ(g.heights[1][1], 4.0f);
}

TEST(JGridModel, ClearResetsSamplesAndStatisticsButKeepsNameCellSizeAndDetails)
{
    JGrid g;
    fill(g, 2, 2, {1, 2, 3, 4});
    g.updateStatistics();
    g.cellSize = 90.0f;
    g.name = "hillsgrd";
    g.stdDev = 3.0f;
    g.normalsValid = true;
    g.details.push_back(DetailLevel{FloatArray2D(2, 2, 1.0f)});
    g.clear();
    EXPECT_EQ(g.width, 0u);
    EXPECT_EQ(g.height, 0u);
    EXPECT_FALSE(g.loaded);
    EXPECT_FALSE(g.normalsValid);
    EXPECT_EQ(g.stdDev, -1.0f);
    EXPECT_EQ(g.heights.rows(), 0u);
    EXPECT_EQ(g.normals.rows(), 0u);
    EXPECT_EQ(g.maxHeight, -1.0e10f);
    EXPECT_EQ(g.minHeight, 1.0e10f);
    EXPECT_EQ(g.averageHeight, 0.0f);
    EXPECT_EQ(g.cellSize, 90.0f);
    EXPECT_EQ(g.name, QString("hillsgrd"));
    EXPECT_EQ(g.details.size(), 1u);
    g.clearDetails();
    EXPECT_TRUE(g.details.empty());
}

TEST(JGridStatistics, CountEveryValueIncludingNoData)
{
    JGrid g;
    fill(g, 3, 2, {-9999, 0, 10, 20, 30, 5});
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, -9999.0f);
    EXPECT_EQ(g.maxHeight, 30.0f);
    EXPECT_EQ(g.averageHeight, static_cast<float>((-9999.0 + 65.0) / 6.0));
}

TEST(JGridStatistics, RunningBoundsStartFromTheFirstValidSample)
{
    // Millimetres: every height above a million, or all below minus one.
    JGrid g;
    fill(g, 2, 2, {2.5e6f, 2e6f, 3e6f, 2.25e6f});
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, 2e6f);
    EXPECT_EQ(g.maxHeight, 3e6f);
    EXPECT_EQ(g.averageHeight, 2.4375e6f);
    std::copy_n(std::data({-2e6f, -3e6f, -4e6f, -5e6f}), 4, g.heights.data());
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, -5e6f);
    EXPECT_EQ(g.maxHeight, -2e6f);
    // The first valid sample, not a void's filled value, starts them; a grid
    // without any valid sample has no statistics and says so.
    g.valid = ValidMask(2, 2, 1);
    g.valid[0][0] = 0;
    g.heights[0][0] = -9e6f;
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, -5e6f);
    EXPECT_EQ(g.maxHeight, -3e6f);
    EXPECT_EQ(g.voidCount, 1u);
    g.valid = ValidMask(2, 2, 0);
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, 1.0e10f);
    EXPECT_EQ(g.maxHeight, -1.0e10f);
    EXPECT_EQ(g.averageHeight, 0.0f);
    EXPECT_EQ(g.voidCount, 4u);
}

TEST(JGridStatistics, EmptyGridChangesNothing)
{
    JGrid g;
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, 1.0e10f);
    EXPECT_EQ(g.maxHeight, -1.0e10f);
    EXPECT_EQ(g.averageHeight, 0.0f);
    ConsoleCapture console;
    EXPECT_EQ(g.standardDeviation(), 0.0f);
    EXPECT_EQ(console.text(), "");
}

TEST(JGridStatistics, StandardDeviationIsThePopulationForm)
{
    JGrid g;
    fill(g, 2, 2, {1, 1, 3, 3});
    ConsoleCapture console;
    EXPECT_EQ(g.standardDeviation(), 1.0f);
    EXPECT_EQ(console.text(), "the standard deviation is 1.00000\n");
}

TEST(JGridStatistics, PrintRowPrintsEachSample)
{
    JGrid g;
    fill(g, 3, 2, {1, 2, 3, 4.25f, -5.5f, 6});
    ConsoleCapture console;
    g.printRow(1);
    g.printRow(2); // past the last row: nothing
    EXPECT_EQ(console.text(), "4.250\n-5.500\n6.000\n");
}

TEST(JGridModel, ScaledHeightAndNormalAt)
{
    JGrid g;
    fill(g, 2, 1, {100, 550});
    g.minHeight = 100.0f;
    g.cellSize = 10.0f;
    EXPECT_EQ(g.scaledHeight(0, 0), 0.0f);
    EXPECT_EQ(g.scaledHeight(0, 1), 1.0f); // 450 m above the minimum on a 10 m grid
    g.verticalExaggeration = 12.5f;
    EXPECT_EQ(g.scaledHeight(0, 1), 12.5f);
    g.verticalExaggeration = 1.0f;
    // Without a cell size: one height unit per sample, the right way up.
    g.cellSize.reset();
    EXPECT_EQ(g.scaledHeight(0, 1), static_cast<float>(450.0 / (0.9 * 50.0)));
    // A coarsened level's samples stand two apart: its relief is drawn half
    // as tall in its own units, so that it shows as tall as the loaded grid.
    g.details.resize(1);
    EXPECT_EQ(g.scaledHeight(0, 1), static_cast<float>(450.0 / (2.0 * 0.9 * 50.0)));
    g.details.clear();
    g.normals[0][1] = gmVec3(1, 2, 3);
    EXPECT_EQ(g.normalAt(0, 1), gmVec3(1, 2, 3));
}
