// OpenGL convenience for gmVec3, kept apart so that the display-free core
// never includes GL headers.
#ifndef GMVEC3_GL_H
#define GMVEC3_GL_H

#include "gmvec3.h"

#include <GL/gl.h>

inline void emitVertex(gmVec3 v)
{
    glVertex3f(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]));
}

#endif
