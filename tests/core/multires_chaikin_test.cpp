#include "jgrid.h"
#include "multires_test_support.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

using multires_test::columnOf;
using multires_test::fillGrid;
using multires_test::hilly;

TEST(ChaikinSequence, WorkedExamples)
{
    const std::vector<float> three{0, 4, 8};
    EXPECT_EQ(JGrid::refineSequence(three), (std::vector<float>{0, 2, 6, 8}));
    const std::vector<float> four{0, 4, 8, 12};
    EXPECT_EQ(JGrid::refineSequence(four), (std::vector<float>{0, 2, 5, 7, 10, 12}));
    const std::vector<float> six{0, 4, 8, 12, 16, 20};
    EXPECT_EQ(JGrid::refineSequence(six), (std::vector<float>{0, 2, 5, 7, 9, 11, 13, 15, 18, 20}));
}

TEST(ChaikinSequence, FewerThanThreeSamplesGiveNothing)
{
    const std::vector<float> two{1, 2};
    EXPECT_TRUE(JGrid::refineSequence(two).empty());
    EXPECT_TRUE(JGrid::refineSequence({}).empty());
}

TEST(ChaikinSequence, RoundsOnceFromDouble)
{
    // 3/4 * 16777218 + 1/4 * 6 = 12582915 exactly. In float arithmetic the
    // product would round to 12582914 first and the sum to 12582916.
    const std::vector<float> c{0.0f, 16777218.0f, 6.0f, 0.0f};
    EXPECT_EQ(JGrid::refineSequence(c)[2], 12582915.0f);
}

TEST(ChaikinGrid, RefinesColumnsThenRowsWithTheSequenceRule)
{
    JGrid g;
    fillGrid(g, 10, 6, hilly);
    FloatArray2D columns(10, 10);
    for (unsigned c = 0; c < 10; ++c) {
        const std::vector<float> col = columnOf(g.heights, c);
        const std::vector<float> refined = JGrid::refineSequence(col);
        for (unsigned r = 0; r < 10; ++r)
            columns[r][c] = refined[r];
    }
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::subdivideWithoutDetails));
    ASSERT_EQ(g.width, 18u);
    ASSERT_EQ(g.height, 10u);
    ASSERT_EQ(g.heights.rows(), 10u);
    for (unsigned r = 0; r < 10; ++r)
        EXPECT_EQ(multires_test::rowOf(g.heights, r), JGrid::refineSequence(columns[r])) << "row " << r;
}

TEST(ChaikinGrid, ConstantGridStaysConstantAndCornersSurvive)
{
    JGrid g;
    fillGrid(g, 7, 5, [](unsigned, unsigned) { return 123.456f; });
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::subdivideWithoutDetails));
    for (unsigned r = 0; r < g.height; ++r)
        for (unsigned c = 0; c < g.width; ++c)
            ASSERT_EQ(g.heights[r][c], 123.456f);

    fillGrid(g, 3, 3, hilly); // the smallest grid: 3 x 3 becomes 4 x 4
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::subdivideWithoutDetails));
    ASSERT_EQ(g.width, 4u);
    ASSERT_EQ(g.height, 4u);
    EXPECT_EQ(g.heights[0][0], hilly(0, 0));
    EXPECT_EQ(g.heights[0][3], hilly(0, 2));
    EXPECT_EQ(g.heights[3][0], hilly(2, 0));
    EXPECT_EQ(g.heights[3][3], hilly(2, 2));
}

TEST(ChaikinGrid, StateAfterALevel)
{
    JGrid g;
    fillGrid(g, 5, 4, hilly);
    g.stdDev = 12.0f;
    g.details.push_back(DetailLevel{FloatArray2D(2, 3, 1.0f)});
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::subdivideWithoutDetails));
    EXPECT_FALSE(g.cellSize.has_value()); // no cell size stays none
    EXPECT_EQ(g.stdDev, -1.0f);
    EXPECT_TRUE(g.loaded);
    // The new level holds no normals until something draws it.
    EXPECT_FALSE(g.normalsValid);
    EXPECT_TRUE(g.normals.empty());
    EXPECT_EQ(g.details.size(), 1u); // the stack is not touched
    float lo = 1e30f, hi = -1e30f;
    for (unsigned r = 0; r < g.height; ++r)
        for (unsigned c = 0; c < g.width; ++c) {
            lo = std::min(lo, g.heights[r][c]);
            hi = std::max(hi, g.heights[r][c]);
        }
    EXPECT_EQ(g.minHeight, lo);
    EXPECT_EQ(g.maxHeight, hi);
    g.cellSize = 90.0f;
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::subdivideWithoutDetails));
    EXPECT_EQ(g.cellSize, 45.0f);
}

TEST(ChaikinGrid, ConsoleLines)
{
    JGrid g;
    fillGrid(g, 4, 4, hilly);
    ConsoleCapture console;
    g.subdivideWithoutDetails();
    EXPECT_EQ(console.text(), "Performing one level of subdivision without details\n"
                              "\tRefining columns\n"
                              "\tRefining rows\n"
                              "\tRecalculating normals\n");
}

TEST(ChaikinGrid, GridsTooSmallAreLeftUnchanged)
{
    for (const auto& [w, h] : {std::pair{2u, 5u}, std::pair{5u, 2u}, std::pair{0u, 0u}}) {
        JGrid g;
        if (w > 0)
            fillGrid(g, w, h, hilly);
        g.cellSize = 90.0f;
        const FloatArray2D before = g.heights;
        ConsoleCapture console;
        EXPECT_FALSE(g.subdivideWithoutDetails());
        const std::string text = console.text();
        EXPECT_EQ(text.rfind("Cannot subdivide a ", 0), 0u) << text;
        EXPECT_EQ(g.heights, before);
        EXPECT_EQ(g.width, w);
        EXPECT_EQ(g.height, h);
        EXPECT_EQ(g.cellSize, 90.0f);
    }
}

// 8194 x 8194 samples refine to 16386 x 16386 (Chaikin) or 16387 x 16387
// (Brownian), both beyond 2^28. Only the heights exist: every refusal must
// come before anything else is read or allocated.
TEST(RefinementLimit, ResultsBeyondMaxSamplesAreRefused)
{
    JGrid g;
    g.heights = FloatArray2D(8194, 8194, 5.0f);
    g.width = 8194;
    g.height = 8194;
    g.loaded = true;
    g.stdDev = 3.0f;
    g.details.push_back(DetailLevel{});
    for (bool (JGrid::*refine)() : {&JGrid::subdivideWithoutDetails, &JGrid::subdivideWithDetails,
                                    &JGrid::subdivideBrownian}) {
        ConsoleCapture console;
        EXPECT_FALSE((g.*refine)());
        const std::string text = console.text();
        EXPECT_NE(text.find("would exceed the limit of 268435456 samples"), std::string::npos) << text;
        EXPECT_EQ(g.width, 8194u);
        EXPECT_EQ(g.heights.rows(), 8194u);
        EXPECT_EQ(g.stdDev, 3.0f);
        EXPECT_EQ(g.details.size(), 1u);
    }
}

namespace {

// Runs refine with the address space limited to what the process holds now
// plus headroom, and reports whether it refused and left the grid as it was.
bool refusesWhenMemoryRunsOut(JGrid& g, bool (JGrid::*refine)(), std::size_t headroomBytes)
{
    const FloatArray2D before = g.heights;
    const std::size_t detailsBefore = g.details.size();
    const float stdDevBefore = g.stdDev;
    const std::optional<float> cellSizeBefore = g.cellSize;
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroomBytes;
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0)
        return false;
    ConsoleCapture console;
    const bool changed = (g.*refine)();
    const std::string text = console.text();
    return !changed && text.find("not enough memory") != std::string::npos && g.heights == before
        && g.details.size() == detailsBefore && g.stdDev == stdDevBefore && g.cellSize == cellSizeBefore && g.loaded;
}

void expectRefusalWithoutMemory(JGrid& g, bool (JGrid::*refine)(), std::size_t headroomBytes)
{
    EXPECT_EXIT(std::_Exit(refusesWhenMemoryRunsOut(g, refine, headroomBytes) ? 0 : 1), testing::ExitedWithCode(0),
                "");
}

} // namespace

TEST(RefinementMemory, AllocationFailureLeavesTheTerrain)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#endif
    // The capped child starts afresh rather than from a fork of this process,
    // whose heap the tests before have left in any state.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    JGrid g;
    fillGrid(g, 2000, 2000, hilly);
    // The refined heights (64 MB) do not fit in the headroom.
    expectRefusalWithoutMemory(g, &JGrid::subdivideWithoutDetails, 16 << 20);
    expectRefusalWithoutMemory(g, &JGrid::subdivideBrownian, 16 << 20);
    // Coarsening: the coarse level and its details (16 MB) do not fit either.
    expectRefusalWithoutMemory(g, &JGrid::reverseSubdivide, 4 << 20);
    ASSERT_TRUE(multires_test::quietly(g, &JGrid::reverseSubdivide));
    // Back to 2000 x 2000: heights 16 MB.
    expectRefusalWithoutMemory(g, &JGrid::subdivideWithDetails, 4 << 20);
}
