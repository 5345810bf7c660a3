// hypsa-render as a user runs it: one frame of a grid file into a PNG.
#include "gui/render_test_support.h"
#include "support/tool_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

ToolRun runRender(const QStringList& args)
{
    return runTool("hypsa-render", args);
}

// The bundled terrain drawn at 320 x 240 into dir/name with more options:
// the picture and the console output.
std::pair<QImage, std::string> renderTerrain(const QTemporaryDir& dir, const QString& name, const QStringList& options)
{
    const QString out = dir.filePath(name);
    const ToolRun run = runRender(QStringList{dataFile("jacksboro.grd"), out, "--size", "320x240"} + options);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return {QImage(out).convertToFormat(QImage::Format_RGB32), run.out};
}

} // namespace

TEST(RenderTool, DrawsTheTerrainIntoAPicture)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("jacksboro.png");
    const ToolRun run = runRender({dataFile("jacksboro.grd"), out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(699, 500));
    EXPECT_GT(darkPixels(picture), 5000);

    // The same frame as the viewer's view in its start state.
    auto view = terrainView();
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              view->renderFrame().convertToFormat(QImage::Format_RGB32));
}

// Every real terrain file in a format the tests above do not draw (GeoTIFF,
// .asc, Surfer), with and without voids, draws in the viewer's view and
// through hypsa-render as the same picture.
TEST(RenderTool, EveryRasterFormatDraws)
{
    QTemporaryDir dir;
    const QDir data(QString(HYPSA_SOURCE_DIR) + "/data");
    const QStringList names = data.entryList({"*.asc", "*.tif", "*_surfer.grd"}, QDir::Files);
    EXPECT_EQ(names.size(), 6);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString out = dir.filePath(name + ".png");
        const ToolRun run = runRender({data.filePath(name), out, "--size", "320x240"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage picture(out);
        EXPECT_GT(darkPixels(picture), 500);
        auto view = emptyView(320, 240);
        view->fitOnLoad = false; // the start view, as hypsa-render draws it
        view->loadFile(data.filePath(name));
        view->waitForWork();
        EXPECT_FALSE(view->vertices.empty());
        EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
                  view->renderFrame().convertToFormat(QImage::Format_RGB32));
    }
}

TEST(RenderTool, OptionsSetTheControls)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("strokes.png");
    const ToolRun run = runRender({dataFile("jacksboro.flt"), out, "--size", "320x240", "--strokes", "--rotate", "20",
                               "0", "350", "--scale", "14", "--threshold", "35", "--light-silhouettes",
                               "--light", "-2000", "500", "800", "--coarsen", "1", "--exaggeration", "3.5",
                               "--contours", "--contour-interval", "40", "--index-every", "4", "--tanaka",
                               "--profiles", "--profile-count", "20", "--profile-axis", "columns", "--hachures",
                               "--hachure-spacing", "500", "--ridges", "--valleys", "--ridge-threshold", "30",
                               "--suggestive", "--highlights", "--suggestive-threshold", "25"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(320, 240));

    auto view = emptyView(320, 240);
    view->fitOnLoad = false;
    view->loadFile(dataFile("jacksboro.flt"));
    view->unsubdivide();
    view->waitForWork();
    view->curvatureStrokes = view->showLightSilhouettes = true;
    view->xRot = 20;
    view->zRot = 350;
    view->viewScale = 2.4f;
    view->silThreshold = 0.35f;
    view->lightPosition = gmVec3(-2000, 500, 800);
    view->lineSettings.contours = view->lineSettings.tanaka = true;
    view->lineSettings.contourInterval = 40.0;
    view->lineSettings.indexEvery = 4;
    view->lineSettings.profiles = true;
    view->lineSettings.profileCount = 20;
    view->lineSettings.profileAxis = ProfileAxis::columns;
    view->lineSettings.hachures = true;
    view->lineSettings.hachureSpacing = 500.0;
    view->lineSettings.ridges = view->lineSettings.valleys = true;
    view->lineSettings.ridgeThreshold = 30;
    view->lineSettings.suggestive = view->lineSettings.highlights = true;
    view->lineSettings.suggestiveThreshold = 25;
    view->setVerticalExaggeration(3.5);
    view->waitForWork();
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32),
              view->renderFrame().convertToFormat(QImage::Format_RGB32));
}

// --view draws the View menu's views, --orthographic with parallel rays;
// the picture of a map carries its scale bar in the lower left corner.
TEST(RenderTool, ViewsOfTheViewMenu)
{
    QTemporaryDir dir;
    const auto render = [&](const QString& name, const QStringList& options) {
        return renderTerrain(dir, name, options).first;
    };
    EXPECT_EQ(render("start.png", {"--view", "start"}), render("default.png", {}));

    auto view = emptyView(320, 240);
    view->fitOnLoad = false;
    view->loadFile(dataFile("jacksboro.grd"));
    view->waitForWork();
    view->showObliqueView();
    view->setOrthographic(true);
    view->fitTerrain();
    EXPECT_EQ(render("oblique.png", {"--view", "oblique", "--orthographic"}),
              view->renderFrame().convertToFormat(QImage::Format_RGB32));

    view->showMapView();
    view->setSilThresh(60);
    const QImage shown = view->renderFrame().convertToFormat(QImage::Format_RGB32);
    const QImage map = render("map.png", {"--view", "map", "--threshold", "60"});
    const std::optional<ScaleBar> bar = view->mapScaleBar();
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->label, "5 km");
    const QRect barBox(int(bar->left) - 2, int(bar->base) - 30, int(bar->length) + 4, 32);
    int inBar = 0, outside = 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const bool differs = map.pixel(x, y) != shown.pixel(x, y);
            (barBox.contains(x, y) ? inBar : outside) += differs;
        }
    EXPECT_GT(inBar, 50);
    EXPECT_EQ(outside, 0);
}

// Above the display budget the tool draws the level that fits: 403 x 344
// (138632 samples) is shown as 202 x 173, the level one Coarsen gives.
TEST(RenderTool, AGridAboveTheBudgetIsDrawnCoarsened)
{
    QTemporaryDir dir;
    const auto draw = [&](const QString& name, const QStringList& options) {
        return renderTerrain(dir, name, options);
    };
    const auto [budget, budgetLog] = draw("budget.png", {"--max-samples", "138631"});
    const auto [coarsened, coarsenLog] = draw("coarsen.png", {"--coarsen", "1"});
    const auto [whole, wholeLog] = draw("whole.png", {"--max-samples", "138632"});
    EXPECT_EQ(budget, coarsened);
    EXPECT_NE(budget, whole);
    EXPECT_NE(budgetLog.find("showing level 1 of 403 x 344: 202 x 173; Refine restores detail\n"), std::string::npos)
        << budgetLog;
    EXPECT_EQ(wholeLog.find("showing level"), std::string::npos);
    // Refining the shown level gives the whole grid's picture back.
    EXPECT_EQ(draw("refined.png", {"--max-samples", "138631", "--refine", "1"}).first, whole);
}

TEST(RenderTool, RefusesMissingFilesAndBadOptions)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("none.png");
    ToolRun run = runRender({dir.filePath("missing.grd"), out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("hypsa-render: cannot load the grid file"), std::string::npos) << run.err;
    // A level the view refuses would give another picture than the one asked
    // for: 403 x 344 coarsens six times, to 8 x 7, and no further.
    run = runRender({dataFile("jacksboro.grd"), out, "--coarsen", "7"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("hypsa-render: The 8 x 7 grid was left unchanged.\n"), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(out));
    // A folder that does not exist, or a file where the folder should be:
    // the system's reason, before anything is loaded or drawn.
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const auto& [target, reason] : {std::pair{dir.filePath("none/a.png"), "No such file or directory"},
                                         std::pair{dir.filePath("none/a.pdf"), "No such file or directory"},
                                         std::pair{dir.filePath("file/a.svg"), "Not a directory"}}) {
        run = runRender({dataFile("jacksboro.grd"), target});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with("hypsa-render: cannot write the picture " + target.toStdString() + ": " +
                                      reason + "\n"))
            << run.err;
        EXPECT_EQ(run.out.find("Loading"), std::string::npos);
    }

    const std::string usage = runRender({"--help"}).out;
    ASSERT_TRUE(usage.starts_with("Usage: hypsa-render [options] FILE OUT\n")) << usage;
    const std::pair<QStringList, std::string> cases[] = {
        {{"--scale", "101"}, "--scale needs 1 whole number(s) from 0 to 100"},
        {{"--size", "12"}, "--size needs WIDTHxHEIGHT, each 1 to 8192"},
        {{"--size", "0x0"}, "--size needs WIDTHxHEIGHT, each 1 to 8192"},
        {{"--rotate", "10", "20"}, "--rotate needs 3 whole number(s) from -100000 to 100000"},
        {{"--light", "1", "2", "3", "4"}, "give the grid file and the picture to write"},
        {{"--fast"}, "unknown option \"--fast\""},
        {{"--coarsen"}, "Missing value after '--coarsen'."},
        {{"--max-samples", "1e6"}, "--max-samples needs a whole number from 0 to 268435456"},
        {{"--exaggeration", "60"}, "--exaggeration needs a number from 0.1 to 50"},
        {{"--exaggeration", "x"}, "--exaggeration needs a number from 0.1 to 50"},
        {{"--cellsize", "0"}, "--cellsize needs a number of metres above 0"},
        {{"--contour-interval", "0"}, "--contour-interval needs a number above 0"},
        {{"--hachure-spacing", "-3"}, "--hachure-spacing needs a number above 0"},
        {{"--profile-count", "0"}, "--profile-count needs 1 whole number(s) from 1 to 1000"},
        {{"--profile-axis", "diagonal"}, "--profile-axis needs rows or columns"},
        {{"--ridge-threshold", "101"}, "--ridge-threshold needs 1 whole number(s) from 0 to 100"},
        {{"--suggestive-threshold", "-1"}, "--suggestive-threshold needs 1 whole number(s) from 0 to 100"},
        {{"--view", "top"}, "--view needs map, oblique or start"},
        {{"--view", "map", "--rotate", "1", "2", "3"}, "--view sets the rotation: give --view or --rotate, not both"},
    };
    for (const auto& [options, reason] : cases) {
        run = runRender(QStringList{dataFile("jacksboro.grd"), out} + options);
        EXPECT_EQ(run.exitCode, 2) << reason;
        // Qt may print its own warnings first.
        EXPECT_TRUE(run.err.ends_with("hypsa-render: " + reason + "\n" + usage)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    run = runRender({dataFile("jacksboro.grd")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.ends_with("hypsa-render: give the grid file and the picture to write\n" + usage));
    EXPECT_FALSE(QFile::exists(out));
}

// --help and --version need no display; Qt's own options still reach Qt.
TEST(RenderTool, HelpVersionAndQtOptions)
{
    const ToolRun help = runTool("hypsa-render", {"--help"}, withoutDisplay());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("\n  --light <X Y Z> "), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
    const ToolRun version = runTool("hypsa-render", {"--version"}, withoutDisplay());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "hypsa-render " HYPSA_VERSION "\n");

    // Also where the desktop's platform (xcb) is asked for but no display
    // can be reached.
    QTemporaryDir dir;
    const QString out = dir.filePath("fusion.png");
    const ToolRun run =
        runTool("hypsa-render", {"-style", "Fusion", dataFile("jacksboro.grd"), out, "--size", "64x48"}, withoutDisplay());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(QImage(out).size(), QSize(64, 48));
}
