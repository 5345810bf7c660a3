#include "glnprgrid.h"

#include "support/console_capture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const QString terrain = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd");

// A view on screen, so that its GL context exists.
struct ShownView {
    GLNPRGrid view{nullptr, "glgrid"};
    // Waits until the frames of showing the window are done, so that a test
    // counting frames sees only those its own commands cause.
    ShownView()
    {
        QSignalSpy frames(&view, &QOpenGLWidget::frameSwapped);
        view.resize(400, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        if (frames.isEmpty()) {
            EXPECT_TRUE(frames.wait(2000));
        }
        // Frames of the show may come late on a loaded machine: settled when
        // none came for a quarter of a second.
        for (int settle = 0; settle < 20 && frames.wait(250); ++settle) {
        }
    }
};

} // namespace

TEST(ViewCommands, RotationKeepsTheRemainderWithTheArgumentsSign)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.setXRotation(359);
    EXPECT_EQ(view.xRot, 359.0f);
    view.setXRotation(360);
    EXPECT_EQ(view.xRot, 0.0f);
    view.setXRotation(-30);
    EXPECT_EQ(view.xRot, -30.0f);
    view.setYRotation(725);
    EXPECT_EQ(view.yRot, 5.0f);
    view.setZRotation(-365);
    EXPECT_EQ(view.zRot, -5.0f);
}

TEST(ViewCommands, ScaleThresholdsAndLight)
{
    GLNPRGrid view(nullptr, "glgrid");
    view.setScale(0);
    EXPECT_EQ(view.viewScale, 1.0f);
    view.setScale(10);
    EXPECT_EQ(view.viewScale, 2.0f);
    view.setScale(100);
    EXPECT_EQ(view.viewScale, 11.0f);
    view.setSilThresh(20);
    EXPECT_EQ(view.silThreshold, 0.2f);
    view.setSilThresh(100);
    EXPECT_EQ(view.silThreshold, 1.0f);
    view.setLightSilThresh(7);
    EXPECT_EQ(view.lightSilThreshold, float(7 / 100.0));
    view.setLightX(-10000);
    view.setLightY(0);
    view.setLightZ(250);
    EXPECT_EQ(view.lightPosition, gmVec3(-10000, 0, 250));
}

TEST(ViewCommands, LockRepaintsOnlyWhenReleased)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    QSignalSpy frames(&view, &QOpenGLWidget::frameSwapped);
    view.lockSil(true);
    QTest::qWait(50);
    EXPECT_TRUE(view.silLocked);
    EXPECT_EQ(frames.count(), 0);
    view.lockSil(false);
    EXPECT_TRUE(frames.wait(1000));
    EXPECT_FALSE(view.silLocked);
}

TEST(ViewCommands, SwitchesAndStrokeDirection)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.setSilhouettes(false);
    view.setLightSilhouettes(true);
    view.setPolygons(true);
    EXPECT_FALSE(view.showSilhouettes);
    EXPECT_TRUE(view.showLightSilhouettes);
    EXPECT_TRUE(view.showPolygons);
    // Both run the light pass outside the paint cycle; with no grid it draws nothing.
    view.setCurvatureStrokes(true);
    EXPECT_TRUE(view.curvatureStrokes);
    view.toggleDrawF1Curvature();
    EXPECT_FALSE(view.drawF1Curvature);
    view.toggleDrawF1Curvature();
    EXPECT_TRUE(view.drawF1Curvature);
}

TEST(ViewCommands, LoadReportsSizeTextFirstThenCellSize)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    QStringList order;
    QObject::connect(&view, qOverload<const QString&>(&GLNPRGrid::widthChanged),
                     [&](const QString& t) { order << "width text " + t; });
    QObject::connect(&view, qOverload<int>(&GLNPRGrid::widthChanged),
                     [&](int v) { order << "width " + QString::number(v); });
    QObject::connect(&view, qOverload<const QString&>(&GLNPRGrid::heightChanged),
                     [&](const QString& t) { order << "height text " + t; });
    QObject::connect(&view, qOverload<int>(&GLNPRGrid::heightChanged),
                     [&](int v) { order << "height " + QString::number(v); });
    QObject::connect(&view, &GLNPRGrid::freqChanged, [&](int v) { order << "cell " + QString::number(v); });
    view.loadGRDFile(terrain);
    view.waitForWork();
    EXPECT_EQ(order, (QStringList{"width text 403", "width 403", "height text 344", "height 344", "cell 90"}));
    EXPECT_TRUE(view.grid.loaded);
    EXPECT_EQ(view.vertices.size(), 403u * 344u);
    EXPECT_TRUE(view.gridDirty);
}

TEST(ViewCommands, CoarsenTwiceAndRefineTwiceRestoreTheTerrain)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.loadGRDFile(terrain);
    view.waitForWork();
    view.changeWidth(402);
    view.changeHeight(342);
    const FloatArray2D before = view.grid.heights;
    view.unsubdivide();
    view.waitForWork();
    EXPECT_EQ(view.grid.width, 202u);
    EXPECT_EQ(view.vertices.size(), 202u * 172u);
    view.unsubdivide();
    view.waitForWork();
    EXPECT_EQ(view.grid.width, 102u);
    view.subdivide();
    view.waitForWork();
    view.subdivide();
    view.waitForWork();
    ASSERT_EQ(view.grid.width, 402u);
    ASSERT_EQ(view.grid.height, 342u);
    EXPECT_EQ(view.vertices.size(), 402u * 342u);
    for (unsigned r = 0; r < 342; ++r)
        for (unsigned c = 0; c < 402; ++c)
            ASSERT_NEAR(view.grid.heights[r][c], before[r][c], 1e-3) << r << "," << c;
}

TEST(ViewCommands, CoarseningStopsAtTheSmallestGridWithoutHarm)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.loadGRDFile(terrain);
    view.waitForWork();
    for (int i = 0; i < 8; ++i)
        view.unsubdivide();
    view.waitForWork();
    EXPECT_TRUE(view.grid.loaded);
    EXPECT_GE(view.grid.width, 6u);
    EXPECT_LT(view.grid.width, 10u);
    EXPECT_EQ(view.vertices.size(), std::size_t(view.grid.width) * view.grid.height);
    EXPECT_FALSE(view.grabFramebuffer().isNull());
}

TEST(ViewCommands, AFailedLoadKeepsTheTerrain)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.loadGRDFile(terrain);
    view.waitForWork();
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.grd");
    std::ofstream(bad.toStdString()) << "ncols 99999999\nnrows 99999999\ncellsize 1\n1 2 3\n";
    view.loadGRDFile(bad);
    view.waitForWork();
    view.loadGRDFile(dir.filePath("missing.grd"));
    view.waitForWork();
    EXPECT_TRUE(view.grid.loaded);
    EXPECT_EQ(view.grid.width, 403u);
    EXPECT_EQ(view.vertices.size(), 403u * 344u);
}

TEST(ViewCommands, CommandsBeforeAnyLoadDoNotCrash)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.subdivide();
    view.waitForWork();
    view.unsubdivide();
    view.waitForWork();
    view.subdivide(2);
    view.waitForWork();
    view.unsubdivide(2);
    view.waitForWork();
    view.subdivide(7);
    view.waitForWork();
    view.setCurvatureStrokes(true);
    view.setLightSilhouettes(true);
    view.setPolygons(true);
    view.toggleDrawF1Curvature();
    view.lockSil(true);
    const QImage frame = view.grabFramebuffer();
    EXPECT_EQ(frame.pixel(200, 150) & 0xffffff, 0xffffffu);
}

TEST(ViewCommands, ChangeWidthAndHeightAdjustTheGridWithoutANewMesh)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.loadGRDFile(terrain);
    view.waitForWork();
    QSignalSpy widths(&view, qOverload<int>(&GLNPRGrid::widthChanged));
    view.changeWidth(403);
    EXPECT_EQ(widths.count(), 0);
    view.changeWidth(400);
    view.changeHeight(300);
    EXPECT_EQ(view.grid.width, 400u);
    EXPECT_EQ(view.grid.height, 300u);
    ASSERT_EQ(widths.count(), 2);
    EXPECT_EQ(widths.at(0).at(0).toInt(), 400);
    EXPECT_EQ(view.vertices.size(), 403u * 344u); // the mesh waits for the next grid change
}

TEST(ViewMouse, LeftPansRightDolliesMiddleOrbits)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(110, 110));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(110, 110));
    EXPECT_NEAR(view.xTrans, 1.2f, 1e-6);
    EXPECT_NEAR(view.yTrans, -1.2f, 1e-6);
    EXPECT_FALSE(view.mousePressed);

    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(100, 110));
    QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(100, 110));
    EXPECT_NEAR(view.zTrans, 1.2f, 1e-6);

    // Half a degree a pixel: 50 to the right turns 25 degrees about the
    // vertical axis, 70 down tilts 35 degrees; back past the start wraps to
    // the slider's range. Ctrl + left drag orbits the same way.
    QSignalSpy tilts(&view, &GLNPRGrid::xRotationChanged), turns(&view, &GLNPRGrid::zRotationChanged);
    QTest::mousePress(&view, Qt::MiddleButton, {}, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(150, 170));
    EXPECT_EQ(view.zRot, 25.0f);
    EXPECT_EQ(view.xRot, 35.0f);
    QTest::mouseMove(&view, QPoint(90, 80));
    EXPECT_EQ(view.zRot, 355.0f);
    EXPECT_EQ(view.xRot, 350.0f);
    QTest::mouseRelease(&view, Qt::MiddleButton, {}, QPoint(90, 80));
    ASSERT_EQ(turns.count(), 2);
    EXPECT_EQ(turns.at(1).at(0).toInt(), 355);
    EXPECT_EQ(tilts.at(1).at(0).toInt(), 350);
    QTest::mousePress(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(104, 100));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(104, 100));
    EXPECT_EQ(view.zRot, 357.0f);
    EXPECT_EQ(view.yRot, 0.0f);
    // Only the rotations moved.
    EXPECT_NEAR(view.xTrans, 1.2f, 1e-6);
    EXPECT_NEAR(view.yTrans, -1.2f, 1e-6);
    EXPECT_NEAR(view.zTrans, 1.2f, 1e-6);
    EXPECT_EQ(view.viewScale, 2.0f);
}

TEST(ViewCommands, ARefinementBeyondMemoryIsRefusedAndChangesNothing)
{
    ShownView shown;
    GLNPRGrid& view = shown.view;
    view.loadGRDFile(terrain);
    view.waitForWork();
    const std::size_t vertexCount = view.vertices.size();
    // Pretend the terrain is 20000 x 20000: its refinement cannot fit. The
    // refusal comes before the grid's arrays are touched.
    view.grid.width = 20000;
    view.grid.height = 20000;
    ConsoleCapture console;
    view.subdivide();
    view.waitForWork();
    view.subdivide(2);
    view.waitForWork();
    const std::string log = console.text();
    view.grid.width = 403;
    view.grid.height = 344;
    EXPECT_NE(log.find("refused: the refined grid of 39998 x 39998 samples would exceed the limit of 268435456 "
                       "samples"),
              std::string::npos);
    EXPECT_NE(log.find("refused: the refined grid of 39999 x 39999 samples"), std::string::npos);
    // Within the sample limit, its lines do not fit in this machine's memory.
    view.grid.width = 8000;
    view.grid.height = 8000;
    ConsoleCapture memory;
    view.subdivide();
    view.waitForWork();
    view.grid.width = 403;
    view.grid.height = 344;
    EXPECT_NE(memory.text().find("refused: not enough memory for the refined grid of 15998 x 15998 samples"),
              std::string::npos);
    EXPECT_EQ(view.vertices.size(), vertexCount);
    EXPECT_EQ(view.grid.heights.cols(), 403u);
}
