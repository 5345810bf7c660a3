#include "curvature_frames.h"
#include "edge_buffer.h"
#include "jgrid.h"
#include "occluder.h"
#include "terrain_mesh.h"

#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Mesh {
    std::vector<gmVec3> vertices, vertexNormals, faceNormals;
    std::vector<Face> faces;
    EdgeBuffer edges;
    std::vector<CurvatureFrame> frames;

    explicit Mesh(const JGrid& g)
    {
        buildTerrainMesh(g, vertices, vertexNormals, faces, faceNormals);
        edges.build(vertices.size(), faces);
        computeCurvatureFrames(edges, vertexNormals, g.width, frames);
    }
};

std::vector<std::vector<int>> rowsOf(const EdgeBuffer& b)
{
    std::vector<std::vector<int>> rows(b.rowCount());
    for (std::size_t i = 0; i < b.rowCount(); ++i)
        for (const Edge& e : b.row(i))
            rows[i].push_back(e.other);
    return rows;
}

} // namespace

TEST(TerrainMesh, ThreeByTwoGridFacesEdgesAndFrames)
{
    JGrid g;
    fillTestGrid(g, 3, 2, 30.0f, [](unsigned r, unsigned c) { return float(100 + 7 * r + 3 * c * c); });
    const Mesh m(g);
    ASSERT_EQ(m.vertices.size(), 6u);
    EXPECT_EQ(m.faces, (std::vector<Face>{{{1, 0, 3}}, {{1, 3, 4}}, {{2, 1, 4}}, {{2, 4, 5}}}));
    EXPECT_EQ(m.faceNormals.size(), 4u);
    EXPECT_EQ(rowsOf(m.edges), (std::vector<std::vector<int>>{{1, 3}, {3, 4, 2}, {4, 5}, {4}, {5}, {}}));
    for (std::size_t i = 0; i < m.edges.rowCount(); ++i)
        for (const Edge& e : m.edges.row(i)) {
            const bool interior = (i == 1 && (e.other == 3 || e.other == 4)) || (i == 2 && e.other == 4);
            EXPECT_EQ(e.border, !interior) << i << "-" << e.other;
        }
    ASSERT_EQ(m.frames.size(), 9u);
    std::size_t n = 0;
    for (std::size_t i = 0; i < m.edges.rowCount(); ++i)
        for (const Edge& e : m.edges.row(i)) {
            const CurvatureFrame& f = m.frames[n++];
            const gmVec3 first = f.first, second = f.second, normal = f.normal;
            const gmVec3 mean = (m.vertexNormals[i] + m.vertexNormals[std::size_t(e.other)]) / 2.0;
            EXPECT_LT((normal - mean).length(), 1e-7);
            EXPECT_NEAR(first.length(), 1.0, 1e-7);
            EXPECT_NEAR(second.length(), 1.0, 1e-7);
            EXPECT_NEAR(dot(first, second), 0.0, 1e-7);
            EXPECT_NEAR(dot(second, normal), 0.0, 1e-7);
        }
}

TEST(TerrainMesh, FaceNormalsComeFromTheOtherDiagonal)
{
    JGrid g;
    // One cell with a twist: the two diagonals give different triangles.
    fillTestGrid(g, 2, 2, 1.0f, [](unsigned r, unsigned c) { return float(r * c * 45); });
    const Mesh m(g);
    ASSERT_EQ(m.faceNormals.size(), 2u);
    const std::vector<gmVec3>& v = m.vertices;
    gmVec3 abe = cross(v[0] - v[1], v[0] - v[3]);
    gmVec3 aed = cross(v[0] - v[3], v[0] - v[2]);
    EXPECT_EQ(m.faceNormals[0], abe.normalize() * -1.0);
    EXPECT_EQ(m.faceNormals[1], aed.normalize() * -1.0);
    EXPECT_NE(m.faceNormals[0], m.faceNormals[1]);
}

TEST(TerrainMesh, FlatGridHasZeroFramesAndDownwardFaceNormals)
{
    JGrid g;
    fillTestGrid(g, 5, 4, 30.0f, [](unsigned, unsigned) { return 250.0f; });
    const Mesh m(g);
    EXPECT_EQ(m.faces.size(), 2u * 4 * 3);
    for (const gmVec3& n : m.vertexNormals)
        EXPECT_EQ(n, gmVec3(0, 0, 1));
    for (const gmVec3& n : m.faceNormals)
        EXPECT_EQ(n, gmVec3(0, 0, -1));
    ASSERT_EQ(m.frames.size(), m.edges.edgeCount());
    for (const CurvatureFrame& f : m.frames) {
        EXPECT_EQ(gmVec3(f.first), gmVec3());
        EXPECT_EQ(gmVec3(f.second), gmVec3());
        EXPECT_EQ(gmVec3(f.normal), gmVec3(0, 0, 1));
    }
}

TEST(TerrainMesh, VertexPositionsUseTheScaledHeight)
{
    JGrid g;
    fillTestGrid(g, 9, 5, 30.0f, [](unsigned r, unsigned c) { return r == 3 && c == 7 ? 127.0f : 100.0f; });
    const Mesh m(g);
    const gmVec3& p = m.vertices[3 * 9 + 7];
    EXPECT_DOUBLE_EQ(p[0], 0.14);
    EXPECT_DOUBLE_EQ(p[1], 0.06);
    EXPECT_NEAR(p[2], 0.02, 1e-8); // a float
    // The mesh computes the grid's normals itself, also for a
    // grid that holds none (as after a load or a level change).
    const Array2D<gmVec3> gridNormals = g.normals;
    g.normals.clear();
    g.normalsValid = false;
    const Mesh bare(g);
    ASSERT_EQ(bare.vertexNormals.size(), gridNormals.size());
    for (std::size_t k = 0; k < gridNormals.size(); ++k)
        ASSERT_EQ(bare.vertexNormals[k], gridNormals.data()[k]) << k;
    EXPECT_NE(bare.vertexNormals[2 * 9 + 7], gmVec3(0, 0, 1));
}

TEST(TerrainMesh, DegenerateGridsGiveNoFacesAndNoFrames)
{
    JGrid row, single;
    fillTestGrid(row, 6, 1, 30.0f, [](unsigned, unsigned c) { return float(c); });
    fillTestGrid(single, 1, 1, 30.0f, [](unsigned, unsigned) { return 3.0f; });
    for (const JGrid* g : {&row, &single}) {
        const Mesh m(*g);
        EXPECT_EQ(m.vertices.size(), std::size_t(g->width) * g->height);
        EXPECT_TRUE(m.faces.empty());
        EXPECT_EQ(m.edges.edgeCount(), 0u);
        EXPECT_TRUE(m.frames.empty());
    }
}

TEST(TerrainMesh, OccluderSitsAlongTheNormals)
{
    JGrid g;
    fillTestGrid(g, 4, 3, 30.0f, [](unsigned r, unsigned c) { return float(100 + r * 20 + c * c * 5); });
    const Mesh m(g);
    EXPECT_FLOAT_EQ(occluderOffset(m.vertices), -0.0002f);
    std::vector<float> positions;
    buildOccluderPositions(m.vertices, m.vertexNormals, positions);
    ASSERT_EQ(positions.size(), 3 * m.vertices.size());
    for (std::size_t v = 0; v < m.vertices.size(); ++v)
        for (int k = 0; k < 3; ++k)
            EXPECT_FLOAT_EQ(positions[3 * v + k],
                            float(m.vertices[v][k] + double(0.0002f) * m.vertexNormals[v][k]));

    JGrid single;
    fillTestGrid(single, 1, 1, 30.0f, [](unsigned, unsigned) { return 3.0f; });
    const Mesh one(single);
    buildOccluderPositions(one.vertices, one.vertexNormals, positions);
    EXPECT_TRUE(positions.empty());
}

TEST(TerrainMesh, MemoryEstimateAndRefusal)
{
    // 2049 x 2049: arrays, two edge buffers and frames stay under 1.5 GB.
    EXPECT_LT(meshBytesFor(2049, 2049), 1500ull << 20);
    EXPECT_GT(meshBytesFor(2049, 2049), 1000ull << 20);
    EXPECT_EQ(meshBytesFor(0, 5), 0u);
    EXPECT_TRUE(meshFitsInMemory(403, 344));
    // The largest grid the program accepts needs more than 100 GB of mesh.
    EXPECT_FALSE(meshFitsInMemory(16384, 16384));
}
