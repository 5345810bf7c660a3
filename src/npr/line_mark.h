// How a line of the view marks the frame, so that the vector drawing gives
// each line the look it has on screen. The view blends with GL's default
// function, which replaces the colour: a line shows at its own grey whatever
// its alpha and its smoothing coverage, and smoothing spreads even the
// thinnest line over whole pixels (measured with Mesa: a line up to 1 pixel
// wide covers 2 pixels across at its grey).
#ifndef LINE_MARK_H
#define LINE_MARK_H

struct LineMark {
    double width;   // pixels
    double grey;    // 0 black to 1 white
    double opacity; // 0 to 1
};

// A line is at least this many pixels wide on a page.
inline constexpr double minMarkWidth = 1.0;
// A mark lighter than this (opacity times darkness) does not show.
inline constexpr double minMarkInk = 0.01;

// The mark on screen of a line drawn `width` pixels wide in `grey`, at any
// alpha: at least minMarkWidth wide, the grey within 0 to 1, opaque.
LineMark screenMark(double width, double grey);

// Whether a mark shows on a white page: opacity times darkness at least
// minMarkInk.
bool leavesMark(const LineMark& mark);

#endif
