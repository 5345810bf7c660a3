// ASCII grids: a text header, then the heights as text, row 0 first and
// columns fastest. Heights are parsed in place over one buffered read.
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_load.h"
#include "stop_request.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <cstdio>

bool readAsciiGrid(const QString& fileName, LoadedSamples& samples)
{
    const FileHandle file = openTextFile(fileName);
    if (!file) {
        reportError("Error, %s was not found\n", localName(fileName).constData());
        return false;
    }
    TokenReader tokens(file.get());
    if (!readGridHeader(tokens, GridFileKind::asciiGrid, fileName, fileName, samples.header))
        return false;
    // Every value takes a character and a blank (the last one no blank): a
    // file too small for the values its header declares is refused before
    // their memory is taken.
    const std::uint64_t declared = std::uint64_t(samples.header.width) * samples.header.height;
    const std::optional<std::uint64_t> bytes = fileBytes(file.get());
    if (bytes && *bytes < 2 * declared - 1)
        return refuseShortFile(fileName, samples.header, (*bytes + 1) / 2, true);
    if (!allocateSamples(samples.header, samples.heights, fileName))
        return false;

    // Values beyond width x height are not read; a token that is not a
    // number counts as 0.0. Read in blocks, to see a stop request between them.
    constexpr std::size_t block = std::size_t(1) << 18;
    const std::size_t size = samples.heights.size();
    while (samples.count < size) {
        if (stopRequested())
            return false;
        const std::size_t wanted = std::min(block, size - samples.count);
        const std::size_t got = tokens.readValues(samples.heights.data() + samples.count, wanted);
        samples.count += got;
        if (got < wanted)
            break;
    }
    if (tokens.nonNumericCount() > 0)
        std::printf("JGrid:: %zu values in %s are not numbers (the first is \"%s\"); each is read as its leading "
                    "number, or 0.0 without one\n",
                    tokens.nonNumericCount(), localName(fileName).constData(), tokens.firstNonNumeric().c_str());
    return true;
}

bool JGrid::loadGRD(QString fileName, std::optional<float> cellSize)
{
    return loadGridFile(*this, fileName, "Loading ASCII Grid File\n", readAsciiGrid, cellSize);
}
