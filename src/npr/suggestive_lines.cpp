#include "suggestive_lines.h"

#include "bulk_memory.h"
#include "iso_lines.h"
#include "parallel_parts.h"
#include "surface_segments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

void radialRows(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices, const SurfaceEye& eye,
                std::size_t first, std::size_t end, RadialCurvature& radial)
{
    const double featureSquared = double(curvature.featureSize) * curvature.featureSize;
    const std::size_t w = curvature.width;
    for (std::size_t r = first; r < end && !stopRequested(); ++r)
        for (std::size_t i = r * w; i < (r + 1) * w; ++i) {
            radial.facing[i] = 0;
            radial.value[i] = std::numeric_limits<float>::quiet_NaN();
            radial.test[i] = 0.0f;
            if (!curvature.known[i])
                continue;
            const CurvatureSample& s = curvature.samples[i];
            const gmVec3 toEye = eye.towardsEye(vertices[i]);
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

std::size_t RadialCurvature::bytes() const
{
    return value.capacity() * sizeof(float) + test.capacity() * sizeof(float) + facing.capacity() + pieces.bytes();
}

bool computeRadialCurvature(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices,
                            const SurfaceEye& eye, RadialCurvature& radial, unsigned threads)
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

bool buildSuggestiveFamilies(RadialCurvature& radial, const MeshGrid& mesh, std::span<const gmVec3> vertices,
                             double sliderValue, LineFamily& contours, LineFamily& highlights)
{
    resetFadedFamily(contours, "suggestive contours", 1.5f, 0.0f);
    resetFadedFamily(highlights, "suggestive highlights", 1.0f, 0.55f);
    const std::size_t n = mesh.width * mesh.height;
    if (vertices.size() != n || radial.value.size() != n || radial.test.size() != n || radial.facing.size() != n) {
        std::printf("The radial curvature does not match the mesh's %zu vertices; no suggestive lines\n",
                    vertices.size());
        return false;
    }
    const double threshold = suggestiveTestThreshold(sliderValue);
    const double fadeRange = std::max(threshold, 0.005);
    // A piece is kept inside a face whose corners all face the eye on one
    // side (the two crossings name its three corners), its test value taken
    // halfway: a suggestive contour's style is its fade, a highlight's its
    // fade after the contours' styles.
    const std::span<const std::int8_t> facing = radial.facing;
    const std::span<const float> test = radial.test;
    const auto pieceStyle = [&](std::size_t, const IsoCrossing& in, const IsoCrossing& out) {
        const int side = facing[in.from];
        if (facing[in.to] != side || facing[out.from] != side || facing[out.to] != side)
            return skipIsoPiece;
        const double t = (in.at(test[in.from], test[in.to]) + out.at(test[out.from], test[out.to])) / 2.0;
        if (!(std::abs(t) > threshold))
            return skipIsoPiece;
        const std::uint16_t fade = fadeStyle((std::abs(t) - threshold) / fadeRange);
        return std::uint16_t(t > 0.0 ? fade : fadeSteps + fade);
    };
    LineFamily& pieces = radial.pieces;
    pieces.clear();
    const double zero = 0.0;
    isoLines(mesh, vertices, radial.value, std::span<const double>(&zero, 1), pieces, pieceStyle);
    if (stopRequested()) {
        pieces.clear();
        return false;
    }
    for (std::size_t i = 0; i < pieces.polylineCount(); ++i) {
        const std::uint16_t style = pieces.styleOf[i];
        if (style < fadeSteps)
            contours.addPolyline(style, pieces.polyline(i));
        else
            highlights.addPolyline(std::uint16_t(style - fadeSteps), pieces.polyline(i));
    }
    return true;
}
