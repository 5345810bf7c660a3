#include "view_fit.h"

#include "terrain_mesh.h"

#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Extremes {
    double lowX = 1e9, highX = -1e9, lowY = 1e9, highY = -1e9;
};

// Where the drawn vertices land in normalised device coordinates (-1 to 1
// across the view), with every one in front of the near plane.
Extremes projected(const std::vector<gmVec3>& vertices, const std::vector<Face>& faces, const ViewState& view,
                   const LevelPlacement& placement, int w, int h)
{
    const Matrix4 m = modelViewMatrix(view, placement), p = projectionMatrix(view, placement, w, h);
    Extremes e;
    for (const Face& f : faces)
        for (const std::uint32_t v : f.v) {
            const gmVec3 q = transformPoint(m, vertices[v]);
            const double cw = p[11] * q[2] + p[15];
            const double x = (p[0] * q[0]) / cw, y = (p[5] * q[1]) / cw, z = (p[10] * q[2] + p[14]) / cw;
            EXPECT_GT(z, -1.0);
            EXPECT_LT(z, 1.0);
            e.lowX = std::min(e.lowX, x);
            e.highX = std::max(e.highX, x);
            e.lowY = std::min(e.lowY, y);
            e.highY = std::max(e.highY, y);
        }
    return e;
}

} // namespace

TEST(ViewFit, DrawnExtentLeavesVoidsOut)
{
    EXPECT_FALSE(drawnExtent({}, {}).has_value());
    const std::vector<gmVec3> points{{1, -2, 3}, {-4, 5, 0.5}, {2, 0, -1}, {100, 100, 100}};
    const std::vector<Face> faces{{{0, 1, 2}}};
    const auto box = drawnExtent(points, faces);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->low, gmVec3(-4, -2, -1));
    EXPECT_EQ(box->high, gmVec3(2, 5, 3)); // vertex 3 is in no face
}

TEST(ViewFit, FlatSquareSeenFromAbove)
{
    // xRot 75 cancels the base rotation: the square x, y in [0, 2] faces the
    // camera. Its centre (1, 1, 0) sits at (1, cos 285, sin 285) before the
    // pan: centred, and 2 / 1.9 in front of the camera, its corners lie at
    // 0.95 of the half extents of a square view.
    const std::vector<gmVec3> square{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}};
    const std::vector<Face> faces{{{1, 0, 2}}, {{1, 2, 3}}};
    const LevelPlacement placement = placeLevel(gmVec3(0, 0, 0), gmVec3(2, 2, 0), 1.0);
    ViewState view;
    view.xRot = 75.0f;
    view.scale = 1.0f;
    const double c = std::cos(285.0 * M_PI / 180.0), s = std::sin(285.0 * M_PI / 180.0);
    const auto fit = fitViewTranslation(square, faces, view, placement, 400, 400);
    ASSERT_TRUE(fit.has_value());
    EXPECT_NEAR(fit->x, 2.5f, 1e-5);
    EXPECT_NEAR(fit->y, 3.0 - c, 1e-5);
    EXPECT_NEAR(fit->z, 7.0 - 2.0 / 1.9 - s, 1e-5);
    // A view twice as wide as high: the height decides, the same fit.
    const auto wide = fitViewTranslation(square, faces, view, placement, 800, 400);
    ASSERT_TRUE(wide.has_value());
    EXPECT_NEAR(wide->z, fit->z, 1e-5);
    // Orthographic: the square spans 0.95 of the view at its centre's depth.
    view.orthographic = true;
    const auto flat = fitViewTranslation(square, faces, view, placement, 400, 400);
    ASSERT_TRUE(flat.has_value());
    EXPECT_NEAR(flat->x, 2.5f, 1e-5);
    EXPECT_NEAR(flat->z, 7.0 - 1.0 / 0.95 - s, 1e-5);

    EXPECT_FALSE(fitViewTranslation(square, faces, view, placement, 0, 400).has_value());
    EXPECT_FALSE(fitViewTranslation(square, {}, view, placement, 400, 400).has_value());
}

// A small valid island off the middle of a grid of voids: Fit frames the
// island, not the grid, touching two opposite sides of the view at 0.95 of
// its half extent and centred on the other axis, at any rotation and window
// shape, in both projections.
TEST(ViewFit, FillsAndCentresTheValidAreaAtEveryRotationAndShape)
{
    JGrid grid;
    fillTestGrid(grid, 60, 50, 30.0f, [](unsigned r, unsigned c) {
        return float(300.0 + 120.0 * std::sin(r * 0.3) * std::cos(c * 0.2));
    });
    grid.valid = ValidMask(50, 60, 0);
    for (unsigned r = 30; r <= 42; ++r)
        for (unsigned c = 8; c <= 25; ++c)
            grid.valid[r][c] = 1;
    std::vector<gmVec3> vertices, normals, faceNormals;
    std::vector<Face> faces;
    buildTerrainMesh(grid, vertices, normals, faces, faceNormals);
    const auto extent = drawnExtent(vertices, faces);
    ASSERT_TRUE(extent.has_value());
    EXPECT_NEAR(extent->low[0], 8 / 50.0, 1e-12);
    EXPECT_NEAR(extent->high[1], 42 / 50.0, 1e-12);
    const LevelPlacement placement = placeLevel(extent->low, extent->high, 1.0);

    const int angles[][3] = {{0, 0, 0}, {30, 0, 0}, {75, 0, 0}, {40, 0, 120}, {-60, 30, 200}};
    const int shapes[][2] = {{699, 500}, {300, 640}};
    for (const bool orthographic : {false, true})
        for (const auto& a : angles)
            for (const auto& shape : shapes) {
                SCOPED_TRACE(testing::Message() << (orthographic ? "orthographic " : "perspective ") << a[0] << " "
                                                << a[1] << " " << a[2] << ", " << shape[0] << " x " << shape[1]);
                ViewState view;
                view.xRot = float(a[0]);
                view.yRot = float(a[1]);
                view.zRot = float(a[2]);
                view.scale = 4.0f;
                view.xTrans = 40.0f; // far off to start with
                view.orthographic = orthographic;
                const auto fit = fitViewTranslation(vertices, faces, view, placement, shape[0], shape[1]);
                ASSERT_TRUE(fit.has_value());
                view.xTrans = fit->x;
                view.yTrans = fit->y;
                view.zTrans = fit->z;
                const Extremes e = projected(vertices, faces, view, placement, shape[0], shape[1]);
                EXPECT_GE(e.lowX, -0.95 - 1e-4);
                EXPECT_LE(e.highX, 0.95 + 1e-4);
                EXPECT_GE(e.lowY, -0.95 - 1e-4);
                EXPECT_LE(e.highY, 0.95 + 1e-4);
                const bool xFills = e.highX - e.lowX > 1.9 - 1e-3, yFills = e.highY - e.lowY > 1.9 - 1e-3;
                EXPECT_TRUE(xFills || yFills);
                EXPECT_NEAR(e.highX + e.lowX, 0.0, 1e-4);
                EXPECT_NEAR(e.highY + e.lowY, 0.0, 1e-4);
            }
}

// Seen at a grazing angle across a corner, the island would fill the view
// only with the eye at that corner: Fit stops a tenth of its radius away,
// centred.
TEST(ViewFit, AGrazingViewAcrossACornerIsCentredAtATenthOfTheRadius)
{
    std::vector<gmVec3> square;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c)
            square.emplace_back(c / 50.0, r / 50.0, 0.0);
    std::vector<Face> faces;
    for (std::uint32_t r = 0; r < 9; ++r)
        for (std::uint32_t c = 0; c < 9; ++c) {
            const std::uint32_t a = r * 10 + c;
            faces.push_back({{a + 1, a, a + 10}});
            faces.push_back({{a + 1, a + 10, a + 11}});
        }
    const LevelPlacement placement = placeLevel(gmVec3(), gmVec3(0.18, 0.18, 0.0), 1.0);
    ViewState view;
    view.zRot = 45.0f;
    const auto fit = fitViewTranslation(square, faces, view, placement, 699, 500);
    ASSERT_TRUE(fit.has_value());
    view.xTrans = fit->x;
    view.yTrans = fit->y;
    view.zTrans = fit->z;
    const Extremes e = projected(square, faces, view, placement, 699, 500);
    EXPECT_LT(e.highX - e.lowX, 1.9 - 1e-3);
    EXPECT_NEAR(e.highX + e.lowX, 0.0, 1e-4);
    EXPECT_NEAR(e.highY + e.lowY, 0.0, 1e-4);
    double nearest = 1e9;
    for (const gmVec3& p : square)
        nearest = std::min(nearest, -transformPoint(modelViewMatrix(view, placement), p)[2]);
    EXPECT_NEAR(nearest, 0.1 * 2.0 * std::sqrt(2.0) * 0.09, 1e-5);
}

TEST(ViewFit, NearPlaneHoldsAnEdgeOnTerrain)
{
    // A strip seen edge-on has no extent across the view: it is put just
    // beyond the near plane, not on the camera.
    const std::vector<gmVec3> strip{{0, 0, 0}, {0, 1, 0}, {0, 0, 1e-9}};
    const std::vector<Face> faces{{{0, 1, 2}}};
    const LevelPlacement placement = placeLevel(gmVec3(0, 0, 0), gmVec3(0, 1, 1e-9), 1.0);
    ViewState view;
    view.xRot = -15.0f; // 270 about x: the strip points at the camera
    view.scale = 1.0f;
    const auto fit = fitViewTranslation(strip, faces, view, placement, 400, 400);
    ASSERT_TRUE(fit.has_value());
    view.zTrans = fit->z;
    const Matrix4 m = modelViewMatrix(view, placement);
    for (const gmVec3& p : strip)
        EXPECT_LT(transformPoint(m, p)[2], -nearPlane(view, placement));
}
