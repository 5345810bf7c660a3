// Profiles: sections of the drawn surface by evenly spaced vertical planes
// along the grid's rows or columns. Drawn over the hidden-line surface they
// stack into ridgelines, each hiding the ones behind it.
#ifndef PROFILE_LINES_H
#define PROFILE_LINES_H

#include "map_lines.h"

#include <vector>

// Appends the family "profiles": settings.profileCount planes of constant y
// (rows) or x (columns), the k-th at (k + 1/2) / count of the terrain's
// extent, cut from the mesh's own triangles.
void buildProfiles(const MapSurface& surface, const MapLineSettings& settings, std::vector<LineFamily>& families);

#endif
