// Picks the reader for a file by its name, and for a .grd by its first bytes.
#include "grid_file_io.h"
#include "jgrid.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// A .grd that this system's ASCII reader does not know: Surfer grids (text
// "DSAA", binary "DSBB" and "DSRB"), GMT's netCDF and HDF grids, and any file
// whose first bytes are not text.
bool isForeignGrd(const QString& fileName)
{
    const FileHandle file = openFile(fileName, "rb");
    if (!file)
        return false;
    unsigned char head[64];
    const std::size_t n = std::fread(head, 1, sizeof head, file.get());
    for (const char* signature : {"DSAA", "DSBB", "DSRB", "CDF", "\x89HDF"}) {
        const std::size_t length = std::strlen(signature);
        if (n >= length && std::memcmp(head, signature, length) == 0)
            return true;
    }
    return std::any_of(head, head + n, [](unsigned char c) { return c == 0; });
}

} // namespace

bool JGrid::loadFile(QString fileName, std::optional<float> cellSize)
{
    const auto endsWith = [&](const char* extension) {
        return fileName.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
    };
    if (endsWith(".grd"))
        return isForeignGrd(fileName) ? loadGDAL(fileName, cellSize) : loadGRD(fileName, cellSize);
    if (endsWith(".asc"))
        return loadGRD(fileName, cellSize);
    if (endsWith(".flt") || endsWith(".hdr"))
        return loadFLT(fileName, cellSize);
    return loadGDAL(fileName, cellSize);
}
