// The view's mesh, passes and surface list, checked on the data they leave.
#include "render_test_support.h"

#include "support/console_capture.h"

#include <QSignalSpy>

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using namespace rendertest;

namespace {

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

bool sameEdges(const EdgeBuffer& a, const EdgeBuffer& b)
{
    if (a.edgeCount() != b.edgeCount() || a.rowCount() != b.rowCount())
        return false;
    for (std::size_t k = 0; k < a.edgeCount(); ++k) {
        const Edge &x = a.edges()[k], &y = b.edges()[k];
        if (x.other != y.other || x.border != y.border || x.front != y.front || x.back != y.back
            || x.used != y.used || x.s != y.s)
            return false;
    }
    return true;
}

} // namespace

TEST(ViewMesh, FindCurvatureBuildsTheMeshOfTheRealTerrain)
{
    GLNPRGrid view(nullptr, "glgrid");
    ASSERT_TRUE(view.grid.loadGRD(dataFile("jacksboro.grd")));
    ConsoleCapture console;
    EXPECT_TRUE(view.findCurvature());
    EXPECT_EQ(console.text(), "starting to find curvature\ndone finding curvature\n");
    const std::size_t w = 403, h = 344;
    EXPECT_EQ(view.vertices.size(), w * h);
    EXPECT_EQ(view.vertexNormals.size(), w * h);
    EXPECT_EQ(view.faces.size(), 2 * (w - 1) * (h - 1));
    EXPECT_EQ(view.faceNormals.size(), view.faces.size());
    const std::size_t edges = (w - 1) * h + w * (h - 1) + (w - 1) * (h - 1);
    EXPECT_EQ(view.silhouetteEdges.edgeCount(), edges);
    EXPECT_EQ(view.lightSilhouetteEdges.edgeCount(), edges);
    EXPECT_EQ(view.frames.size(), edges);
    // The lowest sample (236 m) lies at z = 0, the highest 840 m above it.
    double lowest = 1e9, highest = -1e9;
    for (const gmVec3& v : view.vertices) {
        lowest = std::min(lowest, v[2]);
        highest = std::max(highest, v[2]);
    }
    EXPECT_EQ(lowest, 0.0);
    EXPECT_NEAR(highest, 840.0 / (view.grid.cellSize.value() * 0.9 * 50.0), 1e-6);

    // A second run rebuilds everything identically.
    const std::vector<gmVec3> vertices = view.vertices, faceNormals = view.faceNormals;
    const std::vector<Face> faces = view.faces;
    const std::vector<CurvatureFrame> frames = view.frames;
    const EdgeBuffer edgesBefore = view.silhouetteEdges;
    ConsoleCapture again;
    view.findCurvature();
    EXPECT_EQ(again.text(), "starting to find curvature\ndone finding curvature\n");
    EXPECT_TRUE(sameBytes(vertices, view.vertices));
    EXPECT_TRUE(sameBytes(faceNormals, view.faceNormals));
    EXPECT_TRUE(sameBytes(faces, view.faces));
    EXPECT_TRUE(sameBytes(frames, view.frames));
    EXPECT_TRUE(sameEdges(edgesBefore, view.silhouetteEdges));
}

TEST(ViewMesh, NothingLoadedMeansNoMeshAndNoOutput)
{
    GLNPRGrid view(nullptr, "glgrid");
    ConsoleCapture console;
    EXPECT_FALSE(view.findCurvature());
    EXPECT_EQ(console.text(), "");
    EXPECT_TRUE(view.vertices.empty());
    EXPECT_TRUE(view.frames.empty());
    EXPECT_EQ(view.curvatureList, 0u);
}

TEST(ViewMesh, ClearEdgeDataKeepsOnlyTheFrames)
{
    GLNPRGrid view(nullptr, "glgrid");
    fillGrid(view, 20, 15, hills);
    view.findCurvature();
    view.clearEdgeData();
    EXPECT_TRUE(view.vertices.empty());
    EXPECT_TRUE(view.vertexNormals.empty());
    EXPECT_TRUE(view.faces.empty());
    EXPECT_TRUE(view.faceNormals.empty());
    EXPECT_EQ(view.silhouetteEdges.rowCount(), 0u);
    EXPECT_EQ(view.lightSilhouetteEdges.rowCount(), 0u);
    EXPECT_EQ(view.frames.size(), std::size_t(19 * 15 + 20 * 14 + 19 * 14));
}

TEST(ViewMesh, OccluderBufferFollowsTheMesh)
{
    auto view = emptyView(200, 150);
    view->grabFramebuffer();
    fillGrid(*view, 20, 15, hills);
    view->findCurvature(); // the view has a context: uploaded at once
    EXPECT_NE(view->curvatureList, 0u);

    JGrid& g = view->grid;
    g.clear();
    fillGrid(*view, 1, 1, hills);
    view->findCurvature(); // a single sample has no occluder
    EXPECT_EQ(view->curvatureList, 0u);
}

TEST(ViewPasses, EyeIsTheCameraOfTheViewTransform)
{
    auto view = emptyView(400, 300);
    view->xRot = 40;
    view->zRot = 75;
    view->xTrans = 0.5f;
    view->grabFramebuffer(); // paint: the matrices are those of this view
    view->makeCurrent();
    const gmVec3 eye = view->eyePosition();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    view->doneCurrent();
    // In eye space the estimate lies on the axis, 0.0025 in front of the
    // camera: 2 x near - (the point at window depth 0.5, z = -2fn/(f+n)).
    const double x = m[0] * eye[0] + m[4] * eye[1] + m[8] * eye[2] + m[12];
    const double y = m[1] * eye[0] + m[5] * eye[1] + m[9] * eye[2] + m[13];
    const double z = m[2] * eye[0] + m[6] * eye[1] + m[10] * eye[2] + m[14];
    EXPECT_NEAR(x, 0.0, 1e-5);
    EXPECT_NEAR(y, 0.0, 1e-5);
    EXPECT_NEAR(z, -1.0 + 2.0 * 200.0 * 0.5 / 200.5, 1e-5);

    // Orthographic: the rays are parallel to the axis; the eye lies far back
    // on it, and the direction towards it is the axis in model coordinates.
    view->setOrthographic(true);
    view->grabFramebuffer();
    view->makeCurrent();
    const gmVec3 far = view->eyePosition();
    const gmVec3 towards = view->eyeDirection();
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    view->doneCurrent();
    const auto eyeSpace = [&](const gmVec3& p, double w) {
        return gmVec3(m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + w * m[12],
                      m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + w * m[13],
                      m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + w * m[14]);
    };
    const gmVec3 axis = eyeSpace(towards, 0.0);
    EXPECT_NEAR(towards.length(), 1.0, 1e-12);
    EXPECT_NEAR(axis[0], 0.0, 1e-6);
    EXPECT_NEAR(axis[1], 0.0, 1e-6);
    EXPECT_GT(axis[2], 0.0);
    const gmVec3 back = eyeSpace(far, 1.0);
    EXPECT_NEAR(back[0] / back[2], 0.0, 1e-6);
    EXPECT_NEAR(back[1] / back[2], 0.0, 1e-6);
    EXPECT_GT(back[2], 1e7);
}

TEST(ViewPasses, ReclassifyOnlyWhenEyeThresholdOrMeshChange)
{
    auto view = emptyView(300, 200);
    fillGrid(*view, 40, 30, hills);
    view->findCurvature();
    view->showLightSilhouettes = true;
    view->grabFramebuffer();
    LinePass& sil = view->silhouettePass;
    LinePass& light = view->lightSilhouettePass;
    EXPECT_EQ(sil.lastThreshold, 0.2f);
    EXPECT_EQ(light.lastThreshold, 0.2f);
    EXPECT_EQ(light.lastPoint, gmVec3(1000, 1000, 1000));
    EXPECT_GT(view->lastPaintTimes.edgesDrawn, 0u);

    // Locked: rotating keeps the classification of the remembered eye.
    view->silLocked = true;
    const gmVec3 lockedEye = sil.lastPoint;
    const EdgeBuffer before = view->silhouetteEdges;
    view->xRot = 50;
    view->grabFramebuffer();
    EXPECT_EQ(sil.lastPoint, lockedEye);
    EXPECT_TRUE(sameEdges(before, view->silhouetteEdges));
    // Unlocked: the next paint classifies for the new eye.
    view->silLocked = false;
    view->grabFramebuffer();
    EXPECT_NE(sil.lastPoint, lockedEye);
    EXPECT_FALSE(sameEdges(before, view->silhouetteEdges));

    // One slider step reclassifies even with the eye unchanged.
    view->silThreshold = 0.21f;
    view->grabFramebuffer();
    EXPECT_EQ(sil.lastThreshold, 0.21f);

    // A refinement changes the vertex count: both passes reclassify, the
    // light pass though the light did not move.
    view->clearEdgeData();
    ASSERT_TRUE(view->grid.subdivideWithDetails());
    view->findCurvature();
    view->grabFramebuffer();
    EXPECT_EQ(sil.lastVertexCount, view->vertices.size());
    EXPECT_EQ(light.lastVertexCount, view->vertices.size());
    EXPECT_EQ(light.lastVertexCount, std::size_t(78 * 58));
    bool classified = false;
    for (const Edge& e : view->lightSilhouetteEdges.edges())
        classified = classified || e.front || e.back;
    EXPECT_TRUE(classified);
}

TEST(ViewPasses, LightPassOutsideAPaintOnlyClassifies)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.drawLightSilhouettes(); // no grid, no context: nothing to do, no crash
    EXPECT_EQ(view.lightSilhouettePass.lastVertexCount, 0u);
    fillGrid(view, 12, 10, hills);
    view.findCurvature();
    view.drawLightSilhouettes();
    EXPECT_EQ(view.lightSilhouettePass.lastVertexCount, 120u);
    EXPECT_EQ(view.lastPaintTimes.edgesDrawn, 0u);
}

TEST(ViewSurface, ListOnlyForMidSizedGrids)
{
    for (const unsigned w : {50u, 51u}) {
        auto view = emptyView(200, 150);
        fillGrid(*view, w, 50, hills);
        view->findCurvature();
        view->showPolygons = true;
        ConsoleCapture console;
        view->grabFramebuffer();
        EXPECT_EQ(console.text(), "Draw Grid . . . Done\n");
        EXPECT_FALSE(view->gridDirty);
        if (w == 50)
            EXPECT_EQ(view->polygonList, 0u) << "2500 vertices are drawn directly";
        else
            EXPECT_NE(view->polygonList, 0u) << "2550 vertices are compiled into a list";
    }
}

TEST(ViewDrawing, DrawEdgesWithoutVerticesOnlySetsBlackAndWidthOne)
{
    auto view = emptyView(100, 100);
    view->grabFramebuffer();
    view->makeCurrent();
    glColor3f(0.5f, 0.5f, 0.5f);
    glLineWidth(3.0f);
    const float white[3] = {1.0f, 1.0f, 1.0f};
    EdgeBuffer().drawEdges({}, {}, {}, white, false);
    GLfloat colour[4], width = 0.0f;
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_LINE_WIDTH, &width);
    const GLenum error = glGetError();
    view->doneCurrent();
    EXPECT_EQ(colour[0], 0.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 0.0f);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(error, GLenum(GL_NO_ERROR));
}

// Fit Terrain in the widget: on a terrain whose voids surround a small
// valid area, the drawn terrain touches two opposite sides of the picture
// (within 5%) and is centred on the other axis (within 2%), in perspective
// and orthographic, in a wide and a tall window.
TEST(ViewFitTerrain, FillsAndCentresTheValidAreaInThePicture)
{
    for (const QSize size : {QSize(500, 300), QSize(240, 400)}) {
        auto view = emptyView(size.width(), size.height());
        fillGrid(*view, 60, 50, hills);
        JGrid& g = view->grid;
        g.valid = ValidMask(50, 60, 0);
        for (unsigned r = 30; r <= 42; ++r)
            for (unsigned c = 8; c <= 25; ++c)
                g.valid[r][c] = 1;
        view->findCurvature();
        const int angles[][3] = {{0, 0, 0}, {30, 0, 0}, {40, 0, 120}};
        for (const bool orthographic : {false, true})
            for (const auto& a : angles) {
                SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height() << ", "
                                                << (orthographic ? "orthographic " : "perspective ") << a[0] << " "
                                                << a[1] << " " << a[2]);
                view->setOrthographic(orthographic);
                view->setXRotation(a[0]);
                view->setYRotation(a[1]);
                view->setZRotation(a[2]);
                view->xTrans = 40.0f; // far off to start with
                view->fitTerrain();
                const QImage picture = view->grabFramebuffer();
                const QRect box = inkBox(picture, 200);
                ASSERT_FALSE(box.isEmpty());
                const int left = box.left(), right = box.right(), top = box.top(), bottom = box.bottom();
                const double w = picture.width(), h = picture.height();
                const double marginX = std::max(left / w, (w - 1 - right) / w);
                const double marginY = std::max(top / h, (h - 1 - bottom) / h);
                EXPECT_TRUE(marginX <= 0.05 || marginY <= 0.05) << marginX << " " << marginY;
                EXPECT_LE(std::abs(left + right + 1 - w) / (2.0 * w), 0.02);
                EXPECT_LE(std::abs(top + bottom + 1 - h) / (2.0 * h), 0.02);
            }
    }
}

// Coarsen and Refine keep the terrain's size and place on the screen: each
// level is drawn at its spacing, turned about the centre of its extent.
TEST(ViewLevels, CoarsenAndRefineKeepTheProjectedExtent)
{
    auto view = emptyView(600, 450);
    view->loadFile(dataFile("jacksboro_voids.tif"));
    view->waitForWork();
    view->setXRotation(30);
    view->setZRotation(40);
    view->fitTerrain();
    view->settleView();
    const QRect full = inkBox(view->grabFramebuffer());
    const auto expectSame = [&](const QRect& box) {
        for (const auto& [a, b, side] : {std::tuple{box.left(), full.left(), 600}, {box.right(), full.right(), 600},
                                         {box.top(), full.top(), 450}, {box.bottom(), full.bottom(), 450}})
            EXPECT_LE(std::abs(a - b), 0.02 * side) << a << " against " << b;
    };
    for (int k = 0; k < 2; ++k)
        view->unsubdivide();
    view->waitForWork();
    ASSERT_EQ(view->grid.width, 102u);
    expectSame(inkBox(view->grabFramebuffer()));
    view->subdivide();
    view->waitForWork();
    expectSame(inkBox(view->grabFramebuffer()));
    view->subdivide();
    view->waitForWork();
    ASSERT_EQ(view->grid.width, 403u);
    expectSame(inkBox(view->grabFramebuffer()));
}

// While the view is dragged the coarse level is drawn; the full level comes
// back once the mouse has been still for settleDelay.
TEST(ViewLevels, ACoarseLevelWhileDraggingAndTheFullLevelAfter)
{
    auto view = std::make_unique<GLNPRGrid>(nullptr, "glgrid");
    view->resize(500, 400);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->loadGRDFile(dataFile("jacksboro.grd"));
    view->waitForWork();
    ASSERT_FALSE(view->model.coarse.mesh.faces.empty());
    EXPECT_LT(view->model.coarse.mesh.faces.size(), view->faces.size() / 3);
    // As if a frame had taken a second: the full level is too slow to turn.
    view->frameTimes.record(view->faces.size(), 1.0);
    QSignalSpy frames(view.get(), &QOpenGLWidget::frameSwapped);
    QTest::mousePress(view.get(), Qt::MiddleButton, {}, QPoint(200, 200));
    for (int k = 1; k <= 4; ++k) {
        QTest::mouseMove(view.get(), QPoint(200 + 10 * k, 200 + 3 * k));
        ASSERT_TRUE(frames.wait(5000));
        EXPECT_TRUE(view->moving());
        EXPECT_TRUE(view->lastPaintTimes.coarse) << k;
    }
    const QImage coarse = view->grabFramebuffer();
    EXPECT_GT(darkPixels(coarse), 500);
    QTest::mouseRelease(view.get(), Qt::MiddleButton, {}, QPoint(240, 212));
    frames.clear();
    ASSERT_TRUE(frames.wait(view->settleDelay + 5000));
    EXPECT_FALSE(view->moving());
    EXPECT_FALSE(view->lastPaintTimes.coarse);
    EXPECT_EQ(view->zRot, 20.0f);
    EXPECT_EQ(view->xRot, 6.0f);
}
