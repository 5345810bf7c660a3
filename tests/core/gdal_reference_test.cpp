// Every real terrain file of data/ opens through loadFile, and its size,
// voids and statistics over the valid samples equal what GDAL itself reads
// from the same file.
#include "grid_steps.h"
#include "jgrid.h"

#include "support/console_capture.h"
#include "support/temp_files.h"
#include "support/tool_run.h"

#include <QDir>

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

const QString dataDir = QStringLiteral(HYPSA_SOURCE_DIR "/data/");

struct Reference {
    int width = 0;
    int height = 0;
    std::uint64_t voids = 0;
    double min = 0, max = 0, mean = 0, stdDev = 0;
};

// GDAL's own reading: exact statistics of band 1 over its valid samples,
// and the voids counted from its mask.
Reference gdalReference(const QString& file)
{
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO"); // no .aux.xml beside the data
    Reference ref;
    GDALDatasetH ds = GDALOpen(QFile::encodeName(file).constData(), GA_ReadOnly);
    if (!ds) {
        ADD_FAILURE() << "GDAL cannot open " << file.toStdString();
        return ref;
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    ref.width = GDALGetRasterXSize(ds);
    ref.height = GDALGetRasterYSize(ds);
    EXPECT_EQ(GDALComputeRasterStatistics(band, FALSE, &ref.min, &ref.max, &ref.mean, &ref.stdDev, nullptr, nullptr),
              CE_None);
    std::vector<std::uint8_t> mask(std::size_t(ref.width) * std::size_t(ref.height));
    EXPECT_EQ(GDALRasterIO(GDALGetMaskBand(band), GF_Read, 0, 0, ref.width, ref.height, mask.data(), ref.width,
                           ref.height, GDT_Byte, 0, 0),
              CE_None);
    for (const std::uint8_t m : mask)
        ref.voids += m == 0;
    GDALClose(ds);
    return ref;
}

// The figures of hypsa-grid's stats line, by name.
double statsFigure(const std::string& line, const std::string& name)
{
    const std::size_t at = line.find(" " + name + "=");
    return at == std::string::npos ? NAN : std::atof(line.c_str() + at + name.size() + 2);
}

// hypsa-grid FILE stats gives GDAL's statistics, in metres (the file's values
// times heightScale).
void expectToolStatistics(const QString& file, const Reference& ref, double heightScale)
{
    const ToolRun run = runTool("hypsa-grid", {file, "stats"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::size_t at = run.out.find("stats ");
    ASSERT_NE(at, std::string::npos);
    const std::string line = run.out.substr(at, run.out.find('\n', at) - at);
    EXPECT_NEAR(statsFigure(line, "min"), ref.min * heightScale, std::fabs(ref.min) * 1e-6) << line;
    EXPECT_NEAR(statsFigure(line, "max"), ref.max * heightScale, std::fabs(ref.max) * 1e-6) << line;
    EXPECT_NEAR(statsFigure(line, "mean"), ref.mean * heightScale, std::fabs(ref.mean) * 1e-6) << line;
    EXPECT_EQ(statsFigure(line, "voids"), double(ref.voids)) << line;
}

} // namespace

TEST(GdalReference, EveryDataFileHasGdalsStatistics)
{
    // jacksboro_xdim.grd is this system's own layout, which GDAL does not
    // read; it holds the heights of jacksboro.grd.
    const std::pair<const char*, const char*> files[] = {
        {"jacksboro.grd", "jacksboro.grd"},           {"jacksboro_xdim.grd", "jacksboro.grd"},
        {"jacksboro.flt", "jacksboro.flt"},           {"jacksboro_gridfloat.flt", "jacksboro_gridfloat.flt"},
        {"jacksboro.hdr", "jacksboro.flt"},           {"jacksboro.tif", "jacksboro.tif"},
        {"jacksboro_voids.tif", "jacksboro_voids.tif"}, {"jacksboro_voids.asc", "jacksboro_voids.asc"},
        {"jacksboro_utm.tif", "jacksboro_utm.tif"},   {"jacksboro_utm.asc", "jacksboro_utm.asc"},
        {"jacksboro_surfer.grd", "jacksboro_surfer.grd"},
    };
    for (const auto& [file, referenceFile] : files) {
        SCOPED_TRACE(file);
        const Reference ref = gdalReference(dataDir + referenceFile);
        JGrid g;
        {
            ConsoleCapture quiet;
            ASSERT_TRUE(g.loadFile(dataDir + file));
        }
        EXPECT_EQ(int(g.width), ref.width);
        EXPECT_EQ(int(g.height), ref.height);
        EXPECT_EQ(g.voidCount, ref.voids);
        EXPECT_EQ(g.cellSize, 90.0f);
        EXPECT_FLOAT_EQ(g.minHeight, float(ref.min));
        EXPECT_FLOAT_EQ(g.maxHeight, float(ref.max));
        EXPECT_FLOAT_EQ(g.averageHeight, float(ref.mean));
        {
            ConsoleCapture quiet;
            EXPECT_NEAR(g.standardDeviation(), ref.stdDev, ref.stdDev * 1e-6);
        }
        expectToolStatistics(dataDir + file, ref, 1.0);
    }
}

TEST(GdalReference, ToolsOpenEveryDataFileAndConvertThem)
{
    // hypsa-grid prints, for every data file, the statistics line of the
    // grid the library loads.
    for (const QString& name : QDir(dataDir).entryList({"*.grd", "*.asc", "*.flt", "*.tif"}, QDir::Files)) {
        JGrid loaded;
        {
            ConsoleCapture quiet;
            ASSERT_TRUE(loaded.loadFile(dataDir + name)) << name.toStdString();
        }
        const ToolRun stats = runTool("hypsa-grid", {dataDir + name, "stats"});
        EXPECT_EQ(stats.exitCode, 0) << name.toStdString() << stats.err;
        EXPECT_NE(stats.out.find(statsLine(loaded) + "\n"), std::string::npos) << name.toStdString();
    }

    // A GeoTIFF with voids becomes this system's grid, and a float32
    // GeoTIFF, voids kept.
    TempFiles files;
    QFile::copy(dataDir + "jacksboro_voids.tif", files.path("voids.tif"));
    const ToolRun run = runTool("hypsa-grid", {files.path("voids.tif"), "stats", "write-grd", "write-tif",
                                               files.path("copy.tif")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    JGrid g;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(g.loadFile(files.path("voids.tif")));
    }
    EXPECT_NE(run.out.find(statsLine(g) + "\n"), std::string::npos) << run.out;
    EXPECT_TRUE(statsLine(g).ends_with(" voids=17587"));
    JGrid back;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(back.loadFile(files.path("voidstif_w403_h344.grd")));
    }
    EXPECT_EQ(back.noDataValue, -32768.0f);
    EXPECT_TRUE(back.valid == g.valid);
    for (std::size_t r = 0; r < g.height; ++r)
        for (std::size_t c = 0; c < g.width; ++c)
            if (g.isValid(r, c)) {
                ASSERT_EQ(back.heights[r][c], g.heights[r][c]) << r << ", " << c;
            }

    // GDAL reads the GeoTIFF with the source's georeferencing, no-data value
    // and statistics; this system reads it back sample for sample.
    const Reference source = gdalReference(files.path("voids.tif"));
    const Reference copy = gdalReference(files.path("copy.tif"));
    EXPECT_EQ(copy.voids, source.voids);
    EXPECT_DOUBLE_EQ(copy.min, source.min);
    EXPECT_DOUBLE_EQ(copy.max, source.max);
    EXPECT_NEAR(copy.mean, source.mean, 1e-9);
    GDALDatasetH original = GDALOpen(QFile::encodeName(files.path("voids.tif")).constData(), GA_ReadOnly);
    GDALDatasetH written = GDALOpen(QFile::encodeName(files.path("copy.tif")).constData(), GA_ReadOnly);
    ASSERT_TRUE(original && written);
    double a[6], b[6];
    GDALGetGeoTransform(original, a);
    GDALGetGeoTransform(written, b);
    EXPECT_EQ(std::vector<double>(a, a + 6), std::vector<double>(b, b + 6));
    EXPECT_TRUE(OSRIsSame(GDALGetSpatialRef(original), GDALGetSpatialRef(written)));
    EXPECT_EQ(GDALGetRasterDataType(GDALGetRasterBand(written, 1)), GDT_Float32);
    EXPECT_EQ(GDALGetRasterNoDataValue(GDALGetRasterBand(written, 1), nullptr), -32768.0);
    GDALClose(original);
    GDALClose(written);
    JGrid copied;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(copied.loadFile(files.path("copy.tif")));
    }
    EXPECT_TRUE(copied.valid == g.valid);
    EXPECT_TRUE(copied.heights == g.heights);
    EXPECT_EQ(copied.cellSize, g.cellSize);
    EXPECT_EQ(copied.eastWestRatio, g.eastWestRatio);
}

TEST(GdalReference, UnreadableRastersKeepTheTerrain)
{
    TempFiles files;
    JGrid g;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(g.loadFile(dataDir + "jacksboro.tif"));
    }
    // Not a raster, a raster with no band (a vector file), a cut GeoTIFF.
    files.write("notes.tif", "these are not heights\n");
    std::string tiff = TempFiles::read(dataDir + "jacksboro.tif");
    files.write("cut.tif", tiff.substr(0, tiff.size() / 3));
    files.write("points.csv", "x,y\n1,2\n");
    for (const char* name : {"notes.tif", "cut.tif", "points.csv", "absent.tif"}) {
        ConsoleCapture console;
        EXPECT_FALSE(g.loadFile(files.path(name))) << name;
        const std::string text = console.text();
        // GDAL's reason is part of the message.
        EXPECT_TRUE(text.find("not recognized as a supported file format") != std::string::npos
                    || text.find("TIFFReadEncodedTile() failed") != std::string::npos
                    || text.find("absent.tif was not found") != std::string::npos)
            << text;
        EXPECT_TRUE(g.loaded);
        EXPECT_EQ(g.width, 403u);
        EXPECT_EQ(g.heights[0][0], 483.0f);
    }
}

namespace {

// A float32 GeoTIFF of w x h samples f(row, column), with a geotransform (none
// when empty), a coordinate system (GDAL's user input, none when null) and a
// unit type for the band.
QString makeRaster(const QString& path, int w, int h, const std::vector<double>& transform, const char* srs,
                   const char* unit, const std::function<float(int, int)>& f)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), QFile::encodeName(path).constData(), w, h, 1,
                                 GDT_Float32, nullptr);
    if (!transform.empty())
        GDALSetGeoTransform(ds, const_cast<double*>(transform.data()));
    if (srs) {
        OGRSpatialReferenceH s = OSRNewSpatialReference(nullptr);
        OSRSetFromUserInput(s, srs);
        char* wkt = nullptr;
        OSRExportToWkt(s, &wkt);
        GDALSetProjection(ds, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(s);
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (unit)
        GDALSetRasterUnitType(band, unit);
    std::vector<float> values(std::size_t(w) * std::size_t(h));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            values[std::size_t(r) * std::size_t(w) + std::size_t(c)] = f(r, c);
    EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, w, h, values.data(), w, h, GDT_Float32, 0, 0), CE_None);
    GDALClose(ds);
    return path;
}

float hills(int r, int c)
{
    return float(300.0 + 40.0 * std::sin(r / 7.0) * std::cos(c / 9.0) + r * 0.5 + c * 0.25);
}

} // namespace

// Rasters as real programs write them: listed south first, rotated, heights
// in feet or millimetres, without georeferencing. hypsa-grid's statistics
// agree with GDAL's (in metres), the rows come north up, the spacing is the
// length of the geotransform's vectors.
TEST(GdalReference, GeneratedRastersAreReadNorthUpInMetres)
{
    TempFiles files;
    const double d = 1.0 / 1200.0; // 3 arc-seconds
    const double s45 = 30.0 * std::sqrt(0.5);
    struct Case {
        QString file;
        double heightScale;           // metres per unit of the file's values
        std::optional<float> cellSize; // what the grid takes
        double eastWestRatio;
        bool southFirst;
    };
    const Case cases[] = {
        {makeRaster(files.path("southup.tif"), 40, 30, {-84.4, d, 0, 36.4, 0, d}, "EPSG:4269", nullptr, hills), 1.0,
         90.0f, std::cos((36.4 + 15 * d) * M_PI / 180.0), true},
        {makeRaster(files.path("rotated.tif"), 40, 30, {500000, s45, s45, 4000000, s45, -s45}, "EPSG:26917", nullptr,
                    hills),
         1.0, 30.0f, 1.0, false},
        {makeRaster(files.path("turned.tif"), 40, 30, {500000, 0, 30, 4000000, 30, 0}, "EPSG:26917", nullptr, hills),
         1.0, 30.0f, 1.0, false},
        {makeRaster(files.path("feet.tif"), 40, 30, {500000, 10, 0, 4000000, 0, -10}, "EPSG:2274+6360", nullptr, hills),
         1200.0 / 3937.0, float(10 * 1200.0 / 3937.0), 1.0, false},
        {makeRaster(files.path("feetunit.tif"), 40, 30, {500000, 10, 0, 4000000, 0, -10}, "EPSG:26917", "ft", hills),
         0.3048, 10.0f, 1.0, false},
        {makeRaster(files.path("millimetres.tif"), 40, 30, {500000, 10, 0, 4000000, 0, -10}, "EPSG:26917", nullptr,
                    [](int r, int c) { return 1000.0f * hills(r, c) + 2.0e6f; }),
         1.0, 10.0f, 1.0, false},
        {makeRaster(files.path("plain.tif"), 40, 30, {}, nullptr, nullptr, hills), 1.0, std::nullopt, 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        expectToolStatistics(c.file, gdalReference(c.file), c.heightScale);

        JGrid g;
        {
            ConsoleCapture quiet;
            ASSERT_TRUE(g.loadFile(c.file));
        }
        ASSERT_EQ(g.cellSize.has_value(), c.cellSize.has_value());
        if (c.cellSize) {
            EXPECT_NEAR(*g.cellSize, *c.cellSize, *c.cellSize * 1e-6);
        }
        EXPECT_NEAR(g.eastWestRatio, c.eastWestRatio, 1e-6);
        const int fileRow = c.southFirst ? 29 : 0;
        EXPECT_FLOAT_EQ(g.heights[0][3], float(hills(fileRow, 3) * (c.file.contains("millimetres") ? 1000.0 : 1.0)
                                               + (c.file.contains("millimetres") ? 2.0e6 : 0.0))
                                             * float(c.heightScale));
    }

    // Millimetres coarsen to a picture of the same heights, not one cut at a
    // million.
    const ToolRun coarse = runTool("hypsa-grid", {files.path("millimetres.tif"), "resize", "20", "20", "coarsen",
                                                  "stats"});
    ASSERT_EQ(coarse.exitCode, 0) << coarse.err;
    EXPECT_GT(statsFigure(coarse.out.substr(coarse.out.find("stats ")), "min"), 2.2e6);

    // GDAL's XYZ reader gives a file listed south first a positive row step.
    std::string xyz;
    for (int r = 2; r >= 0; --r)
        for (int c = 0; c < 4; ++c)
            xyz += std::to_string(100 + 10 * c) + " " + std::to_string(200 + 10 * (2 - r)) + " " +
                   std::to_string(r * 10 + c) + "\n";
    JGrid listed;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(listed.loadFile(files.write("south.xyz", xyz)));
    }
    ASSERT_EQ(listed.height, 3u);
    EXPECT_EQ(listed.heights[0][1], 1.0f); // the northern row, 200 + 20
    EXPECT_EQ(listed.heights[2][3], 23.0f);
    EXPECT_EQ(listed.cellSize, 10.0f);
}
