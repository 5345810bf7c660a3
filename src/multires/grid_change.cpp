#include "grid_change.h"

#include "error_report.h"

#include <cstdio>
#include <utility>

bool hasSamples(const JGrid& g, unsigned minSide)
{
    return g.width >= minSide && g.height >= minSide && g.heights.rows() == g.height && g.heights.cols() == g.width;
}

bool requireSamples(const JGrid& g, unsigned minSide, const char* operation)
{
    if (hasSamples(g, minSide))
        return true;
    reportError("Cannot %s a %i X %i grid: at least %u X %u samples are needed\n", operation, int(g.width),
                int(g.height), minSide, minSide);
    return false;
}

bool fitsSampleLimit(std::uint64_t w, std::uint64_t h, const char* operation)
{
    if (w * h <= JGrid::maxSamples)
        return true;
    reportError("Cannot %s: the result of %llu X %llu samples would exceed the limit of %llu samples\n", operation,
                static_cast<unsigned long long>(w), static_cast<unsigned long long>(h),
                static_cast<unsigned long long>(JGrid::maxSamples));
    return false;
}

void reportOutOfMemory()
{
    reportError("JGrid:: *Error* - not enough memory for this operation; the grid is unchanged\n");
}

void adoptSamples(JGrid& g, GridArrays&& level)
{
    g.width = static_cast<std::uint32_t>(level.heights.cols());
    g.height = static_cast<std::uint32_t>(level.heights.rows());
    g.heights = std::move(level.heights);
    g.normals = std::move(level.normals);
    g.valid = std::move(level.valid);
}

void replaceLevel(JGrid& g, GridArrays&& level)
{
    g.clear();
    adoptSamples(g, std::move(level));
    g.loaded = true;
}

void refreshNormalsAndStatistics(JGrid& g, bool announce)
{
    if (announce)
        std::printf("\tRecalculating normals\n");
    // The normals are computed again when something draws from them (the
    // mesh or the shaded surface): a level nobody draws costs no normals.
    g.normalsValid = false;
    g.normals.clear();
    g.updateStatistics();
}

void scaleSpacing(JGrid& g, float factor, double shift)
{
    if (g.cellSize)
        *g.cellSize *= factor;
    if (g.georeference)
        g.georeference = g.georeference->resampled(factor, shift);
}

void printSizeChange(unsigned oldWidth, unsigned newWidth, unsigned oldHeight, unsigned newHeight)
{
    if (oldWidth != newWidth)
        std::printf("adjusting width from %i to %i\n", int(oldWidth), int(newWidth));
    if (oldHeight != newHeight)
        std::printf("adjusting height from %i to %i\n", int(oldHeight), int(newHeight));
}
