// One line pass (silhouettes for the eye, or light silhouettes): what its
// edge buffer was last classified for, so that it reclassifies only when the
// point, the threshold or the mesh changed, and the lines prepared from that
// classification.
#ifndef LINE_PASS_H
#define LINE_PASS_H

#include "edge_buffer.h"
#include "line_batches.h"

#include <cstddef>
#include <span>

class LinePass {
public:
    explicit LinePass(const gmVec3& initialPoint) : lastPoint(initialPoint) {}

    // The first run of a pass remembers the vertex count it meets.
    void startOnce(std::size_t vertexCount);

    // Classifies the edges for point with nearThreshold = threshold and
    // silThreshold = threshold x 0.25 when the edges were never classified
    // since the pass began or the mesh was rebuilt, the point differs from
    // the last one (by more than 1e-10 in a component), the threshold differs
    // at all, or the vertex count changed; then remembers the three. Returns
    // whether it classified.
    bool classify(EdgeBuffer& edges, std::span<const Face> faces, std::span<const gmVec3> faceNormals,
                  std::span<const gmVec3> vertices, const gmVec3& point, float threshold);

    // The drawn lines of the edges' current classification; rebuilt after a
    // classification or meshChanged().
    const LineBatches& lines(const EdgeBuffer& edges, std::span<const gmVec3> vertices);
    // The edges or the vertices were rebuilt: a rebuilt buffer is
    // unclassified whatever its size, so the next run classifies.
    void meshChanged()
    {
        linesValid_ = false;
        classified_ = false;
    }

    bool started = false;
    gmVec3 lastPoint;
    float lastThreshold = 0.0f;
    std::size_t lastVertexCount = 0;

private:
    LineBatches lines_;
    bool linesValid_ = false;
    bool classified_ = false;
};

#endif
