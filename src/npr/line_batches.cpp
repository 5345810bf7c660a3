#include "line_batches.h"

#include "drawn_edges.h"

#include <algorithm>
#include <cmath>

int LineBatches::widthIndex(double width)
{
    return int(std::clamp(std::lround(width * widthSteps), 1L, long(maxWidthIndex)));
}

void LineBatches::build(const EdgeBuffer& edges, std::span<const gmVec3> vertices)
{
    // Counted first, so that every batch is sized once: growing millions of
    // vertices by doubling costs more than the second walk over the edges.
    std::vector<std::size_t> counts(batches_.size(), 0);
    forEachDrawnEdge(edges, vertices.size(), [&](std::size_t, const Edge&, std::size_t, const EdgeLook& look) {
        const std::size_t index = std::size_t(widthIndex(look.width));
        if (index >= counts.size())
            counts.resize(index + 1, 0);
        ++counts[index];
    });
    if (counts.size() > batches_.size()) {
        const std::size_t first = batches_.size();
        batches_.resize(counts.size());
        for (std::size_t k = first; k < batches_.size(); ++k)
            batches_[k].width = float(k) / widthSteps;
    }
    for (std::size_t k = 0; k < batches_.size(); ++k) {
        batches_[k].vertices.clear();
        batches_[k].vertices.reserve(2 * counts[k]);
    }
    const auto point = [&](std::size_t v, const gmVec3& colour, double alpha) {
        const gmVec3& p = vertices[v];
        return LineVertex{float(p[0]),      float(p[1]),      float(p[2]),      float(colour[0]),
                          float(colour[1]), float(colour[2]), float(alpha)};
    };
    forEachDrawnEdge(edges, vertices.size(), [&](std::size_t i, const Edge& e, std::size_t, const EdgeLook& look) {
        std::vector<LineVertex>& out = batches_[std::size_t(widthIndex(look.width))].vertices;
        out.push_back(point(i, look.colour, look.alpha));
        out.push_back(point(std::size_t(e.other), look.colour, look.alpha));
    });
}

std::size_t LineBatches::segmentCount() const
{
    std::size_t n = 0;
    for (const LineBatch& batch : batches_)
        n += batch.vertices.size() / 2;
    return n;
}
