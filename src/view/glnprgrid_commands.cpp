// The view's commands: the slots the controls drive, the grid-changing
// chains (load, refine, coarsen), the size report, and the mouse.
#include "glnprgrid.h"
#include "coarse_level.h"
#include "error_report.h"
#include "memory_room.h"
#include "terrain_mesh.h"
#include "view_fit.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>

// The rotation and scale slots repaint; a change marks the view as moving.
void GLNPRGrid::setXRotation(int degrees)
{
    const float angle = float(degrees % 360);
    if (angle != xRot)
        viewMoved();
    xRot = angle;
    updateGL();
}

void GLNPRGrid::setYRotation(int degrees)
{
    const float angle = float(degrees % 360);
    if (angle != yRot)
        viewMoved();
    yRot = angle;
    updateGL();
}

void GLNPRGrid::setZRotation(int degrees)
{
    const float angle = float(degrees % 360);
    if (angle != zRot)
        viewMoved();
    zRot = angle;
    updateGL();
}

void GLNPRGrid::setScale(int val)
{
    const float scale = float(val / 10.0 + 1.0);
    if (scale != viewScale)
        viewMoved();
    viewScale = scale;
    updateGL();
}

void GLNPRGrid::loadGRDFile(QString file)
{
    requestLoad(file, GridFormat::Ascii);
}

void GLNPRGrid::loadFLTFile(QString file)
{
    requestLoad(file, GridFormat::Float);
}

void GLNPRGrid::loadFile(QString file)
{
    requestLoad(file, GridFormat::ByName);
}

// A new file makes whatever was still to be done to the terrain shown
// pointless: that stops, and the load runs next.
void GLNPRGrid::requestLoad(const QString& file, GridFormat format)
{
    waitingCommands.clear();
    mapLinesWaiting = false;
    worker.cancel();
    runInTurn([this, file, format] {
        const std::uint64_t budget = displayBudget;
        const std::optional<float> cellSize = cellSizeForLoads;
        const std::uint64_t coarseBudget = coarseFaceBudget();
        // A new grid keeps the exaggeration the view draws with.
        const float exaggeration = grid.verticalExaggeration;
        worker.start(
            [file, format, budget, cellSize, coarseBudget, exaggeration,
             lines = mapLinesToBuild()](WorkControl& control, TerrainUpdate& update) {
                update.grid.verticalExaggeration = exaggeration;
                update.lineSettings = lines;
                return withCoarseLevel(loadTerrain(file, format, budget, control, update, cellSize), coarseBudget,
                                       control, update);
            },
            [this, file](WorkOutcome outcome, TerrainUpdate& update) { finishChange(outcome, update, &file); });
    });
}

std::uint64_t GLNPRGrid::coarseFaceBudget() const
{
    return coarseWhileMoving ? frameTimes.faceBudget() : 0;
}

void GLNPRGrid::rebuildCoarseLevel()
{
    if (worker.busy() || !waitingCommands.empty() || !grid.loaded || !coarseWhileMoving ||
        !frameTimes.rebuildWanted(faces.size(), model.coarse.mesh.faces.size(), model.coarse.builtFor))
        return;
    coarseRebuilding = true;
    const std::uint64_t budget = frameTimes.faceBudget();
    worker.start([this, budget](WorkControl& control,
                                TerrainUpdate& update) { return buildCoarseLevel(grid, budget, update.coarse, control); },
                 [this](WorkOutcome outcome, TerrainUpdate& update) {
                     coarseRebuilding = false;
                     if (outcome == WorkOutcome::Done) {
                         model.coarse = std::move(update.coarse);
                         coarseLayer.silhouettePass.meshChanged();
                         coarseLayer.lightSilhouettePass.meshChanged();
                         coarseLayer.occluderPending = true;
                     }
                     runWaitingCommands();
                 });
}

// The refine and coarsen chain: the new level and its mesh are built beside
// the terrain shown, which they replace when done.
void GLNPRGrid::requestChange(const char* line, LevelChange change)
{
    runInTurn([this, line, change] {
        std::printf("%s", line);
        if (change == LevelChange::RefineWithDetails || change == LevelChange::RefineBrownian) {
            ErrorCollector errors;
            if (!refinementFits(change == LevelChange::RefineWithDetails ? 1 : 2)) {
                emit commandRefused(errors.text());
                return;
            }
        }
        startLevelChange(change);
    });
}

void GLNPRGrid::startLevelChange(LevelChange change, std::function<void(JGrid&)> adjust)
{
    const std::uint64_t coarseBudget = coarseFaceBudget();
    worker.start(
        [this, change, adjust = std::move(adjust), coarseBudget,
         lines = mapLinesToBuild()](WorkControl& control, TerrainUpdate& update) {
            update.lineSettings = lines;
            return withCoarseLevel(changeTerrainLevel(model, change, control, update, adjust), coarseBudget, control,
                                   update);
        },
        [this](WorkOutcome outcome, TerrainUpdate& update) { finishChange(outcome, update, nullptr); });
}

// Takes the work's result on the GUI thread. The edge data of the terrain
// shown go, the new state comes in, the occluder moves to GL, and the size is
// reported. A failed load or change keeps the terrain, still reports its size
// and says why; a stopped one changes nothing.
void GLNPRGrid::finishChange(WorkOutcome outcome, TerrainUpdate& update, const QString* loadedFile)
{
    if (outcome == WorkOutcome::Cancelled) {
        std::printf("Stopped; the terrain is unchanged\n");
        runWaitingCommands();
        return;
    }
    const bool done = outcome == WorkOutcome::Done;
    if (done) {
        const LevelPlacement shownBefore = drawnPlacement();
        clearEdgeData();
        applyTerrainUpdate(model, std::move(update));
        meshReplaced();
        keepLockedEye(shownBefore);
        buildOccluderList();
        if (loadedFile && fitOnLoad)
            fitTerrain();
        if (loadedFile)
            updateGL();
    }
    updateGUI();
    if (done) {
        if (loadedFile)
            emit gridLoaded(*loadedFile);
        emit levelShown(model.shown().describe(grid.width, grid.height));
    } else if (loadedFile) {
        emit loadFailed(*loadedFile, update.errors);
    } else {
        // Reverse subdivision at the smallest size refuses without a message.
        const bool explained = grid.loaded && !update.errors.isEmpty();
        emit commandRefused(explained ? update.errors
                            : grid.loaded ? QString("The %1 x %2 grid was left unchanged.").arg(grid.width).arg(grid.height)
                                          : QString("There is no terrain to change: open a grid first."));
    }
    runWaitingCommands();
}

// A new level has mesh coordinates of its own spacing: the locked eye keeps
// its place in the scene (a parallel view its direction, which the uniform
// scale keeps).
void GLNPRGrid::keepLockedEye(const LevelPlacement& from)
{
    if (!silLocked)
        return;
    const LevelPlacement to = drawnPlacement();
    silhouettePass.lastPoint = pointInLevel(silhouettePass.lastPoint, from, to);
    if (const std::optional<SurfaceEye>& eye = suggestivePass.eye(); eye && !eye->parallel)
        suggestivePass.moveEye(SurfaceEye{pointInLevel(eye->point, from, to)});
}

void GLNPRGrid::runInTurn(std::function<void()> command)
{
    // A command's own work builds the coarse level it needs.
    if (coarseRebuilding)
        worker.cancel();
    waitingCommands.push_back(std::move(command));
    runWaitingCommands();
}

void GLNPRGrid::runWaitingCommands()
{
    while (!worker.busy() && !waitingCommands.empty()) {
        const std::function<void()> command = std::move(waitingCommands.front());
        waitingCommands.pop_front();
        command();
    }
    if (!worker.busy())
        emit workIdle();
}

void GLNPRGrid::cancelWork()
{
    waitingCommands.clear();
    mapLinesWaiting = false;
    worker.cancel();
}

void GLNPRGrid::waitForWork()
{
    worker.waitUntilIdle();
}

void GLNPRGrid::setWorkCheckpointHook(std::function<void(const char* step)> hook)
{
    worker.checkpointHook = std::move(hook);
}

// A refinement that would outgrow the grid's sample limit, or whose mesh
// would not fit in the memory left for work beside the mesh shown, is
// refused before anything changes; each refusal names its reason.
bool GLNPRGrid::refinementFits(int subdivisiontype) const
{
    if (!grid.loaded || (subdivisiontype != 1 && subdivisiontype != 2))
        return true;
    const std::uint64_t shrink = subdivisiontype == 1 ? 2 : 1;
    const std::uint64_t w = 2 * std::uint64_t(grid.width) - shrink;
    const std::uint64_t h = 2 * std::uint64_t(grid.height) - shrink;
    if (w * h > JGrid::maxSamples) {
        reportError("GLNPRGrid::subdivide - refused: the refined grid of %llu x %llu samples would exceed the limit of "
                    "%llu samples\n",
                    static_cast<unsigned long long>(w), static_cast<unsigned long long>(h),
                    static_cast<unsigned long long>(JGrid::maxSamples));
        return false;
    }
    if (!fitsInMemoryForWork(meshBytesFor(w, h, mapLinesToBuild().needsCurvature()))) {
        reportError("GLNPRGrid::subdivide - refused: not enough memory for the refined grid of %llu x %llu samples\n",
                    static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
        return false;
    }
    return true;
}

static LevelChange refinement(int subdivisiontype)
{
    return subdivisiontype == 1 ? LevelChange::RefineWithDetails
           : subdivisiontype == 2 ? LevelChange::RefineBrownian
                                  : LevelChange::Unchanged;
}

static LevelChange coarsening(int subdivisiontype)
{
    return subdivisiontype == 1 ? LevelChange::Coarsen
           : subdivisiontype == 2 ? LevelChange::Decimate
                                  : LevelChange::Unchanged;
}

void GLNPRGrid::subdivide(int subdivisiontype)
{
    requestChange("GLNPRGrid::subdivide\n", refinement(subdivisiontype));
}

void GLNPRGrid::unsubdivide(int subdivisiontype)
{
    requestChange("GLNPRGrid::unsubdivide\n", coarsening(subdivisiontype));
}

void GLNPRGrid::subdivide()
{
    subdivide(1);
}

void GLNPRGrid::unsubdivide()
{
    unsubdivide(1);
}

void GLNPRGrid::setLightX(int newval)
{
    lightPosition[0] = newval;
    requestMapLines(); // shaded contours follow the light
    updateGL();
}

void GLNPRGrid::setLightY(int newval)
{
    lightPosition[1] = newval;
    requestMapLines(); // shaded contours follow the light
    updateGL();
}

void GLNPRGrid::setLightZ(int newval)
{
    lightPosition[2] = newval;
    requestMapLines(); // shaded contours follow the light
    updateGL();
}

void GLNPRGrid::setLightSilThresh(int newval)
{
    lightSilThreshold = float(newval / 100.0);
    updateGL();
}

void GLNPRGrid::setSilThresh(int newval)
{
    silThreshold = float(newval / 100.0);
    updateGL();
}

void GLNPRGrid::lockSil(bool newval)
{
    silLocked = newval;
    if (!newval)
        updateGL();
}

// The light pass runs once outside the paint cycle so that its classification
// follows the new drawing mode at once.
void GLNPRGrid::runLightPassOnce()
{
    if (!makeGLCurrent())
        return;
    drawLightSilhouettes();
    doneGLCurrent();
}

void GLNPRGrid::setCurvatureStrokes(bool newval)
{
    curvatureStrokes = newval;
    runLightPassOnce();
    updateGL();
}

void GLNPRGrid::toggleDrawF1Curvature()
{
    drawF1Curvature = !drawF1Curvature;
    runLightPassOnce();
    updateGL();
}

// The size changes wait for running work, which reads the grid.
void GLNPRGrid::changeWidth(int w)
{
    runInTurn([this, w] {
        if (w == int(grid.width))
            return;
        grid.adjustSize(w, int(grid.height));
        updateGUI();
    });
}

void GLNPRGrid::changeHeight(int h)
{
    runInTurn([this, h] {
        if (h == int(grid.height))
            return;
        grid.adjustSize(int(grid.width), h);
        updateGUI();
    });
}

void GLNPRGrid::setLightSilhouettes(bool on)
{
    showLightSilhouettes = on;
    updateGL();
}

void GLNPRGrid::setSilhouettes(bool on)
{
    showSilhouettes = on;
    updateGL();
}

void GLNPRGrid::setPolygons(bool on)
{
    showPolygons = on;
    updateGL();
}

void GLNPRGrid::fitTerrain()
{
    const std::optional<ViewTranslation> t = fitViewTranslation(vertices, faces, viewState(), drawnPlacement(),
                                                                std::max(width(), 1), std::max(height(), 1));
    if (!t)
        return;
    xTrans = t->x;
    yTrans = t->y;
    zTrans = t->z;
    updateGL();
}

// A drawing setting that needs a new mesh: the mesh is built in the
// background like a level change, from a copy of the grid with the setting
// changed; the model takes the setting with that mesh, and keeps its own
// when the work is refused.
void GLNPRGrid::redrawWith(std::function<void(JGrid&)> adjust)
{
    if (!grid.loaded) {
        adjust(grid);
        updateGL();
        return;
    }
    startLevelChange(LevelChange::Unchanged, std::move(adjust));
}

void GLNPRGrid::setRotations(int x, int y, int z)
{
    xRot = float(x);
    yRot = float(y);
    zRot = float(z);
    emit xRotationChanged(x);
    emit yRotationChanged(y);
    emit zRotationChanged(z);
}

void GLNPRGrid::showStartView()
{
    setRotations(0, 0, 0);
    viewScale = 2.0f;
    emit scaleChanged(10);
    xTrans = yTrans = zTrans = 0.0f;
    setOrthographic(false);
    updateGL();
}

// 285 + 30 degrees about x: the view looks down at 45 degrees.
void GLNPRGrid::showObliqueView()
{
    setRotations(30, 0, 0);
    setOrthographic(false);
    fitTerrain();
    updateGL();
}

// 285 + 75 degrees about x: straight down.
void GLNPRGrid::showMapView()
{
    setRotations(75, 0, 0);
    setOrthographic(true);
    fitTerrain();
    updateGL();
}

void GLNPRGrid::setOrthographic(bool on)
{
    if (on == orthographic)
        return;
    orthographic = on;
    emit orthographicChanged(on);
    updateGL();
}

void GLNPRGrid::setVerticalExaggeration(double factor)
{
    const float clamped = float(std::clamp(factor, 0.1, 50.0));
    runInTurn([this, clamped] {
        if (clamped != grid.verticalExaggeration)
            redrawWith([clamped](JGrid& g) { g.verticalExaggeration = clamped; });
    });
}

void GLNPRGrid::setCellSize(double metres)
{
    if (!(metres > 0.0) || !std::isfinite(metres))
        return;
    const float cellSize = float(metres);
    runInTurn([this, cellSize] {
        if (grid.loaded && grid.cellSize != cellSize)
            redrawWith([cellSize](JGrid& g) { g.cellSize = cellSize; });
    });
}

void GLNPRGrid::saveGrid(QString file)
{
    runInTurn([this, file] {
        QString message;
        if (!grid.loaded)
            emit gridSaveFailed(file, QString("There is no terrain to save: open a grid first."));
        else if (grid.writeTIF(file, message))
            emit gridSaved(file, QString("The %1 x %2 grid was saved to %3").arg(grid.width).arg(grid.height).arg(file));
        else
            emit gridSaveFailed(file, message);
    });
}

void GLNPRGrid::updateGUI()
{
    std::printf("updateGUI\n");
    emit widthChanged(QString::number(grid.width));
    emit widthChanged(int(grid.width));
    emit heightChanged(QString::number(grid.height));
    emit heightChanged(int(grid.height));
    emit freqChanged(int(grid.cellSize.value_or(0.0f)));
    gridDirty = true;
    updateGL();
}

void GLNPRGrid::mousePressEvent(QMouseEvent* event)
{
    mousePressed = true;
    lastMouseX = event->position().toPoint().x();
    lastMouseY = event->position().toPoint().y();
    mouseButton = event->button();
    // Ctrl + left drag orbits too: touchpads have no middle button.
    orbiting = mouseButton == Qt::MiddleButton ||
               (mouseButton == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier));
    orbitFromX = lastMouseX;
    orbitFromY = lastMouseY;
    orbitXRot = xRot;
    orbitZRot = zRot;
}

void GLNPRGrid::mouseReleaseEvent(QMouseEvent* event)
{
    mousePressed = false;
    orbiting = false;
    lastMouseX = event->position().toPoint().x();
    lastMouseY = event->position().toPoint().y();
}

// Left drag pans (the terrain follows the pointer), right drag dollies,
// 0.12 scene units per pixel; middle drag orbits.
void GLNPRGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!mousePressed)
        return;
    const int x = event->position().toPoint().x();
    const int y = event->position().toPoint().y();
    if (orbiting) {
        orbit(x, y);
        return;
    }
    const double dx = (lastMouseX - x) * 0.12;
    const double dy = (y - lastMouseY) * 0.12;
    if (mouseButton == Qt::LeftButton) {
        xTrans = float(xTrans - dx);
        yTrans = float(yTrans - dy);
    } else if (mouseButton == Qt::RightButton) {
        zTrans = float(zTrans + dy);
    }
    lastMouseX = x;
    lastMouseY = y;
    viewMoved();
    updateGL();
}

// Half a degree a pixel from where the drag began: across turns the terrain
// about its vertical axis (the near side follows the pointer), down tilts
// it towards a view from above. The sliders follow, in whole degrees.
void GLNPRGrid::orbit(int x, int y)
{
    const auto wrapped = [](double degrees) { return int(std::lround(degrees) % 360 + 360) % 360; };
    const int tilt = wrapped(orbitXRot + 0.5 * (y - orbitFromY));
    const int turn = wrapped(orbitZRot + 0.5 * (x - orbitFromX));
    lastMouseX = x;
    lastMouseY = y;
    if (float(tilt) != xRot) {
        setXRotation(tilt);
        emit xRotationChanged(tilt);
    }
    if (float(turn) != zRot) {
        setZRotation(turn);
        emit zRotationChanged(turn);
    }
}

// One notch of the wheel is one step of the scale slider (0 to 100), which
// follows through scaleChanged; up scales up.
void GLNPRGrid::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    const int step = int(std::lround((double(viewScale) - 1.0) * 10.0));
    const int next = std::clamp(step + notches, 0, 100);
    event->accept();
    if (next == step)
        return;
    setScale(next);
    emit scaleChanged(next);
}
