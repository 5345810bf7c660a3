// One level of reverse subdivision: the grid shrinks to about half its rows
// and columns, and the detail stack keeps what refinement needs to restore it.
#include "grid_change.h"
#include "lane_filters.h"
#include "multires_passes.h"

#include <cstdio>

namespace {

constexpr std::size_t minimumFineSamples = 10;

std::size_t evenPart(std::size_t n)
{
    return n & ~std::size_t(1);
}

// The leading rows x cols samples of an array (a trimmed grid).
struct Region {
    const FloatArray2D& data;
    std::size_t rows;
    std::size_t cols;
};

// Filters every column of the region as a lane into outRows rows.
template <class Filter>
FloatArray2D filterColumns(Region in, std::size_t outRows, Filter filter)
{
    FloatArray2D out(outRows, in.cols);
    filter(lanes::Source{in.data.data(), in.data.cols()}, in.rows, lanes::Target{out.data(), in.cols}, in.cols);
    return out;
}

// Filters every row of the region on its own into outCols columns.
template <class Filter>
FloatArray2D filterRows(Region in, std::size_t outCols, Filter filter)
{
    FloatArray2D out(in.rows, outCols);
    for (std::size_t r = 0; r < in.rows; ++r)
        filter(lanes::Source{in.data[r].data(), 1}, in.cols, lanes::Target{out[r].data(), 1}, lanes::One{});
    return out;
}

const auto coarsen = [](auto f, std::size_t n, auto c, auto count) { lanes::coarsenLanes(f, n, c, count); };
const auto detail = [](auto f, std::size_t n, auto d, auto count) { lanes::detailLanes(f, n, d, count); };

void printDetailShape(const FloatArray2D& d)
{
    std::printf("d is %i X %i\n", int(d.cols()), int(d.rows()));
}

std::vector<float> filterSequence(std::span<const float> f, std::size_t outSize, auto filter)
{
    const std::size_t n = evenPart(f.size());
    if (n < minimumFineSamples)
        return {};
    std::vector<float> out(outSize);
    filter(lanes::Source{f.data(), 1}, n, lanes::Target{out.data(), 1}, lanes::One{});
    return out;
}

} // namespace

std::vector<float> JGrid::coarsenSequence(std::span<const float> f)
{
    return filterSequence(f, evenPart(f.size()) / 2 + 1, coarsen);
}

std::vector<float> JGrid::detailSequence(std::span<const float> f)
{
    return filterSequence(f, evenPart(f.size()) / 2 - 1, detail);
}

FloatArray2D JGrid::computeDetails(const FloatArray2D& data, bool horizontal)
{
    FloatArray2D d;
    if (horizontal) {
        const std::size_t n = evenPart(data.cols());
        if (n >= minimumFineSamples)
            d = filterRows({data, data.rows(), n}, n / 2 - 1, detail);
    } else {
        const std::size_t n = evenPart(data.rows());
        if (n >= minimumFineSamples)
            d = filterColumns({data, n, data.cols()}, n / 2 - 1, detail);
    }
    printDetailShape(d);
    return d;
}

ReverseLevel reverseSubdivisionPasses(const FloatArray2D& fine)
{
    const Region trimmed{fine, evenPart(fine.rows()), evenPart(fine.cols())};
    ReverseLevel level;
    level.heightDetails = filterColumns(trimmed, trimmed.rows / 2 - 1, detail);
    const FloatArray2D halfCoarse = filterColumns(trimmed, trimmed.rows / 2 + 1, coarsen);
    const Region rows{halfCoarse, halfCoarse.rows(), halfCoarse.cols()};
    level.widthDetails = filterRows(rows, trimmed.cols / 2 - 1, detail);
    level.coarse = filterRows(rows, trimmed.cols / 2 + 1, coarsen);
    return level;
}

bool JGrid::reverseSubdivide()
{
    if (!hasSamples(*this, minimumFineSamples))
        return false;
    std::printf("Performing one level of REVERSE subdivision\n");
    ReverseLevel level;
    Array2D<gmVec3> coarseNormals;
    const bool built = allocateOrReport([&] {
        level = reverseSubdivisionPasses(heights);
        coarseNormals = Array2D<gmVec3>(level.coarse.rows(), level.coarse.cols());
        details.reserve(details.size() + 2);
    });
    if (!built)
        return false;
    printDetailShape(level.heightDetails);
    std::printf("c1 is %i X %i\n", int(evenPart(width)), int(level.coarse.rows()));
    printDetailShape(level.widthDetails);
    details.push_back(std::move(level.heightDetails));
    details.push_back(std::move(level.widthDetails));
    replaceLevel(*this, std::move(level.coarse), std::move(coarseNormals));
    std::printf("c2 is %i X %i\n", int(width), int(height));
    cellSize *= 2.0f;
    refreshNormalsAndStatistics(*this, false);
    return true;
}
