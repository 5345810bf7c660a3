// Float grids: raw 32-bit IEEE floats, row 0 first and columns fastest, with
// their dimensions in a separate text header file. A header may place band 1
// of a multi-band or padded file (BIL, BIP or BSQ); only band 1 is read.
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_load.h"
#include "stop_request.h"

#include <QFileInfo>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

bool endsWithIgnoringCase(const QString& name, const char* extension)
{
    return name.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

// The first of the names that exists, else the first.
QString firstExisting(const QString& a, const QString& b)
{
    return (!QFileInfo::exists(a) && QFileInfo::exists(b)) ? b : a;
}

// The header and data file of a float grid named by either: hills.flt has its
// header in hills.hdr (or hills.HDR), hills.FLT in hills.HDR (or hills.hdr),
// and a chosen hills.hdr reads hills.flt (or hills.FLT). Any other name gets
// ".hdr" appended for its header.
struct FloatGridFiles {
    QString header;
    QString data;
};

FloatGridFiles filesOf(const QString& name)
{
    const QString base = name.left(name.size() - 4);
    if (endsWithIgnoringCase(name, ".flt")) {
        const bool upper = name.endsWith(QLatin1String(".FLT"));
        const QString lower = base + QStringLiteral(".hdr");
        const QString capital = base + QStringLiteral(".HDR");
        return {upper ? firstExisting(capital, lower) : firstExisting(lower, capital), name};
    }
    if (endsWithIgnoringCase(name, ".hdr")) {
        const bool upper = name.endsWith(QLatin1String(".HDR"));
        const QString lower = base + QStringLiteral(".flt");
        const QString capital = base + QStringLiteral(".FLT");
        return {name, upper ? firstExisting(capital, lower) : firstExisting(lower, capital)};
    }
    return {name + QStringLiteral(".hdr"), name};
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

bool readHeaderFile(const FloatGridFiles& files, GridHeader& header)
{
    const FileHandle file = openTextFile(files.header);
    if (!file) {
        reportError("Error - %s was not found\n", localName(files.header).constData());
        return false;
    }
    TokenReader tokens(file.get(), 0);
    return readGridHeader(tokens, GridFileKind::floatGridHeader, files.header, files.data, header);
}

// Where band 1's samples lie: the first at skipBytes, the next sample of a
// row `sampleStride` bytes on, the next row `rowStride` bytes on.
struct BandPlacement {
    std::uint64_t sampleStride;
    std::uint64_t rowStride;
};

BandPlacement placementOf(const GridHeader& h)
{
    const std::uint64_t sampleRow = std::uint64_t(h.width) * 4;
    switch (h.interleave) {
    case Interleave::bip:
        return {4 * h.bands, h.totalRowBytes.value_or(sampleRow * h.bands)};
    case Interleave::bsq:
        return {4, h.bandRowBytes.value_or(sampleRow)};
    case Interleave::bil:
        break;
    }
    const std::uint64_t bandRow = h.bandRowBytes.value_or(sampleRow);
    return {4, h.totalRowBytes.value_or(bandRow * h.bands)};
}

// Reads band 1 row by row; returns the number of samples read before the
// file ended. A pixel-interleaved row is read whole when it is small, sample
// by sample otherwise, so that no header can make it allocate without bound.
std::size_t readBand(std::FILE* file, const GridHeader& h, const BandPlacement& band, float* values)
{
    constexpr std::uint64_t maxRowBuffer = std::uint64_t(64) << 20;
    const std::size_t columns = h.width;
    const std::uint64_t rowSpan = (columns - 1) * band.sampleStride + 4;
    const bool wholeRows = band.sampleStride == 4 || rowSpan <= maxRowBuffer;
    std::vector<unsigned char> row;
    if (band.sampleStride != 4 && wholeRows)
        row.resize(rowSpan);
    const auto seek = [&](std::uint64_t at) {
        return at <= std::uint64_t(INT64_MAX) && fseeko(file, off_t(at), SEEK_SET) == 0;
    };
    std::size_t count = 0;
    for (std::size_t r = 0; r < h.height && !stopRequested(); ++r) {
        if (band.rowStride != 0 && r > (std::uint64_t(INT64_MAX) - h.skipBytes) / band.rowStride)
            break;
        const std::uint64_t at = h.skipBytes + r * band.rowStride;
        float* out = values + r * columns;
        std::size_t whole = 0;
        if (band.sampleStride == 4) {
            whole = seek(at) ? std::fread(out, sizeof(float), columns, file) : 0;
        } else if (wholeRows) {
            const std::size_t bytes = seek(at) ? std::fread(row.data(), 1, row.size(), file) : 0;
            whole = bytes < 4 ? 0 : std::min<std::size_t>(columns, (bytes - 4) / band.sampleStride + 1);
            for (std::size_t c = 0; c < whole; ++c)
                std::memcpy(out + c, row.data() + c * band.sampleStride, 4);
        } else {
            while (whole < columns && seek(at + whole * band.sampleStride) && std::fread(out + whole, 4, 1, file) == 1)
                ++whole;
        }
        count += whole;
        if (whole < columns)
            break;
    }
    return count;
}

// How many of band 1's samples lie wholly within a file of `bytes` bytes,
// counted as the reader takes them: row by row, up to the first short row.
std::uint64_t samplesWithin(std::uint64_t bytes, const GridHeader& h, const BandPlacement& band)
{
    const std::uint64_t columns = h.width;
    std::uint64_t count = 0;
    for (std::uint64_t r = 0; r < h.height; ++r) {
        if (band.rowStride != 0 && r > (bytes - std::min(bytes, h.skipBytes)) / band.rowStride)
            break;
        const std::uint64_t at = h.skipBytes + r * band.rowStride;
        if (bytes < at + 4)
            break;
        const std::uint64_t whole = std::min(columns, (bytes - at - 4) / band.sampleStride + 1);
        count += whole;
        if (whole < columns)
            break;
    }
    return count;
}

// Reads up to `count` contiguous values in blocks of rows, so that a stop
// request is seen between blocks; returns the number read.
std::size_t readContiguous(std::FILE* file, float* values, std::size_t count)
{
    constexpr std::size_t block = std::size_t(1) << 20;
    std::size_t done = 0;
    while (done < count && !stopRequested()) {
        const std::size_t wanted = std::min(block, count - done);
        const std::size_t got = std::fread(values + done, sizeof(float), wanted, file);
        done += got;
        if (got < wanted)
            break;
    }
    return done;
}

} // namespace

bool readFloatGrid(const QString& fileName, LoadedSamples& samples)
{
    const FloatGridFiles files = filesOf(fileName);
    if (!readHeaderFile(files, samples.header))
        return false;
    std::printf("Header file %s\n", localName(files.header).constData());

    const FileHandle file = openFile(files.data, "rb");
    if (!file) {
        reportError("Error, %s was not found\n", localName(files.data).constData());
        return false;
    }
    // A file too short for the samples its header declares is refused
    // before their memory is taken. Bytes after the last needed value are
    // not read.
    const GridHeader& h = samples.header;
    const BandPlacement band = placementOf(h);
    if (const std::optional<std::uint64_t> bytes = fileBytes(file.get())) {
        const std::uint64_t within = samplesWithin(*bytes, h, band);
        if (within < std::uint64_t(h.width) * h.height)
            return refuseShortFile(fileName, h, within);
    }
    if (!allocateSamples(samples.header, samples.heights, fileName))
        return false;
    float* const values = samples.heights.data();
    if (h.skipBytes == 0 && band.sampleStride == 4 && band.rowStride == std::uint64_t(h.width) * 4)
        samples.count = readContiguous(file.get(), values, samples.heights.size());
    else
        samples.count = readBand(file.get(), h, band, values);
    if (stopRequested())
        return false;
    if (h.bigEndian != (std::endian::native == std::endian::big))
        swapByteOrder(values, samples.count);
    return true;
}

bool JGrid::loadFLT(QString fileName, std::optional<float> cellSize)
{
    return loadGridFile(*this, fileName, "Loading Binary Grid File\n", readFloatGrid, cellSize);
}
