// Curvature strokes: all quads as one triangle array.
#include "npr_gl.h"

void drawStrokeMesh(const StrokeMesh& strokes)
{
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glLineWidth(0.5f);
    const std::span<const float> corners = strokes.triangles();
    if (corners.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, corners.data());
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(corners.size() / 3));
    glDisableClientState(GL_VERTEX_ARRAY);
}
