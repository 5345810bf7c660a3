// Ridges and valleys: the view-independent creases of the terrain.
//
// A ridge is where the larger principal curvature k1 is positive, larger than
// |k2|, and a maximum along its own direction: its derivative dk1 along that
// direction passes through zero from positive to negative. A valley is the
// same for the concave side: -k2 > |k1| and a maximum of -k2 along the
// direction of k2 (a ridge of the terrain turned upside down). Both are
// found inside each triangle of the mesh: the directions at the corners are
// defined up to sign, so each corner's direction and derivative are flipped
// to agree with the first corner's; a triangle whose three directions cannot
// be made to agree pairwise (they turn by half a revolution around it, as
// near an umbilic) gives no line. Where the flipped derivative changes sign
// the line runs between the two edges it changes on, and the triangle keeps
// it when the derivative falls along the mean direction (a maximum).
//
// Strength: the curvature at the piece times the feature size (the cell
// size), the turn of the normal across one cell. Pieces weaker than the
// threshold are dropped, the others fade in with their strength.
#ifndef RIDGE_LINES_H
#define RIDGE_LINES_H

#include "gmvec3.h"
#include "line_family.h"
#include "surface_curvature.h"

#include <span>

// The threshold slider's range is 0 to 100.
inline constexpr double defaultRidgeThreshold = 40.0;

// The least strength a slider value keeps, 0.5 (slider / 100)^2: 0 keeps
// every piece, the default keeps the pieces whose normal turns by at least
// 0.08 radians (4.6 degrees) across a cell.
double ridgeStrengthThreshold(double sliderValue);

// Replaces the families' lines with the ridges and valleys of the mesh whose
// vertices (model coordinates, one per sample, row by row) are given, on up
// to `threads` threads. Faces with a corner of unknown curvature (a void, the
// grid's border) give no line. False, with empty families, when the
// vertices do not belong to the curvature's grid or at a stop request.
bool buildRidgeFamilies(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices, double sliderValue,
                        LineFamily& ridges, LineFamily& valleys, unsigned threads = 2);

#endif
