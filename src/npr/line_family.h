// A line family: polylines that lie on the terrain's surface, in the model
// coordinates of the drawn mesh, each drawn in one of the family's styles.
// Contours, profiles, hachures, ridges and valleys, suggestive contours: every
// line the viewer draws besides the two silhouette passes has this shape, so
// that one drawing path, one export path and one panel serve them all.
// Flat arrays: no heap object per polyline or segment.
#ifndef LINE_FAMILY_H
#define LINE_FAMILY_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct FamilyStyle {
    float width = 1.0f; // pixels on screen
    float grey = 0.0f;  // 0 black to 1 white
    float alpha = 1.0f;
    bool operator==(const FamilyStyle&) const = default;
};

struct LineFamily {
    // The family's label, which names its layer in a vector drawing
    // ("contours", "index contours", "ridges", ...).
    std::string name;
    // x, y, z of each point, one after the other.
    std::vector<float> points;
    // Polyline i holds the points starts[i] to starts[i + 1] - 1; the last
    // entry is the point count, so starts holds one more entry than there
    // are polylines (or none at all for an empty family).
    std::vector<std::uint32_t> starts;
    // The style of each polyline: an index into styles.
    std::vector<std::uint16_t> styleOf;
    std::vector<FamilyStyle> styles;

    std::size_t pointCount() const { return points.size() / 3; }
    std::size_t polylineCount() const { return starts.empty() ? 0 : starts.size() - 1; }
    std::span<const float> polyline(std::size_t i) const
    {
        return {points.data() + 3 * std::size_t(starts[i]), 3 * std::size_t(starts[i + 1] - starts[i])};
    }

    // Building: begin a polyline in a style, then add its points. A polyline
    // left with fewer than two points is dropped by the next begin or by end.
    void begin(std::uint16_t style)
    {
        dropShortLast();
        if (starts.empty())
            starts.push_back(0);
        styleOf.push_back(style);
        starts.push_back(std::uint32_t(pointCount()));
    }
    void add(float x, float y, float z)
    {
        points.insert(points.end(), {x, y, z});
        starts.back() = std::uint32_t(pointCount());
    }
    void end() { dropShortLast(); }
    // A whole polyline from x, y, z triples.
    void addPolyline(std::uint16_t style, std::span<const float> xyz)
    {
        begin(style);
        points.insert(points.end(), xyz.begin(), xyz.end());
        starts.back() = std::uint32_t(pointCount());
        end();
    }

    void clear()
    {
        points.clear();
        starts.clear();
        styleOf.clear();
    }
    std::size_t bytes() const
    {
        return points.capacity() * sizeof(float) + starts.capacity() * sizeof(std::uint32_t)
               + styleOf.capacity() * sizeof(std::uint16_t) + styles.capacity() * sizeof(FamilyStyle);
    }

private:
    void dropShortLast()
    {
        const std::size_t n = polylineCount();
        if (n == 0 || starts[n] - starts[n - 1] >= 2)
            return;
        points.resize(3 * std::size_t(starts[n - 1]));
        starts.pop_back();
        styleOf.pop_back();
        if (starts.size() == 1)
            starts.clear();
    }
};

#endif
