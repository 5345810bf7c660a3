// Every edge of a triangle mesh once, keyed by its smaller vertex index, with
// the flags that classify it against a point (the eye or the light).
//
// Storage is flat: all edges in one array, row after row (row i holds the
// edges (i, j) with j > i in insertion order), with an offset per row. The
// column index (for vertex j, the rows that hold an edge to j) is flat too.
// build() and the classification touch no allocator per edge; the single-edge
// maintenance operations that insert or remove shift the arrays behind them.
#ifndef EDGE_BUFFER_H
#define EDGE_BUFFER_H

#include "edge.h"
#include "gmvec3.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class EdgeBuffer {
public:
    EdgeBuffer() = default;
    // A buffer holding a copy of the given rows.
    explicit EdgeBuffer(const std::vector<std::vector<Edge>>& rows);
    // A copy made while a stop is requested (stop_request.h) may stay empty.
    EdgeBuffer(const EdgeBuffer& other);
    EdgeBuffer& operator=(const EdgeBuffer& other);
    EdgeBuffer(EdgeBuffer&&) = default;
    EdgeBuffer& operator=(EdgeBuffer&&) = default;

    // Drawing passes.
    void clear();
    // Makes the edges of a triangle list; refuses (and stays empty) when a
    // face names a vertex at or beyond vertexCount, or at a stop request.
    bool build(std::size_t vertexCount, std::span<const Face> faces);
    int findEdge(int i, int j) const;
    void addEdge(int i, int j);
    void updateEdge(int i, int j, int side, float value, int power);
    void resetEdges();
    // Classifies every edge for a point. Uses up to `threads` threads; the
    // result is the same for every thread count. A face seen exactly edge-on
    // gives the value +0 (never -0).
    void updateAllEdges(std::span<const Face> faces, std::span<const gmVec3> faceNormals,
                        std::span<const gmVec3> vertices, const gmVec3& point, float nearThreshold,
                        float silThreshold, unsigned threads = defaultThreadCount());
    static bool edgeStyle(const Edge& edge, int mode, gmVec3& colour, double& width, double& alpha);
    // GL layer: draws the styled edges as lines, after the filled surface
    // unless skipFill.
    void drawEdges(std::span<const Face> faces, std::span<const gmVec3> vertices,
                   std::span<const gmVec3> vertexNormals, const float fillColour[3], bool skipFill) const;

    // Maintenance.
    bool getEdge(int i, int j, Edge& out) const;
    void buildColumns();
    std::vector<int> neighbours(int v);
    Edge rgetv(int row, int column);
    void keepSilhouettesOrUsed();
    void keepSilhouettes();
    void dropStrongSilhouettes();
    void dropEdgesBelow(std::span<const int> values, int limit);
    void removeEdge(int i, int j);
    void print() const;

    // Read access to the flat storage.
    std::size_t rowCount() const { return rowStart_.empty() ? 0 : rowStart_.size() - 1; }
    std::size_t edgeCount() const { return edges_.size(); }
    std::span<const Edge> edges() const { return edges_; }
    // Row i; empty for a row the buffer does not have.
    std::span<const Edge> row(std::size_t i) const { return i < rowCount() ? rowSpan(i) : std::span<const Edge>(); }
    // Position of row i's first edge in edges().
    std::size_t rowOffset(std::size_t i) const { return rowStart_[i]; }
    bool columnsValid() const { return columnsValid_; }
    // The rows that hold an edge to vertex j; empty unless columnsValid().
    std::span<const std::int32_t> column(std::size_t j) const;

    static unsigned defaultThreadCount();

private:
    std::span<Edge> rowSpan(std::size_t i);
    std::span<const Edge> rowSpan(std::size_t i) const;
    // The edges of rows [first, end), end <= rowCount().
    std::span<Edge> rowsSpan(std::size_t first, std::size_t end);
    Edge* find(int i, int j);
    bool holds(int v) const { return v >= 0 && std::size_t(v) < rowCount(); }
    void invalidateColumns();
    // Keeps the edges for which keep(row, edge) holds, in order.
    template <typename Keep>
    void keepEdges(Keep keep);
    // The border and threshold rules of classification for rows [firstRow, endRow).
    void finishRows(std::size_t firstRow, std::size_t endRow, float nearThreshold, float silThreshold);
    void warnMissingEdges(std::span<const Face> faces, std::size_t vertexCount) const;

    std::vector<Edge> edges_;
    std::vector<std::uint32_t> rowStart_; // rowCount() + 1 offsets into edges_
    std::vector<std::int32_t> columnEntries_;
    std::vector<std::uint32_t> columnStart_;
    bool columnsValid_ = false;
};

#endif
