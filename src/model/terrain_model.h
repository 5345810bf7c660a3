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
    // The loaded grid's cell size, which every level is drawn to the size of
    // (0: not known, levels are drawn at their own size).
    float fullCellSize = 0.0f;

    // "showing level 2 of 4097 x 4097: 1025 x 1025; Refine restores detail",
    // or an empty text at the full grid.
    QString describe(std::uint32_t width, std::uint32_t height) const;
};

// Coarsening works on the leading even number of rows and columns; of a
// level with an odd side it leaves out the last column or row. These keep
// them, so that Refine gives such a level back whole.
struct TrimmedEdges {
    std::uint32_t width = 0;  // the level's size before coarsening
    std::uint32_t height = 0;
    std::vector<float> lastColumn; // every row's last sample, when width is odd
    std::vector<float> lastRow;    // the last row within the even columns, when height is odd
    // Their validity (1 valid, 0 void); empty for a grid without voids.
    std::vector<std::uint8_t> lastColumnValid;
    std::vector<std::uint8_t> lastRowValid;
};

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
    ShownLevel shown;
    // One entry per coarsening level of the detail stack, the newest last.
    std::vector<TrimmedEdges> trimmed;
};

#endif
