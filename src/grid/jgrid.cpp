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
    : width(0), height(0), loaded(false), normalsValid(false), maxHeight(initialMaxHeight),
      minHeight(initialMinHeight), averageHeight(0.0f), name("null"), stdDev(-1.0f)
{
}

JGrid::~JGrid()
{
    if (loaded)
        clear();
    clearDetails();
}

JGrid JGrid::copyLevel(std::size_t topLevels) const
{
#if __SIZEOF_POINTER__ == 8
    static_assert(sizeof(JGrid) == 336, "copyLevel copies every member: give a new one its line");
#endif
    JGrid copy;
    copy.width = width;
    copy.height = height;
    copy.loaded = loaded;
    copy.cellSize = cellSize;
    copy.heights = heights;
    topLevels = std::min(topLevels, details.size());
    copy.details.assign(details.end() - std::ptrdiff_t(topLevels), details.end());
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
    copy.georeference = georeference;
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
}

HeightStatistics::HeightStatistics(const float* values, const std::uint8_t* valid, std::size_t count)
{
    std::size_t i = 0;
    while (i < count && valid && valid[i] == 0)
        ++i;
    if (i < count)
        minimum = maximum = values[i];
    for (; i < count; ++i) {
        if (stopRequestedAt(i)) {
            stopped = true;
            return;
        }
        if (valid && valid[i] == 0)
            continue;
        const float v = values[i];
        if (v < minimum)
            minimum = v;
        if (v > maximum)
            maximum = v;
        sum += v;
        ++validCount;
    }
}

// Statistics count valid samples only; voids are counted apart. A grid
// without any valid sample has no statistics: they go back to the values of
// an empty grid.
void JGrid::updateStatistics()
{
    if (height == 0 || width == 0 || heights.rows() != height || heights.cols() != width)
        return;
    const bool masked = valid.rows() == heights.rows() && valid.cols() == heights.cols();
    const HeightStatistics s(heights.data(), masked ? valid.data() : nullptr, heights.size());
    if (s.stopped)
        return; // the statistics stay as they were; the stopped work drops this grid
    voidCount = heights.size() - s.validCount;
    maxHeight = s.validCount ? s.maximum : initialMaxHeight;
    minHeight = s.validCount ? s.minimum : initialMinHeight;
    averageHeight = s.validCount ? s.mean() : 0.0f;
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
    return static_cast<float>(above / (static_cast<double>(drawingCellSize()) * 0.9 * 50.0)
                              * static_cast<double>(verticalExaggeration));
}

gmVec3 JGrid::normalAt(unsigned row, unsigned col) const
{
    return normals[row][col];
}
