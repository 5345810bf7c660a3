// The triangle mesh that all line drawing works on, built from a terrain grid:
// one vertex per sample, two triangles per cell.
#ifndef TERRAIN_MESH_H
#define TERRAIN_MESH_H

#include "edge.h"
#include "gmvec3.h"
#include "void_mask.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class JGrid;

// The faces of cell (r, c), r + 1 < rows and c + 1 < columns of a mask of
// the grid's size (or an empty mask: no voids): bit 0 the face (b, a, d),
// bit 1 the face (b, d, e), each present when none of its corners is a void.
inline constexpr unsigned lowerFace = 1, upperFace = 2;
inline unsigned cellFaces(const ValidMask& valid, std::size_t r, std::size_t c)
{
    if (valid.empty())
        return lowerFace | upperFace;
    if (!valid[r][c + 1] || !valid[r + 1][c])
        return 0;
    return (valid[r][c] ? lowerFace : 0) | (valid[r + 1][c + 1] ? upperFace : 0);
}

// A face of the mesh: the lower face (a, b, d) or the upper face (b, e, d)
// of cell (r, c).
struct MeshFace {
    std::size_t r, c;
    bool upper;
};

// The faces of the mesh of a width x height grid with its validity mask
// (taken as no voids when it is smaller than the grid), for the code that
// walks across the mesh's triangles without its arrays.
struct MeshGrid {
    MeshGrid(std::size_t width, std::size_t height, const ValidMask& valid)
        : width(width), height(height), valid(valid.rows() >= height && valid.cols() >= width ? valid : noVoids())
    {
    }
    unsigned faces(std::size_t r, std::size_t c) const { return cellFaces(valid, r, c); }
    bool has(std::size_t r, std::size_t c, bool upper) const
    {
        return r + 1 < height && c + 1 < width && (faces(r, c) & (upper ? upperFace : lowerFace)) != 0;
    }

    // A face's vertices, counter-clockwise seen from +z (x grows with the
    // column, y with the row): (a, b, d) or (b, e, d).
    std::array<std::size_t, 3> corners(const MeshFace& f) const
    {
        const std::size_t a = f.r * width + f.c;
        return f.upper ? std::array<std::size_t, 3>{a + 1, a + width + 1, a + width}
                       : std::array<std::size_t, 3>{a, a + 1, a + width};
    }

    // The face across edge i (from corner i to corner i + 1); none at the
    // border or a void.
    std::optional<MeshFace> across(const MeshFace& f, int i) const
    {
        std::size_t r = f.r, c = f.c;
        const bool diagonal = f.upper ? i == 2 : i == 1;
        if (!diagonal && !f.upper) { // below, or to the left
            if ((i == 0 ? r : c) == 0)
                return std::nullopt;
            --(i == 0 ? r : c);
        } else if (!diagonal) { // to the right, or above
            ++(i == 0 ? c : r);
        }
        if (!has(r, c, !f.upper))
            return std::nullopt;
        return MeshFace{r, c, !f.upper};
    }

    std::size_t width;
    std::size_t height;
    const ValidMask& valid;

private:
    static const ValidMask& noVoids()
    {
        static const ValidMask none;
        return none;
    }
};

// Fills the four arrays from a loaded grid (they are emptied first). The
// sample at row r, column c is vertex r x width + c at (drawingX(c), r / 50,
// scaledHeight(r, c)) with the grid's normal. Cell (r, c) gives the faces
// (b, a, d) and (b, d, e), a = r x width + c, b = a + 1, d = a + width,
// e = d + 1; their normals are those of the triangles a-b-e and a-e-d. A
// face with a void corner is left out (every sample keeps its vertex).
void buildTerrainMesh(const JGrid& grid, std::vector<gmVec3>& vertices, std::vector<gmVec3>& vertexNormals,
                      std::vector<Face>& faces, std::vector<gmVec3>& faceNormals);

// Bytes that the mesh of a width x height grid takes at its peak: the arrays,
// two edge buffers, the curvature frames and the occluder positions, and
// with `surfaceCurvature` the curvature of the surface (surfaceCurvatureBytes)
// that ridges, valleys and suggestive lines are drawn from.
std::uint64_t meshBytesFor(std::uint64_t width, std::uint64_t height, bool surfaceCurvature = false);

// The mesh of such a grid fits in the memory left for work (memoryForWork).
bool meshFitsInMemory(std::uint64_t width, std::uint64_t height, bool surfaceCurvature = false);

#endif
