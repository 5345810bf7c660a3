// Map lines on analytic grids with known answers: contours of a cone,
// profiles of a tilted plane, hachures down a hill, and voids left alone.
#include "contour_lines.h"
#include "hachure_lines.h"
#include "iso_lines.h"
#include "jgrid.h"
#include "map_lines.h"
#include "profile_lines.h"

#include "support/console_capture.h"
#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double modelCell = 1.0 / 50.0; // model units per cell

// A grid, its mesh's vertices and the surface the map lines see.
struct Terrain {
    JGrid grid;
    std::vector<gmVec3> vertices, normals, faceNormals;
    std::vector<Face> faces;

    Terrain(unsigned w, unsigned h, const std::function<float(unsigned, unsigned)>& f,
            const std::function<bool(unsigned, unsigned)>& isVoid = nullptr)
    {
        fillTestGrid(grid, w, h, 30.0f, f);
        if (isVoid) {
            grid.valid = ValidMask(h, w, 1);
            for (unsigned r = 0; r < h; ++r)
                for (unsigned c = 0; c < w; ++c)
                    grid.valid[r][c] = isVoid(r, c) ? 0 : 1;
            grid.updateStatistics();
        }
        buildTerrainMesh(grid, vertices, normals, faces, faceNormals);
    }
    MapSurface surface() const { return *mapSurfaceOf(grid, vertices); }
};

// A cone with its apex at (60.3, 60.6) cells, 10 m lower per cell outwards.
float cone(unsigned r, unsigned c)
{
    return float(1000.0 - 10.0 * std::hypot(r - 60.6, c - 60.3));
}

struct Point2 {
    double x, y;
};

Point2 at(const LineFamily& f, std::size_t point)
{
    return {f.points[3 * point], f.points[3 * point + 1]};
}

// Whether segments p-q and r-s cross at a point inside both.
bool crosses(Point2 p, Point2 q, Point2 r, Point2 s)
{
    const auto side = [](Point2 a, Point2 b, Point2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); };
    const double d1 = side(p, q, r), d2 = side(p, q, s), d3 = side(r, s, p), d4 = side(r, s, q);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Whether the point lies on a face the mesh has (its inside or its edges).
bool onAFace(const Terrain& t, double x, double y)
{
    const long c0 = long(std::floor(x / modelCell)), r0 = long(std::floor(y / modelCell));
    for (long r = r0 - 1; r <= r0 + 1; ++r)
        for (long c = c0 - 1; c <= c0 + 1; ++c) {
            if (r < 0 || c < 0 || r + 1 >= long(t.grid.height) || c + 1 >= long(t.grid.width))
                continue;
            const double u = x / modelCell - double(c), v = y / modelCell - double(r);
            const unsigned faces = cellFaces(t.grid.valid, std::size_t(r), std::size_t(c));
            const double e = 1e-4; // points are floats
            const bool inCell = u >= -e && v >= -e && u <= 1 + e && v <= 1 + e;
            if (inCell && (faces & lowerFace) && u + v <= 1 + e)
                return true;
            if (inCell && (faces & upperFace) && u + v >= 1 - e)
                return true;
        }
    return false;
}

} // namespace

TEST(ContourLines, AutomaticIntervalsAndLevels)
{
    // The largest round interval that still gives 15 levels.
    EXPECT_DOUBLE_EQ(automaticContourInterval(0, 100), 5.0);     // 21 levels; 10 gives 11
    EXPECT_DOUBLE_EQ(automaticContourInterval(0, 840), 50.0);    // 17 levels; 100 gives 9
    EXPECT_DOUBLE_EQ(automaticContourInterval(-3.2, 1.7), 0.25); // 19 levels; 0.5 gives 10
    EXPECT_DOUBLE_EQ(automaticContourInterval(251, 1012), 50.0); // 15 levels: 300 to 1000
    EXPECT_DOUBLE_EQ(automaticContourInterval(251, 999), 25.0);  // 50 gives 14
    EXPECT_EQ(automaticContourInterval(5, 5), 0.0);
    EXPECT_EQ(automaticContourInterval(0, std::nan("")), 0.0);
    // Any range gets 15 to 31 levels, and the next round number up fewer
    // than 15.
    const auto nextRound = [](double interval) {
        const double decade = std::pow(10.0, std::floor(std::log10(interval) + 1e-9));
        const double step = std::round(interval / decade * 10.0) / 10.0;
        return (step == 1.0 ? 2.0 : step == 2.0 ? 2.5 : step == 2.5 ? 5.0 : 10.0) * decade;
    };
    for (double high = 0.013; high < 1e6; high *= 1.37) {
        const double interval = automaticContourInterval(-0.3 * high, high);
        const std::size_t n = contourLevels(-0.3 * high, high, interval).size();
        EXPECT_GE(n, 15u) << high;
        EXPECT_LE(n, 31u) << high;
        EXPECT_LT(contourLevels(-0.3 * high, high, nextRound(interval)).size(), 15u) << high;
    }

    const std::vector<double> levels = contourLevels(251, 1012, 20);
    ASSERT_EQ(levels.size(), 38u);
    EXPECT_DOUBLE_EQ(levels.front(), 260.0);
    EXPECT_DOUBLE_EQ(levels.back(), 1000.0);
    EXPECT_TRUE(contourLevels(0, 840, 0.001).empty()); // 840001 levels
    EXPECT_TRUE(contourLevels(0, 840, -5).empty());
    EXPECT_TRUE(contourLevels(0, 840, std::nan("")).empty());

    EXPECT_TRUE(isIndexLevel(125, 25, 5));
    EXPECT_TRUE(isIndexLevel(-125, 25, 5));
    EXPECT_FALSE(isIndexLevel(100, 25, 5));
    EXPECT_FALSE(isIndexLevel(125, 25, 0));
}

TEST(ContourLines, ConeGivesClosedCirclesAtTheirRadiiThatNeverCross)
{
    const Terrain cone121(121, 121, cone);
    // Levels 450 to 700: radii 55 to 30 cells.
    const std::vector<double> levels{450, 500, 550, 600, 650, 700};
    LineFamily cut;
    isoLines(cone121.surface().mesh, cone121.vertices, cone121.surface().heights, levels, cut);
    ASSERT_EQ(cut.polylineCount(), levels.size());
    for (std::size_t i = 0; i < cut.polylineCount(); ++i) {
        const double radius = (1000.0 - levels[cut.styleOf[i]]) / 10.0; // cells
        const std::size_t first = cut.starts[i], last = cut.starts[i + 1] - 1;
        EXPECT_GT(last - first, 100u);
        // Closed: it ends at the very point it starts from.
        EXPECT_EQ(at(cut, first).x, at(cut, last).x);
        EXPECT_EQ(at(cut, first).y, at(cut, last).y);
        for (std::size_t p = first; p <= last; ++p) {
            const Point2 q = at(cut, p);
            const double r = std::hypot(q.x / modelCell - 60.3, q.y / modelCell - 60.6);
            ASSERT_NEAR(r, radius, 0.01) << "level " << levels[cut.styleOf[i]];
        }
        // On the mesh's surface: z is the level's drawing height.
        EXPECT_NEAR(cut.points[3 * first + 2], (levels[cut.styleOf[i]] - cone121.grid.minHeight) / (30.0 * 0.9 * 50.0),
                    1e-5);
    }
    // The higher ground lies on the left: counter-clockwise around the apex.
    double area = 0.0;
    for (std::size_t p = cut.starts[0]; p + 1 < cut.starts[1]; ++p)
        area += at(cut, p).x * at(cut, p + 1).y - at(cut, p + 1).x * at(cut, p).y;
    EXPECT_GT(area, 0.0);
}

TEST(ContourLines, RealTerrainLevelsNeverCrossAndLevelsThroughVerticesStayWhole)
{
    Terrain real(2, 2, [](unsigned, unsigned) { return 0.0f; });
    ASSERT_TRUE(real.grid.loadGRD(HYPSA_SOURCE_DIR "/data/jacksboro.grd"));
    buildTerrainMesh(real.grid, real.vertices, real.normals, real.faces, real.faceNormals);
    MapLineSettings settings;
    settings.contours = true;
    std::vector<LineFamily> families;
    buildMapLines(real.grid, real.vertices, settings, families);
    ASSERT_EQ(families.size(), 2u);
    EXPECT_EQ(families[0].name, "contours");
    EXPECT_EQ(families[1].name, "index contours");
    EXPECT_GT(families[1].polylineCount(), 0u);
    // Segments bucketed by cell: no segment crosses one of another level
    // (contours of different families are different levels too).
    struct Segment {
        Point2 a, b;
        double z;
    };
    std::vector<std::vector<Segment>> cells(real.grid.width * real.grid.height);
    for (const LineFamily& f : families)
        for (std::size_t i = 0; i < f.polylineCount(); ++i)
            for (std::size_t p = f.starts[i]; p + 1 < f.starts[i + 1]; ++p) {
                const Point2 a = at(f, p), b = at(f, p + 1);
                const std::size_t c = std::size_t((a.x + b.x) / 2 / modelCell), r = std::size_t((a.y + b.y) / 2 / modelCell);
                cells[r * real.grid.width + c].push_back({a, b, f.points[3 * p + 2]});
            }
    std::size_t checked = 0;
    const std::size_t w = real.grid.width;
    for (std::size_t r = 1; r + 1 < real.grid.height; ++r)
        for (std::size_t c = 1; c + 1 < w; ++c)
            for (const Segment& s : cells[r * w + c])
                for (std::size_t n = r - 1; n <= r + 1; ++n)
                    for (std::size_t m = c - 1; m <= c + 1; ++m)
                        for (const Segment& o : cells[n * w + m])
                            if (std::abs(o.z - s.z) > 1e-6) {
                                ++checked;
                                ASSERT_FALSE(crosses(s.a, s.b, o.a, o.b)) << r << "," << c;
                            }
    EXPECT_GT(checked, 1000u);

    // Whole-number heights cut at whole numbers: the level runs through
    // vertices and still makes one line, without repeated points.
    const Terrain steps(30, 20, [](unsigned r, unsigned c) { return float(r + 2 * c); });
    LineFamily cut;
    const std::vector<double> through{20.0};
    isoLines(steps.surface().mesh, steps.vertices, steps.surface().heights, through, cut);
    ASSERT_EQ(cut.polylineCount(), 1u);
    for (std::size_t p = 1; p < cut.pointCount(); ++p)
        EXPECT_FALSE(at(cut, p).x == at(cut, p - 1).x && at(cut, p).y == at(cut, p - 1).y);
}

TEST(ContourLines, TanakaShadesFollowTheLight)
{
    EXPECT_EQ(tanakaShade(1, 0, 5, 0), 0); // downhill towards the light
    EXPECT_EQ(tanakaShade(-1, 0, 5, 0), tanakaShades - 1);
    EXPECT_EQ(tanakaShade(0, 1, 5, 0), tanakaShades / 2);
    EXPECT_EQ(tanakaShade(1, 0, 0, 0), tanakaShades / 2); // light straight above
    const FamilyStyle lit = contourStyle(false, true, 0), dark = contourStyle(false, true, tanakaShades - 1);
    EXPECT_LT(lit.width, dark.width);
    EXPECT_GT(lit.grey, dark.grey);
    EXPECT_GT(contourStyle(true, true, 0).width, lit.width);
    EXPECT_GT(contourStyle(true, false, 0).width, contourStyle(false, false, 0).width);
    EXPECT_LT(contourStyle(true, false, 0).grey, contourStyle(false, false, 0).grey);

    // A light far out along +x: the cone's east side is lit, its west side dark.
    const Terrain cone121(121, 121, cone);
    MapLineSettings settings;
    settings.contours = true;
    settings.tanaka = true;
    settings.light = {1000.0, 60.6 * modelCell, 0.0};
    std::vector<LineFamily> families;
    buildContours(cone121.surface(), settings, 100.0, families);
    const LineFamily& plain = families[0];
    ASSERT_EQ(plain.styles.size(), std::size_t(tanakaShades));
    std::size_t east = 0, west = 0;
    for (std::size_t i = 0; i < plain.polylineCount(); ++i)
        for (std::size_t p = plain.starts[i]; p < plain.starts[i + 1]; ++p) {
            const double dx = at(plain, p).x / modelCell - 60.3, dy = at(plain, p).y / modelCell - 60.6;
            if (std::abs(dy) > 0.2 * std::abs(dx))
                continue;
            ++(dx > 0 ? east : west);
            EXPECT_EQ(plain.styleOf[i], dx > 0 ? 0 : tanakaShades - 1) << dx << "," << dy;
        }
    EXPECT_GT(east, 10u);
    EXPECT_GT(west, 10u);
    // Split where the shade changes, nothing lost: as long as the plain lines.
    const auto length = [](const LineFamily& f) {
        double sum = 0.0;
        for (std::size_t i = 0; i < f.polylineCount(); ++i)
            for (std::size_t p = f.starts[i]; p + 1 < f.starts[i + 1]; ++p)
                sum += std::hypot(at(f, p + 1).x - at(f, p).x, at(f, p + 1).y - at(f, p).y);
        return sum;
    };
    settings.tanaka = false;
    std::vector<LineFamily> unshaded;
    buildContours(cone121.surface(), settings, 100.0, unshaded);
    EXPECT_EQ(unshaded[0].styles.size(), 1u);
    EXPECT_NEAR(length(plain), length(unshaded[0]), 1e-9 * length(plain));
    EXPECT_GT(plain.polylineCount(), 4 * unshaded[0].polylineCount());
}

TEST(ProfileLines, TiltedPlaneGivesStraightEvenlySpacedSections)
{
    const Terrain plane(41, 31, [](unsigned r, unsigned c) { return float(3.0 * r + 2.0 * c); });
    for (const ProfileAxis axis : {ProfileAxis::rows, ProfileAxis::columns}) {
        MapLineSettings settings;
        settings.profiles = true;
        settings.profileAxis = axis;
        settings.profileCount = 7;
        std::vector<LineFamily> families;
        buildProfiles(plane.surface(), settings, families);
        ASSERT_EQ(families.size(), 1u);
        const LineFamily& f = families[0];
        EXPECT_EQ(f.name, "profiles");
        ASSERT_EQ(f.polylineCount(), 7u);
        const int across = axis == ProfileAxis::rows ? 1 : 0;
        const double extent = (axis == ProfileAxis::rows ? 30 : 40) * modelCell;
        for (std::size_t i = 0; i < 7; ++i) {
            const std::span<const float> line = f.polyline(i);
            const std::size_t n = line.size() / 3;
            ASSERT_GE(n, 2u);
            // Every point on the plane (k + 1/2) / 7 of the way across, and
            // on the straight line from the first point to the last.
            const double position = line[std::size_t(across)];
            EXPECT_NEAR(position, (double(i) + 0.5) / 7.0 * extent, 1e-6);
            const double ax = line[0], ay = line[1], az = line[2];
            const double bx = line[3 * n - 3], by = line[3 * n - 2], bz = line[3 * n - 1];
            const double length = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay) + (bz - az) * (bz - az));
            // From border to border.
            const double along = (axis == ProfileAxis::rows ? 40 : 30) * modelCell;
            EXPECT_NEAR(std::abs(line[std::size_t(1 - across)] - line[3 * n - 3 + std::size_t(1 - across)]), along, 1e-6);
            for (std::size_t k = 0; k < n; ++k) {
                const double px = line[3 * k] - ax, py = line[3 * k + 1] - ay, pz = line[3 * k + 2] - az;
                const double u = (px * (bx - ax) + py * (by - ay) + pz * (bz - az)) / (length * length);
                const double off = std::sqrt(std::pow(px - u * (bx - ax), 2) + std::pow(py - u * (by - ay), 2)
                                             + std::pow(pz - u * (bz - az), 2));
                ASSERT_LT(off, 1e-6) << "profile " << i << " point " << k;
            }
        }
    }
}

TEST(MapLines, NoPointOfAnyFamilyInsideAVoid)
{
    // A hill with a round hole on its flank and a void strip along one side.
    const auto hill = [](unsigned r, unsigned c) {
        return float(900.0 * std::exp(-(std::pow(r - 40.0, 2) + std::pow(c - 50.0, 2)) / (2 * 22.0 * 22.0)));
    };
    const auto hole = [](unsigned r, unsigned c) { return std::hypot(r - 30.0, c - 65.0) < 9.0 || c < 4; };
    const Terrain holed(101, 81, hill, hole);
    MapLineSettings settings;
    settings.contours = settings.profiles = settings.hachures = true;
    settings.hachureSpacing = 60.0;
    std::vector<LineFamily> families;
    buildMapLines(holed.grid, holed.vertices, settings, families);
    ASSERT_EQ(families.size(), 4u);
    for (const LineFamily& f : families) {
        EXPECT_GT(f.pointCount(), 50u) << f.name;
        for (std::size_t p = 0; p < f.pointCount(); ++p)
            ASSERT_TRUE(onAFace(holed, at(f, p).x, at(f, p).y)) << f.name << " point " << p << " at " << at(f, p).x / modelCell << "," << at(f, p).y / modelCell;
        // Segments too: their midpoints.
        for (std::size_t i = 0; i < f.polylineCount(); ++i)
            for (std::size_t p = f.starts[i]; p + 1 < f.starts[i + 1]; ++p)
                ASSERT_TRUE(onAFace(holed, (at(f, p).x + at(f, p + 1).x) / 2, (at(f, p).y + at(f, p + 1).y) / 2))
                    << f.name;
    }
}

namespace {

// A smooth hill for the hachures: 800 m high, 25 cells wide (sigma).
constexpr double hillRow = 50.4, hillColumn = 49.7, hillSigma = 25.0;
float smoothHill(unsigned r, unsigned c)
{
    return float(800.0 * std::exp(-(std::pow(r - hillRow, 2) + std::pow(c - hillColumn, 2)) / (2 * hillSigma * hillSigma)));
}

} // namespace

TEST(HachureLines, DownTheSteepestSlopeWithinTheSpacingBand)
{
    const Terrain hill(101, 101, smoothHill);
    const MapSurface surface = hill.surface();
    HachureRules rules;
    rules.spacing = 3 * modelCell;
    const double interval = 100.0;
    const std::vector<double> levels = contourLevels(surface.minHeight, surface.maxHeight, interval);
    LineFamily hachures;
    buildHachures(surface, levels, interval, rules, hachures);
    ASSERT_GT(hachures.polylineCount(), 100u);
    EXPECT_EQ(hachures.name, "hachures");

    // Each piece within 10 degrees of the hill's steepest descent at its middle.
    double worst = 0.0;
    for (std::size_t i = 0; i < hachures.polylineCount(); ++i)
        for (std::size_t p = hachures.starts[i]; p + 1 < hachures.starts[i + 1]; ++p) {
            const Point2 a = at(hachures, p), b = at(hachures, p + 1);
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            if (length < 1e-9)
                continue;
            // The hill falls away from its top: steepest descent is outwards.
            const double ox = (a.x + b.x) / 2 / modelCell - hillColumn, oy = (a.y + b.y) / 2 / modelCell - hillRow;
            const double cosine = ((b.x - a.x) * ox + (b.y - a.y) * oy) / (length * std::hypot(ox, oy));
            worst = std::max(worst, std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / std::numbers::pi);
        }
    EXPECT_LT(worst, 10.0);

    // Lines of one band: its band is the lowest level at or above its first
    // point. Sampled every tenth of the spacing.
    const double s = rules.spacing;
    struct Sample {
        Point2 p;
        std::size_t line;
    };
    std::vector<std::vector<Sample>> bands(levels.size() + 1);
    for (std::size_t i = 0; i < hachures.polylineCount(); ++i) {
        const std::size_t first = hachures.starts[i];
        const double height = hachures.points[3 * first + 2] / surface.zPerHeight + surface.minHeight;
        const std::size_t band =
            std::size_t(std::lower_bound(levels.begin(), levels.end(), height - 1e-3) - levels.begin());
        for (std::size_t p = first; p + 1 < hachures.starts[i + 1]; ++p) {
            const Point2 a = at(hachures, p), b = at(hachures, p + 1);
            const int n = std::max(1, int(std::ceil(std::hypot(b.x - a.x, b.y - a.y) / (0.1 * s))));
            for (int k = 0; k <= n; ++k)
                bands[band].push_back({{a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n}, i});
        }
    }
    // Neighbours never crowd closer than half the spacing ...
    double closest = 1e9;
    for (const std::vector<Sample>& band : bands)
        for (const Sample& a : band)
            for (const Sample& b : band)
                if (a.line != b.line)
                    closest = std::min(closest, std::hypot(a.p.x - b.p.x, a.p.y - b.p.y));
    EXPECT_GT(closest, (rules.crowded - 0.1) * s);
    // ... and on the levels that start lines, where the hill is steep enough
    // for them, no point is further than the spread from a line of its band.
    const std::vector<double> bandLevels{300.0 - 100.0 / 3, 400.0 - 200.0 / 3, 500.0 - 100.0 / 3, 600.0 - 200.0 / 3,
                                         700.0 - 100.0 / 3};
    LineFamily rings;
    isoLines(surface.mesh, hill.vertices, surface.heights, bandLevels, rings);
    double widest = 0.0;
    for (std::size_t i = 0; i < rings.polylineCount(); ++i) {
        const double level = bandLevels[rings.styleOf[i]];
        const std::vector<Sample>& band = bands[std::size_t(std::lower_bound(levels.begin(), levels.end(), level) - levels.begin())];
        for (std::size_t p = rings.starts[i]; p < rings.starts[i + 1]; ++p) {
            double nearest = 1e9;
            for (const Sample& b : band)
                nearest = std::min(nearest, std::hypot(at(rings, p).x - b.p.x, at(rings, p).y - b.p.y));
            widest = std::max(widest, nearest);
        }
    }
    EXPECT_LT(widest, (rules.spread + 0.15) * s);
    RecordProperty("closest_in_spacings", std::to_string(closest / s));
    RecordProperty("widest_in_spacings", std::to_string(widest / s));

    // Wider and darker where steeper.
    EXPECT_GT(hachureStyle(HachureRules::widths - 1).width, hachureStyle(0).width);
    EXPECT_LT(hachureStyle(HachureRules::widths - 1).grey, hachureStyle(0).grey);
}

TEST(HachureLines, BandsLongEnoughForTheSlopeAndTheSpacing)
{
    // 30 m cells rising 3 m a row and 2 m a column: sqrt(13) / 30 = 0.12 m/m,
    // 0 to 170 m, contours every 10 m.
    const Terrain plane(41, 31, [](unsigned r, unsigned c) { return float(3.0 * r + 2.0 * c); });
    const MapSurface surface = plane.surface();
    HachureRules rules;
    rules.spacing = 5 * modelCell; // 150 m
    // Three spacings down the slope fall 450 x 0.12 = 54.1 m: six contour
    // intervals.
    EXPECT_DOUBLE_EQ(hachureInterval(surface, 10.0, rules), 60.0);
    rules.spacing = 10 * modelCell; // 108 m wanted, but at most half the range
    EXPECT_DOUBLE_EQ(hachureInterval(surface, 10.0, rules), 80.0);
    rules.minSlope = 0.2; // no face steep enough: the contours' own bands
    EXPECT_DOUBLE_EQ(hachureInterval(surface, 10.0, rules), 10.0);
    EXPECT_EQ(hachureInterval(surface, 0.0, rules), 0.0);
    {
        // and no hachure, which the console says.
        ConsoleCapture console;
        LineFamily none;
        buildHachures(surface, contourLevels(0, 170, 10.0), 10.0, rules, none);
        EXPECT_EQ(none.polylineCount(), 0u);
        EXPECT_NE(console.text().find("No hachures: no slope steeper than 1 in 5 runs a spacing (300 m)"),
                  std::string::npos);
    }

    // The bundled terrain at the defaults: 50 m contours, bands of 200 m,
    // and lines that read as lines: none shorter than the spacing, half of
    // them longer than 1.4 spacings.
    Terrain real(2, 2, [](unsigned, unsigned) { return 0.0f; });
    ASSERT_TRUE(real.grid.loadGRD(HYPSA_SOURCE_DIR "/data/jacksboro.grd"));
    buildTerrainMesh(real.grid, real.vertices, real.normals, real.faces, real.faceNormals);
    const MapSurface terrain = real.surface();
    MapLineSettings settings;
    settings.hachures = true;
    HachureRules defaults;
    defaults.spacing = hachureSpacingFor(terrain, settings);
    // 1/150 of the longer side, north-south (columns close up with the
    // latitude): 343 cells of 90 m.
    EXPECT_NEAR(defaults.spacing * terrain.metresPerModelUnit, 343 * 90.0 / 150, 1e-6);
    const double contours = contourIntervalFor(terrain, settings);
    ASSERT_EQ(contours, 50.0);
    EXPECT_EQ(hachureInterval(terrain, contours, defaults), 200.0);
    std::vector<LineFamily> families;
    buildMapLines(real.grid, real.vertices, settings, families);
    ASSERT_EQ(families.size(), 1u);
    std::vector<double> lengths;
    for (std::size_t i = 0; i < families[0].polylineCount(); ++i) {
        double length = 0.0;
        for (std::size_t p = families[0].starts[i]; p + 1 < families[0].starts[i + 1]; ++p)
            length += std::hypot(at(families[0], p + 1).x - at(families[0], p).x,
                                 at(families[0], p + 1).y - at(families[0], p).y);
        lengths.push_back(length / defaults.spacing);
    }
    ASSERT_GT(lengths.size(), 1000u);
    std::sort(lengths.begin(), lengths.end());
    EXPECT_GE(lengths.front(), 1.0);
    EXPECT_GT(lengths[lengths.size() / 2], 1.4);
    RecordProperty("median_length_in_spacings", std::to_string(lengths[lengths.size() / 2]));
}

TEST(MapLines, SettingsBeyondWhatTheGridShowsAreBoundedAndSaidSo)
{
    const Terrain plane(41, 31, [](unsigned r, unsigned c) { return float(3.0 * r + 2.0 * c); }); // 0 to 170 m
    const MapSurface surface = plane.surface();
    MapLineSettings settings;
    {
        ConsoleCapture console;
        settings.contourInterval = 0.01; // 17001 levels
        EXPECT_EQ(contourIntervalFor(surface, settings), 10.0);
        EXPECT_NE(console.text().find("A contour interval of 0.01 gives more than 1000 levels"), std::string::npos)
            << console.text();
    }
    settings.contourInterval = 20.0;
    EXPECT_EQ(contourIntervalFor(surface, settings), 20.0);
    {
        // 30 m cells: 1 m would be 900 lines a cell.
        ConsoleCapture console;
        settings.hachureSpacing = 1.0;
        EXPECT_DOUBLE_EQ(hachureSpacingFor(surface, settings), modelCell);
        EXPECT_NE(console.text().find("hachures are drawn a cell (30 m) apart"), std::string::npos) << console.text();
    }
    settings.hachureSpacing = 0.0; // 1/150 of 40 cells: less than a cell, quietly a cell
    EXPECT_DOUBLE_EQ(hachureSpacingFor(surface, settings), modelCell);
    settings.hachureSpacing = 300.0;
    EXPECT_DOUBLE_EQ(hachureSpacingFor(surface, settings), 10 * modelCell);

    settings.profiles = true;
    settings.profileCount = 5000;
    std::vector<LineFamily> families;
    buildProfiles(surface, settings, families);
    EXPECT_EQ(families[0].polylineCount(), std::size_t(maxProfileCount));

    // Settings that differ only where nothing built reads them build the same.
    MapLineSettings a, b;
    a.hachures = b.hachures = true;
    b.light = {1.0, 2.0, 3.0};
    b.indexEvery = 3;
    EXPECT_TRUE(a.buildsSameAs(b));
    b.contourInterval = 50.0; // the bands of the hachures
    EXPECT_FALSE(a.buildsSameAs(b));
    a.contourInterval = 50.0;
    a.contours = b.contours = true;
    EXPECT_FALSE(a.buildsSameAs(b)); // index contours every 5th, or 3rd
    a.indexEvery = 3;
    EXPECT_TRUE(a.buildsSameAs(b));
    a.tanaka = b.tanaka = true; // now the light counts
    EXPECT_FALSE(a.buildsSameAs(b));
}
