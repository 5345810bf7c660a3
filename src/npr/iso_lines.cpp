#include "iso_lines.h"

#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Where a level cuts a face: the edge (from corner i to corner i + 1, the
// corners counter-clockwise) where the line comes in, leaving the part at or
// above the level on its left, and the edge where it goes out.
struct FaceCut {
    int in = -1, out = -1;
};

FaceCut cutOf(const double f[3], double level)
{
    FaceCut cut;
    for (int i = 0; i < 3; ++i) {
        const bool here = f[i] >= level, next = f[(i + 1) % 3] >= level;
        if (here && !next)
            cut.in = i;
        else if (!here && next)
            cut.out = i;
    }
    return cut;
}

class IsoLineWalker {
public:
    IsoLineWalker(const MeshGrid& mesh, std::span<const gmVec3> positions, std::span<const float> field,
                  std::span<const double> levels, const IsoPieceStyle& pieceStyle)
        : mesh_(mesh), positions_(positions), field_(field), levels_(levels), pieceStyle_(pieceStyle),
          cellsAcross_(mesh.width - 1)
    {
    }

    // Buckets the faces by the levels that cut them, in row order.
    bool collect()
    {
        // Per vertex, how many levels lie at or below its value: a face is
        // cut by the levels from its corners' smallest count to their largest.
        below_.resize(field_.size());
        for (std::size_t v = 0; v < below_.size(); ++v) {
            if (stopRequestedAt(v))
                return false;
            const double f = field_[v];
            below_[v] = std::isfinite(f) ? std::uint16_t(std::upper_bound(levels_.begin(), levels_.end(), f) - levels_.begin())
                                         : noCount;
        }
        std::vector<std::uint32_t> count(levels_.size() + 1, 0);
        if (!forEachCut([&](std::uint32_t, std::size_t level) { ++count[level + 1]; }))
            return false;
        for (std::size_t k = 1; k < count.size(); ++k)
            count[k] += count[k - 1];
        first_ = count;
        faces_.resize(first_.back());
        return forEachCut([&](std::uint32_t face, std::size_t level) { faces_[count[level]++] = face; });
    }

    // Points the polylines will hold: one per face cut, and one more per
    // open polyline, of which there are few.
    std::size_t pointsExpected() const { return faces_.size() + faces_.size() / 16 + 64; }

    // Each level's faces walked into polylines through the edges they share.
    void chain(LineFamily& out)
    {
        visited_.assign((2 * cellsAcross_ * (mesh_.height - 1) + 63) / 64, 0);
        for (std::size_t k = 0; k < levels_.size() && !stopRequested(); ++k) {
            const std::span<const std::uint32_t> faces(faces_.data() + first_[k], first_[k + 1] - first_[k]);
            // Open lines start where the mesh ends (its border, a void);
            // what is left are closed loops.
            for (const std::uint32_t face : faces)
                if (!isVisited(face) && !mesh_.across(faceAt(face), cut(face, k).in))
                    walk(face, k, out);
            for (const std::uint32_t face : faces)
                if (!isVisited(face))
                    walk(face, k, out);
            for (const std::uint32_t face : faces)
                visited_[face / 64] = 0;
        }
    }

private:
    // Calls fn(face, level) for every level that cuts every face.
    template <typename Fn>
    bool forEachCut(Fn fn) const
    {
        for (std::size_t r = 0; r + 1 < mesh_.height; ++r) {
            if (stopRequested())
                return false;
            for (std::size_t c = 0; c + 1 < mesh_.width; ++c) {
                // Most cells lie between two levels: no level cuts them.
                const std::size_t a = r * mesh_.width + c;
                const std::uint16_t n = below_[a];
                if (n != noCount && below_[a + 1] == n && below_[a + mesh_.width] == n
                    && below_[a + mesh_.width + 1] == n)
                    continue;
                const unsigned present = mesh_.faces(r, c);
                for (const bool upper : {false, true}) {
                    if (!(present & (upper ? upperFace : lowerFace)))
                        continue;
                    const MeshFace face{r, c, upper};
                    const std::array<std::size_t, 3> v = mesh_.corners(face);
                    const std::uint16_t n[3] = {below_[v[0]], below_[v[1]], below_[v[2]]};
                    if (n[0] == noCount || n[1] == noCount || n[2] == noCount)
                        continue; // a corner with no value
                    const std::size_t low = std::min({n[0], n[1], n[2]}), high = std::max({n[0], n[1], n[2]});
                    for (std::size_t k = low; k < high; ++k)
                        fn(indexOf(face), k);
                }
            }
        }
        return true;
    }

    // Follows a level's line from face to face, a polyline for each run of
    // pieces in one style.
    void walk(std::uint32_t face, std::size_t level, LineFamily& out)
    {
        MeshFace f = faceAt(face);
        std::array<std::size_t, 3> v = mesh_.corners(f);
        FaceCut c = cutAt(v, level);
        std::uint16_t drawn = skipIsoPiece; // the style of the polyline being drawn
        for (;;) {
            visited_[face / 64] |= std::uint64_t(1) << (face % 64);
            const IsoCrossing in = crossingAt(v, c.in, level), leave = crossingAt(v, c.out, level);
            const std::uint16_t style = pieceStyle_ ? pieceStyle_(level, in, leave) : std::uint16_t(level);
            if (style != drawn) {
                out.end();
                if (style != skipIsoPiece) {
                    out.begin(style);
                    addPoint(in, out);
                }
                drawn = style;
            }
            if (style != skipIsoPiece)
                addPoint(leave, out);
            const std::optional<MeshFace> next = mesh_.across(f, c.out);
            if (!next || isVisited(indexOf(*next)))
                break;
            f = *next;
            face = indexOf(f);
            v = mesh_.corners(f);
            c = cutAt(v, level);
        }
        out.end();
    }

    FaceCut cut(std::uint32_t face, std::size_t level) const { return cutAt(mesh_.corners(faceAt(face)), level); }
    FaceCut cutAt(const std::array<std::size_t, 3>& v, std::size_t level) const
    {
        const double f[3] = {field_[v[0]], field_[v[1]], field_[v[2]]};
        return cutOf(f, levels_[level]);
    }

    // The level's crossing with edge i of the face, computed from the edge's
    // lower vertex index, so that both faces of the edge give the same point.
    IsoCrossing crossingAt(const std::array<std::size_t, 3>& v, int i, std::size_t level) const
    {
        const std::size_t a = std::min(v[i], v[(i + 1) % 3]), b = std::max(v[i], v[(i + 1) % 3]);
        const double fa = field_[a], fb = field_[b];
        const double t = (levels_[level] - fa) / (fb - fa);
        return {a, b, t >= 0.0 ? std::min(t, 1.0) : 0.0};
    }

    void addPoint(const IsoCrossing& x, LineFamily& out) const
    {
        const gmVec3 p = positions_[x.from] + x.t * (positions_[x.to] - positions_[x.from]);
        const float px = float(p[0]), py = float(p[1]), pz = float(p[2]);
        const std::size_t count = out.pointCount() - out.starts[out.starts.size() - 2];
        if (count > 0) {
            const float* last = &out.points[out.points.size() - 3];
            if (last[0] == px && last[1] == py && last[2] == pz)
                return; // a level through a vertex meets it from several edges
        }
        out.add(px, py, pz);
    }

    std::uint32_t indexOf(const MeshFace& f) const
    {
        return std::uint32_t(2 * (f.r * cellsAcross_ + f.c) + (f.upper ? 1 : 0));
    }
    MeshFace faceAt(std::uint32_t face) const
    {
        const std::size_t cell = face / 2;
        return {cell / cellsAcross_, cell % cellsAcross_, (face & 1) != 0};
    }
    bool isVisited(std::uint32_t face) const { return (visited_[face / 64] >> (face % 64)) & 1; }

    const MeshGrid& mesh_;
    std::span<const gmVec3> positions_;
    std::span<const float> field_;
    std::span<const double> levels_;
    const IsoPieceStyle& pieceStyle_;
    std::size_t cellsAcross_;
    // The faces each level cuts: level k's are faces_[first_[k]] to
    // faces_[first_[k + 1] - 1].
    std::vector<std::uint32_t> first_;
    std::vector<std::uint32_t> faces_;
    std::vector<std::uint64_t> visited_; // a bit per face
    static constexpr std::uint16_t noCount = 0xFFFF;
    std::vector<std::uint16_t> below_;   // per vertex
};

} // namespace

void isoLines(const MeshGrid& mesh, std::span<const gmVec3> positions, std::span<const float> field,
              std::span<const double> levels, LineFamily& out, const IsoPieceStyle& pieceStyle)
{
    const std::size_t w = mesh.width, h = mesh.height;
    if (w < 2 || h < 2 || positions.size() < w * h || field.size() < w * h || levels.empty())
        return;
    IsoLineWalker walker(mesh, positions, field, levels.first(std::min(levels.size(), maxIsoLevels)), pieceStyle);
    if (!walker.collect())
        return;
    out.points.reserve(out.points.size() + 3 * walker.pointsExpected());
    walker.chain(out);
}

void isoLines(const MeshGrid& mesh, std::span<const gmVec3> positions, std::span<const float> field,
              std::span<const double> levels, LineFamily& out)
{
    isoLines(mesh, positions, field, levels, out, IsoPieceStyle());
}
