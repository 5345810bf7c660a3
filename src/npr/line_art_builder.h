// Builds the vector line drawing of a view: the lines and strokes that the
// line passes draw and the line families, projected to the page with the
// view's matrices, cut where the occluder hides them, chained, grouped by
// style and layer, and ordered for a pen plotter.
#ifndef LINE_ART_BUILDER_H
#define LINE_ART_BUILDER_H

#include "curvature_frames.h"
#include "edge_buffer.h"
#include "line_art.h"
#include "line_chaining.h"
#include "line_family.h"
#include "occluder_depth.h"
#include "screen_projection.h"
#include "stop_request.h"
#include "visible_spans.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <span>
#include <vector>

// A layer of the drawing: its label, and what its styles' ids start with.
struct LayerName {
    const char* label;
    const char* idPrefix;
};
inline constexpr LayerName silhouetteLayer{"silhouettes", "lines"};
inline constexpr LayerName lightSilhouetteLayer{"light silhouettes", "light-lines"};
inline constexpr LayerName strokeLayer{"strokes", "strokes"};

class LineArtBuilder {
public:
    // Pieces and polylines shorter than this many pixels are left out.
    static constexpr double minLength = 0.5;
    // A style's facing value is kept in steps of 1/levels, so that lines
    // whose looks differ less than that share a style and chain.
    static constexpr int levels = 16;
    // Lines at least this wide are tested a quarter of their width to each
    // side, and where only one side shows (a line along a silhouette, half
    // behind the surface) only that half is drawn, as on screen; a border
    // edge shows whole. Narrower lines are tested half a pixel to each side
    // and drawn whole.
    static constexpr double halvedWidth = 1.0;

    // The builder keeps references to both: they must outlive it.
    LineArtBuilder(const ScreenProjection& projection, const OccluderDepth& occluder);
    LineArtBuilder(const ScreenProjection&, OccluderDepth&&) = delete;
    LineArtBuilder(ScreenProjection&&, const OccluderDepth&) = delete;

    // Every part of the drawing has the look its line has on screen
    // (screenMark); lines whose look leaves no mark (leavesMark) are left
    // out. At a stop request (stop_request.h) the builder gives up: what
    // finish() returns then is incomplete.

    // The edge lines of a classified pass: every edge that edgeStyle(edge, 1)
    // draws, with its width and grey, in the given layer.
    void addEdges(const EdgeBuffer& edges, std::span<const gmVec3> vertices, LayerName layer = silhouetteLayer);
    // The curvature strokes of a classified pass as filled quads, each cut
    // along its length where it is hidden; layer "strokes".
    void addStrokes(const EdgeBuffer& edges, std::span<const gmVec3> vertices,
                    std::span<const CurvatureFrame> frames, bool useFirst);
    // A line family's polylines in their styles, in the layer of the
    // family's name, lifted towards the eye as the view draws them
    // (surfaceLineLift). Polylines that end where they start stay closed.
    void addFamily(const LineFamily& family);

    // Chains the lines and returns the drawing: layers in the order they
    // were first added to, within a layer lines by rising width, then
    // strokes; styles left without paths dropped; the paths of each style
    // ordered for the pen (orderPaths). Called once, last.
    LineArt finish();

    // The style an edge is drawn in: lineStyle of edgeStyle(edge, 1) of the
    // edge with its facing value rounded to 1/levels.
    static LineStyle edgeLineStyle(const Edge& edge, bool half, const char* idPrefix = silhouetteLayer.idPrefix);
    // The style of a line `width` wide in `grey` on screen, or of its half
    // (half as wide): its screenMark, named idPrefix-wW-gG-aA.
    static LineStyle lineStyle(double width, double grey, bool half, const char* idPrefix);

private:
    // styleFor and the families' styles: not known yet, or a look that
    // leaves no mark.
    static constexpr std::int32_t unknownStyle = -1;
    static constexpr std::int32_t noMark = -2;

    std::uint32_t layerIndex(const std::string& label, const std::string& idPrefix);
    // A style in a layer, the same index for the same look; noMark for a
    // look that leaves none.
    std::int32_t styleIndex(LineStyle style, std::uint32_t layer);
    std::int32_t styleFor(const Edge& edge, bool half, std::uint32_t layer);
    std::int32_t strokeStyle();
    // Whether a stop was requested, asked at item i of a loop (and at every
    // item once it was).
    bool stopping(std::size_t i) { return stopped_ || (stopped_ = stopRequestedAt(i)); }
    // One line on the surface from a to b (mesh vertices or family points
    // va, vb, which chaining joins), cut where hidden, in halves where only
    // one side shows when mayHalve; style(half) gives the style of a piece,
    // whole or half.
    template <typename StyleOf>
    void addSegment(const ScreenProjection& projection, const gmVec3& a, const gmVec3& b, std::uint32_t va,
                    std::uint32_t vb, double width, bool mayHalve, StyleOf style);

    const ScreenProjection& projection_;
    const ScreenProjection surfaceProjection_; // for lines on the surface
    const OccluderDepth& occluder_;
    LineArt art_;
    std::vector<LinePiece> pieces_;
    std::vector<Span> spans_;
    // Per layer, the style index per (kind of edge, facing level, half), or
    // unknownStyle, or noMark. Styles that look the same share one index.
    using EdgeStyles = std::array<std::int32_t, 2 * 3 * (levels + 1)>;
    std::vector<EdgeStyles> edgeStyles_;
    std::map<std::string, std::uint32_t> styleByName_;
    std::map<std::string, std::uint32_t> layerByLabel_;
    std::vector<std::string> layerPrefixes_; // per layer
    std::int32_t strokeStyle_ = unknownStyle;
    bool stopped_ = false;
};

#endif
