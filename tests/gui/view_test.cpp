#include "glnprgrid.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Frustum {
    double left, right, bottom, top, nearPlane, farPlane;
};

// Reads the projection matrix back from GL and recovers the glFrustum bounds.
Frustum projectionOf(GLNPRGrid& view)
{
    view.makeCurrent();
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    view.doneCurrent();
    const double n = m[14] / (m[10] - 1.0);
    const double f = m[14] / (m[10] + 1.0);
    const double width = 2.0 * n / m[0], height = 2.0 * n / m[5];
    const double xCentre = m[8] * width / 2.0, yCentre = m[9] * height / 2.0;
    return {xCentre - width / 2, xCentre + width / 2, yCentre - height / 2, yCentre + height / 2, n, f};
}

Frustum frustumForSize(int w, int h)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.resize(w, h);
    view.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.grabFramebuffer(); // makes sure resizeGL has run at this size
    EXPECT_EQ(view.viewWidth, w);
    EXPECT_EQ(view.viewHeight, h);
    return projectionOf(view);
}

void expectFrustum(const Frustum& f, double l, double r, double b, double t)
{
    EXPECT_NEAR(f.left, l, 1e-6);
    EXPECT_NEAR(f.right, r, 1e-6);
    EXPECT_NEAR(f.bottom, b, 1e-6);
    EXPECT_NEAR(f.top, t, 1e-6);
    EXPECT_NEAR(f.nearPlane, 0.5, 1e-6);
    EXPECT_NEAR(f.farPlane, 200.0, 0.01); // ill-conditioned through the float matrix
}

} // namespace

TEST(ViewWidget, DefaultsAfterConstruction)
{
    GLNPRGrid view(nullptr, "glgrid");
    EXPECT_EQ(view.objectName(), QString("glgrid"));
    EXPECT_EQ(view.viewScale, 2.0f);
    EXPECT_EQ(view.xRot, 0.0f);
    EXPECT_EQ(view.zTrans, 0.0f);
    EXPECT_EQ(view.lightPosition, gmVec3(1000, 1000, 1000));
    EXPECT_EQ(view.silThreshold, 0.2f);
    EXPECT_EQ(view.lightSilThreshold, 0.2f);
    EXPECT_TRUE(view.showSilhouettes);
    EXPECT_FALSE(view.showPolygons);
    EXPECT_FALSE(view.showLightSilhouettes);
    EXPECT_FALSE(view.curvatureStrokes);
    EXPECT_TRUE(view.drawF1Curvature);
    EXPECT_FALSE(view.silLocked);
    EXPECT_TRUE(view.gridDirty);
    EXPECT_EQ(view.polygonList, 0u);
    EXPECT_EQ(view.curvatureList, 0u);
    EXPECT_FALSE(view.grid.loaded);
}

TEST(ViewWidget, FrustumKeepsTheShorterSideAtUnitSpan)
{
    expectFrustum(frustumForSize(400, 400), -0.5, 0.5, -0.5, 0.5);
    expectFrustum(frustumForSize(800, 400), -1.0, 1.0, -0.5, 0.5);
    expectFrustum(frustumForSize(400, 800), -0.5, 0.5, -1.0, 1.0);
}

TEST(ViewWidget, FrameBeforeAnyLoadIsWhite)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.showPolygons = true;
    view.showLightSilhouettes = true;
    view.resize(320, 240);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QImage frame = view.grabFramebuffer();
    ASSERT_EQ(frame.width(), 320);
    ASSERT_EQ(frame.height(), 240);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            ASSERT_EQ(frame.pixel(x, y) & 0xffffff, 0xffffffu) << x << "," << y;
}

TEST(ViewWidget, GlStateOfTheView)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.resize(100, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.grabFramebuffer();
    view.makeCurrent();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    GLdouble mv[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    view.doneCurrent();
    // With all angles 0 the terrain's height axis turns to (0, 0.966, 0.259),
    // scaled by 2, and the scene moves to (-3.5, -3, -7).
    EXPECT_NEAR(mv[8], 0.0, 1e-6);
    EXPECT_NEAR(mv[9], 2.0 * 0.96592583, 1e-5);
    EXPECT_NEAR(mv[10], 2.0 * 0.25881905, 1e-5);
    EXPECT_NEAR(mv[12], -3.5, 1e-6);
    EXPECT_NEAR(mv[13], -3.0, 1e-6);
    EXPECT_NEAR(mv[14], -7.0, 1e-6);
}
