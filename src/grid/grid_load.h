// The steps that the ASCII and the float grid loaders share. A load runs in
// two stages so that one that cannot start leaves the grid untouched: the
// reader checks the header, allocates and reads the samples on the side, and
// only then are they installed in the grid.
#ifndef GRID_LOAD_H
#define GRID_LOAD_H

#include "grid_header.h"
#include "jgrid.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>

// Samples read from a grid file, not yet part of a JGrid.
struct LoadedSamples {
    GridHeader header;
    FloatArray2D heights; // header.height rows of header.width; installing zeroes those not read
    std::size_t count = 0; // values read, row 0 first and columns fastest
    // Readers that know the voids themselves (GDAL's masks) fill `valid` and
    // set `masked`; otherwise the samples equal to the header's no-data value
    // (-9999 when it gives none) and those that are not finite are voids.
    ValidMask valid;
    bool masked = false;
};

// Read a grid file into `samples`, printing the progress and error lines.
// False when the load cannot start (file missing, unusable header, no memory).
bool readAsciiGrid(const QString& fileName, LoadedSamples& samples);
bool readFloatGrid(const QString& fileName, LoadedSamples& samples);

// Refuses a file with fewer height values than its header declares: prints
// the premature-end line with both counts (`count` is an upper bound from the
// file's size when `atMost`) and returns false.
bool refuseShortFile(const QString& fileName, const GridHeader& header, std::uint64_t count, bool atMost = false);

// Bytes in an open file; nothing when the system does not say.
std::optional<std::uint64_t> fileBytes(std::FILE* file);

// Heights of the header's size, unwritten, for a reader to fill; false with
// a message when the memory cannot be had.
bool allocateSamples(const GridHeader& header, FloatArray2D& heights, const QString& fileName);

// The loaders' common course: the progress lines, then reading with
// `readFile` (the spacing replaced by `cellSize` when given), then
// installing the samples.
using GridFileReader = bool (*)(const QString& fileName, LoadedSamples& samples);
bool loadGridFile(JGrid& grid, const QString& fileName, const char* kindLine, GridFileReader readFile,
                  std::optional<float> cellSize);
bool readGdalGrid(const QString& fileName, LoadedSamples& samples);

// Replaces the grid's terrain with the samples: empties the detail stack,
// marks the voids, turns the samples north up and the heights into metres,
// fills the voids, sets the statistics over the valid samples, prints the
// summary and sets `name` and `loaded`. The normals are left to
// whoever draws (calcNormals, or the mesh). Refuses (grid untouched) a file
// that held no valid value at all.
bool installLoadedGrid(JGrid& grid, LoadedSamples& samples, const QString& fileName);

// The base of the names that the writers give their files: the path with the
// file name's extension joined to it ("data/hills.grd" gives
// "data/hillsgrd"), so that outputs land next to the file.
QString outputBaseName(const QString& fileName);

#endif
