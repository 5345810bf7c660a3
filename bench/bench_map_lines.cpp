// Building the map lines (contours, profiles, hachures, and all three
// together, as the worker does once per level) on the 1201 x 1201 tile that
// the display budget keeps whole and on a 2049 x 2049 terrain, with the
// mesh build of the same run as the baseline; the families' memory against
// the mesh's.
#include "bench_support.h"
#include "bench_terrain.h"
#include "family_segments.h"
#include "map_lines.h"
#include "terrain_work.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace {

struct Level {
    JGrid grid;
    DrawnMesh mesh;
};

// One terrain and its mesh per size, built once.
Level& levelOf(unsigned side)
{
    static std::map<unsigned, std::unique_ptr<Level>> levels;
    if (!levels.contains(side)) {
        levels.clear(); // one terrain in memory at a time, dropped before the next is made
        auto level = std::make_unique<Level>();
        fillReliefTerrain(level->grid, side);
        WorkControl control;
        buildDrawnMesh(level->grid, level->mesh, control);
        levels.emplace(side, std::move(level));
    }
    return *levels.at(side);
}

double meshBytes(const DrawnMesh& m)
{
    return double(m.vertices.capacity() * sizeof(gmVec3) * 2 + m.faceNormals.capacity() * sizeof(gmVec3)
                  + m.faces.capacity() * sizeof(Face) + m.frames.capacity() * sizeof(CurvatureFrame)
                  + 2 * m.silhouetteEdges.edgeCount() * sizeof(Edge)
                  + 2 * (m.silhouetteEdges.rowCount() + 1) * sizeof(std::uint32_t)
                  + m.occluderPositions.capacity() * sizeof(float));
}

void BM_MeshBuildBaseline(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    Level& level = levelOf(side);
    for (auto _ : state) {
        WorkControl control;
        const auto start = std::chrono::steady_clock::now();
        buildDrawnMesh(level.grid, level.mesh, control);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["side"] = side;
    state.counters["mesh_MB"] = meshBytes(level.mesh) / (1 << 20);
}

// range(1): bit 0 contours, bit 1 profiles, bit 2 hachures.
void BM_MapLines(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    const int which = int(state.range(1));
    Level& level = levelOf(side);
    MapLineSettings settings;
    settings.contours = which & 1;
    settings.profiles = which & 2;
    settings.hachures = which & 4;
    std::vector<LineFamily> families;
    std::size_t peak = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        peak = bench::peakHeapDuring([&] { buildMapLines(level.grid, level.mesh.vertices, settings, families); });
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(ms / 1000.0);
    }
    std::size_t points = 0, polylines = 0, drawBytes = 0;
    for (const LineFamily& f : families) {
        points += f.pointCount();
        polylines += f.polylineCount();
        FamilySegments segments;
        segments.build(f);
        drawBytes += segments.bytes();
    }
    const double bytes = double(familyBytes(families));
    state.counters["side"] = side;
    state.counters["points"] = double(points);
    state.counters["polylines"] = double(polylines);
    state.counters["families_MB"] = bytes / (1 << 20);
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
    state.counters["drawing_MB"] = double(drawBytes) / (1 << 20);
    state.counters["share_of_mesh_%"] = 100.0 * (bytes + double(drawBytes)) / meshBytes(level.mesh);
}

} // namespace

BENCHMARK(BM_MeshBuildBaseline)->Arg(1201)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_MapLines)
    ->ArgNames({"side", "families"})
    ->Args({1201, 1})
    ->Args({1201, 2})
    ->Args({1201, 4})
    ->Args({1201, 7})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();
BENCHMARK(BM_MeshBuildBaseline)->Arg(2049)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();
BENCHMARK(BM_MapLines)->ArgNames({"side", "families"})->Args({2049, 7})->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();

BENCHMARK_MAIN();
