#define GL_GLEXT_PROTOTYPES
#include "gl_framebuffer.h"

#include <GL/glext.h>

GLFramebuffer::GLFramebuffer(int width, int height, GLenum depthFormat) : width_(width), height_(height)
{
    if (width <= 0 || height <= 0)
        return;
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glGenRenderbuffers(1, &depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, width, height);
    const GLenum attachment = depthFormat == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    // Storage GL could not give leaves an attachment without size, which
    // makes the framebuffer incomplete.
    valid_ = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(bound));
}

GLFramebuffer::~GLFramebuffer()
{
    glDeleteRenderbuffers(1, &depth_);
    glDeleteRenderbuffers(1, &colour_);
    glDeleteFramebuffers(1, &framebuffer_);
}

void GLFramebuffer::bind()
{
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void GLFramebuffer::release()
{
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous_));
}

QImage GLFramebuffer::readColour() const
{
    // Read as a window's grab reads: BGRA words straight into 32-bit RGB
    // rows, bottom row first, then turned upright.
    QImage image(width_, height_, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.bits());
    return image.mirrored();
}
