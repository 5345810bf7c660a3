// One level of refinement that adds back the details of the last reverse
// level, so that coarsening followed by refinement restores the terrain.
#include "error_report.h"
#include "grid_change.h"
#include "void_levels.h"
#include "lane_filters.h"
#include "multires_passes.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t minimumCoarseSamples = 5;

lanes::WithDetail detailsAt(const float* d, std::size_t stride)
{
    return lanes::WithDetail{lanes::In{d, stride}};
}

// The stored arrays cover the shapes this grid needs: width details of
// height rows by width-2, height details of height-2 rows by 2 width-2.
bool detailsFit(const JGrid& g, const FloatArray2D& widthDetails, const FloatArray2D& heightDetails)
{
    return widthDetails.rows() >= g.height && widthDetails.cols() >= g.width - 2
        && heightDetails.rows() >= g.height - 2 && heightDetails.cols() >= 2 * std::size_t(g.width) - 2;
}

} // namespace

std::vector<float> JGrid::refineRowWithDetails(std::span<const float> row, std::span<const float> rowDetails)
{
    const std::size_t m = row.size();
    if (m < minimumCoarseSamples || rowDetails.size() < m - 2)
        return {};
    std::vector<float> r(2 * m - 2);
    lanes::RowSplit split(m - 1);
    lanes::refineRow(row.data(), m, r.data(), detailsAt(rowDetails.data(), 1), split);
    return r;
}

// The offsets are what refinement with details adds to the refinement of a
// sequence: the refinement of the zero sequence.
std::vector<float> JGrid::detailContribution(std::span<const float> d, std::size_t m)
{
    return refineRowWithDetails(std::vector<float>(m, 0.0f), d);
}

void JGrid::refineColumnWithDetails(const FloatArray2D& coarse, const FloatArray2D& colDetails, std::size_t column,
                                    FloatArray2D& out)
{
    const std::size_t m = coarse.rows();
    if (m < minimumCoarseSamples || column >= coarse.cols() || colDetails.rows() < m - 2
        || column >= colDetails.cols() || out.rows() < 2 * m - 2 || column >= out.cols())
        return;
    lanes::chaikinLanes(lanes::ByPosition{1}, lanes::In{coarse.data() + column, coarse.cols()}, m,
                        lanes::columnHalves(out.data() + column, out.cols()),
                        detailsAt(colDetails.data() + column, colDetails.cols()));
}

namespace {

// Rows first, then columns: the rows that a column position reads are
// refined just before it needs them, into a pair of rows used in turn
// (rowPair, 2 x the fine width). Fills fine, made by the caller: see
// fillSubdivision in chaikin_refinement.cpp for why.
LANES_VECTOR_CLONES void fillSubdivisionWithDetails(const FloatArray2D& coarse, const FloatArray2D& widthDetails,
                                                    const FloatArray2D& heightDetails, FloatArray2D& fine,
                                                    std::vector<float>& rowPair)
{
    const std::size_t m = coarse.rows();
    const std::size_t w = coarse.cols();
    const std::size_t fineWidth = 2 * w - 2;
    lanes::RowSplit split(w - 1);
    auto refineRowAt = [&](std::size_t r) LANES_LAMBDA_INLINE {
        lanes::refineRow(coarse[r].data(), w, rowPair.data() + (r & 1) * fineWidth,
                         detailsAt(widthDetails[r].data(), 1), split);
    };
    std::size_t made = 0;
    lanes::chaikinLanes(lanes::ByPositionMakingRows<decltype(refineRowAt)>{fineWidth, refineRowAt, made},
                        lanes::RowPair{rowPair.data(), fineWidth}, m, lanes::columnHalves(fine.data(), fine.cols()),
                        detailsAt(heightDetails.data(), heightDetails.cols()));
}

} // namespace

FloatArray2D subdivisionWithDetailsPasses(const FloatArray2D& coarse, const FloatArray2D& widthDetails,
                                          const FloatArray2D& heightDetails, std::size_t rows, std::size_t cols)
{
    const std::size_t fineWidth = 2 * coarse.cols() - 2;
    FloatArray2D fine =
        FloatArray2D::forOverwrite(std::max(rows, 2 * coarse.rows() - 2), std::max(cols, fineWidth));
    std::vector<float> rowPair(2 * fineWidth);
    fillSubdivisionWithDetails(coarse, widthDetails, heightDetails, fine, rowPair);
    return fine;
}

namespace {

// The coarse heights refinement starts from: the grid's own, or, where the
// level keeps other values at the grid's voids (a grid read back from a file
// has its voids filled afresh), a copy holding those.
const FloatArray2D& coarseWithStoredFill(const JGrid& g, const DetailLevel& level, FloatArray2D& copy)
{
    const std::vector<float>& fill = level.coarseFill;
    if (g.valid.empty() || fill.empty() || countVoids(g.valid) != fill.size())
        return g.heights;
    bool same = true;
    for (std::size_t i = 0, k = 0; i < g.valid.size() && same; ++i)
        if (g.valid.data()[i] == 0)
            same = g.heights.data()[i] == fill[k++];
    if (same)
        return g.heights;
    copy = g.heights;
    for (std::size_t i = 0, k = 0; i < copy.size(); ++i)
        if (g.valid.data()[i] == 0)
            copy.data()[i] = fill[k++];
    return copy;
}

// The level's finer grid is what refining a grid of m rows and w columns
// gives (2m-2 by 2w-2), or one more on a side, with the kept edge values that
// side needs: the refinement takes the level's size then.
bool keptEdgesFit(const DetailLevel& level, std::size_t m, std::size_t w)
{
    const std::size_t rows = 2 * m - 2, cols = 2 * w - 2;
    const std::size_t fineRows = level.fineRows(), fineCols = level.fineColumns();
    return (fineCols == cols || fineCols == cols + 1) && (fineRows == rows || fineRows == rows + 1)
           && level.lastColumn.size() == (fineCols > cols ? fineRows : 0)
           && level.lastRow.size() == (fineRows > rows ? cols : 0);
}

// Puts the kept last column and row into the refined samples' extra column
// and row.
void putKeptEdges(FloatArray2D& fine, const DetailLevel& level)
{
    if (!level.lastRow.empty())
        std::copy(level.lastRow.begin(), level.lastRow.end(), fine[fine.rows() - 1].begin());
    for (std::size_t r = 0; r < level.lastColumn.size(); ++r)
        fine[r][fine.cols() - 1] = level.lastColumn[r];
}

} // namespace

bool JGrid::subdivideWithDetails()
{
    if (details.empty())
        return subdivideWithoutDetails();
    const char* operation = "subdivide with details";
    if (!requireSamples(*this, minimumCoarseSamples, operation))
        return false;
    const DetailLevel& level = details.back();
    const std::uint32_t fineWidth = 2 * width - 2;
    if (!fitsSampleLimit(std::max<std::uint64_t>(fineWidth, level.fineColumns()),
                         std::max<std::uint64_t>(2 * std::uint64_t(height) - 2, level.fineRows()), operation))
        return false;
    const FloatArray2D& widthDetails = level.widthDetails;
    const FloatArray2D& heightDetails = level.heightDetails;
    if (!detailsFit(*this, widthDetails, heightDetails)) {
        reportError("Cannot %s: the stored details are %i X %i and %i X %i, but this %i X %i grid needs at least "
                    "%i X %i and %i X %i; the grid and the details are unchanged\n",
                    operation, int(widthDetails.cols()), int(widthDetails.rows()), int(heightDetails.cols()),
                    int(heightDetails.rows()), int(width), int(height), int(width - 2), int(height),
                    int(2 * width - 2), int(height - 2));
        return false;
    }
    std::printf("Performing one level of subdivision with details\n");
    // The finer grid's voids: the mask stored with these details, or, for
    // details without one, the coarse voids carried up.
    GridArrays fine;
    FloatArray2D filled;
    const bool built = buildLevel(fine, [&] {
        const FloatArray2D& coarse = coarseWithStoredFill(*this, level, filled);
        // The passes write the even part; the kept edges fill the rest.
        const bool kept = keptEdgesFit(level, height, width);
        FloatArray2D samples = subdivisionWithDetailsPasses(coarse, widthDetails, heightDetails,
                                                            kept ? level.fineRows() : 0, kept ? level.fineColumns() : 0);
        if (kept)
            putKeptEdges(samples, level);
        filled.clear();
        const ValidMask& stored = level.fineValid;
        const bool covers = stored.rows() >= samples.rows() && stored.cols() >= samples.cols();
        fine.valid = resizeMask(covers ? stored : refineMask(valid), samples.rows(), samples.cols());
        return samples;
    });
    if (!built)
        return false;
    std::printf("f1 is %i X %i\t", int(fineWidth), int(height));
    details.pop_back();
    replaceLevel(*this, std::move(fine));
    scaleSpacing(*this, 0.5f, 0.5);
    std::printf("f2 is %i X %i\n", int(width), int(height));
    refreshNormalsAndStatistics(*this, true);
    return true;
}
