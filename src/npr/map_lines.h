// Map lines: the line families that depend on the terrain alone, not on the
// eye (contours, index contours, profiles, hachures). They are built once per
// drawn level from its heights and mesh, and kept with the mesh.
#ifndef MAP_LINES_H
#define MAP_LINES_H

#include "gmvec3.h"
#include "line_family.h"
#include "ridge_lines.h"
#include "suggestive_lines.h"
#include "terrain_mesh.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

class JGrid;

enum class ProfileAxis { rows, columns };

// Which map lines to build, and how.
struct MapLineSettings {
    bool contours = false;
    double contourInterval = 0.0; // height units; 0: automatic
    int indexEvery = 5;           // every n-th level is an index contour; 0: none
    bool tanaka = false;          // contours shaded by the light
    std::array<double, 3> light{1000.0, 1000.0, 1000.0}; // model coordinates
    bool profiles = false;
    int profileCount = 80;
    ProfileAxis profileAxis = ProfileAxis::rows;
    bool hachures = false;
    double hachureSpacing = 0.0; // metres on the ground; 0: 1/150 of the longer side
    // The lines of the surface's curvature (thresholds are slider values, 0
    // to 100): ridges and valleys are built with the mesh like the lines
    // above; suggestive contours and highlights are computed by the view for
    // each eye, from the curvature that the mesh keeps for them.
    bool ridges = false;
    bool valleys = false;
    int ridgeThreshold = int(defaultRidgeThreshold);
    bool suggestive = false;
    bool highlights = false;
    int suggestiveThreshold = int(defaultSuggestiveThreshold);

    bool any() const { return contours || profiles || hachures; }
    // The mesh measures and keeps the surface's curvature.
    bool needsCurvature() const { return ridges || valleys || suggestive || highlights; }
    // The same lines: settings that only differ in what no family built uses
    // (the light without shaded contours, the interval without contours or
    // hachures, the suggestive lines' own settings, ...) build the same
    // families and keep the same curvature.
    bool buildsSameAs(const MapLineSettings& other) const;
};

// Limits of the values, which the controls and the command line keep to.
inline constexpr int maxProfileCount = 1000;
inline constexpr int maxIndexEvery = 100;

// The drawn level the lines are built on: the mesh's shape and vertex
// positions, the grid's heights (one per vertex) and how heights and ground
// distances map to model units.
struct MapSurface {
    MeshGrid mesh;
    std::span<const gmVec3> positions;
    std::span<const float> heights;
    double minHeight = 0.0; // the range of the valid heights
    double maxHeight = 0.0;
    double zPerHeight = 0.0;         // model z per unit of height, exaggeration included
    double metresPerModelUnit = 0.0; // on the ground

    // The model's x and y extent: the longer side of the terrain.
    double longerSide() const;
};

// The surface of a loaded grid and the vertices of its mesh; none (with a
// message) when they do not match.
std::optional<MapSurface> mapSurfaceOf(const JGrid& grid, std::span<const gmVec3> vertices);

// Replaces families by the map lines that settings ask for, in drawing
// order: contours, index contours, profiles, hachures (a family that comes
// out empty is kept, so that its layer still shows what was asked for).
// Gives up at a stop request, leaving families incomplete.
void buildMapLines(const JGrid& grid, std::span<const gmVec3> vertices, const MapLineSettings& settings,
                   std::vector<LineFamily>& families);

// Bytes the families hold.
std::size_t familyBytes(std::span<const LineFamily> families);

#endif
