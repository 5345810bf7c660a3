// Model points to page pixels with the view's OpenGL matrices: what a vector
// drawing needs to lay its lines exactly over the rendered frame.
#ifndef SCREEN_PROJECTION_H
#define SCREEN_PROJECTION_H

#include "gmvec3.h"

#include <array>

// Homogeneous clip coordinates of a model point.
struct ClipPoint {
    double x, y, z, w;
};

// A point on the page: pixels from the top-left corner, and its window
// depth (0 at the near plane, 1 at the far plane) as the depth buffer holds it.
struct ScreenPoint {
    double x, y, depth;
};

class ScreenProjection {
public:
    // modelView and projection are column-major as glGetDoublev returns them;
    // the viewport is (0, 0, width, height).
    ScreenProjection(const std::array<double, 16>& modelView, const std::array<double, 16>& projection, int width,
                     int height);

    const std::array<double, 16>& modelView() const { return modelView_; }
    const std::array<double, 16>& projection() const { return projection_; }
    int width() const { return width_; }
    int height() const { return height_; }

    ClipPoint clip(const gmVec3& p) const;
    // A point between the near and far planes (clipInside) on the page.
    ScreenPoint toScreen(const ClipPoint& c) const;

    static bool clipInside(const ClipPoint& c) { return c.w + c.z >= 0.0 && c.w - c.z >= 0.0; }
    // The part [t0, t1] of the segment a + t (b - a), 0 <= t <= 1, that lies
    // between the near and far planes; false when none of it does. Depth is
    // linear along a segment in clip space, so the cut is exact.
    static bool clipSegment(const ClipPoint& a, const ClipPoint& b, double& t0, double& t1);
    static ClipPoint lerp(const ClipPoint& a, const ClipPoint& b, double t);

private:
    std::array<double, 16> modelView_;
    std::array<double, 16> projection_;
    std::array<double, 16> matrix_; // projection x modelView, column-major
    int width_;
    int height_;
};

// Lines that lie on the surface (line families) are drawn this many
// pixels' worth of depth nearer the eye: a wide line on a slope is then not
// hidden by the slope it lies on (a pixel to the side, the slope may be that
// much nearer), and the hidden-line surface, offset a little from the mesh,
// stays behind it; anything further in front still hides it.
inline constexpr double surfaceLineLift = 1.5;

// The model-view matrix that puts every point `pixels` pixels' worth of
// depth nearer the eye, where it lies on the page as before: with a
// perspective projection the eye coordinates shrink towards the eye (a
// pixel spans more the further away it is), with a parallel one they move
// along the view. A pixel's span comes from the projection and the page size.
std::array<double, 16> liftedTowardsEye(const std::array<double, 16>& modelView,
                                        const std::array<double, 16>& projection, int width, int height,
                                        double pixels);

#endif
