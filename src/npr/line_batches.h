// The edges of a classified buffer that the drawing style selects, as line
// segments with their own grey and alpha, grouped by width (kept to 1/16
// pixel) so that each group is drawn in one batch.
#ifndef LINE_BATCHES_H
#define LINE_BATCHES_H

#include "edge_buffer.h"

#include <cstddef>
#include <span>
#include <vector>

struct LineVertex {
    float x, y, z;
    float r, g, b, a;
};

struct LineBatch {
    float width = 0.0f;
    std::vector<LineVertex> vertices; // two per segment
};

class LineBatches {
public:
    static constexpr int widthSteps = 16;
    // The widest line kept apart; wider ones share its batch.
    static constexpr int maxWidthIndex = 255 * widthSteps;

    // Collects the edges that edgeStyle(edge, 1) draws, rows in order.
    // Buffers are reused from the last build.
    void build(const EdgeBuffer& edges, std::span<const gmVec3> vertices);

    // Batches by rising width, including empty ones.
    std::span<const LineBatch> batches() const { return batches_; }
    std::size_t segmentCount() const;

    static int widthIndex(double width);

private:
    std::vector<LineBatch> batches_; // index = width x widthSteps
};

#endif
