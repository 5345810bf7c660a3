#include "visible_spans.h"

#include <algorithm>
#include <cmath>

namespace {

// The part [u0, u1] of a + u (b - a) inside [0, w] x [0, h]; false if none.
bool clipToPage(const ScreenPoint& a, const ScreenPoint& b, double w, double h, double& u0, double& u1)
{
    u0 = 0.0;
    u1 = 1.0;
    const double d[2] = {b.x - a.x, b.y - a.y};
    const double start[2] = {a.x, a.y};
    const double size[2] = {w, h};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0.0) {
            if (start[k] < 0.0 || start[k] > size[k])
                return false;
            continue;
        }
        double enter = (0.0 - start[k]) / d[k], leave = (size[k] - start[k]) / d[k];
        if (enter > leave)
            std::swap(enter, leave);
        u0 = std::max(u0, enter);
        u1 = std::min(u1, leave);
    }
    return u0 <= u1;
}

// What shows of a sample: -2 nothing, else the side of its span.
constexpr int hidden = -2;

} // namespace

void visibleSpans(const ScreenPoint& a, const ScreenPoint& b, double lateral, bool halves,
                  const OccluderDepth& occluder, std::vector<Span>& spans)
{
    spans.clear();
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y))
        return;
    double u0 = 0.0, u1 = 1.0;
    if (!clipToPage(a, b, occluder.width(), occluder.height(), u0, u1))
        return;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double fullLength = std::hypot(dx, dy);
    // The offset of the two test points; none for a line of no length.
    const double ox = fullLength > 0.0 ? lateral * dy / fullLength : 0.0;
    const double oy = fullLength > 0.0 ? -lateral * dx / fullLength : 0.0;
    const auto shows = [&](double u) {
        const double x = a.x + u * dx, y = a.y + u * dy, depth = a.depth + u * (b.depth - a.depth);
        if (lateral == 0.0)
            return occluder.visible(x, y, depth) ? 0 : hidden;
        const bool plus = occluder.visible(x + ox, y + oy, depth);
        const bool minus = occluder.visible(x - ox, y - oy, depth);
        if (plus && minus)
            return 0;
        if (plus || minus)
            return halves ? (plus ? 1 : -1) : 0;
        return hidden;
    };

    const long n = std::max(1L, long(std::ceil(fullLength * (u1 - u0) / sampleStep)));
    int current = hidden;
    double from = 0.0;
    for (long k = 0; k <= n; ++k) {
        const int state = shows(u0 + (u1 - u0) * double(k) / double(n));
        if (state == current)
            continue;
        const double between = u0 + (u1 - u0) * (double(k) - 0.5) / double(n);
        if (current != hidden)
            spans.push_back({from, between, current});
        from = k == 0 ? u0 : between;
        current = state;
    }
    if (current != hidden)
        spans.push_back({from, u1, current});
}
