#include "screen_projection.h"

#include "view_transform.h"

#include <algorithm>
#include <cmath>

ScreenProjection::ScreenProjection(const std::array<double, 16>& modelView, const std::array<double, 16>& projection,
                                   int width, int height)
    : modelView_(modelView), projection_(projection), matrix_(multiply(projection, modelView)), width_(width),
      height_(height)
{
}

ClipPoint ScreenProjection::clip(const gmVec3& p) const
{
    const auto& m = matrix_;
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14], m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15]};
}

ScreenPoint ScreenProjection::toScreen(const ClipPoint& c) const
{
    const double x = c.x / c.w, y = c.y / c.w, z = c.z / c.w;
    return {(x + 1.0) * 0.5 * width_, (1.0 - y) * 0.5 * height_, (z + 1.0) * 0.5};
}

ClipPoint ScreenProjection::lerp(const ClipPoint& a, const ClipPoint& b, double t)
{
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z), a.w + t * (b.w - a.w)};
}

bool ScreenProjection::clipSegment(const ClipPoint& a, const ClipPoint& b, double& t0, double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    // Signed distances to the near plane (w + z >= 0) and the far plane (w - z >= 0).
    const double planes[2][2] = {{a.w + a.z, b.w + b.z}, {a.w - a.z, b.w - b.z}};
    for (const auto& d : planes) {
        if (d[0] < 0.0 && d[1] < 0.0)
            return false;
        if (d[0] < 0.0)
            t0 = std::max(t0, d[0] / (d[0] - d[1]));
        else if (d[1] < 0.0)
            t1 = std::min(t1, d[0] / (d[0] - d[1]));
    }
    return t0 < t1;
}

std::array<double, 16> liftedTowardsEye(const std::array<double, 16>& modelView,
                                        const std::array<double, 16>& projection, int width, int height,
                                        double pixels)
{
    std::array<double, 16> lifted = modelView;
    if (width <= 0 || height <= 0 || projection[0] == 0.0 || projection[5] == 0.0)
        return lifted;
    // Eye units a pixel spans, at unit distance (perspective) or anywhere
    // (parallel): the page spans 2 / P00 and 2 / P11 of them across.
    const double pixel = std::max(2.0 / (std::abs(projection[0]) * width), 2.0 / (std::abs(projection[5]) * height));
    const bool perspective = projection[15] == 0.0;
    for (std::size_t col = 0; col < 4; ++col) {
        if (perspective) {
            for (std::size_t row = 0; row < 3; ++row)
                lifted[col * 4 + row] *= 1.0 - pixels * pixel;
        } else {
            // Nearer is where window depth falls: +z for GL's usual -z view.
            const double nearer = projection[10] > 0.0 ? -1.0 : 1.0;
            lifted[col * 4 + 2] += nearer * pixels * pixel * modelView[col * 4 + 3];
        }
    }
    return lifted;
}
