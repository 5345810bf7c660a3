// Steps shared by the operations that replace the grid by another level:
// the size checks that refuse an operation before anything changes, the
// guard that turns an allocation failure into a message, and the hand-over
// of the new arrays to the grid.
#ifndef GRID_CHANGE_H
#define GRID_CHANGE_H

#include "jgrid.h"
#include "stop_request.h"

#include <cstdint>
#include <new>

// The grid holds samples in every one of its width x height positions, and
// has at least minSide rows and columns.
bool hasSamples(const JGrid& g, unsigned minSide);

// hasSamples, or a message naming the operation and a false result.
bool requireSamples(const JGrid& g, unsigned minSide, const char* operation);

// A result of w x h samples is within JGrid::maxSamples, or a message naming
// the operation and a false result. Checked before anything is allocated.
bool fitsSampleLimit(std::uint64_t w, std::uint64_t h, const char* operation);

void reportOutOfMemory();

// Runs allocate(); an allocation failure is reported and gives false. Every
// operation builds its new arrays this way before it changes the grid, so a
// failure leaves the user's terrain as it was.
template <class Allocate>
bool allocateOrReport(Allocate&& allocate)
{
    try {
        allocate();
        return true;
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        return false;
    }
}

// The arrays of a grid level under construction.
struct GridArrays {
    FloatArray2D heights;
    Array2D<gmVec3> normals;
    ValidMask valid; // empty: every sample is valid
};

// Builds a new level before the grid changes: make() gives its samples (and
// may allocate whatever else the operation needs). The level has no normals
// until they are asked for. A level whose passes gave up at a stop request
// is not built either (false, silently).
template <class Make>
bool buildLevel(GridArrays& level, Make&& make)
{
    return allocateOrReport([&] { level.heights = make(); }) && !stopRequested();
}

// The grid takes the new arrays (its mask included) and their size; nothing
// else changes.
void adoptSamples(JGrid& g, GridArrays&& level);

// A new level of the Chaikin-based operations: clear() (statistics and
// stdDev start afresh), then the new arrays, and the grid counts as loaded.
void replaceLevel(JGrid& g, GridArrays&& level);

// Marks the normals out of date (and gives their memory back) and updates
// the statistics of the new samples; announce prints the "Recalculating
// normals" line first.
void refreshNormalsAndStatistics(JGrid& g, bool announce);

// The spacing of a new level whose samples lie `factor` times as far apart
// as the grid's: the cell size scales, and the georeference's pixel vectors
// with it, its origin moving by `shift` of the old vectors
// (Georeference::resampled).
void scaleSpacing(JGrid& g, float factor, double shift);

// The lines of a size change, width first; a side that keeps its size prints
// nothing.
void printSizeChange(unsigned oldWidth, unsigned newWidth, unsigned oldHeight, unsigned newHeight);

#endif
