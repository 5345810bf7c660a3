// Builds the vector line drawing of a view: the lines and strokes that the
// line passes draw, projected to the page with the view's matrices, cut
// where the occluder hides them, chained and grouped by style.
#ifndef LINE_ART_BUILDER_H
#define LINE_ART_BUILDER_H

#include "curvature_frames.h"
#include "edge_buffer.h"
#include "line_art.h"
#include "line_chaining.h"
#include "occluder_depth.h"
#include "screen_projection.h"
#include "visible_spans.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <span>
#include <vector>

class LineArtBuilder {
public:
    // Pieces and polylines shorter than this many pixels are left out.
    static constexpr double minLength = 0.5;
    // A style's facing value is kept in steps of 1/levels, so that lines
    // whose looks differ less than that share a style and chain.
    static constexpr int levels = 16;
    // Lines at least this wide are tested a quarter of their width to each
    // side, and where only one side shows (a line along a silhouette, half
    // behind the surface) only that half is drawn, as on screen. Narrower
    // lines are tested half a pixel to each side and drawn whole.
    static constexpr double halvedWidth = 1.0;

    // The builder keeps references to both: they must outlive it.
    LineArtBuilder(const ScreenProjection& projection, const OccluderDepth& occluder);
    LineArtBuilder(const ScreenProjection&, OccluderDepth&&) = delete;
    LineArtBuilder(ScreenProjection&&, const OccluderDepth&) = delete;

    // The edge lines of a classified pass: every edge that edgeStyle(edge, 1)
    // draws, with its width, grey and alpha.
    void addEdges(const EdgeBuffer& edges, std::span<const gmVec3> vertices);
    // The curvature strokes of a classified pass as filled quads, each cut
    // along its length where it is hidden.
    void addStrokes(const EdgeBuffer& edges, std::span<const gmVec3> vertices,
                    std::span<const CurvatureFrame> frames, bool useFirst);

    // Chains the lines and returns the drawing, styles in drawing order
    // (lines by rising width, then strokes). Called once, last.
    LineArt finish();

    // The style an edge is drawn in: edgeStyle(edge, 1) of the edge with its
    // facing value rounded to 1/levels, grey kept within 0 to 1; half as
    // wide for the half of a line.
    static LineStyle edgeLineStyle(const Edge& edge, bool half);

private:
    std::uint32_t styleFor(const Edge& edge, bool half);
    std::uint32_t strokeStyle();

    const ScreenProjection& projection_;
    const OccluderDepth& occluder_;
    LineArt art_;
    std::vector<LinePiece> pieces_;
    std::vector<Span> spans_;
    // Style index per (kind of edge, facing level, half); -1 until first
    // used. Styles that look the same share one index.
    std::array<std::int32_t, 2 * 3 * (levels + 1)> edgeStyles_;
    std::map<std::string, std::uint32_t> styleByName_;
    std::int32_t strokeStyle_ = -1;
};

#endif
