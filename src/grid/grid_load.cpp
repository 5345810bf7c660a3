#include "grid_load.h"

#include "error_report.h"
#include "grid_file_io.h"
#include "stop_request.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

#include <sys/stat.h>

namespace {

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

bool refuseShortFile(const QString& fileName, const GridHeader& header, std::uint64_t count, bool atMost)
{
    reportError("JGrid:: *Error* - Premature end of data file: %s holds %s%llu of the %llu height values (%u x %u) "
                "its header declares\n",
                localName(fileName).constData(), atMost ? "at most " : "", static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(header.width) * header.height, header.width, header.height);
    return false;
}

std::optional<std::uint64_t> fileBytes(std::FILE* file)
{
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return std::uint64_t(status.st_size);
}

bool allocateSamples(const GridHeader& header, FloatArray2D& heights, const QString& fileName)
{
    return allocate(heights, header, fileName);
}

bool loadGridFile(JGrid& grid, const QString& fileName, const char* kindLine, GridFileReader readFile,
                  std::optional<float> cellSize)
{
    std::printf("Loading file\n");
    std::printf("%s", kindLine);
    LoadedSamples samples;
    samples.header.requestedCellSize = cellSize;
    return readFile(fileName, samples) && installLoadedGrid(grid, samples, fileName);
}

QString outputBaseName(const QString& fileName)
{
    const qsizetype nameStart = fileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        return fileName;
    return fileName.left(dot) + fileName.mid(dot + 1);
}

bool installLoadedGrid(JGrid& grid, LoadedSamples& samples, const QString& fileName)
{
    const QByteArray file = localName(fileName);
    if (samples.count == 0) {
        reportError("JGrid:: *Error* - %s holds no height values\n", file.constData());
        return false;
    }
    if (samples.count < samples.heights.size())
        return refuseShortFile(fileName, samples.header, samples.count);
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
    const GridHeader& header = samples.header;
    if (header.orientation.flipRows) {
        samples.heights.flipRows();
        samples.valid.flipRows();
        std::printf("JGrid:: the rows of %s run south to north; they are turned north up\n", file.constData());
    }
    if (header.orientation.flipColumns) {
        samples.heights.flipColumns();
        samples.valid.flipColumns();
        std::printf("JGrid:: the columns of %s run east to west; they are turned to run west to east\n",
                    file.constData());
    }
    if (header.heightMetresPerUnit != 1.0) {
        const double factor = header.heightMetresPerUnit;
        float* h = samples.heights.data();
        for (std::size_t i = 0; i < samples.count; ++i)
            h[i] = static_cast<float>(h[i] * factor);
        std::printf("JGrid:: the heights of %s are in %s; they are converted to metres (x %.10g)\n", file.constData(),
                    header.heightUnit.c_str(), factor);
    }
    const HeightStatistics tally(samples.heights.data(), samples.valid.empty() ? nullptr : samples.valid.data(),
                                 samples.count);
    if (tally.stopped)
        return false;
    if (tally.validCount == 0) {
        reportError("JGrid:: *Error* - %s holds no valid height values: every sample is a void\n", file.constData());
        return false;
    }
    if (stopRequested() || !allocateOrReport(fileName, [&] { fillVoids(samples.heights, samples.valid); })
        || stopRequested())
        return false;

    grid.clear();
    grid.clearDetails();
    grid.width = samples.header.width;
    grid.height = samples.header.height;
    grid.cellSize = samples.header.cellSize;
    grid.eastWestRatio = samples.header.eastWestRatio;
    grid.georeference = samples.header.georeference;
    grid.heights = std::move(samples.heights);
    grid.valid = std::move(samples.valid);
    grid.voidCount = countVoids(grid.valid);
    grid.noDataValue = noData;
    grid.minHeight = tally.minimum;
    grid.maxHeight = tally.maximum;
    grid.averageHeight = tally.mean();

    std::printf("Loaded File: %s", file.constData());
    std::printf("\nGrid is %i X %i ", int(grid.width), int(grid.height));
    std::printf(".\nThere are a total of %i height values\n", int(samples.count));
    if (grid.voidCount > 0)
        std::printf("Voids: %llu\n", static_cast<unsigned long long>(grid.voidCount));
    std::printf("Average height: %1.3f\n", grid.averageHeight);
    std::printf("Min = %1.3f\n", grid.minHeight);
    std::printf("Max = %1.3f\n", grid.maxHeight);
    std::printf("------------------------\n");

    grid.name = outputBaseName(fileName);
    grid.loaded = true;
    return true;
}
