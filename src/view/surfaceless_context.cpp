#include "surfaceless_context.h"

#include <QByteArrayList>

// No X11 types from EGL's platform header: they clash with Qt's names.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace {

QString eglFailure(const char* call)
{
    return QString("%1 failed (EGL error 0x%2)").arg(call).arg(eglGetError(), 0, 16);
}

// EGL_NO_DISPLAY asks for the client extensions (platforms).
bool hasExtension(EGLDisplay display, const char* name)
{
    const char* list = eglQueryString(display, EGL_EXTENSIONS);
    return list && QByteArray(list).split(' ').contains(name);
}

// The surfaceless display, initialised once for the whole process: EGL
// displays are not counted, so terminating one would end the contexts of
// every other user.
EGLDisplay surfacelessDisplay(QString& error)
{
    static EGLDisplay display = EGL_NO_DISPLAY;
    static QString failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!hasExtension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
            failure = "EGL has no surfaceless platform (Mesa's libegl-mesa0 provides one)";
        } else {
            EGLDisplay d = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
            if (d == EGL_NO_DISPLAY)
                failure = eglFailure("eglGetPlatformDisplay");
            else if (!eglInitialize(d, nullptr, nullptr))
                failure = eglFailure("eglInitialize");
            else
                display = d;
        }
    }
    error = failure;
    return display;
}

} // namespace

std::unique_ptr<SurfacelessContext> SurfacelessContext::create(QString& error)
{
    const EGLDisplay display = surfacelessDisplay(error);
    if (display == EGL_NO_DISPLAY)
        return nullptr;
    // A context without a config and current without a surface: drawing
    // goes into framebuffer objects only.
    if (!hasExtension(display, "EGL_KHR_no_config_context") || !hasExtension(display, "EGL_KHR_surfaceless_context")) {
        error = "EGL cannot make a context without a window surface";
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglFailure("eglBindAPI(EGL_OPENGL_API)");
        return nullptr;
    }
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    const EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error = eglFailure("eglCreateContext");
        return nullptr;
    }
    return std::unique_ptr<SurfacelessContext>(new SurfacelessContext(display, context));
}

SurfacelessContext::~SurfacelessContext()
{
    if (isCurrent())
        doneCurrent();
    eglDestroyContext(display_, context_);
}

bool SurfacelessContext::makeCurrent()
{
    // The bound API is the thread's: eglGetCurrentContext answers for it.
    eglBindAPI(EGL_OPENGL_API);
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

void SurfacelessContext::doneCurrent()
{
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

bool SurfacelessContext::isCurrent() const
{
    return eglGetCurrentContext() == context_;
}
