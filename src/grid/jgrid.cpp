#include "jgrid.h"

#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool debugOutput = false;

namespace {
constexpr float initialMaxHeight = -1.0e10f;
constexpr float initialMinHeight = 1.0e10f;
}

JGrid::JGrid()
    : width(0), height(0), loaded(false), cellSize(-1.0f), normalsValid(false), maxHeight(initialMaxHeight),
      minHeight(initialMinHeight), averageHeight(0.0f), name("null"), stdDev(-1.0f)
{
}

JGrid::~JGrid()
{
    if (loaded)
        clear();
    clearDetails();
}

JGrid JGrid::copyLevel(std::size_t topDetails) const
{
#if __SIZEOF_POINTER__ == 8
    static_assert(sizeof(JGrid) == 256, "copyLevel copies every member: give a new one its line");
#endif
    JGrid copy;
    copy.width = width;
    copy.height = height;
    copy.loaded = loaded;
    copy.cellSize = cellSize;
    copy.heights = heights;
    topDetails = std::min(topDetails, details.size()) & ~std::size_t(1);
    copy.details.assign(details.end() - std::ptrdiff_t(topDetails), details.end());
    // The masks stored with those levels, at the copy's level indices.
    for (std::size_t level = (details.size() - topDetails) / 2; level < details.size() / 2; ++level)
        copy.detailMasks.push_back(level < detailMasks.size() ? detailMasks[level] : ValidMask());
    copy.normalsValid = false;
    copy.maxHeight = maxHeight;
    copy.minHeight = minHeight;
    copy.averageHeight = averageHeight;
    copy.name = name;
    copy.stdDev = stdDev;
    copy.eastWestRatio = eastWestRatio;
    copy.verticalExaggeration = verticalExaggeration;
    copy.valid = valid;
    copy.voidCount = voidCount;
    copy.noDataValue = noDataValue;
    return copy;
}

void JGrid::resize(unsigned w, unsigned h)
{
    if (loaded) {
        std::printf("JGrid::You are a bad person for trying to resize when data is present\n");
        return;
    }
    width = w;
    height = h;
    if (height < 1 || width < 1)
        return;
    heights.resize(height, width, 0.0f);
    normals.resize(height, width, gmVec3());
}

void JGrid::clear()
{
    heights.clear();
    normals.clear();
    valid.clear();
    voidCount = 0;
    height = 0;
    width = 0;
    loaded = false;
    normalsValid = false;
    stdDev = -1.0f;
    maxHeight = initialMaxHeight;
    minHeight = initialMinHeight;
    averageHeight = 0.0f;
}

void JGrid::clearDetails()
{
    details.clear();
    details.shrink_to_fit();
    detailMasks.clear();
}

// Statistics count valid samples only; voids are counted apart.
void JGrid::updateStatistics()
{
    const std::size_t rows = std::min<std::size_t>(height, heights.rows());
    const std::size_t cols = std::min<std::size_t>(width, heights.cols());
    if (rows == 0 || cols == 0)
        return;
    const bool masked = valid.rows() == heights.rows() && valid.cols() == heights.cols();
    float lo = 1.0e6f;
    float hi = -1.0e6f;
    double sum = 0.0;
    std::size_t count = 0;
    std::uint64_t voids = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (stopRequested())
            return; // the statistics stay as they were; the stopped work drops this grid
        const auto row = heights[r];
        for (std::size_t c = 0; c < cols; ++c) {
            if (masked && valid[r][c] == 0) {
                ++voids;
                continue;
            }
            const float v = row[c];
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
            sum += v;
            ++count;
        }
    }
    voidCount = voids;
    if (count == 0)
        return;
    maxHeight = hi;
    minHeight = lo;
    averageHeight = static_cast<float>(sum / static_cast<double>(count));
}

float JGrid::standardDeviation()
{
    const std::size_t rows = std::min<std::size_t>(height, heights.rows());
    const std::size_t cols = std::min<std::size_t>(width, heights.cols());
    if (rows == 0 || cols == 0)
        return 0.0f;
    double n = 0.0;
    double sum = 0.0;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c)
            if (isValid(r, c)) {
                sum += heights[r][c];
                n += 1.0;
            }
    if (n == 0.0)
        return 0.0f;
    const double mean = sum / n;
    double squares = 0.0;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cols; ++c)
            if (isValid(r, c))
                squares += (heights[r][c] - mean) * (heights[r][c] - mean);
    const double deviation = std::sqrt(squares / n);
    std::printf("the standard deviation is %1.5f\n", deviation);
    return static_cast<float>(deviation);
}

void JGrid::printRow(unsigned row)
{
    if (row >= heights.rows())
        return;
    for (const float v : heights[row])
        std::printf("%1.3f\n", v);
}

float JGrid::scaledHeight(unsigned row, unsigned col) const
{
    const double above = static_cast<double>(heights[row][col]) - static_cast<double>(minHeight);
    return static_cast<float>(above / (static_cast<double>(cellSize) * 0.9 * 50.0)
                              * static_cast<double>(verticalExaggeration));
}

gmVec3 JGrid::normalAt(unsigned row, unsigned col) const
{
    return normals[row][col];
}
