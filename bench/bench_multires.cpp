// The filter passes of one level of reverse subdivision and of refinement
// with details, against a plain copy of the finer grid's samples, with the
// normals of the finer grid timed on their own. For each side length the four
// run together; the summary at the end divides each pass time by the copy
// time of the same size.
#include "bench_support.h"
#include "jgrid.h"
#include "multires_passes.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr unsigned sides[] = {1025, 2049, 4097};

// A terrain-like grid and one coarsened level of it, built once per side.
struct Terrain {
    FloatArray2D fine;
    ReverseLevel level;
    JGrid grid; // the same samples, for the normals
};

Terrain& terrain(unsigned side)
{
    static std::map<unsigned, std::unique_ptr<Terrain>> cache;
    auto& t = cache[side];
    if (!t) {
        t = std::make_unique<Terrain>();
        t->grid.resize(side, side);
        for (unsigned r = 0; r < side; ++r)
            for (unsigned c = 0; c < side; ++c)
                t->grid.heights[r][c] =
                    float(500.0 + 300.0 * std::sin(r * 0.01) * std::cos(c * 0.013) + (r * 31 + c * 17) % 7 * 0.37);
        t->grid.loaded = true;
        t->fine = t->grid.heights;
        t->level = reverseSubdivisionPasses(t->fine);
    }
    return *t;
}

void setCounters(benchmark::State& state, std::size_t peakHeap, std::size_t samples)
{
    state.counters["peak_heap_MB"] = double(peakHeap) / (1 << 20);
    state.counters["samples"] = double(samples);
}

void copyFineSamples(benchmark::State& state, unsigned side)
{
    const FloatArray2D& fine = terrain(side).fine;
    std::size_t peak = 0;
    for (auto _ : state) {
        peak = bench::peakHeapDuring([&] {
            FloatArray2D copy = fine;
            benchmark::DoNotOptimize(copy.data());
        });
    }
    setCounters(state, peak, fine.size());
}

void reversePasses(benchmark::State& state, unsigned side)
{
    const FloatArray2D& fine = terrain(side).fine;
    std::size_t peak = 0;
    for (auto _ : state) {
        peak = bench::peakHeapDuring([&] {
            ReverseLevel level = reverseSubdivisionPasses(fine);
            benchmark::DoNotOptimize(level.coarse.data());
        });
    }
    setCounters(state, peak, fine.size());
}

void refinePasses(benchmark::State& state, unsigned side)
{
    const ReverseLevel& level = terrain(side).level;
    std::size_t peak = 0;
    std::size_t samples = 0;
    for (auto _ : state) {
        peak = bench::peakHeapDuring([&] {
            FloatArray2D fine = subdivisionWithDetailsPasses(level.coarse, level.widthDetails, level.heightDetails);
            samples = fine.size();
            benchmark::DoNotOptimize(fine.data());
        });
    }
    setCounters(state, peak, samples);
}

void normalsOnTheirOwn(benchmark::State& state, unsigned side)
{
    JGrid& grid = terrain(side).grid;
    for (auto _ : state) {
        grid.normalsValid = false;
        grid.calcNormals();
        benchmark::DoNotOptimize(grid.normals.data());
    }
    setCounters(state, 0, grid.heights.size());
}

std::string nameOf(const char* what, unsigned side)
{
    return std::string(what) + "/" + std::to_string(side);
}

// The console table, then each pass time over the copy time of its size.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                realTime_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\npass time / copy time (limit 6):\n");
        for (const unsigned side : sides) {
            const auto copy = realTime_.find(nameOf("copy_fine_samples", side));
            if (copy == realTime_.end())
                continue;
            std::printf("  %u x %u:", side, side);
            for (const char* what : {"reverse_subdivide_passes", "subdivide_with_details_passes", "calc_normals"}) {
                const auto time = realTime_.find(nameOf(what, side));
                if (time != realTime_.end())
                    std::printf(" %s %.2f", what, time->second / copy->second);
            }
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> realTime_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (const unsigned side : sides) {
        const std::pair<const char*, void (*)(benchmark::State&, unsigned)> runs[] = {
            {"copy_fine_samples", copyFineSamples},
            {"reverse_subdivide_passes", reversePasses},
            {"subdivide_with_details_passes", refinePasses},
            {"calc_normals", normalsOnTheirOwn},
        };
        for (const auto& [what, run] : runs)
            benchmark::RegisterBenchmark(nameOf(what, side).c_str(), run, side)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
