// hypsa-render as a user runs it: one frame of a grid file into a PNG.
#include "render_test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

struct ToolRun {
    int exitCode;
    QString errors;
};

ToolRun runRender(const QStringList& args)
{
    QProcess p;
    p.start(QString(HYPSA_BIN_DIR) + "/hypsa-render", args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(RenderTool, DrawsTheTerrainIntoAPicture)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("jacksboro.png");
    const ToolRun run = runRender({dataFile("jacksboro.grd"), out});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(699, 500));
    EXPECT_GT(darkPixels(picture), 5000);

    // The same frame as the viewer's view in its start state.
    auto view = terrainView();
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              view->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
}

TEST(RenderTool, OptionsSetTheControls)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("strokes.png");
    const ToolRun run = runRender({dataFile("jacksboro.flt"), out, "--size", "320x240", "--strokes", "--rotate", "20",
                               "0", "350", "--scale", "14", "--threshold", "35", "--light-silhouettes",
                               "--light", "-2000", "500", "800", "--coarsen", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(320, 240));

    auto view = emptyView(320, 240);
    ASSERT_TRUE(view->grid.loadFLT(dataFile("jacksboro.flt")));
    view->grid.reverseSubdivide();
    view->findCurvature();
    view->curvatureStrokes = view->showLightSilhouettes = true;
    view->xRot = 20;
    view->zRot = 350;
    view->viewScale = 2.4f;
    view->silThreshold = 0.35f;
    view->lightPosition = gmVec3(-2000, 500, 800);
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              view->grabFramebuffer().convertToFormat(QImage::Format_RGB32));
}

TEST(RenderTool, RefusesMissingFilesAndBadOptions)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("none.png");
    ToolRun run = runRender({dir.filePath("missing.grd"), out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("hypsa-render: cannot load the grid file")) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    run = runRender({dataFile("jacksboro.grd"), out, "--scale", "101"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains("--scale needs 1 whole number(s) from 0 to 100")) << run.errors.toStdString();
    run = runRender({dataFile("jacksboro.grd"), out, "--size", "12"});
    EXPECT_EQ(run.exitCode, 2);
    run = runRender({dataFile("jacksboro.grd")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains("usage: hypsa-render FILE OUT.png"));
    run = runRender({dataFile("jacksboro.grd"), out, "--fast"});
    EXPECT_TRUE(run.errors.contains("unknown option --fast"));
    EXPECT_FALSE(QFile::exists(out));
}
