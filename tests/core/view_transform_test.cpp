#include "view_transform.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A 403 x 344 grid's mesh extent: x east 0 to 8.04, y south 0 to 6.86.
const gmVec3 low(0.0, 0.0, 0.0), high(8.04, 6.86, 0.5);

double determinant(const Matrix4& m)
{
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

void expectNear(const gmVec3& a, const gmVec3& b, double tolerance = 1e-9)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance) << k;
}

// Normalised device coordinates of a mesh point.
gmVec3 ndc(const ViewState& view, const LevelPlacement& placement, int w, int h, const gmVec3& p)
{
    const gmVec3 eye = transformPoint(modelViewMatrix(view, placement), p);
    const Matrix4 m = projectionMatrix(view, placement, w, h);
    const double cw = m[3] * eye[0] + m[7] * eye[1] + m[11] * eye[2] + m[15];
    return gmVec3(m[0] * eye[0] + m[4] * eye[1] + m[8] * eye[2] + m[12],
                  m[1] * eye[0] + m[5] * eye[1] + m[9] * eye[2] + m[13],
                  m[2] * eye[0] + m[6] * eye[1] + m[10] * eye[2] + m[14]) /
           cw;
}

} // namespace

// Rows grow southwards: the scene mirrors them, so that north lies away from
// the eye in the start view and up in the map view, east on the right, and
// the picture is not a mirror image (the mapping from east, north, up to the
// eye keeps its handedness).
TEST(ViewTransform, NorthAwayOrUpEastRightNotMirrored)
{
    const LevelPlacement placement = placeLevel(low, high, 1.0);
    const gmVec3 northEast(8.04, 0.0, 0.0), southWest(0.0, 6.86, 0.0);
    ViewState start;
    const Matrix4 m = modelViewMatrix(start, placement);
    const gmVec3 ne = transformPoint(m, northEast), sw = transformPoint(m, southWest);
    EXPECT_GT(ne[0], sw[0]); // east on the right
    EXPECT_LT(ne[2], sw[2]); // north farther from the eye
    EXPECT_GT(ne[1], sw[1]); // and so higher on the screen
    // Mesh axes east, south, up: a mirror of east, north, up.
    EXPECT_LT(determinant(m), 0.0);

    ViewState map;
    map.xRot = 75.0f;
    map.orthographic = true;
    const Matrix4 down = modelViewMatrix(map, placement);
    const gmVec3 e = transformPoint(down, gmVec3(1, 0, 0)) - transformPoint(down, gmVec3());
    const gmVec3 n = transformPoint(down, gmVec3(0, -1, 0)) - transformPoint(down, gmVec3());
    expectNear(e / e.length(), gmVec3(1, 0, 0), 1e-12);
    expectNear(n / n.length(), gmVec3(0, 1, 0), 1e-12);
    EXPECT_TRUE(isMapView(map));
    map.zRot = 30.0f; // north turned away from the top: still a map
    EXPECT_TRUE(isMapView(map));
    map.xRot = 74.0f;
    EXPECT_FALSE(isMapView(map));
    map.xRot = 75.0f;
    map.orthographic = false;
    EXPECT_FALSE(isMapView(map));
}

// At the start values the loaded level lies where the plain transform
// (translate, scale 2, rotate 285) puts its mirror image about its middle
// row: the same place on the screen. Turning keeps the centre where it is,
// and a coarser level drawn at its spacing covers the same place.
TEST(ViewTransform, StartPlaceTurningAboutTheCentreAndLevelsAlike)
{
    const LevelPlacement placement = placeLevel(low, high, 1.0);
    const ViewState start;
    const Matrix4 m = modelViewMatrix(start, placement);
    const double c = std::cos(285.0 * M_PI / 180.0), s = std::sin(285.0 * M_PI / 180.0);
    for (const gmVec3& p : {low, high, gmVec3(8.04, 0.0, 0.2), gmVec3(1.0, 5.0, 0.1)}) {
        const double y = 6.86 - p[1], z = p[2];
        expectNear(transformPoint(m, p),
                   gmVec3(2.0 * p[0] - 3.5, 2.0 * (c * y - s * z) - 3.0, 2.0 * (s * y + c * z) - 7.0));
    }

    ViewState turned = start;
    turned.xRot = 40.0f;
    turned.yRot = 10.0f;
    turned.zRot = 200.0f;
    const Matrix4 t = modelViewMatrix(turned, placement);
    expectNear(transformPoint(t, placement.centre), transformPoint(m, placement.centre));
    EXPECT_GT((transformPoint(t, low) - transformPoint(m, low)).length(), 1.0);

    // One coarsening: half the extent, drawn at spacing 2.
    const LevelPlacement coarse = placeLevel(low * 0.5, high * 0.5, 2.0);
    const Matrix4 k = modelViewMatrix(turned, coarse);
    expectNear(transformPoint(k, high * 0.5), transformPoint(t, high));
    expectNear(pointInLevel(high, placement, coarse), high * 0.5);
    // A copy placed beside a level shares its centre's place.
    const LevelPlacement beside = placeBeside(placement, low * 0.5 + gmVec3(0.01, 0, 0), high * 0.5, 2.0);
    expectNear(transformPoint(modelViewMatrix(turned, beside), beside.centre), transformPoint(t, placement.centre));

    // The inverse takes eye points back to the mesh, mirror and all.
    const Matrix4 inverse = inverseModelView(k);
    expectNear(transformPoint(inverse, transformPoint(k, gmVec3(1.5, -2.0, 0.7))), gmVec3(1.5, -2.0, 0.7));
}

// Perspective: the start frustum (near 0.5, far 200) grown with the level's
// spacing, nearer for a small terrain. Orthographic: the shorter side spans the centre's depth either
// way, so that switching keeps the terrain's size at its centre and the
// dolly zooms; the depth range holds the whole level.
TEST(ViewTransform, PerspectiveAndOrthographicProjections)
{
    const LevelPlacement placement = placeLevel(low, high, 1.0);
    ViewState view;
    Matrix4 p = projectionMatrix(view, placement, 800, 400);
    EXPECT_DOUBLE_EQ(p[0], 0.5);
    EXPECT_DOUBLE_EQ(p[5], 1.0);
    EXPECT_NEAR(p[14] / (p[10] - 1.0), 0.5, 1e-12);
    EXPECT_NEAR(p[14] / (p[10] + 1.0), 200.0, 1e-9);
    const LevelPlacement coarse = placeLevel(low, high, 4.0);
    p = projectionMatrix(view, coarse, 400, 800);
    EXPECT_DOUBLE_EQ(p[0], 1.0);
    EXPECT_DOUBLE_EQ(p[5], 0.5);
    EXPECT_NEAR(p[14] / (p[10] - 1.0), 2.0, 1e-12);
    EXPECT_NEAR(p[14] / (p[10] + 1.0), 800.0, 1e-9);
    // A small terrain: the near plane comes to a twentieth of its radius,
    // and nearer, no nearer than a 2000th, as the terrain comes nearer.
    const LevelPlacement small = placeLevel(gmVec3(), gmVec3(0.3, 0.4, 0.0), 1.0);
    EXPECT_NEAR(nearPlane(view, small), 0.25 * 2.0 / 20.0, 1e-15);
    EXPECT_EQ(nearPlane(view, placement), 0.5);
    ViewState close = view;
    close.xRot = 75.0f; // the flat terrain faces the eye
    const double away = -transformPoint(modelViewMatrix(close, small), small.centre)[2];
    close.zTrans = float(away - 0.02); // 0.02 in front of the eye
    EXPECT_NEAR(nearPlane(close, small), 0.9 * 0.02, 1e-6);
    close.zTrans = float(away);
    EXPECT_NEAR(nearPlane(close, small), 0.25 * 2.0 / 2000.0, 1e-15);
    const Matrix4 identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(projectionMatrix(view, placement, 0, 400), identity);

    const gmVec3 centre = placement.centre;
    const double depth = -transformPoint(modelViewMatrix(view, placement), centre)[2];
    // A point beside the centre at the edge of the perspective view...
    const gmVec3 perspectiveEdge = ndc(view, placement, 400, 400, centre + gmVec3(0.5 * depth / 2.0, 0, 0));
    view.orthographic = true;
    const gmVec3 orthographicEdge = ndc(view, placement, 400, 400, centre + gmVec3(0.5 * depth / 2.0, 0, 0));
    // ...lies at the same place in the orthographic one.
    EXPECT_NEAR(orthographicEdge[0], perspectiveEdge[0], 1e-9);
    EXPECT_NEAR(orthographicEdge[0] - ndc(view, placement, 400, 400, centre)[0], 0.5, 1e-9);
    // Every corner of the level lies within the depth range.
    for (const gmVec3& corner : {low, high, gmVec3(8.04, 0, 0.5), gmVec3(0, 6.86, 0)}) {
        const double z = ndc(view, placement, 400, 400, corner)[2];
        EXPECT_GT(z, -1.0);
        EXPECT_LT(z, 1.0);
    }
    // Dollying nearer halves the view's span.
    view.zTrans = float(depth / 2.0);
    EXPECT_NEAR(ndc(view, placement, 400, 400, centre + gmVec3(0.5 * depth / 2.0, 0, 0))[0] -
                    ndc(view, placement, 400, 400, centre)[0],
                1.0, 1e-6);
}
