// Where a grid's samples lie on the ground: the north-south spacing in metres
// that the drawing's vertical scale uses, and the east-west spacing as a
// fraction of it, from what a file says about its georeferencing.
#ifndef GRID_SPACING_H
#define GRID_SPACING_H

#include <QString>

#include <optional>

enum class CoordinateKind { unknown, geographic, projected };

// A file's georeferencing in the file's own units.
struct GroundReference {
    std::optional<double> cellX; // east-west sample spacing
    std::optional<double> cellY; // north-south sample spacing
    double west = 0.0;           // western edge of the grid
    double south = 0.0;          // southern edge of the grid
    CoordinateKind kind = CoordinateKind::unknown; // from a coordinate system, where one is known
    double metresPerUnit = 1.0;  // a projected system's linear unit
};

struct GridSpacing {
    float cellSize = -1.0f;     // north-south, metres; -1 when the file gives none
    float eastWestRatio = 1.0f; // east-west spacing / north-south spacing
};

// Geographic grids (degrees) keep floor(degrees x 108000) for the north-south
// spacing, and their east-west spacing shrinks with the cosine of the mid
// latitude; projected grids keep their spacing in metres, unrounded. Without
// a known coordinate system a grid whose corner and extent fit within +-180
// by +-90 with cells under 1 is geographic, anything else projected. False,
// after a message, when the spacing would come out as 0 or below.
bool groundSpacing(const GroundReference& ref, unsigned columns, unsigned rows, const QString& fileName,
                   GridSpacing& spacing);

// Reads the coordinate system of a .prj file beside `dataFile` (same name,
// extension .prj) into `ref`; leaves `ref` as it is when there is none or it
// cannot be read.
void readProjectionFile(const QString& dataFile, GroundReference& ref);

// The kind and unit of a coordinate system given as an OGRSpatialReferenceH
// (void* keeps GDAL's headers out of this one).
void applySpatialReference(void* spatialReference, GroundReference& ref);

#endif
