#include "terrain_mesh.h"

#include "bulk_memory.h"
#include "curvature_frames.h"
#include "grid_normals.h"
#include "jgrid.h"
#include "memory_room.h"
#include "stop_request.h"
#include "surface_curvature.h"

#include <cstdio>

void buildTerrainMesh(const JGrid& grid, std::vector<gmVec3>& vertices, std::vector<gmVec3>& vertexNormals,
                      std::vector<Face>& faces, std::vector<gmVec3>& faceNormals)
{
    vertices.clear();
    vertexNormals.clear();
    faces.clear();
    faceNormals.clear();
    const std::size_t w = grid.width, h = grid.height;
    if (w == 0 || h == 0)
        return;
    if (grid.heights.rows() < h || grid.heights.cols() < w) {
        std::printf("The grid's arrays are smaller than its %zu x %zu samples; no mesh is built\n", w, h);
        return;
    }
    reserveBulk(vertices, w * h);
    const std::size_t faceCount = (2 * w - 2) * (h - 1);
    reserveBulk(faces, faceCount);
    reserveBulk(faceNormals, faceCount);

    // A stop request leaves the arrays incomplete, for the stopped work to drop.
    for (std::size_t r = 0; r < h; ++r) {
        if (stopRequested())
            return;
        for (std::size_t c = 0; c < w; ++c)
            vertices.emplace_back(grid.drawingX(unsigned(c)), r / 50.0, grid.scaledHeight(unsigned(r), unsigned(c)));
    }
    // The grid's own normals, computed here from the heights so that the
    // grid never holds a second copy of them.
    if (!resizeBulkUnlessStopped(vertexNormals, w * h))
        return;
    computeVertexNormals(grid.heights, grid.valid, h, w, vertexNormals.data(), w);
    const std::vector<gmVec3>& v = vertices;
    // A face with a void corner is left out: the rim of a hole becomes a
    // border of the mesh, drawn as the outline of the terrain is.
    const MeshGrid mesh(w, h, grid.valid);
    for (std::size_t r = 0; r + 1 < h && !stopRequested(); ++r) {
        for (std::size_t c = 0; c + 1 < w; ++c) {
            const std::uint32_t a = std::uint32_t(r * w + c), b = a + 1, d = a + std::uint32_t(w), e = d + 1;
            const unsigned present = mesh.faces(r, c);
            if (present & lowerFace) {
                faces.push_back(Face{{b, a, d}});
                faceNormals.push_back(cross(v[a] - v[b], v[a] - v[e]).normalize() * -1.0);
            }
            if (present & upperFace) {
                faces.push_back(Face{{b, d, e}});
                faceNormals.push_back(cross(v[a] - v[e], v[a] - v[d]).normalize() * -1.0);
            }
        }
    }
}

std::uint64_t meshBytesFor(std::uint64_t width, std::uint64_t height, bool surfaceCurvature)
{
    if (width == 0 || height == 0)
        return 0;
    const std::uint64_t samples = width * height;
    const std::uint64_t cells = (width - 1) * (height - 1);
    const std::uint64_t faces = 2 * cells;
    const std::uint64_t edges = (width - 1) * height + width * (height - 1) + cells;
    const std::uint64_t perSample = 2 * sizeof(gmVec3) + 3 * sizeof(float) + 2 * sizeof(std::uint32_t);
    const std::uint64_t perFace = sizeof(Face) + sizeof(gmVec3);
    const std::uint64_t perEdge = sizeof(CurvatureFrame) + 2 * sizeof(Edge);
    // Building an edge buffer briefly holds one index per face corner.
    const std::uint64_t buildScratch = 3 * faces * sizeof(std::uint32_t);
    const std::uint64_t curvature = surfaceCurvature ? surfaceCurvatureBytes(width, height) : 0;
    return samples * perSample + faces * perFace + edges * perEdge + buildScratch + curvature;
}

bool meshFitsInMemory(std::uint64_t width, std::uint64_t height, bool surfaceCurvature)
{
    return fitsInMemoryForWork(meshBytesFor(width, height, surfaceCurvature));
}
