// Curvature of the grid's surface against closed forms: quadrics at two
// spacings and with exaggeration, voids, the derivatives against finite
// differences, and bad input.
#include "jgrid.h"
#include "stop_request.h"
#include "suggestive_lines.h"
#include "surface_curvature.h"
#include "terrain_mesh.h"

#include "support/console_capture.h"
#include "support/drawn_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The principal curvatures (convex positive) of the graph z(x, y) from its
// derivatives, through the mean and Gaussian curvature of a graph.
struct Expected {
    double k1, k2;
};
Expected graphCurvature(double zx, double zy, double zxx, double zxy, double zyy)
{
    const double w2 = 1 + zx * zx + zy * zy;
    const double mean = -((1 + zy * zy) * zxx - 2 * zx * zy * zxy + (1 + zx * zx) * zyy) / (2 * std::pow(w2, 1.5));
    const double gauss = (zxx * zyy - zxy * zxy) / (w2 * w2);
    const double half = std::sqrt(std::max(mean * mean - gauss, 0.0));
    return {mean + half, mean - half};
}

const DrawnSpacing spacings[] = {{30.0f, 0.8f, 1.0f}, {2.0f, 1.0f, 5.0f}};

// The largest error of k1 and k2 over the known samples where `where`
// holds, relative to the larger expected curvature.
template <typename ExpectedAt, typename Where>
double largestRelativeError(const SurfaceCurvature& sc, ExpectedAt expectedAt, Where where)
{
    double worst = 0.0;
    for (unsigned r = 0; r < sc.height; ++r)
        for (unsigned c = 0; c < sc.width; ++c) {
            const std::size_t i = std::size_t(r) * sc.width + c;
            if (!sc.isKnown(i) || !where(r, c))
                continue;
            const Expected e = expectedAt(r, c);
            const double scale = std::max(std::abs(e.k1), std::abs(e.k2));
            worst = std::max({worst, std::abs(sc.samples[i].k1 - e.k1) / scale,
                              std::abs(sc.samples[i].k2 - e.k2) / scale});
        }
    return worst;
}

} // namespace

TEST(SurfaceCurvature, QuadricsMatchTheirClosedFormsAtTwoSpacings)
{
    for (const DrawnSpacing& s : spacings) {
        const double cell = s.cellSize, x0 = s.x(20) + 0.3 * cell, y0 = s.y(15) - 0.2 * cell;
        // A paraboloid with a mixed term: its principal directions follow
        // no axis, and the slope grows towards the border.
        const double a = 1 / (30 * cell), b = 1 / (90 * cell), c = 1 / (60 * cell);
        JGrid g;
        fillDrawnSurface(g, 41, 31, s, [&](double x, double y) {
            const double u = x - x0, v = y - y0;
            return 500 - (a * u * u + 2 * b * u * v + c * v * v) / 2;
        });
        SurfaceCurvature sc;
        ASSERT_TRUE(computeSurfaceCurvature(g, sc));
        const double paraboloid = largestRelativeError(
            sc,
            [&](unsigned r, unsigned col) {
                const double u = s.x(col) - x0, v = s.y(r) - y0;
                return graphCurvature(-(a * u + b * v), -(b * u + c * v), -a, -b, -c);
            },
            [](unsigned, unsigned) { return true; });
        std::printf("paraboloid, cell %g m: largest relative error %.2e\n", cell, paraboloid);
        EXPECT_LT(paraboloid, 1e-3);
        // The outer ring cannot hold a cubic fit; the ring inside it can.
        EXPECT_FALSE(sc.isKnown(5)) << "first row";
        EXPECT_FALSE(sc.isKnown(41 * 5)) << "first column";
        EXPECT_TRUE(sc.isKnown(41 + 1));
        EXPECT_TRUE(sc.isKnown(41 * 29 + 39));

        // A sphere cap of radius 60 cells: k1 = k2 = 1 / R everywhere.
        const double radius = 60 * cell;
        JGrid cap;
        fillDrawnSurface(cap, 41, 41, s, [&](double x, double y) {
            return std::sqrt(radius * radius - std::pow(x - s.x(20), 2) - std::pow(y - s.y(20), 2));
        });
        ASSERT_TRUE(computeSurfaceCurvature(cap, sc));
        const double sphere = largestRelativeError(
            sc, [&](unsigned, unsigned) { return Expected{1 / radius, 1 / radius}; },
            [&](unsigned r, unsigned col) { return std::hypot(s.x(col) - s.x(20), s.y(r) - s.y(20)) < 0.4 * radius; });
        std::printf("sphere cap, cell %g m: largest relative error %.2e\n", cell, sphere);
        EXPECT_LT(sphere, 1e-2);
    }
}

TEST(SurfaceCurvature, VoidsNeverReachTheFit)
{
    // A paraboloid with a hole whose filled heights are wild: every sample
    // that is still known must give the exact curvature, so no filled
    // height took part in its fit; samples beside the hole stay known.
    const DrawnSpacing s = spacings[1];
    const double a = 1 / 40.0, c = 1 / 25.0;
    JGrid g;
    fillDrawnSurface(g, 30, 30, s, [&](double x, double y) { return (a * x * x + c * y * y) / 2; });
    g.valid = ValidMask(30, 30, 1);
    for (unsigned r = 12; r < 16; ++r)
        for (unsigned col = 10; col < 13; ++col) {
            g.valid[r][col] = 0;
            g.heights[r][col] = 1e5f;
        }
    SurfaceCurvature sc;
    ASSERT_TRUE(computeSurfaceCurvature(g, sc));
    const double error = largestRelativeError(
        sc, [&](unsigned r, unsigned col) { return graphCurvature(a * s.x(col), c * s.y(r), a, 0, c); },
        [](unsigned, unsigned) { return true; });
    EXPECT_LT(error, 1e-3);
    EXPECT_FALSE(sc.isKnown(13 * 30 + 11));
    EXPECT_TRUE(sc.isKnown(13 * 30 + 9)) << "beside the hole";
    EXPECT_TRUE(sc.isKnown(11 * 30 + 11)) << "above the hole";
}

TEST(SurfaceCurvature, DerivativesAgreeWithFiniteDifferences)
{
    // On a cubic the fit is exact, so the stored derivatives of k1, k2 and
    // of the radial curvature must match central differences of the stored
    // curvatures themselves, taken along their directions.
    const DrawnSpacing s{1.0f, 0.9f, 2.0f};
    JGrid g;
    fillDrawnSurface(g, 41, 41, s, [](double x, double y) {
        const double u = x - 18, v = y - 20;
        return 0.02 * u * u + 0.012 * u * v - 0.015 * v * v + 5e-4 * u * u * u - 4e-4 * u * u * v
               + 3e-4 * u * v * v + 2e-4 * v * v * v;
    });
    SurfaceCurvature sc;
    ASSERT_TRUE(computeSurfaceCurvature(g, sc));
    std::vector<gmVec3> vertices, normals, faceNormals;
    std::vector<Face> faces;
    buildTerrainMesh(g, vertices, normals, faces, faceNormals);
    const gmVec3 eye(0.1, -0.3, 0.5); // model coordinates, off to one side and above
    RadialCurvature radial;
    ASSERT_TRUE(computeRadialCurvature(sc, vertices, SurfaceEye{eye}, radial));

    const auto alongGrid = [&](const auto& value, std::size_t i, const gmVec3& u) {
        const double dx = (value(i + 1) - value(i - 1)) / (2 * s.x(1));
        const double dy = (value(i + 41) - value(i - 41)) / (2 * s.y(1));
        return dx * u[0] + dy * u[1];
    };
    const auto k1 = [&](std::size_t i) { return double(sc.samples[i].k1); };
    const auto k2 = [&](std::size_t i) { return double(sc.samples[i].k2); };
    const auto kr = [&](std::size_t i) { return double(radial.value[i]); };
    for (const std::size_t i : {std::size_t(20 * 41 + 20), std::size_t(12 * 41 + 26), std::size_t(27 * 41 + 14)}) {
        const CurvatureSample& p = sc.samples[i];
        const double tolerance = 0.02 * (std::abs(p.dk1) + std::abs(p.dk2));
        EXPECT_NEAR(p.dk1, alongGrid(k1, i, firstDirection(p)), tolerance) << i;
        EXPECT_NEAR(p.dk2, alongGrid(k2, i, secondDirection(p)), tolerance) << i;

        ASSERT_EQ(radial.facing[i], 1);
        gmVec3 v = eye - vertices[i];
        v.normalize();
        const gmVec3 n = upNormal(p);
        gmVec3 w = v - n * dot(n, v);
        const double sinTheta = w.length();
        w = w / sinTheta;
        const double scale = sinTheta * sc.featureSize * sc.featureSize;
        const double expected = alongGrid(kr, i, w) * scale;
        const double radialTolerance = 0.02 * std::abs(expected);
        EXPECT_NEAR(radial.test[i], expected, radialTolerance) << i;
        // The turn of the radial direction matters here: without it the
        // test value would be off by well over the tolerance.
        EXPECT_GT(std::abs(thirdOrder(p, w) * scale - expected), 3 * radialTolerance) << i;
    }
}

TEST(SurfaceCurvature, RefusesUnusableSpacingAndStopsWhenAsked)
{
    JGrid g;
    fillTestGrid(g, 12, 12, -1.0f, [](unsigned r, unsigned c) { return float(r * c); });
    SurfaceCurvature sc;
    {
        ConsoleCapture console;
        EXPECT_FALSE(computeSurfaceCurvature(g, sc));
        EXPECT_NE(console.text().find("No curvature for a grid with cell size -1"), std::string::npos);
    }
    EXPECT_TRUE(sc.samples.empty());

    // A valid height at the end of the float range: the samples whose fits
    // see it overflow and are left unknown, the others are untouched.
    g.cellSize = 30.0f;
    g.heights[6][6] = 3e38f;
    ASSERT_TRUE(computeSurfaceCurvature(g, sc));
    EXPECT_FALSE(sc.isKnown(6 * 12 + 6));
    EXPECT_FALSE(sc.isKnown(5 * 12 + 7));
    EXPECT_TRUE(sc.isKnown(2 * 12 + 2));

    std::atomic<bool> stop{true};
    const StopScope scope(&stop);
    EXPECT_FALSE(computeSurfaceCurvature(g, sc, 2));
}
