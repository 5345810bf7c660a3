// Vertex normals of a height array, for the grid's own normals and for the
// line-drawing mesh, which computes them straight into its vertex array.
#ifndef GRID_NORMALS_H
#define GRID_NORMALS_H

#include "array2d.h"
#include "gmvec3.h"
#include "void_mask.h"

#include <cstddef>

// Writes the vertex normals of the first rows x cols samples of heights
// (row i, column c at x = i, y = c, z = height) to out, row r starting at
// out + r x stride. Without a cell (fewer than two rows or columns) every
// normal is (0, 0, 1). With a validity mask (non-empty) every normal averages
// only the faces whose three corners are valid; a sample that no such face
// touches gets (0, 0, 1).
void computeVertexNormals(const Array2D<float>& heights, const ValidMask& valid, std::size_t rows, std::size_t cols,
                          gmVec3* out, std::size_t stride);

#endif
