// hypsa-render: loads a grid and draws one frame of the view into a PNG,
// with the same widget and paint code as the viewer. Needs a display (run
// under xvfb-run -a where there is none).
#include "drawing_export.h"
#include "glnprgrid.h"
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
    view.setCurvatureStrokes(o.strokes);
    if (o.secondAxis)
        view.toggleDrawF1Curvature();
    view.setPolygons(o.polygons);
}

bool load(JGrid& grid, const QString& file)
{
    // Paths ending in d or D are ASCII grids (.grd), all others float grids.
    const bool ascii = file.endsWith('d', Qt::CaseInsensitive);
    const bool started = ascii ? grid.loadGRD(file) : grid.loadFLT(file);
    return started && grid.loaded;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RenderOptions options;
    const QString problem = parseRenderOptions(app.arguments().mid(1), options);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "hypsa-render: %s\n%s", qPrintable(problem), renderUsage);
        return 2;
    }

    GLNPRGrid view(nullptr, "glgrid");
    if (!load(view.grid, options.file)) {
        std::fprintf(stderr, "hypsa-render: cannot load the grid file %s\n", qPrintable(options.file));
        return 1;
    }
    if (!view.findCurvature()) {
        std::fprintf(stderr, "hypsa-render: cannot draw the grid of %s\n", qPrintable(options.file));
        return 1;
    }
    // The Coarsen and Refine buttons.
    for (int k = 0; k < options.coarsen; ++k)
        view.unsubdivide();
    for (int k = 0; k < options.refine; ++k)
        view.subdivide();
    applyControls(view, options);
    view.resize(options.width, options.height);
    // Shown but never mapped, so that it gets its size like the viewer's view.
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    // The first frame classifies the lines for this view; a drawing is made
    // from that same state.
    const QImage frame = view.grabFramebuffer();
    QString error;
    LineArt art;
    if (frame.isNull() || !exportDrawing(view, options.out, error, &art)) {
        std::fprintf(stderr, "hypsa-render: cannot write the picture %s: %s\n", qPrintable(options.out),
                     qPrintable(error));
        return 1;
    }
    if (drawingFormat(options.out) != DrawingFormat::png)
        std::printf("%zu visible line pieces chained into %zu paths, %.1f points per path; %zu strokes\n",
                    art.pieces, art.polylines, art.pointsPerPolyline(), art.strokes);
    return 0;
}
