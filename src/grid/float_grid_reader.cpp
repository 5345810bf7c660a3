// Float grids: raw 32-bit IEEE floats, row 0 first and columns fastest, with
// their dimensions in a separate text header file.
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_load.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// hills.flt has its header in hills.hdr: every ".flt" and ".FLT" is removed
// and ".hdr" appended.
QString headerNameOf(QString fltName)
{
    fltName.remove(QStringLiteral(".flt"));
    fltName.remove(QStringLiteral(".FLT"));
    return fltName + QStringLiteral(".hdr");
}

void swapByteOrder(float* values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        bits = __builtin_bswap32(bits);
        std::memcpy(&values[i], &bits, sizeof bits);
    }
}

bool readHeaderFile(const QString& headerName, GridHeader& header)
{
    const FileHandle file = openFile(headerName, "r");
    if (!file) {
        reportError("Error - %s was not found\n", localName(headerName).constData());
        return false;
    }
    TokenReader tokens(file.get(), 0);
    return readGridHeader(tokens, GridFileKind::floatGridHeader, headerName, header);
}

} // namespace

bool readFloatGrid(const QString& fileName, LoadedSamples& samples)
{
    const QString headerName = headerNameOf(fileName);
    if (!readHeaderFile(headerName, samples.header))
        return false;
    std::printf("Header file %s\n", localName(headerName).constData());

    const FileHandle file = openFile(fileName, "rb");
    if (!file) {
        reportError("Error, %s was not found\n", localName(fileName).constData());
        return false;
    }
    if (!allocateSamples(samples.header, samples.heights, fileName))
        return false;
    // Bytes after the last needed value are not read. fread may leave the
    // bytes of a trailing partial value behind: that sample stays 0.0.
    float* const values = samples.heights.data();
    samples.count = std::fread(values, sizeof(float), samples.heights.size(), file.get());
    std::fill(values + samples.count, values + samples.heights.size(), 0.0f);
    if (samples.header.bigEndian != (std::endian::native == std::endian::big))
        swapByteOrder(values, samples.count);
    return true;
}

bool JGrid::loadFLT(QString fileName)
{
    return loadGridFile(*this, fileName, "Loading Binary Grid File\n", readFloatGrid);
}
