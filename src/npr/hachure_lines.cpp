#include "hachure_lines.h"

#include "iso_lines.h"
#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

double length2d(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

// The points of one band's lines, bucketed in square cells, for the question
// "does a line come within this distance?". Flat arrays, reused per band.
class SpacingGrid {
public:
    SpacingGrid(double x0, double y0, double x1, double y1, double cell)
        : x0_(x0), y0_(y0), cell_(cell), cols_(cellsAcross(x1 - x0, cell)), rows_(cellsAcross(y1 - y0, cell)),
          head_(cols_ * rows_, -1)
    {
    }

    bool near(double x, double y, double radius) const
    {
        const long range = long(std::ceil(radius / cell_));
        const long cx = column(x), cy = row(y);
        const double r2 = radius * radius;
        for (long j = std::max(0L, cy - range); j <= std::min(long(rows_) - 1, cy + range); ++j)
            for (long i = std::max(0L, cx - range); i <= std::min(long(cols_) - 1, cx + range); ++i)
                for (std::int32_t p = head_[std::size_t(j) * cols_ + std::size_t(i)]; p >= 0; p = next_[std::size_t(p)]) {
                    const double dx = xy_[2 * std::size_t(p)] - x, dy = xy_[2 * std::size_t(p) + 1] - y;
                    if (dx * dx + dy * dy < r2)
                        return true;
                }
        return false;
    }

    void add(double x, double y)
    {
        const std::size_t cell = std::size_t(row(y)) * cols_ + std::size_t(column(x));
        if (head_[cell] < 0)
            touched_.push_back(std::uint32_t(cell));
        next_.push_back(head_[cell]);
        head_[cell] = std::int32_t(next_.size() - 1);
        xy_.push_back(float(x));
        xy_.push_back(float(y));
    }

    void clear()
    {
        for (const std::uint32_t cell : touched_)
            head_[cell] = -1;
        touched_.clear();
        next_.clear();
        xy_.clear();
    }

private:
    static std::size_t cellsAcross(double extent, double cell)
    {
        return std::size_t(std::max(0.0, std::floor(extent / cell))) + 1;
    }
    long column(double x) const { return std::clamp(long(std::floor((x - x0_) / cell_)), 0L, long(cols_) - 1); }
    long row(double y) const { return std::clamp(long(std::floor((y - y0_) / cell_)), 0L, long(rows_) - 1); }

    double x0_, y0_, cell_;
    std::size_t cols_, rows_;
    std::vector<std::int32_t> head_;
    std::vector<std::int32_t> next_;
    std::vector<float> xy_;
    std::vector<std::uint32_t> touched_;
};

// The drawn surface as a line running downhill sees it.
class Slope {
public:
    explicit Slope(const MapSurface& surface) : s_(surface), w_(surface.mesh.width), h_(surface.mesh.height)
    {
        const gmVec3& origin = surface.positions[0];
        x0_ = origin[0];
        y0_ = origin[1];
        dx_ = surface.positions[1][0] - x0_;
        dy_ = surface.positions[w_][1] - y0_;
    }

    const MeshGrid& mesh() const { return s_.mesh; }

    // The face that holds (x, y); none off the mesh or in a void.
    std::optional<MeshFace> locate(double x, double y) const
    {
        const double u = (x - x0_) / dx_, v = (y - y0_) / dy_;
        if (!(u >= 0.0 && v >= 0.0 && u <= double(w_ - 1) && v <= double(h_ - 1)))
            return std::nullopt;
        const std::size_t c = std::min(std::size_t(u), w_ - 2), r = std::min(std::size_t(v), h_ - 2);
        const bool upper = (u - double(c)) + (v - double(r)) > 1.0;
        if (!s_.mesh.has(r, c, upper))
            return std::nullopt;
        return MeshFace{r, c, upper};
    }

    // A vertex's position as the mesh places it (x, y on the regular grid, z
    // the drawing height), from the heights alone: a line running downhill
    // visits vertices all over the grid, and four bytes a vertex stay in the
    // cache where a position's twenty-four do not.
    double x(std::size_t v) const { return x0_ + double(v % w_) * dx_; }
    double y(std::size_t v) const { return y0_ + double(v / w_) * dy_; }
    double z(std::size_t v) const { return (height(v) - s_.minHeight) * s_.zPerHeight; }
    double height(std::size_t v) const { return s_.heights[v]; }

    // The height's gradient at a vertex (height units per model unit), by
    // central differences over its valid neighbours, one-sided beside a void
    // or the border.
    std::array<double, 2> gradient(std::size_t v) const
    {
        const std::size_t r = v / w_, c = v % w_;
        const auto along = [&](bool low, bool high, std::size_t step, double spacing) {
            const double before = low ? height(v - step) : height(v), after = high ? height(v + step) : height(v);
            const int apart = int(low) + int(high);
            return apart == 0 ? 0.0 : (after - before) / (apart * spacing);
        };
        const ValidMask& valid = s_.mesh.valid;
        return {along(c > 0 && isValidAt(valid, r, c - 1), c + 1 < w_ && isValidAt(valid, r, c + 1), 1, dx_),
                along(r > 0 && isValidAt(valid, r - 1, c), r + 1 < h_ && isValidAt(valid, r + 1, c), w_, dy_)};
    }

private:
    const MapSurface& s_;
    std::size_t w_, h_;
    double x0_, y0_, dx_, dy_;
};

// One face's plane: barycentric coordinates, the height's gradient.
struct FacePlane {
    FacePlane(const Slope& slope, const MeshFace& f)
    {
        const std::array<std::size_t, 3> v = slope.mesh().corners(f);
        for (int k = 0; k < 3; ++k) {
            px[k] = slope.x(v[k]);
            py[k] = slope.y(v[k]);
            z[k] = slope.z(v[k]);
            f0[k] = slope.height(v[k]);
            const std::array<double, 2> g = slope.gradient(v[k]);
            cgx[k] = g[0];
            cgy[k] = g[1];
        }
        const double e1x = px[1] - px[0], e1y = py[1] - py[0], e2x = px[2] - px[0], e2y = py[2] - py[0];
        det = e1x * e2y - e1y * e2x;
        const double d1 = f0[1] - f0[0], d2 = f0[2] - f0[0];
        gx = (d1 * e2y - d2 * e1y) / det;
        gy = (d2 * e1x - d1 * e2x) / det;
    }
    // The weight of corner k at (x, y): 1 at the corner, 0 on the edge
    // across from it.
    double weight(int k, double x, double y) const
    {
        const int i = (k + 1) % 3, j = (k + 2) % 3;
        return ((px[j] - px[i]) * (y - py[i]) - (py[j] - py[i]) * (x - px[i])) / det;
    }
    double at(const double values[3], double x, double y) const
    {
        return weight(0, x, y) * values[0] + weight(1, x, y) * values[1] + weight(2, x, y) * values[2];
    }
    // How far from (x, y) along the unit direction (ux, uy) the face ends,
    // and across which edge (i: from corner i to corner i + 1); -1 for none.
    double exit(double x, double y, double ux, double uy, int& edge) const
    {
        double best = std::numeric_limits<double>::infinity();
        edge = -1;
        for (int i = 0; i < 3; ++i) {
            const int k = (i + 2) % 3; // the corner across from edge i
            const int j = (i + 1) % 3;
            const double rate = ((px[j] - px[i]) * uy - (py[j] - py[i]) * ux) / det;
            if (rate >= -1e-12)
                continue;
            const double t = std::max(0.0, weight(k, x, y)) / -rate;
            if (t < best) {
                best = t;
                edge = i;
            }
        }
        return best;
    }

    double px[3], py[3], z[3], f0[3];
    double cgx[3], cgy[3]; // the corners' gradients, whose blend runs smoothly across faces
    double det, gx, gy;    // the face's own gradient
};

class HachureBuilder {
public:
    HachureBuilder(const MapSurface& surface, const HachureRules& rules, LineFamily& out)
        : surface_(surface), slope_(surface), rules_(rules), out_(out),
          grid_(surface.positions.front()[0], surface.positions.front()[1], surface.positions.back()[0],
                surface.positions.back()[1], rules.crowded * rules.spacing),
          maxSteps_(8 * (surface.mesh.width + surface.mesh.height)),
          maxStep_(0.5 * std::min(std::abs(surface.positions[1][0] - surface.positions[0][0]),
                                  std::abs(surface.positions[surface.mesh.width][1] - surface.positions[0][1])))
    {
    }

    void startBand(double bottom)
    {
        bottom_ = bottom;
        grid_.clear();
    }

    // Lines from the points of a polyline of one of the band's levels, at
    // `step` apart from `offset` on; each starts where no line of the band
    // is within the spread distance.
    void startAlong(std::span<const float> line, double offset, double step)
    {
        double next = offset, walked = 0.0;
        for (std::size_t k = 3; k < line.size(); k += 3) {
            const double ax = line[k - 3], ay = line[k - 2], bx = line[k], by = line[k + 1];
            const double length = length2d(bx - ax, by - ay);
            for (; next <= walked + length && length > 0.0; next += step) {
                const double u = (next - walked) / length;
                const double x = ax + u * (bx - ax), y = ay + u * (by - ay);
                // The line keeps its higher side on its left: downhill is right.
                traceFrom(x, y, (by - ay) / length, (ax - bx) / length);
            }
            walked += length;
        }
    }

private:
    // Traces a line down the gradient blended from the face's corners, which
    // turns smoothly from face to face instead of breaking at every edge,
    // while every point lies on the face it is in.
    void traceFrom(double x, double y, double downX, double downY)
    {
        const double spread = rules_.spread * rules_.spacing, near = rules_.crowded * rules_.spacing;
        if (grid_.near(x, y, spread))
            return;
        const double nudge = 1e-3 * rules_.spacing;
        std::optional<MeshFace> face = slope_.locate(x + nudge * downX, y + nudge * downY);
        if (!face)
            return;
        line_.clear();
        double length = 0.0, slopeLength = 0.0;
        std::optional<FacePlane> plane(std::in_place, slope_, *face);
        double height = plane->at(plane->f0, x, y);
        addPoint(x, y, plane->at(plane->z, x, y));
        double lastX = downX, lastY = downY;
        int stuck = 0; // steps that only changed the face
        for (std::size_t steps = 0; steps < maxSteps_; ++steps) {
            const double gx = plane->at(plane->cgx, x, y), gy = plane->at(plane->cgy, x, y);
            const double g = length2d(gx, gy);
            const double drawnSlope = g * surface_.zPerHeight;
            if (!(drawnSlope >= rules_.minSlope))
                break;
            const double ux = -gx / g, uy = -gy / g;
            // Descending on the face itself, and not turning back: across a
            // valley line the blended gradient swings round.
            const double descent = -(plane->gx * ux + plane->gy * uy);
            if (!(descent > 0.0) || ux * lastX + uy * lastY < 0.5)
                break;
            int edge = -1;
            const double exit = plane->exit(x, y, ux, uy, edge);
            if (edge < 0)
                break;
            double t = std::min(exit, maxStep_);
            const bool reachesBottom = height - descent * t <= bottom_;
            if (reachesBottom)
                t = std::max(0.0, (height - bottom_) / descent);
            // Stops where another line of the band comes too close.
            const double sample = 0.5 * near;
            const int samples = std::max(1, int(std::ceil(t / sample)));
            bool crowded = false;
            for (int k = 1; k <= samples && !crowded; ++k) {
                const double tk = t * k / samples;
                crowded = grid_.near(x + tk * ux, y + tk * uy, near);
                if (crowded)
                    t = t * (k - 1) / samples; // the last sample clear of the other line
            }
            if (t > 1e-9 * rules_.spacing) {
                x += t * ux;
                y += t * uy;
                height = plane->at(plane->f0, x, y);
                addPoint(x, y, plane->at(plane->z, x, y));
                length += t;
                slopeLength += t * drawnSlope;
                lastX = ux;
                lastY = uy;
                stuck = 0;
            }
            if (reachesBottom || crowded)
                break;
            if (t < exit)
                continue; // a step within the face
            // On to the next face: through a corner the line may only touch
            // one on its way, so a few steps that only change the face are
            // allowed before it counts as stuck.
            face = surface_.mesh.across(*face, edge);
            if (!face || ++stuck > 3)
                break;
            plane.emplace(slope_, *face);
        }
        // Dashes no longer than the spacing read as texture, not as slope
        // lines: they are left out.
        if (length < rules_.shortest * rules_.spacing)
            return;
        keep(slopeLength / length);
    }

    void addPoint(double x, double y, double z)
    {
        line_.insert(line_.end(), {float(x), float(y), float(z)});
    }

    // Adds the traced line in the width of its mean slope, and its points
    // every quarter spacing to the band's grid.
    void keep(double meanSlope)
    {
        const double share = (meanSlope - rules_.minSlope) / (rules_.fullSlope - rules_.minSlope);
        const int width = std::clamp(int(share * HachureRules::widths), 0, HachureRules::widths - 1);
        out_.addPolyline(std::uint16_t(width), line_);
        const double sample = 0.5 * rules_.crowded * rules_.spacing;
        grid_.add(line_[0], line_[1]);
        for (std::size_t k = 3; k < line_.size(); k += 3) {
            const double ax = line_[k - 3], ay = line_[k - 2], bx = line_[k], by = line_[k + 1];
            const int n = std::max(1, int(std::ceil(length2d(bx - ax, by - ay) / sample)));
            for (int i = 1; i <= n; ++i)
                grid_.add(ax + (bx - ax) * i / n, ay + (by - ay) * i / n);
        }
    }

    const MapSurface& surface_;
    Slope slope_;
    const HachureRules& rules_;
    LineFamily& out_;
    SpacingGrid grid_;
    std::size_t maxSteps_;
    double maxStep_; // half a cell: the blended gradient turns within a face
    double bottom_ = 0.0;
    std::vector<float> line_;
};

} // namespace

double hachureSpacingFor(const MapSurface& surface, const MapLineSettings& settings)
{
    const double asked = settings.hachureSpacing;
    const bool given = asked > 0.0 && std::isfinite(asked) && surface.metresPerModelUnit > 0.0;
    const double spacing = given ? asked / surface.metresPerModelUnit : surface.longerSide() / 150.0;
    // The longer side of a cell: narrower spacings would only multiply the
    // lines without showing more of the surface.
    const std::size_t w = surface.mesh.width;
    const double cell = surface.positions.size() > w && w > 1
                            ? std::max(surface.positions[1][0] - surface.positions[0][0],
                                       surface.positions[w][1] - surface.positions[0][1])
                            : 0.0;
    if (spacing >= cell)
        return spacing;
    if (given)
        std::printf("A hachure spacing of %g m is less than a cell of the grid drawn; hachures are drawn a cell "
                    "(%g m) apart\n",
                    asked, cell * surface.metresPerModelUnit);
    return cell;
}

double hachureInterval(const MapSurface& surface, double contourInterval, const HachureRules& rules)
{
    const std::size_t w = surface.mesh.width, h = surface.mesh.height;
    if (!(contourInterval > 0.0) || !(rules.spacing > 0.0) || w < 2 || h < 2 || surface.positions.size() < w * h
        || surface.heights.size() < w * h || !(surface.zPerHeight > 0.0))
        return contourInterval;
    // The gradients of the faces of every stride-th row and column: about
    // 2^18 faces whatever the grid's size.
    const Slope slope(surface);
    const std::size_t stride =
        std::max<std::size_t>(1, std::size_t(std::sqrt(double((w - 1) * (h - 1)) / double(1 << 17))));
    std::vector<float> gradients;
    gradients.reserve(2 * ((w - 2) / stride + 1) * ((h - 2) / stride + 1));
    const double steepEnough = rules.minSlope / surface.zPerHeight;
    for (std::size_t r = 0; r + 1 < h; r += stride)
        for (std::size_t c = 0; c + 1 < w; c += stride)
            for (const bool upper : {false, true}) {
                if (!surface.mesh.has(r, c, upper))
                    continue;
                const FacePlane plane(slope, MeshFace{r, c, upper});
                const double g = length2d(plane.gx, plane.gy);
                if (g >= steepEnough)
                    gradients.push_back(float(g));
            }
    if (gradients.empty())
        return contourInterval;
    const auto middle = gradients.begin() + std::ptrdiff_t(gradients.size() / 2);
    std::nth_element(gradients.begin(), middle, gradients.end());
    // A band's height is its length times the slope.
    const double wanted = rules.bandSpacings * rules.spacing * double(*middle);
    const double most = std::floor((surface.maxHeight - surface.minHeight) / (2.0 * contourInterval));
    const double multiple = std::min(std::ceil(wanted / contourInterval), most);
    return std::max(1.0, multiple) * contourInterval;
}

FamilyStyle hachureStyle(int k)
{
    // From thin light grey on gentle slopes to wide black on the steepest.
    const float share = (float(k) + 0.5f) / float(HachureRules::widths);
    return {0.5f + 2.0f * share, 0.6f * (1.0f - share), 1.0f};
}

void buildHachures(const MapSurface& surface, std::span<const double> levels, double interval,
                   const HachureRules& rules, LineFamily& hachures)
{
    hachures.name = "hachures";
    for (int k = 0; k < HachureRules::widths; ++k)
        hachures.styles.push_back(hachureStyle(k));
    const std::size_t w = surface.mesh.width, h = surface.mesh.height;
    if (levels.empty() || !(interval > 0.0) || !(rules.spacing > 0.0) || w < 2 || h < 2
        || surface.positions.size() < w * h || surface.heights.size() < w * h)
        return;
    // The levels that start lines, band by band from the lowest: a band's
    // lowest start level first, its upper level last.
    const int per = std::max(1, rules.startLevels);
    std::vector<double> starts;
    for (std::size_t band = 0; band <= levels.size(); ++band) {
        const double top = band < levels.size() ? levels[band] : levels.back() + interval;
        for (int j = per - 1; j >= 0; --j)
            starts.push_back(top - interval * j / per);
    }
    LineFamily cut;
    isoLines(surface.mesh, surface.positions, surface.heights, starts, cut);
    // The polylines of each start level, in order.
    std::vector<std::uint32_t> first(starts.size() + 1, 0), order(cut.polylineCount());
    for (const std::uint16_t level : cut.styleOf)
        ++first[level + 1u];
    for (std::size_t k = 1; k < first.size(); ++k)
        first[k] += first[k - 1];
    std::vector<std::uint32_t> fill(first.begin(), first.end() - 1);
    for (std::size_t i = 0; i < cut.polylineCount(); ++i)
        order[fill[cut.styleOf[i]]++] = std::uint32_t(i);

    HachureBuilder builder(surface, rules, hachures);
    const double s = rules.spacing;
    for (std::size_t band = 0; band <= levels.size() && !stopRequested(); ++band) {
        builder.startBand(starts[band * per + per - 1] - interval);
        for (int j = 0; j < per; ++j) {
            const std::size_t level = band * per + std::size_t(per - 1 - j);
            // The upper level starts lines a spacing apart; the lower ones
            // fill the gaps where lines have spread.
            const double step = j == 0 ? s : s / 4.0;
            for (std::uint32_t k = first[level]; k < first[level + 1]; ++k)
                builder.startAlong(cut.polyline(order[k]), step / 2.0, step);
        }
    }
    if (hachures.polylineCount() == 0 && !stopRequested())
        std::printf("No hachures: no slope steeper than 1 in %g runs a spacing (%g m) down the terrain drawn; a "
                    "vertical exaggeration brings out gentle relief\n",
                    1.0 / rules.minSlope, rules.spacing * surface.metresPerModelUnit);
}
