// The view's drawing as vector line art: the passes classified as a paint
// would, the occluder's depth read back from GL, and what the display-free
// builder needs from the view taken into a scene.
#include "glnprgrid.h"

#include "gl_framebuffer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

LineArtScene GLNPRGrid::lineArtScene()
{
    const bool hasGL = prepareGL();
    LineArtScene scene;
    scene.screen = ScreenProjection({}, {}, viewWidth, viewHeight);
    if (!grid.loaded || vertices.empty() || viewWidth <= 0 || viewHeight <= 0 || !hasGL || !makeGLCurrent())
        return scene;
    // A frame buffer of the view's size holds the occluder's depth, so that
    // the view's own picture stays as it is.
    // (Deleted while the context is current, before doneGLCurrent.)
    auto target = std::make_unique<GLFramebuffer>(viewWidth, viewHeight, GL_DEPTH_COMPONENT);
    if (!target->valid()) {
        std::printf("No off-screen buffer of %i x %i pixels for the drawing's hidden lines\n", viewWidth, viewHeight);
        target.reset();
        doneGLCurrent();
        scene.screen = ScreenProjection({}, {}, 0, 0);
        return scene;
    }
    target->bind();
    glViewport(0, 0, viewWidth, viewHeight);
    applyViewTransform();
    // The passes classify for the current eye and light exactly as in a
    // paint, and draw nothing; the occluder fills the depth buffer alone.
    classifyingOnly = true;
    if (showSilhouettes)
        drawSilhouettes();
    if (showLightSilhouettes)
        drawLightSilhouettes();
    classifyingOnly = false;
    updateSuggestiveLines();
    if (drawnLayer.occluderPending)
        uploadOccluder(drawnLayer, model.mesh);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
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

    scene.screen = ScreenProjection(modelView, projection, viewWidth, viewHeight);
    scene.occluder = OccluderDepth(viewWidth, viewHeight, depth);
    if (showSilhouettes)
        scene.silhouettes = silhouetteEdges;
    if (showLightSilhouettes)
        scene.lightSilhouettes = lightSilhouetteEdges;
    scene.strokes = curvatureStrokes;
    scene.firstAxis = drawF1Curvature;
    scene.vertices = vertices;
    scene.frames = frames;
    scene.families = families();
    for (const LineFamily* family : viewFamilies())
        scene.eyeFamilies.push_back(*family);
    scene.scaleBar = mapScaleBar();
    return scene;
}

LineArt GLNPRGrid::lineArt()
{
    return buildLineArt(lineArtScene());
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
