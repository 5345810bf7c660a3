// Where a grid's samples lie on the ground, as GDAL describes it: an affine
// geotransform from (column, row) to map coordinates, and the coordinate
// system. The grid keeps it through refinement and coarsening, so that a
// written GeoTIFF lies where its samples do.
#ifndef GEOREFERENCE_H
#define GEOREFERENCE_H

#include <array>
#include <string>

struct Georeference {
    // GDAL's geotransform: the map position of pixel corner (column, row) is
    // (t[0] + column t[1] + row t[2], t[3] + column t[4] + row t[5]).
    std::array<double, 6> transform{0.0, 1.0, 0.0, 0.0, 0.0, -1.0};
    std::string wkt; // the coordinate system; empty when none is known
    // No coordinate system was known and the spacing was taken as degrees.
    bool guessedDegrees = false;

    // The georeference of a grid resampled from this one: pixel vectors
    // times `factor`, the origin moved by `shift` of the old pixel vectors
    // in both directions. Coarsening is (2, -1), Chaikin refinement (0.5,
    // 0.5), midpoint refinement (0.5, 0.25), keeping every second sample
    // (2, -0.5).
    Georeference resampled(double factor, double shift) const;

    bool operator==(const Georeference&) const = default;
};

// Which way the rows and columns of a raster run, from its geotransform.
struct Orientation {
    bool flipRows = false;    // the first row is the southern one
    bool flipColumns = false; // the first column is the eastern one
};

// The flips that bring a raster north up and west to east: for an
// unrotated geotransform, rows that run northwards (t[5] > 0) and columns
// that run westwards (t[1] < 0); for a rotated one, only a mirror image
// (a positive determinant) is undone, by flipping the rows.
Orientation orientationOf(const std::array<double, 6>& transform);

// The geotransform of the same raster with those flips applied.
std::array<double, 6> reoriented(const std::array<double, 6>& transform, const Orientation& o, int columns, int rows);

// Lengths of the column and row vectors: the spacing along the rows and
// down the columns in the coordinate system's units, whatever the rotation.
double columnSpacing(const std::array<double, 6>& transform);
double rowSpacing(const std::array<double, 6>& transform);

#endif
