// Fit Terrain: the pan and dolly of the view transform that make the drawn
// terrain fill the view and sit in its middle at the current rotation,
// scale and projection. Display-free: the view only applies the result.
#ifndef VIEW_FIT_H
#define VIEW_FIT_H

#include "edge.h"
#include "gmvec3.h"
#include "view_transform.h"

#include <optional>
#include <span>

struct ViewBox {
    gmVec3 low;
    gmVec3 high;
};

// The box of the vertices that the faces use: the drawn terrain, its voids
// left out. Nothing without faces.
std::optional<ViewBox> drawnExtent(std::span<const gmVec3> vertices, std::span<const Face> faces);

// The view's pan and dolly (xTrans, yTrans, zTrans).
struct ViewTranslation {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The translation that puts the drawn vertices (those the faces use) of a
// level placed by `placement` into `fill` (0 to 1) of the view's half
// extents: the projected terrain reaches that far on two opposite sides and
// lies in the middle between the other two. In perspective no vertex comes
// nearer to the eye than a tenth of the level's radius in the scene; where
// filling would need that (a grazing view across a corner) the terrain is
// only centred. The rest of `view` stays as it is. Nothing for an empty
// viewport or mesh.
std::optional<ViewTranslation> fitViewTranslation(std::span<const gmVec3> vertices, std::span<const Face> faces,
                                                  const ViewState& view, const LevelPlacement& placement, int width,
                                                  int height, double fill = 0.95);

#endif
