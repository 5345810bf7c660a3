// Opening a GDAL raster the size of a large elevation tile: jacksboro.tif
// scaled to 4097 x 4097 (tiled, DEFLATE-compressed Float32, made by
// gdal_translate in the set-up), and the same for jacksboro_voids.tif (Int16
// with no-data). Each figure is the median of runs alternating with its
// baseline, GDAL's own bare read of band 1 into a float array:
// - the open: JGrid::loadGDAL, statistics, voids and their filling included.
// Wall-clock and processor time are both printed: on a loaded machine the
// wall clock mostly measures the other processes.
#include "jgrid.h"

#include <gdal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int side = 4097;
constexpr int runs = 7;

struct Times {
    double wall = 0.0;
    double cpu = 0.0;
};

double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Times of fn: wall clock and this process's processor time.
template <class F>
Times timed(F&& fn)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuNow();
    fn();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuNow() - cpuStart};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// GDAL's bare read: open, band 1 into floats, close.
Times gdalRead(const std::string& file)
{
    CPLErr status = CE_None;
    const Times t = timed([&] {
        GDALDatasetH ds = GDALOpen(file.c_str(), GA_ReadOnly);
        std::vector<float> samples(std::size_t(side) * side);
        status = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, side, side, samples.data(), side, side,
                              GDT_Float32, 0, 0);
        GDALClose(ds);
    });
    if (status != CE_None)
        std::fprintf(stderr, "GDAL could not read %s\n", file.c_str());
    return t;
}

Times hypsaOpen(const std::string& file)
{
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, fileno(stdout));
    close(null);
    bool loaded = false;
    const Times t = timed([&] {
        JGrid grid;
        loaded = grid.loadGDAL(QString::fromStdString(file));
    });
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    if (!loaded)
        std::fprintf(stderr, "could not open %s\n", file.c_str());
    return t;
}

bool makeFile(const std::string& from, const std::string& to, const char* resampling)
{
    const std::string command = "gdal_translate -q -outsize " + std::to_string(side) + " " + std::to_string(side) +
                                " -r " + resampling + " -co TILED=YES -co COMPRESS=DEFLATE " + from + " " + to;
    return std::system(command.c_str()) == 0;
}

} // namespace

int main()
{
    GDALAllRegister();
    char pattern[] = "/tmp/hypsa_bench_gdal_XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string data = HYPSA_SOURCE_DIR "/data/";
    const std::string plain = dir + "/jacksboro_4097.tif";
    const std::string voids = dir + "/jacksboro_voids_4097.tif";
    if (!makeFile(data + "jacksboro.tif", plain, "bilinear") || !makeFile(data + "jacksboro_voids.tif", voids, "near")) {
        std::fprintf(stderr, "gdal_translate failed\n");
        return 1;
    }
    std::printf("%-26s %10s %10s %6s %10s %10s %6s\n", "file (4097 x 4097)", "open ms", "GDAL ms", "ratio",
                "open cpu", "GDAL cpu", "ratio");
    for (const std::string& file : {plain, voids}) {
        std::vector<double> openWall, bareWall, openCpu, bareCpu;
        gdalRead(file); // the file into the page cache
        for (int k = 0; k < runs; ++k) {
            const Times bare = gdalRead(file);
            const Times open = hypsaOpen(file);
            bareWall.push_back(bare.wall);
            bareCpu.push_back(bare.cpu);
            openWall.push_back(open.wall);
            openCpu.push_back(open.cpu);
        }
        const double ow = median(openWall) * 1e3, bw = median(bareWall) * 1e3;
        const double oc = median(openCpu) * 1e3, bc = median(bareCpu) * 1e3;
        std::printf("%-26s %10.1f %10.1f %6.2f %10.1f %10.1f %6.2f\n", file.substr(dir.size() + 1).c_str(), ow, bw,
                    ow / bw, oc, bc, oc / bc);
    }
    std::remove(plain.c_str());
    std::remove(voids.c_str());
    rmdir(dir.c_str());
    return 0;
}
