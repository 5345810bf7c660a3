// Building the line-drawing mesh (findCurvature) and classifying its edges
// (updateAllEdges) on 1025 x 1025 and 2049 x 2049 terrains with relief, with
// baselines from the same run: writing as many bytes as the mesh holds, and
// one pass over the faces that only computes their facing.
#include "bench_support.h"
#include "bench_terrain.h"
#include "glnprgrid.h"
#include "terrain_mesh.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// One view per size, its mesh built once by the first benchmark that needs it.
GLNPRGrid& viewOf(unsigned side)
{
    static std::map<unsigned, std::unique_ptr<GLNPRGrid>> views;
    auto& view = views[side];
    if (!view) {
        views.clear(); // one terrain in memory at a time
        view = std::make_unique<GLNPRGrid>(nullptr, "glgrid");
        fillReliefTerrain(view->grid, side);
    }
    return *view;
}

double facesOf(unsigned side)
{
    return 2.0 * (side - 1) * (side - 1);
}

// Wall-clock nanoseconds per face of fn, summed over the benchmark's runs.
class FaceClock {
public:
    explicit FaceClock(unsigned side) : faces_(facesOf(side)) {}
    template <typename Fn>
    void time(Fn fn)
    {
        const auto start = std::chrono::steady_clock::now();
        fn();
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        if (runs_ == 0)
            firstNs_ = ns;
        ns_ += ns;
        ++runs_;
    }
    double nsPerFace() const { return runs_ == 0 ? 0.0 : ns_ / runs_ / faces_; }
    // The first run meets fresh memory, the later ones reuse it.
    double firstMs() const { return firstNs_ * 1e-6; }

private:
    double faces_;
    double firstNs_ = 0.0;
    double ns_ = 0.0;
    int runs_ = 0;
};

// The eye of the viewer's start view, in model coordinates.
const gmVec3 startEye(1.75, -2.993, 2.355);

void BM_FindCurvature(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    GLNPRGrid& view = viewOf(side);
    std::size_t peak = 0;
    FaceClock clock(side);
    for (auto _ : state) {
        state.PauseTiming();
        view.clearEdgeData();
        std::vector<CurvatureFrame>().swap(view.frames);
        state.ResumeTiming();
        clock.time([&] { peak = bench::peakHeapDuring([&] { view.findCurvature(); }); });
    }
    const double held = double(view.vertices.capacity() * sizeof(gmVec3) * 2
                               + view.faceNormals.capacity() * sizeof(gmVec3) + view.faces.capacity() * sizeof(Face)
                               + view.frames.capacity() * sizeof(CurvatureFrame)
                               + 2 * view.silhouetteEdges.edgeCount() * sizeof(Edge)
                               + 2 * (view.silhouetteEdges.rowCount() + 1) * sizeof(std::uint32_t));
    state.counters["side"] = side;
    state.counters["ns_per_face"] = clock.nsPerFace();
    state.counters["mesh_MB"] = held / (1 << 20);
    state.counters["first_run_ms"] = clock.firstMs();
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
}

void BM_WriteMeshBytesBaseline(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    const std::size_t bytes = meshBytesFor(side, side);
    for (auto _ : state) {
        std::unique_ptr<char[]> block(new char[bytes]);
        std::fill_n(block.get(), bytes, char(1));
        benchmark::DoNotOptimize(block.get());
    }
    state.counters["side"] = side;
    state.counters["MB"] = double(bytes) / (1 << 20);
}

void BM_UpdateAllEdges(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    const unsigned threads = unsigned(state.range(1));
    GLNPRGrid& view = viewOf(side);
    if (view.vertices.empty())
        view.findCurvature();
    std::size_t peak = 0;
    FaceClock clock(side);
    for (auto _ : state)
        clock.time([&] {
            peak = bench::peakHeapDuring([&] {
                view.silhouetteEdges.updateAllEdges(view.faces, view.faceNormals, view.vertices, startEye, 0.2f,
                                                    0.05f, threads);
            });
        });
    std::size_t used = 0, silhouettes = 0;
    for (const Edge& e : view.silhouetteEdges.edges()) {
        used += e.used;
        silhouettes += e.isSilhouette();
    }
    state.counters["side"] = side;
    state.counters["threads"] = threads;
    state.counters["ns_per_face"] = clock.nsPerFace();
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
    state.counters["used"] = double(used);
    state.counters["silhouettes"] = double(silhouettes);
}

void BM_FacingOnlyBaseline(benchmark::State& state)
{
    const unsigned side = unsigned(state.range(0));
    GLNPRGrid& view = viewOf(side);
    if (view.vertices.empty())
        view.findCurvature();
    FaceClock clock(side);
    for (auto _ : state) {
        std::size_t towards = 0;
        clock.time([&] {
            for (std::size_t f = 0; f < view.faces.size(); ++f) {
                const Face& face = view.faces[f];
                gmVec3 d = ((view.vertices[face.v[0]] + view.vertices[face.v[1]]) + view.vertices[face.v[2]]) / 3.0
                           - startEye;
                d.normalize();
                towards += dot(view.faceNormals[f], d) < 0;
            }
        });
        benchmark::DoNotOptimize(towards);
    }
    state.counters["side"] = side;
    state.counters["ns_per_face"] = clock.nsPerFace();
}

} // namespace

BENCHMARK(BM_WriteMeshBytesBaseline)->Arg(1025)->Arg(2049)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FindCurvature)->Arg(1025)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FacingOnlyBaseline)->Arg(1025)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UpdateAllEdges)->Args({1025, 1})->Args({1025, 2})->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FindCurvature)->Arg(2049)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FacingOnlyBaseline)->Arg(2049)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UpdateAllEdges)->Args({2049, 1})->Args({2049, 2})->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv)
{
    // The view is never shown: no display is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
