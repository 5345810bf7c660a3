// Walks the edges that the drawing style (edgeStyle mode 1) selects.
#ifndef DRAWN_EDGES_H
#define DRAWN_EDGES_H

#include "edge_buffer.h"

#include <algorithm>
#include <cstddef>

struct EdgeLook {
    gmVec3 colour;
    double width;
    double alpha;
};

// Calls fn(row, edge, edgeNumber, look) for every edge that edgeStyle(edge, 1)
// draws and whose ends are both among the first vertexCount vertices, rows
// in order. edgeNumber is the edge's position in the row-by-row enumeration
// of all edges, drawn or not.
template <typename Fn>
void forEachDrawnEdge(const EdgeBuffer& edges, std::size_t vertexCount, Fn fn)
{
    const std::size_t rows = std::min(edges.rowCount(), vertexCount);
    for (std::size_t i = 0; i < rows; ++i) {
        std::size_t number = edges.rowOffset(i);
        for (const Edge& e : edges.row(i)) {
            EdgeLook look;
            if (EdgeBuffer::edgeStyle(e, 1, look.colour, look.width, look.alpha) && e.other >= 0
                && std::size_t(e.other) < vertexCount)
                fn(i, e, number, look);
            ++number;
        }
    }
}

#endif
