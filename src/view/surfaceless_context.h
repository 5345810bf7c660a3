// An OpenGL context that needs no display: EGL on Mesa's surfaceless
// platform, compatibility profile, with no window surface. Drawing goes into
// framebuffer objects. Batch drawing uses it where no X or Wayland server
// can be reached.
#ifndef SURFACELESS_CONTEXT_H
#define SURFACELESS_CONTEXT_H

#include <QString>

#include <memory>

class SurfacelessContext {
public:
    // Null, with the reason in `error`, where EGL offers no such context.
    static std::unique_ptr<SurfacelessContext> create(QString& error);
    ~SurfacelessContext();
    SurfacelessContext(const SurfacelessContext&) = delete;
    SurfacelessContext& operator=(const SurfacelessContext&) = delete;

    bool makeCurrent();
    void doneCurrent();
    bool isCurrent() const;

private:
    // EGLDisplay and EGLContext, kept opaque so that users of this header do
    // not see EGL's platform headers.
    SurfacelessContext(void* display, void* context) : display_(display), context_(context) {}

    void* display_;
    void* context_;
};

#endif
