// Curvature of the terrain's surface at every sample of a grid level: the
// principal curvatures and directions, the derivatives of the principal
// curvatures along their directions, and the derivative of the second
// fundamental form, from which the lines of the surface are drawn (ridges,
// valleys, suggestive contours and highlights).
//
// Frame. Curvature is measured on the surface as it is drawn, in metres: x
// along the columns (cellSize x eastWestRatio a column), y along the rows
// (cellSize a row), z = (height - minHeight) x verticalExaggeration / 0.9.
// The drawn mesh is exactly this surface shrunk by 50 x cellSize in every
// axis (see JGrid::scaledHeight and drawingX), so a point,
// an eye or a direction in model coordinates maps to this frame by that one
// factor: directions and angles are the same in both, and view-dependent
// lines computed here meet the silhouettes of the drawn mesh.
//
// Sign. Curvatures are positive where the surface is convex seen from above
// (a crest, a summit) and negative where it is concave (a valley floor, a
// pit), with the normal pointing up.
//
// Tangent vectors are given by their x and y components: a vector (x, y) of
// the grid's plane stands for the tangent (x, y, zx x + zy y) above it.
#ifndef SURFACE_CURVATURE_H
#define SURFACE_CURVATURE_H

#include "gmvec3.h"

#include <cmath>
#include <cstdint>
#include <vector>

class JGrid;

struct CurvatureSample {
    float k1 = 0.0f, k2 = 0.0f;      // principal curvatures (1/m), k1 >= k2
    float dir1[2] = {0.0f, 0.0f};    // x, y of the unit direction of k1
    float dk1 = 0.0f, dk2 = 0.0f;    // derivative (1/m^2) of k1 along dir1, of k2 along dir2 = normal x dir1
    float slope[2] = {0.0f, 0.0f};   // zx, zy
    // The derivative of the second fundamental form: C(u, u, u) =
    // third[0] ux^3 + 3 third[1] ux^2 uy + 3 third[2] ux uy^2 + third[3] uy^3.
    float third[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

struct SurfaceCurvature {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The scale for thresholds: the north-south cell size in metres, so that
    // a curvature times it is the turn of the normal across one cell.
    float featureSize = 0.0f;
    // Row by row, one per sample.
    std::vector<CurvatureSample> samples;
    // 1 where the sample's valid neighbours determined the fit; 0 at voids,
    // on the grid's outer ring of samples and where voids leave too few
    // neighbours.
    std::vector<std::uint8_t> known;

    bool isKnown(std::size_t i) const { return i < known.size() && known[i] != 0; }
    void clear();
};

// Bytes the curvature of a width x height grid takes, with the arrays the
// suggestive lines keep per eye (RadialCurvature: kr, test value, facing).
inline std::uint64_t surfaceCurvatureBytes(std::uint64_t width, std::uint64_t height)
{
    return width * height * (sizeof(CurvatureSample) + 1 + 2 * sizeof(float) + 1);
}

// Fits every sample of the grid (see local_cubic_fit.h) on up to `threads`
// threads. False, with a message and an empty result, when the grid has no
// usable spacing or exaggeration; false with an incomplete result at a stop
// request (stop_request.h).
bool computeSurfaceCurvature(const JGrid& grid, SurfaceCurvature& out, unsigned threads = 2);

// Evaluations on one sample, in the frame above.
inline gmVec3 upNormal(const CurvatureSample& s)
{
    const double x = s.slope[0], y = s.slope[1];
    const double scale = 1.0 / std::sqrt(1.0 + x * x + y * y);
    return {-x * scale, -y * scale, scale};
}
inline gmVec3 tangentOf(const CurvatureSample& s, double x, double y)
{
    return {x, y, s.slope[0] * x + s.slope[1] * y};
}
inline gmVec3 firstDirection(const CurvatureSample& s)
{
    return tangentOf(s, s.dir1[0], s.dir1[1]);
}
// normal x firstDirection.
inline gmVec3 secondDirection(const CurvatureSample& s)
{
    return cross(upNormal(s), firstDirection(s));
}
// C(u, u, u) for a tangent vector u (only its x and y are read).
inline double thirdOrder(const CurvatureSample& s, const gmVec3& u)
{
    const double x = u[0], y = u[1];
    return s.third[0] * x * x * x + 3.0 * s.third[1] * x * x * y + 3.0 * s.third[2] * x * y * y
           + s.third[3] * y * y * y;
}

#endif
