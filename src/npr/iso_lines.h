// Iso-lines of a per-vertex field over the terrain mesh's own triangles: the
// plane sections behind contours (the field is the height) and profiles (x
// or y), and any other line where a quantity given at the vertices crosses
// chosen values.
#ifndef ISO_LINES_H
#define ISO_LINES_H

#include "gmvec3.h"
#include "line_family.h"
#include "terrain_mesh.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// The most levels one call cuts at: a polyline's level is its style index.
inline constexpr std::size_t maxIsoLevels = 65534;

// For each level (ascending), the boundary of the part of the mesh where
// field >= level, over the faces the mesh has (two per cell, split as
// buildTerrainMesh splits them; none with a void corner), chained into
// polylines through the mesh edges the faces share. Each point lies on a mesh
// edge, interpolated linearly between the edge's end positions, so the lines
// lie on the drawn surface. A polyline keeps the part at or above its level on
// its left, seen from +z; a closed one ends at its first point. Appends
// to out, each polyline's style being the index of its level; levels past
// maxIsoLevels are left out. Gives up at a stop request (what it appended is
// then incomplete).
void isoLines(const MeshGrid& mesh, std::span<const gmVec3> positions, std::span<const float> field,
              std::span<const double> levels, LineFamily& out);

// Where an iso-line crosses a mesh edge: the edge's vertices (from < to) and
// the fraction of the way from `from`, the same from both faces of the edge.
struct IsoCrossing {
    std::size_t from, to;
    double t;
    double at(double valueFrom, double valueTo) const { return valueFrom + t * (valueTo - valueFrom); }
};

// Chooses the style of each piece of an iso-line, the part inside one face,
// from its level's index and the crossings where it enters and leaves the
// face (between them they name the face's three corners); skipIsoPiece
// leaves the piece out. A polyline runs on while its pieces keep one style.
inline constexpr std::uint16_t skipIsoPiece = 0xFFFF;
using IsoPieceStyle = std::function<std::uint16_t(std::size_t level, const IsoCrossing& in, const IsoCrossing& out)>;

// The same, each piece styled (or left out) by pieceStyle.
void isoLines(const MeshGrid& mesh, std::span<const gmVec3> positions, std::span<const float> field,
              std::span<const double> levels, LineFamily& out, const IsoPieceStyle& pieceStyle);

#endif
