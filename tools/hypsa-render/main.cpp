// hypsa-render: loads a grid and draws one frame of the view into a PNG,
// with the same widget and paint code as the viewer. Needs a display (run
// under xvfb-run -a where there is none).
#include "drawing_export.h"
#include "glnprgrid.h"
#include "program_options.h"
#include "render_options.h"

#include <QApplication>
#include <QImage>

#include <cstdio>

namespace {

// Sets the view's controls through the slots that the viewer's sliders,
// spin boxes and check boxes drive.
void applyControls(GLNPRGrid& view, const RenderOptions& o)
{
    view.setXRotation(o.rotation[0]);
    view.setYRotation(o.rotation[1]);
    view.setZRotation(o.rotation[2]);
    view.setScale(o.scale);
    view.setSilThresh(o.threshold);
    view.setLightSilThresh(o.lightThreshold);
    view.setLightX(o.light[0]);
    view.setLightY(o.light[1]);
    view.setLightZ(o.light[2]);
    view.setSilhouettes(o.silhouettes);
    view.setLightSilhouettes(o.lightSilhouettes);
    view.lockSil(o.lock);
    // The strokes switch also runs the light pass once, as in the viewer:
    // only when the strokes are asked for, since they start off.
    if (o.strokes)
        view.setCurvatureStrokes(true);
    if (o.secondAxis)
        view.toggleDrawF1Curvature();
    view.setPolygons(o.polygons);
    view.setVerticalExaggeration(o.exaggeration);
}

// The View menu's presets, the projection and Fit Terrain, in that order:
// an oblique view drawn orthographic is fitted as such.
void applyView(GLNPRGrid& view, const RenderOptions& o)
{
    if (o.view == "start")
        view.showStartView();
    else if (o.view == "oblique")
        view.showObliqueView();
    else if (o.view == "map")
        view.showMapView();
    if (o.view == "start")
        view.setScale(o.scale);
    if (o.orthographic)
        view.setOrthographic(true);
    if (o.fit || ((o.view == "oblique" || o.view == "map") && o.orthographic))
        view.fitTerrain();
}

// Loads the file as the viewer does (the display budget included) and waits
// for the terrain to be ready.
bool load(GLNPRGrid& view, const QString& file)
{
    view.loadFile(file);
    view.waitForWork();
    return view.grid.loaded;
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions command("hypsa-render", "Loads FILE and draws one frame of the view into OUT: a PNG picture, or\n"
                                           "its lines as vector paths in an SVG or PDF file (by OUT's extension).\n"
                                           "Needs a display (run under xvfb-run -a where there is none).");
    addRenderOptions(command.parser);
    // --help and --version answer without a display; the rest is checked once
    // QApplication has taken its own options out of the arguments.
    if (const auto status = command.parse(joinTriples(argumentList(argc, argv)), ProgramOptions::UnknownOptions::allow))
        return *status;
    QApplication app(argc, argv);
    if (const auto status = command.parse(joinTriples(app.arguments())))
        return *status;
    RenderOptions options;
    if (const QString problem = readRenderOptions(command.parser, options); !problem.isEmpty())
        return command.usageError(problem);

    GLNPRGrid view(nullptr, "glgrid");
    // Shown but never mapped, so that it gets its size like the viewer's
    // view. Showing paints at once: done before the load, that paint is an
    // empty frame, and the terrain is drawn only once, into the picture.
    view.resize(options.width, options.height);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    view.displayBudget = options.maxSamples;
    // One frame, drawn still: the start view unless a view or Fit is asked.
    view.fitOnLoad = false;
    view.coarseWhileMoving = false;
    if (!load(view, options.file)) {
        std::fprintf(stderr, "hypsa-render: cannot load the grid file %s\n", qPrintable(options.file));
        return 1;
    }
    if (view.vertices.empty()) {
        std::fprintf(stderr, "hypsa-render: cannot draw the grid of %s\n", qPrintable(options.file));
        return 1;
    }
    // The Coarsen and Refine buttons.
    for (int k = 0; k < options.coarsen; ++k)
        view.unsubdivide();
    for (int k = 0; k < options.refine; ++k)
        view.subdivide();
    view.waitForWork();
    applyControls(view, options);
    view.waitForWork(); // a new exaggeration rebuilds the mesh
    applyView(view, options);
    QString error;
    LineArt art;
    if (!exportDrawing(view, options.out, error, &art)) {
        std::fprintf(stderr, "hypsa-render: cannot write the picture %s: %s\n", qPrintable(options.out),
                     qPrintable(error));
        return 1;
    }
    if (options.verbose && drawingFormat(options.out) != DrawingFormat::png)
        std::printf("%zu visible line pieces, chained into %zu paths of %.1f points on average; %zu strokes\n",
                    art.pieces, art.polylines, art.pointsPerPolyline(), art.strokes);
    return 0;
}
