// Every raster format GDAL reads: band 1, block row by block row straight
// into the grid, with its scale and offset applied and its voids from the
// no-data value or GDAL's mask. Spacing comes from the geotransform and the
// coordinate system.
#include "error_report.h"
#include "gdal_support.h"
#include "georeference.h"
#include "grid_file_io.h"
#include "grid_load.h"
#include "grid_spacing.h"
#include "stop_request.h"

#include <QFileInfo>

#include <gdal.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// The geotransform (when it spans an area), the coordinate system and the
// unit of band 1's values.
GroundReference groundReferenceOf(GDALDatasetH dataset)
{
    GroundReference ref;
    std::array<double, 6> gt{};
    if (GDALGetGeoTransform(dataset, gt.data()) == CE_None && columnSpacing(gt) > 0.0 && rowSpacing(gt) > 0.0)
        ref.transform = gt;
    applySpatialReference(GDALGetSpatialRef(dataset), ref);
    applyHeightUnitType(GDALGetRasterUnitType(GDALGetRasterBand(dataset, 1)), ref);
    return ref;
}

// How band 1 says which samples are voids.
struct VoidRule {
    enum Kind { noDataValue, maskBand, systemValue } kind = systemValue;
    float noData = systemNoData; // as the samples read as float
    bool noDataBeyondFloat = false; // a no-data value outside float's range reads as +-FLT_MAX or infinity
    GDALRasterBandH mask = nullptr;
};

VoidRule voidRuleOf(GDALRasterBandH band)
{
    VoidRule rule;
    int hasNoData = 0;
    const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
    const int flags = GDALGetMaskFlags(band);
    if (hasNoData && !std::isnan(noData)) {
        rule.kind = VoidRule::noDataValue;
        rule.noDataBeyondFloat = std::fabs(noData) > FLT_MAX;
        rule.noData = rule.noDataBeyondFloat ? static_cast<float>(std::copysign(FLT_MAX, noData))
                                             : static_cast<float>(noData);
    } else if (hasNoData) {
        rule.kind = VoidRule::noDataValue; // NaN: only non-finite samples are voids
        rule.noData = NAN;
    } else if (!(flags & GMF_ALL_VALID)) {
        rule.kind = VoidRule::maskBand;
        rule.mask = GDALGetMaskBand(band);
    }
    return rule;
}

bool isVoid(float v, const VoidRule& rule)
{
    if (!std::isfinite(v))
        return true;
    if (rule.kind == VoidRule::maskBand)
        return false;
    return v == rule.noData || (rule.noDataBeyondFloat && std::fabs(v) >= FLT_MAX);
}

// An all-valid mask of the grid's size; false with a message when the memory
// cannot be had.
bool allocateMask(const GridHeader& header, ValidMask& valid, const QString& fileName)
{
    try {
        valid = ValidMask(header.height, header.width, 1);
        return true;
    } catch (const std::bad_alloc&) {
        reportError("JGrid:: *Error* - not enough memory for the voids of %s\n", localName(fileName).constData());
        return false;
    }
}

} // namespace

bool readGdalGrid(const QString& fileName, LoadedSamples& samples)
{
    registerGdalDrivers();
    const QByteArray file = localName(fileName);
    if (!fileName.startsWith(QLatin1String("/vsi")) && !QFileInfo::exists(fileName)) {
        reportError("Error, %s was not found\n", file.constData());
        return false;
    }
    const QuietErrors quiet;
    const Dataset dataset(GDALOpenEx(file.constData(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr));
    if (!dataset) {
        reportError("JGrid:: *Error* - %s cannot be read as a raster: %s\n", file.constData(), QuietErrors::reason().c_str());
        return false;
    }
    GDALDatasetH ds = dataset.get();
    if (GDALGetRasterCount(ds) < 1) {
        reportError("JGrid:: *Error* - %s holds no raster band\n", file.constData());
        return false;
    }
    const int columns = GDALGetRasterXSize(ds);
    const int rows = GDALGetRasterYSize(ds);
    if (!checkGridSize(columns, rows, file.constData()))
        return false;
    GridHeader& header = samples.header;
    header.width = unsigned(columns);
    header.height = unsigned(rows);
    const GroundReference ref = groundReferenceOf(ds);
    header.orientation = ref.transform ? orientationOf(*ref.transform) : Orientation();
    if (!applyGroundReference(ref, fileName, header))
        return false;

    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    const VoidRule rule = voidRuleOf(band);
    int hasScale = 0;
    int hasOffset = 0;
    const double scale = GDALGetRasterScale(band, &hasScale);
    const double offset = GDALGetRasterOffset(band, &hasOffset);
    const bool rescale = (hasScale && scale != 1.0) || (hasOffset && offset != 0.0);
    header.noData = rule.kind == VoidRule::noDataValue && std::isfinite(rule.noData)
                        ? static_cast<float>(rule.noData * (hasScale ? scale : 1.0) + (hasOffset ? offset : 0.0))
                        : systemNoData;
    if (!allocateSamples(header, samples.heights, fileName))
        return false;
    samples.masked = true; // the mask is made at the first void

    // Whole block rows at a time, dropped from GDAL's cache once copied, so
    // that the read holds the grid and one block row.
    int blockColumns = 0;
    int blockRows = 0;
    GDALGetBlockSize(band, &blockColumns, &blockRows);
    const std::size_t wantedSamples = std::size_t(1) << 20;
    const int step = std::max(std::max(blockRows, 1),
                              int(std::min<std::size_t>(rows, wantedSamples / std::size_t(columns) + 1)));
    std::vector<std::uint8_t> maskRows;
    for (int y = 0; y < rows; y += step) {
        if (stopRequested())
            return false;
        const int n = std::min(step, rows - y);
        const std::size_t first = std::size_t(y) * std::size_t(columns);
        float* out = samples.heights.data() + first;
        const std::size_t count = std::size_t(n) * std::size_t(columns);
        if (GDALRasterIO(band, GF_Read, 0, y, columns, n, out, columns, n, GDT_Float32, 0, 0) != CE_None) {
            reportError("JGrid:: *Error* - %s could not be read at rows %i to %i: %s\n", file.constData(), y, y + n - 1,
                        QuietErrors::reason().c_str());
            return false;
        }
        if (rule.kind == VoidRule::maskBand) {
            maskRows.resize(count);
            if (GDALRasterIO(rule.mask, GF_Read, 0, y, columns, n, maskRows.data(), columns, n, GDT_Byte, 0, 0)
                != CE_None) {
                reportError("JGrid:: *Error* - the void mask of %s could not be read: %s\n", file.constData(),
                            QuietErrors::reason().c_str());
                return false;
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            const bool isVoidSample = isVoid(out[i], rule) || (!maskRows.empty() && maskRows[i] == 0);
            if (isVoidSample) {
                if (samples.valid.empty() && !allocateMask(header, samples.valid, fileName))
                    return false;
                samples.valid.data()[first + i] = 0;
            } else if (rescale) {
                out[i] = static_cast<float>(out[i] * scale + offset);
            }
        }
        GDALFlushRasterCache(band);
        if (rule.mask)
            GDALFlushRasterCache(rule.mask);
    }
    samples.count = samples.heights.size();
    return true;
}

bool JGrid::loadGDAL(QString fileName, std::optional<float> cellSize)
{
    return loadGridFile(*this, fileName, "Loading Raster File\n", readGdalGrid, cellSize);
}
