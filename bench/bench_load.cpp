// Loading grids of 1025, 2049 and 4097 samples a side, each figure next to a
// baseline measured in the same run:
// - ASCII load (reading and parsing, no normals) against a loop of
//   fscanf("%2047s") and atof over the same file;
// - float-grid load against reading the file's bytes;
// - the normals on their own;
// - peak memory of loading the 4097 x 4097 ASCII grid, normals included,
//   against the arrays a loaded grid of that size holds.
#include "bench_support.h"
#include "grid_load.h"
#include "jgrid.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int sides[] = {1025, 2049, 4097};

// Files live in one temporary directory for the whole run.
struct GridFiles {
    std::string directory;
    std::map<int, std::string> ascii;
    std::map<int, std::string> flt;

    GridFiles()
    {
        char pattern[] = "/tmp/hypsa_bench_load_XXXXXX";
        directory = mkdtemp(pattern);
        for (const int side : sides)
            write(side);
    }
    ~GridFiles()
    {
        for (const int side : sides) {
            std::remove(ascii[side].c_str());
            std::remove(flt[side].c_str());
            std::remove((directory + "/g" + std::to_string(side) + ".hdr").c_str());
        }
        rmdir(directory.c_str());
    }

    static float sample(int r, int c)
    {
        return float(500.0 + 300.0 * std::sin(r * 0.01) * std::cos(c * 0.013) + (r * 31 + c * 17) % 7 * 0.37);
    }

    void write(int side)
    {
        const std::string base = directory + "/g" + std::to_string(side);
        ascii[side] = base + ".grd";
        flt[side] = base + ".flt";
        std::FILE* grd = std::fopen(ascii[side].c_str(), "w");
        std::FILE* raw = std::fopen(flt[side].c_str(), "wb");
        std::FILE* hdr = std::fopen((base + ".hdr").c_str(), "w");
        std::fprintf(grd, "ncols\t%i\nnrows\t%i\nxllcorner\t0\nyllcorner\t0\nxdim\t0.000833333353511989\n"
                          "ydim\t0.000833333353511989\nNODATA_value\t-9999\n", side, side);
        std::fprintf(hdr, "ncols %i\nnrows %i\ncellsize 0.000833333333333\nbyteorder LSBFIRST\n", side, side);
        std::vector<float> row(side);
        for (int r = 0; r < side; ++r) {
            for (int c = 0; c < side; ++c) {
                row[c] = sample(r, c);
                std::fprintf(grd, "%1.2f ", row[c]);
            }
            std::fprintf(grd, "\n");
            std::fwrite(row.data(), sizeof(float), row.size(), raw);
        }
        std::fprintf(grd, "\n");
        std::fclose(grd);
        std::fclose(raw);
        std::fclose(hdr);
    }
};

GridFiles* files = nullptr;

// Fastest iteration of every benchmark, for the summary printed at the end.
std::map<std::string, double> fastest;

template <typename F>
void timeIterations(benchmark::State& state, const std::string& key, F&& work)
{
    double best = 1e30;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
    }
    fastest[key + std::to_string(state.range(0))] = best;
    state.counters["side"] = double(state.range(0));
}

// Silences the loaders' console lines while they are timed.
struct QuietStdout {
    int saved = dup(fileno(stdout));
    QuietStdout()
    {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, fileno(stdout));
        close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        dup2(saved, fileno(stdout));
        close(saved);
    }
};

// Reading and parsing as the loaders do, without installing the samples
// in a grid (so without the normals).
void timeReader(benchmark::State& state, const std::string& file, const std::string& key, GridFileReader readFile)
{
    const QString path = QString::fromStdString(file);
    QuietStdout quiet;
    timeIterations(state, key, [&] {
        LoadedSamples samples;
        readFile(path, samples);
        benchmark::DoNotOptimize(samples.heights.data());
    });
}

void BM_AsciiLoad(benchmark::State& state)
{
    timeReader(state, files->ascii[int(state.range(0))], "ascii", readAsciiGrid);
}

void BM_AsciiFscanfAtofBaseline(benchmark::State& state)
{
    const int side = int(state.range(0));
    const std::string& path = files->ascii[side];
    timeIterations(state, "fscanf", [&] {
        std::vector<float> values(std::size_t(side) * side);
        std::FILE* f = std::fopen(path.c_str(), "r");
        char token[2048];
        for (int i = 0; i < 14; ++i)
            if (std::fscanf(f, "%2047s", token) != 1)
                break;
        std::size_t count = 0;
        while (count < values.size() && std::fscanf(f, "%2047s", token) == 1)
            values[count++] = float(std::atof(token));
        std::fclose(f);
        benchmark::DoNotOptimize(values.data());
    });
}

void BM_FloatLoad(benchmark::State& state)
{
    timeReader(state, files->flt[int(state.range(0))], "float", readFloatGrid);
}

void BM_FloatReadBytesBaseline(benchmark::State& state)
{
    const int side = int(state.range(0));
    const std::string& path = files->flt[side];
    timeIterations(state, "bytes", [&] {
        std::vector<char> bytes(std::size_t(side) * side * sizeof(float));
        std::FILE* f = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    });
}

void BM_Normals(benchmark::State& state)
{
    JGrid g;
    {
        QuietStdout quiet;
        g.loadFLT(QString::fromStdString(files->flt[int(state.range(0))]));
    }
    timeIterations(state, "normals", [&] {
        g.normalsValid = false;
        g.calcNormals();
        benchmark::DoNotOptimize(g.normals.data());
    });
}

void BM_AsciiLoadPeakMemory(benchmark::State& state)
{
    const int side = int(state.range(0));
    const QString path = QString::fromStdString(files->ascii[side]);
    std::size_t rss = 0;
    std::size_t heap = 0;
    for (auto _ : state) {
        QuietStdout quiet;
        rss = bench::peakRssOfChild([&] {
            JGrid g;
            g.loadGRD(path);
        });
        heap = bench::peakHeapDuring([&] {
            JGrid g;
            g.loadGRD(path);
        });
    }
    const double samples = double(side) * side;
    state.counters["peak_rss_MB"] = double(rss) / (1 << 20);
    state.counters["peak_heap_MB"] = double(heap) / (1 << 20);
    state.counters["grid_arrays_MB"] = samples * (sizeof(float) + sizeof(gmVec3)) / (1 << 20);
    state.counters["side"] = side;
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (const int side : sides)
        b->Arg(side);
    b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
}

} // namespace

BENCHMARK(BM_AsciiFscanfAtofBaseline)->Apply(sizes);
BENCHMARK(BM_AsciiLoad)->Apply(sizes);
BENCHMARK(BM_FloatReadBytesBaseline)->Apply(sizes);
BENCHMARK(BM_FloatLoad)->Apply(sizes);
BENCHMARK(BM_Normals)->Apply(sizes);
BENCHMARK(BM_AsciiLoadPeakMemory)->Arg(4097)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    GridFiles generated;
    files = &generated;
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nfastest of 3 iterations, milliseconds:\n");
    const auto compare = [](const char* what, const std::string& own, const char* baseline, const std::string& base) {
        if (fastest.count(own) && fastest.count(base))
            std::printf("  %-28s %9.1f   %-26s %9.1f   baseline/own %.2f\n", what, fastest[own] * 1e3, baseline,
                        fastest[base] * 1e3, fastest[base] / fastest[own]);
    };
    for (const int side : sides) {
        const std::string n = std::to_string(side);
        std::printf("%s x %s:\n", n.c_str(), n.c_str());
        compare("ASCII load (no normals)", "ascii" + n, "fscanf+atof baseline", "fscanf" + n);
        compare("float load (no normals)", "float" + n, "read bytes baseline", "bytes" + n);
        if (fastest.count("normals" + n))
            std::printf("  %-28s %9.1f\n", "normals", fastest["normals" + n] * 1e3);
    }
    benchmark::Shutdown();
    return 0;
}
