// Opening a GDAL raster the size of a large elevation tile: jacksboro.tif
// scaled to 4097 x 4097 (tiled, DEFLATE-compressed Float32, made by
// gdal_translate in the set-up), and the same for jacksboro_voids.tif (Int16
// with no-data). Each figure is the median of runs alternating with its
// baseline, GDAL's own bare read of band 1 into a float array:
// - the open: JGrid::loadGDAL, statistics, voids and their filling included.
#include "jgrid.h"

#include <gdal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int side = 4097;
constexpr int runs = 7;

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// GDAL's bare read: open, band 1 into floats, close.
double gdalRead(const std::string& file)
{
    const auto start = std::chrono::steady_clock::now();
    GDALDatasetH ds = GDALOpen(file.c_str(), GA_ReadOnly);
    std::vector<float> samples(std::size_t(side) * side);
    const CPLErr status =
        GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, side, side, samples.data(), side, side, GDT_Float32, 0, 0);
    GDALClose(ds);
    if (status != CE_None)
        std::fprintf(stderr, "GDAL could not read %s\n", file.c_str());
    return seconds(start);
}

double hypsaOpen(const std::string& file)
{
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, fileno(stdout));
    close(null);
    const auto start = std::chrono::steady_clock::now();
    bool loaded = false;
    {
        JGrid grid;
        loaded = grid.loadGDAL(QString::fromStdString(file));
    }
    const double t = seconds(start);
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
    std::printf("%-34s %12s %12s %8s\n", "file (4097 x 4097)", "open ms", "GDAL ms", "ratio");
    for (const std::string& file : {plain, voids}) {
        std::vector<double> open, bare;
        gdalRead(file); // the file into the page cache
        for (int k = 0; k < runs; ++k) {
            bare.push_back(gdalRead(file));
            open.push_back(hypsaOpen(file));
        }
        const double o = median(open) * 1e3, b = median(bare) * 1e3;
        std::printf("%-34s %12.1f %12.1f %8.2f\n", file.substr(dir.size() + 1).c_str(), o, b, o / b);
    }
    std::remove(plain.c_str());
    std::remove(voids.c_str());
    rmdir(dir.c_str());
    return 0;
}
