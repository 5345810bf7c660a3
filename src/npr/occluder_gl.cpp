// The occluder in GL buffer objects: uploaded once per mesh, so that a paint
// only issues one indexed draw.
#define GL_GLEXT_PROTOTYPES
#include "npr_gl.h"

#include <GL/glext.h>

#include <cstdio>

bool OccluderBuffers::upload(std::span<const float> positions, std::span<const Face> faces)
{
    release();
    if (positions.empty() || faces.empty())
        return false;
    for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(positions.size_bytes()), positions.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(faces.size_bytes()), faces.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        std::printf("Not enough graphics memory for the hidden-line surface: lines behind the terrain stay "
                    "visible\n");
        release();
        return false;
    }
    indexCount_ = GLsizei(3 * faces.size());
    return true;
}

void OccluderBuffers::draw() const
{
    if (vertexBuffer_ == 0)
        return;
    glColor3f(1.0f, 1.0f, 1.0f);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glDrawElements(GL_TRIANGLES, indexCount_, GL_UNSIGNED_INT, nullptr);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void OccluderBuffers::release()
{
    if (vertexBuffer_ != 0)
        glDeleteBuffers(1, &vertexBuffer_);
    if (indexBuffer_ != 0)
        glDeleteBuffers(1, &indexBuffer_);
    forget();
}

void OccluderBuffers::forget()
{
    vertexBuffer_ = 0;
    indexBuffer_ = 0;
    indexCount_ = 0;
}
