#include "occluder.h"

#include "bulk_memory.h"
#include "stop_request.h"

#include <algorithm>

float occluderOffset(std::span<const gmVec3> vertices)
{
    if (vertices.size() < 2)
        return 0.0f;
    return float((vertices[0][0] - vertices[1][0]) * 0.01);
}

void buildOccluderPositions(std::span<const gmVec3> vertices, std::span<const gmVec3> normals,
                            std::vector<float>& positions)
{
    positions.clear();
    const std::size_t n = std::min(vertices.size(), normals.size());
    if (n < 2)
        return;
    const double offset = occluderOffset(vertices);
    reserveBulk(positions, 3 * n);
    for (std::size_t v = 0; v < n && !stopRequestedAt(v); ++v) {
        const gmVec3 p = vertices[v] - offset * normals[v];
        positions.insert(positions.end(), {float(p[0]), float(p[1]), float(p[2])});
    }
}
