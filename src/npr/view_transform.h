// The view transform: the model-view and projection matrices the view loads
// into GL, computed here so that drawing, Fit, the vector drawing and the
// scale bar all use one transform.
//
// Mesh coordinates grow east (x), south (y, the row number) and up (z). The
// scene turns them into a right-handed picture: a level is mirrored in y
// about the centre of its valid extent, so that north lies away from the eye
// in the start view and up in a map view, with east on the right.
#ifndef VIEW_TRANSFORM_H
#define VIEW_TRANSFORM_H

#include "gmvec3.h"

#include <array>

// Column-major, as glGetDoublev returns and glLoadMatrixd takes.
using Matrix4 = std::array<double, 16>;

// The view's own state: the sliders (degrees; the scene adds 285 about x),
// the scale, the pan and dolly, and the projection.
struct ViewState {
    float xRot = 0.0f;
    float yRot = 0.0f;
    float zRot = 0.0f;
    float scale = 2.0f;
    float xTrans = 0.0f;
    float yTrans = 0.0f;
    float zTrans = 0.0f;
    bool orthographic = false;
};

// Where one level of the terrain sits in the scene. The rotations turn it
// about `centre`, which stays at `anchor`; `spacing` scales the level so
// that every level of a grid has the size of the grid as loaded.
struct LevelPlacement {
    gmVec3 centre;        // centre of the level's valid extent, mesh coordinates
    gmVec3 halfSize;      // half that extent along each axis, mesh units
    double spacing = 1.0; // sample spacing relative to the loaded grid
    gmVec3 anchor;        // the centre's place in the scene, units of the loaded grid
};

// A level whose valid extent spans low to high, drawn at `spacing`, with its
// centre at the place the same point has in the loaded grid.
LevelPlacement placeLevel(const gmVec3& low, const gmVec3& high, double spacing);
// Another level of the same terrain (a coarser copy) placed with its centre
// where `drawn` has its own.
LevelPlacement placeBeside(const LevelPlacement& drawn, const gmVec3& low, const gmVec3& high, double spacing);
// The same point of the terrain in the mesh coordinates of level `to`, given
// in those of level `from`.
gmVec3 pointInLevel(const gmVec3& p, const LevelPlacement& from, const LevelPlacement& to);

// The near plane of the perspective projection: 0.5 times the level's
// spacing, so that the depth buffer resolves every level alike, and at most
// a twentieth of the level's radius in the scene, so that a small terrain
// keeps that resolution. Nearer when a corner of the level's extent comes
// nearer than that, down to a 2000th of the radius, so that Fit may bring
// the terrain as near as filling the view needs without cutting it.
double nearPlane(const ViewState& view, const LevelPlacement& placement);
// The nearest the near plane comes to the eye for a level.
double closestNearPlane(const ViewState& view, const LevelPlacement& placement);

// translate(xTrans - 3.5, yTrans - 3, zTrans - 7), scale, rotate 285 about
// x, move to the anchor, rotate by xRot about x, yRot about y and zRot about
// z, scale by the spacing (y mirrored), and move the centre to the origin.
Matrix4 modelViewMatrix(const ViewState& view, const LevelPlacement& placement);

// The projection of a width x height viewport. Perspective: the shorter side
// spans 45 degrees either side of the axis, near plane nearPlane(), far
// plane 400 times that or beyond the level's far side. Orthographic: the
// shorter side spans as much as the perspective one at the depth of the
// level's centre (so the dolly still zooms), the depth range holding the
// level. The identity for an empty viewport.
Matrix4 projectionMatrix(const ViewState& view, const LevelPlacement& placement, int width, int height);

// The projection's view is straight down onto the terrain and orthographic:
// a map, whose scale is the same everywhere.
bool isMapView(const ViewState& view);

// The product a x b of two column-major matrices.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// p transformed by m as a point (w = 1).
gmVec3 transformPoint(const Matrix4& m, const gmVec3& p);
// The inverse of a model-view matrix (rotation, uniform scale up to sign,
// translation); the eye's place and axis in mesh coordinates come from it.
Matrix4 inverseModelView(const Matrix4& m);

#endif
