#include "glnprgrid.h"

GLNPRGrid::GLNPRGrid(QWidget* parent, const char* name)
    : QOpenGLWidget(parent), xRot(0.0f), yRot(0.0f), zRot(0.0f), viewScale(2.0f), xTrans(0.0f), yTrans(0.0f),
      zTrans(0.0f), mousePressed(false), polygonList(0), curvatureList(0), gridDirty(true), showPolygons(false),
      showSilhouettes(true), showLightSilhouettes(false), lightPosition(1000.0, 1000.0, 1000.0),
      lightSilThreshold(0.2f), silThreshold(0.2f), silLocked(false), curvatureStrokes(false), drawF1Curvature(true)
{
    setObjectName(QString::fromLatin1(name));
}

GLNPRGrid::~GLNPRGrid()
{
    if (polygonList != 0 && context()) {
        makeCurrent();
        glDeleteLists(polygonList, 1);
        doneCurrent();
    }
}

void GLNPRGrid::initializeGL()
{
    // No GL context exists while a QOpenGLWidget is constructed, so blending
    // is switched on here, once the context is current.
    glEnable(GL_BLEND);
    glLoadIdentity();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LINE_SMOOTH);
}

void GLNPRGrid::resizeGL(int w, int h)
{
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The shorter side spans -0.5 to 0.5 at the near plane. A zero-sized
    // side has no finite aspect ratio, so the frustum waits for a real size.
    if (w > 0 && h > 0) {
        if (w >= h) {
            const double r = double(w) / double(h);
            glFrustum(-0.5 * r, 0.5 * r, -0.5, 0.5, 0.5, 200.0);
        } else {
            const double r = double(h) / double(w);
            glFrustum(-0.5, 0.5, -0.5 * r, 0.5 * r, 0.5, 200.0);
        }
    }
    viewWidth = w;
    viewHeight = h;
    glMatrixMode(GL_MODELVIEW);
}

void GLNPRGrid::applyViewTransform()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(xTrans - 3.5f, yTrans - 3.0f, zTrans - 7.0f);
    glScalef(viewScale, viewScale, viewScale);
    glRotatef(285.0f + xRot, 1.0f, 0.0f, 0.0f);
    glRotatef(yRot, 0.0f, 1.0f, 0.0f);
    glRotatef(zRot, 0.0f, 0.0f, 1.0f);
}

void GLNPRGrid::paintGL()
{
    applyViewTransform();
    if (!grid.loaded)
        return;
}
