#include "contour_lines.h"

#include "iso_lines.h"
#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// How many multiples of interval lie within [low, high].
double levelCount(double low, double high, double interval)
{
    return std::floor(high / interval) - std::ceil(low / interval) + 1.0;
}

} // namespace

double automaticContourInterval(double low, double high)
{
    const double range = high - low;
    if (!std::isfinite(range) || range <= 0.0)
        return 0.0;
    // From a decade above range / 15, whose intervals give fewer than 15
    // levels, down: the first round number that gives 15 is the largest.
    double decade = std::pow(10.0, std::floor(std::log10(range / 15.0)) + 1.0);
    for (int guard = 0; guard < 8; ++guard, decade /= 10.0)
        for (const double step : {5.0, 2.5, 2.0, 1.0})
            if (levelCount(low, high, step * decade) >= 15.0)
                return step * decade;
    return 0.0;
}

std::vector<double> contourLevels(double low, double high, double interval)
{
    std::vector<double> levels;
    if (!(interval > 0.0) || !std::isfinite(low) || !std::isfinite(high) || high < low
        || !(levelCount(low, high, interval) <= double(maxContourLevels)))
        return levels;
    for (double k = std::ceil(low / interval); k * interval <= high; ++k)
        levels.push_back(k * interval);
    return levels;
}

double contourIntervalFor(const MapSurface& surface, const MapLineSettings& settings)
{
    const double low = surface.minHeight, high = surface.maxHeight, asked = settings.contourInterval;
    const double automatic = automaticContourInterval(low, high);
    if (!(asked > 0.0) || !std::isfinite(asked))
        return automatic;
    if (high > low && !(levelCount(low, high, asked) <= double(maxContourLevels))) {
        std::printf("A contour interval of %g gives more than %zu levels between the heights %g and %g; the "
                    "interval %g is used\n",
                    asked, maxContourLevels, low, high, automatic);
        return automatic;
    }
    return asked;
}

bool isIndexLevel(double level, double interval, int indexEvery)
{
    if (indexEvery <= 0 || !(interval > 0.0))
        return false;
    return std::llround(level / interval) % indexEvery == 0;
}

int tanakaShade(double dx, double dy, double lx, double ly)
{
    const double down = std::hypot(dx, dy), light = std::hypot(lx, ly);
    // A light straight above lights every side alike.
    const double facing = down > 0.0 && light > 0.0 ? (dx * lx + dy * ly) / (down * light) : 0.0;
    const double away = (1.0 - facing) / 2.0; // 0 facing the light, 1 facing away
    return std::clamp(int(away * tanakaShades), 0, tanakaShades - 1);
}

FamilyStyle contourStyle(bool index, bool tanaka, int shade)
{
    const float heavier = index ? 1.75f : 1.0f;
    // As printed maps draw them: ordinary contours thin and mid grey, so that
    // the heavier, darker index contours carry the shape.
    if (!tanaka)
        return index ? FamilyStyle{1.5f, 0.15f, 1.0f} : FamilyStyle{0.5f, 0.55f, 1.0f};
    // From thin light grey on the lit side to heavy black in the shadow.
    const float away = (float(shade) + 0.5f) / float(tanakaShades);
    return {heavier * (0.5f + 1.75f * away), 0.8f * (1.0f - away), 1.0f};
}

namespace {

// Copies polyline i of the cut into family, split where the shade of its
// pieces changes; style = the shade.
void addShaded(const LineFamily& cut, std::size_t i, const std::array<double, 3>& light, LineFamily& family)
{
    const std::span<const float> p = cut.polyline(i);
    int shade = -1;
    for (std::size_t k = 3; k < p.size(); k += 3) {
        const float *a = &p[k - 3], *b = &p[k];
        // The higher ground lies left of the line's direction: downhill is
        // to its right.
        const double dx = b[1] - a[1], dy = a[0] - b[0];
        const double mx = (a[0] + b[0]) / 2.0, my = (a[1] + b[1]) / 2.0;
        const int s = tanakaShade(dx, dy, light[0] - mx, light[1] - my);
        if (s != shade) {
            family.begin(std::uint16_t(s));
            family.add(a[0], a[1], a[2]);
            shade = s;
        }
        family.add(b[0], b[1], b[2]);
    }
    family.end();
}

} // namespace

void buildContours(const MapSurface& surface, const MapLineSettings& settings, double interval,
                   std::vector<LineFamily>& families)
{
    LineFamily plain, index;
    plain.name = "contours";
    index.name = "index contours";
    const std::vector<double> levels = contourLevels(surface.minHeight, surface.maxHeight, interval);
    LineFamily cut;
    isoLines(surface.mesh, surface.positions, surface.heights, levels, cut);
    for (int k = 0; k < (settings.tanaka ? tanakaShades : 1); ++k) {
        plain.styles.push_back(contourStyle(false, settings.tanaka, k));
        index.styles.push_back(contourStyle(true, settings.tanaka, k));
    }
    for (std::size_t i = 0; i < cut.polylineCount() && !stopRequested(); ++i) {
        LineFamily& family = isIndexLevel(levels[cut.styleOf[i]], interval, settings.indexEvery) ? index : plain;
        if (settings.tanaka) {
            addShaded(cut, i, settings.light, family);
            continue;
        }
        family.addPolyline(0, cut.polyline(i));
    }
    families.push_back(std::move(plain));
    families.push_back(std::move(index));
}
