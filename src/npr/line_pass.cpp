#include "line_pass.h"

void LinePass::startOnce(std::size_t vertexCount)
{
    if (started)
        return;
    started = true;
    lastVertexCount = vertexCount;
}

bool LinePass::classify(EdgeBuffer& edges, std::span<const Face> faces, std::span<const gmVec3> faceNormals,
                        std::span<const gmVec3> vertices, const gmVec3& point, float threshold)
{
    if (classified_ && point == lastPoint && threshold == lastThreshold && vertices.size() == lastVertexCount)
        return false;
    const float silThreshold = float(double(threshold) * 0.25);
    edges.updateAllEdges(faces, faceNormals, vertices, point, threshold, silThreshold);
    lastPoint = point;
    lastThreshold = threshold;
    lastVertexCount = vertices.size();
    classified_ = true;
    linesValid_ = false;
    return true;
}

const LineBatches& LinePass::lines(const EdgeBuffer& edges, std::span<const gmVec3> vertices)
{
    if (!linesValid_) {
        lines_.build(edges, vertices);
        linesValid_ = true;
    }
    return lines_;
}
