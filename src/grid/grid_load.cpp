#include "grid_load.h"

#include "error_report.h"
#include "grid_file_io.h"
#include "stop_request.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

namespace {

// What the loaders gather over the values read: the statistics of the
// valid ones.
struct LoadTally {
    double sum = 0.0;
    std::size_t validCount = 0;
    float minHeight = 1.0e10f;
    float maxHeight = -1.0e10f;

    LoadTally(const float* values, const std::uint8_t* valid, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (valid && valid[i] == 0)
                continue;
            const float value = values[i];
            sum += value;
            ++validCount;
            if (value < minHeight)
                minHeight = value;
            if (value > maxHeight)
                maxHeight = value;
        }
    }
};

template <class Allocate>
bool allocateOrReport(const QString& fileName, Allocate&& allocate)
{
    try {
        allocate();
        return true;
    } catch (const std::bad_alloc&) {
        reportError("JGrid:: *Error* - not enough memory to load %s\n", localName(fileName).constData());
        return false;
    }
}

template <typename T>
bool allocate(Array2D<T>& array, const GridHeader& header, const QString& fileName)
{
    try {
        array = Array2D<T>::forOverwrite(header.height, header.width);
        return true;
    } catch (const std::bad_alloc&) {
        reportError("JGrid:: *Error* - not enough memory to load the %u x %u grid of %s\n", header.width,
                    header.height, localName(fileName).constData());
        return false;
    }
}

} // namespace

bool allocateSamples(const GridHeader& header, FloatArray2D& heights, const QString& fileName)
{
    return allocate(heights, header, fileName);
}

bool loadGridFile(JGrid& grid, const QString& fileName, const char* kindLine, GridFileReader readFile)
{
    std::printf("Loading file\n");
    std::printf("%s", kindLine);
    LoadedSamples samples;
    return readFile(fileName, samples) && installLoadedGrid(grid, samples, fileName);
}

bool installLoadedGrid(JGrid& grid, LoadedSamples& samples, const QString& fileName)
{
    const QByteArray file = localName(fileName);
    if (samples.count == 0) {
        reportError("JGrid:: *Error* - %s holds no height values\n", file.constData());
        return false;
    }
    std::fill(samples.heights.data() + samples.count, samples.heights.data() + samples.heights.size(), 0.0f);
    const float noData = samples.header.noData.value_or(systemNoData);
    if (!samples.masked) {
        const bool masked = allocateOrReport(fileName, [&] { samples.valid = maskOf(samples.heights, noData); });
        if (!masked)
            return false;
    }
    // Each pass below takes a good part of a second on the largest grids; a
    // stopped load gives up between them, silently.
    if (stopRequested())
        return false;
    const LoadTally tally(samples.heights.data(), samples.valid.empty() ? nullptr : samples.valid.data(),
                          samples.count);
    if (tally.validCount == 0) {
        reportError("JGrid:: *Error* - %s holds no valid height values: every sample is a void\n", file.constData());
        return false;
    }
    if (stopRequested() || !allocateOrReport(fileName, [&] { fillVoids(samples.heights, samples.valid); })
        || stopRequested())
        return false;
    if (samples.count < samples.heights.size())
        std::printf("JGrid:: *Error* - Premature end of data file.\n");

    grid.clear();
    grid.clearDetails();
    grid.width = samples.header.width;
    grid.height = samples.header.height;
    grid.cellSize = samples.header.cellSize;
    grid.eastWestRatio = samples.header.eastWestRatio;
    grid.heights = std::move(samples.heights);
    grid.valid = std::move(samples.valid);
    grid.voidCount = countVoids(grid.valid);
    grid.noDataValue = noData;
    grid.minHeight = tally.minHeight;
    grid.maxHeight = tally.maxHeight;
    grid.averageHeight = static_cast<float>(tally.sum / static_cast<double>(tally.validCount));

    std::printf("Loaded File: %s", file.constData());
    std::printf("\nGrid is %i X %i ", int(grid.width), int(grid.height));
    std::printf(".\nThere are a total of %i height values\n", int(samples.count));
    if (grid.voidCount > 0)
        std::printf("Voids: %llu\n", static_cast<unsigned long long>(grid.voidCount));
    std::printf("Average height: %1.3f\n", grid.averageHeight);
    std::printf("Min = %1.3f\n", grid.minHeight);
    std::printf("Max = %1.3f\n", grid.maxHeight);
    std::printf("------------------------\n");

    grid.name = fileName;
    grid.name.remove(QLatin1Char('.'));
    grid.loaded = true;
    return true;
}
