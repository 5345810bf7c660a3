// Shaded surface: one triangle strip per pair of neighbouring rows, each
// vertex with its normal and its height-band material.
#include "jgrid.h"
#include "surface_material.h"

#include <GL/gl.h>

#include <cstdio>

void JGrid::setMaterial(float h)
{
    // The range is taken from the first grid ever drawn and kept afterwards.
    static const float range = maxHeight - averageHeight;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE,
                 materialForHeight(h, averageHeight, minHeight, range).data());
}

void JGrid::setNormal(gmVec3 n)
{
    glNormal3f(static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]));
}

void JGrid::render()
{
    if (!loaded)
        return;
    if (debugOutput)
        std::printf("rendering\n");
    if (!normalsValid)
        calcNormals();
    if (debugOutput)
        std::printf("found scale\n");
    const std::size_t rows = heights.rows();
    const std::size_t cols = heights.cols();
    const auto vertex = [&](std::size_t row, std::size_t c) {
        setMaterial(heights[row][c]);
        setNormal(normals[row][c]);
        glVertex3f(float(drawingX(unsigned(c))), float(row / 50.0), scaledHeight(unsigned(row), unsigned(c)));
    };
    if (!valid.empty()) {
        // Voids leave holes: the strips' triangles with three valid corners.
        for (std::size_t r = 0; r + 1 < rows; ++r) {
            glBegin(GL_TRIANGLES);
            for (std::size_t c = 0; c + 1 < cols; ++c) {
                if (!isValid(r + 1, c) || !isValid(r, c + 1))
                    continue;
                if (isValid(r, c)) {
                    vertex(r, c);
                    vertex(r + 1, c);
                    vertex(r, c + 1);
                }
                if (isValid(r + 1, c + 1)) {
                    vertex(r + 1, c);
                    vertex(r, c + 1);
                    vertex(r + 1, c + 1);
                }
            }
            glEnd();
        }
    }
    for (std::size_t r = 0; valid.empty() && r + 1 < rows; ++r) {
        if (debugOutput)
            std::printf("rendering column %i\n", int(r));
        glBegin(GL_TRIANGLE_STRIP);
        for (std::size_t c = 0; c < cols; ++c) {
            vertex(r, c);
            vertex(r + 1, c);
        }
        glEnd();
    }
    if (debugOutput)
        std::printf("done rendering\n");
}
