// Suggestive contours and suggestive highlights: the view-dependent lines
// where a silhouette would appear from a nearby eye, and their counterpart.
//
// At each sample, with v the unit vector to the eye, n the normal on the eye's
// side, theta the angle between them and w the unit projection of v onto the
// tangent plane, the radial curvature kr is the normal curvature along w
// (convex positive). Suggestive contours are where kr passes through zero
// and its derivative along w is positive, suggestive highlights where it is
// negative. Moving along w turns w about the normal at the rate
// II(w, w') cot(theta) (w' = n x w), so the derivative is
//   Dw kr = C(w, w, w) - 2 II(w, w')^2 cot(theta);
// the eye's distance adds nothing to first order. The test value is
// sin(theta) Dw kr times the feature size squared: the derivative along the
// unnormalised projection, which fades the lines where the view runs along
// the normal and w is ill defined, made free of units.
//
// The eye is given in model coordinates; the curvature's frame is the model
// frame scaled by 50 x cellSize in every axis (surface_curvature.h), so the
// directions to the eye are the same in both. The lines are the zero set of
// kr cut from the mesh's own triangles by the shared iso-line routine
// (iso_lines.h), each piece kept or dropped by its test value.
#ifndef SUGGESTIVE_LINES_H
#define SUGGESTIVE_LINES_H

#include "gmvec3.h"
#include "line_family.h"
#include "surface_curvature.h"
#include "terrain_mesh.h"

#include <cstdint>
#include <span>
#include <vector>

// The threshold slider's range is 0 to 100.
inline constexpr double defaultSuggestiveThreshold = 40.0;

// The least test value a slider value keeps, 0.1 (slider / 100)^2: 0 keeps
// every piece whose derivative has the right sign.
double suggestiveTestThreshold(double sliderValue);

// Where the surface is seen from: an eye at a point (a perspective view), or
// an eye infinitely far away, every point seen along one direction (an
// orthographic view).
struct SurfaceEye {
    gmVec3 point;      // model coordinates; for a parallel view the unit direction towards the eye
    bool parallel = false;

    gmVec3 towardsEye(const gmVec3& p) const { return parallel ? point : point - p; }
    bool operator==(const SurfaceEye& other) const { return parallel == other.parallel && point == other.point; }
};

// The radial curvature and the test value of every sample for one eye, kept
// between eyes so that its arrays are reused. `facing` is 1 where the upper
// side of the surface faces the eye, -1 where the lower side does (the
// values are then those of the lower side) and 0 where they are unknown,
// where `value` is not a number.
struct RadialCurvature {
    std::vector<float> value;
    std::vector<float> test;
    std::vector<std::int8_t> facing;
    // The pieces of both families as the iso-line routine chains them.
    LineFamily pieces;

    std::size_t bytes() const;
};

// Fills `radial` for the eye on up to `threads` threads. False at a stop
// request or when the vertices do not belong to the curvature's grid.
bool computeRadialCurvature(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices,
                            const SurfaceEye& eye, RadialCurvature& radial, unsigned threads = 2);

// Replaces the families' lines with the suggestive contours and highlights
// of the radial curvature: inside every face of the mesh whose corners are
// known and face the eye on the same side. Pieces whose test value is within
// the threshold of zero are dropped, the others fade in with it. False, with
// empty families, at a stop request or when `radial` does not match the mesh.
bool buildSuggestiveFamilies(RadialCurvature& radial, const MeshGrid& mesh, std::span<const gmVec3> vertices,
                             double sliderValue, LineFamily& contours, LineFamily& highlights);

#endif
