#include "path_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// The ends of one style group's paths not yet drawn, bucketed in square
// cells of the page: end e of path i is entry 2i + e (0 its first point, 1
// its last; filled paths, outlines that close, only their first). Each
// cell's entries are one run of a flat array, and an entry of a drawn path is
// dropped from its run when a search meets it.
class EndIndex {
public:
    EndIndex(const LineArt& art, std::span<const ArtPath> paths, bool bothEnds)
        : art_(art), paths_(paths), ends_(bothEnds ? 1 : 2), used_(paths.size(), 0)
    {
        const double w = std::max(1, art.width), h = std::max(1, art.height);
        // About two ends a cell.
        cell_ = std::max(1.0, std::sqrt(w * h / double(std::max<std::size_t>(paths.size(), 1))));
        cols_ = std::size_t(w / cell_) + 1;
        rows_ = std::size_t(h / cell_) + 1;
        start_.assign(cols_ * rows_ + 1, 0);
        for (std::size_t e = 0; e < 2 * paths.size(); e += ends_)
            ++start_[cellOf(e) + 1];
        for (std::size_t c = 1; c < start_.size(); ++c)
            start_[c] += start_[c - 1];
        live_.resize(cols_ * rows_);
        for (std::size_t c = 0; c < live_.size(); ++c)
            live_[c] = start_[c + 1] - start_[c];
        entries_.resize(start_.back());
        std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
        for (std::size_t e = 0; e < 2 * paths.size(); e += ends_)
            entries_[fill[cellOf(e)]++] = std::uint32_t(e);
        remaining_ = paths.size();
    }

    // The end nearest to (x, y) of a path not yet drawn; false when all are.
    bool nearest(double x, double y, std::uint32_t& found)
    {
        if (remaining_ == 0)
            return false;
        const long cx = column(x), cy = row(y);
        double best = std::numeric_limits<double>::infinity();
        const long rings = long(std::max(cols_, rows_));
        for (long ring = 0; ring <= rings; ++ring) {
            // Ends in this ring of cells lie at least ring - 1 cells away.
            if (ring > 0 && double(ring - 1) * cell_ > best)
                break;
            for (long dy = -ring; dy <= ring; ++dy) {
                const long step = std::abs(dy) == ring ? 1 : 2 * ring;
                for (long dx = -ring; dx <= ring; dx += std::max(step, 1L))
                    search(cx + dx, cy + dy, x, y, best, found);
            }
        }
        return best < std::numeric_limits<double>::infinity();
    }

    void use(std::size_t path)
    {
        used_[path] = 1;
        --remaining_;
    }

private:
    const PagePoint& endPoint(std::size_t e) const
    {
        const ArtPath& p = paths_[e / 2];
        return art_.points[p.first + (e % 2 == 0 ? 0 : p.count - 1)];
    }
    long column(double x) const { return std::clamp(long(std::floor(x / cell_)), 0L, long(cols_) - 1); }
    long row(double y) const { return std::clamp(long(std::floor(y / cell_)), 0L, long(rows_) - 1); }
    std::size_t cellOf(std::size_t e) const
    {
        const PagePoint& p = endPoint(e);
        return std::size_t(row(p.y)) * cols_ + std::size_t(column(p.x));
    }

    void search(long cx, long cy, double x, double y, double& best, std::uint32_t& found)
    {
        if (cx < 0 || cy < 0 || cx >= long(cols_) || cy >= long(rows_))
            return;
        const std::size_t cell = std::size_t(cy) * cols_ + std::size_t(cx);
        const std::uint32_t first = start_[cell];
        for (std::uint32_t i = first; i < first + live_[cell];) {
            const std::uint32_t e = entries_[i];
            if (used_[e / 2]) {
                entries_[i] = entries_[first + --live_[cell]];
                continue;
            }
            const PagePoint& p = endPoint(e);
            const double d = std::hypot(double(p.x) - x, double(p.y) - y);
            if (d < best || (d == best && e < found)) {
                best = d;
                found = e;
            }
            ++i;
        }
    }

    const LineArt& art_;
    std::span<const ArtPath> paths_;
    std::size_t ends_; // 1: both ends of each path, 2: the first only
    std::vector<std::uint8_t> used_;
    double cell_ = 1.0;
    std::size_t cols_ = 1, rows_ = 1;
    std::vector<std::uint32_t> start_, live_, entries_;
    std::size_t remaining_ = 0;
};

double distance(const PagePoint& a, double x, double y)
{
    return std::hypot(double(a.x) - x, double(a.y) - y);
}

std::size_t pointCount(std::span<const ArtPath> paths)
{
    std::size_t n = 0;
    for (const ArtPath& p : paths)
        n += p.count;
    return n;
}

} // namespace

double penTravel(std::span<const PagePoint> points, std::span<const ArtPath> paths,
                 std::span<const LineStyle> styles)
{
    double travel = 0.0, x = 0.0, y = 0.0;
    for (const ArtPath& p : paths) {
        travel += distance(points[p.first], x, y);
        // An outline closes: the pen ends where it began.
        const PagePoint& end = points[styles[p.style].filled ? p.first : p.first + p.count - 1];
        x = end.x;
        y = end.y;
    }
    return travel;
}

void orderPaths(LineArt& art)
{
    std::vector<PagePoint> points;
    std::vector<ArtPath> paths;
    points.reserve(art.points.size());
    paths.reserve(art.paths.size());
    const std::span<const ArtPath> all(art.paths);
    std::size_t next = 0;
    for (std::uint32_t layer = 0; layer < art.layers.size(); ++layer) {
        ArtLayer& figures = art.layers[layer];
        const std::size_t layerFirst = next, orderedFirst = paths.size();
        double x = 0.0, y = 0.0; // the pen starts each layer at the top-left corner
        while (next < all.size() && art.styles[all[next].style].layer == layer) {
            const std::uint32_t style = all[next].style;
            std::size_t end = next;
            while (end < all.size() && all[end].style == style)
                ++end;
            const std::span<const ArtPath> group = all.subspan(next, end - next);
            const bool joins = !art.styles[style].filled;
            const std::size_t groupFirst = paths.size();
            EndIndex ends(art, group, joins);
            std::uint32_t e = 0;
            while (ends.nearest(x, y, e)) {
                const ArtPath& p = group[e / 2];
                ends.use(e / 2);
                const bool reversed = e % 2 == 1;
                const PagePoint& start = art.points[reversed ? p.first + p.count - 1 : p.first];
                const bool joined = joins && paths.size() > groupFirst && distance(start, x, y) < joinDistance;
                if (!joined)
                    paths.push_back({style, std::uint32_t(points.size()), 0});
                for (std::uint32_t k = 0; k < p.count; ++k) {
                    const PagePoint& q = art.points[reversed ? p.first + p.count - 1 - k : p.first + k];
                    if (joined && k == 0 && q == points.back())
                        continue;
                    points.push_back(q);
                }
                paths.back().count = std::uint32_t(points.size() - paths.back().first);
                const PagePoint& end = joins ? points.back() : points[paths.back().first];
                x = end.x;
                y = end.y;
            }
            next = end;
        }
        const std::span<const ArtPath> before = all.subspan(layerFirst, next - layerFirst);
        const std::span<const ArtPath> after = std::span<const ArtPath>(paths).subspan(orderedFirst);
        figures.chainedPaths = before.size();
        figures.chainedPoints = pointCount(before);
        figures.chainedTravel = penTravel(art.points, before, art.styles);
        figures.paths = after.size();
        figures.points = pointCount(after);
        figures.travel = penTravel(points, after, art.styles);
    }
    // Paths of no layer keep their place at the end.
    for (; next < all.size(); ++next) {
        const ArtPath& p = all[next];
        paths.push_back({p.style, std::uint32_t(points.size()), p.count});
        points.insert(points.end(), art.points.begin() + p.first, art.points.begin() + p.first + p.count);
    }
    art.points = std::move(points);
    art.paths = std::move(paths);
    art.polylines = 0;
    art.polylinePoints = 0;
    for (const ArtPath& p : art.paths)
        if (!art.styles[p.style].filled) {
            ++art.polylines;
            art.polylinePoints += p.count;
        }
}
