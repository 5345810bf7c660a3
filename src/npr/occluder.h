// The hidden-line occluder: a copy of the surface moved a little along the
// vertex normals, drawn white after the lines so that depth testing hides
// the lines behind the terrain. Its triangles are the mesh faces.
#ifndef OCCLUDER_H
#define OCCLUDER_H

#include "gmvec3.h"

#include <span>
#include <vector>

// (x of vertex 0 - x of vertex 1) x 0.01: -0.0002 for a grid mesh, so each
// vertex moves 0.0002 along its normal. 0 when there are fewer than two vertices.
float occluderOffset(std::span<const gmVec3> vertices);

// x, y, z of every vertex at vertices[v] - offset x normals[v], as floats.
// Empty when there are fewer than two vertices.
void buildOccluderPositions(std::span<const gmVec3> vertices, std::span<const gmVec3> normals,
                            std::vector<float>& positions);

#endif
