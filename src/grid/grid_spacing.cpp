#include "grid_spacing.h"

#include "error_report.h"
#include "grid_file_io.h"

#include <ogr_srs_api.h>
#include <cpl_string.h>

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;

bool looksGeographic(double cellX, double cellY, double west, double south, unsigned columns, unsigned rows)
{
    const double east = west + cellX * columns;
    const double north = south + cellY * rows;
    return cellX < 1.0 && cellY < 1.0 && west >= -180.0 && east <= 180.0 && south >= -90.0 && north <= 90.0;
}

} // namespace

bool groundSpacing(const GroundReference& ref, unsigned columns, unsigned rows, const QString& fileName,
                   GridSpacing& spacing)
{
    spacing = GridSpacing();
    if (!ref.cellX && !ref.cellY)
        return true;
    const double cellY = ref.cellY ? *ref.cellY : *ref.cellX;
    const double cellX = ref.cellX ? *ref.cellX : cellY;
    const bool geographic = ref.kind == CoordinateKind::geographic
                            || (ref.kind == CoordinateKind::unknown
                                && looksGeographic(cellX, cellY, ref.west, ref.south, columns, rows));
    double metres = 0.0;
    if (geographic) {
        // Metres as this system has always counted them: 108000 per degree,
        // in float, rounded down.
        metres = std::floor(static_cast<float>(static_cast<float>(cellY) * 108000.0f));
    } else {
        metres = static_cast<float>(cellY * ref.metresPerUnit);
    }
    if (!(metres > 0.0) || !(cellX > 0.0) || !std::isfinite(metres)) {
        reportError("JGrid:: *Error* - the cell size of %s (%g by %g) comes out as %g metres; it must be above 0\n",
                    localName(fileName).constData(), cellX, cellY, metres);
        return false;
    }
    double ratio = cellX / cellY;
    if (geographic) {
        const double midLatitude = std::clamp(ref.south + cellY * rows / 2.0, -90.0, 90.0);
        ratio *= std::cos(midLatitude * degreesToRadians);
    }
    spacing.cellSize = static_cast<float>(metres);
    spacing.eastWestRatio = static_cast<float>(std::max(ratio, 1e-6));
    return true;
}

void applySpatialReference(void* spatialReference, GroundReference& ref)
{
    const auto srs = static_cast<OGRSpatialReferenceH>(spatialReference);
    if (!srs)
        return;
    if (OSRIsGeographic(srs)) {
        ref.kind = CoordinateKind::geographic;
    } else if (OSRIsProjected(srs)) {
        ref.kind = CoordinateKind::projected;
        const double unit = OSRGetLinearUnits(srs, nullptr);
        if (unit > 0.0 && std::isfinite(unit))
            ref.metresPerUnit = unit;
    }
}

void readProjectionFile(const QString& dataFile, GroundReference& ref)
{
    const QFileInfo info(dataFile);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    for (const char* extension : {".prj", ".PRJ"}) {
        const QByteArray name = localName(base + QLatin1String(extension));
        if (!QFileInfo::exists(QString::fromLocal8Bit(name)))
            continue;
        char** lines = CSLLoad2(name.constData(), 1000, 10000, nullptr);
        if (!lines)
            return;
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRImportFromESRI(srs, lines) == OGRERR_NONE)
            applySpatialReference(srs, ref);
        OSRDestroySpatialReference(srs);
        CSLDestroy(lines);
        return;
    }
}
