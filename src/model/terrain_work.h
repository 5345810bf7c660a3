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
#include <functional>

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
    // The grid's detail stack continues the first keptLevels levels of the
    // model's stack; replacesDetails: it stands alone (a new file, or a grid
    // made anew by Brownian refinement or decimation).
    std::size_t keptLevels = 0;
    bool replacesDetails = false;
    DrawnMesh mesh;
    CoarseLevel coarse;
    // The new level's spacing as a multiple of the loaded grid's.
    double levelScale = 1.0;
    // The failures the work reported (reportError), one a line.
    QString errors;
    // Set before the work starts: the map lines the new mesh gets.
    MapLineSettings lineSettings;
    // Only the mesh's lines were built anew (mesh.families, and
    // mesh.curvature when it was measured): the model keeps its grid and mesh.
    bool linesOnly = false;
};

// Reads a grid file (its spacing replaced by `cellSize` metres when given);
// while it has more than `budget` samples (0: no budget) coarsens it with
// details, then builds the mesh.
WorkOutcome loadTerrain(const QString& file, GridFormat format, std::uint64_t budget, WorkControl& control,
                        TerrainUpdate& out, std::optional<float> cellSize = std::nullopt);

// One level up or down from the model's grid, then the mesh. `adjust`, when
// given, changes the copy of the grid first (a drawing setting that needs a
// new mesh), so that the model takes the setting only with that mesh.
WorkOutcome changeTerrainLevel(const TerrainModel& model, LevelChange change, WorkControl& control,
                               TerrainUpdate& out, const std::function<void(JGrid&)>& adjust = {});

// Builds the mesh, edges, curvature frames and occluder positions of a
// loaded grid (step "Finding curvature", parts done + 0..3 of total), then
// the surface's curvature when `lines` needs it (step "Measuring the
// surface's curvature") and the map lines, ridges and valleys that `lines`
// asks for (step "Drawing map lines"), a part each. Done with an empty mesh when the grid is not loaded;
// Failed, with a message and an empty mesh, when the mesh would not fit in
// the memory left for work (memoryForWork); Cancelled leaves `mesh` empty.
// Throws std::bad_alloc when memory runs out all the same (loadTerrain and
// changeTerrainLevel refuse the job then).
WorkOutcome buildDrawnMesh(const JGrid& grid, DrawnMesh& mesh, WorkControl& control, int done = 0, int total = 4,
                           const MapLineSettings& lines = {});

// The map lines, ridges and valleys of the model's mesh as out.lineSettings
// asks for them, into out.mesh.families (step "Drawing map lines"), with the
// surface's curvature measured into out.mesh.curvature first when the
// settings need it and the model's mesh does not keep it; sets
// out.linesOnly. Failed, with a message, when that curvature would not fit
// in the memory left for work.
WorkOutcome rebuildMapLines(const TerrainModel& model, WorkControl& control, TerrainUpdate& out);

// The model takes the update's state.
void applyTerrainUpdate(TerrainModel& model, TerrainUpdate&& update);

#endif
