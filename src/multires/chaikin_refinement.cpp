// One level of Chaikin refinement without details, columns first.
#include "grid_change.h"
#include "void_levels.h"
#include "lane_filters.h"

#include <cstdio>
#include <vector>

namespace {

// The vector-clone variants only fill arrays made by their callers: an
// exception cannot leave a function built with target_clones (GCC ends the
// program instead), so a failed allocation must happen outside them to be
// reported as a refusal.

// Columns first, then rows: every pair of rows that the column pass
// finishes is refined along the rows at once, through a buffer of two rows
// (columnRows, 2 x the coarse width) into fine (2m-2 x 2w-2).
LANES_VECTOR_CLONES void fillSubdivision(const FloatArray2D& coarse, FloatArray2D& fine, std::vector<float>& columnRows)
{
    const std::size_t m = coarse.rows();
    const std::size_t w = coarse.cols();
    lanes::RowSplit split(w - 1);
    auto refineBothRows = [&](std::size_t i) LANES_LAMBDA_INLINE {
        lanes::refineRow(columnRows.data(), w, fine[2 * i].data(), lanes::NoDetail{}, split);
        lanes::refineRow(columnRows.data() + w, w, fine[2 * i + 1].data(), lanes::NoDetail{}, split);
    };
    lanes::chaikinLanes(lanes::ByPositionThen<decltype(refineBothRows)>{w, refineBothRows},
                        lanes::In{coarse.data(), w}, m,
                        lanes::Halves<float>{{columnRows.data(), 0}, {columnRows.data() + w, 0}}, lanes::NoDetail{});
}

FloatArray2D subdivisionPasses(const FloatArray2D& coarse)
{
    FloatArray2D fine = FloatArray2D::forOverwrite(2 * coarse.rows() - 2, 2 * coarse.cols() - 2);
    std::vector<float> columnRows(2 * coarse.cols());
    fillSubdivision(coarse, fine, columnRows);
    return fine;
}

} // namespace

std::vector<float> JGrid::refineSequence(std::span<const float> c)
{
    if (c.size() < 3)
        return {};
    std::vector<float> f(2 * c.size() - 2);
    lanes::RowSplit split(c.size() - 1);
    lanes::refineRow(c.data(), c.size(), f.data(), lanes::NoDetail{}, split);
    return f;
}

bool JGrid::subdivideWithoutDetails()
{
    const char* operation = "subdivide";
    if (!requireSamples(*this, 3, operation)
        || !fitsSampleLimit(2 * std::uint64_t(width) - 2, 2 * std::uint64_t(height) - 2, operation))
        return false;
    std::printf("Performing one level of subdivision without details\n");
    GridArrays fine;
    const bool built = buildLevel(fine, [&] {
        // The two passes run together, row pair by row pair.
        std::printf("\tRefining columns\n");
        std::printf("\tRefining rows\n");
        fine.valid = refineMask(valid);
        return subdivisionPasses(heights);
    });
    if (!built)
        return false;
    replaceLevel(*this, std::move(fine));
    scaleSpacing(*this, 0.5f, 0.5);
    refreshNormalsAndStatistics(*this, true);
    return true;
}
