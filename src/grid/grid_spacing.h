// Where a grid's samples lie on the ground: the north-south spacing in metres
// that the drawing's vertical scale uses, the east-west spacing as a
// fraction of it, and the unit of the heights, from what a file says about
// its georeferencing.
#ifndef GRID_SPACING_H
#define GRID_SPACING_H

#include <QString>

#include <array>
#include <optional>
#include <string>

enum class CoordinateKind { unknown, geographic, projected };

// A file's georeferencing in the file's own units.
struct GroundReference {
    // From (column, row) to map coordinates (GDAL's geotransform), the rows
    // running north to south; absent when the file gives no spacing.
    std::optional<std::array<double, 6>> transform;
    // This system's own ASCII layout (xdim and ydim, or values by position),
    // whose spacing is written in degrees.
    bool ownDegreeLayout = false;
    CoordinateKind kind = CoordinateKind::unknown; // from a coordinate system, where one is known
    double metresPerUnit = 1.0; // a projected system's linear unit
    std::string wkt;            // the coordinate system, where one is known
    // The heights' unit (a compound system's vertical unit, or the band's).
    double heightMetresPerUnit = 1.0;
    std::string heightUnit; // its name, where it is not metres
};

struct GridSpacing {
    std::optional<float> cellSize; // north-south, metres; none when the file gives none
    float eastWestRatio = 1.0f;    // east-west spacing / north-south spacing
    bool geographic = false;       // the spacing was read as degrees
    std::string note;              // what was assumed, for the console; empty when nothing was
};

// Geographic grids (degrees) keep floor(degrees x 108000) metres north-south
// where that floor changes the spacing by less than 1%, the unrounded value
// otherwise, and their east-west spacing shrinks with the cosine of the mid
// latitude; projected grids keep their spacing in metres, unrounded. The
// spacings are the lengths of the geotransform's column and row vectors.
// Without a known coordinate system a grid whose extent lies within
// longitudes -180 to 360 and latitudes -90 to 90, with cells under 1, is
// geographic, unless a corner lies at (0, 0) with cells of 0.01 or more
// outside this system's own layout (local coordinates, as lidar tiles come);
// `note` then says what was assumed and how to override it. `cellSize` (metres), when
// given, replaces the file's north-south spacing and the east-west spacing
// keeps the file's proportion. False, after a message, when the spacing
// would come out as 0 or below.
bool groundSpacing(const GroundReference& ref, unsigned columns, unsigned rows, const QString& fileName,
                   std::optional<float> cellSize, GridSpacing& spacing);

// The metres of a spacing this system's writers give in degrees: the value
// with the fewest digits whose degrees, computed as the writers do
// (metres / 108000 in float), are `degrees`; floor(degrees x 108000) where
// that changes it by less than 1%.
float metresOfDegrees(float degrees);

// Reads the coordinate system of a .prj file beside `dataFile` (same name,
// extension .prj) into `ref`; leaves `ref` as it is when there is none or it
// cannot be read. Blank lines are skipped.
void readProjectionFile(const QString& dataFile, GroundReference& ref);

// The kind, units and text of a coordinate system given as an
// OGRSpatialReferenceH (void* keeps GDAL's headers out of this one).
void applySpatialReference(void* spatialReference, GroundReference& ref);

// The heights' unit from a raster band's unit type ("ft", "US survey foot",
// ...); leaves `ref` as it is for metres or a unit it does not know.
void applyHeightUnitType(const char* unitType, GroundReference& ref);

#endif
