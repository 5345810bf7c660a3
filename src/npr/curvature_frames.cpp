#include "curvature_frames.h"

#include "bulk_memory.h"
#include "edge_buffer.h"
#include "parallel_parts.h"

#include <algorithm>

namespace {

// The axis about which the normal turns across edge (i, j) of a grid mesh
// of width w: from the two vertices opposite the edge, or, on the border,
// from the normal and the one neighbour inside.
gmVec3 acrossAxis(const Edge& e, std::size_t i, std::span<const gmVec3> n, const gmVec3& normal, std::size_t w)
{
    const std::size_t j = std::size_t(e.other);
    if (e.border) {
        if (j - i == 1)
            return cross(normal, i < w ? n[i + w] : n[i - w]);
        return cross(normal, i % w == 0 ? n[i + 1] : n[j - 1]);
    }
    if (j - i == 1)
        return cross(n[j - w], n[i + w]);
    if (j - i == w)
        return cross(n[i + 1], n[j - 1]);
    if (j - i == w - 1)
        return cross(n[i - 1], n[j + 1]);
    return gmVec3();
}

} // namespace

void computeCurvatureFrames(const EdgeBuffer& edges, std::span<const gmVec3> vertexNormals, std::uint32_t width,
                            std::vector<CurvatureFrame>& frames, unsigned threads)
{
    frames.clear();
    if (edges.rowCount() > vertexNormals.size())
        return;
    if (!resizeBulkUnlessStopped(frames, edges.edgeCount()))
        return;
    const std::span<const gmVec3> n = vertexNormals;
    const std::size_t rows = edges.rowCount();
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(rows, 1));
    runParts(parts, [&](std::size_t p) {
        for (std::size_t i = rows * p / parts; i < rows * (p + 1) / parts && !stopRequestedAt(i); ++i) {
            CurvatureFrame* out = frames.data() + edges.rowOffset(i);
            for (const Edge& e : edges.row(i)) {
                const std::size_t j = std::size_t(e.other);
                const gmVec3 normal = (n[i] + n[j]) / 2.0;
                const gmVec3 along = cross(n[i], n[j]);
                const gmVec3 across = acrossAxis(e, i, n, normal, width);
                gmVec3 first = along.lengthSquared() > across.lengthSquared() ? along : across;
                first.normalize();
                gmVec3 second = cross(first, normal);
                second.normalize();
                *out++ = {first, second, normal};
            }
        }
    });
}
