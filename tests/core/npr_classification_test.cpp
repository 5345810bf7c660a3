#include "edge_buffer.h"

#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Two triangles (0, 1, 2) and (2, 1, 3) sharing edge (1, 2), seen from the
// origin, with face normals chosen so that dot(normal, direction to the
// face's centroid) is k0 and k1.
struct TwoTriangles {
    std::vector<gmVec3> vertices{{1, 0, 5}, {2, 0, 5}, {1, 1, 5}, {2, 1, 5}};
    std::vector<Face> faces{{{0, 1, 2}}, {{2, 1, 3}}};
    std::vector<gmVec3> normals;
    EdgeBuffer edges;

    TwoTriangles(double k0, double k1)
    {
        normals = {normalWithFacing(0, k0), normalWithFacing(1, k1)};
        edges.build(vertices.size(), faces);
    }

    gmVec3 normalWithFacing(std::size_t f, double k) const
    {
        const Face& face = faces[f];
        gmVec3 d = ((vertices[face.v[0]] + vertices[face.v[1]]) + vertices[face.v[2]]) / 3.0;
        d.normalize();
        gmVec3 side = cross(d, gmVec3(0, 1, 0));
        side.normalize();
        return d * k + side * std::sqrt(1.0 - k * k);
    }

    Edge shared() const
    {
        Edge e;
        edges.getEdge(1, 2, e);
        return e;
    }
};

struct Look {
    bool drawn;
    gmVec3 colour;
    double width, alpha;
};

Look lookOf(const Edge& e, int mode = 1)
{
    Look l{};
    l.drawn = EdgeBuffer::edgeStyle(e, mode, l.colour, l.width, l.alpha);
    return l;
}

void expectDrawnAs(const Edge& e, double width, double grey, double alpha)
{
    const Look l = lookOf(e);
    EXPECT_TRUE(l.drawn);
    EXPECT_NEAR(l.width, width, 1e-6);
    EXPECT_EQ(l.colour, gmVec3(l.colour[0], l.colour[0], l.colour[0])); // a grey
    EXPECT_NEAR(l.colour[0], grey, 1e-6);
    EXPECT_NEAR(l.alpha, alpha, 1e-6);
}

// A terrain-like mesh with relief: a grid of w x h vertices.
struct Hills {
    std::vector<gmVec3> vertices;
    std::vector<Face> faces;
    std::vector<gmVec3> normals;

    Hills(std::uint32_t w, std::uint32_t h)
    {
        for (std::uint32_t r = 0; r < h; ++r)
            for (std::uint32_t c = 0; c < w; ++c)
                vertices.emplace_back(c / 50.0, r / 50.0, 0.1 * std::sin(c * 0.3) * std::cos(r * 0.2));
        for (std::uint32_t r = 0; r + 1 < h; ++r)
            for (std::uint32_t c = 0; c + 1 < w; ++c) {
                const std::uint32_t a = r * w + c, b = a + 1, d = a + w, e = d + 1;
                faces.push_back({{b, a, d}});
                faces.push_back({{b, d, e}});
                normals.push_back(cross(vertices[a] - vertices[b], vertices[a] - vertices[e]).normalize() * -1.0);
                normals.push_back(cross(vertices[a] - vertices[e], vertices[a] - vertices[d]).normalize() * -1.0);
            }
    }
};

} // namespace

TEST(EdgeClassification, SingleTriangleIsAllBorderSilhouettes)
{
    const std::vector<gmVec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<Face> faces{{{0, 1, 2}}};
    const std::vector<gmVec3> normals{{0, 0, 1}};
    EdgeBuffer b;
    b.build(3, faces);
    b.updateAllEdges(faces, normals, vertices, gmVec3(0, 0, 10), 0.2f, 0.05f);
    ASSERT_EQ(b.edgeCount(), 3u);
    for (const Edge& e : b.edges()) {
        EXPECT_TRUE(e.front && e.back);
        EXPECT_EQ(e.s, 1.0f);
        EXPECT_FALSE(e.used);
        expectDrawnAs(e, 2.5, 0.05, 1.0);
    }
}

TEST(EdgeClassification, OppositeFacesMakeAGrazingSilhouette)
{
    TwoTriangles t(-0.2, 0.1);
    t.edges.updateAllEdges(t.faces, t.normals, t.vertices, gmVec3(0, 0, 0), 1.0f, 1.0f);
    Edge e = t.shared();
    EXPECT_TRUE(e.isSilhouette());
    EXPECT_FALSE(e.border);
    EXPECT_FLOAT_EQ(e.s, 0.1f); // 0.1 < 1.0: used, s / 1.0 stays 0.1
    EXPECT_TRUE(e.used);

    t.edges.updateAllEdges(t.faces, t.normals, t.vertices, gmVec3(0, 0, 0), 1.0f, 0.25f);
    e = t.shared();
    EXPECT_TRUE(e.used);
    EXPECT_FLOAT_EQ(e.s, 0.4f);
    expectDrawnAs(e, 1.5, 0.23, 1.0);

    // A strict threshold: exactly 0.1 is not below 0.1.
    t.edges.updateAllEdges(t.faces, t.normals, t.vertices, gmVec3(0, 0, 0), 1.0f, 0.1f);
    e = t.shared();
    EXPECT_FALSE(e.used);
    EXPECT_FLOAT_EQ(e.s, 0.1f);
    EXPECT_EQ(lookOf(e).width, 2.5);
}

TEST(EdgeClassification, NearSilhouetteOfTwoFacingFaces)
{
    TwoTriangles t(-0.3, -0.6);
    t.edges.updateAllEdges(t.faces, t.normals, t.vertices, gmVec3(0, 0, 0), 0.5f, 0.125f);
    const Edge e = t.shared();
    EXPECT_FALSE(e.isSilhouette());
    EXPECT_TRUE(e.used);
    EXPECT_FLOAT_EQ(e.s, 0.6f);
    expectDrawnAs(e, 0.5, 0.746, 0.227);

    // Below the threshold's reach the edge is not drawn at all.
    t.edges.updateAllEdges(t.faces, t.normals, t.vertices, gmVec3(0, 0, 0), 0.3f, 0.075f);
    EXPECT_FALSE(t.shared().used);
    EXPECT_FALSE(lookOf(t.shared()).drawn);
}

TEST(EdgeClassification, EdgeOnFaceCountsAsFacingAway)
{
    // The point lies in the plane of face 0 (k = 0); face 1 faces it.
    const std::vector<gmVec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const std::vector<Face> faces{{{0, 1, 2}}, {{2, 1, 3}}};
    const gmVec3 point(5, 5, 0);
    gmVec3 towards = (vertices[2] + vertices[1] + vertices[3]) / 3.0 - point;
    towards.normalize();
    const std::vector<gmVec3> normals{{0, 0, 1}, towards * -1.0};
    EdgeBuffer b;
    b.build(4, faces);
    b.updateAllEdges(faces, normals, vertices, point, 0.2f, 0.05f);
    Edge e;
    ASSERT_TRUE(b.getEdge(1, 2, e));
    EXPECT_TRUE(e.front);
    EXPECT_TRUE(e.back);
    EXPECT_TRUE(e.used);
    EXPECT_EQ(e.s, 0.0f);
    EXPECT_NEAR(lookOf(e).width, 1.1, 1e-12);
}

TEST(EdgeClassification, ResultDoesNotDependOnThreadsOrEarlierRuns)
{
    const Hills hills(61, 47);
    EdgeBuffer one, two, three;
    for (EdgeBuffer* b : {&one, &two, &three})
        b->build(hills.vertices.size(), hills.faces);
    const gmVec3 eye(0.6, -3.0, 2.0);
    // A first run for another point must leave no trace.
    two.updateAllEdges(hills.faces, hills.normals, hills.vertices, gmVec3(5, 5, 5), 0.9f, 0.6f, 2);
    one.updateAllEdges(hills.faces, hills.normals, hills.vertices, eye, 0.2f, 0.05f, 1);
    two.updateAllEdges(hills.faces, hills.normals, hills.vertices, eye, 0.2f, 0.05f, 2);
    three.updateAllEdges(hills.faces, hills.normals, hills.vertices, eye, 0.2f, 0.05f, 3);
    std::size_t silhouettes = 0, used = 0;
    for (std::size_t k = 0; k < one.edgeCount(); ++k) {
        for (const EdgeBuffer* other : {&two, &three}) {
            const Edge &a = one.edges()[k], &b = other->edges()[k];
            ASSERT_EQ(a.other, b.other);
            ASSERT_EQ(a.front, b.front) << k;
            ASSERT_EQ(a.back, b.back) << k;
            ASSERT_EQ(a.used, b.used) << k;
            ASSERT_EQ(a.s, b.s) << k;
        }
        silhouettes += one.edges()[k].isSilhouette() && !one.edges()[k].border;
        used += one.edges()[k].used;
    }
    // The view sees both sides of the hills: a real mix of classes.
    EXPECT_GT(silhouettes, 10u);
    EXPECT_GT(used, 10u);
    EXPECT_LT(used, one.edgeCount());

    // Faces in reverse order: every update crosses to another thread's rows.
    const std::vector<Face> reversed(hills.faces.rbegin(), hills.faces.rend());
    const std::vector<gmVec3> reversedNormals(hills.normals.rbegin(), hills.normals.rend());
    EdgeBuffer backwards;
    backwards.build(hills.vertices.size(), reversed);
    backwards.updateAllEdges(reversed, reversedNormals, hills.vertices, eye, 0.2f, 0.05f, 2);
    for (std::size_t i = 0; i < one.rowCount(); ++i)
        for (const Edge& a : one.row(i)) {
            Edge b;
            ASSERT_TRUE(backwards.getEdge(int(i), a.other, b));
            ASSERT_EQ(a.front, b.front);
            ASSERT_EQ(a.back, b.back);
            ASSERT_EQ(a.used, b.used);
            ASSERT_EQ(a.s, b.s);
        }
}

TEST(EdgeClassification, InteriorFacingValueNeverExceedsAHalf)
{
    const Hills hills(30, 20);
    EdgeBuffer b;
    b.build(hills.vertices.size(), hills.faces);
    // A threshold above 0.5 makes every interior edge a drawn line.
    b.updateAllEdges(hills.faces, hills.normals, hills.vertices, gmVec3(0.3, 0.2, 4.0), 0.51f, 0.1275f);
    for (const Edge& e : b.edges()) {
        if (e.border)
            continue;
        EXPECT_TRUE(e.used || e.isSilhouette());
        EXPECT_TRUE(lookOf(e).drawn);
    }
}

TEST(EdgeClassificationDeathTest, FaceAndNormalCountsMustAgree)
{
    const std::vector<gmVec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<Face> faces{{{0, 1, 2}}};
    EdgeBuffer b;
    b.build(3, faces);
    EXPECT_EXIT(b.updateAllEdges(faces, std::vector<gmVec3>{}, vertices, gmVec3(0, 0, 1), 0.2f, 0.05f),
                ::testing::ExitedWithCode(255), "");
}

TEST(EdgeClassification, FacesBeyondTheVerticesAreLeftOut)
{
    const std::vector<gmVec3> vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<Face> faces{{{0, 1, 2}}, {{0, 1, 9}}};
    const std::vector<gmVec3> normals{{0, 0, 1}, {0, 0, 1}};
    EdgeBuffer b;
    b.build(3, std::vector<Face>{faces[0]});
    ConsoleCapture console;
    b.updateAllEdges(faces, normals, vertices, gmVec3(0, 0, 5), 0.2f, 0.05f);
    EXPECT_EQ(console.text(), "Error in EdgeBuffer:updateAllEdges - faces name vertices beyond the 3 given; they are left out\n");
    for (const Edge& e : b.edges())
        EXPECT_EQ(e.s, 1.0f);
}

TEST(EdgeStyle, EveryModeAndClass)
{
    Edge sil(1), grazing(1), near(1), plain(1);
    sil.front = sil.back = true;
    grazing.front = grazing.back = grazing.used = true;
    grazing.s = 0.5f;
    near.used = true;
    near.s = 0.5f;

    Look l = lookOf(plain);
    EXPECT_FALSE(l.drawn);
    EXPECT_EQ(l.width, 1.0);
    EXPECT_EQ(l.alpha, 1.0);
    EXPECT_FALSE(lookOf(sil, 4).drawn);

    EXPECT_EQ(lookOf(sil, 2).colour, gmVec3(0, 0, 0.6));
    EXPECT_EQ(lookOf(grazing, 2).colour, gmVec3(0, 0.6, 0.2));
    EXPECT_EQ(lookOf(near, 2).colour, gmVec3(1, 0, 0));
    EXPECT_FALSE(lookOf(plain, 2).drawn);
    EXPECT_EQ(lookOf(near, 2).width, 1.0);

    for (const int mode : {-1, 0, 1, 3}) {
        l = lookOf(sil, mode);
        EXPECT_EQ(l.width, 2.5);
        EXPECT_EQ(l.colour[0], 0.05);
        EXPECT_EQ(l.alpha, 1.0);
        EXPECT_EQ(lookOf(grazing, mode).width, 1.6);
        EXPECT_EQ(lookOf(near, mode).width, 1.1 - 0.5);
    }
    EXPECT_EQ(lookOf(grazing, 0).colour[0], 0.0);
    EXPECT_EQ(lookOf(grazing, -3).colour[0], 0.0);
    EXPECT_DOUBLE_EQ(lookOf(grazing, 1).colour[0], 0.2);
    EXPECT_EQ(lookOf(grazing, 3).colour[0], 0.7);
    EXPECT_EQ(lookOf(near, 0).colour[0], 0.0);
    EXPECT_DOUBLE_EQ(lookOf(near, 1).colour[0], 0.68);
    EXPECT_DOUBLE_EQ(lookOf(near, 1).alpha, 0.26);
    EXPECT_EQ(lookOf(near, 3).colour[0], 0.4);
    EXPECT_EQ(lookOf(near, 3).alpha, 1.0);
}
