// Voids (no-data samples) through the whole grid: loading, statistics,
// normals, the mesh, every multiresolution step and the writers.
#include "edge_buffer.h"
#include "jgrid.h"
#include "terrain_mesh.h"

#include "support/console_capture.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

const QString dataDir = QStringLiteral(HYPSA_SOURCE_DIR "/data/");

// An ASCII grid file of the given rows; "v" stands for the no-data value.
QString gridFile(TempFiles& files, const std::vector<std::string>& rows, const std::string& noData = "-9999",
                 const QString& name = "voids.grd")
{
    std::string text = "ncols " + std::to_string(std::count(rows[0].begin(), rows[0].end(), ' ') + 1) +
                       "\nnrows " + std::to_string(rows.size()) + "\ncellsize 30\nNODATA_value " + noData + "\n";
    for (std::string row : rows) {
        for (std::size_t at; (at = row.find('v')) != std::string::npos;)
            row.replace(at, 1, noData);
        text += row + "\n";
    }
    return files.write(name, text);
}

bool loadQuietly(JGrid& g, const QString& file)
{
    ConsoleCapture quiet;
    return g.loadFile(file);
}

template <class Step>
void quietly(Step step)
{
    ConsoleCapture quiet;
    step();
}

} // namespace

TEST(Voids, StatisticsCountEveryValidSampleAndNoVoid)
{
    TempFiles files;
    JGrid g;
    // Voids in three corners, inside and on an edge; a bathymetry value far
    // below zero is a height like any other.
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v 10 20 v", "30 v -1437 40", "v 50 60 70"})));
    EXPECT_EQ(g.voidCount, 4u);
    EXPECT_EQ(g.minHeight, -1437.0f);
    EXPECT_EQ(g.maxHeight, 70.0f);
    EXPECT_EQ(g.averageHeight, float(-1157.0 / 8.0));
    const std::vector<double> valid = {10, 20, 30, -1437, 40, 50, 60, 70};
    double squares = 0;
    for (const double v : valid)
        squares += (v + 144.625) * (v + 144.625);
    {
        ConsoleCapture quiet;
        EXPECT_FLOAT_EQ(g.standardDeviation(), float(std::sqrt(squares / 8.0)));
    }
    // Voids hold a value filled from valid samples, never the no-data number.
    for (std::size_t r = 0; r < g.height; ++r)
        for (std::size_t c = 0; c < g.width; ++c)
            if (!g.isValid(r, c)) {
                EXPECT_GE(g.heights[r][c], -1437.0f);
                EXPECT_LE(g.heights[r][c], 70.0f);
            }
    g.updateStatistics();
    EXPECT_EQ(g.minHeight, -1437.0f);
    EXPECT_EQ(g.voidCount, 4u);

    // A file that declares no no-data value: -9999 is still a void. One that
    // declares another: -9999 is a height.
    ASSERT_TRUE(loadQuietly(g, files.write("none.grd", "ncols 2\nnrows 2\n-9999 5\n6 7\n")));
    EXPECT_EQ(g.voidCount, 1u);
    EXPECT_EQ(g.minHeight, 5.0f);
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"-9999 v", "6 7"}, "-32768", "other.grd")));
    EXPECT_EQ(g.voidCount, 1u);
    EXPECT_EQ(g.minHeight, -9999.0f);

    // A grid with no valid sample is refused like an empty file.
    ConsoleCapture console;
    EXPECT_FALSE(g.loadFile(gridFile(files, {"v v", "v v"}, "-9999", "empty.grd")));
    EXPECT_NE(console.text().find("holds no valid height values"), std::string::npos);
    EXPECT_EQ(g.width, 2u);
    EXPECT_EQ(g.heights[1][0], 6.0f);
}

// A void takes the rounded mean of the valid samples of its 2 x 2 block;
// a wholly void block takes the value of the first level above it that has
// one, each level the mean of the cells below it that have a value.
TEST(Voids, FillTakesTheBlocksMeanOrTheLevelAbove)
{
    TempFiles files;
    JGrid g;
    // Heights 10 r + c. The top left block is void: the level above holds
    // (7.5 + 25.5 + 77 / 3) / 3 = 19.56; the last sample's block has 22, 23, 32.
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v v 2 3", "v v 12 13", "20 21 22 23", "30 31 32 v"})));
    for (const auto& [r, c] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}})
        EXPECT_EQ(g.heights[r][c], 20.0f) << r << "," << c;
    EXPECT_EQ(g.heights[3][3], 26.0f);
    EXPECT_EQ(g.heights[2][3], 23.0f);
    // An odd size: the last column is a column of half blocks, all void, so
    // the second level's right cell is empty too and the third level gives
    // it the left cell's (22 / 3 + 7.5 + 20.5 + 22.5) / 4 = 14.46.
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v 1 2 3 v", "10 11 12 13 v", "20 21 22 23 v"}, "-9999", "odd.grd")));
    EXPECT_EQ(g.heights[0][0], 7.0f);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(g.heights[r][4], 14.0f) << r;
    EXPECT_EQ(g.heights[2][3], 23.0f);
}

TEST(Voids, NormalsUseValidNeighboursOnly)
{
    // A tilted plane with voids in a corner, on an edge and inside: every
    // valid sample keeps the plane's normal, which it would not if a void's
    // filled height took part.
    TempFiles files;
    std::vector<std::string> rows;
    for (int r = 0; r < 6; ++r) {
        std::string row;
        for (int c = 0; c < 6; ++c) {
            const bool isVoid = (r == 0 && c == 0) || (r == 2 && c == 3) || (r == 5 && c == 2);
            if (c > 0)
                row += ' ';
            row += isVoid ? std::string("v") : std::to_string(3 * r + 2 * c);
        }
        rows.push_back(row);
    }
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, gridFile(files, rows)));
    EXPECT_EQ(g.voidCount, 3u);
    g.calcNormals();
    const gmVec3 plane = gmVec3(-3.0, -2.0, 1.0) / std::sqrt(14.0);
    for (std::size_t r = 0; r < 6; ++r)
        for (std::size_t c = 0; c < 6; ++c) {
            const gmVec3 n = g.normals[r][c];
            if (g.isValid(r, c)) {
                EXPECT_NEAR(n[0], plane[0], 1e-12) << r << ", " << c;
                EXPECT_NEAR(n[1], plane[1], 1e-12) << r << ", " << c;
                EXPECT_NEAR(n[2], plane[2], 1e-12) << r << ", " << c;
            }
        }
    // A void touched by no valid face points straight up.
    EXPECT_EQ(g.normals[2][3], gmVec3(0.0, 0.0, 1.0));
    EXPECT_EQ(g.normals[0][0], gmVec3(0.0, 0.0, 1.0));
}

TEST(Voids, MeshLeavesOutEveryFaceWithAVoidCorner)
{
    TempFiles files;
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v 1 1 1", "1 v 1 1", "1 1 1 1", "1 1 1 v"})));
    std::vector<gmVec3> vertices, vertexNormals, faceNormals;
    std::vector<Face> faces;
    buildTerrainMesh(g, vertices, vertexNormals, faces, faceNormals);
    ASSERT_EQ(vertices.size(), 16u); // every sample keeps its vertex index
    // 18 faces; the interior void removes its 6, each corner void 1.
    EXPECT_EQ(faces.size(), 18u - 6u - 1u - 1u);
    EXPECT_EQ(faceNormals.size(), faces.size());
    for (const Face& f : faces)
        for (const std::uint32_t v : f.v)
            EXPECT_TRUE(g.isValid(v / 4, v % 4)) << v;
    // The rim of the hole around vertex 5 is a border of the mesh (its edges
    // 1-2, 1-4 and 4-8 on the outer border lie in no face left).
    EdgeBuffer edges;
    ASSERT_TRUE(edges.build(vertices.size(), faces));
    EXPECT_EQ(edges.findEdge(1, 2), -1);
    for (const auto& [i, j] : {std::pair{2, 6}, {6, 9}, {8, 9}}) {
        Edge e;
        ASSERT_TRUE(edges.getEdge(i, j, e)) << i << "-" << j;
        EXPECT_TRUE(e.border) << i << "-" << j;
    }
    EXPECT_EQ(edges.row(5).size(), 0u);
    EXPECT_EQ(edges.findEdge(1, 5), -1);
}

TEST(Voids, CoarseningAndRefiningKeepVoidsAndGiveBackEveryValidSample)
{
    JGrid fine;
    ASSERT_TRUE(loadQuietly(fine, dataDir + "jacksboro_voids.tif"));
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, dataDir + "jacksboro_voids.tif"));
    // 403 -> 202 -> 102, 344 -> 173 -> 87: the odd last column and row come
    // back too.
    quietly([&] {
        ASSERT_TRUE(g.reverseSubdivide());
        ASSERT_TRUE(g.reverseSubdivide());
    });
    EXPECT_EQ(g.width, 102u);
    EXPECT_EQ(g.height, 87u);
    EXPECT_GT(g.voidCount, 0u);
    EXPECT_LT(g.voidCount, 17587u / 16 + 200);
    // No valid coarse sample sees the no-data number or a cliff.
    EXPECT_GT(g.minHeight, 150.0f);
    quietly([&] {
        ASSERT_TRUE(g.subdivideWithDetails());
        ASSERT_TRUE(g.subdivideWithDetails());
    });
    ASSERT_EQ(g.width, 403u);
    ASSERT_EQ(g.height, 344u);
    EXPECT_TRUE(g.details.empty());
    std::size_t voids = 0;
    for (std::size_t r = 0; r < g.height; ++r)
        for (std::size_t c = 0; c < g.width; ++c) {
            ASSERT_EQ(g.isValid(r, c), fine.isValid(r, c)) << r << ", " << c;
            voids += !fine.isValid(r, c);
            if (fine.isValid(r, c)) {
                ASSERT_EQ(g.heights[r][c], fine.heights[r][c]) << r << ", " << c;
            }
        }
    EXPECT_EQ(g.voidCount, voids);

    // Refining past the stored levels carries the voids up: a coarse void
    // stands for the fine samples (2i-1, 2i).
    quietly([&] { ASSERT_TRUE(g.reverseSubdivide()); });
    g.clearDetails();
    const JGrid& coarse = g;
    ValidMask before = coarse.valid;
    quietly([&] { ASSERT_TRUE(g.subdivideWithoutDetails()); });
    for (std::size_t r = 0; r < g.height; ++r)
        for (std::size_t c = 0; c < g.width; ++c)
            ASSERT_EQ(g.isValid(r, c), before[(r + 1) / 2][(c + 1) / 2] != 0) << r << ", " << c;
}

TEST(Voids, BrownianRefinementDecimationAndResizingKeepVoidsVoid)
{
    TempFiles files;
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v 1 2 3 4", "5 6 v 8 9", "10 11 12 v 14", "15 16 17 18 v"})));
    const ValidMask original = g.valid;
    quietly([&] { ASSERT_TRUE(g.subdivideBrownian()); });
    ASSERT_EQ(g.width, 9u);
    ASSERT_EQ(g.height, 7u);
    for (std::size_t r = 0; r < 7; ++r)
        for (std::size_t c = 0; c < 9; ++c) {
            // A new sample between a void and anything is void.
            bool expected = true;
            for (std::size_t rr : {r / 2, (r + 1) / 2})
                for (std::size_t cc : {c / 2, (c + 1) / 2})
                    expected = expected && original[rr][cc];
            EXPECT_EQ(g.isValid(r, c), expected) << r << ", " << c;
        }
    quietly([&] { ASSERT_TRUE(g.decimate()); });
    ASSERT_EQ(g.width, 5u);
    ASSERT_EQ(g.height, 4u);
    EXPECT_TRUE(g.valid == original);
    // Growing repeats the last column's and row's voids with their heights.
    quietly([&] { ASSERT_TRUE(g.adjustSize(6, 5)); });
    EXPECT_TRUE(g.isValid(2, 5));
    EXPECT_FALSE(g.isValid(3, 5));
    EXPECT_FALSE(g.isValid(4, 4));
    EXPECT_TRUE(g.isValid(4, 3));
    EXPECT_EQ(g.voidCount, 7u); // (0, 0), (1, 2), (2, 3), (3, 4..5), (4, 4..5)
}

TEST(Voids, WritersPutTheNoDataValueBack)
{
    TempFiles files;
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, gridFile(files, {"v 1.5 2", "3 4 v"}, "-32768")));
    g.name = files.path("out");
    QString message;
    quietly([&] { ASSERT_TRUE(g.writeGRD(message)); });
    const std::string text = TempFiles::read(message);
    EXPECT_EQ(text.substr(text.find("NODATA_value")),
              "NODATA_value\t-32768\n-32768.00 1.50 2.00 \n3.00 4.00 -32768.00 \n\n");
    JGrid back;
    ASSERT_TRUE(loadQuietly(back, message));
    EXPECT_TRUE(back.valid == g.valid);
    EXPECT_EQ(back.heights[0][1], 1.5f);

    // Halves, and a grid whose file declared no value: this system's -9999.
    ASSERT_TRUE(loadQuietly(g, files.write("plain.grd", "ncols 4\nnrows 2\n-9999 1 2 3\n4 5 6 -9999\n")));
    g.name = files.path("half");
    QString left, right;
    quietly([&] { ASSERT_TRUE(g.writeLeftRight(left, right)); });
    const std::string l = TempFiles::read(left), r = TempFiles::read(right);
    EXPECT_EQ(l.substr(l.find("NODATA_value")), "NODATA_value\t-9999\n-9999.00 1.00 \n4.00 5.00 \n\n");
    EXPECT_EQ(r.substr(r.find("NODATA_value")), "NODATA_value\t-9999\n2.00 3.00 \n6.00 -9999.00 \n\n");
}

// Two levels coarsened from the terrain with voids, saved as a coarse grid
// and two detail files, rebuild the finer grid with its voids and its odd
// last row: bit for bit from a GeoTIFF, as in memory, and within the two
// decimals of an ASCII grid everywhere, next to the voids too.
TEST(Voids, DetailFilesRebuildTheFinerGridAsInMemory)
{
    TempFiles files;
    JGrid fine;
    ASSERT_TRUE(loadQuietly(fine, dataDir + "jacksboro_voids.tif"));
    JGrid g;
    ASSERT_TRUE(loadQuietly(g, dataDir + "jacksboro_voids.tif"));
    g.name = files.path("v");
    QString message;
    int count = 0;
    quietly([&] {
        ASSERT_TRUE(g.reverseSubdivide());
        ASSERT_TRUE(g.reverseSubdivide());
        ASSERT_TRUE(g.writeGRD(message));
        ASSERT_TRUE(g.writeTIF(files.path("coarse.tif"), message));
        g.writeDetailFiles(message, count);
    });
    ASSERT_EQ(count, 2);
    // What a level keeps beyond its details follows the sections the reader
    // has always read.
    const std::string text = TempFiles::read(files.path("v_w202_h173.dtl"));
    EXPECT_NE(text.find("\nfine_voids\t344\t403\n"), std::string::npos);
    EXPECT_NE(text.find("\nkept_edges\t403\t344\n"), std::string::npos);
    EXPECT_NE(text.find("\ncoarse_fill\t"), std::string::npos);

    const auto rebuilt = [&](const QString& coarseFile) {
        auto back = std::make_unique<JGrid>();
        EXPECT_TRUE(loadQuietly(*back, coarseFile));
        quietly([&] {
            EXPECT_TRUE(back->loadDetails(files.path("v_w102_h87.dtl")));
            EXPECT_TRUE(back->subdivideWithDetails());
            EXPECT_TRUE(back->loadDetails(files.path("v_w202_h173.dtl")));
            EXPECT_TRUE(back->subdivideWithDetails());
        });
        EXPECT_EQ(back->width, 403u);
        EXPECT_EQ(back->height, 344u);
        EXPECT_TRUE(back->valid == fine.valid);
        EXPECT_EQ(back->cellSize, 90.0f);
        return back;
    };
    const auto exact = rebuilt(files.path("coarse.tif"));
    EXPECT_TRUE(exact->heights == fine.heights); // voids' filled values included
    const auto rounded = rebuilt(files.path("v_w102_h87.grd"));
    for (std::size_t r = 0; r < fine.height; ++r)
        for (std::size_t c = 0; c < fine.width; ++c)
            if (fine.isValid(r, c)) {
                ASSERT_NEAR(rounded->heights[r][c], fine.heights[r][c], 0.05f) << r << ", " << c;
            }
}
