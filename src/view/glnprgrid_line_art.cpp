// The view's drawing as vector line art: the passes classified as a paint
// would, the occluder's depth read back from GL, and the lines, strokes and
// line families that show handed to the display-free builder.
#include "glnprgrid.h"

#include "gl_framebuffer.h"
#include "line_art_builder.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

LineArt GLNPRGrid::lineArt()
{
    const bool hasGL = prepareGL();
    LineArt empty;
    empty.width = viewWidth;
    empty.height = viewHeight;
    if (!grid.loaded || vertices.empty() || viewWidth <= 0 || viewHeight <= 0 || !hasGL || !makeGLCurrent())
        return empty;
    // A frame buffer of the view's size holds the occluder's depth, so that
    // the view's own picture stays as it is.
    // (Deleted while the context is current, before doneGLCurrent.)
    auto target = std::make_unique<GLFramebuffer>(viewWidth, viewHeight, GL_DEPTH_COMPONENT);
    if (!target->valid()) {
        std::printf("No off-screen buffer of %i x %i pixels for the drawing's hidden lines\n", viewWidth, viewHeight);
        target.reset();
        doneGLCurrent();
        empty.width = empty.height = 0;
        return empty;
    }
    target->bind();
    glViewport(0, 0, viewWidth, viewHeight);
    applyViewTransform();
    // The passes classify for the current eye and light exactly as in a
    // paint; what they draw is masked out of both buffers.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    if (showSilhouettes)
        drawSilhouettes();
    if (showLightSilhouettes)
        drawLightSilhouettes();
    updateSuggestiveLines();
    glDepthMask(GL_TRUE);
    if (drawnLayer.occluderPending)
        uploadOccluder(drawnLayer, model.mesh);
    drawnLayer.occluder.draw();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    std::array<double, 16> modelView, projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    std::vector<float> depth(std::size_t(viewWidth) * std::size_t(viewHeight));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewWidth, viewHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    target->release();
    target.reset();
    doneGLCurrent();

    const ScreenProjection screen(modelView, projection, viewWidth, viewHeight);
    const OccluderDepth hidden(viewWidth, viewHeight, depth);
    LineArtBuilder builder(screen, hidden);
    const auto add = [&](const EdgeBuffer& edges, LayerName layer) {
        if (curvatureStrokes)
            builder.addStrokes(edges, vertices, frames, drawF1Curvature);
        else
            builder.addEdges(edges, vertices, layer);
    };
    if (showSilhouettes)
        add(silhouetteEdges, silhouetteLayer);
    if (showLightSilhouettes)
        add(lightSilhouetteEdges, lightSilhouetteLayer);
    for (const LineFamily& family : families())
        builder.addFamily(family);
    for (const LineFamily* family : viewFamilies())
        builder.addFamily(*family);
    LineArt art = builder.finish();
    art.scaleBar = mapScaleBar();
    return art;
}

std::optional<ScaleBar> GLNPRGrid::mapScaleBar() const
{
    if (!isMapView(viewState()) || !grid.loaded || !grid.cellSize || viewWidth <= 0 || viewHeight <= 0)
        return std::nullopt;
    // A map has one scale everywhere: one mesh unit is 50 samples of the
    // level's cell size; its length on the page is taken at the middle.
    const LevelPlacement placement = drawnPlacement();
    const ViewState view = viewState();
    const ScreenProjection screen(modelViewMatrix(view, placement),
                                  projectionMatrix(view, placement, viewWidth, viewHeight), viewWidth, viewHeight);
    const ScreenPoint a = screen.toScreen(screen.clip(placement.centre));
    const ScreenPoint b = screen.toScreen(screen.clip(placement.centre + gmVec3(1.0, 0.0, 0.0)));
    const double pixels = std::hypot(b.x - a.x, b.y - a.y);
    if (!(pixels > 0.0))
        return std::nullopt;
    return scaleBarFor(50.0 * double(*grid.cellSize) / pixels, viewWidth, viewHeight);
}
