// The OpenGL view: owns the terrain grid and the drawing state, keeps the view
// transform and the drawing switches, and runs the paint pipeline.
#ifndef GLNPRGRID_H
#define GLNPRGRID_H

#include "curvature_frames.h"
#include "curvature_strokes.h"
#include "edge_buffer.h"
#include "gmvec3.h"
#include "jgrid.h"
#include "line_art.h"
#include "line_pass.h"
#include "npr_gl.h"

#include <QOpenGLWidget>

#include <GL/gl.h>

#include <cstddef>
#include <vector>

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
    // Display list of the shaded surface; 0 = none.
    GLuint polygonList;
    // GL buffer holding the hidden-line occluder surface; 0 = none.
    GLuint curvatureList;
    bool gridDirty;
    bool showPolygons;
    bool showSilhouettes;
    bool showLightSilhouettes;
    // The mesh of the grid as it was at the last findCurvature().
    std::vector<gmVec3> vertices;
    std::vector<gmVec3> vertexNormals;
    std::vector<gmVec3> faceNormals;
    std::vector<CurvatureFrame> frames;
    std::vector<Face> faces;
    EdgeBuffer silhouetteEdges;
    EdgeBuffer lightSilhouetteEdges;
    gmVec3 lightPosition;
    float lightSilThreshold;
    float silThreshold;
    bool silLocked;
    bool curvatureStrokes;
    bool drawF1Curvature;

    // What each line pass last classified its edges for (the eye, the light)
    // and the lines prepared from that.
    LinePass silhouettePass{gmVec3()};
    LinePass lightSilhouettePass{gmVec3(1.0, 1.0, 1.0)};

    // The parts of the last paint: milliseconds (measured, with glFinish,
    // only while measurePaint is set) and the lines or strokes drawn.
    struct PaintTimes {
        double classification = 0.0;
        double lines = 0.0;
        double occluder = 0.0;
        std::size_t edgesDrawn = 0;
    };
    bool measurePaint = false;
    PaintTimes lastPaintTimes;

    // Empties both edge buffers and the mesh arrays (not the frames).
    void clearEdgeData();
    // Builds the mesh, both edge buffers, the curvature frames and the
    // occluder from the grid. Returns false, leaving no mesh, when no grid
    // is loaded or its mesh would not fit in this machine's memory.
    bool findCurvature();
    void buildOccluderList();
    void drawSilhouettes();
    void drawLightSilhouettes();
    // The eye point in model coordinates, from the current GL matrices.
    gmVec3 eyePosition();
    void drawCurvatureStrokes(const EdgeBuffer& edges, bool useFirst);
    // The lines and strokes of the current view that the white surface does
    // not hide, in pixels of the view's size; no paths without a grid, and
    // no size when GL has no off-screen buffer for it.
    LineArt lineArt();

    // BEGIN commands
    // Reports the grid's size and cell size to the controls and repaints.
    void updateGUI();

public slots:
    void setXRotation(int degrees);
    void setYRotation(int degrees);
    void setZRotation(int degrees);
    void setScale(int val);
    void loadGRDFile(QString file);
    void loadFLTFile(QString file);
    // Loads any grid file, its reader picked by JGrid::loadFile.
    void loadFile(QString file);
    void subdivide(int subdivisiontype);
    void unsubdivide(int subdivisiontype);
    void subdivide();
    void unsubdivide();
    void setLightX(int newval);
    void setLightY(int newval);
    void setLightZ(int newval);
    void setLightSilThresh(int newval);
    void setSilThresh(int newval);
    void lockSil(bool newval);
    void setCurvatureStrokes(bool newval);
    void toggleDrawF1Curvature();
    void changeWidth(int w);
    void changeHeight(int h);
    void setLightSilhouettes(bool on);
    void setSilhouettes(bool on);
    void setPolygons(bool on);
    // Pans and dollies so that the whole terrain fills the view at the
    // current rotation and scale.
    void fitTerrain();
    // Multiplies the drawing heights (0.1 to 50); the mesh is rebuilt.
    void setVerticalExaggeration(double factor);

signals:
    void widthChanged(const QString& width);
    void widthChanged(int);
    void heightChanged(const QString& height);
    void heightChanged(int);
    void freqChanged(int);
    // The wheel changed the scale: the scale slider's new value.
    void scaleChanged(int);
    // A load that succeeded: the file now shown.
    void gridLoaded(const QString& file);
    // A load that failed: the file, and why (the console's error lines).
    // The terrain shown before stays.
    void loadFailed(const QString& file, const QString& reason);
    // A command that was refused and changed nothing (Coarsen at the
    // smallest size, a refinement beyond memory), and why.
    void commandRefused(const QString& reason);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void loadChain(bool (JGrid::*reader)(QString), const QString& file);
    template <typename Change>
    void changeGrid(Change change);
    void runLightPassOnce();
    bool refinementFits(int subdivisiontype) const;

public:
    // END commands

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void applyViewTransform();
    void drawGrid();

private:
    // Classifies a pass's edges when its inputs changed and draws them.
    void runPass(LinePass& pass, EdgeBuffer& edges, const gmVec3& point, float threshold);
    // This view's context is current: a pass may draw.
    bool drawingHere() const;
    void uploadOccluder();

    OccluderBuffers occluder;
    bool occluderPending = false;
    StrokeMesh strokes;
};

#endif
