// Surface lines on 1201 x 1201 terrains, as the viewer computes them: the
// curvature plus ridges and valleys as the worker builds them with a level
// (rebuildMapLines, which measures the curvature the mesh lacks), next to the
// mesh build of the same grid, and the suggestive contours and highlights of
// a new eye as the view computes them (SuggestivePass) next to the
// silhouette classification (EdgeBuffer::updateAllEdges) of the same mesh,
// all from the same run.
// Terrain 0 is the synthetic relief of the other benchmarks, terrain 1 the
// bundled real terrain mirrored into a 1201 x 1201 tile (real valleys and
// ridges, 90 m cells).
#include "bench_support.h"
#include "bench_terrain.h"
#include "edge_buffer.h"
#include "ridge_lines.h"
#include "suggestive_pass.h"
#include "surface_curvature.h"
#include "terrain_mesh.h"
#include "terrain_work.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr unsigned side = 1201;

// The bundled terrain repeated in mirror images up to side x side samples,
// so that the tile is as continuous as the terrain itself.
void fillMirroredTerrain(JGrid& g)
{
    JGrid source;
    if (!source.loadFile(QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd"))) {
        std::fprintf(stderr, "cannot read the bundled terrain\n");
        std::exit(1);
    }
    const auto mirrored = [](unsigned i, unsigned n) {
        const unsigned period = 2 * (n - 1), k = i % period;
        return k < n ? k : period - k;
    };
    g.resize(side, side);
    for (unsigned r = 0; r < side; ++r)
        for (unsigned c = 0; c < side; ++c)
            g.heights[r][c] = source.heights[mirrored(r, source.height)][mirrored(c, source.width)];
    g.updateStatistics();
    g.calcNormals();
    g.cellSize = source.cellSize;
    g.eastWestRatio = source.eastWestRatio;
    g.loaded = true;
}

struct Terrain {
    TerrainModel model; // the grid and its mesh, without curvature
    JGrid& grid = model.grid;
    std::vector<gmVec3>& vertices = model.mesh.vertices;
    EdgeBuffer edges;
    SurfaceCurvature curvature;

    explicit Terrain(int kind)
    {
        if (kind == 0)
            fillReliefTerrain(grid, side);
        else
            fillMirroredTerrain(grid);
        WorkControl control;
        buildDrawnMesh(grid, model.mesh, control);
        edges.build(vertices.size(), model.mesh.faces);
        computeSurfaceCurvature(grid, curvature);
    }
};

// One terrain in memory at a time, built by the first benchmark that needs it.
Terrain& terrain(benchmark::State& state)
{
    static std::unique_ptr<Terrain> t;
    static int kind = -1;
    if (kind != state.range(0)) {
        t.reset();
        kind = int(state.range(0));
        t = std::make_unique<Terrain>(kind);
    }
    state.counters["terrain"] = double(kind);
    return *t;
}

// The eye of the viewer's start view, in model coordinates.
const gmVec3 startEye(1.75, -2.993, 2.355);

void countLines(benchmark::State& state, const char* name, const LineFamily& f)
{
    state.counters[std::string(name) + "_polylines"] = double(f.polylineCount());
    state.counters[std::string(name) + "_points"] = double(f.pointCount());
}

void BM_MeshBuildBaseline(benchmark::State& state)
{
    Terrain& t = terrain(state);
    std::vector<gmVec3> vertices, vertexNormals, faceNormals;
    std::vector<Face> faces;
    for (auto _ : state)
        buildTerrainMesh(t.grid, vertices, vertexNormals, faces, faceNormals);
    state.counters["side"] = side;
}

// The worker's job when ridges and valleys are switched on: the curvature
// measured into fresh memory, then the two families.
void BM_CurvatureRidgesValleys(benchmark::State& state)
{
    Terrain& t = terrain(state);
    std::unique_ptr<TerrainUpdate> update;
    std::size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        update = std::make_unique<TerrainUpdate>();
        update->lineSettings.ridges = update->lineSettings.valleys = true;
        WorkControl control;
        state.ResumeTiming();
        peak = bench::peakHeapDuring([&] { rebuildMapLines(t.model, control, *update); });
    }
    const DrawnMesh& built = update->mesh;
    state.counters["side"] = side;
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
    state.counters["curvature_MB"] = double(built.curvature.samples.capacity() * sizeof(CurvatureSample)
                                            + built.curvature.known.capacity())
                                     / (1 << 20);
    if (built.families.size() == 2) {
        countLines(state, "ridges", built.families[0]);
        countLines(state, "valleys", built.families[1]);
    }
}

void BM_CurvatureOnly(benchmark::State& state)
{
    Terrain& t = terrain(state);
    SurfaceCurvature curvature;
    for (auto _ : state) {
        state.PauseTiming();
        curvature.clear();
        state.ResumeTiming();
        computeSurfaceCurvature(t.grid, curvature);
    }
    state.counters["side"] = side;
}

void BM_SilhouetteClassificationBaseline(benchmark::State& state)
{
    Terrain& t = terrain(state);
    for (auto _ : state)
        t.edges.updateAllEdges(t.model.mesh.faces, t.model.mesh.faceNormals, t.vertices, startEye, 0.2f, 0.05f);
    state.counters["side"] = side;
}

// The view's pass with an eye that moved since the last frame, so that
// every frame computes.
void BM_SuggestiveForOneEye(benchmark::State& state)
{
    Terrain& t = terrain(state);
    SuggestivePass pass;
    const gmVec3 moved = startEye + gmVec3(0.0, 0.04, 0.0);
    int frame = 0;
    for (auto _ : state)
        pass.update(t.curvature, t.grid.valid, t.vertices, SurfaceEye{frame++ % 2 ? moved : startEye},
                    defaultSuggestiveThreshold);
    state.counters["side"] = side;
    state.counters["pass_MB"] = double(pass.bytes()) / (1 << 20);
    countLines(state, "contours", pass.contours());
    countLines(state, "highlights", pass.highlights());
}

} // namespace

// Every benchmark of one terrain before the next terrain is built.
BENCHMARK(BM_MeshBuildBaseline)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CurvatureRidgesValleys)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CurvatureOnly)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SilhouetteClassificationBaseline)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SuggestiveForOneEye)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_MeshBuildBaseline)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CurvatureRidgesValleys)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CurvatureOnly)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SilhouetteClassificationBaseline)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SuggestiveForOneEye)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

BENCHMARK_MAIN();
