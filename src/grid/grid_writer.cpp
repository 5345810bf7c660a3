// Writing the grid as ASCII grid files: the whole grid, or its left and
// right halves. Names are built from the grid's `name` and size, so output
// lands next to the file the grid was loaded from.
#include "grid_file_io.h"
#include "jgrid.h"

#include <cstdio>

namespace {

QString outputBase(const QString& name, unsigned columns, unsigned rows)
{
    return name + QString::asprintf("_w%i_h%i", int(columns), int(rows));
}

bool reportOpenFailure(const QString& fileName, QString& message)
{
    std::printf("*** Error *** fopen returned NULL when writing to file %s.\n", localName(fileName).constData());
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
