#include "view_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double startNear = 0.5;
constexpr double startFar = 200.0;

Matrix4 identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    return multiply(a, b);
}

Matrix4 translation(double x, double y, double z)
{
    Matrix4 m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Matrix4 scaling(double x, double y, double z)
{
    Matrix4 m = identity();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

// Turns by `degrees` about a coordinate axis (0 = x, 1 = y, 2 = z),
// counter-clockwise looking down the axis, as glRotate does.
Matrix4 rotation(int axis, double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const std::size_t i = std::size_t((axis + 1) % 3), j = std::size_t((axis + 2) % 3);
    Matrix4 m = identity();
    m[i * 4 + i] = c;
    m[i * 4 + j] = s;
    m[j * 4 + i] = -s;
    m[j * 4 + j] = c;
    return m;
}

gmVec3 midpoint(const gmVec3& low, const gmVec3& high)
{
    return (low + high) * 0.5;
}

// The rotations of the scene: the base 285 degrees and the sliders.
Matrix4 sceneRotation(const ViewState& view)
{
    return rotation(0, 285.0 + double(view.xRot)) * rotation(1, view.yRot) * rotation(2, view.zRot);
}

// Depth (distance along the axis) of the level's centre in front of the eye.
double centreDepth(const ViewState& view, const LevelPlacement& placement)
{
    return -transformPoint(modelViewMatrix(view, placement), placement.centre)[2];
}

// The level's radius in the scene.
double sceneRadius(const ViewState& view, const LevelPlacement& placement)
{
    return placement.halfSize.length() * placement.spacing * double(std::abs(view.scale));
}

// Depth of the nearest corner of the level's extent.
double nearestCornerDepth(const ViewState& view, const LevelPlacement& placement)
{
    const Matrix4 m = modelViewMatrix(view, placement);
    double nearest = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 8; ++k) {
        gmVec3 corner = placement.centre;
        for (int axis = 0; axis < 3; ++axis)
            corner[axis] += ((k >> axis) & 1 ? 1.0 : -1.0) * placement.halfSize[axis];
        nearest = std::min(nearest, -transformPoint(m, corner)[2]);
    }
    return nearest;
}

} // namespace

LevelPlacement placeLevel(const gmVec3& low, const gmVec3& high, double spacing)
{
    const gmVec3 centre = midpoint(low, high);
    return {centre, (high - low) * 0.5, spacing, centre * spacing};
}

LevelPlacement placeBeside(const LevelPlacement& drawn, const gmVec3& low, const gmVec3& high, double spacing)
{
    LevelPlacement p = placeLevel(low, high, spacing);
    p.anchor = drawn.anchor;
    return p;
}

gmVec3 pointInLevel(const gmVec3& p, const LevelPlacement& from, const LevelPlacement& to)
{
    return to.centre + (p - from.centre) * (from.spacing / to.spacing);
}

double nearPlane(const ViewState& view, const LevelPlacement& placement)
{
    const double n = startNear * placement.spacing;
    const double reach = sceneRadius(view, placement);
    if (!(reach > 0.0))
        return n;
    const double nearest = nearestCornerDepth(view, placement);
    return std::min({n, reach / 20.0, std::max(closestNearPlane(view, placement), 0.9 * nearest)});
}

double closestNearPlane(const ViewState& view, const LevelPlacement& placement)
{
    const double reach = sceneRadius(view, placement);
    return reach > 0.0 ? reach / 2000.0 : startNear * placement.spacing;
}

Matrix4 modelViewMatrix(const ViewState& view, const LevelPlacement& placement)
{
    const double k = placement.spacing;
    const gmVec3& a = placement.anchor;
    const gmVec3& c = placement.centre;
    return translation(double(view.xTrans) - 3.5, double(view.yTrans) - 3.0, double(view.zTrans) - 7.0) *
           scaling(view.scale, view.scale, view.scale) * rotation(0, 285.0) * translation(a[0], a[1], a[2]) *
           rotation(0, view.xRot) * rotation(1, view.yRot) * rotation(2, view.zRot) * scaling(k, -k, k) *
           translation(-c[0], -c[1], -c[2]);
}

Matrix4 projectionMatrix(const ViewState& view, const LevelPlacement& placement, int width, int height)
{
    if (width <= 0 || height <= 0)
        return identity();
    // Half extents per unit of depth: 1 on the shorter side.
    const double hx = width >= height ? double(width) / double(height) : 1.0;
    const double hy = width >= height ? 1.0 : double(height) / double(width);
    const double depth = centreDepth(view, placement);
    const double reach = sceneRadius(view, placement);
    const double n = nearPlane(view, placement);
    Matrix4 m{};
    if (!view.orthographic) {
        const double f = std::max(startFar / startNear * n, 1.1 * (depth + reach));
        m[0] = 1.0 / hx;
        m[5] = 1.0 / hy;
        m[10] = -(f + n) / (f - n);
        m[11] = -1.0;
        m[14] = -2.0 * f * n / (f - n);
        return m;
    }
    // At least a sliver in front of the eye, so that a dolly past the
    // terrain keeps a valid projection; the depth range holds the level.
    const double margin = startNear * placement.spacing;
    const double d = std::max(depth, 0.01 * margin);
    const double front = depth - reach - margin, back = depth + reach + margin;
    m[0] = 1.0 / (hx * d);
    m[5] = 1.0 / (hy * d);
    m[10] = -2.0 / (back - front);
    m[14] = -(back + front) / (back - front);
    m[15] = 1.0;
    return m;
}

bool isMapView(const ViewState& view)
{
    if (!view.orthographic)
        return false;
    // The terrain's up axis points at the eye, within a tenth of a degree.
    const Matrix4 r = sceneRotation(view);
    return r[10] > std::cos(0.1 * std::numbers::pi / 180.0);
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 c{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a[std::size_t(k * 4 + row)] * b[std::size_t(col * 4 + k)];
            c[std::size_t(col * 4 + row)] = sum;
        }
    return c;
}

gmVec3 transformPoint(const Matrix4& m, const gmVec3& p)
{
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
}

Matrix4 inverseModelView(const Matrix4& m)
{
    // The upper 3 x 3 part is a rotation times a scale (one axis possibly
    // mirrored): its inverse is its transpose over the squared scale.
    const double s2 = m[0] * m[0] + m[1] * m[1] + m[2] * m[2];
    Matrix4 inv = identity();
    if (!(s2 > 0.0))
        return inv;
    for (std::size_t row = 0; row < 3; ++row)
        for (std::size_t col = 0; col < 3; ++col)
            inv[col * 4 + row] = m[row * 4 + col] / s2;
    const gmVec3 t = transformPoint(inv, gmVec3(m[12], m[13], m[14]));
    inv[12] = -t[0];
    inv[13] = -t[1];
    inv[14] = -t[2];
    return inv;
}
