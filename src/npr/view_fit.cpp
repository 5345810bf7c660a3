#include "view_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double nearPlane = 0.5;
constexpr double farPlane = 200.0;

// Turns v by `degrees` about a coordinate axis (0 = x, 1 = y, 2 = z),
// counter-clockwise looking down the axis, as glRotate does.
gmVec3 turned(const gmVec3& v, int axis, double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    gmVec3 out = v;
    out[i] = c * v[i] - s * v[j];
    out[j] = s * v[i] + c * v[j];
    return out;
}

} // namespace

std::optional<ViewBox> boundingBox(std::span<const gmVec3> points)
{
    if (points.empty())
        return std::nullopt;
    ViewBox box{points[0], points[0]};
    for (const gmVec3& p : points)
        for (int k = 0; k < 3; ++k) {
            box.low[k] = std::min(box.low[k], p[k]);
            box.high[k] = std::max(box.high[k], p[k]);
        }
    return box;
}

std::optional<ViewTranslation> fitViewTranslation(const ViewBox& box, float xRot, float yRot, float zRot, float scale,
                                                  int width, int height, double fill)
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // Half extents of the view per unit of depth: 1 on the shorter side.
    const double aspect = double(std::max(width, height)) / double(std::min(width, height));
    const double ax = (width >= height ? aspect : 1.0) * fill;
    const double ay = (width >= height ? 1.0 : aspect) * fill;

    // The corners in eye space before the translation: rotated (z first,
    // as the matrices apply), then scaled.
    std::array<gmVec3, 8> q;
    for (int k = 0; k < 8; ++k) {
        gmVec3 p((k & 1) ? box.high[0] : box.low[0], (k & 2) ? box.high[1] : box.low[1],
                 (k & 4) ? box.high[2] : box.low[2]);
        p = turned(p, 2, zRot);
        p = turned(p, 1, yRot);
        p = turned(p, 0, 285.0 + double(xRot));
        q[k] = p * double(scale);
    }
    // With the corner at depth d - q.z (d = -translation z), it is inside
    // the view when |q.x + tx| <= ax (d - q.z), and likewise in y. For each
    // axis the largest of q.x + ax q.z and of ax q.z - q.x set the nearest d
    // and the centring tx.
    double rightX = -1e300, leftX = -1e300, topY = -1e300, bottomY = -1e300, front = -1e300, back = 1e300;
    for (const gmVec3& c : q) {
        rightX = std::max(rightX, c[0] + ax * c[2]);
        leftX = std::max(leftX, ax * c[2] - c[0]);
        topY = std::max(topY, c[1] + ay * c[2]);
        bottomY = std::max(bottomY, ay * c[2] - c[1]);
        front = std::max(front, c[2]);
        back = std::min(back, c[2]);
    }
    const double depth =
        std::max({(rightX + leftX) / (2.0 * ax), (topY + bottomY) / (2.0 * ay), front + nearPlane * 1.01});
    if (!std::isfinite(depth) || depth - back >= farPlane)
        return std::nullopt;
    ViewTranslation t;
    t.x = float((leftX - rightX) / 2.0 + 3.5);
    t.y = float((bottomY - topY) / 2.0 + 3.0);
    t.z = float(7.0 - depth);
    return t;
}
