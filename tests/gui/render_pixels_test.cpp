// What a person sees of the real terrain (data/jacksboro.grd) in the
// default view: dark lines, hidden lines hidden, and how the switches change it.
#include "render_test_support.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

bool isWhite(QRgb p)
{
    return (p & 0xffffff) == 0xffffff;
}

bool isBlack(QRgb p)
{
    return (p & 0xffffff) == 0;
}

} // namespace

TEST(RenderPixels, SilhouettesDrawDarkLinesAndNothingWithoutThem)
{
    auto view = terrainView();
    const QImage lines = view->grabFramebuffer();
    EXPECT_GT(view->lastPaintTimes.edgesDrawn, 10000u);
    EXPECT_GT(darkPixels(lines), 5000);
    // The near border of the terrain is a strong silhouette: a dark line
    // crosses the lower part of the frame's middle column.
    int darkest = 255;
    for (int y = lines.height() / 2; y < lines.height(); ++y)
        darkest = std::min(darkest, qGray(lines.pixel(lines.width() / 2, y)));
    EXPECT_LT(darkest, 40);

    // Without silhouettes only the white occluder is drawn: a white frame.
    view->showSilhouettes = false;
    const QImage none = view->grabFramebuffer();
    EXPECT_EQ(view->lastPaintTimes.edgesDrawn, 0u);
    EXPECT_EQ(darkPixels(none, 255), 0);
}

TEST(RenderPixels, OccluderHidesTheLinesBehindTheTerrain)
{
    auto view = terrainView();
    const QImage hidden = view->grabFramebuffer();
    ASSERT_NE(view->curvatureList, 0u);
    view->curvatureList = 0; // the next paint skips the occluder
    const QImage all = view->grabFramebuffer();
    const int darkHidden = darkPixels(hidden), darkAll = darkPixels(all);
    EXPECT_LT(darkHidden, darkAll * 9 / 10);
    // The occluder only takes lines away: what stays is drawn as before.
    int changedKept = 0;
    for (int y = 0; y < hidden.height(); ++y)
        for (int x = 0; x < hidden.width(); ++x)
            changedKept += !isWhite(hidden.pixel(x, y)) && hidden.pixel(x, y) != all.pixel(x, y);
    EXPECT_EQ(changedKept, 0);
}

TEST(RenderPixels, LightSilhouettesAddLinesOfTheLight)
{
    auto view = terrainView();
    const QImage eyeOnly = view->grabFramebuffer();
    const std::size_t eyeEdges = view->lastPaintTimes.edgesDrawn;
    // A light high in the north-east, beyond the terrain from the eye, whose
    // lines fall elsewhere than the eye's.
    view->lightPosition = gmVec3(1000, -1000, 1000);
    view->showLightSilhouettes = true;
    const QImage both = view->grabFramebuffer();
    EXPECT_GT(view->lastPaintTimes.edgesDrawn, eyeEdges);
    // More of the frame is covered by lines (light ones over dark ones too).
    EXPECT_GT(darkPixels(both, 255), darkPixels(eyeOnly, 255) * 11 / 10);

    view->showSilhouettes = false;
    const QImage lightOnly = view->grabFramebuffer();
    EXPECT_GT(darkPixels(lightOnly), 500);
    EXPECT_NE(lightOnly, eyeOnly);
}

TEST(RenderPixels, StrokesReplaceTheLinesWithBlackQuads)
{
    auto view = terrainView();
    view->showLightSilhouettes = true;
    const QImage lines = view->grabFramebuffer();
    int grey = 0;
    for (int y = 0; y < lines.height(); ++y)
        for (int x = 0; x < lines.width(); ++x)
            grey += !isWhite(lines.pixel(x, y)) && !isBlack(lines.pixel(x, y));
    EXPECT_GT(grey, 1000);

    view->curvatureStrokes = true;
    const QImage first = view->grabFramebuffer();
    EXPECT_GT(view->lastPaintTimes.edgesDrawn, 0u);
    EXPECT_NE(first, lines);
    // No edge line is drawn: every pixel is an opaque black stroke or white.
    int black = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            const QRgb p = first.pixel(x, y);
            ASSERT_TRUE(isWhite(p) || isBlack(p)) << x << "," << y;
            black += isBlack(p);
        }
    EXPECT_GT(black, 1000);

    // The second axis turns every stroke: another picture.
    view->drawF1Curvature = false;
    EXPECT_NE(view->grabFramebuffer(), first);
}

TEST(RenderPixels, ThresholdZeroDrawsOnlyTrueSilhouettes)
{
    auto view = terrainView();
    const QImage near = view->grabFramebuffer();
    view->silThreshold = 0.0f;
    const QImage strict = view->grabFramebuffer();
    std::size_t silhouettes = 0;
    for (const Edge& e : view->silhouetteEdges.edges()) {
        ASSERT_FALSE(e.used);
        silhouettes += e.isSilhouette();
    }
    EXPECT_EQ(view->lastPaintTimes.edgesDrawn, silhouettes);
    // Every line is 2.5 wide in grey 0.05: one batch only.
    const auto batches = view->silhouettePass.lines(view->silhouetteEdges, view->vertices).batches();
    for (std::size_t k = 0; k < batches.size(); ++k)
        EXPECT_EQ(batches[k].vertices.empty(), k != 40) << k;
    // No light near-silhouettes are left: every line pixel has the grey
    // 0.05 of a true silhouette.
    int lineGrey = 0;
    for (int y = 0; y < strict.height(); ++y)
        for (int x = 0; x < strict.width(); ++x) {
            const QRgb p = strict.pixel(x, y);
            ASSERT_TRUE(isWhite(p) || p == qRgb(13, 13, 13)) << x << "," << y << " " << qGray(p);
            lineGrey += !isWhite(p);
        }
    EXPECT_GT(lineGrey, 500);
    // At 0.2 the light near-silhouettes were there.
    EXPECT_GT(darkPixels(near, 255) - darkPixels(near, 80), 1000);
}

TEST(RenderPixels, EveryMeshRebuildDrawsLines)
{
    // A threshold of 0 before the first pass: only true silhouettes, but drawn.
    auto view = emptyView();
    view->setSilThresh(0);
    view->loadGRDFile(dataFile("jacksboro.grd"));
    view->waitForWork();
    EXPECT_GT(darkPixels(view->grabFramebuffer()), 2000);
    view->setSilThresh(20);
    const QImage first = view->grabFramebuffer();
    ASSERT_GT(darkPixels(first), 5000);

    // Loading a grid of the same size (the same file again) and a failed
    // load (the kept terrain is rebuilt) both draw the same picture again.
    view->loadGRDFile(dataFile("jacksboro.grd"));
    view->waitForWork();
    EXPECT_EQ(view->grabFramebuffer(), first);
    view->loadGRDFile(dataFile("missing.grd"));
    view->waitForWork();
    ASSERT_TRUE(view->grid.loaded);
    EXPECT_EQ(view->grabFramebuffer(), first);

    // Coarsening at the smallest size rebuilds the same mesh: same picture.
    unsigned width = 0;
    while (width != view->grid.width) {
        width = view->grid.width;
        view->unsubdivide();
        view->waitForWork();
    }
    const QImage smallest = view->grabFramebuffer();
    EXPECT_GT(darkPixels(smallest), 20);
    view->unsubdivide();
    view->waitForWork();
    EXPECT_EQ(view->grabFramebuffer(), smallest);
}

// A flat 60 x 60 grid seen from straight above, with a 20 x 20 void in its
// middle: nothing is drawn inside the hole, its rim is drawn like the outline.
// Low hills with the same hole, drawn with the lines of their curvature and
// no silhouettes: the lines stop at the hole too.
TEST(RenderPixels, AVoidIsAHoleWithItsRimDrawn)
{
    const auto darkIn = [](const QImage& image, const QRect& box, double from, double to) {
        int n = 0;
        for (int y = box.top() + int(box.height() * from); y <= box.top() + int(box.height() * to); ++y)
            for (int x = box.left() + int(box.width() * from); x <= box.left() + int(box.width() * to); ++x)
                n += qGray(image.pixel(x, y)) < 128;
        return n;
    };
    const auto picture = [](bool withVoid, bool hills) {
        auto view = emptyView(400, 400);
        fillGrid(*view, 60, 60, [&](unsigned r, unsigned c) {
            return hills ? float(100.0 + 20.0 * std::sin(r * 0.4) * std::cos(c * 0.35)) : 100.0f;
        });
        JGrid& g = view->grid;
        if (withVoid) {
            g.valid = ValidMask(60, 60, 1);
            for (unsigned r = 20; r < 40; ++r)
                for (unsigned c = 20; c < 40; ++c)
                    g.valid[r][c] = 0;
            g.normalsValid = false;
            g.calcNormals();
            g.updateStatistics();
        }
        view->setXRotation(75); // 285 + 75: straight down
        view->viewScale = 5.0f;
        if (hills) {
            view->showSilhouettes = false;
            view->lineSettings.ridges = view->lineSettings.valleys = true;
            view->lineSettings.suggestive = view->lineSettings.highlights = true;
            view->lineSettings.suggestiveThreshold = 0;
        }
        view->findCurvature();
        return view->grabFramebuffer();
    };
    const QImage plain = picture(false, false), holed = picture(true, false), lines = picture(true, true);
    // The outline of the terrain: the box of the dark pixels without a void.
    const QRect outline = inkBox(plain);
    ASSERT_GT(outline.width(), 100);
    // Samples 19 to 40 bound the hole: about 0.32 to 0.68 of the outline.
    EXPECT_EQ(darkIn(plain, outline, 0.25, 0.75), 0);
    EXPECT_EQ(darkIn(holed, outline, 0.4, 0.6), 0); // no ink inside the hole
    EXPECT_GT(darkIn(holed, outline, 0.25, 0.75), 100); // its rim
    EXPECT_EQ(darkIn(lines, outline, 0.35, 0.65), 0);
    EXPECT_GT(darkIn(lines, outline, 0.05, 0.95), 1000);
}

TEST(RenderPixels, MapLinesShowWholeOnTheSurfaceTheyLieOn)
{
    auto view = terrainView();
    view->showSilhouettes = false;
    view->xRot = 75.0f; // straight down: the terrain faces the eye
    view->lineSettings.contours = true;
    view->lineSettings.profiles = true;
    view->findCurvature();
    ASSERT_EQ(view->families().size(), 3u);
    const QImage drawn = view->grabFramebuffer();
    EXPECT_GT(view->lastPaintTimes.familySegmentsDrawn, 10000u);
    // Any ink: ordinary contours are drawn mid grey.
    EXPECT_GT(darkPixels(drawn, 250), 10000);
    // The hidden-line surface takes none of them away where the terrain
    // faces the eye: the surface they lie on does not hide them.
    view->curvatureList = 0; // the next paint skips the occluder
    const QImage bare = view->grabFramebuffer();
    EXPECT_GE(darkPixels(drawn, 250), darkPixels(bare, 250) * 98 / 100);

    view->lineSettings = MapLineSettings();
    view->findCurvature();
    EXPECT_TRUE(view->families().empty());
    EXPECT_EQ(darkPixels(view->grabFramebuffer(), 255), 0);
}

// The suggestive contours are computed for the eye of each frame, for its
// ray direction in an orthographic one, and held at the eye of the moment
// the silhouettes were locked, through turns, threshold changes and levels.
TEST(RenderPixels, SuggestiveContoursFollowTheEyeAndStayWhileLocked)
{
    auto view = terrainView();
    view->showSilhouettes = false;
    // The turns below would draw the coarse level, which leaves these lines
    // out, wherever frames are slow (under the sanitizers).
    view->coarseWhileMoving = false;
    view->setSuggestiveContours(true);
    view->waitForWork(); // the curvature is measured
    ASSERT_EQ(view->model.mesh.curvature.width, view->grid.width);
    const auto linesNow = [&] {
        const QImage picture = view->grabFramebuffer();
        EXPECT_GT(darkPixels(picture), 500);
        return view->suggestivePass.contours().points;
    };
    const std::vector<float> start = linesNow();
    EXPECT_GT(view->lastPaintTimes.familySegmentsDrawn, 1000u);
    EXPECT_EQ(linesNow(), start) << "the same eye, the same lines";
    view->setZRotation(40);
    const std::vector<float> turned = linesNow();
    EXPECT_NE(turned, start);
    const SurfaceEye eye = *view->suggestivePass.eye();

    view->lockSil(true);
    view->setZRotation(80);
    view->setXRotation(20);
    EXPECT_EQ(linesNow(), turned);
    // A stronger threshold keeps fewer of the locked eye's lines.
    view->setSuggestiveThreshold(80);
    const std::vector<float> fewer = linesNow();
    EXPECT_LT(fewer.size(), turned.size());
    EXPECT_TRUE(*view->suggestivePass.eye() == eye);
    view->setSuggestiveThreshold(40);
    EXPECT_EQ(linesNow(), turned);
    // A coarser level keeps the locked eye at its place in the scene, and
    // refining back gives the locked lines back.
    const LevelPlacement fine = view->drawnPlacement();
    const gmVec3 silhouetteEye = view->silhouettePass.lastPoint;
    view->unsubdivide();
    view->waitForWork();
    linesNow();
    const LevelPlacement coarse = view->drawnPlacement();
    ASSERT_EQ(coarse.spacing, 2 * fine.spacing);
    EXPECT_TRUE(view->suggestivePass.eye()->point == pointInLevel(eye.point, fine, coarse));
    EXPECT_TRUE(view->silhouettePass.lastPoint == pointInLevel(silhouetteEye, fine, coarse));
    view->subdivide();
    view->waitForWork();
    const std::vector<float> back = linesNow();
    EXPECT_LT((view->suggestivePass.eye()->point - eye.point).length(), 1e-9);
    ASSERT_EQ(back.size(), turned.size());
    float moved = 0.0f;
    for (std::size_t i = 0; i < back.size(); ++i)
        moved = std::max(moved, std::abs(back[i] - turned[i]));
    EXPECT_LT(moved, 1e-5f);

    view->lockSil(false);
    EXPECT_NE(linesNow(), turned);
    EXPECT_FALSE(*view->suggestivePass.eye() == eye);
    view->setOrthographic(true);
    linesNow();
    ASSERT_TRUE(view->suggestivePass.eye()->parallel);
    const gmVec3 towards = view->suggestivePass.eye()->point;
    EXPECT_NEAR(towards.length(), 1.0, 1e-9);
    EXPECT_GT(towards[2], 0.5) << "the terrain is seen from above";
}

namespace {

// Flat ground (80 x 60 samples) with a pole in the middle and, where asked,
// a tower in the north-east corner and an L-shaped wall in the south-west,
// all with vertical sides. The pole, as tall as the tower, gives the three
// terrains one extent, so that they are drawn in one place from one eye.
enum Feature { none = 0, tower = 1, wall = 2 };

float featureHeight(unsigned r, unsigned c, int features)
{
    const bool pole = (r == 29 || r == 30) && (c == 39 || c == 40);
    if (pole || ((features & tower) && r >= 2 && r <= 9 && c >= 68 && c <= 77))
        return 500.0f;
    const bool upright = c >= 6 && c <= 9 && r >= 30 && r <= 55, foot = r >= 52 && r <= 55 && c >= 6 && c <= 35;
    if ((features & wall) && (upright || foot))
        return 350.0f;
    return 100.0f;
}

struct Ink {
    double x = 0.0, y = 0.0;
    int count = 0;
    std::vector<QPoint> pixels;
};

// The pixels a feature inks (its near-silhouettes are light) that the flat
// ground leaves white.
Ink inkOf(const QImage& ground, const QImage& withFeature)
{
    Ink ink;
    for (int y = 0; y < ground.height(); ++y)
        for (int x = 0; x < ground.width(); ++x)
            if (qGray(withFeature.pixel(x, y)) < 200 && qGray(ground.pixel(x, y)) == 255) {
                ink.x += x;
                ink.y += y;
                ++ink.count;
                ink.pixels.emplace_back(x, y);
            }
    if (ink.count > 0) {
        ink.x /= ink.count;
        ink.y /= ink.count;
    }
    return ink;
}

} // namespace

// Seen from the start view the tower stands to the right of the wall and
// beyond it; from above it is in the upper right, and the wall reads as an
// "L" (its foot runs right at the bottom), not as its mirror image.
TEST(RenderPixels, NorthIsAwayAndUpEastIsRight)
{
    for (const bool map : {false, true}) {
        SCOPED_TRACE(map ? "map view" : "start view");
        // All three drawn from where Fit puts the terrain with both.
        QImage pictures[4];
        float trans[3] = {0.0f, 0.0f, 0.0f};
        for (const int features : {int(tower | wall), int(none), int(tower), int(wall)}) {
            auto view = emptyView(500, 400);
            fillGrid(*view, 80, 60, [&](unsigned r, unsigned c) { return featureHeight(r, c, features); });
            view->findCurvature();
            if (map)
                view->showMapView();
            else
                view->fitTerrain();
            if (features == (tower | wall)) {
                trans[0] = view->xTrans, trans[1] = view->yTrans, trans[2] = view->zTrans;
                continue;
            }
            view->xTrans = trans[0], view->yTrans = trans[1], view->zTrans = trans[2];
            pictures[features] = view->grabFramebuffer();
        }
        const Ink top = inkOf(pictures[none], pictures[tower]), l = inkOf(pictures[none], pictures[wall]);
        ASSERT_GT(top.count, 50);
        ASSERT_GT(l.count, 100);
        EXPECT_GT(top.x, l.x + 100); // east on the right
        EXPECT_LT(top.y, l.y - 15);  // north away (start view) or up (map)
        if (!map)
            continue;
        EXPECT_GT(top.x, 250);
        EXPECT_LT(top.y, 200);
        // The wall's lower half reaches farther right than its upper half.
        double upper = 0.0, lower = 0.0;
        int upperCount = 0, lowerCount = 0;
        for (const QPoint& p : l.pixels) {
            if (p.y() < l.y) {
                upper += p.x();
                ++upperCount;
            } else {
                lower += p.x();
                ++lowerCount;
            }
        }
        ASSERT_GT(upperCount, 0);
        ASSERT_GT(lowerCount, 0);
        EXPECT_GT(lower / lowerCount, upper / upperCount + 20);
    }
}

// The map view keeps the grid's true shape: a 300 x 100 grid is three times
// as wide as high, and half as wide again where its columns close up to
// half their north-south spacing.
TEST(RenderPixels, TheMapViewKeepsTheGridsTrueAspect)
{
    for (const float ratio : {1.0f, 0.5f}) {
        auto view = emptyView(600, 400);
        fillGrid(*view, 300, 100, hills);
        view->grid.eastWestRatio = ratio;
        view->findCurvature();
        view->showMapView();
        const QRect box = inkBox(view->grabFramebuffer());
        ASSERT_GT(box.height(), 1);
        const double aspect = double(box.width() - 1) / double(box.height() - 1);
        EXPECT_NEAR(aspect, 299.0 * ratio / 99.0, 0.02 * 299.0 * ratio / 99.0) << "east-west ratio " << ratio;
    }
}
