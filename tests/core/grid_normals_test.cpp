#include "jgrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

void makeGrid(JGrid& g, unsigned w, unsigned h, const std::function<float(unsigned, unsigned)>& f)
{
    g.resize(w, h);
    for (unsigned r = 0; r < h; ++r)
        for (unsigned c = 0; c < w; ++c)
            g.heights[r][c] = f(r, c);
    g.loaded = true;
}

// Reference: the full face array and the vertex table, written out directly.
Array2D<gmVec3> referenceNormals(const JGrid& g)
{
    const unsigned W = g.width, H = g.height;
    Array2D<gmVec3> F(H - 1, 2 * W - 2);
    for (unsigned i = 0; i + 1 < H; ++i)
        for (unsigned c = 0; c + 1 < W; ++c) {
            const gmVec3 p00(i, c, g.heights[i][c]), p10(i + 1, c, g.heights[i + 1][c]);
            const gmVec3 p01(i, c + 1, g.heights[i][c + 1]), p11(i + 1, c + 1, g.heights[i + 1][c + 1]);
            F[i][2 * c] = cross(p00 - p10, p00 - p01).normalize();
            F[i][2 * c + 1] = cross(p11 - p10, p11 - p01).normalize() * -1.0;
        }
    Array2D<gmVec3> N(H, W);
    for (unsigned i = 0; i < H; ++i)
        for (unsigned j = 0; j < W; ++j) {
            const bool top = i == 0, bottom = i == H - 1, left = j == 0, right = j == W - 1;
            gmVec3 n;
            if (top && left) n = F[0][0];
            else if (top && !right) { n = F[0][2 * j]; n += F[0][2 * j - 2]; n += F[0][2 * j - 1]; n /= 3.0; }
            else if (top) n = (F[0][2 * j - 2] + F[0][2 * j - 1]) / 2;
            else if (!bottom && left) { n = F[i][0]; n += F[i - 1][0]; n += F[i - 1][1]; n /= 3.0; }
            else if (!bottom && !right) {
                n = F[i][2 * j]; n += F[i - 1][2 * j - 1]; n += F[i - 1][2 * j]; n += F[i - 1][2 * j + 1];
                n += F[i][2 * j - 2]; n += F[i][2 * j - 1]; n /= 6.0;
            } else if (!bottom) { n = F[i - 1][2 * j - 1]; n += F[i][2 * j - 2]; n += F[i][2 * j - 1]; n /= 3.0; }
            else if (left) n = (F[i - 1][0] + F[i - 1][1]) / 2;
            else if (!right) { n = F[i - 1][2 * j - 1]; n += F[i - 1][2 * j]; n += F[i - 1][2 * j + 1]; n /= 3.0; }
            else n = F[i - 1][2 * j - 1];
            N[i][j] = n;
        }
    return N;
}

void expectBitIdentical(const Array2D<gmVec3>& a, const Array2D<gmVec3>& b)
{
    ASSERT_EQ(a.rows(), b.rows());
    ASSERT_EQ(a.cols(), b.cols());
    for (std::size_t r = 0; r < a.rows(); ++r)
        for (std::size_t c = 0; c < a.cols(); ++c)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(a[r][c][k], b[r][c][k]) << "row " << r << " col " << c << " component " << k;
}

} // namespace

TEST(GridNormals, FlatGridPointsStraightUp)
{
    JGrid g;
    makeGrid(g, 5, 4, [](unsigned, unsigned) { return 7.0f; });
    g.calcNormals();
    EXPECT_TRUE(g.normalsValid);
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 5; ++c) {
            EXPECT_EQ(g.normals[r][c][0], 0.0);
            EXPECT_EQ(g.normals[r][c][1], 0.0);
            EXPECT_EQ(g.normals[r][c][2], 1.0);
        }
}

TEST(GridNormals, PlaneRisingPerRowTiltsEveryNormal)
{
    JGrid g;
    makeGrid(g, 4, 5, [](unsigned r, unsigned) { return float(r); });
    g.calcNormals();
    const double s = 1.0 / std::sqrt(2.0);
    for (unsigned r = 0; r < 5; ++r)
        for (unsigned c = 0; c < 4; ++c) {
            EXPECT_NEAR(g.normals[r][c][0], -s, 1e-15);
            EXPECT_NEAR(g.normals[r][c][1], 0.0, 1e-15);
            EXPECT_NEAR(g.normals[r][c][2], s, 1e-15);
        }
}

TEST(GridNormals, NeighboursOfABumpAverageDisagreeingFaces)
{
    JGrid g;
    makeGrid(g, 5, 5, [](unsigned r, unsigned c) { return (r == 2 && c == 2) ? 3.0f : 0.0f; });
    g.calcNormals();
    const int around[6][2] = {{1, 2}, {3, 2}, {2, 1}, {2, 3}, {1, 3}, {3, 1}};
    for (const auto& p : around)
        EXPECT_LT(g.normals[p[0]][p[1]].length(), 1.0 - 1e-6) << p[0] << "," << p[1];
    // Symmetric about the bump: opposite neighbours mirror each other.
    EXPECT_NEAR(g.normals[1][2][0], -g.normals[3][2][0], 1e-15);
    EXPECT_NEAR(g.normals[2][1][1], -g.normals[2][3][1], 1e-15);
    // A corner far from the bump sees only flat faces.
    EXPECT_EQ(g.normals[0][0], gmVec3(0, 0, 1));
}

TEST(GridNormals, MatchTheFullFaceArrayBitForBit)
{
    for (const auto& size : {std::pair{2u, 2u}, std::pair{2u, 5u}, std::pair{6u, 2u}, std::pair{17u, 11u}}) {
        JGrid g;
        makeGrid(g, size.first, size.second,
                 [](unsigned r, unsigned c) { return float(std::sin(r * 0.7) * 300.0 + std::cos(c * 1.3) * 170.0 + r * c); });
        g.calcNormals();
        SCOPED_TRACE(testing::Message() << size.first << " x " << size.second);
        expectBitIdentical(g.normals, referenceNormals(g));
    }
}

TEST(GridNormals, SecondCallWithValidNormalsDoesNothing)
{
    JGrid g;
    makeGrid(g, 3, 3, [](unsigned r, unsigned c) { return float(r * c); });
    g.calcNormals();
    g.heights[1][1] = 100.0f;
    const gmVec3 before = g.normals[1][1];
    g.calcNormals();
    EXPECT_EQ(g.normals[1][1][0], before[0]);
    g.normalsValid = false;
    g.calcNormals();
    EXPECT_NE(g.normals[1][1], before);
}

TEST(GridNormals, GridsWithoutCellsGetUpwardNormalsAndStayInRange)
{
    JGrid row;
    makeGrid(row, 5, 1, [](unsigned, unsigned c) { return float(c * c); });
    row.calcNormals();
    EXPECT_TRUE(row.normalsValid);
    for (unsigned c = 0; c < 5; ++c)
        EXPECT_EQ(row.normals[0][c], gmVec3(0, 0, 1));

    JGrid column;
    makeGrid(column, 1, 4, [](unsigned r, unsigned) { return float(r); });
    column.calcNormals();
    for (unsigned r = 0; r < 4; ++r)
        EXPECT_EQ(column.normals[r][0], gmVec3(0, 0, 1));

    JGrid empty;
    empty.calcNormals();
    EXPECT_TRUE(empty.normalsValid);
    EXPECT_EQ(empty.normals.rows(), 0u);
}
