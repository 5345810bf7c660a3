// Changes the grid's dimensions: cropping drops the last columns or rows,
// growing repeats the last column to the right and the last row downwards.
#include "grid_change.h"
#include "void_levels.h"

#include <algorithm>
#include <cstdint>

namespace {

const gmVec3 upNormal(0.0, 0.0, 1.0);
const Array2D<gmVec3> noNormals;

// The samples and normals of the grid resized to w x h: overlapping samples
// and normals are kept; new columns repeat the last sample of their row, new
// rows repeat the row above; new positions get the normal (0, 0, 1).
void resizeInto(const FloatArray2D& from, const Array2D<gmVec3>& fromNormals, GridArrays& sized)
{
    FloatArray2D& to = sized.heights;
    Array2D<gmVec3>& toNormals = sized.normals;
    const std::size_t keptRows = std::min(from.rows(), to.rows());
    const std::size_t keptCols = std::min(from.cols(), to.cols());
    for (std::size_t r = 0; r < keptRows; ++r) {
        const auto row = from[r];
        const auto out = to[r];
        std::copy_n(row.data(), keptCols, out.data());
        std::fill(out.begin() + keptCols, out.end(), row[from.cols() - 1]);
    }
    for (std::size_t r = keptRows; r < to.rows(); ++r)
        std::copy_n(to[r - 1].data(), to.cols(), to[r].data());
    const std::size_t normalRows = std::min(keptRows, fromNormals.rows());
    const std::size_t normalCols = std::min(keptCols, fromNormals.cols());
    for (std::size_t r = 0; r < normalRows; ++r)
        std::copy_n(fromNormals[r].data(), normalCols, toNormals[r].data());
}

unsigned atLeastTwo(int side)
{
    return static_cast<unsigned>(std::max(side, 2));
}

} // namespace

bool JGrid::adjustSize(int newWidth, int newHeight)
{
    if ((std::int64_t(newWidth) == width && std::int64_t(newHeight) == height) || (newWidth == 0 && newHeight == 0))
        return true;
    const unsigned w = atLeastTwo(newWidth);
    const unsigned h = atLeastTwo(newHeight);
    if (!fitsSampleLimit(w, h, "adjust the size"))
        return false;

    // A grid without samples starts as 2 x 2 zeros, which then grows. A grid
    // with samples keeps them, however narrow it is.
    const bool empty = !hasSamples(*this, 1);
    // Normals follow the samples where the grid has them; a grid whose
    // normals were never asked for stays without.
    const bool withNormals = normals.rows() == height && normals.cols() == width;
    GridArrays sized;
    FloatArray2D start;
    const bool built = allocateOrReport([&] {
        if (empty)
            start = FloatArray2D(2, 2, 0.0f);
        sized.heights = FloatArray2D(h, w);
        if (withNormals)
            sized.normals = Array2D<gmVec3>(h, w, upNormal);
        if (!empty)
            sized.valid = resizeMask(valid, h, w);
    });
    if (!built)
        return false;
    const FloatArray2D& from = empty ? start : heights;
    resizeInto(from, empty ? noNormals : normals, sized);

    clearDetails();
    printSizeChange(unsigned(from.cols()), w, unsigned(from.rows()), h);
    adoptSamples(*this, std::move(sized));
    if (empty)
        loaded = true;
    updateStatistics();
    return true;
}
