// Classification of every edge of an EdgeBuffer against a point.
//
// The faces are split into one contiguous part per thread, and the rows into
// matching parts. Each thread computes its faces' facing and updates the
// edges in its own rows at once; updates of edges in other threads' rows are
// kept and applied after all threads are done. The two updates commute
// (toggling, and keeping the smallest value, with a face seen exactly edge-on
// always giving +0), so the result is the same for every thread count and
// the same as one pass in face order.
#include "bulk_memory.h"
#include "edge_buffer.h"
#include "parallel_parts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// An update of an edge that lies in another thread's rows.
struct DeferredUpdate {
    std::uint32_t lo, hi;
    float value;
    int side;
};

struct PartResult {
    std::vector<DeferredUpdate> deferred;
    bool badFace = false;
    bool missing = false;
};

} // namespace

void EdgeBuffer::updateAllEdges(std::span<const Face> faces, std::span<const gmVec3> faceNormals,
                                std::span<const gmVec3> vertices, const gmVec3& point, float nearThreshold,
                                float silThreshold, unsigned threads)
{
    if (faces.size() != faceNormals.size()) {
        std::printf("Error in EdgeBuffer:updateAllEdges - %zu faces but %zu face normals\n", faces.size(),
                    faceNormals.size());
        std::fflush(stdout);
        std::exit(-1);
    }

    // Part p owns faces [faceStart[p], faceStart[p + 1]) and rows
    // [rowStart[p], rowStart[p + 1]); the last part also owns edges whose
    // rows do not exist, so that they are found missing.
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(1, faces.size()));
    std::vector<std::size_t> faceStart(parts + 1), rowBound(parts + 1);
    for (std::size_t p = 0; p <= parts; ++p) {
        faceStart[p] = faces.size() * p / parts;
        std::size_t row = 0;
        if (p == parts) {
            row = rowCount();
        } else if (p > 0) {
            const Face& first = faces[faceStart[p]];
            row = std::min({first.v[0], first.v[1], first.v[2]});
            row = std::clamp(row, rowBound[p - 1], rowCount());
        }
        rowBound[p] = row;
    }

    std::vector<PartResult> results(parts);
    const auto runPart = [&](std::size_t p) {
        PartResult& result = results[p];
        for (Edge& e : rowsSpan(rowBound[p], rowBound[p + 1])) {
            e.front = e.back = e.used = false;
            e.s = 0.5f;
        }
        // Rows [firstRow, firstRow + ownRows) are this part's; of those,
        // rows below rowCount() exist.
        const std::size_t firstRow = rowBound[p];
        const std::size_t ownRows = p + 1 == parts ? std::size_t(-1) - firstRow : rowBound[p + 1] - firstRow;
        const std::uint32_t* starts = rowStart_.data();
        for (std::size_t f = faceStart[p]; f < faceStart[p + 1]; ++f) {
            const Face& face = faces[f];
            if (face.v[0] >= vertices.size() || face.v[1] >= vertices.size() || face.v[2] >= vertices.size()) {
                result.badFace = true;
                continue;
            }
            const gmVec3 centroid = ((vertices[face.v[0]] + vertices[face.v[1]]) + vertices[face.v[2]]) / 3.0;
            gmVec3 d = centroid - point;
            d.normalize();
            const double k = dot(faceNormals[f], d);
            const int side = k < 0 ? 1 : 2;
            const float value = (k < 0 ? float(-k) : float(k)) + 0.0f; // -0 becomes +0
            for (int n = 0; n < 3; ++n) {
                const std::uint32_t a = face.v[n], b = face.v[(n + 1) % 3];
                const std::uint32_t lo = std::min(a, b), hi = std::max(a, b);
                if (lo == hi)
                    continue;
                if (lo - firstRow >= ownRows) {
                    result.deferred.push_back({lo, hi, value, side});
                    continue;
                }
                if (lo >= rowCount()) {
                    result.missing = true;
                    continue;
                }
                Edge* e = edges_.data() + starts[lo];
                Edge* const rowEnd = edges_.data() + starts[lo + 1];
                while (e != rowEnd && e->other != std::int32_t(hi))
                    ++e;
                if (e == rowEnd) {
                    result.missing = true;
                    continue;
                }
                e->toggle(side);
                e->keepSmallest(value);
            }
        }
    };
    runParts(parts, runPart);

    bool badFace = false, missing = false;
    for (const PartResult& result : results) {
        badFace = badFace || result.badFace;
        missing = missing || result.missing;
        for (const DeferredUpdate& u : result.deferred) {
            Edge* e = find(int(u.lo), int(u.hi));
            if (!e) {
                missing = true;
                continue;
            }
            e->toggle(u.side);
            e->keepSmallest(u.value);
        }
    }
    if (badFace)
        std::printf("Error in EdgeBuffer:updateAllEdges - faces name vertices beyond the %zu given; they are left "
                    "out\n",
                    vertices.size());
    if (missing)
        warnMissingEdges(faces, vertices.size());

    runParts(parts, [&](std::size_t p) { finishRows(rowBound[p], rowBound[p + 1], nearThreshold, silThreshold); });
}

void EdgeBuffer::finishRows(std::size_t firstRow, std::size_t endRow, float nearThreshold, float silThreshold)
{
    for (Edge& e : rowsSpan(firstRow, endRow)) {
        if (e.border) {
            e.front = e.back = true;
            e.s = 1.0f;
            e.used = false;
        }
        const float threshold = e.isSilhouette() ? silThreshold : nearThreshold;
        if (e.s < threshold) {
            e.used = true;
            e.s = e.s / threshold;
        }
    }
}

void EdgeBuffer::warnMissingEdges(std::span<const Face> faces, std::size_t vertexCount) const
{
    for (const Face& face : faces) {
        if (face.v[0] >= vertexCount || face.v[1] >= vertexCount || face.v[2] >= vertexCount)
            continue;
        for (int n = 0; n < 3; ++n) {
            const std::uint32_t a = face.v[n], b = face.v[(n + 1) % 3];
            if (a != b && findEdge(int(a), int(b)) < 0)
                std::printf("Warning - reached bad place in update edge buffer (i=%i, j=%i) - Edge Not Found!\n",
                            int(std::min(a, b)), int(std::max(a, b)));
        }
    }
}
