// One level of Chaikin refinement without details, columns first.
#include "grid_change.h"
#include "lane_filters.h"

#include <cstdio>

namespace {

// Every column refined: 2m-2 rows of the same width.
FloatArray2D refineColumns(const FloatArray2D& coarse)
{
    const std::size_t m = coarse.rows();
    const std::size_t w = coarse.cols();
    FloatArray2D fine(2 * m - 2, w);
    lanes::chaikinLanes(lanes::Source{coarse.data(), w}, m, lanes::Target{fine.data(), w}, w, lanes::NoOffsets{});
    return fine;
}

// Every row refined: the same rows, 2w-2 columns.
FloatArray2D refineRows(const FloatArray2D& coarse)
{
    const std::size_t w = coarse.cols();
    FloatArray2D fine(coarse.rows(), 2 * w - 2);
    for (std::size_t r = 0; r < coarse.rows(); ++r)
        lanes::chaikinLanes(lanes::Source{coarse[r].data(), 1}, w, lanes::Target{fine[r].data(), 1}, lanes::One{},
                            lanes::NoOffsets{});
    return fine;
}

} // namespace

std::vector<float> JGrid::refineSequence(std::span<const float> c)
{
    if (c.size() < 3)
        return {};
    std::vector<float> f(2 * c.size() - 2);
    lanes::chaikinLanes(lanes::Source{c.data(), 1}, c.size(), lanes::Target{f.data(), 1}, lanes::One{},
                        lanes::NoOffsets{});
    return f;
}

bool JGrid::subdivideWithoutDetails()
{
    const char* operation = "subdivide";
    if (!requireSamples(*this, 3, operation)
        || !fitsSampleLimit(2 * std::uint64_t(width) - 2, 2 * std::uint64_t(height) - 2, operation))
        return false;
    std::printf("Performing one level of subdivision without details\n");
    FloatArray2D fine;
    Array2D<gmVec3> fineNormals;
    const bool built = allocateOrReport([&] {
        std::printf("\tRefining columns\n");
        const FloatArray2D columns = refineColumns(heights);
        std::printf("\tRefining rows\n");
        fine = refineRows(columns);
        fineNormals = Array2D<gmVec3>(fine.rows(), fine.cols());
    });
    if (!built)
        return false;
    replaceLevel(*this, std::move(fine), std::move(fineNormals));
    cellSize /= 2.0f;
    refreshNormalsAndStatistics(*this, true);
    return true;
}
