#include "edge_buffer.h"

#include "npr_test_edges.h"
#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> othersOfRow(const EdgeBuffer& b, std::size_t i)
{
    std::vector<int> out;
    for (const Edge& e : b.row(i))
        out.push_back(e.other);
    return out;
}

// Rows 0: (1 silhouette, 2 used), 1: (2 strong silhouette, 3 plain), 2: (3 used silhouette).
EdgeBuffer mixedBuffer()
{
    return EdgeBuffer({{edgeWith(1, true, true, false, 0.0f), edgeWith(2, false, false, true, 0.0f)},
                       {edgeWith(2, true, true, false, 0.0f), edgeWith(3, true, false, false, 0.0f)},
                       {edgeWith(3, true, true, true, 0.0f)},
                       {}});
}

} // namespace

TEST(EdgeBufferBuild, SingleTriangleHasThreeBorderEdges)
{
    EdgeBuffer b;
    ASSERT_TRUE(b.build(3, std::vector<Face>{{{0, 1, 2}}}));
    ASSERT_EQ(b.rowCount(), 3u);
    EXPECT_EQ(othersOfRow(b, 0), (std::vector<int>{1, 2}));
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{2}));
    EXPECT_TRUE(b.row(2).empty());
    EXPECT_TRUE(b.row(3).empty());
    for (const Edge& e : b.edges()) {
        EXPECT_TRUE(e.border);
        EXPECT_FALSE(e.used || e.front || e.back);
        EXPECT_EQ(e.s, 0.0f);
    }
}

TEST(EdgeBufferBuild, SharedEdgeIsTheOnlyInteriorOne)
{
    EdgeBuffer b;
    ASSERT_TRUE(b.build(4, std::vector<Face>{{{0, 1, 2}}, {{2, 1, 3}}}));
    EXPECT_EQ(b.edgeCount(), 5u);
    for (std::size_t i = 0; i < b.rowCount(); ++i)
        for (const Edge& e : b.row(i))
            EXPECT_EQ(e.border, !(i == 1 && e.other == 2)) << i << "-" << e.other;
}

TEST(EdgeBufferBuild, RefusesFacesNamingMissingVertices)
{
    EdgeBuffer b;
    b.build(3, std::vector<Face>{{{0, 1, 2}}});
    ConsoleCapture console;
    EXPECT_FALSE(b.build(3, std::vector<Face>{{{0, 1, 2}}, {{2, 1, 7}}}));
    EXPECT_EQ(console.text(), "EdgeBuffer::build - face 1 names vertex 7, but the mesh has 3 vertices\n");
    EXPECT_EQ(b.rowCount(), 0u);
    EXPECT_EQ(b.edgeCount(), 0u);
}

TEST(EdgeBufferLookup, FindAndAddUseTheOrderedPair)
{
    EdgeBuffer b;
    b.build(6, std::vector<Face>{{{0, 1, 2}}});
    EXPECT_EQ(b.findEdge(2, 0), 1);
    EXPECT_EQ(b.findEdge(0, 2), 1);
    EXPECT_EQ(b.findEdge(3, 4), -1);
    EXPECT_EQ(b.findEdge(-1, 2), -1);
    EXPECT_EQ(b.findEdge(40, 41), -1);

    b.addEdge(5, 2); // new: appended to row 2
    b.addEdge(1, 0); // existing: now shared
    EXPECT_EQ(b.findEdge(2, 5), 0);
    Edge e;
    ASSERT_TRUE(b.getEdge(5, 2, e));
    EXPECT_EQ(e.other, 5);
    EXPECT_TRUE(e.border);
    ASSERT_TRUE(b.getEdge(0, 1, e));
    EXPECT_FALSE(e.border);
    EXPECT_FALSE(b.getEdge(3, 4, e));
    // Rows behind the insertion still find their edges.
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{2}));
    EXPECT_EQ(b.edgeCount(), 4u);

    ConsoleCapture console;
    b.addEdge(2, 9);
    EXPECT_EQ(console.text(), "EdgeBuffer::addEdge - edge (2, 9) lies outside the buffer's 6 vertices\n");
    EXPECT_EQ(b.edgeCount(), 4u);
}

TEST(EdgeBufferUpdate, TogglesAndKeepsTheSmallestValue)
{
    EdgeBuffer b;
    b.build(6, std::vector<Face>{{{2, 5, 4}}});
    b.resetEdges();
    b.updateEdge(5, 2, 1, -0.3f, 0); // acts on row 2, other 5; sign dropped
    b.updateEdge(2, 5, 2, 0.4f, 0);
    b.updateEdge(2, 5, 7, 0.1f, 0); // no toggle, value still kept
    Edge e;
    ASSERT_TRUE(b.getEdge(2, 5, e));
    EXPECT_TRUE(e.front);
    EXPECT_TRUE(e.back);
    EXPECT_EQ(e.s, 0.1f);
    b.updateEdge(2, 5, 1, 0.2f, 0);
    b.getEdge(2, 5, e);
    EXPECT_FALSE(e.front);
    EXPECT_EQ(e.s, 0.1f);

    ConsoleCapture console;
    b.updateEdge(5, 3, 1, 0.1f, 0);
    b.updateEdge(3, 3, 1, 0.1f, 0); // same vertex: silently nothing
    EXPECT_EQ(console.text(), "Warning - reached bad place in update edge buffer (i=3, j=5) - Edge Not Found!\n");
}

TEST(EdgeBufferUpdate, PowerMeanCombination)
{
    EdgeBuffer b({{edgeWith(1, false, false, false, 0.5f), edgeWith(2, false, false, false, -1.0f)}, {}, {}});
    b.updateEdge(0, 1, 0, 0.5f, 2);
    b.updateEdge(0, 2, 0, 0.25f, 2);
    Edge e;
    b.getEdge(0, 1, e);
    EXPECT_FLOAT_EQ(e.s, 0.5f);
    b.getEdge(0, 2, e);
    EXPECT_EQ(e.s, 0.25f); // a negative s takes the value
    b.updateEdge(0, 2, 0, 0.75f, 1);
    b.getEdge(0, 2, e);
    EXPECT_FLOAT_EQ(e.s, 0.5f); // power 1: the plain mean
}

TEST(EdgeBufferMaintenance, ColumnsAndNeighbours)
{
    EdgeBuffer b;
    b.build(4, std::vector<Face>{{{0, 1, 2}}, {{2, 1, 3}}});
    EXPECT_FALSE(b.columnsValid());
    EXPECT_EQ(b.neighbours(2), (std::vector<int>{3, 0, 1}));
    EXPECT_TRUE(b.columnsValid());
    EXPECT_EQ(b.neighbours(1), (std::vector<int>{2, 3, 0}));
    EXPECT_EQ(b.neighbours(3), (std::vector<int>{1, 2}));
    EXPECT_TRUE(b.neighbours(9).empty());

    b.removeEdge(3, 1);
    EXPECT_TRUE(b.columnsValid());
    EXPECT_EQ(b.neighbours(3), (std::vector<int>{2}));
    EXPECT_EQ(b.neighbours(1), (std::vector<int>{2, 0}));
    EXPECT_EQ(b.edgeCount(), 4u);
    EXPECT_EQ(othersOfRow(b, 2), (std::vector<int>{3}));
}

TEST(EdgeBufferMaintenance, RgetvFindsThroughTheColumnOrReportsTheMiss)
{
    EdgeBuffer b;
    b.build(4, std::vector<Face>{{{0, 1, 2}}, {{2, 1, 3}}});
    b.buildColumns();
    const Edge found = b.rgetv(3, 1); // column of 3 is (1, 2): row 2 holds (2, 3)
    EXPECT_EQ(found.other, 3);
    EXPECT_TRUE(found.border);

    ConsoleCapture console;
    const Edge missed = b.rgetv(3, 5); // past the column's end
    const Edge none = b.rgetv(-2, 0);
    EXPECT_EQ(console.text(), "Error in rgetv . . . row 3, column 5 not found\n"
                              "Error in rgetv . . . row -2, column 0 not found\n");
    EXPECT_EQ(missed.other, 1); // the first edge of row 0
    EXPECT_EQ(none.other, 1);

    ConsoleCapture emptyConsole;
    EXPECT_EQ(EdgeBuffer().rgetv(0, 0).other, -1);
    EXPECT_EQ(emptyConsole.text(), "Error in rgetv . . . row 0, column 0 not found\n");
}

TEST(EdgeBufferMaintenance, FiltersKeepTheRightEdgesInOrder)
{
    EdgeBuffer b = mixedBuffer();
    b.buildColumns();
    b.keepSilhouettesOrUsed();
    EXPECT_FALSE(b.columnsValid());
    EXPECT_EQ(othersOfRow(b, 0), (std::vector<int>{1, 2}));
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{2}));
    EXPECT_EQ(othersOfRow(b, 2), (std::vector<int>{3}));

    b = mixedBuffer();
    b.keepSilhouettes();
    EXPECT_EQ(othersOfRow(b, 0), (std::vector<int>{1}));
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{2}));
    EXPECT_EQ(othersOfRow(b, 2), (std::vector<int>{3}));

    b = mixedBuffer();
    b.dropStrongSilhouettes();
    EXPECT_EQ(othersOfRow(b, 0), (std::vector<int>{2}));
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{3}));
    EXPECT_EQ(othersOfRow(b, 2), (std::vector<int>{3}));

    b = mixedBuffer();
    const std::vector<int> values{0, 0, 5}; // vertex 3 has no value
    b.dropEdgesBelow(values, 1);
    EXPECT_EQ(othersOfRow(b, 0), (std::vector<int>{2}));
    EXPECT_EQ(othersOfRow(b, 1), (std::vector<int>{2, 3}));
    EXPECT_EQ(b.edgeCount(), 4u);
}

TEST(EdgeBufferMaintenance, PrintWritesOneLinePerEdge)
{
    EdgeBuffer b({{}, {}, {}, {edgeWith(4, true, true, false, 0.03125f)}, {edgeWith(5, false, true, true, 0.5f)}});
    ConsoleCapture console;
    b.print();
    EXPECT_EQ(console.text(), "edge 3 - 4\t F=T B=T U=F s=0.0312\n"
                              "edge 4 - 5\t F=F B=T U=T s=0.5000\n");
}

TEST(EdgeBufferMaintenance, ClearEmptiesRowsAndColumns)
{
    EdgeBuffer b;
    b.build(4, std::vector<Face>{{{0, 1, 2}}});
    b.buildColumns();
    b.clear();
    EXPECT_EQ(b.rowCount(), 0u);
    EXPECT_EQ(b.edgeCount(), 0u);
    EXPECT_FALSE(b.columnsValid());
    EXPECT_TRUE(b.column(0).empty());
}
