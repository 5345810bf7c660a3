#include "surface_segments.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

// The segments of all parts as one list.
class SegmentList {
public:
    explicit SegmentList(std::span<const std::vector<SurfaceSegment>> parts) : parts_(parts)
    {
        std::size_t total = 0;
        for (const std::vector<SurfaceSegment>& part : parts)
            starts_.push_back(total += part.size());
    }
    std::size_t size() const { return starts_.empty() ? 0 : starts_.back(); }
    const SurfaceSegment& operator[](std::size_t i) const
    {
        std::size_t p = 0;
        while (i >= starts_[p])
            ++p;
        return parts_[p][p == 0 ? i : i - starts_[p - 1]];
    }

private:
    std::span<const std::vector<SurfaceSegment>> parts_;
    std::vector<std::size_t> starts_; // the end of each part in the list
};

} // namespace

void chainSegments(std::span<const std::vector<SurfaceSegment>> parts, std::uint32_t width, ChainBuffers& work,
                   LineFamily& family)
{
    const SegmentList segments(parts);
    const std::size_t n = segments.size();
    // The end that continues each end: the other one on the same edge, in
    // the same style. An edge lies in at most two triangles, so at most two
    // ends meet on it, and both come while the rows of its cells pass: the
    // ends waiting for a partner need one slot per edge of two vertex rows,
    // an edge's slot being shared with the edges two rows further on.
    const std::size_t rowEdges = 3 * std::size_t(width);
    std::vector<std::uint32_t> waiting(2 * rowEdges, none);
    std::vector<std::uint32_t>& next = work.next;
    next.assign(2 * n, none);
    const auto edgeOf = [&](std::uint32_t end) {
        return end % 2 == 0 ? segments[end / 2].edgeA : segments[end / 2].edgeB;
    };
    for (std::uint32_t end = 0; end < 2 * n; ++end) {
        const std::uint32_t edge = edgeOf(end);
        std::uint32_t& slot = waiting[(edge / rowEdges % 2) * rowEdges + edge % rowEdges];
        if (slot != none && edgeOf(slot) == edge) {
            if (segments[slot / 2].style == segments[end / 2].style) {
                next[slot] = end;
                next[end] = slot;
            }
            slot = none;
        } else {
            slot = end;
        }
    }

    std::vector<std::uint8_t>& used = work.used;
    used.assign(n, 0);
    const auto point = [&](std::uint32_t end) {
        const SurfaceSegment& s = segments[end / 2];
        return end % 2 == 0 ? s.a : s.b;
    };
    // Runs a chain entering segment `end / 2` through `end`.
    const auto run = [&](std::uint32_t end) {
        family.begin(segments[end / 2].style);
        const float* p = point(end);
        family.add(p[0], p[1], p[2]);
        for (;;) {
            used[end / 2] = 1;
            const std::uint32_t exit = end ^ 1u;
            p = point(exit);
            family.add(p[0], p[1], p[2]);
            end = next[exit];
            if (end == none || used[end / 2])
                break;
        }
    };
    family.points.reserve(family.points.size() + 3 * (n + n / 4 + 1));
    // Open chains from their free ends first, then the closed loops.
    for (std::uint32_t end = 0; end < 2 * n; ++end)
        if (!used[end / 2] && next[end] == none)
            run(end);
    for (std::uint32_t end = 0; end < 2 * n; end += 2)
        if (!used[end / 2])
            run(end);
    family.end();
}

void resetFadedFamily(LineFamily& family, const char* name, float width, float grey)
{
    family.clear();
    family.name = name;
    family.styles.clear();
    for (int i = 1; i <= fadeSteps; ++i)
        family.styles.push_back({width, grey, float(i) / fadeSteps});
}

std::uint16_t fadeStyle(double fade)
{
    if (!(fade > 0.0))
        return 0;
    return std::uint16_t(std::clamp(int(fade * fadeSteps), 0, fadeSteps - 1));
}
