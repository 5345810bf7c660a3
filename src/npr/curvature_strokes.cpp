#include "curvature_strokes.h"

#include "drawn_edges.h"

#include <cmath>

StrokeQuad strokeQuad(const gmVec3& from, const gmVec3& to, const CurvatureFrame& frame, bool useFirst)
{
    float length = float(std::sqrt(distanceSquared(from, to)));
    if (length > 0.3)
        length = 0.3f;
    if (length < 0.005)
        length = 0.005f;
    const gmVec3 p0 = (from + to) / 2.0;
    gmVec3 direction = useFirst ? gmVec3(frame.first) : gmVec3(frame.second);
    direction.normalize();
    const gmVec3 p1 = p0 + double(length) * direction;
    const gmVec3 raise = 0.01 * gmVec3(frame.normal);
    return {p0, p1, p0 + raise, p1 + raise};
}

void StrokeMesh::build(const EdgeBuffer& edges, std::span<const gmVec3> vertices,
                       std::span<const CurvatureFrame> frames, bool useFirst)
{
    triangles_.clear();
    // The strip p0, p1, p0', p1' as the triangles (p0, p1, p0') and (p0', p1, p1').
    constexpr int cornerOrder[6] = {0, 1, 2, 2, 1, 3};
    forEachDrawnEdge(edges, vertices.size(), [&](std::size_t i, const Edge& e, std::size_t n, const EdgeLook&) {
        if (n >= frames.size())
            return;
        const StrokeQuad quad = strokeQuad(vertices[i], vertices[std::size_t(e.other)], frames[n], useFirst);
        for (const int corner : cornerOrder)
            for (int k = 0; k < 3; ++k)
                triangles_.push_back(float(quad[std::size_t(corner)][k]));
    });
}
