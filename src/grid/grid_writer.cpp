// Writing the grid as ASCII grid files: the whole grid, or its left and
// right halves. Names are built from the grid's `name` and size, so output
// lands next to the file the grid was loaded from.
#include "error_report.h"
#include "grid_file_io.h"
#include "jgrid.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

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

// The seven header lines; the cell size goes out in degrees, the no-data
// value with the fewest digits that read back as the same float. A grid
// without a cell size has no xdim and ydim lines, so that it reads back
// without one instead of with a negative spacing.
void writeHeader(std::FILE* file, unsigned columns, unsigned rows, std::optional<float> cellSize, float noData)
{
    char noDataText[32];
    *std::to_chars(noDataText, noDataText + sizeof noDataText - 1, noData).ptr = '\0';
    std::fprintf(file, "ncols\t%i\n", int(columns));
    std::fprintf(file, "nrows\t%i\n", int(rows));
    std::fprintf(file, "xllcorner\t0\n");
    std::fprintf(file, "yllcorner\t0\n");
    if (cellSize) {
        const float degrees = *cellSize / 108000.0f;
        std::fprintf(file, "xdim\t%1.18f\n", degrees);
        std::fprintf(file, "ydim\t%1.18f\n", degrees);
    }
    std::fprintf(file, "NODATA_value\t%s\n", noDataText);
}

// Writes columns [first, first + count) of every row, with the no-data value
// at voids.
class GridRows {
public:
    explicit GridRows(const JGrid& grid) : grid_(grid), rows_(2) {}
    void write(std::FILE* file, std::size_t r, std::size_t first, std::size_t count)
    {
        const auto values = grid_.heights[r].subspan(first, count);
        if (grid_.valid.empty()) {
            rows_.write(file, values);
            return;
        }
        line_.assign(values.begin(), values.end());
        for (std::size_t c = 0; c < count; ++c)
            if (!grid_.isValid(r, first + c))
                line_[c] = grid_.noDataValue;
        rows_.write(file, line_);
    }

private:
    const JGrid& grid_;
    ValueRowWriter rows_;
    std::vector<float> line_;
};

} // namespace

bool JGrid::writeGRD(QString& message)
{
    const QString fileName = outputBase(name, width, height) + QStringLiteral(".grd");
    FileHandle file = openFile(fileName, "w");
    if (!file)
        return reportOpenFailure(fileName, message);
    writeHeader(file.get(), width, height, cellSize, noDataValue);
    GridRows rows(*this);
    for (std::size_t r = 0; r < height; ++r)
        rows.write(file.get(), r, 0, width);
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

    writeHeader(leftFile.get(), half, height, cellSize, noDataValue);
    writeHeader(rightFile.get(), half, height, cellSize, noDataValue);
    GridRows rows(*this);
    for (std::size_t r = 0; r < height; ++r) {
        rows.write(leftFile.get(), r, 0, half);
        rows.write(rightFile.get(), r, half, half);
    }
    std::fputc('\n', leftFile.get());
    std::fputc('\n', rightFile.get());
    if (!finishWriting(std::move(leftFile), left))
        return reportWriteFailure(left, left);
    if (!finishWriting(std::move(rightFile), right))
        return reportWriteFailure(right, left);
    return true;
}
