// Curvature strokes: short black quads at the midpoints of the edges that
// the line style draws, laid along one axis of each edge's curvature frame.
#ifndef CURVATURE_STROKES_H
#define CURVATURE_STROKES_H

#include "curvature_frames.h"
#include "edge_buffer.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

// p0 (the edge midpoint), p1 (p0 moved along the axis by the edge's length,
// kept within 0.005 to 0.3), and both raised by 0.01 x the frame's normal.
using StrokeQuad = std::array<gmVec3, 4>;

StrokeQuad strokeQuad(const gmVec3& from, const gmVec3& to, const CurvatureFrame& frame, bool useFirst);

class StrokeMesh {
public:
    // Every drawn edge's stroke as two triangles; frames are indexed by the
    // running edge number, drawn or not. Edges without a frame get no stroke.
    void build(const EdgeBuffer& edges, std::span<const gmVec3> vertices, std::span<const CurvatureFrame> frames,
               bool useFirst);

    // x, y, z of three corners per triangle, six corners per stroke.
    std::span<const float> triangles() const { return triangles_; }
    std::size_t strokeCount() const { return triangles_.size() / 18; }

private:
    std::vector<float> triangles_;
};

#endif
