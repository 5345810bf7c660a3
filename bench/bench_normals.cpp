// Vertex normals of a 4097 x 4097 terrain against a plain copy of the normals
// array, with the peak heap each needs.
#include "bench_support.h"
#include "jgrid.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr unsigned side = 4097;

JGrid& terrain()
{
    static JGrid g;
    if (!g.loaded) {
        g.resize(side, side);
        for (unsigned r = 0; r < side; ++r)
            for (unsigned c = 0; c < side; ++c)
                g.heights[r][c] = float(500.0 + 300.0 * std::sin(r * 0.01) * std::cos(c * 0.013) + (r * 31 + c * 17) % 7);
        g.loaded = true;
    }
    return g;
}

void BM_CalcNormals(benchmark::State& state)
{
    JGrid& g = terrain();
    std::size_t peak = 0;
    for (auto _ : state) {
        g.normalsValid = false;
        peak = bench::peakHeapDuring([&] { g.calcNormals(); });
        benchmark::DoNotOptimize(g.normals.data());
    }
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
    state.counters["samples"] = double(side) * side;
}

void BM_CopyNormalsBaseline(benchmark::State& state)
{
    JGrid& g = terrain();
    std::size_t peak = 0;
    for (auto _ : state) {
        peak = bench::peakHeapDuring([&] {
            Array2D<gmVec3> copy = g.normals;
            benchmark::DoNotOptimize(copy.data());
        });
    }
    state.counters["peak_heap_MB"] = double(peak) / (1 << 20);
    state.counters["samples"] = double(side) * side;
}

} // namespace

BENCHMARK(BM_CopyNormalsBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CalcNormals)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
