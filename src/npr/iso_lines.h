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

#endif
