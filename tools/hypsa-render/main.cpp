// hypsa-render: loads a grid and draws one frame of the view into a PNG,
// SVG or PDF, with the same widget and paint code as the viewer. Where no
// display is available (and on --offscreen) the view draws with a
// surfaceless GL context instead of a window.
#include "display_platform.h"
#include "drawing_export.h"
#include "glnprgrid.h"
#include "program_options.h"
#include "render_options.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

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

// The line families and the light that shades contours, set before the load
// so that the worker builds the lines (and the curvature) with the first mesh.
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
    view.setRidges(o.lines.ridges);
    view.setValleys(o.lines.valleys);
    view.setRidgeThreshold(o.lines.ridgeThreshold);
    view.setSuggestiveContours(o.lines.suggestive);
    view.setSuggestiveHighlights(o.lines.highlights);
    view.setSuggestiveThreshold(o.lines.suggestiveThreshold);
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

// Why no new file can be made in the folder of `file` (the system's reason),
// empty when one can: checked before the grid is loaded and drawn.
QString folderProblem(const QString& file)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    struct stat info {};
    int error = 0;
    if (::stat(folder.constData(), &info) != 0)
        error = errno;
    else if (!S_ISDIR(info.st_mode))
        error = ENOTDIR;
    else if (::access(folder.constData(), W_OK | X_OK) != 0)
        error = errno;
    return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions command("hypsa-render", "Loads FILE and draws one frame of the view into OUT: a PNG picture, or\n"
                                           "its lines as vector paths in an SVG or PDF file (by OUT's extension).\n"
                                           "Draws without a display where none is available.");
    addRenderOptions(command.parser);
    // --help and --version answer without a display; the rest is checked once
    // QApplication has taken its own options out of the arguments.
    const QStringList arguments = joinTriples(argumentList(argc, argv));
    if (const auto status = command.parse(arguments, ProgramOptions::UnknownOptions::allow))
        return *status;
    chooseQtPlatform(arguments, command.parser.isSet("offscreen"));
    QApplication app(argc, argv);
    if (const auto status = command.parse(joinTriples(app.arguments())))
        return *status;
    RenderOptions options;
    if (const QString problem = readRenderOptions(command.parser, options); !problem.isEmpty())
        return command.usageError(problem);
    if (const QString problem = folderProblem(options.out); !problem.isEmpty()) {
        std::fprintf(stderr, "hypsa-render: cannot write the picture %s: %s\n", qPrintable(options.out),
                     qPrintable(problem));
        return 1;
    }

    GLNPRGrid view(nullptr, "glgrid");
    view.resize(options.width, options.height);
    if (options.offscreen || runsOffscreen()) {
        QString error;
        if (!view.drawWithoutWindow(error)) {
            std::fprintf(stderr, "hypsa-render: no display, and no OpenGL context without one: %s\n",
                         qPrintable(error));
            return 1;
        }
    } else {
        // Shown but never mapped, so that it gets its size like the viewer's
        // view. Showing paints at once: done before the load, that paint is
        // an empty frame, and the terrain is drawn only once, into the picture.
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
    }
    view.displayBudget = options.maxSamples;
    view.cellSizeForLoads = options.cellSize;
    // A command the view refuses (a level beyond the smallest or beyond
    // memory, a mesh that does not fit) would give another picture than the
    // one asked for.
    QString refusal;
    QObject::connect(&view, &GLNPRGrid::commandRefused, [&refusal](const QString& reason) {
        if (refusal.isEmpty())
            refusal = reason.trimmed();
    });
    applyMapLines(view, options);
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
    if (!refusal.isEmpty()) {
        std::fprintf(stderr, "hypsa-render: %s\n", qPrintable(refusal));
        return 1;
    }
    applyView(view, options);
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
