// OpenGL drawing of the line-drawing data that the display-free core
// prepares: styled lines, curvature strokes and the hidden-line occluder.
// These functions only move arrays to GL; a context must be current.
#ifndef NPR_GL_H
#define NPR_GL_H

#include "curvature_strokes.h"
#include "edge.h"
#include "family_segments.h"
#include "line_batches.h"
#include "line_family.h"

#include <GL/gl.h>

#include <span>

// Black, width 1 as the state the lines start from, then every batch of
// lines at its width with its per-vertex grey and alpha.
void drawStyledLines(const LineBatches& lines);

// A line family, each style in batches at its width, grey and opacity, from
// the family's own points; returns the segments drawn.
std::size_t drawLineFamily(const LineFamily& family, const FamilySegments& segments);

// Opaque black strokes.
void drawStrokeMesh(const StrokeMesh& strokes);

// The occluder surface held in two GL buffers (positions and face indices),
// uploaded once per mesh and drawn white on every paint.
class OccluderBuffers {
public:
    // Replaces what the buffers held. Returns false, holding nothing, when
    // there is nothing to draw or GL has no memory for it.
    bool upload(std::span<const float> positions, std::span<const Face> faces);
    void draw() const;
    // Deletes the buffers; their context must be current.
    void release();
    // The context that held the buffers is gone: they no longer exist.
    void forget();
    // Id of the vertex buffer; 0 when nothing is held.
    GLuint id() const { return vertexBuffer_; }

private:
    GLuint vertexBuffer_ = 0;
    GLuint indexBuffer_ = 0;
    GLsizei indexCount_ = 0;
};

#endif
