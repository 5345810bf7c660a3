// The terrain's state, free of any display: the grid with its detail stack,
// the line-drawing mesh of the level drawn, and how that level relates to the
// grid that was loaded. The viewer and hypsa-render draw from it; background
// work builds a new state beside it (terrain_work.h) and hands it over whole.
#ifndef TERRAIN_MODEL_H
#define TERRAIN_MODEL_H

#include "curvature_frames.h"
#include "edge.h"
#include "edge_buffer.h"
#include "gmvec3.h"
#include "jgrid.h"
#include "line_family.h"
#include "map_lines.h"
#include "surface_curvature.h"
#include "view_fit.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The mesh of one grid level and everything the line passes need from it.
struct DrawnMesh {
    std::vector<gmVec3> vertices;
    std::vector<gmVec3> vertexNormals;
    std::vector<gmVec3> faceNormals;
    std::vector<CurvatureFrame> frames;
    std::vector<Face> faces;
    EdgeBuffer silhouetteEdges;
    EdgeBuffer lightSilhouetteEdges;
    // The occluder's vertex positions, until the view moves them to GL.
    std::vector<float> occluderPositions;
    // The lines built with this level (map lines, ridges and valleys), in
    // drawing order, and what they were built for.
    std::vector<LineFamily> families;
    MapLineSettings lineSettings;
    // The surface's curvature, while lineSettings needs it: the view draws
    // the suggestive lines of each eye from it.
    SurfaceCurvature curvature;
    // The box of the drawn vertices (voids left out); nothing without faces.
    std::optional<ViewBox> extent;

    // Gives all the memory back.
    void release();
};

// Which level of the loaded grid is drawn: `level` coarsenings below the
// fullWidth x fullHeight grid that was read from the file.
struct ShownLevel {
    int level = 0;
    std::uint32_t fullWidth = 0;
    std::uint32_t fullHeight = 0;

    // "showing level 2 of 4097 x 4097: 1025 x 1025; Refine restores detail",
    // or an empty text at the full grid.
    QString describe(std::uint32_t width, std::uint32_t height) const;
};

// The shown level of a grid, from its detail stack: one level per stored
// coarsening, below the finer grid of the oldest.
ShownLevel shownLevelOf(const JGrid& grid);

// A coarser copy of the drawn level, drawn while the view moves.
struct CoarseLevel {
    DrawnMesh mesh;           // empty when the drawn level is light enough
    double spacing = 1.0;     // its sample spacing relative to the drawn level
    std::uint64_t builtFor = 0; // the face budget it was chosen for
};

struct TerrainModel {
    JGrid grid;
    DrawnMesh mesh;
    CoarseLevel coarse;
    // The drawn level's sample spacing as a multiple of the loaded grid's:
    // twice for each coarsening below it, half for each refinement beyond
    // it. The view draws every level at the loaded grid's size with it.
    double levelScale = 1.0;

    ShownLevel shown() const { return shownLevelOf(grid); }
};

#endif
