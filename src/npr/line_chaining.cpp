#include "line_chaining.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

// A piece end at a vertex: which style, and which side of the direction
// leaving the vertex along the piece the piece's half lies on.
struct EndKey {
    std::uint32_t style;
    std::uint32_t vertex;
    int side;
    auto operator<=>(const EndKey&) const = default;
};

// The piece ends that meet: sorted by key, so that the ends that continue
// a given end form one run.
class EndIndex {
public:
    explicit EndIndex(std::span<const LinePiece> pieces) : pieces_(pieces)
    {
        for (std::size_t p = 0; p < pieces.size(); ++p)
            for (int end = 0; end < 2; ++end)
                if (vertexAt(p, end) != noVertex)
                    ends_.push_back({keyOf(p, end), 2 * p + std::size_t(end)});
        std::sort(ends_.begin(), ends_.end(),
                  [](const End& a, const End& b) { return std::tie(a.key, a.pieceEnd) < std::tie(b.key, b.pieceEnd); });
    }

    // The ends (2 x piece + end) that continue a chain leaving a piece
    // through pieceEnd: the same style at the same vertex, on the same side
    // of the chain; pieceEnd itself may be among them.
    std::span<const std::size_t> continuations(std::size_t pieceEnd) const
    {
        const std::size_t p = pieceEnd / 2;
        const int end = int(pieceEnd % 2);
        if (vertexAt(p, end) == noVertex)
            return {};
        EndKey wanted = keyOf(p, end);
        wanted.side = -wanted.side;
        const auto [first, last] = std::equal_range(ends_.begin(), ends_.end(), End{wanted, 0},
                                                    [](const End& a, const End& b) { return a.key < b.key; });
        runEnds_.clear();
        for (auto it = first; it != last; ++it)
            runEnds_.push_back(it->pieceEnd);
        return runEnds_;
    }

private:
    struct End {
        EndKey key;
        std::size_t pieceEnd;
    };
    std::uint32_t vertexAt(std::size_t p, int end) const { return end == 0 ? pieces_[p].v0 : pieces_[p].v1; }
    // A piece's side seen from the direction leaving the vertex along it.
    EndKey keyOf(std::size_t p, int end) const
    {
        return {pieces_[p].style, vertexAt(p, end), end == 0 ? pieces_[p].side : -pieces_[p].side};
    }

    std::span<const LinePiece> pieces_;
    std::vector<End> ends_;
    mutable std::vector<std::size_t> runEnds_;
};

float roundToHundredth(double v)
{
    return float(std::round(v * 100.0) / 100.0);
}

class ChainWriter {
public:
    ChainWriter(double minLength, LineArt& art) : minLength_(minLength), art_(art) {}

    void start(std::uint32_t style, double x, double y)
    {
        style_ = style;
        first_ = art_.points.size();
        length_ = 0.0;
        art_.points.push_back({roundToHundredth(x), roundToHundredth(y)});
    }
    void add(double x, double y)
    {
        const PagePoint p{roundToHundredth(x), roundToHundredth(y)};
        const PagePoint& last = art_.points.back();
        if (p == last)
            return;
        length_ += std::hypot(double(p.x) - double(last.x), double(p.y) - double(last.y));
        art_.points.push_back(p);
    }
    void finish()
    {
        const std::size_t count = art_.points.size() - first_;
        if (count < 2 || length_ < minLength_) {
            art_.points.resize(first_);
            return;
        }
        art_.paths.push_back({style_, std::uint32_t(first_), std::uint32_t(count)});
        ++art_.polylines;
        art_.polylinePoints += count;
    }

private:
    double minLength_;
    LineArt& art_;
    std::uint32_t style_ = 0;
    std::size_t first_ = 0;
    double length_ = 0.0;
};

} // namespace

void chainPieces(std::span<const LinePiece> pieces, double minLength, LineArt& art)
{
    art.pieces += pieces.size();
    const EndIndex index(pieces);
    std::vector<bool> used(pieces.size(), false);
    ChainWriter writer(minLength, art);

    const auto point = [&](std::size_t p, int end, double& x, double& y) {
        x = end == 0 ? pieces[p].x0 : pieces[p].x1;
        y = end == 0 ? pieces[p].y0 : pieces[p].y1;
    };
    // Runs a chain that enters piece p at its end `entry`, on through the
    // first unused continuation at each vertex.
    const auto run = [&](std::size_t p, int entry) {
        double x, y;
        used[p] = true;
        point(p, entry, x, y);
        writer.start(pieces[p].style, x, y);
        for (;;) {
            const int exit = 1 - entry;
            point(p, exit, x, y);
            writer.add(x, y);
            std::size_t next = std::size_t(-1);
            for (const std::size_t other : index.continuations(2 * p + std::size_t(exit)))
                if (!used[other / 2]) {
                    next = other;
                    break;
                }
            if (next == std::size_t(-1))
                break;
            p = next / 2;
            entry = int(next % 2);
            used[p] = true;
        }
        writer.finish();
    };
    // An end through which the chain continues exactly one way.
    const auto passesThrough = [&](std::size_t p, int end) {
        std::size_t others = 0;
        for (const std::size_t other : index.continuations(2 * p + std::size_t(end)))
            others += other / 2 != p;
        return others == 1;
    };

    for (std::size_t p = 0; p < pieces.size(); ++p) {
        if (used[p])
            continue;
        if (!passesThrough(p, 0))
            run(p, 0);
        else if (!passesThrough(p, 1))
            run(p, 1);
    }
    for (std::size_t p = 0; p < pieces.size(); ++p)
        if (!used[p])
            run(p, 0);
}
