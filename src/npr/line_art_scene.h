// What the vector drawing of a view is made from, taken from the view at one
// moment: the page and the view's matrices, the occluder's depth, the edges
// of the passes shown as they were classified for that view, and the mesh
// data the lines lie on. Building the drawing from it needs no GL, so that it
// can run on a worker thread while the view goes on drawing.
#ifndef LINE_ART_SCENE_H
#define LINE_ART_SCENE_H

#include "curvature_frames.h"
#include "edge_buffer.h"
#include "line_art.h"
#include "line_family.h"
#include "occluder_depth.h"
#include "screen_projection.h"

#include <functional>
#include <optional>
#include <span>
#include <vector>

struct LineArtScene {
    ScreenProjection screen{{}, {}, 0, 0};
    OccluderDepth occluder;
    // Copies of the passes shown (none for a pass that is off): the view
    // classifies its own buffers again as it turns.
    std::optional<EdgeBuffer> silhouettes;
    std::optional<EdgeBuffer> lightSilhouettes;
    // Curvature strokes instead of lines, along the first or second axis.
    bool strokes = false;
    bool firstAxis = true;
    // The drawn mesh's arrays and line families, which must stay as they are
    // until the drawing is built.
    std::span<const gmVec3> vertices;
    std::span<const CurvatureFrame> frames;
    std::span<const LineFamily> families;
    // Copies of the families computed for the eye (suggestive lines), which
    // the view computes again as it turns.
    std::vector<LineFamily> eyeFamilies;
    std::optional<ScaleBar> scaleBar;
};

// The parts that buildLineArt reports to its checkpoint, out of this many.
inline constexpr int lineArtParts = 4;

// Builds the drawing of a scene (LineArtBuilder). Between its parts it calls
// checkpoint(parts done, lineArtParts), when given, and gives up when that
// returns false; at a stop request (stop_request.h) it gives up too. What it
// returns after giving up is incomplete.
LineArt buildLineArt(const LineArtScene& scene, const std::function<bool(int done, int total)>& checkpoint = {});

#endif
