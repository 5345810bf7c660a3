#include "map_lines.h"

#include "contour_lines.h"
#include "hachure_lines.h"
#include "jgrid.h"
#include "parallel_parts.h"
#include "profile_lines.h"
#include "stop_request.h"

#include <algorithm>
#include <cstdio>

bool MapLineSettings::buildsSameAs(const MapLineSettings& o) const
{
    if (contours != o.contours || profiles != o.profiles || hachures != o.hachures)
        return false;
    const bool levels = contours || hachures;
    if (levels && contourInterval != o.contourInterval)
        return false;
    if (contours && (indexEvery != o.indexEvery || tanaka != o.tanaka || (tanaka && light != o.light)))
        return false;
    if (profiles && (profileCount != o.profileCount || profileAxis != o.profileAxis))
        return false;
    if (ridges != o.ridges || valleys != o.valleys || needsCurvature() != o.needsCurvature())
        return false;
    if ((ridges || valleys) && ridgeThreshold != o.ridgeThreshold)
        return false;
    return !hachures || hachureSpacing == o.hachureSpacing;
}

double MapSurface::longerSide() const
{
    if (positions.empty())
        return 0.0;
    const gmVec3 &first = positions.front(), &last = positions.back();
    return std::max(last[0] - first[0], last[1] - first[1]);
}

std::optional<MapSurface> mapSurfaceOf(const JGrid& grid, std::span<const gmVec3> vertices)
{
    const std::size_t w = grid.width, h = grid.height;
    if (!grid.loaded || w < 2 || h < 2)
        return std::nullopt;
    if (vertices.size() != w * h || grid.heights.rows() != h || grid.heights.cols() != w) {
        std::printf("The mesh does not match the %zu x %zu grid: no map lines are drawn\n", w, h);
        return std::nullopt;
    }
    const double cellSize = grid.drawingCellSize();
    MapSurface surface{.mesh = MeshGrid(w, h, grid.valid),
                       .positions = vertices,
                       .heights = std::span<const float>(grid.heights.data(), w * h)};
    surface.minHeight = grid.minHeight;
    surface.maxHeight = grid.maxHeight;
    // As scaledHeight maps heights, and 50 cells a model unit.
    surface.zPerHeight = double(grid.verticalExaggeration) / (cellSize * 0.9 * 50.0);
    surface.metresPerModelUnit = cellSize * 50.0;
    return surface;
}

void buildMapLines(const JGrid& grid, std::span<const gmVec3> vertices, const MapLineSettings& settings,
                   std::vector<LineFamily>& families)
{
    families.clear();
    if (!settings.any())
        return;
    const std::optional<MapSurface> surface = mapSurfaceOf(grid, vertices);
    if (!surface)
        return;
    const double interval = contourIntervalFor(*surface, settings);
    HachureRules rules;
    if (settings.hachures)
        rules.spacing = hachureSpacingFor(*surface, settings);
    // The hachures, which take longest, on a thread of their own.
    LineFamily hachures;
    runParts(settings.hachures ? 2 : 1, [&](std::size_t part) {
        if (part == 1) {
            const double bands = hachureInterval(*surface, interval, rules);
            buildHachures(*surface, contourLevels(surface->minHeight, surface->maxHeight, bands), bands, rules,
                          hachures);
            return;
        }
        if (settings.contours)
            buildContours(*surface, settings, interval, families);
        if (settings.profiles && !stopRequested())
            buildProfiles(*surface, settings, families);
    });
    if (settings.hachures)
        families.push_back(std::move(hachures));
}

std::size_t familyBytes(std::span<const LineFamily> families)
{
    std::size_t bytes = 0;
    for (const LineFamily& f : families)
        bytes += f.bytes();
    return bytes;
}
