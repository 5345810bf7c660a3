// The triangle mesh that all line drawing works on, built from a terrain grid:
// one vertex per sample, two triangles per cell.
#ifndef TERRAIN_MESH_H
#define TERRAIN_MESH_H

#include "edge.h"
#include "gmvec3.h"

#include <cstdint>
#include <vector>

class JGrid;

// Fills the four arrays from a loaded grid (they are emptied first). The
// sample at row r, column c is vertex r x width + c at (drawingX(c), r / 50,
// scaledHeight(r, c)) with the grid's normal. Cell (r, c) gives the faces
// (b, a, d) and (b, d, e), a = r x width + c, b = a + 1, d = a + width,
// e = d + 1; their normals are those of the triangles a-b-e and a-e-d. A
// face with a void corner is left out (every sample keeps its vertex).
void buildTerrainMesh(const JGrid& grid, std::vector<gmVec3>& vertices, std::vector<gmVec3>& vertexNormals,
                      std::vector<Face>& faces, std::vector<gmVec3>& faceNormals);

// Bytes that the mesh of a width x height grid takes at its peak: the arrays,
// two edge buffers, the curvature frames and the occluder positions.
std::uint64_t meshBytesFor(std::uint64_t width, std::uint64_t height);

// The mesh of such a grid fits in the memory left for work (memoryForWork).
bool meshFitsInMemory(std::uint64_t width, std::uint64_t height);

#endif
