#include "grid_spacing.h"

#include "error_report.h"
#include "georeference.h"
#include "grid_file_io.h"
#include "grid_tokens.h"

#include <ogr_srs_api.h>
#include <cpl_conv.h>
#include <cpl_string.h>

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;
constexpr float metresPerDegree = 108000.0f;

// The map extent of a columns x rows raster.
struct Extent {
    double west, east, south, north;
};

Extent extentOf(const std::array<double, 6>& t, unsigned columns, unsigned rows)
{
    Extent e{t[0], t[0], t[3], t[3]};
    for (const double c : {0.0, double(columns)})
        for (const double r : {0.0, double(rows)}) {
            const double x = t[0] + c * t[1] + r * t[2];
            const double y = t[3] + c * t[4] + r * t[5];
            e.west = std::min(e.west, x);
            e.east = std::max(e.east, x);
            e.south = std::min(e.south, y);
            e.north = std::max(e.north, y);
        }
    return e;
}

bool hasCornerAtOrigin(const std::array<double, 6>& t, unsigned columns, unsigned rows)
{
    for (const double c : {0.0, double(columns)})
        for (const double r : {0.0, double(rows)})
            if (t[0] + c * t[1] + r * t[2] == 0.0 && t[3] + c * t[4] + r * t[5] == 0.0)
                return true;
    return false;
}

bool looksGeographic(const GroundReference& ref, double cellX, double cellY, unsigned columns, unsigned rows)
{
    const std::array<double, 6>& t = *ref.transform;
    const Extent e = extentOf(t, columns, rows);
    if (!(cellX < 1.0 && cellY < 1.0 && e.west >= -180.0 && e.east <= 360.0 && e.east - e.west <= 360.0
          && e.south >= -90.0 && e.north <= 90.0))
        return false;
    // A corner at exactly (0, 0) places nothing on the earth: local
    // coordinates, unless the cells are fine enough to be degrees of a real
    // terrain or the file is this system's own degree layout.
    const bool local = hasCornerAtOrigin(t, columns, rows) && std::max(cellX, cellY) >= 0.01;
    return !local || ref.ownDegreeLayout;
}

std::string noCellSizeNote(const char* file)
{
    return QString::asprintf("JGrid:: %s gives no cell size: the terrain is drawn at one height unit per sample "
                             "(--cellsize M, or View > Cell Size... in the viewer, sets one)\n",
                             file)
        .toStdString();
}

std::string guessNote(const char* file, double cellY, bool geographic, float metres)
{
    if (geographic)
        return QString::asprintf("JGrid:: %s names no coordinate system: its spacing %g is taken as degrees, %g m "
                                 "(--cellsize M, or View > Cell Size... in the viewer, sets the spacing in metres)\n",
                                 file, cellY, double(metres))
            .toStdString();
    return QString::asprintf("JGrid:: %s names no coordinate system: its spacing %g is taken as metres "
                             "(--cellsize M, or View > Cell Size... in the viewer, sets it)\n",
                             file, cellY)
        .toStdString();
}

bool equalsAny(std::string_view word, std::initializer_list<std::string_view> names)
{
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return equalsIgnoringCase(word, n); });
}

} // namespace

float metresOfDegrees(float degrees)
{
    const float product = static_cast<float>(degrees * metresPerDegree);
    float metres = product;
    for (int digits = 1; digits <= 9; ++digits) {
        char text[40];
        const auto end = std::to_chars(text, text + sizeof text, double(product), std::chars_format::general, digits).ptr;
        float candidate = 0.0f;
        std::from_chars(text, end, candidate);
        if (candidate / metresPerDegree == degrees) {
            metres = candidate;
            break;
        }
    }
    const float floored = std::floor(metres);
    return metres - floored < 0.01f * metres ? floored : metres;
}

bool groundSpacing(const GroundReference& ref, unsigned columns, unsigned rows, const QString& fileName,
                   std::optional<float> cellSize, GridSpacing& spacing)
{
    spacing = GridSpacing();
    const QByteArray file = localName(fileName);
    if (!ref.transform) {
        spacing.cellSize = cellSize;
        if (!cellSize)
            spacing.note = noCellSizeNote(file.constData());
        return true;
    }
    const std::array<double, 6>& t = *ref.transform;
    const double cellX = columnSpacing(t);
    const double cellY = rowSpacing(t);
    const bool guessed = ref.kind == CoordinateKind::unknown;
    const bool geographic = ref.kind == CoordinateKind::geographic
                            || (guessed && looksGeographic(ref, cellX, cellY, columns, rows));
    float metres = cellSize.value_or(0.0f);
    if (!cellSize)
        metres = geographic ? metresOfDegrees(static_cast<float>(cellY)) : static_cast<float>(cellY * ref.metresPerUnit);
    double ratio = cellX / cellY;
    if (!(metres > 0.0f) || !std::isfinite(metres) || !(ratio > 0.0) || !std::isfinite(ratio)) {
        reportError("JGrid:: *Error* - the cell size of %s (%g by %g) comes out as %g metres; it must be above 0\n",
                    file.constData(), cellX, cellY, double(metres));
        return false;
    }
    if (geographic && !cellSize) {
        const Extent e = extentOf(t, columns, rows);
        ratio *= std::cos(std::clamp((e.south + e.north) / 2.0, -90.0, 90.0) * degreesToRadians);
    }
    if (cellSize)
        spacing.note = QString::asprintf("JGrid:: the cell size of %s is taken as %g m, as asked\n", file.constData(),
                                         double(metres))
                           .toStdString();
    else if (guessed)
        spacing.note = guessNote(file.constData(), cellY, geographic, metres);
    spacing.cellSize = metres;
    spacing.eastWestRatio = static_cast<float>(std::max(ratio, 1e-6));
    spacing.geographic = geographic && !cellSize;
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
        const double unit = OSRGetTargetLinearUnits(srs, "PROJCS", nullptr);
        if (unit > 0.0 && std::isfinite(unit))
            ref.metresPerUnit = unit;
    }
    if (OSRIsCompound(srs) || OSRIsVertical(srs)) {
        char* name = nullptr;
        const double unit = OSRGetTargetLinearUnits(srs, "VERT_CS", &name);
        if (unit > 0.0 && std::isfinite(unit) && unit != 1.0) {
            ref.heightMetresPerUnit = unit;
            ref.heightUnit = name ? name : "a unit of the coordinate system";
        }
    }
    char* wkt = nullptr;
    if (OSRExportToWkt(srs, &wkt) == OGRERR_NONE && wkt)
        ref.wkt = wkt;
    CPLFree(wkt);
}

void applyHeightUnitType(const char* unitType, GroundReference& ref)
{
    const std::string_view unit = unitType ? unitType : "";
    if (equalsAny(unit, {"m", "metre", "meter", "metres", "meters"})) {
        ref.heightMetresPerUnit = 1.0;
        ref.heightUnit.clear();
    } else if (equalsAny(unit, {"ft", "foot", "feet", "international foot", "international feet"})) {
        ref.heightMetresPerUnit = 0.3048;
        ref.heightUnit = "foot";
    } else if (equalsAny(unit, {"us-ft", "ftUS", "US survey foot", "US survey feet", "survey foot", "foot_us"})) {
        ref.heightMetresPerUnit = 1200.0 / 3937.0;
        ref.heightUnit = "US survey foot";
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
        // Some writers start the file with a blank line; the reader wants
        // the definition on the first.
        char** definition = nullptr;
        for (char** line = lines; line && *line; ++line)
            if (std::string_view(*line).find_first_not_of(" \t\r") != std::string_view::npos)
                definition = CSLAddString(definition, *line);
        CSLDestroy(lines);
        if (!definition)
            return;
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRImportFromESRI(srs, definition) == OGRERR_NONE)
            applySpatialReference(srs, ref);
        OSRDestroySpatialReference(srs);
        CSLDestroy(definition);
        return;
    }
}
