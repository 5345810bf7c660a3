// Writing and reading GeoTIFFs at the size of a large elevation tile, 4097 x
// 4097, each figure the median of runs alternating with its baseline:
// - write: JGrid::writeTIF (voids as no-data, georeference) against GDAL's
//   bare write of the same floats with the same creation options;
// - south up: loading a raster whose rows run south to north, turned north up,
//   against loading the same samples stored north up.
#include "bench_terrain.h"
#include "jgrid.h"

#include <gdal.h>
#include <cpl_string.h>

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr unsigned side = 4097;
constexpr int runs = 5;

template <class F>
double seconds(F&& fn)
{
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs fn with standard output sent to /dev/null (the loaders' lines).
template <class F>
void quietly(F&& fn)
{
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, fileno(stdout));
    close(null);
    fn();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
}

// GDAL's own write of the samples: a tiled, DEFLATE-compressed float32 band
// with the transform given, rows in the order given.
void gdalWrite(const std::string& file, const JGrid& g, const double* transform, bool southFirst)
{
    char** options = CSLSetNameValue(nullptr, "TILED", "YES");
    options = CSLSetNameValue(options, "COMPRESS", "DEFLATE");
    options = CSLSetNameValue(options, "PREDICTOR", "3");
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), file.c_str(), int(side), int(side), 1, GDT_Float32,
                                 options);
    CSLDestroy(options);
    GDALSetGeoTransform(ds, const_cast<double*>(transform));
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    for (unsigned r = 0; r < side; ++r)
        if (GDALRasterIO(band, GF_Write, 0, int(southFirst ? side - 1 - r : r), int(side), 1,
                         const_cast<float*>(g.heights[r].data()), int(side), 1, GDT_Float32, 0, 0)
            != CE_None)
            std::fprintf(stderr, "GDAL could not write %s\n", file.c_str());
    GDALClose(ds);
}

void print(const char* what, const std::vector<double>& ours, const std::vector<double>& base)
{
    std::printf("%-34s %10.1f %10.1f %6.2f\n", what, median(ours) * 1e3, median(base) * 1e3,
                median(ours) / median(base));
}

} // namespace

int main()
{
    GDALAllRegister();
    char pattern[] = "/tmp/hypsa_bench_tif_XXXXXX";
    const std::string dir = mkdtemp(pattern);
    JGrid grid;
    fillReliefTerrain(grid, side);
    // A tenth of the samples void, in bands.
    grid.valid = ValidMask(side, side, 1);
    for (unsigned r = 0; r < side; r += 10)
        std::fill_n(grid.valid[r].data(), side, std::uint8_t(0));
    grid.updateStatistics();
    const double transform[6] = {500000.0, 30.0, 0.0, 4000000.0, 0.0, -30.0};
    grid.georeference = Georeference{{transform[0], transform[1], transform[2], transform[3], transform[4],
                                      transform[5]},
                                     ""};

    std::printf("%-34s %10s %10s %6s\n", "4097 x 4097", "ours ms", "base ms", "ratio");
    const std::string ours = dir + "/ours.tif", bare = dir + "/bare.tif";
    std::vector<double> write, bareWrite;
    for (int k = 0; k < runs; ++k) {
        bareWrite.push_back(seconds([&] { gdalWrite(bare, grid, transform, false); }));
        QString message;
        quietly([&] { write.push_back(seconds([&] { grid.writeTIF(QString::fromStdString(ours), message); })); });
    }
    print("write: writeTIF / GDAL bare write", write, bareWrite);

    const std::string northUp = dir + "/north.tif", southUp = dir + "/south.tif";
    const double southTransform[6] = {500000.0, 30.0, 0.0, 4000000.0 - 30.0 * side, 0.0, 30.0};
    gdalWrite(northUp, grid, transform, false);
    gdalWrite(southUp, grid, southTransform, true);
    std::vector<double> south, north;
    for (int k = 0; k < runs; ++k) {
        quietly([&] {
            JGrid a, b;
            north.push_back(seconds([&] { a.loadGDAL(QString::fromStdString(northUp)); }));
            south.push_back(seconds([&] { b.loadGDAL(QString::fromStdString(southUp)); }));
        });
    }
    print("load: south up / north up", south, north);
    for (const std::string& f : {ours, bare, northUp, southUp})
        std::remove(f.c_str());
    rmdir(dir.c_str());
    return 0;
}
