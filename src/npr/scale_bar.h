// The scale bar of a map view's drawing: a round length in metres, laid out
// in the lower left corner of the page.
#ifndef SCALE_BAR_H
#define SCALE_BAR_H

#include <optional>
#include <string>

struct ScaleBar {
    double metres = 0.0; // the distance the bar stands for
    double left = 0.0;   // page pixels: the bar's left end
    double base = 0.0;   // and its line, from the top of the page
    double length = 0.0; // pixels
    std::string label;   // "500 m", "2 km"
};

// The bar of a map drawn at `metresPerPixel` on a width x height page: the
// longest length of 1, 2 or 5 times a power of ten metres that takes at
// most a fifth of the width, 20 pixels in from the left and bottom edges.
// Nothing for a scale that is not a positive number, or a page too small to
// hold a bar of 10 pixels.
std::optional<ScaleBar> scaleBarFor(double metresPerPixel, int width, int height);

#endif
