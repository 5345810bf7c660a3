#include "terrain_work.h"

#include "error_report.h"
#include "memory_room.h"
#include "occluder.h"
#include "ridge_lines.h"
#include "stop_request.h"
#include "terrain_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

namespace {

// The lines built with a level: the map lines and the ridges and valleys.
bool buildsFamilies(const MapLineSettings& lines)
{
    return lines.any() || lines.ridges || lines.valleys;
}

// Parts of the mesh build, for the progress: mesh, edges, frames, occluder,
// the surface's curvature when lines need it, and the lines when there are any.
int meshParts(const MapLineSettings& lines)
{
    return 4 + (lines.needsCurvature() ? 1 : 0) + (buildsFamilies(lines) ? 1 : 0);
}

const char* const curvatureStep = "Measuring the surface's curvature";
const char* const mapLinesStep = "Drawing map lines";

// Appends the ridges and valleys that `lines` asks for.
void addRidgeFamilies(const SurfaceCurvature& curvature, std::span<const gmVec3> vertices,
                      const MapLineSettings& lines, std::vector<LineFamily>& families)
{
    LineFamily ridges, valleys;
    if (!buildRidgeFamilies(curvature, vertices, lines.ridgeThreshold, ridges, valleys))
        return;
    if (lines.ridges)
        families.push_back(std::move(ridges));
    if (lines.valleys)
        families.push_back(std::move(valleys));
}

// The lines of a level and the curvature they need, each after the
// checkpoint that starts its step (parts done, done + 1 of total). `kept` is
// the level's curvature measured before, if any; a curvature measured here
// goes into `into` with the lines.
WorkOutcome buildLinesPart(const JGrid& grid, std::span<const gmVec3> vertices, const MapLineSettings& lines,
                           const SurfaceCurvature& kept, WorkControl& control, int done, int total, DrawnMesh& into)
{
    into.lineSettings = lines;
    const SurfaceCurvature* curvature = &kept;
    if (lines.needsCurvature() && kept.samples.empty()) {
        if (!control.checkpoint(curvatureStep, done++, total))
            return WorkOutcome::Cancelled;
        // A curvature that cannot be measured (it says why) leaves the lines
        // drawn from it out.
        if (!computeSurfaceCurvature(grid, into.curvature, 2) && control.cancelled()) {
            into.curvature.clear();
            return WorkOutcome::Cancelled;
        }
        curvature = &into.curvature;
    }
    if (!buildsFamilies(lines))
        return WorkOutcome::Done;
    if (!control.checkpoint(mapLinesStep, done, total))
        return WorkOutcome::Cancelled;
    buildMapLines(grid, vertices, lines, into.families);
    if ((lines.ridges || lines.valleys) && !control.cancelled() && !curvature->samples.empty())
        addRidgeFamilies(*curvature, vertices, lines, into.families);
    if (control.cancelled()) {
        std::vector<LineFamily>().swap(into.families);
        into.curvature.clear();
        return WorkOutcome::Cancelled;
    }
    return WorkOutcome::Done;
}

// Coarsenings that bring a w x h grid within the budget, as reverse
// subdivision shrinks it (n samples to n/2 + 1, odd n losing its last one;
// at least 10 are needed). Only sizes the progress; the loop below stops at
// whatever the grid itself refuses.
int plannedCoarsenings(std::uint64_t w, std::uint64_t h, std::uint64_t budget)
{
    int levels = 0;
    while (budget > 0 && w * h > budget && w >= 10 && h >= 10) {
        w = (w & ~std::uint64_t(1)) / 2 + 1;
        h = (h & ~std::uint64_t(1)) / 2 + 1;
        ++levels;
    }
    return levels;
}

WorkOutcome loadLevels(const QString& file, GridFormat format, std::uint64_t budget, std::optional<float> cellSize,
                       WorkControl& control, TerrainUpdate& out)
{
    if (!control.checkpoint("Loading", 0, 1 + meshParts(out.lineSettings)))
        return WorkOutcome::Cancelled;
    JGrid& grid = out.grid;
    const bool started = format == GridFormat::Ascii   ? grid.loadGRD(file, cellSize)
                         : format == GridFormat::Float ? grid.loadFLT(file, cellSize)
                                                       : grid.loadFile(file, cellSize);
    if (!started || !grid.loaded)
        return WorkOutcome::Failed;
    out.replacesDetails = true;
    const int levels = plannedCoarsenings(grid.width, grid.height, budget);
    const int total = 1 + levels + meshParts(out.lineSettings);
    for (int k = 0; budget > 0 && std::uint64_t(grid.width) * grid.height > budget; ++k) {
        if (!control.checkpoint("Coarsening", 1 + std::min(k, levels), total))
            return WorkOutcome::Cancelled;
        if (!grid.reverseSubdivide())
            break;
    }
    if (control.cancelled())
        return WorkOutcome::Cancelled;
    out.levelScale = std::ldexp(1.0, int(grid.details.size()));
    if (!grid.details.empty())
        std::printf("%s\n", qPrintable(shownLevelOf(grid).describe(grid.width, grid.height)));
    return buildDrawnMesh(grid, out.mesh, control, 1 + levels, total, out.lineSettings);
}

WorkOutcome changeLevel(const TerrainModel& model, LevelChange change, const std::function<void(JGrid&)>& adjust,
                        WorkControl& control, TerrainUpdate& out)
{
    const JGrid& from = model.grid;
    // Refinement with details uses the top level; without one it is plain
    // refinement.
    const std::size_t topLevels = change == LevelChange::RefineWithDetails && !from.details.empty() ? 1 : 0;
    const char* step = change == LevelChange::Coarsen || change == LevelChange::Decimate ? "Coarsening"
                       : change == LevelChange::Unchanged                                 ? "Finding curvature"
                                                                                          : "Refining";
    if (!control.checkpoint(step, 0, 1 + meshParts(out.lineSettings)))
        return WorkOutcome::Cancelled;
    out.grid = from.copyLevel(topLevels);
    out.keptLevels = from.details.size() - topLevels;
    JGrid& grid = out.grid;
    if (adjust)
        adjust(grid);
    bool changed = true;
    switch (change) {
    case LevelChange::Unchanged:
        break;
    case LevelChange::RefineWithDetails:
        changed = grid.subdivideWithDetails();
        break;
    case LevelChange::Coarsen:
        changed = grid.reverseSubdivide();
        break;
    // A grid made anew: the details of the levels below no longer fit it.
    case LevelChange::RefineBrownian:
        changed = grid.subdivideBrownian();
        out.replacesDetails = true;
        break;
    case LevelChange::Decimate:
        changed = grid.decimate();
        out.replacesDetails = true;
        break;
    }
    if (!changed)
        return WorkOutcome::Failed;
    // Each level keeps the loaded grid's size on screen: one more sample a
    // side per two halves the spacing.
    const bool finer = change == LevelChange::RefineWithDetails || change == LevelChange::RefineBrownian;
    const bool coarser = change == LevelChange::Coarsen || change == LevelChange::Decimate;
    out.levelScale = model.levelScale * (finer ? 0.5 : coarser ? 2.0 : 1.0);
    return buildDrawnMesh(grid, out.mesh, control, 1, 1 + meshParts(out.lineSettings), out.lineSettings);
}

// A job that runs out of memory is refused like any other: what it built is
// given back, the model stays as it was.
template <class Job>
WorkOutcome refusedWithoutMemory(TerrainUpdate& out, const QString& what, Job&& job)
{
    try {
        return job();
    } catch (const std::bad_alloc&) {
        out.grid = JGrid();
        out.mesh.release();
        reportError("JGrid:: *Error* - not enough memory to %s; the terrain is unchanged\n", qPrintable(what));
        return WorkOutcome::Failed;
    }
}

QString changeName(LevelChange change)
{
    switch (change) {
    case LevelChange::Coarsen:
    case LevelChange::Decimate:
        return QStringLiteral("coarsen the terrain");
    case LevelChange::RefineWithDetails:
    case LevelChange::RefineBrownian:
        return QStringLiteral("refine the terrain");
    case LevelChange::Unchanged:
        break;
    }
    return QStringLiteral("draw the terrain anew");
}

// A step that gave up at the stop request returns as if it had failed,
// without a message: the job was stopped.
WorkOutcome unlessStopped(WorkOutcome outcome, const WorkControl& control)
{
    return outcome == WorkOutcome::Failed && control.cancelled() ? WorkOutcome::Cancelled : outcome;
}

} // namespace

WorkOutcome loadTerrain(const QString& file, GridFormat format, std::uint64_t budget, WorkControl& control,
                        TerrainUpdate& out, std::optional<float> cellSize)
{
    const ErrorCollector errors;
    const StopScope stop(control.stopFlag());
    const WorkOutcome outcome = refusedWithoutMemory(out, "load " + file, [&] {
        return loadLevels(file, format, budget, cellSize, control, out);
    });
    out.errors = errors.text();
    return unlessStopped(outcome, control);
}

WorkOutcome changeTerrainLevel(const TerrainModel& model, LevelChange change, WorkControl& control,
                               TerrainUpdate& out, const std::function<void(JGrid&)>& adjust)
{
    const ErrorCollector errors;
    const StopScope stop(control.stopFlag());
    const WorkOutcome outcome = refusedWithoutMemory(out, changeName(change), [&] {
        return changeLevel(model, change, adjust, control, out);
    });
    out.errors = errors.text();
    return unlessStopped(outcome, control);
}

WorkOutcome buildDrawnMesh(const JGrid& grid, DrawnMesh& mesh, WorkControl& control, int done, int total,
                           const MapLineSettings& lines)
{
    mesh.release();
    if (!grid.loaded)
        return WorkOutcome::Done;
    const StopScope stop(control.stopFlag());
    const char* step = "Finding curvature";
    if (!control.checkpoint(step, done, total))
        return WorkOutcome::Cancelled;
    const std::uint64_t bytes = meshBytesFor(grid.width, grid.height, lines.needsCurvature());
    if (!fitsInMemoryForWork(bytes)) {
        reportError("JGrid:: *Error* - not enough memory to draw the grid of %u x %u samples: its lines need %.1f GB, "
                    "%.1f GB are free\n",
                    grid.width, grid.height, double(bytes) / 1e9, double(memoryForWork().value_or(0)) / 1e9);
        return WorkOutcome::Failed;
    }
    // Each part ends at a checkpoint; a stop gives back what was built. A
    // part that gave up at the stop request left its arrays incomplete.
    auto partDone = [&](int part) {
        if (control.checkpoint(step, done + part, total))
            return true;
        mesh.release();
        return false;
    };
    buildTerrainMesh(grid, mesh.vertices, mesh.vertexNormals, mesh.faces, mesh.faceNormals);
    if (!partDone(1))
        return WorkOutcome::Cancelled;
    mesh.silhouetteEdges.build(mesh.vertices.size(), mesh.faces);
    if (!partDone(2))
        return WorkOutcome::Cancelled;
    std::printf("starting to find curvature\n");
    computeCurvatureFrames(mesh.silhouetteEdges, mesh.vertexNormals, grid.width, mesh.frames);
    std::printf("done finding curvature\n");
    if (!partDone(3))
        return WorkOutcome::Cancelled;
    mesh.lightSilhouetteEdges = mesh.silhouetteEdges; // the same edges, built once
    buildOccluderPositions(mesh.vertices, mesh.vertexNormals, mesh.occluderPositions);
    mesh.extent = drawnExtent(mesh.vertices, mesh.faces);
    if (!control.cancelled()
        && buildLinesPart(grid, mesh.vertices, lines, SurfaceCurvature(), control, done + 4, total, mesh)
               == WorkOutcome::Done)
        return WorkOutcome::Done;
    mesh.release();
    return WorkOutcome::Cancelled;
}

WorkOutcome rebuildMapLines(const TerrainModel& model, WorkControl& control, TerrainUpdate& out)
{
    const ErrorCollector errors;
    const StopScope stop(control.stopFlag());
    out.linesOnly = true;
    if (!model.grid.loaded || model.mesh.vertices.empty())
        return WorkOutcome::Failed;
    const MapLineSettings& lines = out.lineSettings;
    const SurfaceCurvature& kept = model.mesh.curvature;
    const bool measures = lines.needsCurvature() && kept.samples.empty();
    const WorkOutcome outcome = refusedWithoutMemory(out, "draw the map lines", [&] {
        const std::uint64_t bytes = surfaceCurvatureBytes(model.grid.width, model.grid.height);
        if (measures && !fitsInMemoryForWork(bytes)) {
            reportError("JGrid:: *Error* - not enough memory to measure the curvature of the grid of %u x %u "
                        "samples: it needs %.1f GB, %.1f GB are free\n",
                        model.grid.width, model.grid.height, double(bytes) / 1e9,
                        double(memoryForWork().value_or(0)) / 1e9);
            return WorkOutcome::Failed;
        }
        const int total = (measures ? 1 : 0) + (buildsFamilies(lines) ? 1 : 0);
        return buildLinesPart(model.grid, model.mesh.vertices, lines, kept, control, 0, total, out.mesh);
    });
    out.errors = errors.text();
    return unlessStopped(outcome, control);
}

void applyTerrainUpdate(TerrainModel& model, TerrainUpdate&& update)
{
    if (update.linesOnly) {
        model.mesh.families = std::move(update.mesh.families);
        model.mesh.lineSettings = update.mesh.lineSettings;
        if (!update.mesh.curvature.samples.empty())
            model.mesh.curvature = std::move(update.mesh.curvature);
        else if (!model.mesh.lineSettings.needsCurvature())
            model.mesh.curvature.clear();
        return;
    }
    if (!update.replacesDetails) {
        std::vector<DetailLevel> stack = std::move(model.grid.details);
        stack.resize(std::min(update.keptLevels, stack.size()));
        for (DetailLevel& level : update.grid.details)
            stack.push_back(std::move(level));
        update.grid.details = std::move(stack);
    }
    model.grid = std::move(update.grid);
    model.mesh = std::move(update.mesh);
    model.coarse = std::move(update.coarse);
    model.levelScale = update.levelScale;
}
