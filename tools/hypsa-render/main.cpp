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

// The map lines and the light that shades contours, set before the load so
// that the worker builds the lines with the first mesh.
void applyMapLines(GLNPRGrid& view, const RenderOptions& o)
{
    view.setLightX(o.light[0]);
    view.setLightY(o.light[1]);
    view.setLightZ(o.light[2]);
    view.setContours(o.lines.contours);
    view.setContourInterval(o.lines.contourInterval);
    view.setIndexEvery(o.lines.indexEvery);
    view.setTanakaContours(o.lines.tanaka);
    view.setProfiles(o.lines.profiles);
    view.setProfileCount(o.lines.profileCount);
    view.setProfileAxis(o.lines.profileAxis);
    view.setHachures(o.lines.hachures);
    view.setHachureSpacing(o.lines.hachureSpacing);
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
    applyMapLines(view, options);
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
    if (options.fit)
        view.fitTerrain();
    QString error;
    LineArt art;
    if (!exportDrawing(view, options.out, error, &art)) {
        std::fprintf(stderr, "hypsa-render: cannot write the picture %s: %s\n", qPrintable(options.out),
                     qPrintable(error));
        return 1;
    }
    if (options.verbose && drawingFormat(options.out) != DrawingFormat::png) {
        std::printf("%zu visible line pieces, chained into %zu paths of %.1f points on average; %zu strokes\n",
                    art.pieces, art.polylines, art.pointsPerPolyline(), art.strokes);
        for (const ArtLayer& layer : art.layers)
            std::printf("layer %s: %zu paths of %zu points, pen-up travel %.0f px as chained; ordered %zu paths of "
                        "%zu points, pen-up travel %.0f px\n",
                        layer.label.c_str(), layer.chainedPaths, layer.chainedPoints, layer.chainedTravel,
                        layer.paths, layer.points, layer.travel);
    }
    return 0;
}
