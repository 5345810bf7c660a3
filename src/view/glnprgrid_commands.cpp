// The view's commands: the slots the controls drive, the grid-changing
// chains (load, refine, coarsen), the size report, and the mouse.
#include "glnprgrid.h"
#include "error_report.h"
#include "terrain_mesh.h"
#include "view_fit.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include <algorithm>
#include <cstdio>

namespace {

// Shows the busy cursor while a grid operation runs; large grids take seconds.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void GLNPRGrid::setXRotation(int degrees)
{
    xRot = float(degrees % 360);
    updateGL();
}

void GLNPRGrid::setYRotation(int degrees)
{
    yRot = float(degrees % 360);
    updateGL();
}

void GLNPRGrid::setZRotation(int degrees)
{
    zRot = float(degrees % 360);
    updateGL();
}

void GLNPRGrid::setScale(int val)
{
    viewScale = float(val / 10.0 + 1.0);
    updateGL();
}

void GLNPRGrid::loadGRDFile(QString file)
{
    loadChain(&JGrid::loadGRD, file);
}

void GLNPRGrid::loadFLTFile(QString file)
{
    loadChain(&JGrid::loadFLT, file);
}

void GLNPRGrid::loadFile(QString file)
{
    loadChain(&JGrid::loadFile, file);
}

// The load chain: read, drop the mesh of the earlier grid, rebuild the mesh,
// report the new size.
void GLNPRGrid::loadChain(bool (JGrid::*reader)(QString), const QString& file)
{
    const BusyCursor busy;
    ErrorCollector errors;
    const bool loaded = (grid.*reader)(file);
    if (!vertices.empty())
        clearEdgeData();
    findCurvature();
    updateGL();
    updateGUI();
    if (loaded)
        emit gridLoaded(file);
    else
        emit loadFailed(file, errors.text());
}

// The refine and coarsen chain: drop the mesh, change the grid, rebuild the
// mesh, report the new size.
template <typename Change>
void GLNPRGrid::changeGrid(Change change)
{
    const BusyCursor busy;
    clearEdgeData();
    ErrorCollector errors;
    const QString unchanged = grid.loaded ? QString("The %1 x %2 grid was left unchanged.").arg(grid.width).arg(grid.height)
                                          : QString("There is no terrain to change: open a grid first.");
    // Reverse subdivision at the smallest size refuses without a message.
    if (!change())
        emit commandRefused(errors.empty() || !grid.loaded ? unchanged : errors.text());
    findCurvature();
    updateGUI();
}

// A refinement that would outgrow the grid's sample limit or the memory its
// mesh needs is refused before anything changes.
bool GLNPRGrid::refinementFits(int subdivisiontype) const
{
    if (!grid.loaded || (subdivisiontype != 1 && subdivisiontype != 2))
        return true;
    const std::uint64_t shrink = subdivisiontype == 1 ? 2 : 1;
    const std::uint64_t w = 2 * std::uint64_t(grid.width) - shrink;
    const std::uint64_t h = 2 * std::uint64_t(grid.height) - shrink;
    if (w * h <= JGrid::maxSamples && meshFitsInMemory(w, h))
        return true;
    reportError("GLNPRGrid::subdivide - refused: the refined grid of %llu x %llu samples would not fit in memory\n",
                static_cast<unsigned long long>(w), static_cast<unsigned long long>(h));
    return false;
}

void GLNPRGrid::subdivide(int subdivisiontype)
{
    std::printf("GLNPRGrid::subdivide\n");
    ErrorCollector errors;
    if (!refinementFits(subdivisiontype)) {
        emit commandRefused(errors.text());
        return;
    }
    changeGrid([&] {
        if (subdivisiontype == 1)
            return grid.subdivideWithDetails();
        if (subdivisiontype == 2)
            return grid.subdivideBrownian();
        return true;
    });
}

void GLNPRGrid::unsubdivide(int subdivisiontype)
{
    std::printf("GLNPRGrid::unsubdivide\n");
    changeGrid([&] {
        if (subdivisiontype == 1)
            return grid.reverseSubdivide();
        if (subdivisiontype == 2)
            return grid.decimate();
        return true;
    });
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
    updateGL();
}

void GLNPRGrid::setLightY(int newval)
{
    lightPosition[1] = newval;
    updateGL();
}

void GLNPRGrid::setLightZ(int newval)
{
    lightPosition[2] = newval;
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
    if (!context())
        return;
    makeCurrent();
    drawLightSilhouettes();
    doneCurrent();
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

void GLNPRGrid::changeWidth(int w)
{
    if (w == int(grid.width))
        return;
    grid.adjustSize(w, int(grid.height));
    updateGUI();
}

void GLNPRGrid::changeHeight(int h)
{
    if (h == int(grid.height))
        return;
    grid.adjustSize(int(grid.width), h);
    updateGUI();
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
    const std::optional<ViewBox> box = boundingBox(vertices);
    if (!box)
        return;
    const std::optional<ViewTranslation> t =
        fitViewTranslation(*box, xRot, yRot, zRot, viewScale, std::max(width(), 1), std::max(height(), 1));
    if (!t)
        return;
    xTrans = t->x;
    yTrans = t->y;
    zTrans = t->z;
    updateGL();
}

void GLNPRGrid::setVerticalExaggeration(double factor)
{
    const float clamped = float(std::clamp(factor, 0.1, 50.0));
    if (clamped == grid.verticalExaggeration)
        return;
    grid.verticalExaggeration = clamped;
    if (grid.loaded) {
        const BusyCursor busy;
        clearEdgeData();
        findCurvature();
        gridDirty = true;
    }
    updateGL();
}

void GLNPRGrid::updateGUI()
{
    std::printf("updateGUI\n");
    emit widthChanged(QString::number(grid.width));
    emit widthChanged(int(grid.width));
    emit heightChanged(QString::number(grid.height));
    emit heightChanged(int(grid.height));
    emit freqChanged(int(grid.cellSize));
    gridDirty = true;
    updateGL();
}

void GLNPRGrid::mousePressEvent(QMouseEvent* event)
{
    mousePressed = true;
    lastMouseX = event->position().toPoint().x();
    lastMouseY = event->position().toPoint().y();
    mouseButton = event->button();
}

void GLNPRGrid::mouseReleaseEvent(QMouseEvent* event)
{
    mousePressed = false;
    lastMouseX = event->position().toPoint().x();
    lastMouseY = event->position().toPoint().y();
}

// Left drag pans (the terrain follows the pointer), right drag dollies,
// middle drag does nothing; 0.12 scene units per pixel.
void GLNPRGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!mousePressed)
        return;
    const int x = event->position().toPoint().x();
    const int y = event->position().toPoint().y();
    const double dx = (lastMouseX - x) * 0.12;
    const double dy = (y - lastMouseY) * 0.12;
    if (mouseButton == Qt::LeftButton) {
        xTrans = float(xTrans - dx);
        yTrans = float(yTrans - dy);
    } else if (mouseButton == Qt::MiddleButton) {
        return;
    } else if (mouseButton == Qt::RightButton) {
        zTrans = float(zTrans + dy);
    }
    lastMouseX = x;
    lastMouseY = y;
    updateGL();
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
