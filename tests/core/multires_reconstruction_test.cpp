#include "jgrid.h"
#include "multires_test_support.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using multires_test::columnOf;
using multires_test::fillGrid;
using multires_test::hilly;
using multires_test::quietly;
using multires_test::rowOf;

namespace {

// Largest difference between the leading rows x cols of two arrays.
float largestDifference(const FloatArray2D& a, const FloatArray2D& b)
{
    float worst = 0.0f;
    for (std::size_t r = 0; r < a.rows(); ++r)
        for (std::size_t c = 0; c < a.cols(); ++c)
            worst = std::max(worst, std::fabs(a[r][c] - b[r][c]));
    return worst;
}

// Coarsens `levels` times, refines with details as often, and checks that
// the grid and the stack come back.
void expectRoundTrip(JGrid& g, int levels, float tolerance)
{
    const FloatArray2D original = g.heights;
    const std::vector<DetailLevel> stackBefore = g.details;
    const std::optional<float> cellSize = g.cellSize;
    for (int i = 0; i < levels; ++i)
        ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide)) << "level " << i;
    for (int i = 0; i < levels; ++i)
        ASSERT_TRUE(quietly(g, &JGrid::subdivideWithDetails)) << "level " << i;
    ASSERT_EQ(g.heights.rows(), original.rows());
    ASSERT_EQ(g.heights.cols(), original.cols());
    EXPECT_LE(largestDifference(g.heights, original), tolerance);
    EXPECT_EQ(g.details, stackBefore);
    EXPECT_EQ(g.cellSize, cellSize);
}

} // namespace

TEST(ReconstructionSequence, DetailOffsetsSpreadAsSpecified)
{
    const std::vector<float> d{1, 2, 3, 4};
    EXPECT_EQ(JGrid::detailContribution(d, 6),
              (std::vector<float>{0, 0.5f, -0.25f, 1.25f, -2.25f, -2.75f, 1.25f, -2.25f, 2, 0}));
}

TEST(ReconstructionSequence, RestoresASingleFineSample)
{
    const std::vector<float> coarse{0, 0, -0.25f, 0.75f, 0, 0};
    const std::vector<float> details{0, 0.25f, -0.75f, 0};
    const std::vector<float> r = JGrid::refineRowWithDetails(coarse, details);
    std::vector<float> expected(10, 0.0f);
    expected[5] = 1.0f;
    EXPECT_EQ(r, expected);
}

TEST(ReconstructionSequence, ZeroDetailsGivePlainRefinementAndColumnsMatchRows)
{
    const std::vector<float> row{3.5f, -1.25f, 8.0f, 2.75f, 6.5f, 0.125f, 4.0f};
    EXPECT_EQ(JGrid::refineRowWithDetails(row, std::vector<float>(5, 0.0f)), JGrid::refineSequence(row));

    // The same sequences as column 1 of a 7 x 3 array.
    const std::vector<float> details{0.5f, -2.0f, 1.5f, 0.25f, -0.75f};
    FloatArray2D coarse(7, 3, 9.0f);
    FloatArray2D colDetails(5, 3, 9.0f);
    for (unsigned i = 0; i < 7; ++i)
        coarse[i][1] = row[i];
    for (unsigned i = 0; i < 5; ++i)
        colDetails[i][1] = details[i];
    FloatArray2D out(12, 3, -1.0f);
    JGrid::refineColumnWithDetails(coarse, colDetails, 1, out);
    EXPECT_EQ(columnOf(out, 1), JGrid::refineRowWithDetails(row, details));
    EXPECT_EQ(columnOf(out, 0), std::vector<float>(12, -1.0f)); // other columns untouched
}

TEST(ReconstructionGrid, GridPassesEqualTheSequenceRefinements)
{
    // The grid refines rows, then every column as a lane; each result must be
    // bit for bit what the row and column functions compute one at a time.
    const unsigned w = 23, h = 13;
    JGrid g;
    fillGrid(g, w, h, hilly);
    FloatArray2D widthDetails(h, w - 2), heightDetails(h - 2, 2 * w - 2);
    for (std::size_t r = 0; r < widthDetails.rows(); ++r)
        for (std::size_t c = 0; c < widthDetails.cols(); ++c)
            widthDetails[r][c] = float(std::sin(r * 1.7 + c * 0.3) * 3.1);
    for (std::size_t r = 0; r < heightDetails.rows(); ++r)
        for (std::size_t c = 0; c < heightDetails.cols(); ++c)
            heightDetails[r][c] = float(std::cos(r * 0.9 - c * 0.4) * 2.3);
    FloatArray2D rowsRefined(h, 2 * w - 2);
    for (unsigned r = 0; r < h; ++r) {
        const std::vector<float> row = JGrid::refineRowWithDetails(g.heights[r], widthDetails[r]);
        std::copy(row.begin(), row.end(), rowsRefined[r].begin());
    }
    FloatArray2D expected(2 * h - 2, 2 * w - 2);
    for (unsigned c = 0; c < 2 * w - 2; ++c)
        JGrid::refineColumnWithDetails(rowsRefined, heightDetails, c, expected);
    g.details = {DetailLevel{heightDetails, widthDetails}};
    ASSERT_TRUE(quietly(g, &JGrid::subdivideWithDetails));
    EXPECT_EQ(g.heights, expected);
}

TEST(ReconstructionSequence, TooFewSamplesOrDetailsGiveNothing)
{
    EXPECT_TRUE(JGrid::refineRowWithDetails(std::vector<float>(4, 1.0f), std::vector<float>(2, 0.0f)).empty());
    EXPECT_TRUE(JGrid::refineRowWithDetails(std::vector<float>(6, 1.0f), std::vector<float>(3, 0.0f)).empty());
    EXPECT_TRUE(JGrid::detailContribution(std::vector<float>(2, 1.0f), 4).empty());
    FloatArray2D coarse(6, 2, 1.0f), details(4, 2, 1.0f), out(10, 2, -1.0f);
    JGrid::refineColumnWithDetails(coarse, details, 2, out); // no such column
    FloatArray2D shortOut(9, 2, -1.0f);
    JGrid::refineColumnWithDetails(coarse, details, 0, shortOut); // too few rows to write
    EXPECT_EQ(out, FloatArray2D(10, 2, -1.0f));
    EXPECT_EQ(shortOut, FloatArray2D(9, 2, -1.0f));
}

TEST(ReconstructionGrid, TenByTenRoundTripAndConsole)
{
    JGrid g;
    fillGrid(g, 10, 10, hilly);
    const FloatArray2D original = g.heights;
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    ConsoleCapture console;
    ASSERT_TRUE(g.subdivideWithDetails());
    EXPECT_EQ(console.text(), "Performing one level of subdivision with details\n"
                              "f1 is 10 X 6\tf2 is 10 X 10\n"
                              "\tRecalculating normals\n");
    EXPECT_LE(largestDifference(g.heights, original), 1e-4f);
    EXPECT_TRUE(g.details.empty());
    EXPECT_EQ(g.stdDev, -1.0f);
    EXPECT_FALSE(g.normalsValid);
    EXPECT_TRUE(g.normals.empty());
}

TEST(ReconstructionGrid, RoundTripsOverSeveralLevelsKeepTheStackBelow)
{
    JGrid g;
    fillGrid(g, 34, 18, hilly);
    g.cellSize = 30.0f;
    g.details = {DetailLevel{FloatArray2D(3, 5, 1.5f), FloatArray2D(2, 4, -2.5f)}}; // an older level stays underneath
    expectRoundTrip(g, 2, 2e-4f);
    EXPECT_EQ(g.width, 34u);
    EXPECT_EQ(g.height, 18u);
}

// Coarsening leaves out an odd last column and row; the level keeps them,
// and refinement puts them back as they were.
TEST(ReconstructionGrid, OddSizesComeBackWhole)
{
    JGrid g;
    fillGrid(g, 35, 19, hilly);
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    ASSERT_EQ(g.details.back().lastColumn.size(), 19u);
    ASSERT_EQ(g.details.back().lastRow.size(), 34u);
    ASSERT_TRUE(quietly(g, &JGrid::subdivideWithDetails));
    ASSERT_EQ(g.width, 35u);
    ASSERT_EQ(g.height, 19u);
    for (unsigned r = 0; r < 19; ++r)
        for (unsigned c = 0; c < 35; ++c) {
            if (r == 18 || c == 34)
                ASSERT_EQ(g.heights[r][c], hilly(r, c)) << r << "," << c;
            else
                ASSERT_NEAR(g.heights[r][c], hilly(r, c), 1e-4f) << r << "," << c;
        }
}

TEST(ReconstructionGrid, RealTerrainRoundTrip)
{
    JGrid g;
    ASSERT_TRUE(multires_test::loadTerrain(g));
    EXPECT_EQ(g.heights[0][0], 483.0f);
    {
        ConsoleCapture quiet;
        g.adjustSize(403, 343); // odd at the first level, 403 -> 202 -> 102, 343 -> 172 -> 87
    }
    // Whole metres come back bit for bit, the odd last column and row too.
    expectRoundTrip(g, 2, 0.0f);
}

TEST(ReconstructionGrid, AnEmptyStackRefinesWithoutDetails)
{
    JGrid plain, none;
    fillGrid(plain, 7, 6, hilly);
    fillGrid(none, 7, 6, hilly);
    ASSERT_TRUE(quietly(plain, &JGrid::subdivideWithoutDetails));
    ConsoleCapture console;
    ASSERT_TRUE(none.subdivideWithDetails());
    EXPECT_EQ(console.text().rfind("Performing one level of subdivision without details\n", 0), 0u);
    EXPECT_EQ(none.heights, plain.heights);
}

TEST(ReconstructionGrid, ZeroDetailsGiveThePlainRefinement)
{
    JGrid plain, zero;
    fillGrid(plain, 9, 7, hilly);
    fillGrid(zero, 9, 7, hilly);
    zero.details = {DetailLevel{FloatArray2D(5, 16, 0.0f), FloatArray2D(7, 7, 0.0f)}};
    ASSERT_TRUE(quietly(plain, &JGrid::subdivideWithoutDetails));
    ASSERT_TRUE(quietly(zero, &JGrid::subdivideWithDetails));
    // Plain refinement runs columns first, this one rows first: the
    // intermediate rounding differs, not the values.
    ASSERT_EQ(zero.heights.cols(), plain.heights.cols());
    EXPECT_LE(largestDifference(zero.heights, plain.heights), 1e-4f);
    EXPECT_TRUE(zero.details.empty());
}

TEST(ReconstructionGrid, LargerArraysAreReadInTheirLeadingPart)
{
    JGrid exact, padded;
    fillGrid(exact, 10, 10, hilly);
    ASSERT_TRUE(quietly(exact, &JGrid::reverseSubdivide));
    fillGrid(padded, 6, 6, [&](unsigned r, unsigned c) { return exact.heights[r][c]; });
    const auto larger = [](const FloatArray2D& d) {
        FloatArray2D out(d.rows() + 2, d.cols() + 3, 1.0e6f);
        for (std::size_t r = 0; r < d.rows(); ++r)
            std::copy(d[r].begin(), d[r].end(), out[r].begin());
        return out;
    };
    padded.details.push_back(
        DetailLevel{larger(exact.details[0].heightDetails), larger(exact.details[0].widthDetails)});
    ASSERT_TRUE(quietly(exact, &JGrid::subdivideWithDetails));
    ASSERT_TRUE(quietly(padded, &JGrid::subdivideWithDetails));
    EXPECT_EQ(padded.heights, exact.heights);
}

// Details read for another grid are too small for this one: the refinement
// is refused and neither the grid nor the stack changes.
TEST(ReconstructionGrid, DetailsTooSmallForTheGridAreRefused)
{
    JGrid g;
    fillGrid(g, 20, 20, hilly);
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide)); // 11 x 11, details for it
    const std::vector<DetailLevel> stack = g.details;
    JGrid bigger;
    fillGrid(bigger, 12, 11, hilly);
    bigger.details = stack;
    bigger.cellSize = 60.0f;
    const FloatArray2D before = bigger.heights;
    ConsoleCapture console;
    EXPECT_FALSE(bigger.subdivideWithDetails());
    EXPECT_EQ(console.text(), "Cannot subdivide with details: the stored details are 9 X 11 and 20 X 9, but this "
                              "12 X 11 grid needs at least 10 X 11 and 22 X 9; the grid and the details are "
                              "unchanged\n");
    EXPECT_EQ(bigger.heights, before);
    EXPECT_EQ(bigger.width, 12u);
    EXPECT_EQ(bigger.details, stack);
    EXPECT_EQ(bigger.cellSize, 60.0f);
}

TEST(ReconstructionGrid, GridsBelowFiveSamplesWithDetailsAreRefused)
{
    JGrid g;
    fillGrid(g, 4, 6, hilly);
    g.details = {DetailLevel{FloatArray2D(4, 6, 0.0f), FloatArray2D(6, 2, 0.0f)}};
    ConsoleCapture console;
    EXPECT_FALSE(g.subdivideWithDetails());
    EXPECT_EQ(console.text(), "Cannot subdivide with details a 4 X 6 grid: at least 5 X 5 samples are needed\n");
    EXPECT_EQ(g.width, 4u);
    EXPECT_EQ(g.details.size(), 1u);
}
