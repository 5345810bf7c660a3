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

#include <gtest/gtest.h>

#include <cmath>
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
        ConsoleCapture quiet;
        EXPECT_NEAR(g.standardDeviation(), ref.stdDev, ref.stdDev * 1e-6);
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

    // A GeoTIFF with voids becomes this system's grid, voids kept.
    TempFiles files;
    QFile::copy(dataDir + "jacksboro_voids.tif", files.path("voids.tif"));
    const ToolRun run = runTool("hypsa-grid", {files.path("voids.tif"), "stats", "write-grd"});
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
