// Hidden-line removal for one line on the page: the parts of it that the
// occluder does not hide, found by sampling the line at least every half
// pixel against the occluder's depth image.
#ifndef VISIBLE_SPANS_H
#define VISIBLE_SPANS_H

#include "occluder_depth.h"
#include "screen_projection.h"

#include <vector>

// A part [from, to] of a line a + u (b - a), 0 <= u <= 1, and which of its
// width shows there: side 0 the whole width; side 1 or -1 only the half on
// the side of +n or -n, with n = (b.y - a.y, a.x - b.x) / |b - a| (on a page
// whose y grows downwards, n points to the left of the direction a to b).
struct Span {
    double from, to;
    int side;
};

// The largest distance between two samples of a line, in pixels.
inline constexpr double sampleStep = 0.5;

// Replaces spans by the visible parts of the line from a to b, in order.
// Each sample is tested at the two points `lateral` pixels to either side of
// the line (or on the line when lateral is 0), as the fragments of a wide
// line are tested on screen: the sample shows when either point shows, and
// with `halves` set, a sample of which only one point shows shows only that
// half of the line's width. Window depth is linear along a line on the page
// (as GL interpolates it), so each sample's depth comes from the ends. Only
// the part on the page is sampled; a part starts or ends half-way between
// two samples that differ, or at the line's own end when that sample shows.
void visibleSpans(const ScreenPoint& a, const ScreenPoint& b, double lateral, bool halves,
                  const OccluderDepth& occluder, std::vector<Span>& spans);

#endif
