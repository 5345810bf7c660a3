// A framebuffer object of the GL context that is current: a colour buffer
// and a depth buffer of one size. Made, bound and deleted in that context.
#ifndef GL_FRAMEBUFFER_H
#define GL_FRAMEBUFFER_H

#include <QImage>

#include <GL/gl.h>

class GLFramebuffer {
public:
    // depthFormat: GL_DEPTH_COMPONENT, or GL_DEPTH24_STENCIL8 for a depth
    // and stencil buffer like the one a window's view draws into.
    GLFramebuffer(int width, int height, GLenum depthFormat);
    ~GLFramebuffer();
    GLFramebuffer(const GLFramebuffer&) = delete;
    GLFramebuffer& operator=(const GLFramebuffer&) = delete;

    // False when GL could not make it complete (too large, no memory).
    bool valid() const { return valid_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Drawing goes here until release(), which binds again the framebuffer
    // that was bound before.
    void bind();
    void release();

    // The colour buffer as the picture shows it, top row first.
    // Reads the framebuffer that is bound.
    QImage readColour() const;

private:
    int width_;
    int height_;
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    GLuint depth_ = 0;
    GLint previous_ = 0;
    bool valid_ = false;
};

#endif
