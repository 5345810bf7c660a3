#include "profile_lines.h"

#include "bulk_memory.h"
#include "iso_lines.h"

#include <algorithm>

void buildProfiles(const MapSurface& surface, const MapLineSettings& settings, std::vector<LineFamily>& families)
{
    LineFamily profiles;
    profiles.name = "profiles";
    profiles.styles.push_back({1.0f, 0.0f, 1.0f});
    const std::size_t n = std::min(surface.positions.size(), surface.mesh.width * surface.mesh.height);
    const int count = std::clamp(settings.profileCount, 1, maxProfileCount);
    if (n > 0) {
        // The plane's coordinate is the field the sections are iso-lines of.
        const int axis = settings.profileAxis == ProfileAxis::rows ? 1 : 0;
        std::vector<float> field;
        reserveBulk(field, n);
        for (std::size_t v = 0; v < n; ++v)
            field.push_back(float(surface.positions[v][axis]));
        const double low = surface.positions[0][axis], high = surface.positions[n - 1][axis];
        std::vector<double> planes(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k)
            planes[std::size_t(k)] = low + (k + 0.5) / count * (high - low);
        isoLines(surface.mesh, surface.positions, field, planes, profiles);
        std::fill(profiles.styleOf.begin(), profiles.styleOf.end(), std::uint16_t(0));
    }
    families.push_back(std::move(profiles));
}
