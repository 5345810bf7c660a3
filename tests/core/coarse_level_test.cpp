#include "coarse_level.h"
#include "frame_times.h"

#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float hills(unsigned r, unsigned c)
{
    return float(400.0 + 150.0 * std::sin(r * 0.15) * std::cos(c * 0.11) + 2.0 * c);
}

} // namespace

// Frames of 20000 faces and more set the cost of a face (half the weight to
// the newest); the budget keeps a moving frame within four fifths of 0.1 s
// beside 10 ms for the rest of the frame.
TEST(FrameTimes, CostPerFaceBudgetAndWhenToRebuild)
{
    FrameTimes times;
    EXPECT_DOUBLE_EQ(times.secondsPerFace(), 4e-7);
    times.record(1'000'000, 1.01); // 1e-6 s a face
    EXPECT_DOUBLE_EQ(times.secondsPerFace(), 7e-7);
    EXPECT_DOUBLE_EQ(times.expected(100'000), 0.01 + 0.07);
    EXPECT_EQ(times.faceBudget(), 100'000u);
    times.record(19'999, 50.0); // too small to tell
    times.record(30'000, -1.0);
    EXPECT_DOUBLE_EQ(times.secondsPerFace(), 7e-7);
    EXPECT_TRUE(times.tooSlow(200'000));
    EXPECT_FALSE(times.tooSlow(100'000));

    // A drawn level fast enough needs nothing.
    EXPECT_FALSE(times.rebuildWanted(100'000, 0, 50'000));
    // None was built because the budget then held the drawn level.
    EXPECT_TRUE(times.rebuildWanted(1'000'000, 0, 2'000'000));
    // None could be built: the level is too small to coarsen.
    EXPECT_FALSE(times.rebuildWanted(1'000'000, 0, 100'000));
    // The coarse level is too slow itself.
    EXPECT_TRUE(times.rebuildWanted(4'000'000, 200'000, 250'000));
    // A finer level than a sixteenth fits: four times 20000 is in budget.
    EXPECT_TRUE(times.rebuildWanted(4'000'000, 20'000, 25'000));
    // One coarsening below the drawn level is the finest there is.
    EXPECT_FALSE(times.rebuildWanted(100'400, 25'100, 100'000));
}

TEST(CoarseLevel, CoarsenedUntilItFitsTheBudget)
{
    EXPECT_EQ(estimatedFaces(200, 100, 0), 2u * 199u * 99u);
    EXPECT_EQ(estimatedFaces(200, 100, 10000), 199u * 99u); // half the samples void
    EXPECT_EQ(estimatedFaces(1, 100, 0), 0u);

    JGrid drawn;
    fillTestGrid(drawn, 200, 200, 30.0f, hills);
    WorkControl control;
    CoarseLevel coarse;
    // 200 -> 101 -> 51 samples a side: 5000 faces.
    ASSERT_EQ(buildCoarseLevel(drawn, 10'000, coarse, control), WorkOutcome::Done);
    EXPECT_EQ(coarse.spacing, 4.0);
    EXPECT_EQ(coarse.builtFor, 10'000u);
    EXPECT_EQ(coarse.mesh.vertices.size(), 51u * 51u);
    EXPECT_EQ(coarse.mesh.faces.size(), 2u * 50u * 50u);
    ASSERT_TRUE(coarse.mesh.extent.has_value());
    EXPECT_EQ(coarse.mesh.extent->high[0], 50 / 50.0);
    EXPECT_FALSE(coarse.mesh.occluderPositions.empty());
    // The drawn level is left as it was.
    EXPECT_EQ(drawn.width, 200u);
    EXPECT_TRUE(drawn.details.empty());

    // Within the budget: no coarse level.
    ASSERT_EQ(buildCoarseLevel(drawn, 2 * 199 * 199, coarse, control), WorkOutcome::Done);
    EXPECT_TRUE(coarse.mesh.faces.empty());
    EXPECT_EQ(coarse.builtFor, 2u * 199u * 199u);
    // As coarse as the grid goes: 12 -> 7 samples, below which there is
    // no coarsening.
    JGrid small;
    fillTestGrid(small, 12, 12, 30.0f, hills);
    ASSERT_EQ(buildCoarseLevel(small, 1, coarse, control), WorkOutcome::Done);
    EXPECT_EQ(coarse.spacing, 2.0);
    EXPECT_EQ(coarse.mesh.vertices.size(), 49u);

    // A stop request leaves nothing.
    control.cancel();
    EXPECT_EQ(buildCoarseLevel(drawn, 10'000, coarse, control), WorkOutcome::Cancelled);
    EXPECT_TRUE(coarse.mesh.vertices.empty());
}
