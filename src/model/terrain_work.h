// The work that changes the terrain: loading, coarsening and refining, each
// followed by the mesh of the new level. Every operation builds its result
// beside the model (which it only reads) and can be stopped at its
// checkpoints; the result replaces the model's state in one step
// (applyTerrainUpdate), on the thread that owns the model. So a stopped or
// failed operation leaves the model exactly as it was, and a reader of the
// model may draw from it while the work runs.
#ifndef TERRAIN_WORK_H
#define TERRAIN_WORK_H

#include "terrain_model.h"
#include "work_control.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// Grids with more samples than this are shown coarsened (with details, so
// that Refine restores them) until they fit. A frame that turns the view at
// the window's default size takes about 0.75 s at 1025 x 1025 and 0.9 s at
// 1201 x 1201 with the software renderer, where a million samples already
// draw some six lines a pixel: 1.5 million keeps the commonest tile (1201 x
// 1201) whole and a frame near a second.
constexpr std::uint64_t defaultDisplaySamples = 1'500'000;

enum class WorkOutcome {
    Done,      // the update holds the new state
    Failed,    // the operation refused or could not run (it printed why)
    Cancelled, // stopped at a checkpoint
};

// Which reader loads a file: the ASCII grid reader, the float grid reader,
// or the one JGrid::loadFile picks by the file's name.
enum class GridFormat { Ascii, Float, ByName };

enum class LevelChange {
    Unchanged,
    RefineWithDetails, // Refine
    Coarsen,           // Coarsen: reverse subdivision, details kept
    RefineBrownian,
    Decimate,
};

// A new terrain state built beside the model.
struct TerrainUpdate {
    JGrid grid;
    // The grid's detail stack continues the first keptDetails arrays of the
    // model's stack; replacesDetails: it stands alone (a new file).
    std::size_t keptDetails = 0;
    bool replacesDetails = false;
    DrawnMesh mesh;
    CoarseLevel coarse;
    ShownLevel shown;
    std::vector<TrimmedEdges> trimmed;
    // The failures the work reported (reportError), one a line.
    QString errors;
};

// Reads a grid file; while it has more than `budget` samples (0: no budget)
// coarsens it with details, then builds the mesh.
WorkOutcome loadTerrain(const QString& file, GridFormat format, std::uint64_t budget, WorkControl& control,
                        TerrainUpdate& out);

// One level up or down from the model's grid, then the mesh.
WorkOutcome changeTerrainLevel(const TerrainModel& model, LevelChange change, WorkControl& control,
                               TerrainUpdate& out);

// Builds the mesh, edges, curvature frames and occluder positions of a
// loaded grid (step "Finding curvature", parts done + 0..3 of total). Done
// with an empty mesh when the grid is not loaded or its mesh would not fit
// in memory (with a message); Cancelled leaves `mesh` empty.
WorkOutcome buildDrawnMesh(const JGrid& grid, DrawnMesh& mesh, WorkControl& control, int done = 0, int total = 4);

// The samples of an odd last column or row that coarsening the grid leaves
// out, and putting them back onto the refined level. Restoring needs the
// refined grid to be the even part of the kept size; otherwise it changes
// nothing and gives false. It updates the statistics.
TrimmedEdges trimmedEdgesOf(const JGrid& grid);
bool restoreTrimmedEdges(JGrid& grid, const TrimmedEdges& edges);

// The model takes the update's state.
void applyTerrainUpdate(TerrainModel& model, TerrainUpdate&& update);

#endif
