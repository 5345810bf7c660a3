// Writing the grid as ASCII grid files: the whole grid, or its left and
// right halves. Names are built from the grid's `name` and size, so output
// lands next to the file the grid was loaded from.
#include "error_report.h"
#include "grid_file_io.h"
#include "jgrid.h"

#include <cstdio>
#include <utility>

namespace {

QString outputBase(const QString& name, unsigned columns, unsigned rows)
{
    return name + QString::asprintf("_w%i_h%i", int(columns), int(rows));
}

bool reportOpenFailure(const QString& fileName, QString& message)
{
    reportError("*** Error *** fopen returned NULL when writing to file %s.\n", localName(fileName).constData());
    message = QStringLiteral("*** Error *** fopen return NULL when writing to file ") + fileName;
    return false;
}

bool reportWriteFailure(const QString& fileName, QString& message)
{
    message = QStringLiteral("*** Error *** could not write all of file ") + fileName;
    return false;
}

// The seven header lines; the cell size goes out in degrees.
void writeHeader(std::FILE* file, unsigned columns, unsigned rows, float cellSize)
{
    const float degrees = cellSize / 108000.0f;
    std::fprintf(file, "ncols\t%i\n", int(columns));
    std::fprintf(file, "nrows\t%i\n", int(rows));
    std::fprintf(file, "xllcorner\t0\n");
    std::fprintf(file, "yllcorner\t0\n");
    std::fprintf(file, "xdim\t%1.18f\n", degrees);
    std::fprintf(file, "ydim\t%1.18f\n", degrees);
    std::fprintf(file, "NODATA_value\t-9999\n");
}

} // namespace

bool JGrid::writeGRD(QString& message)
{
    const QString fileName = outputBase(name, width, height) + QStringLiteral(".grd");
    FileHandle file = openFile(fileName, "w");
    if (!file)
        return reportOpenFailure(fileName, message);
    writeHeader(file.get(), width, height, cellSize);
    ValueRowWriter rows(2);
    for (std::size_t r = 0; r < height; ++r)
        rows.write(file.get(), heights[r].first(width));
    std::fputc('\n', file.get());
    if (!finishWriting(std::move(file), fileName))
        return reportWriteFailure(fileName, message);
    message = fileName;
    return true;
}

bool JGrid::writeLeftRight(QString& left, QString& right)
{
    // Two halves of equal width: an odd last column is dropped first (which,
    // like every size adjustment, empties the detail stack).
    if (width % 2 != 0)
        adjustSize(int(width) - 1, int(height));
    const unsigned half = width / 2;
    const QString base = outputBase(name, half, height);
    left = base + QStringLiteral("LEFT.grd");
    right = base + QStringLiteral("RIGHT.grd");
    FileHandle leftFile = openFile(left, "w");
    if (!leftFile)
        return reportOpenFailure(left, left);
    FileHandle rightFile = openFile(right, "w");
    if (!rightFile)
        return reportOpenFailure(right, left);

    writeHeader(leftFile.get(), half, height, cellSize);
    writeHeader(rightFile.get(), half, height, cellSize);
    ValueRowWriter rows(2);
    for (std::size_t r = 0; r < height; ++r) {
        rows.write(leftFile.get(), heights[r].first(half));
        rows.write(rightFile.get(), heights[r].subspan(half, half));
    }
    std::fputc('\n', leftFile.get());
    std::fputc('\n', rightFile.get());
    if (!finishWriting(std::move(leftFile), left))
        return reportWriteFailure(left, left);
    if (!finishWriting(std::move(rightFile), right))
        return reportWriteFailure(right, left);
    return true;
}
