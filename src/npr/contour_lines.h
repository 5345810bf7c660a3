// Contours: lines of equal height at round levels, cut from the drawn mesh's
// own triangles, in a thin mid-grey pen; every n-th level an index contour,
// drawn heavier and darker, as printed maps draw them; optionally
// shaded by the light ("Tanaka" contours): the side of a hill that faces the
// light thin and light, the side away from it heavy and dark.
#ifndef CONTOUR_LINES_H
#define CONTOUR_LINES_H

#include "map_lines.h"

#include <cstddef>
#include <vector>

// More levels than this are not drawn: an interval that gives them is too
// small for the heights (the automatic one gives at most 40).
inline constexpr std::size_t maxContourLevels = 1000;

// The round interval 1, 2, 2.5 or 5 x 10^k, the largest that gives at least
// 15 levels between low and high (15 to 31 for any range): the sparsest
// contours that still show the shape, which the index contours carry. 0 when
// the range is empty or not finite.
double automaticContourInterval(double low, double high);

// The levels k x interval within [low, high], ascending; none when the
// interval is not a positive number or gives more than maxContourLevels.
std::vector<double> contourLevels(double low, double high, double interval);

// The interval the settings ask for on this surface: theirs, or the
// automatic one when theirs is 0 or gives too many levels (with a message).
double contourIntervalFor(const MapSurface& surface, const MapLineSettings& settings);

// Whether level k x interval is an index contour: k a multiple of indexEvery
// (none when indexEvery is 0).
bool isIndexLevel(double level, double interval, int indexEvery);

// Appends the two families "contours" and "index contours" at the levels of
// the interval between the surface's lowest and highest heights.
void buildContours(const MapSurface& surface, const MapLineSettings& settings, double interval,
                   std::vector<LineFamily>& families);

// The style of a contour piece in shaded contours: its downhill direction
// (dx, dy) and the direction (lx, ly) from it to the light, both in the
// ground plane; index of the shade from 0 (facing the light) to
// tanakaShades - 1 (facing away).
inline constexpr int tanakaShades = 8;
int tanakaShade(double dx, double dy, double lx, double ly);
FamilyStyle contourStyle(bool index, bool tanaka, int shade);

#endif
