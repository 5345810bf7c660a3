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

// Heights of the header's size, unwritten, for a reader to fill; false with
// a message when the memory cannot be had.
bool allocateSamples(const GridHeader& header, FloatArray2D& heights, const QString& fileName);

// The loaders' common course: the progress lines, then reading with
// `readFile`, then installing the samples.
using GridFileReader = bool (*)(const QString& fileName, LoadedSamples& samples);
bool loadGridFile(JGrid& grid, const QString& fileName, const char* kindLine, GridFileReader readFile);
bool readGdalGrid(const QString& fileName, LoadedSamples& samples);

// Replaces the grid's terrain with the samples: empties the detail stack,
// marks and fills the voids, sets the statistics over the valid samples,
// prints the summary and sets `name` and `loaded`. The normals are left to
// whoever draws (calcNormals, or the mesh). Refuses (grid untouched) a file
// that held no valid value at all.
bool installLoadedGrid(JGrid& grid, LoadedSamples& samples, const QString& fileName);

#endif
