// Styled lines: edge lines one vertex array draw per width, line families
// one indexed draw per style.
#include "npr_gl.h"
#include "occluder.h"

#include <algorithm>
#include <vector>

namespace {

// Smoothed lines go through the software renderer's per-primitive stages,
// whose cost grows with the size of a draw call: calls of a few hundred
// segments draw millions of lines faster than one call.
constexpr std::size_t linesPerCall = 256;

} // namespace

void drawStyledLines(const LineBatches& lines)
{
    glColor3f(0.0f, 0.0f, 0.0f);
    glLineWidth(1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const LineBatch& batch : lines.batches()) {
        if (batch.vertices.empty())
            continue;
        glLineWidth(batch.width);
        glVertexPointer(3, GL_FLOAT, sizeof(LineVertex), &batch.vertices[0].x);
        glColorPointer(4, GL_FLOAT, sizeof(LineVertex), &batch.vertices[0].r);
        const std::size_t count = batch.vertices.size();
        for (std::size_t first = 0; first < count; first += linesPerCall * 2)
            glDrawArrays(GL_LINES, GLint(first), GLsizei(std::min(count - first, linesPerCall * 2)));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

std::size_t drawLineFamily(const LineFamily& family, const FamilySegments& segments)
{
    if (family.points.empty() || segments.styleCount() != family.styles.size())
        return 0;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, family.points.data());
    for (std::size_t s = 0; s < segments.styleCount(); ++s) {
        const std::span<const std::uint32_t> indices = segments.of(s);
        if (indices.empty())
            continue;
        const FamilyStyle& style = family.styles[s];
        glLineWidth(style.width);
        glColor4f(style.grey, style.grey, style.grey, style.alpha);
        for (std::size_t first = 0; first < indices.size(); first += linesPerCall * 2)
            glDrawElements(GL_LINES, GLsizei(std::min(indices.size() - first, linesPerCall * 2)), GL_UNSIGNED_INT,
                           indices.data() + first);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    return segments.segmentCount();
}

namespace {

// The faces as filled triangles in the current colour, from x, y, z floats
// per vertex.
void drawFilledFaces(std::span<const float> positions, std::span<const Face> faces)
{
    if (positions.empty() || faces.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    glDrawElements(GL_TRIANGLES, GLsizei(3 * faces.size()), GL_UNSIGNED_INT, faces.data());
    glDisableClientState(GL_VERTEX_ARRAY);
}

} // namespace

void EdgeBuffer::drawEdges(std::span<const Face> faces, std::span<const gmVec3> vertices,
                           std::span<const gmVec3> vertexNormals, const float fillColour[3], bool skipFill) const
{
    if (!skipFill) {
        std::vector<float> surface;
        buildOccluderPositions(vertices, vertexNormals, surface);
        glColor3f(fillColour[0], fillColour[1], fillColour[2]);
        drawFilledFaces(surface, faces);
    }
    LineBatches lines;
    lines.build(*this, vertices);
    drawStyledLines(lines);
}
