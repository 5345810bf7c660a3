#include "jgrid.h"
#include "multires_passes.h"
#include "multires_test_support.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <cmath>

using multires_test::columnOf;
using multires_test::fillGrid;
using multires_test::hilly;
using multires_test::quietly;
using multires_test::rowOf;

namespace {

std::vector<float> unit(std::size_t n, std::size_t at)
{
    std::vector<float> f(n, 0.0f);
    f[at] = 1.0f;
    return f;
}

} // namespace

TEST(ReverseSequence, RefinedSequenceCoarsensBackWithZeroDetails)
{
    const std::vector<float> fine{0, 2, 5, 7, 9, 11, 13, 15, 18, 20};
    EXPECT_EQ(JGrid::coarsenSequence(fine), (std::vector<float>{0, 4, 8, 12, 16, 20}));
    EXPECT_EQ(JGrid::detailSequence(fine), (std::vector<float>{0, 0, 0, 0}));
}

TEST(ReverseSequence, SingleSampleResponses)
{
    EXPECT_EQ(JGrid::coarsenSequence(unit(10, 5)), (std::vector<float>{0, 0, -0.25f, 0.75f, 0, 0}));
    EXPECT_EQ(JGrid::detailSequence(unit(10, 5)), (std::vector<float>{0, 0.25f, -0.75f, 0}));
    EXPECT_EQ(JGrid::coarsenSequence(unit(10, 9)), (std::vector<float>{0, 0, 0, 0, -0.5f, 1}));
    EXPECT_EQ(JGrid::detailSequence(unit(10, 9)), (std::vector<float>{0, 0, 0, -0.5f}));
    // d[1] has the opposite signs of the interior pattern: compare f[3] at
    // d[1] with f[7] at the interior d[2].
    EXPECT_EQ(JGrid::detailSequence(unit(12, 3))[1], 0.75f);
    EXPECT_EQ(JGrid::detailSequence(unit(12, 5))[2], -0.75f);
}

TEST(ReverseSequence, SumsInDoubleAndRoundsOnce)
{
    // -1/2*0 + 16777216 + 3/4*1 - 1/4*(-3) = 16777217.5, which rounds to
    // 16777218; float arithmetic would lose both quarters and give 16777216.
    const std::vector<float> f{0, 16777216.0f, 1, -3, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(JGrid::coarsenSequence(f)[1], 16777218.0f);
}

TEST(ReverseSequence, ShortSequencesGiveNothingAndOddOnesLoseTheirLastSample)
{
    EXPECT_TRUE(JGrid::coarsenSequence(std::vector<float>(8, 1.0f)).empty());
    EXPECT_TRUE(JGrid::detailSequence(std::vector<float>(9, 1.0f)).empty());
    std::vector<float> odd{0, 2, 5, 7, 9, 11, 13, 15, 18, 20, 1000};
    EXPECT_EQ(JGrid::coarsenSequence(odd), (std::vector<float>{0, 4, 8, 12, 16, 20}));
    EXPECT_EQ(JGrid::detailSequence(odd).size(), 4u);
}

TEST(ReverseGrid, TenByTenShapesAndConsole)
{
    JGrid g;
    fillGrid(g, 10, 10, hilly);
    ConsoleCapture console;
    ASSERT_TRUE(g.reverseSubdivide());
    EXPECT_EQ(console.text(), "Performing one level of REVERSE subdivision\n"
                              "d is 10 X 4\n"
                              "c1 is 10 X 6\n"
                              "d is 4 X 6\n"
                              "c2 is 6 X 6\n");
    EXPECT_EQ(g.width, 6u);
    EXPECT_EQ(g.height, 6u);
    EXPECT_TRUE(g.normals.empty());
    ASSERT_EQ(g.details.size(), 1u);
    EXPECT_EQ(g.details[0].heightDetails.rows(), 4u);
    EXPECT_EQ(g.details[0].heightDetails.cols(), 10u);
    EXPECT_EQ(g.details[0].widthDetails.rows(), 6u);
    EXPECT_EQ(g.details[0].widthDetails.cols(), 4u);
    EXPECT_FALSE(g.cellSize.has_value()); // no cell size stays none
}

TEST(ReverseGrid, GridPassesEqualTheSequenceFilters)
{
    // The grid filters whole rows as lanes; every column must come out as
    // the sequence filter computes it alone, to the last bit.
    JGrid g;
    fillGrid(g, 38, 26, hilly);
    const FloatArray2D fine = g.heights;
    const ReverseLevel level = reverseSubdivisionPasses(fine);
    FloatArray2D halfCoarse(14, 38);
    for (unsigned c = 0; c < 38; ++c) {
        const std::vector<float> column = columnOf(fine, c);
        EXPECT_EQ(columnOf(level.heightDetails, c), JGrid::detailSequence(column)) << "column " << c;
        const std::vector<float> coarse = JGrid::coarsenSequence(column);
        for (unsigned r = 0; r < 14; ++r)
            halfCoarse[r][c] = coarse[r];
    }
    for (unsigned r = 0; r < 14; ++r) {
        EXPECT_EQ(rowOf(level.widthDetails, r), JGrid::detailSequence(halfCoarse[r])) << "row " << r;
        EXPECT_EQ(rowOf(level.coarse, r), JGrid::coarsenSequence(halfCoarse[r])) << "row " << r;
    }
    ConsoleCapture console;
    const FloatArray2D columnDetails = JGrid::computeDetails(fine, false);
    const FloatArray2D rowDetails = JGrid::computeDetails(halfCoarse, true);
    EXPECT_EQ(console.text(), "d is 38 X 12\nd is 18 X 14\n");
    EXPECT_EQ(columnDetails, level.heightDetails);
    EXPECT_EQ(rowDetails, level.widthDetails);
}

TEST(ReverseGrid, OddSizesAreTrimmedAndTheDroppedSamplesInfluenceNothing)
{
    JGrid g;
    JGrid spoiled;
    fillGrid(g, 11, 13, hilly);
    fillGrid(spoiled, 11, 13, [](unsigned r, unsigned c) { return r == 12 || c == 10 ? 1.0e6f : hilly(r, c); });
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    ASSERT_TRUE(quietly(spoiled, &JGrid::reverseSubdivide));
    EXPECT_EQ(g.width, 6u);
    EXPECT_EQ(g.height, 7u);
    ASSERT_EQ(g.details.size(), 1u);
    EXPECT_EQ(g.details[0].heightDetails.rows(), 5u);
    EXPECT_EQ(g.details[0].heightDetails.cols(), 10u);
    EXPECT_EQ(g.details[0].widthDetails.rows(), 7u);
    EXPECT_EQ(g.details[0].widthDetails.cols(), 4u);
    EXPECT_EQ(g.heights, spoiled.heights);
    EXPECT_EQ(g.details[0].heightDetails, spoiled.details[0].heightDetails);
    EXPECT_EQ(g.details[0].widthDetails, spoiled.details[0].widthDetails);
    // The corners of the trimmed grid survive.
    EXPECT_EQ(g.heights[0][0], hilly(0, 0));
    EXPECT_EQ(g.heights[0][5], hilly(0, 9));
    EXPECT_EQ(g.heights[6][0], hilly(11, 0));
    EXPECT_EQ(g.heights[6][5], hilly(11, 9));
}

TEST(ReverseGrid, BelowTenSamplesNothingChangesAndNothingIsPrinted)
{
    for (const auto& [w, h] : {std::pair{9u, 20u}, std::pair{20u, 9u}, std::pair{0u, 0u}}) {
        JGrid g;
        if (w > 0)
            fillGrid(g, w, h, hilly);
        const FloatArray2D before = g.heights;
        ConsoleCapture console;
        EXPECT_FALSE(g.reverseSubdivide());
        EXPECT_EQ(console.text(), "");
        EXPECT_EQ(g.heights, before);
        EXPECT_EQ(g.width, w);
        EXPECT_TRUE(g.details.empty());
    }
}

TEST(ReverseGrid, UndoesPlainRefinementWithZeroDetails)
{
    JGrid g;
    fillGrid(g, 8, 7, hilly);
    const FloatArray2D original = g.heights;
    ASSERT_TRUE(quietly(g, &JGrid::subdivideWithoutDetails));
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    ASSERT_EQ(g.width, 8u);
    ASSERT_EQ(g.height, 7u);
    for (unsigned r = 0; r < 7; ++r)
        for (unsigned c = 0; c < 8; ++c)
            EXPECT_NEAR(g.heights[r][c], original[r][c], 2e-4) << r << "," << c;
    for (const FloatArray2D* d : {&g.details[0].heightDetails, &g.details[0].widthDetails})
        for (std::size_t r = 0; r < d->rows(); ++r)
            for (const float v : (*d)[r])
                EXPECT_NEAR(v, 0.0f, 2e-4);
}

TEST(ReverseGrid, ConstantGridKeepsItsValue)
{
    JGrid g;
    fillGrid(g, 12, 10, [](unsigned, unsigned) { return 77.25f; });
    ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    for (unsigned r = 0; r < g.height; ++r)
        for (unsigned c = 0; c < g.width; ++c)
            EXPECT_EQ(g.heights[r][c], 77.25f);
    for (const FloatArray2D* d : {&g.details[0].heightDetails, &g.details[0].widthDetails})
        for (std::size_t r = 0; r < d->rows(); ++r)
            for (const float v : (*d)[r])
                EXPECT_EQ(v, 0.0f);
}

TEST(ReverseGrid, LevelsStackHeightThenWidthDetails)
{
    JGrid g;
    fillGrid(g, 42, 38, hilly);
    g.cellSize = 90.0f;
    g.stdDev = 5.0f;
    for (int level = 0; level < 3; ++level)
        ASSERT_TRUE(quietly(g, &JGrid::reverseSubdivide));
    // 42 -> 22 -> 12 -> 7 columns, 38 -> 20 -> 11 -> 6 rows (11 trimmed to 10).
    EXPECT_EQ(g.width, 7u);
    EXPECT_EQ(g.height, 6u);
    ASSERT_EQ(g.details.size(), 3u);
    const std::pair<std::size_t, std::size_t> shapes[] = {{18, 42}, {20, 20}, {9, 22}, {11, 10}, {4, 12}, {6, 5}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(g.details[i].heightDetails.rows(), shapes[2 * i].first) << i;
        EXPECT_EQ(g.details[i].heightDetails.cols(), shapes[2 * i].second) << i;
        EXPECT_EQ(g.details[i].widthDetails.rows(), shapes[2 * i + 1].first) << i;
        EXPECT_EQ(g.details[i].widthDetails.cols(), shapes[2 * i + 1].second) << i;
    }
    // The level of 12 x 11 keeps the 11th row it leaves out.
    EXPECT_EQ(g.details[2].fineHeight, 11u);
    EXPECT_EQ(g.details[2].lastRow.size(), 12u);
    EXPECT_TRUE(g.details[2].lastColumn.empty());
    EXPECT_EQ(g.cellSize, 720.0f);
    EXPECT_EQ(g.stdDev, -1.0f);
    EXPECT_TRUE(g.loaded);
    EXPECT_FALSE(g.normalsValid);
}
