// Chaining visible line pieces into polylines: pieces of the same style that
// end at the same mesh vertex continue each other, so that a line along a
// ridge becomes one polyline instead of a two-point segment per mesh edge.
#ifndef LINE_CHAINING_H
#define LINE_CHAINING_H

#include "line_art.h"

#include <cstdint>
#include <limits>
#include <span>

// An end that is not a mesh vertex: the line was cut there (hidden, or off
// the page), so nothing continues it.
inline constexpr std::uint32_t noVertex = std::numeric_limits<std::uint32_t>::max();

struct LinePiece {
    double x0, y0, x1, y1; // page pixels
    std::uint32_t v0, v1;  // mesh vertex at each end, or noVertex
    std::uint32_t style;
    // 0 for a whole line; 1 or -1 for the half of a line that shows on the
    // left or right of its direction from end 0 to end 1 (see Span). A half
    // continues only a half on the same side of the chain.
    int side = 0;
};

// Appends the polylines of the pieces to art's points and paths (in no
// particular order of styles) and counts them. Points are rounded to 0.01
// pixel and repeated points dropped; a polyline shorter than minLength
// pixels is dropped. Each piece is used once. A chain starts where it
// cannot be continued, or where it could be continued more than one way
// (a cut end, or a vertex where the count of matching pieces is not two),
// so that closed loops are what remains last.
void chainPieces(std::span<const LinePiece> pieces, double minLength, LineArt& art);

#endif
