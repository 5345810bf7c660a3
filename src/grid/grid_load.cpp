#include "grid_load.h"

#include "error_report.h"
#include "grid_file_io.h"

#include <cstdio>
#include <new>
#include <utility>

namespace {

// What the loaders gather over the values read. Only the statistics treat
// no-data specially: the average leaves out values of -100 and below, the
// minimum is the smallest positive value.
struct LoadTally {
    double sum = 0.0;
    std::size_t accepted = 0;
    float minHeight = 1.0e10f;
    float maxHeight = -1.0e10f;

    explicit LoadTally(const float* values, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const float value = values[i];
            if (value > -100.0f) {
                sum += value;
                ++accepted;
            }
            if (value < minHeight && value > 0.0f)
                minHeight = value;
            if (value > maxHeight)
                maxHeight = value;
        }
    }
};

template <typename T>
bool allocate(Array2D<T>& array, const GridHeader& header, const QString& fileName)
{
    try {
        array = Array2D<T>(header.height, header.width);
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
    if (samples.count < samples.heights.size())
        std::printf("JGrid:: *Error* - Premature end of data file.\n");

    grid.clear();
    grid.clearDetails();
    grid.width = samples.header.width;
    grid.height = samples.header.height;
    grid.cellSize = samples.header.cellSize;
    grid.eastWestRatio = samples.header.eastWestRatio;
    grid.heights = std::move(samples.heights);

    const LoadTally tally(grid.heights.data(), samples.count);
    grid.minHeight = tally.minHeight;
    grid.maxHeight = tally.maxHeight;
    // With no value above -100 there is nothing to average: keep 0.
    if (tally.accepted > 0)
        grid.averageHeight = static_cast<float>(tally.sum / static_cast<double>(tally.accepted));

    std::printf("Loaded File: %s", file.constData());
    std::printf("\nGrid is %i X %i ", int(grid.width), int(grid.height));
    std::printf(".\nThere are a total of %i height values\n", int(samples.count));
    std::printf("Average height: %1.3f\n", tally.sum / static_cast<double>(samples.count));
    std::printf("Min = %1.3f\n", grid.minHeight);
    std::printf("Max = %1.3f\n", grid.maxHeight);
    std::printf("------------------------\n");

    grid.name = fileName;
    grid.name.remove(QLatin1Char('.'));
    grid.loaded = true;
    return true;
}
