// Ridges, valleys and suggestive contours on analytic surfaces with known
// lines, with voids, from moving eyes, and on the bundled terrain.
#include "jgrid.h"
#include "ridge_lines.h"
#include "stop_request.h"
#include "suggestive_lines.h"
#include "surface_curvature.h"
#include "terrain_mesh.h"

#include "support/console_capture.h"
#include "support/drawn_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

const DrawnSpacing spacings[] = {{30.0f, 0.8f, 1.0f}, {2.0f, 1.0f, 5.0f}};

// A grid with its curvature and mesh vertices.
struct Surface {
    JGrid grid;
    SurfaceCurvature curvature;
    std::vector<gmVec3> vertices;
    DrawnSpacing spacing;

    Surface(unsigned w, unsigned h, const DrawnSpacing& s, const std::function<double(double, double)>& z,
            const std::function<bool(unsigned, unsigned)>& isVoid = {})
        : spacing(s)
    {
        fillDrawnSurface(grid, w, h, s, z);
        if (isVoid) {
            grid.valid = ValidMask(h, w, 1);
            for (unsigned r = 0; r < h; ++r)
                for (unsigned c = 0; c < w; ++c)
                    grid.valid[r][c] = !isVoid(r, c);
        }
        build();
    }
    void build()
    {
        std::vector<gmVec3> normals, faceNormals;
        std::vector<Face> faces;
        buildTerrainMesh(grid, vertices, normals, faces, faceNormals);
        EXPECT_TRUE(computeSurfaceCurvature(grid, curvature));
    }
    // A point of a family in columns and rows of the grid.
    double column(const float* p) const { return p[0] * 50.0 / spacing.eastWestRatio; }
    double row(const float* p) const { return p[1] * 50.0; }
    // The eye above the sample (r, c) at `height` model units.
    gmVec3 above(double r, double c, double height) const
    {
        return gmVec3(c / 50.0 * spacing.eastWestRatio, r / 50.0, height);
    }
};

template <typename Fn>
void forEachPoint(const LineFamily& f, Fn fn)
{
    for (std::size_t i = 0; i < f.pointCount(); ++i)
        fn(f.points.data() + 3 * i);
}

// Every step between consecutive points of a polyline, in cells.
double longestStep(const Surface& s, const LineFamily& f)
{
    double longest = 0.0;
    for (std::size_t l = 0; l < f.polylineCount(); ++l) {
        const std::span<const float> p = f.polyline(l);
        for (std::size_t i = 3; i < p.size(); i += 3)
            longest = std::max(longest,
                               std::hypot(s.column(&p[i]) - s.column(&p[i - 3]), s.row(&p[i]) - s.row(&p[i - 3])));
    }
    return longest;
}

struct Suggestive {
    LineFamily contours, highlights;
};
Suggestive suggestiveFrom(const Surface& s, const SurfaceEye& eye, double slider, unsigned threads = 2)
{
    RadialCurvature radial;
    Suggestive out;
    EXPECT_TRUE(computeRadialCurvature(s.curvature, s.vertices, eye, radial, threads));
    EXPECT_TRUE(buildSuggestiveFamilies(radial, MeshGrid(s.grid.width, s.grid.height, s.grid.valid), s.vertices,
                                        slider, out.contours, out.highlights));
    return out;
}

} // namespace

TEST(RidgeLines, GaussianRidgeOnItsCrestAndItsInverseAsAValley)
{
    for (const DrawnSpacing& sp : spacings) {
        // Crest 0.37 cells past column (or row) 20, sigma 4 cells, height
        // for a crest curvature of 0.3 per cell (well above the default).
        // At the first spacing the crest runs along the columns, at the
        // second along the rows, where the direction across it is y and
        // the sign of its x flips from sample to sample.
        const bool alongRows = &sp == &spacings[1];
        const double cell = sp.cellSize, crest = 20.37, sigma = 4 * cell, height = 0.3 * sigma * sigma / cell;
        for (const double sign : {1.0, -1.0}) {
            const Surface s(alongRows ? 60 : 41, alongRows ? 41 : 60, sp, [&](double x, double y) {
                const double u = alongRows ? y - crest * cell : x - crest * cell * sp.eastWestRatio;
                return sign * height * std::exp(-u * u / (2 * sigma * sigma));
            });
            LineFamily ridges, valleys;
            ASSERT_TRUE(buildRidgeFamilies(s.curvature, s.vertices, defaultRidgeThreshold, ridges, valleys));
            const LineFamily& line = sign > 0 ? ridges : valleys;
            EXPECT_EQ(line.name, sign > 0 ? "ridges" : "valleys");
            double first = 1e9, last = -1e9;
            forEachPoint(line, [&](const float* p) {
                const double across = alongRows ? s.row(p) : s.column(p), along = alongRows ? s.column(p) : s.row(p);
                EXPECT_LT(std::abs(across - crest), 0.5) << "at " << along;
                first = std::min(first, along);
                last = std::max(last, along);
            });
            // The whole crest, as one chained polyline of one style, up to
            // the samples whose fits reach the border.
            EXPECT_LE(first, 2.0);
            EXPECT_GE(last, 57.0);
            EXPECT_EQ(line.polylineCount(), 1u);
        }
    }
}

TEST(RidgeLines, TwinCrestsGiveTwoRidgesAndNoneBetween)
{
    // Two Gaussian crests 1.8 sigma apart: between them the surface stays
    // convex across, but k1 is a minimum there, not a maximum, so even
    // without a threshold the ridges keep to the crests (1.4 cells either
    // side of the middle, where the slope no longer flattens k1).
    const DrawnSpacing sp = spacings[0];
    const double cell = sp.cellSize, sigma = 5 * cell, height = 0.6 * sigma * sigma / cell, middle = 20.0;
    const Surface s(41, 40, sp, [&](double x, double) {
        const double u = x / sp.eastWestRatio - middle * cell;
        return height * (std::exp(-std::pow(u - 0.9 * sigma, 2) / (2 * sigma * sigma))
                         + std::exp(-std::pow(u + 0.9 * sigma, 2) / (2 * sigma * sigma)));
    });
    LineFamily ridges, valleys;
    ASSERT_TRUE(buildRidgeFamilies(s.curvature, s.vertices, 0.0, ridges, valleys));
    bool left = false, right = false;
    forEachPoint(ridges, [&](const float* p) {
        const double offset = s.column(p) - middle;
        EXPECT_GT(std::abs(offset), 0.75) << "row " << s.row(p);
        left = left || offset < -1.0;
        right = right || offset > 1.0;
    });
    EXPECT_TRUE(left && right);
}

TEST(RidgeLines, PlaneAndSphereCapHaveNoneAboveTheDefault)
{
    for (const DrawnSpacing& sp : spacings) {
        const double cell = sp.cellSize, radius = 40 * cell;
        const Surface plane(30, 30, sp, [](double x, double y) { return 0.3 * x - 0.1 * y; });
        const Surface cap(41, 41, sp, [&](double x, double y) {
            return std::sqrt(radius * radius - std::pow(x - sp.x(20), 2) - std::pow(y - sp.y(20), 2));
        });
        for (const Surface* s : {&plane, &cap}) {
            LineFamily ridges, valleys;
            ASSERT_TRUE(buildRidgeFamilies(s->curvature, s->vertices, defaultRidgeThreshold, ridges, valleys));
            EXPECT_EQ(ridges.pointCount() + valleys.pointCount(), 0u);
        }
    }
}

TEST(SuggestiveLines, BumpAndPitSeenFromAboveOnTheInflectionCircle)
{
    // z = +-A exp(-rho^2 / (2 sigma^2)) seen from an eye high above its
    // centre. The radial direction w is the projection of the view vector,
    // so it lies in the vertical plane through the axis, and by symmetry it
    // is a principal direction: kr is the curvature of the profile,
    // f'' / (1 + f'^2)^(3/2), zero where f'' = A / sigma^2 (rho^2 / sigma^2
    // - 1) exp(...) is, on the circle rho = sigma. The mixed term II(w, w')
    // vanishes, so Dw kr = C(w, w, w), the derivative of the profile's
    // curvature along w. With the eye at height H over the centre, the view
    // vector in the profile's plane is (-rho, H - f), and its component
    // along the outward tangent (1, f') is -rho + (H - f) f'.
    // Bump: f' < 0, so w points inwards; going in across rho = sigma the
    // profile turns from concave (kr < 0) to convex: Dw kr > 0, a suggestive
    // contour. Pit: f'(sigma) = A / sigma e^-1/2, so for H - f > sigma^2
    // e^1/2 / A (0.5 model units here; the eye is at 20) w points outwards,
    // and going out across rho = sigma the profile turns from concave (the
    // floor) to convex (the rim): Dw kr > 0 again, a suggestive contour.
    // Neither has another zero of kr, so nothing else is drawn. A parallel
    // view straight down (orthographic) sees the same: its w also points
    // uphill, inwards on the bump and outwards in the pit.
    for (const DrawnSpacing& sp : spacings) {
        const double cell = sp.cellSize, sigma = 8 * cell, height = 4 * cell, r0 = 29.7, c0 = 30.4;
        for (const double sign : {1.0, -1.0}) {
            const Surface s(61, 61, sp, [&](double x, double y) {
                const double rho2 = std::pow(x - c0 * cell * sp.eastWestRatio, 2) + std::pow(y - r0 * cell, 2);
                return sign * height * std::exp(-rho2 / (2 * sigma * sigma));
            });
            for (const SurfaceEye& eye : {SurfaceEye{s.above(r0, c0, 20.0)}, SurfaceEye{gmVec3(0, 0, 1), true}}) {
                const Suggestive lines = suggestiveFrom(s, eye, 0.0);
                EXPECT_EQ(lines.contours.name, "suggestive contours");
                EXPECT_EQ(lines.highlights.pointCount(), 0u) << sign;
                int octants = 0;
                forEachPoint(lines.contours, [&](const float* p) {
                    const double dx = (s.column(p) - c0) * sp.eastWestRatio, dy = s.row(p) - r0;
                    EXPECT_LT(std::abs(std::hypot(dx, dy) - 8.0), 0.5) << sign;
                    octants |= 1 << int(std::floor((std::atan2(dy, dx) + M_PI) / (M_PI / 4)) + 8) % 8;
                });
                EXPECT_EQ(octants, 255) << "the whole circle, sign " << sign << " parallel " << eye.parallel;
                ASSERT_EQ(lines.contours.polylineCount(), 1u);
                const std::span<const float> loop = lines.contours.polyline(0);
                EXPECT_TRUE(std::equal(loop.begin(), loop.begin() + 3, loop.end() - 3)) << "a closed loop";
            }
        }
    }
}

TEST(SuggestiveLines, MoveWithTheEyeAndDoNotDependOnThreads)
{
    const DrawnSpacing sp = spacings[0];
    const Surface s(61, 61, sp, [&](double x, double y) {
        return 120 * std::exp(-(std::pow(x - sp.x(30), 2) + std::pow(y - sp.y(30), 2)) / (2 * 240.0 * 240.0));
    });
    const Suggestive fromAbove = suggestiveFrom(s, SurfaceEye{s.above(30, 30, 20.0)}, 0.0);
    const Suggestive oblique = suggestiveFrom(s, SurfaceEye{s.above(-40, 30, 1.0)}, 0.0);
    const Suggestive obliqueOneThread = suggestiveFrom(s, SurfaceEye{s.above(-40, 30, 1.0)}, 0.0, 1);
    ASSERT_GT(fromAbove.contours.pointCount(), 0u);
    ASSERT_GT(oblique.contours.pointCount(), 0u);
    // From the side the lines leave the circle of the view from above.
    double farthest = 0.0;
    forEachPoint(oblique.contours, [&](const float* p) {
        farthest = std::max(farthest, std::abs(std::hypot(s.column(p) - 30, s.row(p) - 30) - 8.0));
    });
    EXPECT_GT(farthest, 2.0);
    EXPECT_EQ(oblique.contours.points, obliqueOneThread.contours.points);
    EXPECT_EQ(oblique.contours.starts, obliqueOneThread.contours.starts);
    EXPECT_EQ(oblique.highlights.points, obliqueOneThread.highlights.points);
}

TEST(SurfaceLines, VoidsStopEveryLine)
{
    // A band of voids across rows 28 to 31: no face touching it is used, so
    // no point lies strictly between rows 27 and 32, and no polyline jumps
    // across the band; the lines go on at both sides.
    const DrawnSpacing sp = spacings[1];
    const auto band = [](unsigned r, unsigned) { return r >= 28 && r <= 31; };
    const double cell = sp.cellSize, sigma = 4 * cell;
    const Surface ridge(41, 60, sp, [&](double x, double) {
        return 4.8 * cell * std::exp(-std::pow(x - sp.x(20), 2) / (2 * sigma * sigma));
    }, band);
    const Surface bump(61, 61, sp, [&](double x, double y) {
        return 4 * cell * std::exp(-(std::pow(x - sp.x(30), 2) + std::pow(y - sp.y(30), 2)) / (2 * 4 * sigma * sigma));
    }, band);
    LineFamily ridges, valleys;
    ASSERT_TRUE(buildRidgeFamilies(ridge.curvature, ridge.vertices, defaultRidgeThreshold, ridges, valleys));
    const Suggestive lines = suggestiveFrom(bump, SurfaceEye{bump.above(30, 30, 20.0)}, 0.0);
    using Case = std::pair<const Surface*, const LineFamily*>;
    for (const auto& [surface, family] :
         {Case{&ridge, &ridges}, Case{&ridge, &valleys}, Case{&bump, &lines.contours}}) {
        ASSERT_GT(family->pointCount(), 0u) << family->name;
        bool before = false, after = false;
        forEachPoint(*family, [&](const float* p) {
            const double r = surface->row(p);
            EXPECT_FALSE(r > 27.0 + 1e-4 && r < 32.0 - 1e-4) << family->name << " row " << r;
            before = before || r < 27.5;
            after = after || r > 31.5;
        });
        EXPECT_TRUE(before && after) << family->name;
        EXPECT_LT(longestStep(*surface, *family), 2.0) << family->name;
    }
}

TEST(SurfaceLines, AMismatchedMeshOrAStopLeavesNoLines)
{
    const Surface s(20, 20, spacings[0], [](double x, double y) { return std::sin(x / 100) * std::cos(y / 80) * 50; });
    const std::vector<gmVec3> tooFew(s.vertices.begin(), s.vertices.end() - 1);
    LineFamily a, b;
    a.begin(0);
    a.add(1, 2, 3);
    a.add(4, 5, 6);
    RadialCurvature radial;
    {
        ConsoleCapture console;
        EXPECT_FALSE(buildRidgeFamilies(s.curvature, tooFew, 0.0, a, b));
        EXPECT_EQ(a.pointCount(), 0u);
        EXPECT_FALSE(computeRadialCurvature(s.curvature, tooFew, SurfaceEye{gmVec3(0, 0, 5)}, radial));
        EXPECT_FALSE(buildSuggestiveFamilies(radial, MeshGrid(20, 20, s.grid.valid), s.vertices, 0.0, a, b));
        const std::string text = console.text();
        EXPECT_NE(text.find("do not match the curvature of 20 x 20 samples; no ridges or valleys"), std::string::npos);
        EXPECT_NE(text.find("no suggestive lines"), std::string::npos);
    }
    // A stop request leaves empty families, not a part of the lines.
    ASSERT_TRUE(buildRidgeFamilies(s.curvature, s.vertices, 0.0, a, b));
    ASSERT_GT(a.pointCount() + b.pointCount(), 0u);
    ASSERT_TRUE(computeRadialCurvature(s.curvature, s.vertices, SurfaceEye{s.above(-20, 10, 1.0)}, radial));
    std::atomic<bool> stop{true};
    const StopScope scope(&stop);
    EXPECT_FALSE(buildRidgeFamilies(s.curvature, s.vertices, 0.0, a, b));
    EXPECT_EQ(a.pointCount() + b.pointCount(), 0u);
    EXPECT_FALSE(buildSuggestiveFamilies(radial, MeshGrid(20, 20, s.grid.valid), s.vertices, 0.0, a, b));
    EXPECT_EQ(a.pointCount() + b.pointCount(), 0u);
}

TEST(SurfaceLines, BundledTerrainWithVoidsDrawsOnlyBetweenValidSamples)
{
    JGrid g;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(g.loadFile(QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro_voids.asc")));
    }
    ASSERT_GT(g.voidCount, 0u);
    Surface s(1, 1, spacings[0], [](double, double) { return 0.0; });
    s.grid = std::move(g);
    s.spacing.eastWestRatio = s.grid.eastWestRatio;
    s.build();
    LineFamily ridges, valleys;
    ASSERT_TRUE(buildRidgeFamilies(s.curvature, s.vertices, defaultRidgeThreshold, ridges, valleys));
    const Suggestive lines = suggestiveFrom(s, SurfaceEye{s.above(-200, 200, 4.0)}, defaultSuggestiveThreshold);
    // A point lies on a mesh edge: a row edge, a column edge or a cell's
    // diagonal from its top-right to its bottom-left sample. Both ends of
    // that edge must be valid samples.
    const auto onValidEdge = [&](const float* p) {
        const double c = s.column(p), r = s.row(p);
        const double fc = c - std::round(c), fr = r - std::round(r);
        unsigned r0 = unsigned(std::floor(r)), c0 = unsigned(std::floor(c)), r1 = r0 + 1, c1 = c0 + 1;
        if (std::abs(fr) < 1e-3)
            r0 = r1 = unsigned(std::lround(r));
        else if (std::abs(fc) < 1e-3)
            c0 = c1 = unsigned(std::lround(c));
        else
            std::swap(c0, c1); // the diagonal runs from (r0, c0 + 1) to (r0 + 1, c0)
        return s.grid.isValid(r0, c0) && s.grid.isValid(r1, c1);
    };
    const LineFamily* families[] = {&ridges, &valleys, &lines.contours, &lines.highlights};
    for (const LineFamily* f : families) {
        EXPECT_GT(f->polylineCount(), 10u) << f->name;
        std::size_t outside = 0;
        forEachPoint(*f, [&](const float* p) { outside += !onValidEdge(p); });
        EXPECT_EQ(outside, 0u) << f->name;
    }
}
