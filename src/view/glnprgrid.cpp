#include "glnprgrid.h"

#include "bulk_memory.h"
#include "gl_framebuffer.h"
#include "occluder.h"
#include "surfaceless_context.h"
#include "screen_projection.h"

#include <QOpenGLContext>

#include <GL/glu.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

// Times the parts of a paint. While measuring, each lap first waits for GL
// to finish what was issued, so that a part is charged its drawing.
class PaintStopwatch {
public:
    explicit PaintStopwatch(bool measuring) : measuring_(measuring)
    {
        if (measuring_)
            glFinish();
        start_ = std::chrono::steady_clock::now();
    }
    // Milliseconds since construction or the last lap; 0 unless measuring.
    double lap(bool waitForGL)
    {
        if (!measuring_)
            return 0.0;
        if (waitForGL)
            glFinish();
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
        start_ = now;
        return ms;
    }

private:
    bool measuring_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace

GLNPRGrid::GLNPRGrid(QWidget* parent, const char* name)
    : QOpenGLWidget(parent), xRot(0.0f), yRot(0.0f), zRot(0.0f), viewScale(2.0f), xTrans(0.0f), yTrans(0.0f),
      zTrans(0.0f), mousePressed(false), polygonList(0), curvatureList(0), gridDirty(true), showPolygons(false),
      showSilhouettes(true), showLightSilhouettes(false), lightPosition(1000.0, 1000.0, 1000.0),
      lightSilThreshold(0.2f), silThreshold(0.2f), silLocked(false), curvatureStrokes(false), drawF1Curvature(true)
{
    setObjectName(QString::fromLatin1(name));
    connect(&worker, &TerrainWorker::progress, this, &GLNPRGrid::workProgress);
}

GLNPRGrid::~GLNPRGrid()
{
    worker.cancel();
    if (!makeGLCurrent())
        return;
    if (polygonList != 0)
        glDeleteLists(polygonList, 1);
    occluder.release();
    surfacelessFrame.reset();
    doneGLCurrent();
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
    // A new context holds none of the lists and buffers of an earlier one.
    polygonList = 0;
    occluder.forget();
    curvatureList = 0;
    occluderPending = !vertices.empty();
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
    lastPaintTimes = PaintTimes();
    if (!grid.loaded)
        return;
    if (showPolygons) {
        if (polygonList == 0 || gridDirty) {
            drawGrid();
            gridDirty = false;
        }
        if (polygonList != 0)
            glCallList(polygonList);
    }
    if (showSilhouettes)
        drawSilhouettes();
    if (showLightSilhouettes)
        drawLightSilhouettes();
    drawFamilies();
    if (occluderPending)
        uploadOccluder();
    if (curvatureList != 0) {
        PaintStopwatch watch(measurePaint);
        occluder.draw();
        lastPaintTimes.occluder = watch.lap(true);
    }
}

void GLNPRGrid::drawGrid()
{
    if (!grid.loaded)
        return;
    std::printf("Draw Grid . . . ");
    if (polygonList != 0) {
        glDeleteLists(polygonList, 1);
        polygonList = 0;
    }
    // Mid-sized grids are compiled once; small ones are cheap to draw and
    // very large ones too big for a list, so those are drawn every paint.
    const float n = float(grid.width * grid.height);
    if (n > 2500 && n < 1000000)
        polygonList = glGenLists(1);
    if (polygonList != 0) {
        glNewList(polygonList, GL_COMPILE);
        grid.render();
        glEndList();
    } else {
        grid.render();
    }
    std::printf("Done\n");
}

void GLNPRGrid::clearEdgeData()
{
    silhouetteEdges.clear();
    lightSilhouetteEdges.clear();
    releaseBulk(vertices);
    releaseBulk(vertexNormals);
    releaseBulk(faceNormals);
    releaseBulk(faces);
    meshReplaced();
}

bool GLNPRGrid::findCurvature()
{
    WorkControl runsToTheEnd;
    try {
        buildDrawnMesh(grid, model.mesh, runsToTheEnd, 0, 4, mapLinesToBuild());
    } catch (const std::bad_alloc&) {
        model.mesh.release();
        std::printf("Not enough memory to draw the terrain\n");
    }
    meshReplaced();
    buildOccluderList();
    return grid.loaded && !vertices.empty();
}

void GLNPRGrid::meshReplaced()
{
    silhouettePass.meshChanged();
    lightSilhouettePass.meshChanged();
    familySegmentsStale = true;
}

void GLNPRGrid::buildOccluderList()
{
    // The GL buffers need this view's context; before the view has one they
    // are filled at its first paint.
    occluderPending = true;
    if (drawingHere()) {
        uploadOccluder();
    } else if (makeGLCurrent()) {
        uploadOccluder();
        doneGLCurrent();
    }
}

void GLNPRGrid::uploadOccluder()
{
    // The work that built the mesh prepared the positions; a new context
    // needs them again.
    std::vector<float>& positions = model.mesh.occluderPositions;
    if (positions.empty())
        buildOccluderPositions(vertices, vertexNormals, positions);
    occluder.upload(positions, faces);
    releaseBulk(positions);
    curvatureList = occluder.id();
    occluderPending = false;
}

gmVec3 GLNPRGrid::eyePosition()
{
    GLint viewport[4];
    GLdouble modelView[16], projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double x = viewWidth / 2.0, y = viewHeight / 2.0;
    gmVec3 mid, nearPoint;
    gluUnProject(x, y, 0.5, modelView, projection, viewport, &mid[0], &mid[1], &mid[2]);
    gluUnProject(x, y, 0.0, modelView, projection, viewport, &nearPoint[0], &nearPoint[1], &nearPoint[2]);
    return nearPoint - (mid - nearPoint);
}

void GLNPRGrid::drawSilhouettes()
{
    if (!silhouettePass.started) {
        silhouettePass.startOnce(vertices.size());
        silhouettePass.lastPoint = eyePosition();
    }
    const gmVec3 eye = silLocked ? silhouettePass.lastPoint : eyePosition();
    runPass(silhouettePass, silhouetteEdges, eye, silThreshold);
}

void GLNPRGrid::drawLightSilhouettes()
{
    lightSilhouettePass.startOnce(vertices.size());
    runPass(lightSilhouettePass, lightSilhouetteEdges, lightPosition, lightSilThreshold);
}

void GLNPRGrid::runPass(LinePass& pass, EdgeBuffer& edges, const gmVec3& point, float threshold)
{
    // Outside a paint (a command running the light pass) only the
    // classification lasts: the next paint clears whatever would be drawn.
    const bool drawing = drawingHere();
    PaintStopwatch watch(measurePaint && drawing);
    pass.classify(edges, faces, faceNormals, vertices, point, threshold);
    lastPaintTimes.classification += watch.lap(false);
    if (!drawing)
        return;
    if (curvatureStrokes) {
        drawCurvatureStrokes(edges, drawF1Curvature);
    } else {
        const LineBatches& lines = pass.lines(edges, vertices);
        drawStyledLines(lines);
        lastPaintTimes.edgesDrawn += lines.segmentCount();
    }
    lastPaintTimes.lines += watch.lap(true);
}

void GLNPRGrid::drawFamilies()
{
    const std::span<const LineFamily> drawn = families();
    if (drawn.empty())
        return;
    PaintStopwatch watch(measurePaint);
    if (familySegmentsStale || familySegments.size() != drawn.size()) {
        familySegments.resize(drawn.size());
        for (std::size_t i = 0; i < drawn.size(); ++i)
            familySegments[i].build(drawn[i]);
        familySegmentsStale = false;
    }
    // Drawn a little nearer the eye than they lie, as the vector drawing
    // tests them, so that the surface they lie on does not hide them.
    std::array<double, 16> modelView, projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(liftedTowardsEye(modelView, projection, viewWidth, viewHeight, surfaceLineLift).data());
    for (std::size_t i = 0; i < drawn.size(); ++i)
        lastPaintTimes.familySegmentsDrawn += drawLineFamily(drawn[i], familySegments[i]);
    glPopMatrix();
    lastPaintTimes.families = watch.lap(true);
}

void GLNPRGrid::drawCurvatureStrokes(const EdgeBuffer& edges, bool useFirst)
{
    if (vertices.empty())
        return;
    strokes.build(edges, vertices, frames, useFirst);
    drawStrokeMesh(strokes);
    lastPaintTimes.edgesDrawn += strokes.strokeCount();
}

bool GLNPRGrid::drawingHere() const
{
    if (surfaceless)
        return surfaceless->isCurrent();
    return context() && QOpenGLContext::currentContext() == context();
}
