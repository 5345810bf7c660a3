#include "terrain_work.h"

#include "error_report.h"
#include "grid_change.h"
#include "occluder.h"
#include "stop_request.h"
#include "terrain_mesh.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr int meshParts = 4;

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

// Coarsens one level, keeping what it leaves out.
bool coarsenKeepingEdges(JGrid& grid, std::vector<TrimmedEdges>& trimmed)
{
    TrimmedEdges edges = trimmedEdgesOf(grid);
    if (!grid.reverseSubdivide())
        return false;
    trimmed.push_back(std::move(edges));
    return true;
}

} // namespace

TrimmedEdges trimmedEdgesOf(const JGrid& grid)
{
    TrimmedEdges edges{grid.width, grid.height, {}, {}, {}, {}};
    if (grid.heights.rows() != grid.height || grid.heights.cols() != grid.width || grid.width == 0 || grid.height == 0)
        return edges;
    const std::uint32_t evenWidth = grid.width & ~1u;
    const bool masked = grid.valid.rows() == grid.height && grid.valid.cols() == grid.width;
    if (grid.width % 2 == 1) {
        for (std::uint32_t r = 0; r < grid.height; ++r) {
            edges.lastColumn.push_back(grid.heights[r][grid.width - 1]);
            if (masked)
                edges.lastColumnValid.push_back(grid.valid[r][grid.width - 1]);
        }
    }
    if (grid.height % 2 == 1) {
        const auto last = grid.heights[grid.height - 1];
        edges.lastRow.assign(last.begin(), last.begin() + evenWidth);
        if (masked) {
            const auto lastValid = grid.valid[grid.height - 1];
            edges.lastRowValid.assign(lastValid.begin(), lastValid.begin() + evenWidth);
        }
    }
    return edges;
}

bool restoreTrimmedEdges(JGrid& grid, const TrimmedEdges& edges)
{
    const std::uint32_t evenWidth = edges.width & ~1u, evenHeight = edges.height & ~1u;
    if (grid.width != evenWidth || grid.height != evenHeight || grid.heights.rows() != evenHeight ||
        grid.heights.cols() != evenWidth || edges.lastColumn.size() != (edges.width % 2 ? edges.height : 0u) ||
        edges.lastRow.size() != (edges.height % 2 ? evenWidth : 0u))
        return false;
    if (edges.width == evenWidth && edges.height == evenHeight)
        return true;
    // Voids on either side need a mask of the whole size (new samples valid).
    const bool masked = !grid.valid.empty() || !edges.lastColumnValid.empty() || !edges.lastRowValid.empty();
    const bool fits = allocateOrReport([&] {
        grid.heights.resize(edges.height, edges.width);
        if (masked) {
            if (grid.valid.empty())
                grid.valid = ValidMask(evenHeight, evenWidth, 1);
            grid.valid.resize(edges.height, edges.width, 1);
        }
    });
    if (!fits)
        return false;
    for (std::uint32_t r = 0; r < edges.lastColumn.size(); ++r)
        grid.heights[r][edges.width - 1] = edges.lastColumn[r];
    for (std::uint32_t r = 0; r < edges.lastColumnValid.size(); ++r)
        grid.valid[r][edges.width - 1] = edges.lastColumnValid[r];
    if (!edges.lastRow.empty())
        std::copy(edges.lastRow.begin(), edges.lastRow.end(), grid.heights[edges.height - 1].begin());
    if (!edges.lastRowValid.empty())
        std::copy(edges.lastRowValid.begin(), edges.lastRowValid.end(), grid.valid[edges.height - 1].begin());
    printSizeChange(grid.width, edges.width, grid.height, edges.height);
    grid.width = edges.width;
    grid.height = edges.height;
    refreshNormalsAndStatistics(grid, false);
    return true;
}

namespace {

WorkOutcome loadLevels(const QString& file, GridFormat format, std::uint64_t budget, WorkControl& control,
                       TerrainUpdate& out)
{
    if (!control.checkpoint("Loading", 0, 1 + meshParts))
        return WorkOutcome::Cancelled;
    JGrid& grid = out.grid;
    const bool started = format == GridFormat::Ascii   ? grid.loadGRD(file)
                         : format == GridFormat::Float ? grid.loadFLT(file)
                                                       : grid.loadFile(file);
    if (!started || !grid.loaded)
        return WorkOutcome::Failed;
    out.replacesDetails = true;
    out.shown = ShownLevel{0, grid.width, grid.height, grid.cellSize};
    const int levels = plannedCoarsenings(grid.width, grid.height, budget);
    const int total = 1 + levels + meshParts;
    for (int k = 0; budget > 0 && std::uint64_t(grid.width) * grid.height > budget; ++k) {
        if (!control.checkpoint("Coarsening", 1 + std::min(k, levels), total))
            return WorkOutcome::Cancelled;
        if (!coarsenKeepingEdges(grid, out.trimmed))
            break;
        ++out.shown.level;
    }
    if (control.cancelled())
        return WorkOutcome::Cancelled;
    if (out.shown.level > 0)
        std::printf("%s\n", qPrintable(out.shown.describe(grid.width, grid.height)));
    return buildDrawnMesh(grid, out.mesh, control, 1 + levels, total);
}

WorkOutcome changeLevel(const TerrainModel& model, LevelChange change, WorkControl& control, TerrainUpdate& out)
{
    const JGrid& from = model.grid;
    // Refinement with details uses the top level's pair; with fewer than two
    // arrays it is plain refinement.
    const std::size_t topDetails = change == LevelChange::RefineWithDetails && from.details.size() >= 2 ? 2 : 0;
    const char* step = change == LevelChange::Coarsen || change == LevelChange::Decimate ? "Coarsening"
                       : change == LevelChange::Unchanged                                 ? "Finding curvature"
                                                                                          : "Refining";
    if (!control.checkpoint(step, 0, 1 + meshParts))
        return WorkOutcome::Cancelled;
    out.grid = from.copyLevel(topDetails);
    out.keptDetails = from.details.size() - topDetails;
    out.shown = model.shown;
    out.trimmed = model.trimmed;
    JGrid& grid = out.grid;
    bool changed = true;
    switch (change) {
    case LevelChange::Unchanged:
        break;
    case LevelChange::RefineWithDetails:
        changed = grid.subdivideWithDetails();
        if (changed && grid.details.size() < topDetails) {
            out.shown.level = std::max(0, out.shown.level - 1);
            if (!out.trimmed.empty()) {
                restoreTrimmedEdges(grid, out.trimmed.back());
                out.trimmed.pop_back();
            }
        }
        break;
    case LevelChange::Coarsen:
        changed = coarsenKeepingEdges(grid, out.trimmed);
        if (changed)
            ++out.shown.level;
        break;
    case LevelChange::RefineBrownian:
        changed = grid.subdivideBrownian();
        break;
    case LevelChange::Decimate:
        changed = grid.decimate();
        break;
    }
    if (!changed)
        return WorkOutcome::Failed;
    return buildDrawnMesh(grid, out.mesh, control, 1, 1 + meshParts);
}

// A step that gave up at the stop request returns as if it had failed,
// without a message: the job was stopped.
WorkOutcome unlessStopped(WorkOutcome outcome, const WorkControl& control)
{
    return outcome == WorkOutcome::Failed && control.cancelled() ? WorkOutcome::Cancelled : outcome;
}

} // namespace

WorkOutcome loadTerrain(const QString& file, GridFormat format, std::uint64_t budget, WorkControl& control,
                        TerrainUpdate& out)
{
    const ErrorCollector errors;
    const StopScope stop(control.stopFlag());
    const WorkOutcome outcome = loadLevels(file, format, budget, control, out);
    out.errors = errors.text();
    return unlessStopped(outcome, control);
}

WorkOutcome changeTerrainLevel(const TerrainModel& model, LevelChange change, WorkControl& control,
                               TerrainUpdate& out)
{
    const ErrorCollector errors;
    const StopScope stop(control.stopFlag());
    const WorkOutcome outcome = changeLevel(model, change, control, out);
    out.errors = errors.text();
    return unlessStopped(outcome, control);
}

WorkOutcome buildDrawnMesh(const JGrid& grid, DrawnMesh& mesh, WorkControl& control, int done, int total)
{
    mesh.release();
    if (!grid.loaded)
        return WorkOutcome::Done;
    const StopScope stop(control.stopFlag());
    const char* step = "Finding curvature";
    if (!control.checkpoint(step, done, total))
        return WorkOutcome::Cancelled;
    if (!meshFitsInMemory(grid.width, grid.height)) {
        std::printf("The grid of %u x %u samples is too large to draw: its lines need %.1f GB, this machine has "
                    "%.1f GB\n",
                    grid.width, grid.height, double(meshBytesFor(grid.width, grid.height)) / 1e9,
                    double(physicalMemoryBytes()) / 1e9);
        return WorkOutcome::Done;
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
    if (!control.cancelled())
        return WorkOutcome::Done;
    mesh.release();
    return WorkOutcome::Cancelled;
}

void applyTerrainUpdate(TerrainModel& model, TerrainUpdate&& update)
{
    if (!update.replacesDetails) {
        std::vector<FloatArray2D> stack = std::move(model.grid.details);
        stack.resize(std::min(update.keptDetails, stack.size()));
        for (FloatArray2D& d : update.grid.details)
            stack.push_back(std::move(d));
        update.grid.details = std::move(stack);
        // One mask per level, at the level's index: a level stored without
        // one counts as having none.
        std::vector<ValidMask> masks = std::move(model.grid.detailMasks);
        masks.resize(update.keptDetails / 2);
        for (ValidMask& m : update.grid.detailMasks)
            masks.push_back(std::move(m));
        update.grid.detailMasks = std::move(masks);
    }
    model.grid = std::move(update.grid);
    model.mesh = std::move(update.mesh);
    model.coarse = std::move(update.coarse);
    model.shown = update.shown;
    model.trimmed = std::move(update.trimmed);
}
