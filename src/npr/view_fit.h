// Fit Terrain: the translation of the view transform that makes a box (the
// terrain's extent in model coordinates) fill the view at the current
// rotation and scale. Display-free: the view only applies the result.
#ifndef VIEW_FIT_H
#define VIEW_FIT_H

#include "gmvec3.h"

#include <optional>
#include <span>

struct ViewBox {
    gmVec3 low;
    gmVec3 high;
};

// The smallest box holding every point; nothing for no points.
std::optional<ViewBox> boundingBox(std::span<const gmVec3> points);

// The view's pan and dolly (xTrans, yTrans, zTrans).
struct ViewTranslation {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The view transform is translate(x - 3.5, y - 3.0, z - 7.0), scale, then
// rotations by 285 + xRot about x, yRot about y and zRot about z (degrees);
// the projection is the view's frustum: the shorter side of a width x height
// viewport spans 45 degrees either side of the axis, near plane 0.5, far 200.
// Gives the translation that centres the box and brings it as near as it
// can come with every corner inside `fill` (0 to 1) of the view's half
// extents, in front of the near plane; nothing for an empty viewport or a
// box that cannot fit before the far plane.
std::optional<ViewTranslation> fitViewTranslation(const ViewBox& box, float xRot, float yRot, float zRot, float scale,
                                                  int width, int height, double fill = 0.95);

#endif
