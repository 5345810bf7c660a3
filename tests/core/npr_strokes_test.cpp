#include "curvature_strokes.h"
#include "line_batches.h"
#include "line_pass.h"
#include "npr_test_edges.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CurvatureFrame frameOf(gmVec3 first, gmVec3 second, gmVec3 normal)
{
    return {first, second, normal};
}

void expectNear(const gmVec3& a, const gmVec3& b)
{
    EXPECT_LT((a - b).length(), 1e-7) << a[0] << " " << a[1] << " " << a[2];
}

// Row 0: a strong silhouette to 1 (width 2.5), a plain edge to 2 (not drawn);
// row 1: a near-silhouette to 2 (s 0.5: width 0.6), a grazing silhouette to 3
// (s 0.25: width 1.35).
EdgeBuffer classifiedBuffer()
{
    return EdgeBuffer({{edgeWith(1, true, true, false, 1.0f), edgeWith(2, false, false, false, 0.3f)},
                       {edgeWith(2, false, false, true, 0.5f), edgeWith(3, true, true, true, 0.25f)},
                       {},
                       {}});
}

const std::vector<gmVec3> fourVertices{{0, 0, 0}, {0.02, 0, 0}, {0, 0.02, 0}, {0.02, 0.02, 0.01}};

} // namespace

TEST(CurvatureStrokes, QuadOfTheWorkedExample)
{
    const CurvatureFrame f = frameOf({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    const StrokeQuad q = strokeQuad({0.09, 0.1, 0.5}, {0.11, 0.1, 0.5}, f, true);
    expectNear(q[0], {0.1, 0.1, 0.5});
    expectNear(q[1], {0.12, 0.1, 0.5});
    expectNear(q[2], {0.1, 0.1, 0.51});
    expectNear(q[3], {0.12, 0.1, 0.51});
    // The second axis turns the stroke by 90 degrees in the tangent plane.
    const StrokeQuad turned = strokeQuad({0.09, 0.1, 0.5}, {0.11, 0.1, 0.5}, f, false);
    expectNear(turned[1], {0.1, 0.12, 0.5});
}

TEST(CurvatureStrokes, LengthIsClampedAndDirectionNormalised)
{
    const CurvatureFrame f = frameOf({0, 3, 0}, {0, 0, 0}, {0, 0, 0.5});
    const StrokeQuad longEdge = strokeQuad({0, 0, 0}, {1, 0, 0}, f, true);
    expectNear(longEdge[1] - longEdge[0], {0, 0.3, 0});
    expectNear(longEdge[2] - longEdge[0], {0, 0, 0.005});
    const StrokeQuad shortEdge = strokeQuad({0, 0, 0}, {0.001, 0, 0}, f, true);
    expectNear(shortEdge[1] - shortEdge[0], {0, 0.005, 0});
    // A zero axis collapses the stroke onto the normal.
    const StrokeQuad flat = strokeQuad({0, 0, 0}, {0.02, 0, 0}, f, false);
    expectNear(flat[1], flat[0]);
}

TEST(CurvatureStrokes, OnlyDrawnEdgesGetStrokesWithTheirOwnFrames)
{
    const EdgeBuffer edges = classifiedBuffer();
    std::vector<CurvatureFrame> frames;
    for (int n = 0; n < 4; ++n)
        frames.push_back(frameOf({n == 3 ? 0.0 : 1.0, n == 3 ? 1.0 : 0.0, 0}, {0, 0, 1}, {0, 0, 1}));
    StrokeMesh mesh;
    mesh.build(edges, fourVertices, frames, true);
    ASSERT_EQ(mesh.strokeCount(), 3u);
    ASSERT_EQ(mesh.triangles().size(), 3u * 18);
    // The third stroke belongs to edge number 3, (1, 3), and follows its
    // frame (0, 1, 0) from the midpoint (0.02, 0.01, 0.005).
    const auto t = mesh.triangles().subspan(2 * 18);
    EXPECT_FLOAT_EQ(t[0], 0.02f);
    EXPECT_FLOAT_EQ(t[1], 0.01f);
    EXPECT_FLOAT_EQ(t[2], 0.005f);
    EXPECT_FLOAT_EQ(t[3] - t[0], 0.0f);
    EXPECT_NEAR(t[4] - t[1], std::sqrt(0.0004 + 0.0001), 1e-6);

    // Fewer frames than edges: the edges without one get no stroke.
    frames.resize(2);
    mesh.build(edges, fourVertices, frames, true);
    EXPECT_EQ(mesh.strokeCount(), 1u);
    mesh.build(edges, {}, frames, true);
    EXPECT_EQ(mesh.strokeCount(), 0u);
}

TEST(LineBatches, GroupsDrawnEdgesByWidthWithTheirOwnGreyAndAlpha)
{
    LineBatches lines;
    lines.build(classifiedBuffer(), fourVertices);
    EXPECT_EQ(lines.segmentCount(), 3u);
    std::vector<float> widths;
    for (const LineBatch& b : lines.batches())
        if (!b.vertices.empty()) {
            widths.push_back(b.width);
            ASSERT_EQ(b.vertices.size(), 2u);
        }
    // 0.6, 1.35 and 2.5 pixels, kept to 1/16.
    EXPECT_EQ(widths, (std::vector<float>{10 / 16.0f, 22 / 16.0f, 2.5f}));
    const LineBatch& near = lines.batches()[10];
    EXPECT_FLOAT_EQ(near.vertices[0].r, 0.5f * 0.66f + 0.35f);
    EXPECT_FLOAT_EQ(near.vertices[1].a, (1 - (0.5f * 0.66f + 0.35f)) * 0.5f + 0.1f);
    EXPECT_EQ(near.vertices[1].x, 0.0f);
    EXPECT_EQ(near.vertices[1].y, 0.02f);
    const LineBatch& strong = lines.batches()[40];
    EXPECT_FLOAT_EQ(strong.vertices[0].g, 0.05f);
    EXPECT_EQ(strong.vertices[1].x, 0.02f);

    // A rebuild reuses the batches: nothing of the last build remains.
    lines.build(EdgeBuffer({{}, {}, {}, {}}), fourVertices);
    EXPECT_EQ(lines.segmentCount(), 0u);
    EXPECT_EQ(LineBatches::widthIndex(0.01), 1);
    EXPECT_EQ(LineBatches::widthIndex(1e9), LineBatches::maxWidthIndex);
}

TEST(LinePass, ReclassifiesOnFirstRunRebuildPointThresholdOrCountChange)
{
    const std::vector<gmVec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<Face> faces{{{0, 1, 2}}};
    const std::vector<gmVec3> normals{{0, 0, 1}};
    EdgeBuffer edges;
    edges.build(3, faces);

    // The first run classifies even at threshold 0 with the initial point.
    LinePass pass(gmVec3(1, 1, 1));
    pass.startOnce(3);
    pass.startOnce(99); // only the first run counts
    EXPECT_EQ(pass.lastVertexCount, 3u);
    EXPECT_TRUE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1), 0.0f));
    EXPECT_EQ(pass.lines(edges, vertices).segmentCount(), 3u); // the border
    EXPECT_FALSE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1), 0.0f));

    EXPECT_TRUE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1), 0.2f));
    EXPECT_EQ(pass.lastThreshold, 0.2f);
    EXPECT_FALSE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1 + 1e-11), 0.2f));
    EXPECT_TRUE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1 + 1e-9), 0.2f));
    EXPECT_TRUE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1 + 1e-9), 0.21f));

    // A mesh rebuilt with the same vertex count is classified and drawn anew.
    EXPECT_EQ(pass.lines(edges, vertices).segmentCount(), 3u);
    edges.build(3, faces);
    pass.meshChanged();
    EXPECT_EQ(pass.lines(edges, vertices).segmentCount(), 0u);
    EXPECT_TRUE(pass.classify(edges, faces, normals, vertices, gmVec3(1, 1, 1 + 1e-9), 0.21f));
    EXPECT_EQ(pass.lines(edges, vertices).segmentCount(), 3u);
    const std::vector<gmVec3> moreVertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}};
    EXPECT_TRUE(pass.classify(edges, faces, normals, moreVertices, gmVec3(1, 1, 1 + 1e-9), 0.21f));
    EXPECT_EQ(pass.lastVertexCount, 4u);
}
