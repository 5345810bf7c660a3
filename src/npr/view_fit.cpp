#include "view_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double lowest = -std::numeric_limits<double>::infinity();

// The drawn vertices (those the faces use) in eye space before the view's
// translation, computed afresh on every pass: storing them would cost more
// in fresh memory than the passes cost.
class EyePoints {
public:
    EyePoints(std::span<const gmVec3> vertices, std::span<const Face> faces, const Matrix4& m)
        : vertices_(vertices), drawn_(vertices.size(), 0), m_(m)
    {
        for (const Face& f : faces)
            for (const std::uint32_t v : f.v)
                if (v < drawn_.size())
                    drawn_[v] = 1;
        empty_ = std::find(drawn_.begin(), drawn_.end(), std::uint8_t(1)) == drawn_.end();
    }
    bool empty() const { return empty_; }
    template <class Fn>
    void forEach(Fn fn) const
    {
        for (std::size_t v = 0; v < vertices_.size(); ++v)
            if (drawn_[v])
                fn(transformPoint(m_, vertices_[v]));
    }

private:
    std::span<const gmVec3> vertices_;
    std::vector<std::uint8_t> drawn_;
    Matrix4 m_;
    bool empty_ = true;
};

// The shift a along one screen axis (0 = x, 1 = y) that centres the points
// at depth d: the largest (q + a) / (d - q.z) then equals minus the
// smallest. Both extremes grow with a, so their sum has one root in [lo,
// hi]; Newton steps on its linear pieces, kept inside the bracket, find it
// in a few passes.
double centredShift(const EyePoints& q, int axis, double d, double lo, double hi)
{
    double a = 0.5 * (lo + hi);
    for (int pass = 0; pass < 64 && hi - lo > 1e-12 * (1.0 + std::abs(a)); ++pass) {
        double top = lowest, bottom = -lowest;
        double sTop = 0.0, wTop = 0.0, sBottom = 0.0, wBottom = 0.0;
        q.forEach([&](const gmVec3& p) {
            const double w = 1.0 / (d - p[2]);
            const double v = (p[axis] + a) * w;
            if (v > top) {
                top = v;
                sTop = p[axis] * w;
                wTop = w;
            }
            if (v < bottom) {
                bottom = v;
                sBottom = p[axis] * w;
                wBottom = w;
            }
        });
        const double sum = top + bottom;
        if (std::abs(sum) <= 1e-12 * (top - bottom))
            break;
        (sum < 0.0 ? lo : hi) = a;
        double next = -(sTop + sBottom) / (wTop + wBottom);
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        if (next == a)
            break;
        a = next;
    }
    return a;
}

} // namespace

std::optional<ViewBox> drawnExtent(std::span<const gmVec3> vertices, std::span<const Face> faces)
{
    std::optional<ViewBox> box;
    for (const Face& f : faces)
        for (const std::uint32_t v : f.v) {
            if (v >= vertices.size())
                continue;
            const gmVec3& p = vertices[v];
            if (!box) {
                box = ViewBox{p, p};
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                box->low[k] = std::min(box->low[k], p[k]);
                box->high[k] = std::max(box->high[k], p[k]);
            }
        }
    return box;
}

std::optional<ViewTranslation> fitViewTranslation(std::span<const gmVec3> vertices, std::span<const Face> faces,
                                                  const ViewState& view, const LevelPlacement& placement, int width,
                                                  int height, double fill)
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // The drawn vertices in eye space before the translation: the view's
    // matrix with a translation that cancels its base offset.
    ViewState turned = view;
    turned.xTrans = 3.5f;
    turned.yTrans = 3.0f;
    turned.zTrans = 7.0f;
    const Matrix4 m = modelViewMatrix(turned, placement);
    const EyePoints q(vertices, faces, m);
    if (q.empty())
        return std::nullopt;

    // Half extents of the view per unit of depth (orthographic: per unit
    // of the centre's depth), within the fill.
    const double ax = (width >= height ? double(width) / double(height) : 1.0) * fill;
    const double ay = (width >= height ? 1.0 : double(height) / double(width)) * fill;
    ViewTranslation t;
    if (view.orthographic) {
        double lowX = -lowest, highX = lowest, lowY = -lowest, highY = lowest;
        q.forEach([&](const gmVec3& p) {
            lowX = std::min(lowX, p[0]);
            highX = std::max(highX, p[0]);
            lowY = std::min(lowY, p[1]);
            highY = std::max(highY, p[1]);
        });
        const double depth = std::max((highX - lowX) / (2.0 * ax), (highY - lowY) / (2.0 * ay));
        if (!(depth > 0.0) || !std::isfinite(depth))
            return std::nullopt;
        // The projection spans the view at the depth of the level's centre.
        t.x = float(3.5 - 0.5 * (lowX + highX));
        t.y = float(3.0 - 0.5 * (lowY + highY));
        t.z = float(7.0 - depth - transformPoint(m, placement.centre)[2]);
        return t;
    }
    // A point at depth d - q.z is inside the view when |q.x + a| <= ax (d -
    // q.z), and likewise in y: the largest of q.x + ax q.z and of ax q.z -
    // q.x set the nearest d on each axis. A terrain seen at a grazing angle
    // across a corner would fill the view only with the eye at that corner:
    // no point comes nearer than a tenth of the terrain's radius.
    double rightX = lowest, leftX = lowest, topY = lowest, bottomY = lowest, front = lowest;
    q.forEach([&](const gmVec3& p) {
        rightX = std::max(rightX, p[0] + ax * p[2]);
        leftX = std::max(leftX, ax * p[2] - p[0]);
        topY = std::max(topY, p[1] + ay * p[2]);
        bottomY = std::max(bottomY, ay * p[2] - p[1]);
        front = std::max(front, p[2]);
    });
    const double radius = placement.halfSize.length() * placement.spacing * double(std::abs(view.scale));
    const double nearest = std::max(0.1 * radius, 1.01 * closestNearPlane(view, placement));
    const double d = std::max({(rightX + leftX) / (2.0 * ax), (topY + bottomY) / (2.0 * ay), front + nearest});
    if (!std::isfinite(d))
        return std::nullopt;
    const double a = centredShift(q, 0, d, leftX - ax * d, ax * d - rightX);
    const double b = centredShift(q, 1, d, bottomY - ay * d, ay * d - topY);
    t.x = float(a + 3.5);
    t.y = float(b + 3.0);
    t.z = float(7.0 - d);
    return t;
}
