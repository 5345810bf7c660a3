// One level of reverse subdivision: the grid shrinks to about half its rows
// and columns, and the detail stack keeps what refinement needs to restore it.
#include "grid_change.h"
#include "lane_filters.h"
#include "multires_passes.h"
#include "void_levels.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t minimumFineSamples = 10;

std::size_t evenPart(std::size_t n)
{
    return n & ~std::size_t(1);
}

// The two results of one reverse pass.
struct Filtered {
    FloatArray2D coarse;
    FloatArray2D detail;
};

// The column pass over the leading rows x cols samples (rows even), every
// column a lane: the details into detail, each coarse row into coarseRow,
// handed to use(i) as soon as it is finished.
template <class Use>
LANES_INLINE void reverseColumns(const FloatArray2D& fine, std::size_t rows, std::size_t cols, float* coarseRow,
                                 FloatArray2D& detail, Use& use)
{
    lanes::reverseLanes(lanes::ByPositionThen<Use>{cols, use}, lanes::columnHalves(fine.data(), fine.cols()),
                        rows / 2, lanes::Out{coarseRow, 0}, lanes::Out{detail.data(), cols});
}

LANES_VECTOR_CLONES FloatArray2D columnDetails(const FloatArray2D& fine, std::size_t rows, std::size_t cols)
{
    FloatArray2D detail(rows / 2 - 1, cols);
    std::vector<float> coarseRow(cols);
    auto ignore = [](std::size_t) {};
    reverseColumns(fine, rows, cols, coarseRow.data(), detail, ignore);
    return detail;
}

// The rows of the leading rows x cols samples (cols even), one at a time.
LANES_VECTOR_CLONES Filtered reverseRows(const FloatArray2D& fine, std::size_t rows, std::size_t cols)
{
    const std::size_t half = cols / 2;
    Filtered out{FloatArray2D(rows, half + 1), FloatArray2D(rows, half - 1)};
    lanes::RowSplit split(half);
    for (std::size_t r = 0; r < rows; ++r)
        lanes::reverseRow(fine[r].data(), half, out.coarse[r].data(), out.detail[r].data(), split);
    return out;
}

// Vertical pass, then horizontal pass: every coarse row of the vertical pass
// is coarsened along the row as soon as it is finished, through one row
// (coarseRow). Fills the level's arrays, made by the caller: see
// fillSubdivision in chaikin_refinement.cpp for why.
LANES_VECTOR_CLONES void coarsenLevel(const FloatArray2D& fine, ReverseLevel& level, std::vector<float>& coarseRow)
{
    const std::size_t rows = evenPart(fine.rows());
    const std::size_t cols = evenPart(fine.cols());
    const std::size_t half = cols / 2;
    lanes::RowSplit split(half);
    auto coarsenRow = [&](std::size_t i) LANES_LAMBDA_INLINE {
        lanes::reverseRow(coarseRow.data(), half, level.coarse[i].data(), level.widthDetails[i].data(), split);
    };
    reverseColumns(fine, rows, cols, coarseRow.data(), level.heightDetails, coarsenRow);
}

// A single sequence as a one-row array.
Filtered reverseSequence(std::span<const float> f)
{
    const std::size_t n = evenPart(f.size());
    if (n < minimumFineSamples)
        return {};
    FloatArray2D row(1, n);
    std::copy_n(f.data(), n, row.data());
    return reverseRows(row, 1, n);
}

std::vector<float> firstRow(const FloatArray2D& a)
{
    if (a.empty())
        return {};
    return {a[0].begin(), a[0].end()};
}

void printDetailShape(const FloatArray2D& d)
{
    std::printf("d is %i X %i\n", int(d.cols()), int(d.rows()));
}

} // namespace

std::vector<float> JGrid::coarsenSequence(std::span<const float> f)
{
    return firstRow(reverseSequence(f).coarse);
}

std::vector<float> JGrid::detailSequence(std::span<const float> f)
{
    return firstRow(reverseSequence(f).detail);
}

FloatArray2D JGrid::computeDetails(const FloatArray2D& data, bool horizontal)
{
    FloatArray2D d;
    if (horizontal) {
        const std::size_t n = evenPart(data.cols());
        if (n >= minimumFineSamples)
            d = reverseRows(data, data.rows(), n).detail;
    } else {
        const std::size_t n = evenPart(data.rows());
        if (n >= minimumFineSamples)
            d = columnDetails(data, n, data.cols());
    }
    printDetailShape(d);
    return d;
}

ReverseLevel reverseSubdivisionPasses(const FloatArray2D& fine)
{
    const std::size_t rows = evenPart(fine.rows());
    const std::size_t cols = evenPart(fine.cols());
    ReverseLevel level{FloatArray2D::forOverwrite(rows / 2 - 1, cols),
                       FloatArray2D::forOverwrite(rows / 2 + 1, cols / 2 - 1),
                       FloatArray2D::forOverwrite(rows / 2 + 1, cols / 2 + 1)};
    std::vector<float> coarseRow(cols);
    coarsenLevel(fine, level, coarseRow);
    return level;
}

namespace {

// What the level keeps of the fine grid beyond its details: its size and
// voids, and the samples of an odd last column and row that the passes
// leave out.
void keepFineEdges(const JGrid& fine, DetailLevel& level)
{
    level.fineWidth = fine.width;
    level.fineHeight = fine.height;
    level.fineValid = fine.valid;
    const std::size_t evenWidth = evenPart(fine.width);
    if (fine.width % 2 == 1) {
        level.lastColumn.resize(fine.height);
        for (std::size_t r = 0; r < fine.height; ++r)
            level.lastColumn[r] = fine.heights[r][fine.width - 1];
    }
    if (fine.height % 2 == 1) {
        const auto last = fine.heights[fine.height - 1];
        level.lastRow.assign(last.begin(), last.begin() + std::ptrdiff_t(evenWidth));
    }
}

// The coarse grid's heights at its voids, row by row.
std::vector<float> valuesAtVoids(const FloatArray2D& heights, const ValidMask& valid)
{
    std::vector<float> values;
    if (valid.empty())
        return values;
    values.reserve(countVoids(valid));
    for (std::size_t i = 0; i < valid.size(); ++i)
        if (valid.data()[i] == 0)
            values.push_back(heights.data()[i]);
    return values;
}

} // namespace

bool JGrid::reverseSubdivide()
{
    if (!hasSamples(*this, minimumFineSamples))
        return false;
    std::printf("Performing one level of REVERSE subdivision\n");
    ReverseLevel passes;
    GridArrays coarse;
    DetailLevel level;
    const std::size_t evenRows = evenPart(height), evenCols = evenPart(width);
    const bool built = buildLevel(coarse, [&] {
        passes = reverseSubdivisionPasses(heights);
        details.reserve(details.size() + 1);
        keepFineEdges(*this, level);
        if (!valid.empty())
            coarse.valid = coarsenMask(valid, evenRows, evenCols);
        level.coarseFill = valuesAtVoids(passes.coarse, coarse.valid);
        return std::move(passes.coarse);
    });
    if (!built)
        return false;
    printDetailShape(passes.heightDetails);
    std::printf("c1 is %i X %i\n", int(evenPart(width)), int(coarse.heights.rows()));
    printDetailShape(passes.widthDetails);
    level.heightDetails = std::move(passes.heightDetails);
    level.widthDetails = std::move(passes.widthDetails);
    details.push_back(std::move(level));
    replaceLevel(*this, std::move(coarse));
    std::printf("c2 is %i X %i\n", int(width), int(height));
    scaleSpacing(*this, 2.0f, -1.0);
    refreshNormalsAndStatistics(*this, false);
    return true;
}
