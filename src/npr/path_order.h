// Ordering the paths of a line drawing for a pen plotter: within each style
// group, the path whose nearer end is closest to where the pen stands comes
// next, reversed when its far end is the nearer one (a filled path's outline
// starts and ends at its first point and keeps its direction), and a line
// that starts where the last one ended is joined to it. The pen travels
// lifted much less.
#ifndef PATH_ORDER_H
#define PATH_ORDER_H

#include "line_art.h"

#include <span>

// Ends this close (pixels) are joined into one path.
inline constexpr double joinDistance = 0.1;

// Reorders art's paths (grouped by style, styles in order) style group by
// style group, the pen starting each layer at the page's top-left corner and
// going on from the end of the previous group of its layer; joins lines (not
// filled paths) whose ends meet within joinDistance. Records each layer's
// figures before and after (ArtLayer) and recounts polylines and points.
void orderPaths(LineArt& art);

// The pen's lifted travel over the given paths of points in order, from the
// page's top-left corner; a filled path's outline ends where it starts.
double penTravel(std::span<const PagePoint> points, std::span<const ArtPath> paths,
                 std::span<const LineStyle> styles);

#endif
