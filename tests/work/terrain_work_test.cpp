// The terrain work as the viewer runs it: on a thread of its own, stopped at
// any of its checkpoints, inside its long steps or at a random moment while
// another thread reads the model, then asked again. Built and run under ThreadSanitizer too.
#include "terrain_work.h"

#include "curvature_frames.h"
#include "memory_room.h"
#include "occluder.h"
#include "parallel_parts.h"
#include "stop_request.h"
#include "terrain_mesh.h"

#include "support/console_capture.h"
#include "support/temp_files.h"
#include "support/test_grid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

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
    std::vector<DetailLevel> details;
    std::size_t vertices, frames, edges;
    float exaggeration;

    explicit Snapshot(const TerrainModel& m)
        : width(m.grid.width), height(m.grid.height), heights(m.grid.heights), details(m.grid.details),
          vertices(m.mesh.vertices.size()), frames(m.mesh.frames.size()), edges(m.mesh.silhouetteEdges.edgeCount()),
          exaggeration(m.grid.verticalExaggeration)
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
    EXPECT_EQ(a.shown().level, b.shown().level);
}

// Writes an n x n float grid of hills in whole metres, which coarsening
// and refining give back bit for bit.
QString writeHills(const TempFiles& files, unsigned n)
{
    std::vector<float> heights(std::size_t(n) * n);
    for (unsigned r = 0; r < n; ++r)
        for (unsigned c = 0; c < n; ++c)
            heights[std::size_t(r) * n + c] =
                float(std::round(500.0 + 200.0 * std::sin(r / 37.0) * std::cos(c / 53.0)) + (r * 7 + c * 13) % 17);
    const QString data = files.path("hills.flt");
    std::ofstream(data.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(heights.data()), std::streamsize(heights.size() * sizeof(float)));
    files.write("hills.hdr", "ncols " + std::to_string(n) + "\nnrows " + std::to_string(n) +
                                 "\nxllcorner 0\nyllcorner 0\ncellsize 30\nNODATA_value -9999\nbyteorder LSBFIRST\n");
    return data;
}

using Clock = std::chrono::steady_clock;

// Runs `request` on this thread; another thread cancels it `delay` after the
// request reaches the checkpoint (step, done), so that the cancel arrives
// while the step that follows runs.
struct CancelledRun {
    WorkOutcome outcome;
    double seconds; // from cancel() to the request's return; negative: it had returned
    int checkpointsAfter; // reached after cancel(): 0 when the step itself gave up
};

CancelledRun cancelDuring(const Request& request, const char* step, int done, std::chrono::microseconds delay)
{
    WorkControl control;
    std::thread canceller;
    std::atomic<Clock::rep> cancelledAt{0};
    int checkpointsAfter = 0;
    control.onCheckpoint = [&](const char* s, int d, int) {
        checkpointsAfter += cancelledAt.load() != 0 ? 1 : 0;
        if (!canceller.joinable() && std::strcmp(s, step) == 0 && d == done)
            canceller = std::thread([&] {
                std::this_thread::sleep_for(delay);
                cancelledAt = Clock::now().time_since_epoch().count();
                control.cancel();
            });
    };
    TerrainUpdate update;
    const WorkOutcome outcome = request(control, update);
    const Clock::time_point end = Clock::now();
    if (!canceller.joinable()) {
        ADD_FAILURE() << "the request never reached " << step << " " << done;
        return {outcome, 0.0, 0};
    }
    canceller.join();
    if (outcome == WorkOutcome::Cancelled) {
        EXPECT_TRUE(update.mesh.vertices.empty() && update.mesh.frames.empty());
    }
    const Clock::time_point cancelled{Clock::duration(cancelledAt.load())};
    return {outcome, std::chrono::duration<double>(end - cancelled).count(), checkpointsAfter};
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
    EXPECT_EQ(full.shown().level, 0);
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
    EXPECT_EQ(shown.grid.details.size(), 2u);
    EXPECT_EQ(shown.shown().describe(102, 87), "showing level 2 of 403 x 344: 102 x 87; Refine restores detail");

    complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    EXPECT_EQ(shown.shown().describe(shown.grid.width, shown.grid.height),
              "showing level 1 of 403 x 344: 202 x 173; Refine restores detail");
    complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    ASSERT_EQ(shown.grid.width, 403u);
    ASSERT_EQ(shown.grid.height, 344u);
    EXPECT_TRUE(shown.grid.details.empty());
    EXPECT_EQ(shown.shown().describe(403, 344), "");
    EXPECT_EQ(shown.mesh.vertices.size(), 403u * 344u);
    // Bit for bit, the left-out last column too.
    EXPECT_TRUE(shown.grid.heights == full.grid.heights);
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
    ASSERT_EQ(shown.shown().level, 2);
    complete(shown, changeRequest(shown, LevelChange::Coarsen));
    for (int k = 0; k < 3; ++k)
        complete(shown, changeRequest(shown, LevelChange::RefineWithDetails));
    ASSERT_EQ(shown.grid.width, full.grid.width);
    ASSERT_EQ(shown.grid.height, full.grid.height);
    EXPECT_TRUE(shown.grid.valid == full.grid.valid);
    EXPECT_EQ(shown.grid.voidCount, full.grid.voidCount);
    EXPECT_TRUE(shown.grid.details.empty());
}

TEST(TerrainWork, TheBudgetCountsSamplesAndZeroMeansNone)
{
    const std::uint64_t samples = 403u * 344u;
    for (const auto& [budget, level] :
         std::vector<std::pair<std::uint64_t, int>>{{samples, 0}, {samples - 1, 1}, {0, 0}, {1, 6}}) {
        SCOPED_TRACE(budget);
        TerrainModel model;
        complete(model, loadRequest(budget));
        EXPECT_EQ(model.shown().level, level);
        EXPECT_EQ(model.grid.details.size(), std::size_t(level));
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

// Brownian refinement and decimation make a grid anew: the details of the
// levels below it no longer fit, and the shared stack starts afresh, as for
// a new file; a later Refine is plain refinement.
TEST(TerrainWork, BrownianRefinementAndDecimationStartANewStack)
{
    for (const LevelChange change : {LevelChange::RefineBrownian, LevelChange::Decimate}) {
        TerrainModel model;
        complete(model, loadRequest(40000)); // 202 x 173, one level stored
        ASSERT_EQ(model.grid.details.size(), 1u);
        complete(model, changeRequest(model, change));
        EXPECT_TRUE(model.grid.details.empty());
        EXPECT_EQ(model.shown().describe(model.grid.width, model.grid.height), "");
        const std::uint32_t width = model.grid.width;
        ConsoleCapture console;
        complete(model, changeRequest(model, LevelChange::RefineWithDetails));
        EXPECT_NE(console.text().find("subdivision without details"), std::string::npos);
        EXPECT_EQ(model.grid.width, 2 * width - 2);
    }
}

// Runs a job in a child process whose address space is capped at what it
// holds now plus `headroom`; exits 0 when the job was refused for want of
// memory (`reason` among its errors) and the model kept its terrain.
void refusedUnderMemoryCap(TerrainModel& model, const Request& request, std::size_t headroom, const std::string& reason)
{
    const Snapshot before(model);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit uncapped{};
    getrlimit(RLIMIT_AS, &uncapped);
    const rlimit cap{rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroom, uncapped.rlim_max};
    if (setrlimit(RLIMIT_AS, &cap) != 0)
        std::_Exit(16);
    // The room left for work follows the limit, not the machine's memory.
    const bool limited = memoryForWork().value_or(~0ull) <= headroom;
    WorkControl control;
    TerrainUpdate update;
    WorkOutcome outcome = WorkOutcome::Done;
    {
        ConsoleCapture quiet;
        outcome = request(control, update);
    }
    setrlimit(RLIMIT_AS, &uncapped); // room again to compare
    const bool told = update.errors.toStdString().find(reason) != std::string::npos;
    // The status names what went wrong: 1 the room, 2 the outcome, 4 the
    // message, 8 the model.
    std::_Exit((limited ? 0 : 1) | (outcome == WorkOutcome::Failed ? 0 : 2) | (told ? 0 : 4)
               | (Snapshot(model) == before ? 0 : 8));
}

TEST(TerrainWork, AJobOutOfMemoryIsRefusedWithTheModelUnchanged)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the cap allows";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a child with a fresh heap
    // The copy of the 16 MB level that Coarsen starts from does not fit.
    const TempFiles files;
    TerrainModel hills;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(hills.grid.loadFLT(writeHills(files, 2049)));
    }
    EXPECT_EXIT(refusedUnderMemoryCap(hills, changeRequest(hills, LevelChange::Coarsen), 4 << 20,
                                      "not enough memory to coarsen the terrain; the terrain is unchanged"),
                testing::ExitedWithCode(0), "");
    // A new exaggeration: the copy fits, the mesh beside the one shown not.
    TerrainModel model;
    complete(model, loadRequest(0));
    const Request exaggerate = [&](WorkControl& c, TerrainUpdate& u) {
        return changeTerrainLevel(model, LevelChange::Unchanged, c, u, [](JGrid& g) { g.verticalExaggeration = 2; });
    };
    EXPECT_EXIT(refusedUnderMemoryCap(model, exaggerate, 16 << 20, "not enough memory to draw the grid of 403 x 344"),
                testing::ExitedWithCode(0), "");
    // Lines drawn from the surface's curvature: the mesh alone would fit
    // beside the copy of the grid (some 4 MB), not with the curvature (9 MB);
    // and the curvature measured for lines alone.
    const std::uint64_t withCurvature = meshBytesFor(403, 344, true);
    ASSERT_EQ(withCurvature - meshBytesFor(403, 344), surfaceCurvatureBytes(403, 344));
    const Request exaggerateWithRidges = [&](WorkControl& c, TerrainUpdate& u) {
        u.lineSettings.ridges = true;
        return exaggerate(c, u);
    };
    EXPECT_EXIT(refusedUnderMemoryCap(model, exaggerateWithRidges, withCurvature - (1 << 20),
                                      "not enough memory to draw the grid of 403 x 344"),
                testing::ExitedWithCode(0), "");
    const Request suggestiveAlone = [&](WorkControl& c, TerrainUpdate& u) {
        u.lineSettings.suggestive = true;
        return rebuildMapLines(model, c, u);
    };
    EXPECT_EXIT(refusedUnderMemoryCap(model, suggestiveAlone, surfaceCurvatureBytes(403, 344) / 2,
                                      "not enough memory to measure the curvature of the grid of 403 x 344"),
                testing::ExitedWithCode(0), "");
}

TEST(TerrainWork, EveryRequestStoppedAtAnyCheckpointChangesNothingAndResumes)
{
    TerrainModel expectedLoad;
    complete(expectedLoad, loadRequest(40000));
    TerrainModel model;
    stopAtEveryCheckpointThenResume(model, loadRequest(40000), expectedLoad);
    ASSERT_EQ(model.shown().level, 1);

    TerrainModel expectedCoarse;
    complete(expectedCoarse, loadRequest(40000));
    complete(expectedCoarse, changeRequest(expectedCoarse, LevelChange::Coarsen));
    stopAtEveryCheckpointThenResume(model, changeRequest(model, LevelChange::Coarsen), expectedCoarse);
    ASSERT_EQ(model.shown().level, 2);

    TerrainModel expectedFine;
    complete(expectedFine, loadRequest(0));
    stopAtEveryCheckpointThenResume(model, changeRequest(model, LevelChange::RefineWithDetails), expectedLoad);
    ASSERT_EQ(model.shown().level, 1);
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
        const bool coarsen = model.shown().level == 1;
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

// With a stop already requested, every long loop gives up at its first
// check: each step refuses or leaves its result incomplete, prints no error.
TEST(TerrainWork, EveryLongStepGivesUpSilentlyAtAStopRequest)
{
    TerrainModel model;
    complete(model, loadRequest(0));
    const JGrid& grid = model.grid;
    const QString data = QStringLiteral(HYPSA_SOURCE_DIR "/data/");
    std::atomic<bool> stop{true};
    {
        const StopScope scope(&stop);
        ConsoleCapture console;
        JGrid loads;
        EXPECT_FALSE(loads.loadGRD(data + "jacksboro.grd"));
        EXPECT_FALSE(loads.loadFLT(data + "jacksboro.flt"));
        EXPECT_FALSE(loads.loadGDAL(data + "jacksboro.tif"));
        EXPECT_FALSE(loads.loaded);

        JGrid level = grid.copyLevel(0);
        EXPECT_FALSE(level.reverseSubdivide());
        EXPECT_FALSE(level.subdivideWithoutDetails());
        EXPECT_FALSE(level.subdivideBrownian());
        level.details = {DetailLevel{FloatArray2D(342, 804), FloatArray2D(403, 403)}};
        EXPECT_FALSE(level.subdivideWithDetails());
        EXPECT_EQ(level.width, 403u);

        DrawnMesh mesh;
        buildTerrainMesh(grid, mesh.vertices, mesh.vertexNormals, mesh.faces, mesh.faceNormals);
        EXPECT_LT(mesh.vertices.size(), 403u * 344u);
        EXPECT_FALSE(mesh.silhouetteEdges.build(model.mesh.vertices.size(), model.mesh.faces));
        EXPECT_EQ(mesh.silhouetteEdges.edgeCount(), 0u);
        computeCurvatureFrames(model.mesh.silhouetteEdges, model.mesh.vertexNormals, grid.width, mesh.frames);
        EXPECT_TRUE(mesh.frames.empty());
        buildOccluderPositions(model.mesh.vertices, model.mesh.vertexNormals, mesh.occluderPositions);
        EXPECT_LT(mesh.occluderPositions.size(), 3 * model.mesh.vertices.size());
        const EdgeBuffer copy = model.mesh.silhouetteEdges;
        EXPECT_EQ(copy.edgeCount(), 0u);

        // The parts of a job on other threads see the request too.
        std::atomic<int> seen{0};
        runParts(3, [&](std::size_t) { seen += stopRequested() ? 1 : 0; });
        EXPECT_EQ(seen, 3);
        const std::string log = console.text();
        EXPECT_EQ(log.find("rror"), std::string::npos) << log;
        EXPECT_EQ(log.find("Premature"), std::string::npos) << log;
    }
    // Out of the scope nothing is installed: the same steps run to their end.
    EXPECT_FALSE(stopRequested());
    JGrid loads;
    EXPECT_TRUE(loads.loadFLT(data + "jacksboro.flt"));
    EXPECT_TRUE(loads.reverseSubdivide());
    const EdgeBuffer copy = model.mesh.silhouetteEdges;
    EXPECT_EQ(copy.edgeCount(), model.mesh.silhouetteEdges.edgeCount());
}

// A cancel that arrives inside a step (reading, coarsening, refining, each
// part of the mesh) ends the job within a second with the model as it was;
// the same request then runs to its end.
TEST(TerrainWork, CancelInsideALongStepEndsTheJobWithinASecond)
{
    const TempFiles files;
    const QString hills = writeHills(files, 2049);
    const std::uint64_t budget = 513u * 513u; // shown at level 2
    const Request load = [&](WorkControl& c, TerrainUpdate& u) {
        return loadTerrain(hills, GridFormat::Float, budget, c, u);
    };
    // Each of these steps takes milliseconds even in a release build.
    const auto delay = std::chrono::microseconds(200);
    double worst = 0.0;
    int late = 0;
    int gaveUpInside = 0;
    TerrainModel model;
    const auto cancelInside = [&](const Request& request, const char* step, int done) {
        SCOPED_TRACE(std::string(step) + " " + std::to_string(done));
        const Snapshot before(model);
        const CancelledRun run = cancelDuring(request, step, done, delay);
        EXPECT_TRUE(Snapshot(model) == before);
        if (run.seconds < 0.0) {
            ++late; // a busy machine ran the cancelling thread only after the job
            return;
        }
        EXPECT_EQ(run.outcome, WorkOutcome::Cancelled);
        EXPECT_LT(run.seconds, 1.0);
        worst = std::max(worst, run.seconds);
        gaveUpInside += run.checkpointsAfter == 0 ? 1 : 0;
    };
    const auto cancelThenComplete = [&](const Request& request, const char* step, int done) {
        cancelInside(request, step, done);
        complete(model, request);
    };
    cancelInside(load, "Loading", 0);
    cancelThenComplete(load, "Coarsening", 1);
    ASSERT_EQ(model.shown().level, 2);
    ASSERT_EQ(model.grid.width, 513u);
    const FloatArray2D shown = model.grid.heights;
    cancelThenComplete(changeRequest(model, LevelChange::Coarsen), "Coarsening", 0);
    ASSERT_EQ(model.grid.width, 257u);
    cancelThenComplete(changeRequest(model, LevelChange::RefineWithDetails), "Refining", 0);
    ASSERT_EQ(model.grid.width, 513u);
    EXPECT_TRUE(model.grid.heights == shown);

    // Reading, coarsening and refining end the job without a checkpoint
    // after the one they follow when they give up; unless the machine
    // delayed every cancel past its step, some did.
    EXPECT_GT(gaveUpInside, 0);
    RecordProperty("gave_up_inside", gaveUpInside);

    const std::size_t frames = model.mesh.frames.size();
    DrawnMesh mesh;
    const Request buildMesh = [&](WorkControl& c, TerrainUpdate&) { return buildDrawnMesh(model.grid, mesh, c); };
    for (int part = 0; part < 4; ++part) {
        cancelInside(buildMesh, "Finding curvature", part);
        // Given back whole, or built whole by a job that ended first.
        EXPECT_TRUE(mesh.vertices.empty() ? mesh.frames.empty() && mesh.occluderPositions.empty()
                                          : mesh.frames.size() == frames);
    }
    WorkControl control;
    ASSERT_EQ(buildDrawnMesh(model.grid, mesh, control), WorkOutcome::Done);
    EXPECT_EQ(mesh.frames.size(), frames);
    EXPECT_LT(late, 4);
    RecordProperty("worst_cancel_ms", int(worst * 1000));
}

TEST(TerrainWork, MapLinesComeWithEveryMeshAndAloneWhenAsked)
{
    MapLineSettings lines;
    lines.contours = lines.hachures = true;
    lines.ridges = lines.valleys = true;
    const auto withLines = [](const MapLineSettings& settings, const Request& request) -> Request {
        return [settings, request](WorkControl& c, TerrainUpdate& u) {
            u.lineSettings = settings;
            return request(c, u);
        };
    };
    const Request load = withLines(lines, loadRequest(40000));
    TerrainModel expected;
    complete(expected, load);
    std::vector<std::string> names;
    for (const LineFamily& f : expected.mesh.families)
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"contours", "index contours", "hachures", "ridges", "valleys"}));
    EXPECT_TRUE(expected.mesh.lineSettings.buildsSameAs(lines));
    EXPECT_GT(expected.mesh.families[2].polylineCount(), 100u);
    EXPECT_GT(expected.mesh.families[3].polylineCount(), 10u);
    EXPECT_GT(expected.mesh.families[4].polylineCount(), 10u);
    // The curvature they come from stays with the mesh.
    EXPECT_EQ(expected.mesh.curvature.width, expected.grid.width);
    EXPECT_EQ(expected.mesh.curvature.samples.size(), expected.mesh.vertices.size());

    // The curvature, then the lines, are the last parts of the job, and a
    // stop there, as at any other checkpoint, leaves the model as it was.
    WorkControl watched;
    std::vector<std::string> steps;
    int lastDone = 0, lastTotal = 0;
    watched.onCheckpoint = [&](const char* step, int done, int total) {
        steps.push_back(step);
        lastDone = done;
        lastTotal = total;
    };
    TerrainUpdate update;
    ASSERT_EQ(load(watched, update), WorkOutcome::Done);
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[steps.size() - 2], "Measuring the surface's curvature");
    EXPECT_EQ(steps.back(), "Drawing map lines");
    EXPECT_EQ(lastDone + 1, lastTotal);
    TerrainModel model;
    stopAtEveryCheckpointThenResume(model, load, expected);
    ASSERT_EQ(model.mesh.families.size(), 5u);

    // A coarser level gets its own lines and curvature, on its own mesh.
    complete(model, withLines(lines, changeRequest(model, LevelChange::Coarsen)));
    ASSERT_EQ(model.mesh.families.size(), 5u);
    EXPECT_EQ(model.mesh.curvature.width, model.grid.width);
    const double right = model.mesh.vertices.back()[0];
    for (const LineFamily* f : {&model.mesh.families[0], &model.mesh.families[3]})
        for (std::size_t p = 0; p < f->pointCount(); p += 97)
            ASSERT_LE(f->points[3 * p], right + 1e-6) << f->name;

    // The lines alone: the grid and mesh stay, the families change; stopped,
    // nothing changes. Lines that need no curvature give it back.
    MapLineSettings profiles;
    profiles.profiles = true;
    const auto alone = [&](const MapLineSettings& settings) -> Request {
        return [&model, settings](WorkControl& c, TerrainUpdate& u) {
            u.lineSettings = settings;
            return rebuildMapLines(model, c, u);
        };
    };
    const Snapshot before(model);
    WorkControl stopped;
    stopped.onCheckpoint = [&](const char*, int, int) { stopped.cancel(); };
    TerrainUpdate dropped;
    EXPECT_EQ(runOnWorker(alone(profiles), stopped, dropped, model), WorkOutcome::Cancelled);
    EXPECT_TRUE(dropped.mesh.families.empty());
    EXPECT_EQ(model.mesh.families.size(), 5u);
    complete(model, alone(profiles));
    EXPECT_TRUE(Snapshot(model) == before);
    ASSERT_EQ(model.mesh.families.size(), 1u);
    EXPECT_EQ(model.mesh.families[0].name, "profiles");
    EXPECT_EQ(model.mesh.families[0].polylineCount(), 80u);
    EXPECT_TRUE(model.mesh.lineSettings.buildsSameAs(profiles));
    EXPECT_TRUE(model.mesh.curvature.samples.empty());

    // The suggestive lines need the curvature alone: it is measured, and
    // ridges asked for later are drawn from it without measuring again.
    MapLineSettings suggestive = profiles;
    suggestive.suggestive = true;
    const auto stepsOf = [&](const Request& request) {
        WorkControl control;
        std::vector<std::string> seen;
        control.onCheckpoint = [&](const char* step, int, int) { seen.push_back(step); };
        TerrainUpdate u;
        EXPECT_EQ(runOnWorker(request, control, u, model), WorkOutcome::Done);
        applyTerrainUpdate(model, std::move(u));
        return seen;
    };
    EXPECT_EQ(stepsOf(alone(suggestive)),
              (std::vector<std::string>{"Measuring the surface's curvature", "Drawing map lines"}));
    ASSERT_EQ(model.mesh.curvature.width, model.grid.width);
    ASSERT_EQ(model.mesh.families.size(), 1u);
    const CurvatureSample* kept = model.mesh.curvature.samples.data();
    MapLineSettings ridges = suggestive;
    ridges.ridges = true;
    EXPECT_EQ(stepsOf(alone(ridges)), std::vector<std::string>{"Drawing map lines"});
    EXPECT_EQ(model.mesh.curvature.samples.data(), kept);
    ASSERT_EQ(model.mesh.families.size(), 2u);
    EXPECT_EQ(model.mesh.families[1].name, "ridges");
}
