// Classification of every edge of an EdgeBuffer against a point.
//
// Two parallel phases whose result does not depend on the thread count: the
// facing of every face (independent per face), then the edges, split by rows
// so that every edge is updated by one thread only and by its faces in list
// order, exactly as a single sequential pass would.
#include "edge_buffer.h"
#include "parallel_ranges.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// sides[f]: the face faces the point, faces away, or names a vertex that
// does not exist and is left out.
constexpr std::uint8_t facesPoint = 1;
constexpr std::uint8_t facesAway = 2;
constexpr std::uint8_t skipped = 0;

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

    std::vector<float> values(faces.size());
    std::vector<std::uint8_t> sides(faces.size());
    std::atomic<bool> badFace{false};
    forEachRange(faces.size(), threads, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t f = begin; f < end; ++f) {
            const std::uint32_t a = faces[f].v[0], b = faces[f].v[1], c = faces[f].v[2];
            if (a >= vertices.size() || b >= vertices.size() || c >= vertices.size()) {
                sides[f] = skipped;
                badFace = true;
                continue;
            }
            const gmVec3 centroid = ((vertices[a] + vertices[b]) + vertices[c]) / 3.0;
            gmVec3 d = centroid - point;
            d.normalize();
            const double k = dot(faceNormals[f], d);
            if (k < 0) {
                sides[f] = facesPoint;
                values[f] = float(-k);
            } else {
                sides[f] = facesAway;
                values[f] = float(k);
            }
        }
    });
    if (badFace)
        std::printf("Error in EdgeBuffer:updateAllEdges - faces name vertices beyond the %zu given; they are left "
                    "out\n",
                    vertices.size());

    std::atomic<bool> missing{false};
    forEachRange(rowCount(), threads, [&](std::size_t, std::size_t begin, std::size_t end) {
        // The last part also owns edges whose rows do not exist, so that they
        // are reported as missing.
        const bool last = end == rowCount();
        if (classifyRows(faces, values, sides, begin, last ? std::size_t(-1) : end, nearThreshold, silThreshold))
            missing = true;
    });
    if (missing)
        warnMissingEdges(faces, sides);
}

bool EdgeBuffer::classifyRows(std::span<const Face> faces, std::span<const float> values,
                              std::span<const std::uint8_t> sides, std::size_t firstRow, std::size_t endRow,
                              float nearThreshold, float silThreshold)
{
    const std::span<Edge> owned = rowsSpan(firstRow, std::min(endRow, rowCount()));
    for (Edge& e : owned) {
        e.front = e.back = e.used = false;
        e.s = 0.5f;
    }

    bool missing = false;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const std::uint8_t side = sides[f];
        if (side == skipped)
            continue;
        const Face& face = faces[f];
        for (int n = 0; n < 3; ++n) {
            const std::uint32_t a = face.v[n], b = face.v[(n + 1) % 3];
            const std::uint32_t lo = std::min(a, b), hi = std::max(a, b);
            if (lo == hi || lo < firstRow || lo >= endRow)
                continue;
            Edge* e = find(int(lo), int(hi));
            if (!e) {
                missing = true;
                continue;
            }
            e->toggle(side);
            e->keepSmallest(values[f]);
        }
    }

    for (Edge& e : owned) {
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
    return missing;
}

void EdgeBuffer::warnMissingEdges(std::span<const Face> faces, std::span<const std::uint8_t> sides) const
{
    for (std::size_t f = 0; f < faces.size(); ++f) {
        if (sides[f] == skipped)
            continue;
        for (int n = 0; n < 3; ++n) {
            const std::uint32_t a = faces[f].v[n], b = faces[f].v[(n + 1) % 3];
            if (a != b && findEdge(int(a), int(b)) < 0)
                std::printf("Warning - reached bad place in update edge buffer (i=%i, j=%i) - Edge Not Found!\n",
                            int(std::min(a, b)), int(std::max(a, b)));
        }
    }
}
