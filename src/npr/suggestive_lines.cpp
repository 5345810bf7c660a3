#include "suggestive_lines.h"

#include "bulk_memory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The zero set of a per-vertex field over the triangles of cell rows
// [first, end) of a grid of width w: for every triangle that accept(t)
// takes and along two of whose sides the field changes sign (a zero counts
// as positive), piece(t, crossing, side, crossing, side). This is the only
// step that knows how the zero set is found.
template <typename Accept, typename Piece>
void forEachZeroSetPiece(std::span<const float> field, std::size_t w, std::size_t first, std::size_t end,
                         Accept accept, Piece piece)
{
    const auto negative = [&](std::size_t i) { return field[i] < 0.0f; };
    for (std::size_t r = first; r < end && !stopRequested(); ++r)
        for (std::size_t a = r * w; a + 1 < (r + 1) * w; ++a) {
            const bool n = negative(a);
            if (negative(a + 1) == n && negative(a + w) == n && negative(a + w + 1) == n)
                continue;
            for (const GridTriangle& t : cellTriangles(std::uint32_t(a), std::uint32_t(w))) {
                if (!accept(t))
                    continue;
                int sides[2], found = 0;
                for (int k = 0; k < 3 && found < 2; ++k)
                    if (negative(t.v[k]) != negative(t.v[(k + 1) % 3]))
                        sides[found++] = k;
                if (found < 2)
                    continue;
                const auto crossing = [&](int k) {
                    const std::uint32_t i = t.v[k], j = t.v[(k + 1) % 3];
                    return EdgeCrossing(i, j, field[i], field[j]);
                };
                piece(t, crossing(sides[0]), sides[0], crossing(sides[1]), sides[1]);
            }
        }
}

void radialRows(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices, const gmVec3& eye,
                std::size_t first, std::size_t end, RadialCurvature& radial)
{
    const double featureSquared = double(curvature.featureSize) * curvature.featureSize;
    const std::size_t w = curvature.width;
    for (std::size_t r = first; r < end && !stopRequested(); ++r)
        for (std::size_t i = r * w; i < (r + 1) * w; ++i) {
            radial.facing[i] = 0;
            radial.value[i] = 0.0f;
            radial.test[i] = 0.0f;
            if (!curvature.known[i])
                continue;
            const CurvatureSample& s = curvature.samples[i];
            const gmVec3 toEye = eye - vertices[i];
            const gmVec3 n = upNormal(s);
            const double normalPart = dot(n, toEye);
            const gmVec3 tangentPart = toEye - n * normalPart;
            const double distance2 = toEye.lengthSquared(), tangent2 = tangentPart.lengthSquared();
            // Seen along the normal, the radial direction is undefined.
            if (!(tangent2 > 1e-12 * distance2))
                continue;
            const double toTangent = 1.0 / std::sqrt(tangent2), toDistance = 1.0 / std::sqrt(distance2);
            const gmVec3 radialDirection = tangentPart * toTangent;
            const double sinTheta = tangent2 * toTangent * toDistance, cosTheta = normalPart * toDistance;
            const gmVec3 first = firstDirection(s);
            const double along = dot(radialDirection, first);
            const double across = dot(radialDirection, cross(n, first));
            const double kr = s.k1 * along * along + s.k2 * across * across;
            const double mixed = (double(s.k1) - s.k2) * along * across; // II(w, w') up to sign
            const double test = (sinTheta * thirdOrder(s, radialDirection) - 2.0 * mixed * mixed * cosTheta)
                                * featureSquared;
            const int side = cosTheta >= 0.0 ? 1 : -1;
            radial.facing[i] = std::int8_t(side);
            radial.value[i] = float(side * kr);
            radial.test[i] = float(side * test);
        }
}

} // namespace

double suggestiveTestThreshold(double sliderValue)
{
    const double t = std::clamp(sliderValue, 0.0, 100.0) / 100.0;
    return 0.1 * t * t;
}

bool computeRadialCurvature(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices, const gmVec3& eye,
                            RadialCurvature& radial, unsigned threads)
{
    const std::size_t n = std::size_t(curvature.width) * curvature.height;
    if (vertices.size() != n || curvature.samples.size() != n || curvature.known.size() != n) {
        std::printf("The mesh's %zu vertices do not match the curvature of %u x %u samples; no suggestive lines\n",
                    vertices.size(), curvature.width, curvature.height);
        radial.value.clear();
        radial.test.clear();
        radial.facing.clear();
        return false;
    }
    reserveBulk(radial.value, n);
    reserveBulk(radial.test, n);
    radial.value.resize(n);
    radial.test.resize(n);
    radial.facing.resize(n);
    const std::size_t h = curvature.height;
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(h, 1));
    runParts(parts, [&](std::size_t p) {
        radialRows(curvature, vertices, eye, h * p / parts, h * (p + 1) / parts, radial);
    });
    return !stopRequested();
}

bool buildSuggestiveFamilies(RadialCurvature& radial, std::span<const gmVec3> vertices, std::uint32_t width,
                             double sliderValue, LineFamily& contours, LineFamily& highlights, unsigned threads)
{
    resetFadedFamily(contours, "suggestive contours", 1.5f, 0.0f);
    resetFadedFamily(highlights, "suggestive highlights", 1.0f, 0.55f);
    const std::size_t n = vertices.size();
    if (width == 0 || n % width != 0 || radial.value.size() != n || radial.test.size() != n
        || radial.facing.size() != n) {
        std::printf("The radial curvature does not match the mesh's %zu vertices; no suggestive lines\n", n);
        return false;
    }
    const std::size_t w = width, h = n / w;
    if (w < 2 || h < 2)
        return true;
    const double threshold = suggestiveTestThreshold(sliderValue);
    const double fadeRange = std::max(threshold, 0.005);
    const auto collect = [&](std::size_t first, std::size_t end, std::vector<SurfaceSegment>& found0,
                             std::vector<SurfaceSegment>& found1) {
        // Only triangles whose corners are known and face the eye on one side.
        const auto oneSide = [&](const GridTriangle& t) {
            const int side = radial.facing[t.v[0]];
            return side != 0 && radial.facing[t.v[1]] == side && radial.facing[t.v[2]] == side;
        };
        forEachZeroSetPiece(radial.value, w, first, end, oneSide,
                            [&](const GridTriangle& t, const EdgeCrossing& p, int sideP, const EdgeCrossing& q,
                                int sideQ) {
                                const double test = (p.at(radial.test[p.from], radial.test[p.to])
                                                     + q.at(radial.test[q.from], radial.test[q.to]))
                                                    / 2.0;
                                if (std::abs(test) <= threshold)
                                    return;
                                const std::uint16_t style = fadeStyle((std::abs(test) - threshold) / fadeRange);
                                (test > 0.0 ? found0 : found1)
                                    .push_back(segmentBetween(p, t.edge[sideP], q, t.edge[sideQ], vertices, style));
                            });
    };
    if (!chainFamilyPair(std::uint32_t(w), h - 1, threads, collect, radial.pieces, contours, highlights)) {
        contours.clear();
        highlights.clear();
        return false;
    }
    return true;
}
