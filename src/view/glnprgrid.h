// The OpenGL view: owns the terrain grid and the drawing state, keeps the view
// transform and the drawing switches, and runs the paint pipeline.
#ifndef GLNPRGRID_H
#define GLNPRGRID_H

#include "gmvec3.h"
#include "jgrid.h"

#include <QOpenGLWidget>

#include <GL/gl.h>

class GLNPRGrid : public QOpenGLWidget {
    Q_OBJECT

public:
    GLNPRGrid(QWidget* parent, const char* name);
    ~GLNPRGrid() override;

    // Requests a repaint; the slots call it after every change of state.
    void updateGL() { update(); }

    int viewWidth = 0;
    int viewHeight = 0;
    float xRot;
    float yRot;
    float zRot;
    float viewScale;
    float xTrans;
    float yTrans;
    float zTrans;
    bool mousePressed;
    int lastMouseX = 0;
    int lastMouseY = 0;
    Qt::MouseButton mouseButton = Qt::NoButton;
    JGrid grid;
    GLuint polygonList;
    GLuint curvatureList;
    bool gridDirty;
    bool showPolygons;
    bool showSilhouettes;
    bool showLightSilhouettes;
    gmVec3 lightPosition;
    float lightSilThreshold;
    float silThreshold;
    bool silLocked;
    bool curvatureStrokes;
    bool drawF1Curvature;

    // BEGIN commands
    // END commands

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    void applyViewTransform();
};

#endif
