#include "ridge_lines.h"

#include "surface_segments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// What a crest line follows at one sample: the curvature that peaks on it,
// the other principal curvature, the peaking curvature's direction and its
// derivative along that direction.
struct Crest {
    double k, other, derivative;
    gmVec3 direction;
};

struct RidgeSide {
    static double peak(const CurvatureSample& s) { return s.k1; }
    static Crest at(const CurvatureSample& s) { return {s.k1, s.k2, s.dk1, firstDirection(s)}; }
};

// A valley is a ridge of the surface turned over: -k2 peaks along dir2.
struct ValleySide {
    static double peak(const CurvatureSample& s) { return -s.k2; }
    static Crest at(const CurvatureSample& s) { return {-s.k2, -s.k1, -s.dk2, secondDirection(s)}; }
};

struct CrestSettings {
    double featureSize;
    double threshold; // strength
    double fadeRange; // strength above the threshold at which a piece is drawn in full
};

// The piece of a crest line inside triangle t, if it has one that passes
// the tests and the threshold.
template <typename Side>
bool crestPiece(const GridTriangle& t, const SurfaceCurvature& curvature, std::span<const gmVec3> vertices,
                const CrestSettings& settings, SurfaceSegment& piece)
{
    const CurvatureSample* s[3];
    double strongest = 0.0;
    for (int m = 0; m < 3; ++m) {
        s[m] = &curvature.samples[t.v[m]];
        strongest = std::max(strongest, Side::peak(*s[m]));
    }
    if (strongest <= 0.0 || strongest * settings.featureSize < settings.threshold)
        return false;

    Crest c[3] = {Side::at(*s[0]), Side::at(*s[1]), Side::at(*s[2])};
    // Flip corners 1 and 2 to agree with corner 0; they must then agree
    // with each other as well.
    const bool flip1 = dot(c[0].direction, c[1].direction) < 0.0;
    const bool flip2 = dot(c[0].direction, c[2].direction) < 0.0;
    if ((dot(c[1].direction, c[2].direction) < 0.0) != (flip1 != flip2))
        return false;
    const double d[3] = {c[0].derivative, flip1 ? -c[1].derivative : c[1].derivative,
                         flip2 ? -c[2].derivative : c[2].derivative};
    int sides[2], found = 0;
    for (int k = 0; k < 3 && found < 2; ++k)
        if ((d[k] < 0.0) != (d[(k + 1) % 3] < 0.0))
            sides[found++] = k;
    if (found < 2)
        return false;

    // A maximum: the derivative, linear over the triangle, falls along the
    // mean direction. Its gradient g meets the sides e1, e2 from corner 0 in
    // g . e1 = d1 - d0 and g . e2 = d2 - d0; the mean direction projected on
    // the triangle's plane is a e1 + b e2.
    const gmVec3 mean = c[0].direction + (flip1 ? c[1].direction * -1.0 : c[1].direction)
                        + (flip2 ? c[2].direction * -1.0 : c[2].direction);
    const gmVec3 e1 = vertices[t.v[1]] - vertices[t.v[0]], e2 = vertices[t.v[2]] - vertices[t.v[0]];
    const double g11 = dot(e1, e1), g12 = dot(e1, e2), g22 = dot(e2, e2);
    const double r1 = dot(e1, mean), r2 = dot(e2, mean);
    const double a = g22 * r1 - g12 * r2, b = g11 * r2 - g12 * r1; // times the positive g11 g22 - g12^2
    if (a * (d[1] - d[0]) + b * (d[2] - d[0]) >= 0.0)
        return false;

    const EdgeCrossing p(t.v[sides[0]], t.v[(sides[0] + 1) % 3], d[sides[0]], d[(sides[0] + 1) % 3]);
    const EdgeCrossing q(t.v[sides[1]], t.v[(sides[1] + 1) % 3], d[sides[1]], d[(sides[1] + 1) % 3]);
    const auto cornerOf = [&](std::uint32_t v) { return v == t.v[0] ? 0 : v == t.v[1] ? 1 : 2; };
    const auto atCrossing = [&](const EdgeCrossing& x, double Crest::*field) {
        return x.at(c[cornerOf(x.from)].*field, c[cornerOf(x.to)].*field);
    };
    const double k = (atCrossing(p, &Crest::k) + atCrossing(q, &Crest::k)) / 2.0;
    const double other = (atCrossing(p, &Crest::other) + atCrossing(q, &Crest::other)) / 2.0;
    const double strength = k * settings.featureSize;
    if (k <= std::abs(other) || strength < settings.threshold)
        return false;
    const std::uint16_t style = fadeStyle((strength - settings.threshold) / settings.fadeRange);
    piece = segmentBetween(p, t.edge[sides[0]], q, t.edge[sides[1]], vertices, style);
    return true;
}

} // namespace

double ridgeStrengthThreshold(double sliderValue)
{
    const double t = std::clamp(sliderValue, 0.0, 100.0) / 100.0;
    return 0.5 * t * t;
}

bool buildRidgeFamilies(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices, double sliderValue,
                        LineFamily& ridges, LineFamily& valleys, unsigned threads)
{
    resetFadedFamily(ridges, "ridges", 1.5f, 0.0f);
    resetFadedFamily(valleys, "valleys", 1.5f, 0.45f);
    const std::size_t w = curvature.width, h = curvature.height;
    if (vertices.size() != w * h || curvature.samples.size() != w * h || curvature.known.size() != w * h) {
        std::printf("The mesh's %zu vertices do not match the curvature of %zu x %zu samples; no ridges or valleys\n",
                    vertices.size(), w, h);
        return false;
    }
    if (w < 2 || h < 2)
        return true;
    const double threshold = ridgeStrengthThreshold(sliderValue);
    const CrestSettings settings{curvature.featureSize, threshold, std::max(threshold, 0.05)};
    const auto collect = [&](std::size_t first, std::size_t end, std::vector<SurfaceSegment>& found0,
                             std::vector<SurfaceSegment>& found1) {
        SurfaceSegment piece;
        for (std::size_t r = first; r < end && !stopRequested(); ++r)
            for (std::size_t c = 0; c + 1 < w; ++c) {
                for (const GridTriangle& t : cellTriangles(std::uint32_t(r * w + c), std::uint32_t(w))) {
                    if (!curvature.known[t.v[0]] || !curvature.known[t.v[1]] || !curvature.known[t.v[2]])
                        continue;
                    if (crestPiece<RidgeSide>(t, curvature, vertices, settings, piece))
                        found0.push_back(piece);
                    if (crestPiece<ValleySide>(t, curvature, vertices, settings, piece))
                        found1.push_back(piece);
                }
            }
    };
    SegmentBuffers work;
    if (!chainFamilyPair(std::uint32_t(w), h - 1, threads, collect, work, ridges, valleys)) {
        ridges.clear();
        valleys.clear();
        return false;
    }
    return true;
}
