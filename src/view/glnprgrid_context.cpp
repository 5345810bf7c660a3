// Which GL context the view draws with: the one Qt gives its window, or,
// for batch drawing where no display is available, a surfaceless context of
// its own with a framebuffer in place of the window's. The paint code is the
// same for both.
#include "glnprgrid.h"

#include "gl_framebuffer.h"
#include "surfaceless_context.h"

#include <QOpenGLContext>

#include <cstdio>

bool GLNPRGrid::drawWithoutWindow(QString& error)
{
    surfaceless = SurfacelessContext::create(error);
    if (!surfaceless)
        return false;
    if (!surfaceless->makeCurrent()) {
        surfaceless.reset();
        error = "the surfaceless GL context cannot be made current";
        return false;
    }
    initializeGL();
    surfaceless->doneCurrent();
    return true;
}

bool GLNPRGrid::makeGLCurrent()
{
    if (!surfaceless) {
        if (!context() || !context()->isValid())
            return false;
        makeCurrent();
        return true;
    }
    if (!surfaceless->makeCurrent())
        return false;
    if (surfacelessFrame)
        surfacelessFrame->bind();
    return true;
}

void GLNPRGrid::doneGLCurrent()
{
    if (!surfaceless) {
        doneCurrent();
        return;
    }
    if (surfacelessFrame)
        surfacelessFrame->release();
    surfaceless->doneCurrent();
}

bool GLNPRGrid::prepareGL()
{
    if (!surfaceless) {
        // A view that was never drawn has no GL context and no size yet.
        if (!context() || !context()->isValid())
            grabFramebuffer();
        return context() && context()->isValid();
    }
    // As a window's view does when it is resized: a new framebuffer of the
    // new size, then resizeGL.
    const int w = width(), h = height();
    if (surfacelessFrame && surfacelessFrame->width() == w && surfacelessFrame->height() == h)
        return true;
    if (!makeGLCurrent())
        return false;
    if (surfacelessFrame)
        surfacelessFrame->release();
    surfacelessFrame = std::make_unique<GLFramebuffer>(w, h, GL_DEPTH24_STENCIL8);
    if (!surfacelessFrame->valid()) {
        std::printf("No off-screen buffer of %i x %i pixels to draw into\n", w, h);
        surfacelessFrame.reset();
        surfaceless->doneCurrent();
        return false;
    }
    surfacelessFrame->bind();
    resizeGL(w, h);
    doneGLCurrent();
    return true;
}

QImage GLNPRGrid::renderFrame()
{
    if (!surfaceless)
        return grabFramebuffer();
    if (!prepareGL() || !makeGLCurrent())
        return QImage();
    glViewport(0, 0, surfacelessFrame->width(), surfacelessFrame->height());
    paintGL();
    QImage frame = surfacelessFrame->readColour();
    doneGLCurrent();
    return frame;
}
