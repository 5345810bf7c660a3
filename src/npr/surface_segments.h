// Lines found inside the triangles of a grid mesh (ridges, valleys,
// suggestive contours): the triangles as the mesh splits its cells, a key
// for every mesh edge, pieces from edge to edge, and their chaining into the
// polylines of a line family.
#ifndef SURFACE_SEGMENTS_H
#define SURFACE_SEGMENTS_H

#include "gmvec3.h"
#include "line_family.h"
#include "parallel_parts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One triangle of a grid mesh: its corners, and for each side k (from v[k]
// to v[(k + 1) % 3]) the key of that mesh edge.
struct GridTriangle {
    std::uint32_t v[3];
    std::uint32_t edge[3];
};

// The two triangles of the cell whose top-left sample is a, in a grid of the
// given width, as buildTerrainMesh makes them: with b = a + 1, d = a + width,
// e = d + 1, the faces (b, a, d) and (b, d, e). Every mesh edge has one key:
// 3a for a-(a+1), 3a + 1 for a-(a+width), 3a + 2 for the diagonal (a+1)-(a+width).
inline std::array<GridTriangle, 2> cellTriangles(std::uint32_t a, std::uint32_t width)
{
    const std::uint32_t b = a + 1, d = a + width, e = d + 1;
    return {{{{b, a, d}, {3 * a, 3 * a + 1, 3 * a + 2}}, {{b, d, e}, {3 * a + 2, 3 * d, 3 * b + 1}}}};
}

// Where a quantity that is linear along the mesh edge (i, j) and has the
// values fi and fj at its ends passes through zero: the fraction of the way
// from the end with the smaller index. The same for (j, i) as for (i, j), so
// that both triangles of an edge find the same point.
struct EdgeCrossing {
    std::uint32_t from, to; // from < to
    double t;               // 0 at from, 1 at to

    EdgeCrossing(std::uint32_t i, std::uint32_t j, double fi, double fj)
        : from(i < j ? i : j), to(i < j ? j : i), t(i < j ? fi / (fi - fj) : fj / (fj - fi))
    {
    }
    // A value given at both ends, interpolated at the crossing.
    double at(double valueFrom, double valueTo) const { return valueFrom + t * (valueTo - valueFrom); }
    gmVec3 point(std::span<const gmVec3> vertices) const { return at(vertices[from], vertices[to]); }

private:
    gmVec3 at(const gmVec3& a, const gmVec3& b) const { return a + (b - a) * t; }
};

// A piece of a line inside one triangle, between points on two of its edges.
struct SurfaceSegment {
    float a[3], b[3];
    std::uint32_t edgeA, edgeB;
    std::uint16_t style;
};

inline SurfaceSegment segmentBetween(const EdgeCrossing& p, std::uint32_t edgeP, const EdgeCrossing& q,
                                     std::uint32_t edgeQ, std::span<const gmVec3> vertices, std::uint16_t style)
{
    const gmVec3 a = p.point(vertices), b = q.point(vertices);
    return {{float(a[0]), float(a[1]), float(a[2])}, {float(b[0]), float(b[1]), float(b[2])}, edgeP, edgeQ, style};
}

// The work arrays of chaining one family's segments.
struct ChainBuffers {
    std::vector<std::uint32_t> next; // the end that continues each segment end
    std::vector<std::uint8_t> used;  // per segment
};

// The work arrays of finding and chaining the segments of two families. A
// caller that builds lines often (for every eye) keeps one, so that its
// arrays are reused instead of taken fresh from the system each time.
struct SegmentBuffers {
    // The segments found, per family and per part of the rows.
    std::vector<std::vector<SurfaceSegment>> found[2];
    ChainBuffers chains[2];
};

// Appends segments to the family as polylines: segments of one style that
// end on the same mesh edge continue each other. The segments come in parts
// (one per thread that found them), read as one list, in the order of their
// cells' rows, as passes over the rows of a grid of the given width find them.
void chainSegments(std::span<const std::vector<SurfaceSegment>> parts, std::uint32_t width, ChainBuffers& work,
                   LineFamily& family);

// Two families found together (ridges and valleys, suggestive contours and
// highlights): collect(firstCellRow, endCellRow, first, second) appends the
// segments of those cell rows to the two vectors; the cell rows are split
// into parts that run on up to `threads` threads, and each family gets the
// chained segments of all parts, in row order. False at a stop request.
template <typename Collect>
bool chainFamilyPair(std::uint32_t width, std::size_t cellRows, unsigned threads, Collect collect, SegmentBuffers& work,
                     LineFamily& first, LineFamily& second)
{
    const std::size_t parts = std::max<std::size_t>(1, std::min<std::size_t>(threads, cellRows));
    for (auto& family : work.found)
        family.resize(parts);
    runParts(parts, [&](std::size_t p) {
        const std::size_t begin = cellRows * p / parts, end = cellRows * (p + 1) / parts;
        // Room for a segment in every fourth face, more than real terrain
        // needs at the default thresholds, saves the copies of growing;
        // room left untouched takes no memory.
        for (auto& family : work.found) {
            family[p].clear();
            family[p].reserve((end - begin) * width / 2);
        }
        collect(begin, end, work.found[0][p], work.found[1][p]);
    });
    if (stopRequested())
        return false;
    // The two families chain side by side.
    LineFamily* families[2] = {&first, &second};
    const unsigned chainThreads = std::clamp(threads, 1u, 2u);
    runParts(chainThreads, [&](std::size_t t) {
        for (std::size_t f = t; f < 2; f += chainThreads)
            chainSegments(work.found[f], width, work.chains[f], *families[f]);
    });
    return true;
}

// Fading a family by strength. A faded family is emptied and named, with
// fadeSteps styles of the given width and grey and opacities 1/fadeSteps,
// 2/fadeSteps, ... 1; fadeStyle gives the style of a fade from 0 (just kept)
// to 1 (full).
inline constexpr int fadeSteps = 4;
void resetFadedFamily(LineFamily& family, const char* name, float width, float grey);
std::uint16_t fadeStyle(double fade);

#endif
