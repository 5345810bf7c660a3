// The view's work that scales with the grid, on a 1201 x 1201 terrain with
// relief: Fit Terrain in perspective and orthographic, against the box of the
// drawn vertices (one pass over the faces); and the coarse level a load
// builds for the moving view, against building the drawn level's mesh.
#include "bench_terrain.h"
#include "coarse_level.h"
#include "frame_times.h"
#include "terrain_mesh.h"
#include "view_fit.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr unsigned side = 1201;

struct Terrain {
    JGrid grid;
    DrawnMesh mesh;
    LevelPlacement placement;
    Terrain()
    {
        fillReliefTerrain(grid, side);
        WorkControl control;
        buildDrawnMesh(grid, mesh, control);
        placement = placeLevel(mesh.extent->low, mesh.extent->high, 1.0);
    }
};

Terrain& terrain()
{
    static const std::unique_ptr<Terrain> t = std::make_unique<Terrain>();
    return *t;
}

void BM_FitTerrain(benchmark::State& state)
{
    Terrain& t = terrain();
    ViewState view;
    view.xRot = 30.0f;
    view.zRot = 40.0f;
    view.orthographic = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(fitViewTranslation(t.mesh.vertices, t.mesh.faces, view, t.placement, 699, 500));
    state.counters["side"] = side;
    state.counters["orthographic"] = double(view.orthographic);
}

void BM_DrawnBoxBaseline(benchmark::State& state)
{
    Terrain& t = terrain();
    for (auto _ : state)
        benchmark::DoNotOptimize(drawnExtent(t.mesh.vertices, t.mesh.faces));
    state.counters["side"] = side;
}

void BM_BuildCoarseLevel(benchmark::State& state)
{
    Terrain& t = terrain();
    const std::uint64_t budget = FrameTimes().faceBudget();
    CoarseLevel coarse;
    for (auto _ : state) {
        WorkControl control;
        buildCoarseLevel(t.grid, budget, coarse, control);
    }
    state.counters["side"] = side;
    state.counters["budget_faces"] = double(budget);
    state.counters["coarse_faces"] = double(coarse.mesh.faces.size());
}

void BM_BuildDrawnMeshBaseline(benchmark::State& state)
{
    Terrain& t = terrain();
    DrawnMesh mesh;
    for (auto _ : state) {
        WorkControl control;
        buildDrawnMesh(t.grid, mesh, control);
    }
    state.counters["side"] = side;
    state.counters["faces"] = double(mesh.faces.size());
}

} // namespace

BENCHMARK(BM_DrawnBoxBaseline)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FitTerrain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_BuildDrawnMeshBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BuildCoarseLevel)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
