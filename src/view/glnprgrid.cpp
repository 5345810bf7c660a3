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
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(settleDelay);
    connect(&settleTimer, &QTimer::timeout, this, [this] { updateGL(); });
}

GLNPRGrid::~GLNPRGrid()
{
    worker.cancel();
    if (!makeGLCurrent())
        return;
    if (polygonList != 0)
        glDeleteLists(polygonList, 1);
    drawnLayer.occluder.release();
    coarseLayer.occluder.release();
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
    drawnLayer.occluder.forget();
    coarseLayer.occluder.forget();
    curvatureList = 0;
    drawnLayer.occluderPending = !vertices.empty();
    coarseLayer.occluderPending = !model.coarse.mesh.vertices.empty();
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
    applyViewTransform(drawnPlacement());
}

void GLNPRGrid::applyViewTransform(const LevelPlacement& placement)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    const ViewState view = viewState();
    // The projection follows the view: orthographic, or a frustum that grows
    // with the level drawn.
    if (viewWidth > 0 && viewHeight > 0) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixd(projectionMatrix(view, placement, viewWidth, viewHeight).data());
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(modelViewMatrix(view, placement).data());
}

ViewState GLNPRGrid::viewState() const
{
    return {xRot, yRot, zRot, viewScale, xTrans, yTrans, zTrans, orthographic};
}

LevelPlacement GLNPRGrid::drawnPlacement() const
{
    const double spacing = model.levelScale;
    if (!model.mesh.extent)
        return LevelPlacement{gmVec3(), gmVec3(), spacing, gmVec3()};
    return placeLevel(model.mesh.extent->low, model.mesh.extent->high, spacing);
}

LevelPlacement GLNPRGrid::coarsePlacement() const
{
    const LevelPlacement drawn = drawnPlacement();
    const std::optional<ViewBox>& extent = model.coarse.mesh.extent;
    if (!extent)
        return drawn;
    return placeBeside(drawn, extent->low, extent->high, drawn.spacing * model.coarse.spacing);
}

bool GLNPRGrid::drawsCoarseLevel() const
{
    return coarseWhileMoving && moving() && !model.coarse.mesh.faces.empty() && frameTimes.tooSlow(faces.size());
}

void GLNPRGrid::settleView()
{
    if (!settleTimer.isActive())
        return;
    settleTimer.stop();
    updateGL();
}

void GLNPRGrid::viewMoved()
{
    settleTimer.start();
}

void GLNPRGrid::paintGL()
{
    const bool coarse = drawsCoarseLevel();
    const LevelPlacement drawn = drawnPlacement();
    const LevelPlacement placement = coarse ? coarsePlacement() : drawn;
    applyViewTransform(placement);
    lastPaintTimes = PaintTimes();
    lastPaintTimes.coarse = coarse;
    if (!grid.loaded)
        return;
    PaintStopwatch frame(true);
    MeshLayer& layer = coarse ? coarseLayer : drawnLayer;
    DrawnMesh& mesh = coarse ? model.coarse.mesh : model.mesh;
    // The shaded surface is the drawn level's; coarse frames leave it out.
    if (showPolygons && !coarse) {
        if (polygonList == 0 || gridDirty) {
            drawGrid();
            gridDirty = false;
        }
        if (polygonList != 0)
            glCallList(polygonList);
    }
    // The coarse level takes the drawn level's locked eye and its light.
    const auto inLevel = [&](const gmVec3& p) { return coarse ? pointInLevel(p, drawn, placement) : p; };
    if (showSilhouettes)
        drawSilhouettesOf(layer, mesh, inLevel(silhouettePass.lastPoint));
    if (showLightSilhouettes)
        drawLightSilhouettesOf(layer, mesh, inLevel(lightPosition));
    // The line families are the drawn level's; coarse frames leave them out.
    if (!coarse) {
        updateSuggestiveLines();
        drawFamilies();
    }
    const bool uploading = layer.occluderPending;
    if (uploading)
        uploadOccluder(layer, mesh);
    // curvatureList names the drawn level's occluder; 0 draws none.
    if ((coarse ? layer.occluder.id() : curvatureList) != 0) {
        PaintStopwatch watch(measurePaint);
        layer.occluder.draw();
        lastPaintTimes.occluder = watch.lap(true);
    }
    lastPaintTimes.frame = frame.lap(true);
    // A frame that moved a mesh to GL says little of the frames to come.
    if (uploading)
        return;
    frameTimes.record(mesh.faces.size(), lastPaintTimes.frame / 1000.0);
    if (coarseWhileMoving && !coarseRebuilding &&
        frameTimes.rebuildWanted(faces.size(), model.coarse.mesh.faces.size(), model.coarse.builtFor))
        QTimer::singleShot(0, this, &GLNPRGrid::rebuildCoarseLevel);
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
    model.mesh.curvature.clear();
    model.mesh.extent.reset();
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
    for (MeshLayer* layer : {&drawnLayer, &coarseLayer}) {
        layer->silhouettePass.meshChanged();
        layer->lightSilhouettePass.meshChanged();
    }
    suggestivePass.meshChanged();
    familySegmentsStale = true;
}

void GLNPRGrid::buildOccluderList()
{
    // The GL buffers need this view's context; before the view has one they
    // are filled at its first paint, the coarse level's at its first frame.
    drawnLayer.occluderPending = true;
    coarseLayer.occluderPending = true;
    if (drawingHere()) {
        uploadOccluder(drawnLayer, model.mesh);
    } else if (makeGLCurrent()) {
        uploadOccluder(drawnLayer, model.mesh);
        doneGLCurrent();
    }
}

void GLNPRGrid::uploadOccluder(MeshLayer& layer, DrawnMesh& mesh)
{
    // The work that built the mesh prepared the positions; a new context
    // needs them again.
    std::vector<float>& positions = mesh.occluderPositions;
    if (positions.empty())
        buildOccluderPositions(mesh.vertices, mesh.vertexNormals, positions);
    layer.occluder.upload(positions, mesh.faces);
    releaseBulk(positions);
    layer.occluderPending = false;
    curvatureList = drawnLayer.occluder.id();
}

// Orthographic rays are parallel: from an eye this far back (mesh units)
// every point of a terrain is seen along the axis within a millionth.
static constexpr double orthographicEyeDistance = 1e8;

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
    if (orthographic)
        return nearPoint + eyeDirection() * orthographicEyeDistance;
    return nearPoint - (mid - nearPoint);
}

gmVec3 GLNPRGrid::eyeDirection()
{
    Matrix4 modelView;
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
    // The eye looks down its -z axis: +z points to it.
    const Matrix4 toModel = inverseModelView(modelView);
    gmVec3 towards = transformPoint(toModel, gmVec3(0.0, 0.0, 1.0)) - transformPoint(toModel, gmVec3());
    return towards.normalize();
}

void GLNPRGrid::drawSilhouettes()
{
    drawSilhouettesOf(drawnLayer, model.mesh, silhouettePass.lastPoint);
}

void GLNPRGrid::drawLightSilhouettes()
{
    drawLightSilhouettesOf(drawnLayer, model.mesh, lightPosition);
}

void GLNPRGrid::drawSilhouettesOf(MeshLayer& layer, DrawnMesh& mesh, const gmVec3& lockedEye)
{
    LinePass& pass = layer.silhouettePass;
    if (!pass.started) {
        pass.startOnce(mesh.vertices.size());
        pass.lastPoint = eyePosition();
    }
    const gmVec3 eye = silLocked ? lockedEye : eyePosition();
    runPass(layer, mesh, pass, mesh.silhouetteEdges, eye, silThreshold);
}

void GLNPRGrid::drawLightSilhouettesOf(MeshLayer& layer, DrawnMesh& mesh, const gmVec3& light)
{
    layer.lightSilhouettePass.startOnce(mesh.vertices.size());
    runPass(layer, mesh, layer.lightSilhouettePass, mesh.lightSilhouetteEdges, light, lightSilThreshold);
}

void GLNPRGrid::runPass(MeshLayer& layer, DrawnMesh& mesh, LinePass& pass, EdgeBuffer& edges, const gmVec3& point,
                        float threshold)
{
    // Outside a paint (a command running the light pass, the drawing's
    // scene) only the classification lasts: the next paint clears whatever
    // would be drawn.
    const bool drawing = drawingHere() && !classifyingOnly;
    PaintStopwatch watch(measurePaint && drawing);
    pass.classify(edges, mesh.faces, mesh.faceNormals, mesh.vertices, point, threshold);
    lastPaintTimes.classification += watch.lap(false);
    if (!drawing)
        return;
    if (curvatureStrokes) {
        drawStrokesOf(layer, mesh, edges, drawF1Curvature);
    } else {
        const LineBatches& lines = pass.lines(edges, mesh.vertices);
        drawStyledLines(lines);
        lastPaintTimes.edgesDrawn += lines.segmentCount();
    }
    lastPaintTimes.lines += watch.lap(true);
}

void GLNPRGrid::updateSuggestiveLines()
{
    if (!lineSettings.suggestive && !lineSettings.highlights)
        return;
    PaintStopwatch watch(measurePaint && drawingHere());
    SurfaceEye eye = orthographic ? SurfaceEye{eyeDirection(), true} : SurfaceEye{eyePosition()};
    // Locked, the lines stay those of the locked eye: the one they were last
    // computed for, or the silhouettes' when they come on while locked.
    if (silLocked && suggestivePass.eye())
        eye = *suggestivePass.eye();
    else if (silLocked && silhouettePass.started)
        eye = SurfaceEye{silhouettePass.lastPoint};
    if (suggestivePass.update(model.mesh.curvature, grid.valid, vertices, eye, lineSettings.suggestiveThreshold))
        viewFamilySegmentsStale = true;
    lastPaintTimes.suggestive += watch.lap(false);
}

std::vector<const LineFamily*> GLNPRGrid::viewFamilies() const
{
    std::vector<const LineFamily*> shown;
    if (lineSettings.suggestive)
        shown.push_back(&suggestivePass.contours());
    if (lineSettings.highlights)
        shown.push_back(&suggestivePass.highlights());
    return shown;
}

namespace {

// Brings each family's segments up to date when the families changed.
void refreshSegments(std::span<const LineFamily* const> families, std::vector<FamilySegments>& segments, bool& stale)
{
    if (!stale && segments.size() == families.size())
        return;
    segments.resize(families.size());
    for (std::size_t i = 0; i < families.size(); ++i)
        segments[i].build(*families[i]);
    stale = false;
}

} // namespace

void GLNPRGrid::drawFamilies()
{
    std::vector<const LineFamily*> built;
    for (const LineFamily& family : families())
        built.push_back(&family);
    const std::vector<const LineFamily*> shown = viewFamilies();
    if (built.empty() && shown.empty())
        return;
    PaintStopwatch watch(measurePaint);
    refreshSegments(built, familySegments, familySegmentsStale);
    refreshSegments(shown, viewFamilySegments, viewFamilySegmentsStale);
    // Drawn a little nearer the eye than they lie, as the vector drawing
    // tests them, so that the surface they lie on does not hide them.
    std::array<double, 16> modelView, projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(liftedTowardsEye(modelView, projection, viewWidth, viewHeight, surfaceLineLift).data());
    for (std::size_t i = 0; i < built.size(); ++i)
        lastPaintTimes.familySegmentsDrawn += drawLineFamily(*built[i], familySegments[i]);
    for (std::size_t i = 0; i < shown.size(); ++i)
        lastPaintTimes.familySegmentsDrawn += drawLineFamily(*shown[i], viewFamilySegments[i]);
    glPopMatrix();
    lastPaintTimes.families = watch.lap(true);
}

void GLNPRGrid::drawCurvatureStrokes(const EdgeBuffer& edges, bool useFirst)
{
    drawStrokesOf(drawnLayer, model.mesh, edges, useFirst);
}

void GLNPRGrid::drawStrokesOf(MeshLayer& layer, const DrawnMesh& mesh, const EdgeBuffer& edges, bool useFirst)
{
    if (mesh.vertices.empty())
        return;
    layer.strokes.build(edges, mesh.vertices, mesh.frames, useFirst);
    drawStrokeMesh(layer.strokes);
    lastPaintTimes.edgesDrawn += layer.strokes.strokeCount();
}

bool GLNPRGrid::drawingHere() const
{
    if (surfaceless)
        return surfaceless->isCurrent();
    return context() && QOpenGLContext::currentContext() == context();
}
