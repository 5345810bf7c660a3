// Per-edge curvature frames of a terrain mesh: the axis about which the
// surface normal turns most strongly around the edge, the tangent direction
// of that turn, and the mean normal.
#ifndef CURVATURE_FRAMES_H
#define CURVATURE_FRAMES_H

#include "gmvec3.h"

#include <cstdint>
#include <span>
#include <vector>

class EdgeBuffer;

// A frame's vector, kept in single precision: frames only orient strokes,
// and the 12.6 million frames of a 2049 x 2049 grid take 450 MB this way
// instead of 900 MB in doubles.
struct FrameVector {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    FrameVector() = default;
    FrameVector(const gmVec3& v) : x(float(v[0])), y(float(v[1])), z(float(v[2])) {}
    operator gmVec3() const { return {x, y, z}; }
};

struct CurvatureFrame {
    FrameVector first;  // unit length unless zero
    FrameVector second; // unit length unless zero
    FrameVector normal; // mean of the end vertices' normals, not normalised
};

// One frame per edge of a grid mesh of the given width, in edge order (row
// by row), computed on up to `threads` threads. The edges must be those of
// buildTerrainMesh's faces.
void computeCurvatureFrames(const EdgeBuffer& edges, std::span<const gmVec3> vertexNormals, std::uint32_t width,
                            std::vector<CurvatureFrame>& frames, unsigned threads = 2);

#endif
