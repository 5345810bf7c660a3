// Styled edge lines, one vertex array draw per width.
#include "npr_gl.h"
#include "occluder.h"

#include <vector>

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
        glDrawArrays(GL_LINES, 0, GLsizei(batch.vertices.size()));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
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
