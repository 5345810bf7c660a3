// A line drawing of the view as vector data: the visible parts of its lines
// chained into polylines and its curvature strokes as filled quads, in page
// pixels, grouped by style and the styles by layer (one layer per kind of
// line: silhouettes, contours, ...), in drawing order. Made by
// LineArtBuilder; the view layer writes it as SVG or PDF.
#ifndef LINE_ART_H
#define LINE_ART_H

#include "scale_bar.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LineStyle {
    std::string name;   // unique, usable as an XML id
    double width = 1.0; // pen width in pixels; unused for filled styles
    double grey = 0.0;  // 0 black to 1 white
    double alpha = 1.0;
    bool filled = false;     // filled polygons (strokes) rather than lines
    std::uint32_t layer = 0; // index in LineArt::layers
};

// The paths of one kind of line, for one pen of a plotter: how many there
// are and how far the pen travels lifted from the end of one to the start of
// the next (from the page's top-left corner to the first), as chained and
// after ordering.
struct ArtLayer {
    std::string label; // "silhouettes", "index contours", ...
    std::string id;    // unique, usable as an XML id
    std::size_t chainedPaths = 0;
    std::size_t chainedPoints = 0;
    double chainedTravel = 0.0;
    std::size_t paths = 0;
    std::size_t points = 0;
    double travel = 0.0;
};

// A point on the page, pixels from the top-left corner, rounded to 0.01.
struct PagePoint {
    float x, y;
    bool operator==(const PagePoint&) const = default;
};

struct ArtPath {
    std::uint32_t style;
    std::uint32_t first; // index of the first point in LineArt::points
    std::uint32_t count;
};

struct LineArt {
    int width = 0;
    int height = 0;
    // The view's matrices (column-major) that the drawing was projected with.
    std::array<double, 16> modelView{};
    std::array<double, 16> projection{};
    std::vector<ArtLayer> layers;  // in drawing order
    std::vector<LineStyle> styles; // in drawing order, grouped by layer
    std::vector<PagePoint> points;
    std::vector<ArtPath> paths; // grouped by style, in style order
    // The scale bar of a map view, drawn over the lines in a layer of its own.
    std::optional<ScaleBar> scaleBar;
    // Visible line pieces before chaining, and the polylines and filled
    // quads they became.
    std::size_t pieces = 0;
    std::size_t polylines = 0;
    std::size_t polylinePoints = 0;
    std::size_t strokes = 0;

    double pointsPerPolyline() const { return polylines == 0 ? 0.0 : double(polylinePoints) / double(polylines); }
};

#endif
