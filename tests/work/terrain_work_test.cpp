// The terrain work as the viewer runs it: on a thread of its own, stopped at
// any of its checkpoints or at a random moment while another thread reads
// the model, then asked again. Built and run under ThreadSanitizer too.
#include "terrain_work.h"

#include "support/console_capture.h"
#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace {

const QString terrain = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd"); // 403 x 344

using Request = std::function<WorkOutcome(WorkControl&, TerrainUpdate&)>;

Request loadRequest(std::uint64_t budget)
{
    return [budget](WorkControl& c, TerrainUpdate& u) { return loadTerrain(terrain, GridFormat::Ascii, budget, c, u); };
}

Request changeRequest(const TerrainModel& model, LevelChange change)
{
    return [&model, change](WorkControl& c, TerrainUpdate& u) { return changeTerrainLevel(model, change, c, u); };
}

// Runs a request on a worker thread while this thread keeps reading the
// model, as the view paints during the work.
WorkOutcome runOnWorker(const Request& request, WorkControl& control, TerrainUpdate& update, const TerrainModel& model)
{
    std::atomic<bool> finished{false};
    WorkOutcome outcome = WorkOutcome::Failed;
    std::thread worker([&] {
        outcome = request(control, update);
        finished.store(true, std::memory_order_release);
    });
    double seen = 0.0;
    while (!finished.load(std::memory_order_acquire)) {
        if (!model.grid.heights.empty())
            seen += model.grid.heights[model.grid.height / 2][model.grid.width / 2];
        seen += double(model.mesh.vertices.size());
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_GE(seen, 0.0);
    return outcome;
}

// Runs a request to its end and gives the model the result.
void complete(TerrainModel& model, const Request& request)
{
    WorkControl control;
    TerrainUpdate update;
    ASSERT_EQ(runOnWorker(request, control, update, model), WorkOutcome::Done);
    applyTerrainUpdate(model, std::move(update));
}

// Everything a stopped request must leave as it was.
struct Snapshot {
    std::uint32_t width, height;
    FloatArray2D heights;
    std::vector<FloatArray2D> details;
    std::size_t vertices, frames, edges, trimmed;
    int level;

    explicit Snapshot(const TerrainModel& m)
        : width(m.grid.width), height(m.grid.height), heights(m.grid.heights), details(m.grid.details),
          vertices(m.mesh.vertices.size()), frames(m.mesh.frames.size()), edges(m.mesh.silhouetteEdges.edgeCount()),
          trimmed(m.trimmed.size()), level(m.shown.level)
    {
    }
    bool operator==(const Snapshot&) const = default;
};

void expectSameTerrain(const TerrainModel& a, const TerrainModel& b)
{
    ASSERT_EQ(a.grid.width, b.grid.width);
    ASSERT_EQ(a.grid.height, b.grid.height);
    EXPECT_TRUE(a.grid.heights == b.grid.heights);
    EXPECT_TRUE(a.grid.details == b.grid.details);
    EXPECT_EQ(a.mesh.vertices.size(), b.mesh.vertices.size());
    EXPECT_EQ(a.mesh.frames.size(), b.mesh.frames.size());
    EXPECT_EQ(a.shown.level, b.shown.level);
    EXPECT_EQ(a.trimmed.size(), b.trimmed.size());
}

// Stops `request` at its k-th checkpoint for every k it has, checks that the
// model kept its state, then asks again and expects what an uninterrupted
// run gives.
void stopAtEveryCheckpointThenResume(TerrainModel& model, const Request& request, const TerrainModel& expected)
{
    const Snapshot before(model);
    for (int k = 0;; ++k) {
        SCOPED_TRACE(k);
        WorkControl control;
        int reached = 0;
        control.onCheckpoint = [&](const char*, int, int) {
            if (reached++ == k)
                control.cancel();
        };
        TerrainUpdate update;
        const WorkOutcome outcome = runOnWorker(request, control, update, model);
        ASSERT_TRUE(Snapshot(model) == before);
        if (outcome == WorkOutcome::Done) {
            EXPECT_GT(k, 2); // every request passes several checkpoints
            break;
        }
        ASSERT_EQ(outcome, WorkOutcome::Cancelled);
        EXPECT_TRUE(update.mesh.vertices.empty());
    }
    complete(model, request);
    expectSameTerrain(model, expected);
}

} // namespace

TEST(TerrainWork, ALoadAboveTheBudgetShowsACoarsenedLevelThatRefineRestoresExactly)
{
    TerrainModel full;
    complete(full, loadRequest(0));
    EXPECT_EQ(full.shown.level, 0);
    EXPECT_EQ(full.mesh.vertices.size(), 403u * 344u);

    // 403 x 344 -> 202 x 173 (34946 samples) -> 102 x 87 (8874).
    TerrainModel shown;
    ConsoleCapture console;
    complete(shown, loadRequest(10000));
    const std::string log = console.text();
    EXPECT_NE(log.find("showing level 2 of 403 x 344: 102 x 87; Refine restores detail\nstarting to find curvature\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(shown.grid.width, 102u);
    EXPECT_EQ(shown.grid.height, 87u);
    EXPECT_EQ(shown.mesh.vertices.size(), 102u * 87u);
    EXPECT_EQ(shown.grid.details.size(), 4u);
    EXPECT_EQ(shown.shown.describe(102, 87), "showing level 2 of 403 x 344: 102 x 87; Refine restores detail");

    complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    EXPECT_EQ(shown.shown.describe(shown.grid.width, shown.grid.height),
              "showing level 1 of 403 x 344: 202 x 173; Refine restores detail");
    complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    ASSERT_EQ(shown.grid.width, 403u);
    ASSERT_EQ(shown.grid.height, 344u);
    EXPECT_TRUE(shown.grid.details.empty());
    EXPECT_TRUE(shown.trimmed.empty());
    EXPECT_EQ(shown.shown.describe(403, 344), "");
    EXPECT_EQ(shown.mesh.vertices.size(), 403u * 344u);
    float worst = 0.0f;
    for (unsigned r = 0; r < 344; ++r)
        for (unsigned c = 0; c < 403; ++c)
            worst = std::max(worst, std::abs(shown.grid.heights[r][c] - full.grid.heights[r][c]));
    EXPECT_LT(worst, 1e-3f);
    // The left-out last column comes back as it was read.
    for (unsigned r = 0; r < 344; ++r)
        ASSERT_EQ(shown.grid.heights[r][402], full.grid.heights[r][402]) << r;
}

// A grid with voids: the stored masks follow their levels through the copies
// the work makes, so Refine gives back every void where it was.
TEST(TerrainWork, VoidsComeBackWithTheLevelsTheyBelongTo)
{
    const QString voids = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro_voids.asc");
    const auto load = [&](std::uint64_t budget) {
        return [&, budget](WorkControl& c, TerrainUpdate& u) { return loadTerrain(voids, GridFormat::ByName, budget, c, u); };
    };
    TerrainModel full;
    complete(full, load(0));
    ASSERT_GT(full.grid.voidCount, 0u);
    TerrainModel shown;
    complete(shown, load(10000));
    ASSERT_EQ(shown.shown.level, 2);
    complete(shown, changeRequest(shown, LevelChange::Coarsen));
    for (int k = 0; k < 3; ++k)
        complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    ASSERT_EQ(shown.grid.width, full.grid.width);
    ASSERT_EQ(shown.grid.height, full.grid.height);
    EXPECT_TRUE(shown.grid.valid == full.grid.valid);
    EXPECT_EQ(shown.grid.voidCount, full.grid.voidCount);
    EXPECT_TRUE(shown.grid.detailMasks.empty());
}

TEST(TerrainWork, TheBudgetCountsSamplesAndZeroMeansNone)
{
    const std::uint64_t samples = 403u * 344u;
    for (const auto& [budget, level] :
         std::vector<std::pair<std::uint64_t, int>>{{samples, 0}, {samples - 1, 1}, {0, 0}, {1, 6}}) {
        SCOPED_TRACE(budget);
        TerrainModel model;
        complete(model, loadRequest(budget));
        EXPECT_EQ(model.shown.level, level);
        EXPECT_EQ(model.trimmed.size(), std::size_t(level));
    }
}

TEST(TerrainWork, FailuresLeaveTheModelAsItWas)
{
    TerrainModel model;
    complete(model, loadRequest(0));
    const Snapshot before(model);
    WorkControl control;
    TerrainUpdate update;
    EXPECT_EQ(loadTerrain(HYPSA_SOURCE_DIR "/data/missing.grd", GridFormat::Ascii, 0, control, update),
              WorkOutcome::Failed);
    // No details stored: refining with details is plain refinement, so the
    // refusal comes from coarsening a grid below 10 samples.
    TerrainModel tiny;
    fillTestGrid(tiny.grid, 8, 8, 30.0f, [](unsigned r, unsigned c) { return float(r + c); });
    TerrainUpdate coarser;
    EXPECT_EQ(changeTerrainLevel(tiny, LevelChange::Coarsen, control, coarser), WorkOutcome::Failed);
    EXPECT_EQ(tiny.grid.width, 8u);
    EXPECT_TRUE(Snapshot(model) == before);
}

TEST(TerrainWork, TrimmedEdgesGoBackOnlyOntoTheLevelTheyCameFrom)
{
    JGrid grid;
    fillTestGrid(grid, 13, 11, 30.0f, [](unsigned r, unsigned c) { return float(r * 100 + c); });
    const TrimmedEdges edges = trimmedEdgesOf(grid);
    ASSERT_EQ(edges.lastColumn.size(), 11u);
    ASSERT_EQ(edges.lastRow.size(), 12u);
    EXPECT_EQ(edges.lastColumn[10], 1012.0f);
    EXPECT_EQ(edges.lastRow[11], 1011.0f);

    JGrid wrong;
    fillTestGrid(wrong, 12, 12, 30.0f, [](unsigned, unsigned) { return 0.0f; });
    EXPECT_FALSE(restoreTrimmedEdges(wrong, edges));
    EXPECT_EQ(wrong.width, 12u);

    JGrid even;
    fillTestGrid(even, 12, 10, 30.0f, [](unsigned r, unsigned c) { return float(r * 100 + c); });
    ASSERT_TRUE(restoreTrimmedEdges(even, edges));
    ASSERT_EQ(even.width, 13u);
    ASSERT_EQ(even.height, 11u);
    EXPECT_TRUE(even.heights == grid.heights);
    EXPECT_EQ(even.maxHeight, 1012.0f);
}

TEST(TerrainWork, EveryRequestStoppedAtAnyCheckpointChangesNothingAndResumes)
{
    TerrainModel expectedLoad;
    complete(expectedLoad, loadRequest(40000));
    TerrainModel model;
    stopAtEveryCheckpointThenResume(model, loadRequest(40000), expectedLoad);
    ASSERT_EQ(model.shown.level, 1);

    TerrainModel expectedCoarse;
    complete(expectedCoarse, loadRequest(40000));
    complete(expectedCoarse, changeRequest(expectedCoarse, LevelChange::Coarsen));
    stopAtEveryCheckpointThenResume(model, changeRequest(model, LevelChange::Coarsen), expectedCoarse);
    ASSERT_EQ(model.shown.level, 2);

    TerrainModel expectedFine;
    complete(expectedFine, loadRequest(0));
    stopAtEveryCheckpointThenResume(model, changeRequest(model, LevelChange::RefineWithDetails), expectedLoad);
    ASSERT_EQ(model.shown.level, 1);
    stopAtEveryCheckpointThenResume(model, changeRequest(model, LevelChange::RefineWithDetails), expectedFine);
    ASSERT_EQ(model.grid.width, 403u);

    // The mesh alone.
    DrawnMesh mesh;
    for (int k = 0; k < 4; ++k) {
        WorkControl control;
        int reached = 0;
        control.onCheckpoint = [&](const char* step, int, int) {
            EXPECT_STREQ(step, "Finding curvature");
            if (reached++ == k)
                control.cancel();
        };
        EXPECT_EQ(buildDrawnMesh(model.grid, mesh, control), WorkOutcome::Cancelled);
        EXPECT_TRUE(mesh.vertices.empty() && mesh.frames.empty() && mesh.occluderPositions.empty());
    }
    WorkControl control;
    EXPECT_EQ(buildDrawnMesh(model.grid, mesh, control), WorkOutcome::Done);
    EXPECT_EQ(mesh.frames.size(), model.mesh.frames.size());
    EXPECT_EQ(mesh.occluderPositions.size(), 3 * mesh.vertices.size());
}

TEST(TerrainWork, StoppedAtRandomMomentsFromAnotherThread)
{
    std::random_device device;
    const unsigned seed = device();
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    TerrainModel model;
    complete(model, loadRequest(40000));
    TerrainModel fine;
    complete(fine, loadRequest(40000));
    TerrainModel coarse;
    complete(coarse, loadRequest(40000));
    complete(coarse, changeRequest(coarse, LevelChange::Coarsen));
    int stopped = 0;
    for (int round = 0; round < 6; ++round) {
        const bool coarsen = model.shown.level == 1;
        const Snapshot before(model);
        WorkControl control;
        TerrainUpdate update;
        std::atomic<bool> finished{false};
        WorkOutcome outcome = WorkOutcome::Failed;
        const Request request = changeRequest(model, coarsen ? LevelChange::Coarsen : LevelChange::RefineWithDetails);
        std::thread worker([&] {
            outcome = request(control, update);
            finished.store(true);
        });
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        control.cancel();
        worker.join();
        if (outcome == WorkOutcome::Cancelled) {
            ++stopped;
            EXPECT_TRUE(Snapshot(model) == before);
            complete(model, request);
        } else {
            ASSERT_EQ(outcome, WorkOutcome::Done);
            applyTerrainUpdate(model, std::move(update));
        }
        expectSameTerrain(model, coarsen ? coarse : fine);
    }
    RecordProperty("stopped", stopped);
}
