// Writing the grid as a float32 GeoTIFF through GDAL: every sample at full
// precision, the voids as the no-data value, and the georeference the grid
// carries, so that GDAL and other programs read it back sample for sample.
#include "error_report.h"
#include "gdal_support.h"
#include "grid_file_io.h"
#include "jgrid.h"

#include <gdal.h>
#include <ogr_srs_api.h>
#include <cpl_conv.h>
#include <cpl_string.h>

#include <string>
#include <vector>

namespace {

// The coordinate system to write: the grid's own, without a vertical part in
// another unit than metres (the heights are in metres now); WGS 84 degrees
// where none was known and the spacing was taken as degrees.
std::string coordinateSystemOf(const Georeference& g)
{
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    std::string wkt;
    const bool known = g.wkt.empty() ? g.guessedDegrees && OSRImportFromEPSG(srs, 4326) == OGRERR_NONE
                                     : OSRSetFromUserInput(srs, g.wkt.c_str()) == OGRERR_NONE;
    if (known) {
        if ((OSRIsCompound(srs) || OSRIsVertical(srs)) && OSRGetTargetLinearUnits(srs, "VERT_CS", nullptr) != 1.0)
            OSRStripVertical(srs);
        char* text = nullptr;
        if (OSRExportToWkt(srs, &text) == OGRERR_NONE && text)
            wkt = text;
        CPLFree(text);
    }
    OSRDestroySpatialReference(srs);
    return wkt;
}

} // namespace

bool JGrid::writeTIF(const QString& fileName, QString& message)
{
    const QByteArray file = localName(fileName);
    const auto fail = [&](const std::string& why) {
        reportError("*** Error *** cannot write %s: %s\n", file.constData(), why.c_str());
        message = QStringLiteral("Cannot write %1: %2").arg(fileName, QString::fromStdString(why));
        return false;
    };
    if (!loaded || heights.rows() != height || heights.cols() != width)
        return fail("there is no terrain to write");
    registerGdalDrivers();
    const QuietErrors quiet;
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver)
        return fail("GDAL has no GeoTIFF driver");
    char** options = nullptr;
    options = CSLSetNameValue(options, "TILED", "YES");
    options = CSLSetNameValue(options, "COMPRESS", "DEFLATE");
    options = CSLSetNameValue(options, "PREDICTOR", "3");
    options = CSLSetNameValue(options, "BIGTIFF", "IF_SAFER");
    Dataset dataset(GDALCreate(driver, file.constData(), int(width), int(height), 1, GDT_Float32, options));
    CSLDestroy(options);
    if (!dataset)
        return fail(QuietErrors::reason());
    GDALDatasetH ds = dataset.get();
    if (georeference) {
        std::array<double, 6> transform = georeference->transform;
        GDALSetGeoTransform(ds, transform.data());
        const std::string wkt = coordinateSystemOf(*georeference);
        if (!wkt.empty())
            GDALSetProjection(ds, wkt.c_str());
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    GDALSetRasterUnitType(band, "m");
    if (!valid.empty())
        GDALSetRasterNoDataValue(band, noDataValue);
    std::vector<float> row(width);
    for (std::size_t r = 0; r < height; ++r) {
        const auto values = heights[r];
        for (std::size_t c = 0; c < width; ++c)
            row[c] = isValid(r, c) ? values[c] : noDataValue;
        if (GDALRasterIO(band, GF_Write, 0, int(r), int(width), 1, row.data(), int(width), 1, GDT_Float32, 0, 0)
            != CE_None)
            return fail(QuietErrors::reason());
    }
    // Closing writes what GDAL still holds; a full disk shows here.
    dataset.reset();
    if (CPLGetLastErrorType() >= CE_Failure)
        return fail(QuietErrors::reason());
    std::printf("Grid file %s has been written successfully\n", file.constData());
    message = fileName;
    return true;
}
