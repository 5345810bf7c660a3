// The display-free part of the vector drawing: projection to the page,
// hidden parts of a line against the occluder's depth, chaining, styles.
#include "line_art_builder.h"
#include "line_mark.h"
#include "npr_test_edges.h"
#include "path_order.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr std::array<double, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// glFrustum(-0.5, 0.5, -0.5, 0.5, 0.5, 200), column-major.
std::array<double, 16> squareFrustum()
{
    const double n = 0.5, f = 200.0;
    return {2 * n, 0, 0, 0, 0, 2 * n, 0, 0, 0, 0, -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
}

// A page of w x h pixels whose occluder lies at `depth` inside the pixel
// rectangle [x0, x1) x [y0, y1) (rows from the top) and nowhere else.
OccluderDepth wall(int w, int h, int x0, int x1, int y0, int y1, float depth)
{
    std::vector<float> fromBottom(std::size_t(w * h), 1.0f);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            fromBottom[std::size_t((h - 1 - y) * w + x)] = depth;
    return OccluderDepth(w, h, fromBottom);
}

LinePiece piece(double x0, double x1, std::uint32_t v0, std::uint32_t v1, std::uint32_t style = 0, int side = 0)
{
    return {x0, 10.0, x1, 10.0, v0, v1, style, side};
}

std::vector<PagePoint> pathPoints(const LineArt& art, std::size_t k)
{
    const ArtPath& p = art.paths[k];
    return {art.points.begin() + p.first, art.points.begin() + p.first + p.count};
}

} // namespace

TEST(ScreenProjection, FrustumOfTheViewOnAPage)
{
    const ScreenProjection screen(identity, squareFrustum(), 400, 400);
    // On the axis one unit ahead: the page's centre; its window depth
    // ((f + n) / (f - n) - 2fn / (f - n)) / 2 + 0.5.
    ScreenPoint p = screen.toScreen(screen.clip({0, 0, -1}));
    EXPECT_DOUBLE_EQ(p.x, 200.0);
    EXPECT_DOUBLE_EQ(p.y, 200.0);
    EXPECT_NEAR(p.depth, 0.5 * (0.5 / 199.5) + 0.5, 1e-12);
    // Up and right: y grows downwards on the page.
    p = screen.toScreen(screen.clip({0.5, 0.5, -1}));
    EXPECT_DOUBLE_EQ(p.x, 300.0);
    EXPECT_DOUBLE_EQ(p.y, 100.0);

    // A segment from behind the eye to ahead of it keeps only the part
    // beyond the near plane at z = -0.5: t from 0.75 / 1.5.
    double t0 = 0, t1 = 0;
    ASSERT_TRUE(ScreenProjection::clipSegment(screen.clip({0, 0, 0.25}), screen.clip({0, 0, -1.25}), t0, t1));
    EXPECT_NEAR(t0, 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(t1, 1.0);
    EXPECT_FALSE(ScreenProjection::clipSegment(screen.clip({0, 0, 1}), screen.clip({1, 0, 0.25}), t0, t1));
    EXPECT_FALSE(ScreenProjection::clipSegment(screen.clip({0, 0, -300}), screen.clip({0, 0, -250}), t0, t1));
}

TEST(VisibleSpans, CutWhereTheSurfaceIsNearer)
{
    // 20 x 3 pixels, a wall nearer than the line over columns 8 to 11.
    const OccluderDepth occluder = wall(20, 3, 8, 12, 0, 3, 0.2f);
    std::vector<Span> spans;
    // Samples every half pixel from x = 0.5: the first hidden one is at
    // x = 8 (sample 15 of 38), the first visible again at x = 12 (23).
    visibleSpans({0.5, 1.5, 0.5}, {19.5, 1.5, 0.5}, 0.0, false, occluder, spans);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_DOUBLE_EQ(spans[0].from, 0.0);
    EXPECT_DOUBLE_EQ(spans[0].to, 14.5 / 38);
    EXPECT_DOUBLE_EQ(spans[1].from, 22.5 / 38);
    EXPECT_DOUBLE_EQ(spans[1].to, 1.0);

    // In front of the wall, the whole line shows; at its depth too (the
    // tolerance), a little behind it not.
    visibleSpans({0.5, 1.5, 0.1}, {19.5, 1.5, 0.1}, 0.0, false, occluder, spans);
    ASSERT_EQ(spans.size(), 1u);
    visibleSpans({9, 1.5, 0.2 + OccluderDepth::tolerance}, {11, 1.5, 0.2}, 0.0, false, occluder, spans);
    ASSERT_EQ(spans.size(), 1u);
    visibleSpans({9, 1.5, 0.2 + 3 * OccluderDepth::tolerance}, {11, 1.5, 0.2 + 3 * OccluderDepth::tolerance}, 0.0,
                 false, occluder, spans);
    EXPECT_TRUE(spans.empty());

    // Only the part on the page is sampled: from x = -10 to 30, the page
    // is u in [0.25, 0.75), the wall cuts it.
    visibleSpans({-10, 1.5, 0.5}, {30, 1.5, 0.5}, 0.0, false, occluder, spans);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_DOUBLE_EQ(spans[0].from, 0.25);
    EXPECT_LT(spans[1].to, 0.75);
    visibleSpans({-10, -5, 0.5}, {30, -5, 0.5}, 0.0, false, occluder, spans);
    EXPECT_TRUE(spans.empty());
    const double nan = std::nan("");
    visibleSpans({nan, 1, 0.5}, {3, 1, 0.5}, 0.0, false, occluder, spans);
    EXPECT_TRUE(spans.empty());
}

TEST(VisibleSpans, HalfOfALineAlongTheSurfaceEdge)
{
    // Rows 0 and 1 (above the line at y = 2) are nearer: the upper half of a
    // line along x is hidden. Going in +x, n = (0, -1) points up.
    const OccluderDepth occluder = wall(20, 4, 0, 20, 0, 2, 0.2f);
    std::vector<Span> spans;
    visibleSpans({2, 2, 0.5}, {18, 2, 0.5}, 1.0, true, occluder, spans);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].side, -1);
    // The other way along the line the shown half is on the +n side.
    visibleSpans({18, 2, 0.5}, {2, 2, 0.5}, 1.0, true, occluder, spans);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].side, 1);
    // Without halves the line shows whole.
    visibleSpans({2, 2, 0.5}, {18, 2, 0.5}, 1.0, false, occluder, spans);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].side, 0);
}

TEST(OccluderDepth, RowsFromTheBottomAndBadSizes)
{
    // glReadPixels gives the bottom row first.
    const OccluderDepth occluder(2, 2, {0.1f, 0.2f, 0.3f, 0.4f});
    EXPECT_TRUE(occluder.visible(0.5, 0.5, 0.3));  // top left: 0.3
    EXPECT_FALSE(occluder.visible(0.5, 1.5, 0.3)); // bottom left: 0.1
    EXPECT_FALSE(occluder.visible(2.0, 0.5, 0.0)); // off the page
    EXPECT_FALSE(occluder.visible(-0.1, 0.5, 0.0));
    // A depth array of the wrong size is no surface at all.
    const OccluderDepth none(2, 2, {0.1f});
    EXPECT_TRUE(none.visible(1.5, 1.5, 0.99));
}

TEST(LineChaining, PiecesMeetingAtVerticesBecomeOnePolyline)
{
    LineArt art;
    // 0-1, 2-1 (stored the other way), 2-3: one polyline of four points.
    chainPieces(std::vector<LinePiece>{piece(0, 1, 0, 1), piece(2, 1, 2, 1), piece(2, 3, 2, 3)}, 0.5, art);
    ASSERT_EQ(art.paths.size(), 1u);
    const std::vector<PagePoint> line = pathPoints(art, 0);
    ASSERT_EQ(line.size(), 4u);
    EXPECT_EQ(line.front().x + line.back().x, 3.0f);
    EXPECT_EQ(art.pieces, 3u);
    EXPECT_EQ(art.polylines, 1u);
    EXPECT_DOUBLE_EQ(art.pointsPerPolyline(), 4.0);

    // A closed triangle is one loop that ends where it starts.
    LineArt loop;
    chainPieces(std::vector<LinePiece>{{0, 0, 5, 0, 0, 1, 0}, {5, 0, 0, 5, 1, 2, 0}, {0, 5, 0, 0, 2, 0, 0}}, 0.5, loop);
    ASSERT_EQ(loop.paths.size(), 1u);
    EXPECT_EQ(loop.paths[0].count, 4u);
    EXPECT_EQ(pathPoints(loop, 0).front(), pathPoints(loop, 0).back());
}

TEST(LineChaining, StylesCutsSidesAndShortPieces)
{
    // A change of style, and a cut end (no vertex), end a polyline.
    LineArt art;
    chainPieces(std::vector<LinePiece>{piece(0, 1, 0, 1), piece(1, 2, 1, 2, 1), piece(2, 3, 2, noVertex),
                                       piece(3.5, 4, noVertex, 4)},
                0.5, art);
    EXPECT_EQ(art.paths.size(), 4u);

    // Three pieces at one vertex: two polylines.
    LineArt junction;
    chainPieces(std::vector<LinePiece>{piece(0, 1, 0, 1), piece(1, 2, 1, 2), {1, 10, 1, 20, 1, 3, 0}}, 0.5, junction);
    EXPECT_EQ(junction.paths.size(), 2u);

    // Halves continue halves on the same side of the chain: 0-1 and 1-2 on
    // side 1 do, 0-1 on side 1 and 2-1 on side 1 (the other way) do not.
    LineArt halves;
    chainPieces(std::vector<LinePiece>{piece(0, 1, 0, 1, 0, 1), piece(1, 2, 1, 2, 0, 1)}, 0.5, halves);
    EXPECT_EQ(halves.paths.size(), 1u);
    LineArt opposite;
    chainPieces(std::vector<LinePiece>{piece(0, 1, 0, 1, 0, 1), piece(2, 1, 2, 1, 0, 1)}, 0.5, opposite);
    EXPECT_EQ(opposite.paths.size(), 2u);

    // Rounded to 0.01 pixel; polylines under half a pixel are dropped, but
    // short pieces that chain into a longer line stay.
    LineArt dust;
    chainPieces(std::vector<LinePiece>{{1.234, 2.345, 1.5, 2.345, noVertex, noVertex, 0},
                                       {5.0, 5.0, 5.004, 5.0, noVertex, noVertex, 0},
                                       piece(10, 10.3, 7, 8), piece(10.3, 10.6, 8, 9)},
                0.5, dust);
    ASSERT_EQ(dust.paths.size(), 1u);
    EXPECT_EQ(pathPoints(dust, 0).size(), 3u);
    EXPECT_EQ(dust.pieces, 4u);
}

TEST(LineArtBuilder, StylesHaveTheLookOnScreen)
{
    // A strong silhouette: 2.5 wide, grey 0.05; its half 1.25.
    LineStyle s = LineArtBuilder::edgeLineStyle(edgeWith(1, true, true, false, 1.0f), false);
    EXPECT_DOUBLE_EQ(s.width, 2.5);
    EXPECT_EQ(s.name, "lines-w2.50-g0.05-a1.00");
    EXPECT_DOUBLE_EQ(LineArtBuilder::edgeLineStyle(edgeWith(1, true, true, false, 1.0f), true).width, 1.25);
    // A near-silhouette with s = 0.52 is drawn as s = 0.5 (steps of 1/16):
    // 0.6 wide, grey 0.68, alpha 0.26; on screen a pixel wide, opaque.
    s = LineArtBuilder::edgeLineStyle(edgeWith(1, false, false, true, 0.52f), false);
    EXPECT_DOUBLE_EQ(s.width, 1.0);
    EXPECT_NEAR(s.grey, 0.68, 1e-12);
    EXPECT_DOUBLE_EQ(s.alpha, 1.0);
    EXPECT_EQ(s.name, "lines-w1.00-g0.68-a1.00");
    // The half of a grazing silhouette at s = 0 (1.1 wide): a pixel too.
    EXPECT_DOUBLE_EQ(LineArtBuilder::edgeLineStyle(edgeWith(1, true, true, true, 0.0f), true).width, 1.0);
    // At s = 1 its grey 1.01 is kept to white, which leaves no mark; 1%
    // darkness does.
    s = LineArtBuilder::edgeLineStyle(edgeWith(1, false, false, true, 0.99f), false);
    EXPECT_DOUBLE_EQ(s.grey, 1.0);
    EXPECT_FALSE(leavesMark({s.width, s.grey, s.alpha}));
    EXPECT_TRUE(leavesMark(screenMark(0.1, 0.985)));
    EXPECT_FALSE(leavesMark(screenMark(5.0, 0.995)));
    EXPECT_FALSE(leavesMark({2.0, 0.0, 0.009}));
}

TEST(LineArtBuilder, EdgesOnAPageChainGroupAndHide)
{
    // Identity matrices: model x, y in [-1, 1] cover a 200 x 100 page.
    const ScreenProjection screen(identity, identity, 200, 100);
    // A wall nearer than the lines over page columns 120 to 139.
    const OccluderDepth occluder = wall(200, 100, 120, 140, 0, 100, 0.1f);
    const std::vector<gmVec3> vertices{{-0.8, 0, 0}, {-0.4, 0, 0}, {0, 0, 0}, {0.6, 0, 0}, {0, 0.5, 0}};
    // Row 0: 0-1 strong silhouette; row 1: 1-2 strong; row 2: 2-3 strong
    // (cut by the wall), 2-4 a near-silhouette; row 3: 3-4 not drawn.
    const EdgeBuffer edges({{edgeWith(1, true, true, false, 1.0f)},
                            {edgeWith(2, true, true, false, 1.0f)},
                            {edgeWith(3, true, true, false, 1.0f), edgeWith(4, false, false, true, 0.5f)},
                            {edgeWith(4, false, false, false, 0.9f)},
                            {}});
    LineArtBuilder builder(screen, occluder);
    builder.addEdges(edges, vertices);
    const LineArt art = builder.finish();
    EXPECT_EQ(art.pieces, 5u);
    ASSERT_EQ(art.paths.size(), 3u);
    // Styles in drawing order, by rising width: the near-silhouette (0.6
    // wide, a pixel on screen) first.
    ASSERT_EQ(art.styles.size(), 2u);
    EXPECT_DOUBLE_EQ(art.styles[0].width, 1.0);
    EXPECT_DOUBLE_EQ(art.styles[1].width, 2.5);
    EXPECT_EQ(art.paths[0].style, 0u);
    // From x = 20 through 60 and 100 to the wall at 120; then from the
    // wall's far side at 140 to 160.
    const std::vector<PagePoint> left = pathPoints(art, 1), right = pathPoints(art, 2);
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(left.front().x + left.back().x, 20.0f + 119.75f);
    EXPECT_EQ(left[1].y, 50.0f);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right.front().x + right.back().x, 139.75f + 160.0f);
}

TEST(LineArtBuilder, BorderEdgesShowWholeWhereTheirEmptySideShows)
{
    const ScreenProjection screen(identity, identity, 200, 100);
    const std::vector<gmVec3> vertices{{-0.8, 0, 0}, {0.8, 0, 0}, {0, 0.5, 0}};
    // 0-1 a strong silhouette along page row 50 (depth 0.5), 0-2 a white
    // near-silhouette; a face above the line at faceDepth down to row
    // lastRow, and a wall in front over columns 120 to 139.
    const auto drawing = [&](bool border, float faceDepth, int lastRow) {
        std::vector<float> depth(200 * 100, 1.0f);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                depth[std::size_t((99 - y) * 200 + x)] = x >= 120 && x < 140 ? 0.1f : y <= lastRow ? faceDepth : 1.0f;
        const OccluderDepth occluder(200, 100, depth);
        const EdgeBuffer edges({{edgeWith(1, true, true, false, 1.0f, border), edgeWith(2, false, false, true, 0.99f)},
                                {},
                                {}});
        LineArtBuilder builder(screen, occluder);
        builder.addEdges(edges, vertices);
        return builder.finish();
    };
    const auto expectWhole = [](const LineArt& art) {
        ASSERT_EQ(art.styles.size(), 1u);
        EXPECT_EQ(art.styles[0].name, "lines-w2.50-g0.05-a1.00");
        ASSERT_EQ(art.paths.size(), 2u);
        const std::vector<PagePoint> left = pathPoints(art, 0), right = pathPoints(art, 1);
        EXPECT_EQ(left.front().x + left.back().x, 20.0f + 119.75f);
        EXPECT_EQ(right.front().x + right.back().x, 139.75f + 180.0f);
        EXPECT_EQ(left[0].y, 50.0f);
    };
    // The line's own face, a hair nearer, its pixels reaching a row past
    // the line: between two faces the line is hidden, and its style, left
    // without paths, is dropped (the white edge leaves none either). On the
    // border the face hides it on neither side: whole but for the wall.
    LineArt art = drawing(false, 0.499f, 50);
    EXPECT_TRUE(art.paths.empty());
    EXPECT_TRUE(art.styles.empty());
    expectWhole(drawing(true, 0.499f, 50));
    // A slope in front above the line: between two faces the half below
    // shows, 1.25 wide and a quarter of 2.5 off the line; on the border,
    // whose other side is empty, the whole line.
    art = drawing(false, 0.4f, 49);
    ASSERT_EQ(art.styles.size(), 1u);
    EXPECT_EQ(art.styles[0].name, "lines-w1.25-g0.05-a1.00");
    ASSERT_EQ(art.paths.size(), 2u);
    EXPECT_EQ(pathPoints(art, 0)[0].y, 50.63f);
    expectWhole(drawing(true, 0.4f, 49));
}

TEST(LineArtBuilder, StrokesAreQuadsCutWhereHidden)
{
    const ScreenProjection screen(identity, identity, 200, 100);
    const std::vector<gmVec3> vertices{{0, 0, 0}, {0.2, 0, 0}, {0.9, 0.9, 0}};
    // Edge 0-1 draws a stroke from its midpoint along x, raised along y by
    // 0.01 x the frame's normal; edge 0-2 draws none.
    const EdgeBuffer edges({{edgeWith(1, true, true, false, 1.0f), edgeWith(2, false, false, false, 0.9f)}, {}, {}});
    const std::vector<CurvatureFrame> frames{{gmVec3(1, 0, 0), gmVec3(0, 0, 1), gmVec3(0, 10, 0)},
                                             {gmVec3(0, 1, 0), gmVec3(1, 0, 0), gmVec3(0, 10, 0)}};
    const OccluderDepth open(200, 100, {});
    LineArtBuilder whole(screen, open);
    whole.addStrokes(edges, vertices, frames, true);
    LineArt art = whole.finish();
    ASSERT_EQ(art.paths.size(), 1u);
    EXPECT_EQ(art.strokes, 1u);
    EXPECT_TRUE(art.styles[0].filled);
    EXPECT_EQ(pathPoints(art, 0), (std::vector<PagePoint>{{110, 50}, {130, 50}, {130, 45}, {110, 45}}));

    // A wall from page column 120 on hides the stroke's far half: it ends
    // between the last sample before the wall and the first on it.
    const OccluderDepth walled = wall(200, 100, 120, 200, 0, 100, 0.1f);
    LineArtBuilder cut(screen, walled);
    cut.addStrokes(edges, vertices, frames, true);
    art = cut.finish();
    ASSERT_EQ(art.paths.size(), 1u);
    const std::vector<PagePoint> quad = pathPoints(art, 0);
    EXPECT_EQ(quad[0], (PagePoint{110, 50}));
    EXPECT_NEAR(quad[1].x, 119.75, 0.26);
    EXPECT_EQ(quad[2].x, quad[1].x);
    EXPECT_EQ(quad[3], (PagePoint{110, 45}));
}

TEST(LineArtOrder, NearestEndFirstReversedJoinedAndTravelCut)
{
    LineArt art;
    art.width = 200;
    art.height = 100;
    art.layers = {ArtLayer{"contours", "layer-contours"}, ArtLayer{"strokes", "layer-strokes"}};
    LineStyle line, filled;
    line.name = "contours-w1.00-g0.00-a1.00";
    filled.name = "strokes";
    filled.filled = true;
    filled.layer = 1;
    art.styles = {line, filled};
    // As chained: far right, then a path whose far end is nearer the pen,
    // then one that starts 0.05 px from where that one ends; a quad.
    art.points = {{100, 0}, {110, 0}, {12, 0}, {10, 0}, {12.05f, 0}, {40, 0},
                  {150, 50}, {160, 50}, {160, 60}, {1, 1}};
    art.paths = {{0, 0, 2}, {0, 2, 2}, {0, 4, 2}, {1, 6, 4}};
    orderPaths(art);
    ASSERT_EQ(art.paths.size(), 3u);
    EXPECT_EQ(pathPoints(art, 0), (std::vector<PagePoint>{{10, 0}, {12, 0}, {12.05f, 0}, {40, 0}}));
    EXPECT_EQ(pathPoints(art, 1), (std::vector<PagePoint>{{100, 0}, {110, 0}}));
    // The quad keeps its direction: its outline ends where it starts.
    EXPECT_EQ(pathPoints(art, 2).front(), (PagePoint{150, 50}));
    EXPECT_EQ(art.polylines, 2u);
    EXPECT_EQ(art.polylinePoints, 6u);
    // From the corner: 100 + 98 + 2.05 px as chained, 10 + 60 ordered.
    const ArtLayer& contours = art.layers[0];
    EXPECT_EQ(contours.chainedPaths, 3u);
    EXPECT_EQ(contours.paths, 2u);
    EXPECT_EQ(contours.chainedPoints, 6u);
    EXPECT_EQ(contours.points, 6u);
    EXPECT_NEAR(contours.chainedTravel, 200.05, 1e-4);
    EXPECT_NEAR(contours.travel, 70.0, 1e-9);
    // Each layer's pen starts at the corner again.
    EXPECT_NEAR(art.layers[1].travel, std::hypot(150.0, 50.0), 1e-9);
}

TEST(LineArtBuilder, FamiliesAreLayersOfTheirOwnDrawnOnTheirSurface)
{
    const ScreenProjection screen(identity, identity, 200, 100);
    // A surface at depth 0.5 (z = 0) over page columns 100 to 199.
    const OccluderDepth occluder = wall(200, 100, 100, 200, 0, 100, 0.5f);
    LineFamily index;
    index.name = "index contours";
    index.styles = {{1.75f, 0.15f, 1.0f}};
    const auto square = [&](float x0, float z) {
        index.begin(0);
        for (const auto& [dx, y] : {std::pair{0.0f, -0.5f}, {0.2f, -0.5f}, {0.2f, 0.5f}, {0.0f, 0.5f}, {0.0f, -0.5f}})
            index.add(x0 + dx, y, z);
        index.end();
    };
    // A closed loop left of the surface, one lying on it a little behind its
    // depth (within the lift: shows), one well behind it (hidden).
    square(-0.8f, 0.0f);
    square(0.2f, 0.01f);
    square(0.6f, 0.1f);
    LineArtBuilder builder(screen, occluder);
    const EdgeBuffer edges({{edgeWith(1, true, true, false, 1.0f)}, {}});
    builder.addEdges(edges, std::vector<gmVec3>{{0.3, 0.5, 0.01}, {0.4, 0.5, 0.01}});
    builder.addFamily(index);
    const LineArt art = builder.finish();
    ASSERT_EQ(art.layers.size(), 2u);
    EXPECT_EQ(art.layers[0].label, "silhouettes");
    EXPECT_EQ(art.layers[0].id, "layer-silhouettes");
    EXPECT_EQ(art.layers[1].label, "index contours");
    EXPECT_EQ(art.layers[1].id, "layer-index-contours");
    // The edge at the depth of the second loop is hidden, the loop is not.
    for (const ArtPath& p : art.paths)
        EXPECT_EQ(art.styles[p.style].layer, 1u);
    ASSERT_EQ(art.paths.size(), 2u);
    EXPECT_EQ(art.styles[art.paths[0].style].name, "index-contours-w1.75-g0.15-a1.00");
    for (std::size_t k = 0; k < 2; ++k) {
        const std::vector<PagePoint> loop = pathPoints(art, k);
        EXPECT_EQ(loop.size(), 5u);
        EXPECT_EQ(loop.front(), loop.back()); // closed
    }
}
